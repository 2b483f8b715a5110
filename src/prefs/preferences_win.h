// The preferences sheet.
#pragma once

#include <windows.h>

// Opens the modeless preferences sheet unless one is open.
void OpenPreferencesSheet(HWND ticker);

// A page refused its Apply: the OK being handled leaves the sheet open.
void NoteApplyRefused();
