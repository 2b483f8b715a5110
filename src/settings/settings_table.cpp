// The one table of setting ids, value names, defaults, ranges, first-run values and in-memory
// copies.
#include "settings/settings_table.h"

#include <cstdlib>

#include "settings/ticker_prefs.h"

namespace {

constexpr SettingInfo Row(SettingId id, const char* name, uint32_t defaultValue = 0) {
  return SettingInfo{id, name, defaultValue};
}

}  // namespace

const SettingInfo kSettingTable[] = {
    Row(SettingId::kTickerSpeed, "Ticker Speed")
        .Range(1, 8)
        .OnFirstRun(3)
        .CopiedTo(&TickerPrefs::tickerSpeed),
    Row(SettingId::kMyVexlo, "My Vexlo!").CopiedTo(&TickerPrefs::myVexlo),
    // 1: Fahrenheit.
    Row(SettingId::kTemperatureSystem, "Temperature System")
        .OnFirstRun(1)
        .CopiedTo(&ContentSelection::fahrenheit),
    // Minutes between refreshes.
    Row(SettingId::kNewsRefresh, "News Refresh")
        .Range(5, 1440)
        .OnFirstRun(10)
        .CopiedTo(&TickerPrefs::newsRefresh),
    Row(SettingId::kWorldHeadlines, "World Headlines").CopiedTo(&ContentSelection::worldHeadlines),
    Row(SettingId::kSportsHeadlines, "Sports Headlines")
        .CopiedTo(&ContentSelection::sportsHeadlines),
    Row(SettingId::kEntertainmentHeadlines, "Entertainment Headlines")
        .CopiedTo(&ContentSelection::entertainmentHeadlines),
    Row(SettingId::kBusinessHeadlines, "Business Headlines")
        .OnFirstRun(1)
        .CopiedTo(&ContentSelection::businessHeadlines),
    Row(SettingId::kUsHeadlines, "US Headlines")
        .OnFirstRun(1)
        .CopiedTo(&ContentSelection::usHeadlines),
    Row(SettingId::kPoliticsHeadlines, "Politics Headlines")
        .CopiedTo(&ContentSelection::politicsHeadlines),
    Row(SettingId::kStockQuotes, "Stock Quotes")
        .OnFirstRun(1)
        .CopiedTo(&ContentSelection::stockQuotes),
    Row(SettingId::kTechnologyHeadlines, "Technology Headlines")
        .OnFirstRun(1)
        .CopiedTo(&ContentSelection::technologyHeadlines),
    Row(SettingId::kWeather, "Weather").OnFirstRun(1).CopiedTo(&ContentSelection::weather),
    Row(SettingId::kBoldFont, "Bold Font").OnFirstRun(1),
    // Seconds per phase of the logo button while a mail alert shows; the range is the arrows'.
    Row(SettingId::kMailIconCycle, "Mail Icon Cycle", 5)
        .Range(2, 60)
        .CopiedTo(&TickerPrefs::mailCycleLength),
    Row(SettingId::kShowInScreenSaver, "Show in Screen Saver")
        .OnFirstRun(1)
        .CopiedTo(&TickerPrefs::showInScreenSaver),
    Row(SettingId::kTickerSize, "Ticker Size"),
    // The spelling the News tab and the first run write; value names ignore case.
    Row(SettingId::kStoriesPerTopic, "Stories per Topic")
        .Range(3, 20)
        .OnFirstRun(10)
        .CopiedTo(&ContentSelection::storiesPerTopic),
    Row(SettingId::kAutoUpdate, "Auto Update", 1).OnFirstRun(1).CopiedTo(&TickerPrefs::autoUpdate),
    Row(SettingId::kRegisterForMyVexlo, "Register for MyVexlo"),
    Row(SettingId::kSmoothScrolling, "Smooth Scrolling")
        .OnFirstRun(0, FirstRun::kInMemoryOnly)
        .CopiedTo(&TickerPrefs::smoothScrolling),
    Row(SettingId::kHangup, "Hangup"),
    Row(SettingId::kNoAutoDial, "No AutoDial"),
    Row(SettingId::kAlwaysOnTop, "Always On Top"),
    Row(SettingId::kAlwaysOnBottom, "Always On Bottom"),
    Row(SettingId::kFitToCaption, "Fit To Caption", 1),
    Row(SettingId::kMailAlertIcon, "Mail Alert Icon", 1).CopiedTo(&TickerPrefs::mailAlertIcon),
    Row(SettingId::kMailAlertSound, "Mail Alert Sound").CopiedTo(&TickerPrefs::mailAlertSound),
    // Which of the two built-in sounds.
    Row(SettingId::kMailSoundIndex, "Mail Sound Index").Range(0, 1),
    Row(SettingId::kOtherMailSound, "Other Mail Sound"),
    Row(SettingId::kFollowCaption, "Follow Caption"),
    Row(SettingId::kPauseOnHover, "Pause on Hover"),
    // Hotkeys as the hotkey control gives them: Ctrl+Alt+P and Ctrl+Alt+N.
    Row(SettingId::kPauseHotkey, "Pause Hotkey", 0x0650),
    Row(SettingId::kFocusHotkey, "Focus Hotkey", 0x064E),
    Row(SettingId::kStepHeadlines, "Step Headlines"),
    Row(SettingId::kMyVexloOnly, "My Vexlo Only").CopiedTo(&TickerPrefs::myVexloOnly),
    Row(SettingId::kDockInTaskbar, "Dock in Taskbar"),
    Row(SettingId::kScreenSaverMode, "Screen Saver Mode"),
    Row(SettingId::kPaused, "Paused"),
};
const size_t kSettingTableSize = sizeof(kSettingTable) / sizeof(kSettingTable[0]);

