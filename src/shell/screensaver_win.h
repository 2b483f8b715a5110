// Running the strip as a bar on the screen saver's desktop.
#pragma once

#include <windows.h>

// The title of the screen-saver bar's frame window.
constexpr const char* kBarTitle = "Newsrail";

// Notes the desktop the program started on, before any search across desktops moves the thread.
void RememberStartDesktop();
// Puts the thread back on that desktop; a ticker that is not the bar lives there.
void ReturnToStartDesktop();

// The running screen saver's window, or null. Windows NT runs it on a desktop of its own, and the
// search moves the calling thread there when the thread may still move (it owns no window yet).
HWND FindScreenSaverWindow();
// The same search for a ticker that runs already: the thread stays on its own desktop.
HWND WatchForScreenSaver();

// Creates the screen-saver bar and its ticker window; false when it could not.
bool CreateScreenSaverBar();
// The screen saver started while the ticker runs in an ordinary host, or ended while it runs as
// the bar: both restart the program in the other mode.
void EnterScreenSaverMode();
void LeaveScreenSaverMode();

// The bar's text lines below the strip, on the frame window's device context in its font.
void PaintScreenSaverBar(HWND frame, HDC dc, HFONT font);
// A bar being moved keeps its bottom on the screen's bottom edge.
void KeepBarOnScreenBottom(RECT* proposed);
