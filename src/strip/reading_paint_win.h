// What reading adds to a frame of the strip: the item colours of high contrast, the keyboard's
// focus rectangle and the pause mark.
#pragma once

#include <windows.h>

#include "strip/keyboard_reading.h"

// Draws one slot's text at client x `left`: in its scheme colour, or the system's in high
// contrast; the keyboard's item on the highlight colour there, and framed by a focus rectangle.
void DrawReadingItem(HDC dc, const StripReading& r, const TickerItem& item, int32_t stripX,
                     int32_t left, int32_t stripWidth, int top, int height, uint32_t schemeColor,
                     uint32_t background);

// Two bars at the right end of the scroll area while the strip is paused.
void DrawPauseMark(HDC dc, const StripReading& r, int32_t areaRight, int height,
                   uint32_t schemeColor);
