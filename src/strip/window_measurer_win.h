// Measuring item texts with GDI on the ticker window, in the fonts the strip is painted with.
#pragma once

#include <windows.h>

#include <cstdint>

#include "strip/strip_paint_cache_win.h"
#include "strip/text_measurer.h"

// Takes the strip fonts out of the measuring contexts, so that they can be deleted; with `release`
// the contexts are deleted too. The caller holds c.fontLock.
void DeselectMeasuringFonts(StripPaintCache& c, bool release);

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
