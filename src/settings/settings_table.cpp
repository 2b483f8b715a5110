// The one table of setting ids, value names and defaults.
#include "settings/settings_table.h"

#include <cstdlib>

const SettingInfo kSettingTable[] = {
    {SettingId::kTickerSpeed, "Ticker Speed", 0},
    {SettingId::kMyVexlo, "My Vexlo!", 0},
    {SettingId::kTemperatureSystem, "Temperature System", 0},
    {SettingId::kWorldHeadlines, "World Headlines", 0},
    {SettingId::kSportsHeadlines, "Sports Headlines", 0},
    {SettingId::kEntertainmentHeadlines, "Entertainment Headlines", 0},
    {SettingId::kBusinessHeadlines, "Business Headlines", 0},
    {SettingId::kUsHeadlines, "US Headlines", 0},
    {SettingId::kPoliticsHeadlines, "Politics Headlines", 0},
    {SettingId::kStockQuotes, "Stock Quotes", 0},
    {SettingId::kTechnologyHeadlines, "Technology Headlines", 0},
    {SettingId::kWeather, "Weather", 0},
    {SettingId::kBoldFont, "Bold Font", 0},
    {SettingId::kMailIconCycle, "Mail Icon Cycle", 5},
    {SettingId::kShowInScreenSaver, "Show in Screen Saver", 0},
    {SettingId::kTickerSize, "Ticker Size", 0},
    {SettingId::kAutoUpdate, "Auto Update", 1},
    {SettingId::kRegisterForMyVexlo, "Register for MyVexlo", 0},
    {SettingId::kSmoothScrolling, "Smooth Scrolling", 0},
    {SettingId::kHangup, "Hangup", 0},
    {SettingId::kAlwaysOnTop, "Always On Top", 0},
    {SettingId::kAlwaysOnBottom, "Always On Bottom", 0},
    {SettingId::kFitToCaption, "Fit To Caption", 1},
    {SettingId::kMailAlertIcon, "Mail Alert Icon", 1},
    {SettingId::kMailAlertSound, "Mail Alert Sound", 0},
    {SettingId::kMailSoundIndex, "Mail Sound Index", 0},
    {SettingId::kOtherMailSound, "Other Mail Sound", 0},
    {SettingId::kFollowCaption, "Follow Caption", 0},
    // Hotkeys as the hotkey control gives them: Ctrl+Alt+P and Ctrl+Alt+N.
    {SettingId::kPauseHotkey, "Pause Hotkey", 0x0650},
    {SettingId::kFocusHotkey, "Focus Hotkey", 0x064E},
    {SettingId::kStepHeadlines, "Step Headlines", 0},
    {SettingId::kMyVexloOnly, "My Vexlo Only", 0},
    {SettingId::kDockInTaskbar, "Dock in Taskbar", 0},
    {SettingId::kScreenSaverMode, "Screen Saver Mode", 0},
    {SettingId::kPaused, "Paused", 0},
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
