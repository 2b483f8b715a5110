// The preferences sheet and the account password prompt.
#include "prefs/preferences_win.h"

#include <cstring>

#include "res/resource.h"
#include "window/ticker_state.h"

namespace {

struct PasswordRequest {
  char* password;
  size_t capacity;
};

INT_PTR CALLBACK AccountPasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SendDlgItemMessageA(dialog, IDC_ACCOUNT_PASSWORD, EM_LIMITTEXT, 199, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        auto* request = reinterpret_cast<PasswordRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK) {
          GetDlgItemTextA(dialog, IDC_ACCOUNT_PASSWORD, request->password,
                          static_cast<int>(request->capacity));
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
    default: break;
  }
  return FALSE;
}

}  // namespace

void OpenPreferencesSheet(HWND) {}

bool AskAccountPassword(HWND owner, char* password, size_t capacity) {
  if (capacity == 0) return false;
  password[0] = '\0';
  PasswordRequest request{password, capacity < 200 ? capacity : 200};
  const INT_PTR result =
      DialogBoxParamA(Ticker().instance, MAKEINTRESOURCEA(IDD_ACCOUNT_PASSWORD), owner,
                      AccountPasswordProc, reinterpret_cast<LPARAM>(&request));
  return result == IDOK;
}
