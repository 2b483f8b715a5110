// The settings table and store over an in-memory key: defaults, kinds, cuts, the symbol list,
// colours and schemes, and the server table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/color_schemes.h"
#include "settings/endpoints.h"
#include "settings/install_scope.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"

namespace {

std::string Bytes(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

class SettingsTest : public testing::Test {
 protected:
  MemoryStore memory;
  SettingsStore settings{memory};
};

TEST(SettingsTable, IdsAndNamesAreUniqueAndOnlySixDefaultsAreNonZero) {
  std::set<int32_t> ids;
  std::set<std::string> names;
  for (size_t i = 0; i < kSettingTableSize; ++i) {
    const SettingInfo& info = kSettingTable[i];
    EXPECT_TRUE(ids.insert(static_cast<int32_t>(info.id)).second) << info.name;
    EXPECT_TRUE(names.insert(info.name).second) << info.name;
    EXPECT_EQ(&Describe(info.id), &info);
    const std::string name = info.name;
    const bool nonZero = name == "Mail Icon Cycle" || name == "Auto Update" ||
                         name == "Fit To Caption" || name == "Mail Alert Icon" ||
                         name == "Pause Hotkey" || name == "Focus Hotkey";
    EXPECT_EQ(info.defaultValue != 0, nonZero) << name;
  }
  EXPECT_EQ(kSettingTableSize, 39u);
  EXPECT_EQ(Describe(SettingId::kMailIconCycle).defaultValue, 5u);
  EXPECT_STREQ(Describe(SettingId::kDockInTaskbar).name, "Dock in Taskbar");
  EXPECT_STREQ(Describe(SettingId::kShowInScreenSaver).name, "Show in Screen Saver");
  EXPECT_STREQ(Describe(SettingId::kRegisterForMyVexlo).name, "Register for MyVexlo");
}

TEST(SettingsTable, UnknownIdsNameNoValue) {
  EXPECT_EQ(FindSetting(1035), nullptr) << "a colour id is not a number setting";
  EXPECT_EQ(FindSetting(0), nullptr);
  EXPECT_EQ(FindSetting(1234), nullptr);
  ASSERT_NE(FindSetting(1009), nullptr);
  EXPECT_STREQ(FindSetting(1009)->name, "Ticker Speed");
  EXPECT_EQ(FindColor(1009), nullptr);
  ASSERT_NE(FindColor(1094), nullptr);
  EXPECT_STREQ(FindColor(1094)->name, "Color Scheme");
}

TEST_F(SettingsTest, NumbersReadTheirDefaultUntilWritten) {
  EXPECT_EQ(settings.ReadSetting(SettingId::kAutoUpdate), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 0);
  settings.WriteSetting(SettingId::kAutoUpdate, 0);
  settings.WriteSetting(SettingId::kTickerSpeed, 7);
  EXPECT_EQ(settings.ReadSetting(SettingId::kAutoUpdate), 0);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 7);
  EXPECT_EQ(settings.ReadNumberValue("News Refresh"), 0);
  settings.WriteNumberValue("News Refresh", -3);
  EXPECT_EQ(settings.ReadNumberValue("News Refresh"), -3);
}

TEST_F(SettingsTest, ValueNamesIgnoreCase) {
  settings.WriteNumberValue("STORIES PER TOPIC", 10);
  EXPECT_EQ(settings.ReadSetting(SettingId::kStoriesPerTopic), 10);
}

TEST_F(SettingsTest, ValuesOfTheWrongKindReadAsMissing) {
  memory.PutRaw("Mail Icon Cycle", MemoryStore::kText, "12\0");
  memory.PutRaw("Auto Update", MemoryStore::kBinary, Bytes(0));
  memory.PutRaw("Ticker Speed", MemoryStore::kNumber, "\x05\x00");
  memory.PutRaw("Airports", MemoryStore::kNumber, Bytes(42));
  memory.PutRaw("HTTP Proxy", MemoryStore::kBinary, "proxy");
  EXPECT_EQ(settings.ReadSetting(SettingId::kMailIconCycle), 5);
  EXPECT_EQ(settings.ReadSetting(SettingId::kAutoUpdate), 1);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 0);
  char text[kTextValueSize] = "garbage";
  settings.ReadTextValue("Airports", text);
  EXPECT_STREQ(text, "");
  settings.ReadTextValue("HTTP Proxy", text);
  EXPECT_STREQ(text, "");
}

TEST_F(SettingsTest, TextsAreCutTo99OnWriteAndTooLongStoredOnesReadAsMissing) {
  const std::string text120(120, 'x');
  settings.WriteTextValue("Airports", text120.c_str());
  char text[kTextValueSize];
  settings.ReadTextValue("Airports", text);
  EXPECT_EQ(std::string(text), std::string(99, 'x'));

  // A hand-edited value longer than the buffer, and one stored without its NUL.
  memory.PutRaw("HTTP Proxy", MemoryStore::kText, std::string(150, 'p') + '\0');
  settings.ReadTextValue("HTTP Proxy", text);
  EXPECT_STREQ(text, "");
  memory.PutRaw("Proxy Port", MemoryStore::kText, "8080");
  settings.ReadTextValue("Proxy Port", text);
  EXPECT_STREQ(text, "8080");
}

