// What the Ticker and News tabs store on Apply, over an in-memory key: exactly their values, in
// their order, in the forms the rest of the program reads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "prefs/page_store.h"

namespace {

std::vector<std::string> Writes(const MemoryStore& memory) {
  std::vector<std::string> writes;
  for (const std::string& entry : memory.log) {
    if (entry.rfind("W ", 0) == 0) writes.push_back(entry.substr(2));
  }
  return writes;
}

std::string Text(SettingsStore& settings, const char* name) {
  char text[kTextValueSize];
  settings.ReadTextValue(name, text);
  return text;
}

class PageStore : public testing::Test {
 protected:
  MemoryStore memory;
  SettingsStore settings{memory};
};

TEST_F(PageStore, TheTickerTabWritesExactlyItsValuesInOrder) {
  TickerPageValues v;
  v.myVexlo = true;
  std::strcpy(v.userId, "John Doe");
  std::strcpy(v.password, "pass word");
  v.autoUpdate = true;
  v.hangup = true;
  v.noAutoDial = true;
  v.showInScreenSaver = false;
  v.smoothScrolling = true;
  v.boldFont = true;
  v.pauseOnHover = true;
  v.speed = 6;
  std::strcpy(v.minutes, "15");
  const TickerApplyDecision d = DecideTickerPage(settings, v, "", "");
  EXPECT_TRUE(d.loginRetry);
  EXPECT_FALSE(d.askSignUp);
  EXPECT_TRUE(d.reloadFromCache) << "the stored font was not bold";
  memory.log.clear();
  TickerPageStored stored;
  StoreTickerPage(settings, v, d, &stored);

  EXPECT_EQ(Writes(memory),
            (std::vector<std::string>{"My Vexlo!", "Vexlo! User ID", "Vexlo! EPassword",
                                      "Vexlo! Password", "Auto Update", "Bold Font", "Hangup",
                                      "No AutoDial", "Show in Screen Saver", "Smooth Scrolling",
                                      "Ticker Speed", "Pause on Hover", "News Refresh"}));
  EXPECT_EQ(settings.ReadSetting(SettingId::kMyVexlo), 1);
  EXPECT_EQ(Text(settings, "Vexlo! User ID"), "John Doe") << "stored as typed";
  EXPECT_EQ(Text(settings, "Vexlo! EPassword"), "cGFzcyB3b3Jk");
  EXPECT_EQ(Text(settings, "Vexlo! Password"), "");
  EXPECT_EQ(settings.ReadSetting(SettingId::kAutoUpdate), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kBoldFont), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kHangup), 1);
  EXPECT_EQ(settings.ReadNumberValue("No Autodial"), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kShowInScreenSaver), 0);
  EXPECT_EQ(settings.ReadSetting(SettingId::kSmoothScrolling), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 6);
  EXPECT_EQ(settings.ReadNumberValue("Pause on Hover"), 1);
  EXPECT_EQ(settings.ReadNumberValue("News Refresh"), 15);

  EXPECT_TRUE(stored.myVexlo);
  EXPECT_STREQ(stored.userId, "John+Doe") << "in memory as the login sends it";
  EXPECT_STREQ(stored.password, "pass+word");
  EXPECT_EQ(stored.autoUpdate, 1);
  EXPECT_EQ(stored.showInScreenSaver, 0);
  EXPECT_EQ(stored.smoothScrolling, 1);
  EXPECT_EQ(stored.tickerSpeed, 6);
  EXPECT_EQ(stored.newsRefresh, 15);
}

TEST_F(PageStore, TheTickerTabsNumbersAndTextsStayInTheirBounds) {
  const struct {
    int32_t speed;
    const char* minutes;
    int32_t storedSpeed, storedMinutes;
  } cases[] = {
      {0, "0", 1, 5},     {9, "3", 8, 5},       {1, "abc", 1, 5},
      {8, "1440", 8, 1440}, {4, "99999", 4, 1440}, {-5, "-20", 1, 5},
  };
  for (const auto& c : cases) {
    TickerPageValues v;
    v.speed = c.speed;
    std::strcpy(v.minutes, c.minutes);
    TickerPageStored stored;
    StoreTickerPage(settings, v, DecideTickerPage(settings, v, "", ""), &stored);
    EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), c.storedSpeed) << c.speed;
    EXPECT_EQ(settings.ReadNumberValue("News Refresh"), c.storedMinutes) << c.minutes;
    EXPECT_EQ(stored.newsRefresh, c.storedMinutes) << c.minutes;
  }

  // A user id and password that fill their boxes: stored whole, never past the field.
  TickerPageValues v;
  std::memset(v.userId, 'u', kAccountFieldChars);
  std::memset(v.password, 'p', kAccountFieldChars);
  TickerPageStored stored;
  StoreTickerPage(settings, v, DecideTickerPage(settings, v, "", ""), &stored);
  EXPECT_EQ(Text(settings, "Vexlo! User ID"), std::string(kAccountFieldChars, 'u'));
  EXPECT_EQ(std::strlen(stored.password), static_cast<size_t>(kAccountFieldChars));
  EXPECT_EQ(Text(settings, "Vexlo! EPassword").size(), 68u) << "49 bytes in Base64";
}

