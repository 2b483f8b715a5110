// The one table of the preference pages' plain controls and the settings they edit.
#include "prefs/control_bindings.h"

#include <cstdlib>

#include "res/resource.h"

namespace {

constexpr SettingId kByName = SettingId::kTickerSpeed;  // ignored: the row names its value

constexpr ControlBinding Check(PageKind page, int control, SettingId setting) {
  return {page, control, ControlKind::kCheckBox, setting, nullptr, 0, 1, false, nullptr};
}
constexpr ControlBinding Check(PageKind page, int control, const char* name) {
  return {page, control, ControlKind::kCheckBox, kByName, name, 0, 1, false, nullptr};
}

constexpr PageKind kTicker = PageKind::kTicker;
constexpr PageKind kNews = PageKind::kNews;

int32_t Read(SettingsStore& settings, const ControlBinding& row) {
  return row.name != nullptr ? settings.ReadNumberValue(row.name) : settings.ReadSetting(row.setting);
}

void Write(SettingsStore& settings, const ControlBinding& row, int32_t value) {
  if (row.name != nullptr) {
    settings.WriteNumberValue(row.name, value);
  } else {
    settings.WriteSetting(row.setting, value);
  }
}

int32_t NumberOf(const ControlBinding& row, PageControls& controls) {
  switch (row.kind) {
    case ControlKind::kCheckBox: return controls.Checked(row.control) ? 1 : 0;
    case ControlKind::kTrackbar: return Clamp(controls.Position(row.control), row.low, row.high);
    case ControlKind::kNumberText: {
      char typed[16] = "";
      controls.Text(row.control, typed, sizeof typed);
      return ParseClamped(typed, row.low, row.high);
    }
    case ControlKind::kText: break;
  }
  std::abort();
}

}  // namespace

const ControlBinding kControlBindings[] = {
    // The Ticker tab, after the account.
    Check(kTicker, IDC_AUTO_UPDATE, SettingId::kAutoUpdate),
    Check(kTicker, IDC_BOLD_FONT, SettingId::kBoldFont),
    Check(kTicker, IDC_HANGUP, SettingId::kHangup),
    Check(kTicker, IDC_NO_AUTODIAL, value_name::kNoAutoDial),
    Check(kTicker, IDC_SCREEN_SAVER, SettingId::kShowInScreenSaver),
    Check(kTicker, IDC_SMOOTH, SettingId::kSmoothScrolling),
    {kTicker, IDC_SPEED, ControlKind::kTrackbar, SettingId::kTickerSpeed, nullptr, kSpeedMin,
     kSpeedMax, true, nullptr},
    Check(kTicker, IDC_PAUSE_ON_HOVER, value_name::kPauseOnHover),
    {kTicker, IDC_REFRESH_MINUTES, ControlKind::kNumberText, kByName, value_name::kNewsRefresh,
     kRefreshMinutesMin, kRefreshMinutesMax, false, nullptr},
    Check(kTicker, IDC_STEP_HEADLINES, SettingId::kStepHeadlines),
    // The News & Colors tab ("Celsius" is the radio partner of "Fahrenheit").
    Check(kNews, IDC_WEATHER, SettingId::kWeather),
    Check(kNews, IDC_FAHRENHEIT, SettingId::kTemperatureSystem),
    {kNews, IDC_STORIES, ControlKind::kNumberText, kByName, value_name::kStoriesPerTopic,
     kStoriesMin, kStoriesMax, true, nullptr},
    {kNews, IDC_AIRPORTS, ControlKind::kText, kByName, value_name::kAirports, 0, 0, false,
     NormaliseAirports},
    Check(kNews, IDC_TOP_STORIES, SettingId::kUsHeadlines),
    Check(kNews, IDC_WORLD, SettingId::kWorldHeadlines),
    Check(kNews, IDC_BUSINESS, SettingId::kBusinessHeadlines),
    Check(kNews, IDC_POLITICS, SettingId::kPoliticsHeadlines),
    Check(kNews, IDC_QUOTES, SettingId::kStockQuotes),
    Check(kNews, IDC_SPORTS, SettingId::kSportsHeadlines),
    Check(kNews, IDC_ENTERTAINMENT, SettingId::kEntertainmentHeadlines),
    Check(kNews, IDC_TECHNOLOGY, SettingId::kTechnologyHeadlines),
};
const size_t kControlBindingCount = sizeof(kControlBindings) / sizeof(kControlBindings[0]);

void LoadBoundControls(SettingsStore& settings, PageKind page, PageControls& controls) {
  for (const ControlBinding& row : kControlBindings) {
    if (row.page != page) continue;
    if (row.kind == ControlKind::kText) {
      char text[kTextValueSize];
      settings.ReadTextValue(row.name, text);
      controls.SetText(row.control, text);
      continue;
    }
    const int32_t stored = Read(settings, row);
    const int32_t shown = row.showClamped ? Clamp(stored, row.low, row.high) : stored;
    switch (row.kind) {
      case ControlKind::kCheckBox: controls.SetChecked(row.control, stored != 0); break;
      case ControlKind::kTrackbar: controls.SetPosition(row.control, shown); break;
      case ControlKind::kNumberText: controls.SetNumber(row.control, shown); break;
      case ControlKind::kText: break;
    }
  }
}

void StoreBoundControls(SettingsStore& settings, PageKind page, PageControls& controls) {
  for (const ControlBinding& row : kControlBindings) {
    if (row.page != page) continue;
    if (row.kind != ControlKind::kText) {
      Write(settings, row, NumberOf(row, controls));
      continue;
    }
    char typed[kTextValueSize] = "";
    controls.Text(row.control, typed, sizeof typed);
    if (row.normalise == nullptr) {
      settings.WriteTextValue(row.name, typed);
    } else {
      char normal[kTextValueSize];
      row.normalise(typed, normal);
      settings.WriteTextValue(row.name, normal);
    }
  }
}

int32_t BoundNumber(PageControls& controls, int control) {
  for (const ControlBinding& row : kControlBindings) {
    if (row.control == control) return NumberOf(row, controls);
  }
  std::abort();
}
