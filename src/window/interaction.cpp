// Mouse arithmetic.
#include "window/interaction.h"

#include "base/dpi_scale.h"

StripDrag DragStrip(int32_t x, int32_t lastDragX, int32_t pressX, int32_t w, int32_t g,
                    int32_t offset, int32_t stripWidth, int32_t scrollForward, int32_t dpi) {
  const int32_t d = lastDragX - x;
  // The strip's edges beside the panel's buttons, whose widths follow the scale.
  const int32_t left = ScaleForDpi(g, dpi) + ScaleForDpi(10, dpi), right = w - ScaleForDpi(39, dpi);
  if (d > 100 || d < -100 ||
      (x > w - ScaleForDpi(29, dpi) && pressX > ScaleForDpi(19, dpi) && pressX < right)) {
    return StripDrag{StripDrag::kCancel, offset, scrollForward};
  }
  const bool xInside = left <= x && x <= right;
  const bool pressInside = left <= pressX && pressX <= right;
  if (!xInside && !pressInside) return StripDrag{StripDrag::kOutside, offset, scrollForward};

  if (d > 3) scrollForward = 1;
  if (d < -3) scrollForward = 0;
  int64_t moved = static_cast<int64_t>(offset) + 4 * d;
  if (moved > stripWidth) moved -= stripWidth;
  if (moved < 0) moved += stripWidth;
  if (stripWidth <= 0) moved = 0;
  return StripDrag{StripDrag::kScroll, static_cast<int32_t>(moved), scrollForward};
}

Rect SearchBoxRect(int32_t w, int32_t h, int32_t g, bool searchShown, bool undocked,
                   int32_t dpi) {
  const int32_t right = w - ScaleForDpi(40, dpi);
  const int32_t left = searchShown && right > 400 ? right - right / 3 : 0;
  const int32_t top = undocked ? 0 : 1;
  const int32_t height = undocked ? h : h - 2;
  return Rect{left + ScaleForDpi(g, dpi), top, right, top + height};
}

int32_t ClampWidthDragX(int32_t x, bool undocked, int32_t tickerRight) {
  const int32_t minimum = undocked ? 4 : 80;
  if (x < minimum) x = minimum;
  if (x > tickerRight - 28) x = tickerRight - 28;
  return x;
}
