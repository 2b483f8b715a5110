// The one table of the preference pages' plain controls and the settings they edit.
#include "prefs/control_bindings.h"

#include <cstdlib>
#include <vector>

#include "prefs/mail_page_store.h"
#include "res/resource.h"

namespace {

constexpr SettingId kByName = SettingId::kTickerSpeed;  // ignored: the row names its text

constexpr ControlBinding Bind(PageKind page, int control, ControlKind kind, SettingId setting,
                              bool showClamped = false) {
  return {page, control, kind, setting, nullptr, showClamped, nullptr};
}
constexpr ControlBinding Check(PageKind page, int control, SettingId setting) {
  return Bind(page, control, ControlKind::kCheckBox, setting);
}

constexpr PageKind kTicker = PageKind::kTicker;
constexpr PageKind kNews = PageKind::kNews;
constexpr PageKind kMail = PageKind::kMailAlerts;

int32_t NumberOf(const ControlBinding& row, PageControls& controls) {
  const SettingInfo& setting = Describe(row.setting);
  switch (row.kind) {
    case ControlKind::kCheckBox: return controls.Checked(row.control) ? 1 : 0;
    case ControlKind::kTrackbar:
      return Clamp(controls.Position(row.control), setting.low, setting.high);
    case ControlKind::kNumberText:
    case ControlKind::kTypedNumber: {
      char typed[16] = "";
      controls.Text(row.control, typed, sizeof typed);
      return row.kind == ControlKind::kTypedNumber
                 ? ParseMailCycle(typed)
                 : ParseClamped(typed, setting.low, setting.high);
    }
    case ControlKind::kList: return controls.Selection(row.control);
    case ControlKind::kText: break;
  }
  std::abort();
}

// The member a row's value is copied to in memory, or null.
int32_t* CopyOf(const ControlBinding& row, TickerPrefs& prefs) {
  if (row.kind == ControlKind::kText) return nullptr;
  const SettingInfo& setting = Describe(row.setting);
  if (setting.copy != nullptr) return &(prefs.*setting.copy);
  if (setting.selection != nullptr) return &(prefs.content.*setting.selection);
  return nullptr;
}

}  // namespace

