// What the Ticker and News tabs store on Apply, over an in-memory key: exactly their values, in
// their order, in the forms the rest of the program reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "prefs/page_store.h"
#include "res/resource.h"
#include "support/fake_page_controls.h"

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
  FakeControls c;
  c.checks[IDC_AUTO_UPDATE] = true;
  c.checks[IDC_HANGUP] = true;
  c.checks[IDC_NO_AUTODIAL] = true;
  c.checks[IDC_SCREEN_SAVER] = false;
  c.checks[IDC_SMOOTH] = true;
  c.checks[IDC_BOLD_FONT] = true;
  c.checks[IDC_PAUSE_ON_HOVER] = true;
  c.positions[IDC_SPEED] = 6;
  c.texts[IDC_REFRESH_MINUTES] = "15";
  const TickerApplyDecision d = DecideTickerPage(settings, v, c, "", "");
  EXPECT_TRUE(d.loginRetry);
  EXPECT_FALSE(d.askSignUp);
  EXPECT_TRUE(d.reloadFromCache) << "the stored font was not bold";
  memory.log.clear();
  TickerPageStored stored;
  StoreTickerPage(settings, v, c, d, &stored);

  EXPECT_EQ(Writes(memory),
            (std::vector<std::string>{"My Vexlo!", "Vexlo! User ID", "Vexlo! EPassword",
                                      "Vexlo! Password", "Auto Update", "Bold Font", "Hangup",
                                      "No AutoDial", "Show in Screen Saver", "Smooth Scrolling",
                                      "Ticker Speed", "Pause on Hover", "News Refresh",
                                      "Step Headlines"}));
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
  EXPECT_EQ(stored.newsRefresh, 15);
  EXPECT_TRUE(stored.pauseOnHover);
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
    FakeControls controls;
    controls.positions[IDC_SPEED] = c.speed;
    controls.texts[IDC_REFRESH_MINUTES] = c.minutes;
    TickerPageStored stored;
    StoreTickerPage(settings, v, controls, DecideTickerPage(settings, v, controls, "", ""),
                    &stored);
    EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), c.storedSpeed) << c.speed;
    EXPECT_EQ(settings.ReadNumberValue("News Refresh"), c.storedMinutes) << c.minutes;
    EXPECT_EQ(stored.newsRefresh, c.storedMinutes) << c.minutes;
  }

  // A user id and password that fill their boxes: stored whole, never past the field.
  TickerPageValues v;
  std::memset(v.userId, 'u', kAccountFieldChars);
  std::memset(v.password, 'p', kAccountFieldChars);
  FakeControls controls;
  TickerPageStored stored;
  StoreTickerPage(settings, v, controls, DecideTickerPage(settings, v, controls, "", ""),
                  &stored);
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
    FakeControls controls;
    controls.texts[IDC_REFRESH_MINUTES] = "10";
    const TickerApplyDecision d = DecideTickerPage(settings, v, controls, c.user, c.password);
    EXPECT_EQ(d.loginRetry, c.loginRetry) << c.storedSwitch << c.box << c.user << c.password;
    EXPECT_EQ(d.askSignUp, c.askSignUp) << c.storedSwitch << c.box << c.user << c.password;
    TickerPageStored stored;
    StoreTickerPage(settings, v, controls, d, &stored);
    EXPECT_EQ(settings.ReadSetting(SettingId::kMyVexlo), c.storedAfter);
    EXPECT_EQ(stored.myVexlo, c.storedAfter != 0);
  }
}

