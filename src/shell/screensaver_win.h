// Running the strip as a bar on the screen saver's desktop.
#pragma once

#include <windows.h>

// The running screen saver's window, or null. Windows NT runs it on a desktop of its own.
HWND FindScreenSaverWindow();

// Creates the screen-saver bar and its ticker window; false when it could not.
bool CreateScreenSaverBar();
// The screen saver started while the ticker runs in an ordinary host, or ended while it runs as
// the bar: both restart the program in the other mode.
void EnterScreenSaverMode();
void LeaveScreenSaverMode();