const ControlBinding kControlBindings[] = {
    // The Ticker tab, after the account.
    Check(kTicker, IDC_AUTO_UPDATE, SettingId::kAutoUpdate),
    Check(kTicker, IDC_BOLD_FONT, SettingId::kBoldFont),
    Check(kTicker, IDC_HANGUP, SettingId::kHangup),
    Check(kTicker, IDC_NO_AUTODIAL, SettingId::kNoAutoDial),
    Check(kTicker, IDC_SCREEN_SAVER, SettingId::kShowInScreenSaver),
    Check(kTicker, IDC_SMOOTH, SettingId::kSmoothScrolling),
    Bind(kTicker, IDC_SPEED, ControlKind::kTrackbar, SettingId::kTickerSpeed, true),
    Check(kTicker, IDC_PAUSE_ON_HOVER, SettingId::kPauseOnHover),
    Bind(kTicker, IDC_REFRESH_MINUTES, ControlKind::kNumberText, SettingId::kNewsRefresh),
    Check(kTicker, IDC_STEP_HEADLINES, SettingId::kStepHeadlines),
    // The News & Colors tab ("Celsius" is the radio partner of "Fahrenheit").
    Check(kNews, IDC_WEATHER, SettingId::kWeather),
    Check(kNews, IDC_FAHRENHEIT, SettingId::kTemperatureSystem),
    Bind(kNews, IDC_STORIES, ControlKind::kNumberText, SettingId::kStoriesPerTopic, true),
    {kNews, IDC_AIRPORTS, ControlKind::kText, kByName, value_name::kAirports, false,
     NormaliseAirports},
    Check(kNews, IDC_TOP_STORIES, SettingId::kUsHeadlines),
    Check(kNews, IDC_WORLD, SettingId::kWorldHeadlines),
    Check(kNews, IDC_BUSINESS, SettingId::kBusinessHeadlines),
    Check(kNews, IDC_POLITICS, SettingId::kPoliticsHeadlines),
    Check(kNews, IDC_QUOTES, SettingId::kStockQuotes),
    Check(kNews, IDC_SPORTS, SettingId::kSportsHeadlines),
    Check(kNews, IDC_ENTERTAINMENT, SettingId::kEntertainmentHeadlines),
    Check(kNews, IDC_TECHNOLOGY, SettingId::kTechnologyHeadlines),
    // The Mail Alerts tab ("Vexlo! sounds" is the radio partner of "Other sound"; the sound file
    // is stored when picked).
    Check(kMail, IDC_MAIL_ICON, SettingId::kMailAlertIcon),
    Bind(kMail, IDC_MAIL_CYCLE, ControlKind::kTypedNumber, SettingId::kMailIconCycle),
    Check(kMail, IDC_MAIL_SOUND, SettingId::kMailAlertSound),
    Check(kMail, IDC_OTHER_SOUND, SettingId::kOtherMailSound),
    Bind(kMail, IDC_MAIL_SOUND_LIST, ControlKind::kList, SettingId::kMailSoundIndex),
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
    const SettingInfo& setting = Describe(row.setting);
    const int32_t stored = settings.ReadSetting(row.setting);
    const int32_t shown = row.showClamped ? Clamp(stored, setting.low, setting.high) : stored;
    const bool listed = stored >= setting.low && stored <= setting.high;
    switch (row.kind) {
      case ControlKind::kCheckBox: controls.SetChecked(row.control, stored != 0); break;
      case ControlKind::kTrackbar: controls.SetPosition(row.control, shown); break;
      case ControlKind::kNumberText:
      case ControlKind::kTypedNumber: controls.SetNumber(row.control, shown); break;
      case ControlKind::kList: controls.SetSelection(row.control, listed ? stored : -1); break;
      case ControlKind::kText: break;
    }
  }
}

void StoreBoundControls(SettingsStore& settings, PageKind page, PageControls& controls) {
  for (const ControlBinding& row : kControlBindings) {
    if (row.page != page) continue;
    if (row.kind != ControlKind::kText) {
      settings.WriteSetting(row.setting, NumberOf(row, controls));
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

void CopyStoredNumbers(SettingsStore& settings, PageKind page, std::mutex& lock,
                       TickerPrefs& prefs) {
  std::vector<int32_t> stored(kControlBindingCount);
  for (size_t i = 0; i < kControlBindingCount; ++i) {
    const ControlBinding& row = kControlBindings[i];
    if (row.page == page && row.kind != ControlKind::kText) {
      stored[i] = settings.ReadSetting(row.setting);
    }
  }
  std::lock_guard<std::mutex> guard(lock);
  for (size_t i = 0; i < kControlBindingCount; ++i) {
    const ControlBinding& row = kControlBindings[i];
    if (row.page != page) continue;
    if (int32_t* copy = CopyOf(row, prefs)) *copy = stored[i];
  }
}

void CopyBoundNumbers(PageControls& controls, PageKind page, std::mutex& lock,
                      TickerPrefs& prefs) {
  std::vector<int32_t> shown(kControlBindingCount);
  for (size_t i = 0; i < kControlBindingCount; ++i) {
    const ControlBinding& row = kControlBindings[i];
    if (row.page == page && row.kind != ControlKind::kText) shown[i] = NumberOf(row, controls);
  }
  std::lock_guard<std::mutex> guard(lock);
  for (size_t i = 0; i < kControlBindingCount; ++i) {
    const ControlBinding& row = kControlBindings[i];
    if (row.page != page) continue;
    if (int32_t* copy = CopyOf(row, prefs)) *copy = shown[i];
  }
}
