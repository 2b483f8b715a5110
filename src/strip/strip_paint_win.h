// Drawing the strip: its fonts, one off-screen frame per call, the background erase, and the
// 50 ms scrolling step.
#pragma once

#include <windows.h>

#include "strip/item_list.h"

// (Re)creates the small and tall fonts for the window's client height and "Bold Font".
void CreateStripFonts(HWND ticker);
void DeleteStripFonts();

// Draws one frame of the strip into the window and normalises the scroll offset.
void PaintStrip(HDC windowDc, HWND ticker);

// Fills the client area with the background colour.
void EraseStripBackground(HDC dc, HWND ticker);

// Cached drawing objects: the clip region is discarded on every resize, the background brush
// when the colours change; the next frame recreates them.
void DiscardClipRegion();
void DiscardBackgroundBrush();
// Shutdown: the clip region, the memory device context and the background brush.
void ReleaseStripCaches();

// One tick of the scroll timer: up to eight frames, moving the offset after each.
void RunScrollTick(HWND ticker);

// Measures item texts on the ticker window in the strip's fonts (from any thread).
class WindowMeasurer : public TextMeasurer {
 public:
  explicit WindowMeasurer(HWND window) : window_(window) {}
  bool CanMeasure() override;
  int32_t MeasureText(const char* text, int32_t length, bool tallFont) override;

 private:
  HWND window_;
};
