// The Ticker tab's reading controls: the pause and reading hotkeys ("Show one headline at a time"
// is a row of the binding table, stored with the tab's other check boxes).
#pragma once

#include <windows.h>

void LoadReadingControls(HWND page);
// Stores them and registers the hotkeys again, "Step Headlines" (stored before) taken up with
// them; a hotkey another program holds is said in a message box over the page.
void ApplyReadingControls(HWND page);
