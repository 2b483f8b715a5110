// The credential dialogs.
#include "prefs/credentials_win.h"

#include <cstring>

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

INT_PTR CALLBACK NetworkPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      auto* request = reinterpret_cast<NetworkRequest*>(lParam);
      if (request->realm != nullptr) SetDlgItemTextA(dialog, IDC_REALM, request->realm);
      SetDlgItemTextA(dialog, IDC_PROXY_USER, request->user);
      SendDlgItemMessageA(dialog, IDC_PROXY_USER, EM_LIMITTEXT, kCredentialSize - 1, 0);
      SendDlgItemMessageA(dialog, IDC_PROXY_PASSWORD, EM_LIMITTEXT, kCredentialSize - 1, 0);
      CenterWindowOver(dialog, GetDesktopWindow());
      SetFocus(GetDlgItem(dialog, IDC_PROXY_USER));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* request = reinterpret_cast<NetworkRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        GetDlgItemTextA(dialog, IDC_PROXY_USER, request->user, kCredentialSize);
        GetDlgItemTextA(dialog, IDC_PROXY_PASSWORD, request->password, kCredentialSize);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {  // the close box or Escape: nothing entered
        EndDialog(dialog, 0);
        return TRUE;
      }
      break;
    default: break;
  }
  return FALSE;
}

INT_PTR CALLBACK AccountPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SendDlgItemMessageA(dialog, IDC_ACCOUNT_PASSWORD, EM_LIMITTEXT, kCredentialSize - 1, 0);
      CenterWindowOver(dialog, GetDesktopWindow());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        auto* request = reinterpret_cast<PasswordRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK) {
          GetDlgItemTextA(dialog, IDC_ACCOUNT_PASSWORD, request->password,
                          static_cast<int>(request->capacity));
        }
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
        return TRUE;
      }
      break;
    default: break;
  }
  return FALSE;
}

}  // namespace

void CenterWindowOver(HWND window, HWND reference) {
  RECT w;
  RECT r;
  GetWindowRect(window, &w);
  GetWindowRect(reference, &r);
  HDC dc = GetDC(window);
  const int screenWidth = GetDeviceCaps(dc, HORZRES);
  const int screenHeight = GetDeviceCaps(dc, VERTRES);
  ReleaseDC(window, dc);
  const int width = w.right - w.left;
  const int height = w.bottom - w.top;
  int x = r.left + ((r.right - r.left) - width) / 2;
  int y = r.top + ((r.bottom - r.top) - height) / 2;
  if (x < 0) {
    x = 0;
  } else if (x + width > screenWidth) {
    x = screenWidth - width;
  }
  if (y < 0) {
    y = 0;
  } else if (y + height > screenHeight) {
    y = screenHeight - height;
  }
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool AskNetworkPassword(HWND owner, const char* realm, char* user, char* password) {
  NetworkRequest request{realm, user, password};
  return DialogBoxParamA(Ticker().instance, MAKEINTRESOURCEA(IDD_NETWORK_PASSWORD), owner,
                         NetworkPasswordProc, reinterpret_cast<LPARAM>(&request)) == 1;
}

bool AskAccountPassword(HWND owner, char* password, size_t capacity) {
  if (capacity == 0) return false;
  password[0] = '\0';
  PasswordRequest request{password, capacity < kCredentialSize ? capacity : kCredentialSize};
  return DialogBoxParamA(Ticker().instance, MAKEINTRESOURCEA(IDD_ACCOUNT_PASSWORD), owner,
                         AccountPasswordProc, reinterpret_cast<LPARAM>(&request)) == 1;
}
