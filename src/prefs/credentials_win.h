// The small modal dialogs that ask for credentials, and placing a dialog over a window or
// beside the strip.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t kCredentialSize = 200;  // 199 characters and the NUL

// Moves the window, keeping its size and z-order, so that it is centred on the reference window
// and lies on the monitor it lands on (any monitor, also one left of or above the first).
void CenterWindowOver(HWND window, HWND reference);

// Moves the window, keeping its size and z-order, beside the strip of the ticker window: below
// or above the strip's own window on the desktop (its frame, or the taskbar it is docked in),
// wholly on the work area of the strip's monitor.
void PlaceBesideStrip(HWND window, HWND ticker);

// "Enter Network Password" (dialog 154), modal, over owner: the realm (or nothing) and the
// current user name are shown; OK fills user and password (each kCredentialSize bytes). Escape
// leaves both as they were and returns false.
bool AskNetworkPassword(HWND owner, const char* realm, char* user, char* password);

// The account password prompt (dialog 180), modal. OK fills password (at most capacity-1
// characters) and returns true; Cancel leaves it empty and returns false.
bool AskAccountPassword(HWND owner, char* password, size_t capacity);
