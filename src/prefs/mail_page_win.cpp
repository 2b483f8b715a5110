// The Mail Alerts tab: how new portal mail is announced, by the mail icon on the logo button at a
// chosen interval and by a sound, the program's own or a wave file the user picks.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "desktop/open_url_win.h"
#include "feed/refresh_worker_win.h"
#include "prefs/mail_page_store.h"
#include "prefs/pages_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"
#include "settings/registry_store_win.h"

namespace {

bool g_loaded = false;
char g_soundPath[kTextValueSize] = "";

// The Windows directory, or null when it cannot be had whole.
const char* WindowsDirectory(char (&buffer)[MAX_PATH]) {
  const UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? buffer : nullptr;
}

void OnInitDialog(HWND page, LPARAM initParam) {
  KeepParts(page, initParam);
  g_loaded = false;
  HWND list = GetDlgItem(page, IDC_MAIL_SOUND_LIST);
  // One entry per index the setting's range allows.
  for (int n = 0; n <= Describe(SettingId::kMailSoundIndex).high; ++n) {
    char name[64] = "";
    LoadProgramText(IDS_MAIL_SOUND_FIRST + n, name, sizeof name);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendDlgItemMessageA(page, IDC_MAIL_CYCLE, EM_LIMITTEXT, kMailCycleChars, 0);
}

// Every time the page shows: edits not applied give way to the stored values. The controls
// changed here are not the user's changes, so the loaded flag is down meanwhile.
void Load(HWND page) {
  g_loaded = false;
  SettingsStore& settings = Settings();
  char windows[MAX_PATH];
  char path[kTextValueSize];
  LoadMailSoundPath(settings, WindowsDirectory(windows), path);
  CopyStoredNumbers(settings, PageKind::kMailAlerts, PartsOf(page).prefsLock, PartsOf(page).prefs);

  DialogControls controls(page);
  LoadBoundControls(settings, PageKind::kMailAlerts, controls);
  // The interval is shown as stored, before the arrows get their range.
  const SettingInfo& cycle = Describe(SettingId::kMailIconCycle);
  SendDlgItemMessageA(page, IDC_MAIL_CYCLE_SPIN, UDM_SETRANGE32, cycle.low, cycle.high);
  SetChecked(page, IDC_VEXLO_SOUNDS, !IsChecked(page, IDC_OTHER_SOUND));
  lstrcpynA(g_soundPath, path, sizeof g_soundPath);
  SetDlgItemTextA(page, IDC_OTHER_SOUND_NAME, g_soundPath);
  g_loaded = true;
}

int32_t SelectedSound(HWND page) {
  return static_cast<int32_t>(SendDlgItemMessageA(page, IDC_MAIL_SOUND_LIST, CB_GETCURSEL, 0, 0));
}

// The picker belongs to the ticker window, and the sheet waits for it: closing the sheet under an
// open picker would leave the choice nowhere to go.
void PickOtherSound(HWND page) {
  char windows[MAX_PATH];
  char folder[MAX_PATH + 16] = "";
  if (WindowsDirectory(windows) != nullptr) {
    lstrcpynA(folder, windows, MAX_PATH);
    lstrcatA(folder, "\\Media");
  }
  char title[64] = "";
  LoadProgramText(IDS_PICK_SOUND_TITLE, title, sizeof title);
  char name[32] = "";
  char pattern[16] = "";
  LoadProgramText(IDS_WAVE_FILTER_NAME, name, sizeof name);
  LoadProgramText(IDS_WAVE_FILTER_PATTERN, pattern, sizeof pattern);
  // Two NUL-terminated texts and an empty one end the filter list.
  char filter[sizeof name + sizeof pattern + 1] = {};
  const size_t nameLength = std::strlen(name);
  std::memcpy(filter, name, nameLength);
  std::memcpy(filter + nameLength + 1, pattern, std::strlen(pattern));

  char file[MAX_PATH] = "";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = PartsOf(page).tickerWindow;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = folder[0] != '\0' ? folder : nullptr;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_EXPLORER;
  HWND sheet = GetParent(page);
  EnableWindow(sheet, FALSE);
  const BOOL chosen = GetOpenFileNameA(&ofn);
  EnableWindow(sheet, TRUE);
  SetForegroundWindow(sheet);
  if (!chosen || !MailSoundPathFits(file)) return;

  lstrcpynA(g_soundPath, file, sizeof g_soundPath);
  SettingsStore& settings = Settings();
  settings.WriteTextValue(value_name::kOtherMailSoundName, g_soundPath);
  if (IsWindow(page)) SetDlgItemTextA(page, IDC_OTHER_SOUND_NAME, g_soundPath);
  settings.WriteSetting(SettingId::kOtherMailSound, 1);
}

// What an alert with the page's present choice would play, whether or not it is applied.
void PlayChosenSound(HWND page) {
  PlayMailSound(
      ChooseMailSound(IsChecked(page, IDC_OTHER_SOUND), SelectedSound(page), g_soundPath));
}

void OnCommand(HWND page, int id, int code) {
  if (!g_loaded) return;
  if (code != BN_CLICKED && code != EN_CHANGE && code != CBN_SELCHANGE) return;
  if (id == IDC_PLAY_SOUND) {
    if (code == BN_CLICKED) PlayChosenSound(page);
    return;
  }
  MarkChanged(page);
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_SIGN_UP: OpenEndpoint(PartsOf(page).links, Endpoint::kPortalMail, ""); break;
    case IDC_OTHER_SOUND: PickOtherSound(page); break;
    default: break;
  }
}

void Apply(HWND page) {
  DialogControls controls(page);
  StoreBoundControls(Settings(), PageKind::kMailAlerts, controls);
  CopyBoundNumbers(controls, PageKind::kMailAlerts, PartsOf(page).prefsLock, PartsOf(page).prefs);
  g_loaded = false;
}

const PageSteps kSteps = {
    Load,
    [](HWND page) {
      Apply(page);
      return true;
    },
    [](HWND) { g_loaded = false; },
};

}  // namespace

INT_PTR CALLBACK MailPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: OnInitDialog(page, lParam); return TRUE;
    case WM_NOTIFY: return AnswerPageNotify(page, reinterpret_cast<const NMHDR*>(lParam), kSteps);
    case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
  }
}
