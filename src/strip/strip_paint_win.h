// Drawing the strip: its fonts, one off-screen frame per call, the background erase, and the
// 50 ms scrolling step.
#pragma once

#include <windows.h>

#include <mutex>

#include "strip/item_list.h"
#include "strip/keyboard_reading.h"
#include "strip/scroll_step.h"
#include "strip/strip_flags.h"

// What painting keeps from one frame to the next; the ticker's record holds the one instance and
// only the functions below touch it.
struct StripPaintCache {
  HDC memoryDc = nullptr;
  // The frame bitmap stays selected in the memory context between frames: creating a bitmap
  // costs more than drawing the whole frame, so it is made again only when the size changes.
  HBITMAP frameBitmap = nullptr;
  HGDIOBJ originalBitmap = nullptr;
  int frameWidth = 0;
  int frameHeight = 0;
  HBRUSH backgroundBrush = nullptr;
  // The part of the client area frames may be copied to; worked out again after a resize.
  RECT clip = {0, 0, 0, 0};
  bool clipValid = false;
  // The fonts are replaced on the user-interface thread while the worker may be measuring with
  // them: the swap and the measuring take fontLock.
  std::mutex fontLock;
  HFONT smallFont = nullptr;
  HFONT tallFont = nullptr;
  // Where each font's text starts, so that both share one baseline (set with the fonts).
  int tallTop = 3;
  int smallTop = 0;
  // The strip font now selected into memoryDc, and the context's own font from before.
  HFONT selectedFont = nullptr;
  HGDIOBJ originalFont = nullptr;
};

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

// Measures item texts on the ticker window in the strip's fonts (from any thread).
class WindowMeasurer : public TextMeasurer {
 public:
  WindowMeasurer(HWND window, StripPaintCache& cache) : window_(window), cache_(cache) {}
  bool CanMeasure() override;
  int32_t MeasureText(const char* text, int32_t length, bool tallFont) override;

 private:
  HWND window_;
  StripPaintCache& cache_;
};
