// Every number the ticker keeps under its registry key, by setting id: the value name, its default,
// the range the pages keep it in, what a first run makes of it and which in-memory copy holds it.
// The ids are those of the preference controls and menu commands that edit the values.
#pragma once

#include <cstddef>
#include <cstdint>

enum class SettingId : int32_t {
  kTickerSpeed = 1009,
  kMyVexlo = 1010,
  kTemperatureSystem = 1011,
  kNewsRefresh = 1013,
  kWorldHeadlines = 1024,
  kSportsHeadlines = 1025,
  kEntertainmentHeadlines = 1026,
  kBusinessHeadlines = 1027,
  kUsHeadlines = 1028,
  kPoliticsHeadlines = 1029,
  kStockQuotes = 1032,
  kTechnologyHeadlines = 1033,
  kWeather = 1034,
  kBoldFont = 1046,
  kMailIconCycle = 1049,
  kShowInScreenSaver = 1054,
  kTickerSize = 1055,
  kStoriesPerTopic = 1058,
  kAutoUpdate = 1069,
  kRegisterForMyVexlo = 1080,
  kSmoothScrolling = 1093,
  kHangup = 1098,
  kNoAutoDial = 1100,
  kAlwaysOnTop = 1108,
  kAlwaysOnBottom = 1109,
  kFitToCaption = 1110,
  kMailAlertIcon = 1113,
  kMailAlertSound = 1114,
  kMailSoundIndex = 1116,
  kOtherMailSound = 1123,
  kFollowCaption = 1125,
  kPauseOnHover = 1130,
  kPauseHotkey = 1131,
  kFocusHotkey = 1132,
  kStepHeadlines = 1133,
  kMyVexloOnly = 9999,
  kDockInTaskbar = 40008,
  kScreenSaverMode = 40012,
  kPaused = 40020,
};

// The twelve strip colours and the scheme number, addressed by the ids of the colour buttons.
enum class ColorId : int32_t {
  kUsHeadlines = 1035,
  kWorldHeadlines = 1036,
  kBusinessHeadlines = 1037,
  kPoliticsHeadlines = 1038,
  kSportsHeadlines = 1039,
  kEntertainmentHeadlines = 1040,
  kTechnologyHeadlines = 1041,
  kQuoteUp = 1042,
  kQuoteDown = 1043,
  kSymbol = 1044,
  kBackground = 1045,
  kQuoteNc = 1060,
  kColorScheme = 1094,
};

struct TickerPrefs;
struct ContentSelection;

// What a first run does with a value.
enum class FirstRun : uint8_t {
  kUntouched,
  kStored,        // stored, and taken by the in-memory copy
  kInMemoryOnly,  // taken by the in-memory copy, the stored value left alone
};

struct SettingInfo {
  SettingId id;
  const char* name;
  uint32_t defaultValue;  // what a missing value reads as
  // The range a page keeps the value in (both 0 when it has none).
  int32_t low = 0;
  int32_t high = 0;
  FirstRun firstRun = FirstRun::kUntouched;
  int32_t firstRunValue = 0;
  // The in-memory copy read at start-up, in the ticker's record or in its content selection.
  int32_t TickerPrefs::*copy = nullptr;
  int32_t ContentSelection::*selection = nullptr;

  constexpr SettingInfo Range(int32_t from, int32_t to) const {
    SettingInfo row = *this;
    row.low = from;
    row.high = to;
    return row;
  }
  constexpr SettingInfo OnFirstRun(int32_t value, FirstRun how = FirstRun::kStored) const {
    SettingInfo row = *this;
    row.firstRun = how;
    row.firstRunValue = value;
    return row;
  }
  constexpr SettingInfo CopiedTo(int32_t TickerPrefs::*member) const {
    SettingInfo row = *this;
    row.copy = member;
    return row;
  }
  constexpr SettingInfo CopiedTo(int32_t ContentSelection::*member) const {
    SettingInfo row = *this;
    row.selection = member;
    return row;
  }
};

struct ColorInfo {
  ColorId id;
  const char* name;
  uint32_t defaultValue;  // a COLORREF: red in the low byte, then green, then blue
};

// The tables themselves, for code that walks every value (tests, the settings dump).
extern const SettingInfo kSettingTable[];
extern const size_t kSettingTableSize;
extern const ColorInfo kColorTable[];
extern const size_t kColorTableSize;

// Every enumerator has a row; a raw id from a control is checked with the Find functions, which
// return null for an id that names no value.
const SettingInfo& Describe(SettingId id);
const ColorInfo& Describe(ColorId id);
const SettingInfo* FindSetting(int32_t rawId);
const ColorInfo* FindColor(int32_t rawId);

constexpr uint32_t MakeColor(uint32_t red, uint32_t green, uint32_t blue) {
  return red | (green << 8) | (blue << 16);
}

// Numbers and texts addressed by value name alone.
namespace value_name {
constexpr const char* kIeWarning = "IE Warning";
constexpr const char* kUserId = "Vexlo! User ID";
constexpr const char* kEncodedPassword = "Vexlo! EPassword";
constexpr const char* kPlainPassword = "Vexlo! Password";
constexpr const char* kAirports = "Airports";
constexpr const char* kLastStockUpdate = "Last Stock Update";
constexpr const char* kHttpProxy = "HTTP Proxy";
constexpr const char* kProxyPort = "Proxy Port";
constexpr const char* kProxyId = "Proxy ID";
constexpr const char* kProxyPass = "Proxy Pass";
constexpr const char* kLoginServer = "Login Server";
constexpr const char* kDataServer = "Data Server";
constexpr const char* kOtherMailSoundName = "Other Mail Sound Name";
constexpr const char* kStockSymbols = "Stock Symbols";
constexpr const char* kTickerX = "Ticker X";
constexpr const char* kTickerY = "Ticker Y";
constexpr const char* kTickerWidth = "Ticker Width";
constexpr const char* kTickerHeight = "Ticker Height";
}  // namespace value_name

constexpr const char* kSettingsKeyPath = "SOFTWARE\\Talmora\\Ticker";
constexpr const char* kDefaultStockSymbols = "^DJI+^SPC+^IXIC+INTC+MSFT+VXLO";
constexpr size_t kTextValueSize = 100;    // texts: at most 99 characters
// The account's user id and password, as the Ticker tab and the password prompt take them.
constexpr int kAccountFieldChars = 49;
constexpr size_t kSymbolListSize = 260;   // the shared symbol list buffer
constexpr size_t kSymbolListMaxChars = 199;
