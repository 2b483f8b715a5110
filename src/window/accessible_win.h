// The strip as a screen reader sees it: an IAccessible list with one child per item of the
// published list, then the control panel's buttons.
#pragma once

#include <windows.h>

#include <cstdint>

// WM_GETOBJECT: the strip's object for OBJID_CLIENT, the default answer otherwise.
LRESULT AnswerAccessibleRequest(HWND ticker, WPARAM wParam, LPARAM lParam);
// The window is going: every method of the object answers CO_E_OBJNOTCONNECTED from now on.
void DisconnectStripAccessible();
// What the object's actions do to the strip: the reading code passes its own, so that the object
// needs nothing of the code that calls it.
struct StripActions {
  void (*focusItem)(HWND ticker, int32_t index);
  void (*openItem)(HWND ticker, int32_t index);
  void (*openLinkAt)(int x, int y);
};

// kReadingActionMessage: the default action of child `child` (1-based), on the window's thread.
void RunAccessibleAction(HWND ticker, int32_t child, const StripActions& actions);
