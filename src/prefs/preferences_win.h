// The preferences sheet and the small credential dialogs.
#pragma once

#include <windows.h>

#include <cstddef>

// Opens the modeless preferences sheet unless one is open.
void OpenPreferencesSheet(HWND ticker);

// The account password prompt (dialog 180), modal. OK fills password (at most capacity-1
// characters) and returns true; Cancel leaves it empty and returns false.
bool AskAccountPassword(HWND owner, char* password, size_t capacity);
