// The hotkey controls of the Ticker tab.
#include "prefs/reading_controls_win.h"

#include <commctrl.h>

#include <cstdio>

#include "prefs/pages_win.h"
#include "res/resource.h"
#include "prefs/preferences_parts.h"
#include "res/program_resources_win.h"
#include "settings/registry_store_win.h"
#include "strip/item_list.h"

namespace {

const struct {
  int control;
  SettingId setting;
} kHotkeyControls[] = {{IDC_PAUSE_HOTKEY, SettingId::kPauseHotkey},
                       {IDC_FOCUS_HOTKEY, SettingId::kFocusHotkey}};

}  // namespace

void LoadReadingControls(HWND page) {
  SettingsStore& settings = Settings();
  for (const auto& row : kHotkeyControls) {
    // A key without Ctrl or Alt would be taken from every program's typing: such a choice
    // becomes Ctrl+Alt+key.
    SendDlgItemMessageA(page, row.control, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                        MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    SendDlgItemMessageA(page, row.control, HKM_SETHOTKEY,
                        static_cast<WPARAM>(settings.ReadSetting(row.setting) & 0xFFFF), 0);
  }
}

void ApplyReadingControls(HWND page) {
  SettingsStore& settings = Settings();
  for (const auto& row : kHotkeyControls) {
    const LRESULT value = SendDlgItemMessageA(page, row.control, HKM_GETHOTKEY, 0, 0);
    settings.WriteSetting(row.setting, static_cast<int32_t>(value & 0xFFFF));
  }
  char taken[100] = "";
  PartsOf(page).host.ReadingKeysApplied(taken, sizeof taken);
  if (taken[0] == '\0') return;
  char format[kItemTextSize];
  char text[kItemTextSize + sizeof taken];
  char title[100];
  LoadProgramText(IDS_HOTKEY_TAKEN, format, sizeof format);
  std::snprintf(text, sizeof text, format, taken);
  LoadProgramText(IDS_HOTKEY_TAKEN_TITLE, title, sizeof title);
  MessageBoxA(page, text, title, MB_OK | MB_ICONWARNING);
}