TEST_F(SettingsTest, StockSymbolsDefaultAndAre199CharactersAtMost) {
  char symbols[kSymbolListSize];
  settings.LoadStockSymbols(symbols);
  EXPECT_STREQ(symbols, "^DJI+^SPC+^IXIC+INTC+MSFT+VXLO");
  EXPECT_TRUE(memory.keyCreated);

  const std::string many(250, 'S');
  settings.SaveStockSymbols(many.c_str());
  settings.LoadStockSymbols(symbols);
  EXPECT_EQ(std::string(symbols), std::string(199, 'S'));
}

TEST_F(SettingsTest, AStoreThatFailsGivesDefaultsAndLosesWrites) {
  memory.failReads = true;
  memory.failWrites = true;
  settings.WriteSetting(SettingId::kTickerSpeed, 4);
  EXPECT_EQ(settings.ReadSetting(SettingId::kTickerSpeed), 0);
  EXPECT_EQ(settings.ReadSetting(SettingId::kFitToCaption), 1);
  char text[kTextValueSize] = "x";
  settings.ReadTextValue("Airports", text);
  EXPECT_STREQ(text, "");
  char symbols[kSymbolListSize];
  settings.LoadStockSymbols(symbols);
  EXPECT_STREQ(symbols, kDefaultStockSymbols);
  EXPECT_EQ(memory.size(), 0u);
}

TEST_F(SettingsTest, NoStoredColoursMeansSchemeZero) {
  uint32_t colors[kStripColorValues];
  LoadStripColors(settings, colors);
  const ColorScheme& s = kColorSchemes[0];
  const uint32_t expected[kStripColorValues] = {s.us,       s.worldAndTechnology, s.business,
                                                s.politics, s.sports, s.entertainment,
                                                s.worldAndTechnology, s.quoteUp, s.quoteDown,
                                                s.quoteNc,  s.symbol, s.background};
  for (int i = 0; i < kStripColorValues; ++i) EXPECT_EQ(colors[i], expected[i]) << i;
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kColorScheme), 0u);
}

TEST_F(SettingsTest, SchemesStoreTheirColoursInOrderAndReload) {
  uint32_t colors[kStripColorValues];
  ApplyColorScheme(settings, 3, colors);
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kTechnologyHeadlines), MakeColor(48, 48, 48));
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kWorldHeadlines), MakeColor(48, 48, 48));
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kColorScheme), 3u);
  EXPECT_EQ(colors[11], MakeColor(192, 192, 192)) << "background reloaded";

  ApplyColorScheme(settings, 1, colors);
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kQuoteNc), MakeColor(255, 255, 0));
  EXPECT_EQ(colors[11], MakeColor(0, 0, 128));

  // The writes of one scheme, in their order, then the reads of the reload.
  memory.log.clear();
  ApplyColorScheme(settings, 5, colors);
  const std::vector<std::string> expected = {
      "W Color Scheme", "W US Headlines Color", "W World Headlines Color",
      "W Business Headlines Color", "W Politics Headlines Color", "W Sports Headlines Color",
      "W Entertainment Headlines Color", "W Technology Headlines Color", "W SYMBOL Color",
      "W Quote UP Color", "W Quote DOWN Color", "W Ticker Background Color", "W Quote NC Color",
      "R SYMBOL Color", "R Quote UP Color", "R Quote DOWN Color", "R Quote NC Color",
      "R Ticker Background Color", "R US Headlines Color", "R World Headlines Color",
      "R Business Headlines Color", "R Politics Headlines Color", "R Sports Headlines Color",
      "R Entertainment Headlines Color", "R Technology Headlines Color"};
  EXPECT_EQ(memory.log, expected);
}

TEST_F(SettingsTest, AnUnknownSchemeStoresItsNumberOnly) {
  uint32_t colors[kStripColorValues];
  ApplyColorScheme(settings, 3, colors);
  ApplyColorScheme(settings, 10, colors);
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kColorScheme), 10u);
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kSymbol), MakeColor(96, 96, 96));
  ApplyColorScheme(settings, -1, colors);
  EXPECT_EQ(settings.ReadColorSetting(ColorId::kSymbol), MakeColor(96, 96, 96));
}

TEST(ColorSchemes, NamesAreSpelledAsShown) {
  const char* names[kColorSchemeCount] = {
      "Neon on Black (VGA)", "Neon on Blue  (VGA)", "Subtle Gray   (VGA)", "Slate  (Hi-Color)",
      "Wheat  (Hi-Color)",   "Lilac  (Hi-Color)",   "Maple  (Hi-Color)",   "Marine (Hi-Color)",
      "Rose   (Hi-Color)",   "Spruce (Hi-Color)"};
  for (int i = 0; i < kColorSchemeCount; ++i) EXPECT_STREQ(kColorSchemes[i].name, names[i]);
  EXPECT_EQ(kColorSchemes[8].symbol, MakeColor(35, 80, 235));
  EXPECT_EQ(kColorSchemes[2].quoteNc, MakeColor(255, 255, 0));
}

