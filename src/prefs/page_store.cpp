// What the Ticker and News tabs store on Apply.
#include "prefs/page_store.h"

#include <cstring>

#include "feed/codecs.h"
#include "res/resource.h"

TickerApplyDecision DecideTickerPage(SettingsStore& settings, const TickerPageValues& values,
                                     PageControls& controls, const char* userIdInMemory,
                                     const char* passwordInMemory) {
  TickerApplyInput in;
  // The stored switch: a click on the box has already changed the in-memory one.
  in.myVexloBefore = settings.ReadSetting(SettingId::kMyVexlo) != 0;
  in.myVexloBox = values.myVexlo;
  in.userIdBefore = userIdInMemory;
  in.userIdBox = values.userId;
  in.passwordBefore = passwordInMemory;
  in.passwordBox = values.password;
  in.boldBefore = settings.ReadSetting(SettingId::kBoldFont) != 0;
  in.boldBox = BoundNumber(controls, IDC_BOLD_FONT) != 0;
  return DecideTickerApply(in);
}

void StoreTickerPage(SettingsStore& settings, const TickerPageValues& values,
                     PageControls& controls, const TickerApplyDecision& decision,
                     TickerPageStored* stored) {
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

  StoreBoundControls(settings, PageKind::kTicker, controls);
  stored->newsRefresh = BoundNumber(controls, IDC_REFRESH_MINUTES);
  stored->pauseOnHover = BoundNumber(controls, IDC_PAUSE_ON_HOVER) != 0;
}

bool StoreNewsPage(SettingsStore& settings, PageControls& controls, bool myVexlo) {
  StoreBoundControls(settings, PageKind::kNews, controls);
  // The eight topics in their stored order, then the weather.
  constexpr int kShown[9] = {IDC_TOP_STORIES, IDC_WORLD,         IDC_BUSINESS,
                             IDC_POLITICS,    IDC_QUOTES,        IDC_SPORTS,
                             IDC_ENTERTAINMENT, IDC_TECHNOLOGY, IDC_WEATHER};
  bool selected[9];
  for (int i = 0; i < 9; ++i) selected[i] = BoundNumber(controls, kShown[i]) != 0;
  return NewsSelectionAcceptable(myVexlo, selected);
}
