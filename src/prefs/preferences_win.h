// The preferences sheet.
#pragma once

#include <windows.h>

#include "prefs/preferences_parts.h"

// Opens the modeless preferences sheet unless one is open. The parts outlive the sheet.
void OpenPreferencesSheet(PreferencesParts& parts, HWND ticker);

// A page refused its Apply: the OK being handled leaves the sheet open.
void NoteApplyRefused();
