// What the Ticker and News tabs store on Apply.
#include "prefs/page_store.h"

#include <cstring>

#include "feed/codecs.h"

TickerApplyDecision DecideTickerPage(SettingsStore& settings, const TickerPageValues& values,
                                     const char* userIdInMemory, const char* passwordInMemory) {
  TickerApplyInput in;
  // The stored switch: a click on the box has already changed the in-memory one.
  in.myVexloBefore = settings.ReadSetting(SettingId::kMyVexlo) != 0;
  in.myVexloBox = values.myVexlo;
  in.userIdBefore = userIdInMemory;
  in.userIdBox = values.userId;
  in.passwordBefore = passwordInMemory;
  in.passwordBox = values.password;
  in.boldBefore = settings.ReadSetting(SettingId::kBoldFont) != 0;
  in.boldBox = values.boldFont;
  return DecideTickerApply(in);
}

void StoreTickerPage(SettingsStore& settings, const TickerPageValues& values,
                     const TickerApplyDecision& decision, TickerPageStored* stored) {
  settings.WriteSetting(SettingId::kMyVexlo, decision.myVexloStored ? 1 : 0);
  stored->myVexlo = decision.myVexloStored;

  char userId[kAccountFieldChars + 1];
  char password[kAccountFieldChars + 1];
  CopyLimited(values.userId, kAccountFieldChars, userId, sizeof userId);
  CopyLimited(values.password, kAccountFieldChars, password, sizeof password);
  settings.WriteTextValue(value_name::kUserId, userId);
  // 49 password bytes encode into 68 characters: well inside a text value.
  char encoded[kTextValueSize];
  Base64EncodeBounded(password, encoded, sizeof encoded);
  settings.WriteTextValue(value_name::kEncodedPassword, encoded);
  settings.WriteTextValue(value_name::kPlainPassword, "");
  SpacesToPlus(userId);
  SpacesToPlus(password);
  CopyLimited(userId, kAccountFieldChars, stored->userId, sizeof stored->userId);
  CopyLimited(password, kAccountFieldChars, stored->password, sizeof stored->password);

  stored->autoUpdate = values.autoUpdate ? 1 : 0;
  settings.WriteSetting(SettingId::kAutoUpdate, stored->autoUpdate);
  settings.WriteSetting(SettingId::kBoldFont, values.boldFont ? 1 : 0);
  settings.WriteSetting(SettingId::kHangup, values.hangup ? 1 : 0);
  settings.WriteNumberValue(value_name::kNoAutoDial, values.noAutoDial ? 1 : 0);
  stored->showInScreenSaver = values.showInScreenSaver ? 1 : 0;
  settings.WriteSetting(SettingId::kShowInScreenSaver, stored->showInScreenSaver);
  stored->smoothScrolling = values.smoothScrolling ? 1 : 0;
  settings.WriteSetting(SettingId::kSmoothScrolling, stored->smoothScrolling);
  stored->tickerSpeed = Clamp(values.speed, kSpeedMin, kSpeedMax);
  settings.WriteSetting(SettingId::kTickerSpeed, stored->tickerSpeed);
  settings.WriteNumberValue(value_name::kPauseOnHover, values.pauseOnHover ? 1 : 0);
  stored->newsRefresh = ParseClamped(values.minutes, kRefreshMinutesMin, kRefreshMinutesMax);
  settings.WriteNumberValue(value_name::kNewsRefresh, stored->newsRefresh);
}

bool StoreNewsPage(SettingsStore& settings, const NewsPageValues& v, bool myVexlo) {
  settings.WriteSetting(SettingId::kWeather, v.weather ? 1 : 0);
  settings.WriteSetting(SettingId::kTemperatureSystem, v.fahrenheit ? 1 : 0);
  settings.WriteNumberValue(value_name::kStoriesPerTopic,
                            ParseClamped(v.stories, kStoriesMin, kStoriesMax));
  char airports[kTextValueSize];
  NormaliseAirports(v.airports, airports);
  settings.WriteTextValue(value_name::kAirports, airports);
  const struct {
    SettingId id;
    bool on;
  } topics[] = {
      {SettingId::kUsHeadlines, v.usHeadlines},
      {SettingId::kWorldHeadlines, v.worldHeadlines},
      {SettingId::kBusinessHeadlines, v.businessHeadlines},
      {SettingId::kPoliticsHeadlines, v.politicsHeadlines},
      {SettingId::kStockQuotes, v.stockQuotes},
      {SettingId::kSportsHeadlines, v.sportsHeadlines},
      {SettingId::kEntertainmentHeadlines, v.entertainmentHeadlines},
      {SettingId::kTechnologyHeadlines, v.technologyHeadlines},
  };
  for (const auto& topic : topics) settings.WriteSetting(topic.id, topic.on ? 1 : 0);
  const bool selected[9] = {v.usHeadlines,     v.worldHeadlines,         v.businessHeadlines,
                            v.politicsHeadlines, v.stockQuotes,          v.sportsHeadlines,
                            v.entertainmentHeadlines, v.technologyHeadlines, v.weather};
  return NewsSelectionAcceptable(myVexlo, selected);
}
