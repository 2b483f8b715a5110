// The tips of the strip, the logo button, the search button, the next-topic button and the grip.
#pragma once

#include <windows.h>

// Replaces all tooltip windows for a client area of bounds.right x bounds.bottom; bounds.top is
// the top of the strip and logo tools.
void CreateTooltips(HWND ticker, const RECT& bounds);
void RelayToTooltips(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam);
void SetLogoTip(const char* text);
void SetStripTip();
void DestroyTooltips();
