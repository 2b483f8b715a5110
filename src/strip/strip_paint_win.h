// Drawing the strip: its fonts, one off-screen frame per call, the background erase, and the
// 50 ms scrolling step.
#pragma once

#include <windows.h>

#include "strip/item_list.h"
#include "strip/keyboard_reading.h"
#include "strip/scroll_step.h"
#include "strip/strip_flags.h"
#include "strip/strip_paint_cache_win.h"

// What one frame depends on besides the cache and the list: the window's size and layout and the
// colours (in the order of the colour table).
struct StripFrame {
  int width = 0;
  int height = 0;
  int searchBoxWidth = -1;  // -1 while there is no search box
  int gripWidth = 0;  // at 96 DPI
  int dpi = 96;
  bool onScreenSaver = false;
  bool staysOnTop = false;  // "Always On Top" or glued to the desktop
  bool undocked = false;
  const uint32_t* colors = nullptr;
  // Pause, the keyboard's item, one item at a time, high contrast; none when null.
  const StripReading* reading = nullptr;
};

// (Re)creates the small and tall fonts for the window's client height, bold or not.
void CreateStripFonts(StripPaintCache& c, HWND ticker, bool bold);
void DeleteStripFonts(StripPaintCache& c);

// Draws one frame of the strip into the window and normalises the scroll offset.
void PaintStrip(HDC windowDc, StripPaintCache& c, TickerItemList& items, StripFlags& flags,
                const StripFrame& frame);

// Fills the client area with the background colour.
void EraseStripBackground(HDC dc, HWND ticker, uint32_t background);

// Cached drawing state: the clip box is discarded on every resize, the background brush when the
// colours change; the next frame recreates them.
void DiscardClipRegion(StripPaintCache& c);
void DiscardBackgroundBrush(StripPaintCache& c);
// Shutdown: the memory device context, its frame bitmap and the background brush.
void ReleaseStripCaches(StripPaintCache& c);

// One tick of the scroll timer at the given step: up to eight frames, moving the offset after each.
void RunScrollTick(HWND ticker, StripPaintCache& c, TickerItemList& items, StripFlags& flags,
                   const StripFrame& frame, const ScrollStep& step);
