// Mouse arithmetic of the ticker window: hit zones, the strip drag, the search box's place.
#pragma once

#include <cstdint>

#include "strip/panel_geometry.h"

struct StripDrag {
  enum Outcome { kCancel, kOutside, kScroll } outcome;
  int32_t offset;        // the new scroll offset (kScroll)
  int32_t scrollForward; // the new direction (kScroll)
};

// One mouse move of a strip drag from lastDragX to x (the press was at pressX): four pixels of
// strip per pixel of mouse, the direction following moves of more than three pixels; a jump of
// more than 100 pixels, or running into the logo area, cancels the drag. The grip's width g is
// given at 96 DPI.
StripDrag DragStrip(int32_t x, int32_t lastDragX, int32_t pressX, int32_t w, int32_t g,
                    int32_t offset, int32_t stripWidth, int32_t scrollForward, int32_t dpi = 96);

// The screen x a width drag holds the pointer at: at least 4 (floating) or 80 (docked) pixels from
// the screen's left edge, and at most 28 left of the ticker window's right edge, which wins.
int32_t ClampWidthDragX(int32_t x, bool undocked, int32_t tickerRight);

// Where the search box goes: left of the buttons, a third of the strip wide when the strip is
// wide enough, else over the whole strip. The grip's width g is given at 96 DPI.
Rect SearchBoxRect(int32_t w, int32_t h, int32_t g, bool searchShown, bool undocked,
                   int32_t dpi = 96);

// Jump request serials are 16 bits wide: a serial is newer when it is at most half the range
// ahead of the last one, so the count may wrap.
inline bool IsNewerSerial(uint32_t serial, uint32_t last) {
  const uint32_t ahead = (serial - last) & 0xFFFFu;
  return ahead != 0 && ahead < 0x8000u;
}
