// Painting and scrolling the strip: one off-screen frame, copied to the window through the scroll
// area's clip region.
#include "strip/strip_paint_win.h"

#include <mutex>

#include "prefs/hover_wheel_win.h"
#include "strip/scroll_step.h"
#include "strip/strip_geometry.h"
#include "window/ticker_state_win.h"

namespace {

struct StripCaches {
  HDC memoryDc = nullptr;
  // The frame bitmap stays selected in the memory context between frames: creating a bitmap
  // costs more than drawing the whole frame, so it is made again only when the size changes.
  HBITMAP frameBitmap = nullptr;
  HGDIOBJ originalBitmap = nullptr;
  int frameWidth = 0;
  int frameHeight = 0;
  HBRUSH backgroundBrush = nullptr;
  HRGN clipRegion = nullptr;
  // The fonts are replaced on the user-interface thread while the worker may be measuring with
  // them: the swap and the measuring take fontLock.
  std::mutex fontLock;
  HFONT smallFont = nullptr;
  HFONT tallFont = nullptr;
};

StripCaches& Caches() {
  static StripCaches* caches = new StripCaches;
  return *caches;
}

HFONT CreateArial(int height, int weight) {
  return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_CHARACTER_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                     "Arial");
}

void ReleaseFrameBitmap(StripCaches& c) {
  if (c.frameBitmap == nullptr) return;
  SelectObject(c.memoryDc, c.originalBitmap);
  DeleteObject(c.frameBitmap);
  c.frameBitmap = nullptr;
  c.frameWidth = c.frameHeight = 0;
}

// The memory context with a frame bitmap of the client size selected, or false.
bool PrepareFrame(StripCaches& c, HDC windowDc, int w, int h) {
  if (c.memoryDc == nullptr) c.memoryDc = CreateCompatibleDC(windowDc);
  if (c.memoryDc == nullptr) return false;
  if (c.frameBitmap != nullptr && c.frameWidth == w && c.frameHeight == h) return true;
  ReleaseFrameBitmap(c);
  c.frameBitmap = CreateCompatibleBitmap(windowDc, w, h);
  if (c.frameBitmap == nullptr) return false;
  c.originalBitmap = SelectObject(c.memoryDc, c.frameBitmap);
  c.frameWidth = w;
  c.frameHeight = h;
  return true;
}

int SearchBoxWidth() {
  HWND box = Ticker().searchBox;
  if (box == nullptr) return -1;
  RECT r;
  GetClientRect(box, &r);
  return r.right;
}

}  // namespace

void CreateStripFonts(HWND ticker) {
  RECT client;
  GetClientRect(ticker, &client);
  const int h = client.bottom;
  const bool bold = Settings().ReadSetting(SettingId::kBoldFont) != 0;
  const int weight = bold ? FW_BOLD : FW_NORMAL;
  HFONT small = CreateArial(h * 3 / 4, weight);
  HFONT tall = CreateArial(bold ? h - 3 : h - 4, weight);

  StripCaches& c = Caches();
  std::lock_guard<std::mutex> guard(c.fontLock);
  if (c.smallFont != nullptr) DeleteObject(c.smallFont);
  if (c.tallFont != nullptr) DeleteObject(c.tallFont);
  c.smallFont = small;
  c.tallFont = tall;
}

void DeleteStripFonts() {
  StripCaches& c = Caches();
  std::lock_guard<std::mutex> guard(c.fontLock);
  if (c.smallFont != nullptr) DeleteObject(c.smallFont);
  if (c.tallFont != nullptr) DeleteObject(c.tallFont);
  c.smallFont = nullptr;
  c.tallFont = nullptr;
}