TEST_F(PageStore, TheNewsTabWritesExactlyItsValuesInOrder) {
  FakeControls c;
  c.checks[IDC_WORLD] = true;
  c.checks[IDC_QUOTES] = true;
  c.checks[IDC_WEATHER] = true;
  c.checks[IDC_FAHRENHEIT] = false;
  c.texts[IDC_STORIES] = "50";
  c.texts[IDC_AIRPORTS] = "ORD BOS\r\nLAX";
  EXPECT_TRUE(StoreNewsPage(settings, c, false));
  EXPECT_EQ(Writes(memory),
            (std::vector<std::string>{"Weather", "Temperature System", "Stories per Topic",
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
  FakeControls c;
  c.texts[IDC_STORIES] = "x";
  EXPECT_FALSE(StoreNewsPage(settings, c, false)) << "nothing to show";
  EXPECT_EQ(settings.ReadNumberValue("Stories per Topic"), 3);
  EXPECT_EQ(settings.ReadSetting(SettingId::kWeather), 0);
  EXPECT_TRUE(StoreNewsPage(settings, c, true)) << "the account chooses";
  c.checks[IDC_WEATHER] = true;
  EXPECT_TRUE(StoreNewsPage(settings, c, false)) << "weather alone is enough";
}

// Every row of the binding table: a missing value shows as its default, a stored one as the row
// shows it (numbers clamped where the row says), Apply stores exactly the page's rows, in the
// table's order, each as its kind stores it, and the in-memory copies take what was stored.
TEST_F(PageStore, EveryBoundControlLoadsAndStoresAsItsRowSays) {
  for (size_t i = 0; i < kControlBindingCount; ++i) {
    const ControlBinding& row = kControlBindings[i];
    const bool text = row.kind == ControlKind::kText;
    const SettingInfo* setting = text ? nullptr : &Describe(row.setting);
    const std::string name = text ? row.name : setting->name;
    SCOPED_TRACE(name);
    const int32_t missing = text ? 0 : static_cast<int32_t>(setting->defaultValue);
    const int32_t low = text ? 0 : setting->low, high = text ? 0 : setting->high;
    MemoryStore empty;
    SettingsStore fresh(empty);
    FakeControls shown;
    LoadBoundControls(fresh, row.page, shown);
    FakeControls typed;
    std::string expected;
    switch (row.kind) {
      case ControlKind::kCheckBox:
        EXPECT_EQ(shown.checks[row.control], missing != 0);
        settings.WriteNumberValue(name.c_str(), 7);
        LoadBoundControls(settings, row.page, shown);
        EXPECT_TRUE(shown.checks[row.control]) << "any value but 0 is on";
        typed.checks[row.control] = true;
        expected = "1";
        break;
      case ControlKind::kTrackbar:
        settings.WriteNumberValue(name.c_str(), high + 5);
        LoadBoundControls(settings, row.page, shown);
        EXPECT_EQ(shown.positions[row.control], high);
        typed.positions[row.control] = low - 3;
        expected = std::to_string(low);
        break;
      case ControlKind::kNumberText:
      case ControlKind::kTypedNumber: {
        EXPECT_EQ(shown.texts[row.control], std::to_string(row.showClamped ? Clamp(missing, low, high) : missing));
        settings.WriteNumberValue(name.c_str(), high + 5);
        LoadBoundControls(settings, row.page, shown);
        EXPECT_EQ(shown.texts[row.control], std::to_string(row.showClamped ? high : high + 5));
        const bool asTyped = row.kind == ControlKind::kTypedNumber;
        typed.texts[row.control] = std::to_string(high + 1);
        expected = std::to_string(asTyped ? high + 1 : high);
        break;
      }
      case ControlKind::kList:
        EXPECT_EQ(shown.selections[row.control], missing);
        settings.WriteNumberValue(name.c_str(), high + 1);
        LoadBoundControls(settings, row.page, shown);
        EXPECT_EQ(shown.selections[row.control], -1) << "an unknown entry selects nothing";
        settings.WriteNumberValue(name.c_str(), high);
        LoadBoundControls(settings, row.page, shown);
        EXPECT_EQ(shown.selections[row.control], high);
        expected = "-1";  // nothing selected is stored as it is
        break;
      case ControlKind::kText:
        EXPECT_EQ(shown.texts[row.control], "");
        settings.WriteTextValue(name.c_str(), "A B");
        LoadBoundControls(settings, row.page, shown);
        EXPECT_EQ(shown.texts[row.control], "A B") << "shown as stored";
        typed.texts[row.control] = "X Y";
        expected = row.normalise != nullptr ? "X,Y" : "X Y";
        break;
    }
    MemoryStore after;
    SettingsStore store(after);
    StoreBoundControls(store, row.page, typed);
    std::vector<std::string> pageNames;
    for (size_t j = 0; j < kControlBindingCount; ++j) {
      const ControlBinding& other = kControlBindings[j];
      if (other.page == row.page) {
        pageNames.push_back(other.kind == ControlKind::kText ? other.name
                                                              : Describe(other.setting).name);
      }
    }
    EXPECT_EQ(Writes(after), pageNames);
    if (text) {
      EXPECT_EQ(Text(store, name.c_str()), expected);
      continue;
    }
    EXPECT_EQ(std::to_string(store.ReadNumberValue(name.c_str())), expected);
    EXPECT_EQ(std::to_string(BoundNumber(typed, row.control)), expected);

    // The copies: filled from the store on Load, from the controls on Apply.
    if (setting->copy == nullptr && setting->selection == nullptr) continue;
    std::mutex lock;
    TickerPrefs prefs;
    auto copy = [&] {
      return setting->copy != nullptr ? prefs.*setting->copy : prefs.content.*setting->selection;
    };
    settings.WriteNumberValue(name.c_str(), 42);
    CopyStoredNumbers(settings, row.page, lock, prefs);
    EXPECT_EQ(copy(), 42);
    CopyBoundNumbers(typed, row.page, lock, prefs);
    EXPECT_EQ(std::to_string(copy()), expected);
  }
}

}  // namespace
