// The focus rectangle, the colours of high contrast and the pause mark, drawn into the frame.
#include "strip/reading_paint_win.h"

void DrawReadingItem(HDC dc, const StripReading& r, const TickerItem& item, int32_t stripX,
                     int32_t left, int32_t stripWidth, int top, int height, uint32_t schemeColor,
                     uint32_t background) {
  const bool focused =
      r.keyboard != 0 && r.focusItem >= 0 && IsMarkedSlot(stripX, r.markX, stripWidth);
  RECT box = {left, 0, left + item.width, height};
  if (focused && r.highContrast != 0) {
    HBRUSH brush = CreateSolidBrush(r.highlightColor);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    SetBkColor(dc, r.highlightColor);
  }
  SetTextColor(dc, ReadingTextColor(r, item, schemeColor, focused));
  TextOutA(dc, left, top, item.text, item.textLength);
  if (!focused) return;
  SetBkColor(dc, background);
  // The rectangle's dots take the text colour against the background: visible on any scheme.
  InflateRect(&box, 0, -1);
  DrawFocusRect(dc, &box);
}

void DrawPauseMark(HDC dc, const StripReading& r, int32_t areaRight, int height,
                   uint32_t schemeColor) {
  if (r.paused == 0) return;
  const Rect mark = PauseMarkRect(areaRight, height);
  HBRUSH brush = CreateSolidBrush(r.highContrast != 0 ? r.textColor : schemeColor);
  const int bar = (mark.right - mark.left) / 3;
  const RECT first = {mark.left, mark.top, mark.left + bar, mark.bottom};
  const RECT second = {mark.right - bar, mark.top, mark.right, mark.bottom};
  FillRect(dc, &first, brush);
  FillRect(dc, &second, brush);
  DeleteObject(brush);
}