TEST_F(PageStore, TheAccountSwitchIsComparedWithItsStoredValue) {
  const struct {
    int32_t storedSwitch;
    bool box;
    const char *user, *password;
    bool loginRetry, askSignUp;
    int32_t storedAfter;
  } cases[] = {
      {0, true, "jo", "pw", true, false, 1},
      {1, true, "jo", "pw", false, false, 1},
      {1, false, "jo", "pw", true, false, 0},
      {0, true, "jo", "", true, true, 0},  // the sign-up question; stored off whatever the answer
      {1, true, "", "pw", false, true, 0},
  };
  for (const auto& c : cases) {
    settings.WriteSetting(SettingId::kMyVexlo, c.storedSwitch);
    TickerPageValues v;
    v.myVexlo = c.box;
    std::strcpy(v.userId, c.user);
    std::strcpy(v.password, c.password);
    std::strcpy(v.minutes, "10");
    const TickerApplyDecision d = DecideTickerPage(settings, v, c.user, c.password);
    EXPECT_EQ(d.loginRetry, c.loginRetry) << c.storedSwitch << c.box << c.user << c.password;
    EXPECT_EQ(d.askSignUp, c.askSignUp) << c.storedSwitch << c.box << c.user << c.password;
    TickerPageStored stored;
    StoreTickerPage(settings, v, d, &stored);
    EXPECT_EQ(settings.ReadSetting(SettingId::kMyVexlo), c.storedAfter);
    EXPECT_EQ(stored.myVexlo, c.storedAfter != 0);
  }
}

TEST_F(PageStore, TheNewsTabWritesExactlyItsValuesInOrder) {
  NewsPageValues v;
  v.worldHeadlines = true;
  v.stockQuotes = true;
  v.weather = true;
  v.fahrenheit = false;
  std::strcpy(v.stories, "50");
  std::strcpy(v.airports, "ORD BOS\r\nLAX");
  EXPECT_TRUE(StoreNewsPage(settings, v, false));
  EXPECT_EQ(Writes(memory),
            (std::vector<std::string>{"Weather", "Temperature System", "Stories Per Topic",
                                      "Airports", "US Headlines", "World Headlines",
                                      "Business Headlines", "Politics Headlines", "Stock Quotes",
                                      "Sports Headlines", "Entertainment Headlines",
                                      "Technology Headlines"}));
  EXPECT_EQ(settings.ReadSetting(SettingId::kWeather), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTemperatureSystem), 0);
  EXPECT_EQ(settings.ReadNumberValue("Stories per Topic"), 20) << "clamped to the spin range";
  EXPECT_EQ(Text(settings, "Airports"), "ORD,BOS  LAX");
  EXPECT_EQ(settings.ReadSetting(SettingId::kWorldHeadlines), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kStockQuotes), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kUsHeadlines), 0);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTechnologyHeadlines), 0);
}

TEST_F(PageStore, TheNewsTabStoresEvenWhenItRefusesToClose) {
  NewsPageValues v;
  std::strcpy(v.stories, "x");
  EXPECT_FALSE(StoreNewsPage(settings, v, false)) << "nothing to show";
  EXPECT_EQ(settings.ReadNumberValue("Stories per Topic"), 3);
  EXPECT_EQ(settings.ReadSetting(SettingId::kWeather), 0);
  EXPECT_TRUE(StoreNewsPage(settings, v, true)) << "the account chooses";
  v.weather = true;
  EXPECT_TRUE(StoreNewsPage(settings, v, false)) << "weather alone is enough";
}

}  // namespace