void PaintStrip(HDC windowDc, HWND ticker) {
  TickerWindowState& t = Ticker();
  StripCaches& c = Caches();
  const uint32_t* colors = t.prefs.colors;

  // The size the last resize reported: asking the window each frame costs a server round trip.
  int w = t.clientWidth;
  int h = t.clientHeight;
  if (ticker != t.tickerWindow) {
    RECT r;
    GetClientRect(ticker, &r);
    w = r.right;
    h = r.bottom;
  }
  const RECT client = {0, 0, w, h};
  if (w > 0 && h > 0 && PrepareFrame(c, windowDc, w, h)) {
    if (c.backgroundBrush == nullptr) {
      c.backgroundBrush = CreateSolidBrush(colors[kColorBackground]);
    }
    FillRect(c.memoryDc, &client, c.backgroundBrush);

    const ScrollArea area =
        ComputeScrollArea(w, SearchBoxWidth(), t.gripWidth, t.screenSaverWindow != nullptr);
    if (c.clipRegion == nullptr) {
      const ClipBox box = ComputeStripClip(
          area, h, t.alwaysOnTop != 0 || t.glueToDesktop != 0,
          t.undocked != 0, t.screenSaverWindow != nullptr);
      c.clipRegion = CreateRectRgn(box.left, box.top, box.right, box.bottom);
    }
    SelectClipRgn(windowDc, c.clipRegion);

    SetBkColor(c.memoryDc, colors[kColorBackground]);
    SetTextColor(c.memoryDc, colors[kColorSymbol]);
    const int oldMode = SetBkMode(c.memoryDc, OPAQUE);
    HGDIOBJ oldFont = SelectObject(c.memoryDc, c.smallFont);

    {
      ItemsView view = t.items.Read();
      const int32_t offset = t.flags.scrollOffset.load();
      WalkVisibleSlots(view.items, view.drawCount, view.itemCount, view.stripWidth, offset,
                       area.right, [&](const TickerItem& item, int32_t x) {
                         SelectObject(c.memoryDc, item.tallFont != 0 ? c.tallFont : c.smallFont);
                         SetTextColor(c.memoryDc, colors[StripColorForIndex(item.colorIndex)]);
                         TextOutA(c.memoryDc, x - offset, item.tallFont != 0 ? 3 : 0, item.text,
                                  item.textLength);
                       });
    }

    // Only the scroll area can show through the clip region; copy no more than that.
    BitBlt(windowDc, area.left, 0, area.right - area.left, h, c.memoryDc, area.left, 0, SRCCOPY);

    SelectObject(c.memoryDc, oldFont);
    SetBkMode(c.memoryDc, oldMode);
    SelectClipRgn(windowDc, nullptr);
  }

  // Keep the offset within one cycle for the next frame.
  t.flags.scrollOffset = NormaliseOffset(t.flags.scrollOffset.load(), t.items.StripWidth());
}

void EraseStripBackground(HDC dc, HWND ticker) {
  RECT client;
  GetClientRect(ticker, &client);
  HBRUSH brush = CreateSolidBrush(Ticker().prefs.colors[kColorBackground]);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
}

void DiscardClipRegion() {
  StripCaches& c = Caches();
  if (c.clipRegion != nullptr) DeleteObject(c.clipRegion);
  c.clipRegion = nullptr;
}

void DiscardBackgroundBrush() {
  StripCaches& c = Caches();
  if (c.backgroundBrush != nullptr) DeleteObject(c.backgroundBrush);
  c.backgroundBrush = nullptr;
}

void ReleaseStripCaches() {
  StripCaches& c = Caches();
  DiscardClipRegion();
  ReleaseFrameBitmap(c);
  if (c.memoryDc != nullptr) DeleteDC(c.memoryDc);
  c.memoryDc = nullptr;
  DiscardBackgroundBrush();
}

void RunScrollTick(HWND ticker) {
  TickerWindowState& t = Ticker();
  SharedFlags& f = t.flags;
  // A tick that finds a pause counts it down and draws nothing: a pause of nine stands for nine
  // ticks (450 ms) after a jump.
  if (f.pauseTicks.load() > 0) {
    f.pauseTicks.fetch_sub(1);
    return;
  }
  if (f.stripFilled.load() == 0 || f.listBusy.load() != 0) return;

  // The frames of one tick follow each other within microseconds and only the last one is ever
  // seen: the earlier steps move and wrap the offset without drawing.
  const ScrollStep step = StripHeldByPointer()
                              ? kStandStill
                              : ComputeScrollStep(t.prefs.tickerSpeed, t.prefs.smoothScrolling);
  HDC dc = GetDC(ticker);
  for (int i = 0; i < step.frames; ++i) {
    if (i + 1 == step.frames) {
      PaintStrip(dc, ticker);
    } else {
      f.scrollOffset = NormaliseOffset(f.scrollOffset.load(), t.items.StripWidth());
    }
    f.scrollOffset.fetch_add(f.scrollForward.load() != 0 ? step.pixels : -step.pixels);
  }
  ReleaseDC(ticker, dc);
}

bool WindowMeasurer::CanMeasure() { return window_ != nullptr && IsWindow(window_); }

int32_t WindowMeasurer::MeasureText(const char* text, int32_t length, bool tallFont) {
  StripCaches& c = Caches();
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
