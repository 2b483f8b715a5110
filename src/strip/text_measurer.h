// How the strip learns the pixel width of a text: the item list asks through this, and the
// Windows side answers with GDI on the ticker window.
#pragma once

#include <cstdint>

// Measures text in the strip's fonts.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // False when the window to measure with is gone: the append is then skipped.
  virtual bool CanMeasure() = 0;
  virtual int32_t MeasureText(const char* text, int32_t length, bool tallFont) = 0;
};
