// The credential dialogs and their placement.
#include "prefs/credentials_win.h"

#include <cstring>

#include "prefs/dialog_position.h"
#include "prefs/page_store.h"
#include "res/resource.h"
#include "window/ticker_state_win.h"

namespace {

struct NetworkRequest {
  const char* realm;
  char* user;
  char* password;
};

struct PasswordRequest {
  char* password;
  size_t capacity;
};

Rect ToRect(const RECT& r) {
  Rect out;
  out.left = r.left;
  out.top = r.top;
  out.right = r.right;
  out.bottom = r.bottom;
  return out;
}

// The monitor's whole area or its work area; the primary screen's where monitors cannot be asked.
RECT MonitorArea(HMONITOR handle, bool workArea) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(handle, &monitor)) return workArea ? monitor.rcWork : monitor.rcMonitor;
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (workArea) SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  return screen;
}

void OnNetworkOk(HWND dialog) {
  auto* request = reinterpret_cast<NetworkRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
  GetDlgItemTextA(dialog, IDC_PROXY_USER, request->user, kCredentialSize);
  GetDlgItemTextA(dialog, IDC_PROXY_PASSWORD, request->password, kCredentialSize);
  EndDialog(dialog, 1);
}

INT_PTR CALLBACK NetworkPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const auto* request = reinterpret_cast<const NetworkRequest*>(lParam);
      if (request->realm != nullptr) SetDlgItemTextA(dialog, IDC_REALM, request->realm);
      // Asked again after a refusal, the user usually only mistyped the password.
      SetDlgItemTextA(dialog, IDC_PROXY_USER, request->user);
      SendDlgItemMessageA(dialog, IDC_PROXY_USER, EM_LIMITTEXT, kCredentialSize - 1, 0);
      SendDlgItemMessageA(dialog, IDC_PROXY_PASSWORD, EM_LIMITTEXT, kCredentialSize - 1, 0);
      CenterWindowOver(dialog, GetDesktopWindow());
      SetFocus(GetDlgItem(dialog, IDC_PROXY_USER));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: OnNetworkOk(dialog); return TRUE;
        // There is no Cancel button; Escape ends the dialog with nothing entered.
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
      }
    default: return FALSE;
  }
}

INT_PTR CALLBACK AccountPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const auto* request = reinterpret_cast<const PasswordRequest*>(lParam);
      SendDlgItemMessageA(dialog, IDC_ACCOUNT_PASSWORD, EM_LIMITTEXT, request->capacity - 1, 0);
      CenterWindowOver(dialog, GetDesktopWindow());
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id != IDOK && id != IDCANCEL) return FALSE;
      if (id == IDOK) {
        auto* request = reinterpret_cast<PasswordRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        GetDlgItemTextA(dialog, IDC_ACCOUNT_PASSWORD, request->password,
                        static_cast<int>(request->capacity));
      }
      EndDialog(dialog, id == IDOK ? 1 : 0);
      return TRUE;
    }
    default: return FALSE;
  }
}

}  // namespace

void CenterWindowOver(HWND window, HWND reference) {
  RECT w;
  RECT r;
  if (!GetWindowRect(window, &w) || !GetWindowRect(reference, &r)) return;
  // The monitor under the reference's centre.
  const POINT centre = {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
  const RECT screen = MonitorArea(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), false);
  const Point at = CenteredPosition(ToRect(w), ToRect(r), ToRect(screen));
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceBesideStrip(HWND window, HWND ticker) {
  RECT w;
  RECT strip;
  HWND top = GetAncestor(ticker, GA_ROOT);
  if (!GetWindowRect(window, &w) || !GetWindowRect(top != nullptr ? top : ticker, &strip)) return;
  const RECT work = MonitorArea(MonitorFromRect(&strip, MONITOR_DEFAULTTONEAREST), true);
  const Point at = BesideStripPosition(ToRect(w), ToRect(strip), ToRect(work));
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool AskNetworkPassword(HWND owner, const char* realm, char* user, char* password) {
  NetworkRequest request{realm, user, password};
  return DialogBoxParamA(Ticker().instance, MAKEINTRESOURCEA(IDD_NETWORK_PASSWORD), owner,
                         NetworkPasswordProc, reinterpret_cast<LPARAM>(&request)) == 1;
}

bool AskAccountPassword(HWND owner, char* password, size_t capacity) {
  if (capacity < 2) return false;
  password[0] = '\0';
  // What the Ticker tab shows and stores of a password: a longer one would be cut unseen.
  const size_t limit = kAccountFieldChars + 1;
  PasswordRequest request{password, capacity < limit ? capacity : limit};
  return DialogBoxParamA(Ticker().instance, MAKEINTRESOURCEA(IDD_ACCOUNT_PASSWORD), owner,
                         AccountPasswordProc,
                         reinterpret_cast<LPARAM>(&request)) == 1;
}
