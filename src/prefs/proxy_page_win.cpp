// The Proxy tab: the proxy host and port that the program's own requests name, loaded through
// proxy discovery, and a way to forget them in favour of the browser's settings.
#include <cstring>

#include "net/proxy_discovery_win.h"
#include "prefs/pages_win.h"
#include "prefs/preferences_win.h"
#include "prefs/proxy_entry.h"
#include "res/resource.h"
#include "settings/registry_store_win.h"

namespace {

bool g_loaded = false;

// What discovery finds goes into the two fields; without a proxy they stay as they are.
void Load(HWND page) {
  char text[kProxyTextSize] = "";
  char host[kProxyFieldChars + 1];
  char port[kProxyFieldChars + 1];
  char storedHost[kTextValueSize];
  char storedPort[kTextValueSize];
  CopyProxySetting(PartsOf(page).prefsLock, PartsOf(page).prefs, storedHost, storedPort);
  if (DiscoverProxy(storedHost, storedPort, text) &&
      SplitProxyText(text, host, sizeof host, port, sizeof port)) {
    SetDlgItemTextA(page, IDC_PROXY_HOST, host);
    SetDlgItemTextA(page, IDC_PROXY_PORT, port);
  }
  g_loaded = true;
}

bool Apply(HWND page) {
  PreferencesParts& t = PartsOf(page);
  if (IsChecked(page, IDC_PROXY_RELOAD)) {
    // Only the running program forgets; the stored values stay for the next start. The refresh
    // after the sheet closes then already goes through the browser's proxy.
    SetProxySetting(t.prefsLock, t.prefs, "", "");
    SetChecked(page, IDC_PROXY_RELOAD, false);
    t.sheet.settingsChanged = 1;
  } else {
    char host[kProxyFieldChars + 1] = "";
    char port[kProxyFieldChars + 1] = "";
    GetDlgItemTextA(page, IDC_PROXY_HOST, host, sizeof host);
    GetDlgItemTextA(page, IDC_PROXY_PORT, port, sizeof port);
    if (CheckProxyEntry(host, port) != ProxyEntryCheck::kAccepted) {
      ShowPageMessage(page, IDS_PROXY_PORT_TITLE, IDS_PROXY_PORT_TEXT, MB_OK | MB_ICONSTOP);
      SetFocus(GetDlgItem(page, IDC_PROXY_PORT));
      NoteApplyRefused();
      return false;
    }
    SetProxySetting(t.prefsLock, t.prefs, host, port);
    Settings().WriteTextValue(value_name::kHttpProxy, host);
    Settings().WriteTextValue(value_name::kProxyPort, port);
  }
  g_loaded = false;
  return true;
}

void OnCommand(HWND page, int id, int code) {
  if (code != EN_CHANGE || !g_loaded) return;
  if (id != IDC_PROXY_HOST && id != IDC_PROXY_PORT) return;
  PartsOf(page).sheet.settingsChanged = 1;
  MarkChanged(page);
}

const PageSteps kSteps = {
    [](HWND page) {
      if (!g_loaded) Load(page);
    },
    Apply,
    [](HWND) { g_loaded = false; },
};

}  // namespace

INT_PTR CALLBACK ProxyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      KeepParts(page, lParam);
      g_loaded = false;
      // The registry keeps 99 characters of a text: a longer host would be stored cut unseen.
      SendDlgItemMessageA(page, IDC_PROXY_HOST, EM_LIMITTEXT, kTextValueSize - 1, 0);
      SendDlgItemMessageA(page, IDC_PROXY_PORT, EM_LIMITTEXT, 5, 0);
      return TRUE;
    case WM_NOTIFY: return AnswerPageNotify(page, reinterpret_cast<const NMHDR*>(lParam), kSteps);
    case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
  }
}
