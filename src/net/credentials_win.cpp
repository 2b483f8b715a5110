// The credential dialogs: the proxy's or server's password, and the account's.
#include "net/credentials_win.h"

#include <cstring>

#include "base/dialog_position_win.h"
#include "res/resource.h"
#include "res/program_resources_win.h"
#include "settings/settings_table.h"

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

bool AskNetworkPassword(HWND owner, const char* realm, char* user, char* password) {
  NetworkRequest request{realm, user, password};
  return DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_NETWORK_PASSWORD), owner,
                         NetworkPasswordProc, reinterpret_cast<LPARAM>(&request)) == 1;
}

bool AskAccountPassword(HWND owner, char* password, size_t capacity) {
  if (capacity < 2) return false;
  password[0] = '\0';
  // What the Ticker tab shows and stores of a password: a longer one would be cut unseen.
  const size_t limit = kAccountFieldChars + 1;
  PasswordRequest request{password, capacity < limit ? capacity : limit};
  return DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_ACCOUNT_PASSWORD), owner,
                         AccountPasswordProc,
                         reinterpret_cast<LPARAM>(&request)) == 1;
}
