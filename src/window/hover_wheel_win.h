// The strip under the pointer: it stands still while the pointer rests on it (when "Pause on
// Hover" is on), and the mouse wheel over it changes the speed.
#pragma once

#include <windows.h>

#include "strip/scroll_step.h"

// One frame per tick that moves nothing: the strip is still drawn, so a tooltip or a drag that
// uncovers or moves it shows at once.
constexpr ScrollStep kStandStill = {1, 0};

bool ReadPauseOnHover();
// After "Pause on Hover" was stored: switched off, the strip moves on at once.
void NotePauseOnHover(bool on);

// WM_MOUSEMOVE and WM_MOUSELEAVE of the ticker window.
void NotePointerOnStrip(HWND ticker);
void NotePointerLeftStrip();
// True while the strip stands still for the pointer (user-interface thread only).
bool StripHeldByPointer();

// WM_MOUSEWHEEL: one speed step per notch, stored and used at once.
void OnStripWheel(WPARAM wParam);
