// The preferences sheet.
#include "prefs/preferences_win.h"

void OpenPreferencesSheet(HWND) {
  // The sheet and its pages come with the preferences; until then the command does nothing.
}
