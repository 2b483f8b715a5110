// Placing a dialog on the screen: centred over a window, or beside the strip.
#pragma once

#include <windows.h>

// Moves the window, keeping its size and z-order, so that it is centred on the reference window
// and lies on the monitor it lands on (any monitor, also one left of or above the first).
void CenterWindowOver(HWND window, HWND reference);

// Moves the window, keeping its size and z-order, beside the strip of the ticker window: below
// or above the strip's own window on the desktop (its frame, or the taskbar it is docked in),
// wholly on the work area of the strip's monitor.
void PlaceBesideStrip(HWND window, HWND ticker);
