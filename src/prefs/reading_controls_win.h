// The Ticker tab's reading controls: the pause and reading hotkeys and "Show one headline at a
// time".
#pragma once

#include <windows.h>

void LoadReadingControls(HWND page);
// Stores them and registers the hotkeys again; a hotkey another program holds is said in a
// message box over the page.
void ApplyReadingControls(HWND page);
