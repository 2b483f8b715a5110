// Taskbar docking.
#include "desktop/taskbar_win.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "window/ticker_state_win.h"

void GetShellVersion(DWORD* major, DWORD* minor) {
  *major = 0;
  *minor = 0;
  HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell == nullptr) return;
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")));
  if (getVersion == nullptr) {
    *major = 4;
  } else {
    DLLVERSIONINFO info = {};
    info.cbSize = 20;
    if (SUCCEEDED(getVersion(&info))) {
      *major = info.dwMajorVersion;
      *minor = info.dwMinorVersion;
    }
  }
  FreeLibrary(shell);
}

HWND AttachToTaskbar() {
  // Neither the desk band nor the notification area is built yet: give up docking the way a
  // shell with desk bands but no band shown does, so that the ticker floats on the caption.
  SettingsStore& settings = Settings();
  settings.WriteSetting(SettingId::kFitToCaption, 1);
  settings.WriteSetting(SettingId::kDockInTaskbar, 1);
  settings.WriteSetting(SettingId::kAlwaysOnTop, 1);
  return nullptr;
}

void LayOutInNotificationArea(HWND) {
  // Nothing is docked in the notification area yet (AttachToTaskbar always gives up).
}

bool TaskbarIsVertical() {
  APPBARDATA bar = {};
  bar.cbSize = sizeof bar;
  return SHAppBarMessage(ABM_GETTASKBARPOS, &bar) != 0 &&
         bar.rc.right - bar.rc.left < GetSystemMetrics(SM_CXSCREEN) - 100;
}