TEST(ColorSchemes, NamesAreShownInTwoColumnsWithoutTheirPadding) {
  const struct {
    const char* name;
    size_t labelCapacity;
    const char* label;
    const char* kind;
  } rows[] = {
      {"Neon on Black (VGA)", 32, "Neon on Black", "(VGA)"},
      {"Subtle Gray   (VGA)", 32, "Subtle Gray", "(VGA)"},
      {"Marine (Hi-Color)", 32, "Marine", "(Hi-Color)"},
      {"Plain", 32, "Plain", ""},
      {"   (VGA)", 32, "", "(VGA)"},
      {"a (b) (c)", 32, "a (b)", "(c)"},
      {"Neon on Black (VGA)", 5, "Neon", "(VGA)"},
      {"", 32, "", ""},
  };
  for (const auto& row : rows) {
    char label[32];
    char kind[16];
    SplitSchemeName(row.name, label, row.labelCapacity, kind, sizeof kind);
    EXPECT_STREQ(label, row.label) << row.name;
    EXPECT_STREQ(kind, row.kind) << row.name;
  }
}

TEST_F(SettingsTest, ServersDefaultToTheLocalContentServerAndCanBeMoved) {
  char url[200];
  ASSERT_TRUE(BuildEndpointUrl(settings, Endpoint::kPublisherData, "/tlx/update", url, sizeof url));
  EXPECT_EQ(std::string(url), std::string(kDefaultServer) + "/tlx/update");
  ASSERT_TRUE(BuildEndpointUrl(settings, Endpoint::kPortalSearch, "/bin/search?p=", url, sizeof url));
  EXPECT_EQ(std::string(url), std::string(kDefaultServer) + "/search/bin/search?p=");

  settings.WriteTextValue("Portal Server", "http://portal.example:8080/");
  ASSERT_TRUE(BuildEndpointUrl(settings, Endpoint::kPortal, "/tlx/", url, sizeof url));
  EXPECT_STREQ(url, "http://portal.example:8080/tlx/");
  ASSERT_TRUE(BuildEndpointUrl(settings, Endpoint::kPortalMail, "", url, sizeof url));
  EXPECT_STREQ(url, "http://portal.example:8080/mail");
  ASSERT_TRUE(BuildEndpointUrl(settings, Endpoint::kMaker, "/", url, sizeof url));
  EXPECT_EQ(std::string(url), std::string(kDefaultServer) + "/");

  char small[20] = "untouched";
  EXPECT_FALSE(BuildEndpointUrl(settings, Endpoint::kPortal, "/tlx/", small, sizeof small));
  EXPECT_STREQ(small, "");
}

}  // namespace

namespace {

struct FolderCase {
  const char* path;
  const char* folder;
  bool within;
};

// The program's folder against the user's local application data.
constexpr FolderCase kFolderCases[] = {
    {"C:\\Users\\ann\\AppData\\Local\\Programs\\Newsrail", "C:\\Users\\ann\\AppData\\Local", true},
    {"c:\\users\\ANN\\appdata\\local\\Programs\\Newsrail\\", "C:\\Users\\ann\\AppData\\Local\\", true},
    {"C:/Users/ann/AppData/Local/Programs/Newsrail", "C:\\Users\\ann\\AppData\\Local", true},
    {"\\\\?\\C:\\Users\\ann\\AppData\\Local\\Newsrail", "C:\\Users\\ann\\AppData\\Local", true},
    {"C:\\Users\\ann\\AppData\\Local", "C:\\Users\\ann\\AppData\\Local", true},
    {"C:\\Users\\ann\\AppData\\Local2\\Newsrail", "C:\\Users\\ann\\AppData\\Local", false},
    {"C:\\Users\\ann\\AppData", "C:\\Users\\ann\\AppData\\Local", false},
    {"C:\\Users\\bob\\AppData\\Local\\Programs\\Newsrail", "C:\\Users\\ann\\AppData\\Local", false},
    {"C:\\Program Files\\Newsrail", "C:\\Users\\ann\\AppData\\Local", false},
    {"C:\\Program Files\\Newsrail", "", false},
    {"C:\\Program Files\\Newsrail", "\\", false},
    {"", "C:\\Users\\ann\\AppData\\Local", false},
};

TEST(InstallScope, AFolderInsideTheUsersApplicationDataIsTheirsAlone) {
  for (const FolderCase& c : kFolderCases) {
    EXPECT_EQ(IsWithinFolder(c.path, c.folder), c.within) << c.path << " in " << c.folder;
  }
  EXPECT_FALSE(IsWithinFolder(nullptr, "C:\\Users"));
  EXPECT_FALSE(IsWithinFolder("C:\\Users", nullptr));
}

}  // namespace
