// Text widths for the item list, measured in a memory context of the ticker window.
#include "strip/window_measurer_win.h"

#include <mutex>

bool WindowMeasurer::CanMeasure() { return window_ != nullptr && IsWindow(window_); }

int32_t WindowMeasurer::MeasureText(const char* text, int32_t length, bool tallFont) {
  StripPaintCache& c = cache_;
  std::lock_guard<std::mutex> guard(c.fontLock);
  const int i = tallFont ? 1 : 0;
  const HFONT font = tallFont ? c.tallFont : c.smallFont;
  if (c.measureDc[i] == nullptr) {
    HDC windowDc = GetDC(window_);
    c.measureDc[i] = CreateCompatibleDC(windowDc);
    ReleaseDC(window_, windowDc);
    if (c.measureDc[i] == nullptr) return 0;
  }
  HDC dc = c.measureDc[i];
  if (c.measureFont[i] != font && font != nullptr) {
    HGDIOBJ previous = SelectObject(dc, font);
    if (previous != nullptr && c.measureOriginalFont[i] == nullptr) {
      c.measureOriginalFont[i] = previous;
    }
    c.measureFont[i] = font;
  }
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, text, length, &size);
  return size.cx;
}

void DeselectMeasuringFonts(StripPaintCache& c, bool release) {
  for (int i = 0; i < 2; ++i) {
    if (c.measureDc[i] != nullptr && c.measureOriginalFont[i] != nullptr) {
      SelectObject(c.measureDc[i], c.measureOriginalFont[i]);
    }
    c.measureFont[i] = nullptr;
    if (release && c.measureDc[i] != nullptr) {
      DeleteDC(c.measureDc[i]);
      c.measureDc[i] = nullptr;
      c.measureOriginalFont[i] = nullptr;
    }
  }
}
