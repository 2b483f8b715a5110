// Screen-saver mode. The bar comes with screen-saver support; until then the ticker stays in its
// ordinary host whether or not a screen saver runs.
#include "shell/screensaver_win.h"

#include "shell/process_win.h"

HWND FindScreenSaverWindow() {
  return IsWin95Family() ? FindWindowA("WindowsScreenSaverClass", nullptr)
                         : FindWindowOnAnyDesktop("WindowsScreenSaverClass");
}

bool CreateScreenSaverBar() { return false; }

void EnterScreenSaverMode() {}

void LeaveScreenSaverMode() {}