const ColorInfo kColorTable[] = {
    {ColorId::kUsHeadlines, "US Headlines Color", MakeColor(255, 255, 0)},
    {ColorId::kWorldHeadlines, "World Headlines Color", MakeColor(0, 255, 255)},
    {ColorId::kBusinessHeadlines, "Business Headlines Color", MakeColor(0, 255, 0)},
    {ColorId::kPoliticsHeadlines, "Politics Headlines Color", MakeColor(192, 192, 192)},
    {ColorId::kSportsHeadlines, "Sports Headlines Color", MakeColor(255, 0, 0)},
    {ColorId::kEntertainmentHeadlines, "Entertainment Headlines Color", MakeColor(255, 0, 255)},
    {ColorId::kTechnologyHeadlines, "Technology Headlines Color", MakeColor(0, 255, 255)},
    {ColorId::kQuoteUp, "Quote UP Color", MakeColor(0, 255, 0)},
    {ColorId::kQuoteDown, "Quote DOWN Color", MakeColor(255, 0, 0)},
    {ColorId::kQuoteNc, "Quote NC Color", MakeColor(255, 255, 0)},
    {ColorId::kSymbol, "SYMBOL Color", MakeColor(255, 255, 255)},
    {ColorId::kBackground, "Ticker Background Color", MakeColor(0, 0, 0)},
    {ColorId::kColorScheme, "Color Scheme", 0},
};
const size_t kColorTableSize = sizeof(kColorTable) / sizeof(kColorTable[0]);

const SettingInfo* FindSetting(int32_t rawId) {
  for (const SettingInfo& info : kSettingTable) {
    if (static_cast<int32_t>(info.id) == rawId) return &info;
  }
  return nullptr;
}

const ColorInfo* FindColor(int32_t rawId) {
  for (const ColorInfo& info : kColorTable) {
    if (static_cast<int32_t>(info.id) == rawId) return &info;
  }
  return nullptr;
}

// An enumerator without a row (or an id cast into the enumeration) is a programming error: stop
// rather than read or write some other value. A unit test describes every enumerator.
const SettingInfo& Describe(SettingId id) {
  const SettingInfo* info = FindSetting(static_cast<int32_t>(id));
  if (info == nullptr) std::abort();
  return *info;
}

const ColorInfo& Describe(ColorId id) {
  const ColorInfo* info = FindColor(static_cast<int32_t>(id));
  if (info == nullptr) std::abort();
  return *info;
}
