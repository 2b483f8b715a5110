// Text widths for the item list, measured in a memory context of the ticker window.
#include "strip/window_measurer_win.h"

#include <mutex>

bool WindowMeasurer::CanMeasure() { return window_ != nullptr && IsWindow(window_); }

int32_t WindowMeasurer::MeasureText(const char* text, int32_t length, bool tallFont) {
  StripPaintCache& c = cache_;
  std::lock_guard<std::mutex> guard(c.fontLock);
  HDC windowDc = GetDC(window_);
  HDC dc = CreateCompatibleDC(windowDc);
  HGDIOBJ oldFont = SelectObject(dc, tallFont ? c.tallFont : c.smallFont);
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, text, length, &size);
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  ReleaseDC(window_, windowDc);
  return size.cx;
}
