// The tips of the strip, the logo button, the search button, the next-topic button and the grip.
#pragma once

#include <windows.h>

// Replaces all tooltip windows for a client area of bounds.right x bounds.bottom; bounds.top is
// the top of the strip and logo tools.
void CreateTooltips(HWND ticker, const RECT& bounds);
void RelayToTooltips(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam);
// Copies the text into the logo tip's buffer and shows it on the logo button.
void SetLogoTip(const char* text);
const char* LogoTipText();
// Stores a new "Last Stock Update" stamp (null: keep the stored one) and shows it on the strip.
// Safe to call from the refresh worker.
void SetStripTip(const char* stamp = nullptr);
void DestroyTooltips();
