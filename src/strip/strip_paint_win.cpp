// Painting and scrolling the strip: one off-screen frame, of which the scroll area within its clip
// box is copied to the window.
#include "strip/strip_paint_win.h"

#include <mutex>

#include "strip/reading_paint_win.h"
#include "strip/scroll_step.h"
#include "settings/ticker_prefs.h"
#include "strip/strip_geometry.h"
#include "strip/window_measurer_win.h"

namespace {

HFONT CreateArial(int height, int weight) {
  return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_CHARACTER_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                     "Arial");
}

// The font's ascent and height in pixels, measured in a context of the window.
TEXTMETRICA FontMetrics(HWND window, HFONT font) {
  TEXTMETRICA m = {};
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextMetricsA(dc, &m);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return m;
}

void ReleaseFrameBitmap(StripPaintCache& c) {
  c.bandValid = false;
  if (c.frameBitmap == nullptr) return;
  SelectObject(c.memoryDc, c.originalBitmap);
  DeleteObject(c.frameBitmap);
  c.frameBitmap = nullptr;
  c.frameWidth = c.frameHeight = 0;
}

// The band is this many window widths wide: a new one is drawn after two widths of scrolling.
constexpr int kBandWidths = 3;

// The memory context with a frame bitmap of the given size selected, or false.
bool PrepareFrame(StripPaintCache& c, HDC windowDc, int w, int h) {
  if (c.memoryDc == nullptr) {
    c.memoryDc = CreateCompatibleDC(windowDc);
    if (c.memoryDc == nullptr) return false;
    // Nobody else draws with this context: its text mode is set once.
    SetBkMode(c.memoryDc, OPAQUE);
  }
  if (c.frameBitmap != nullptr && c.frameWidth == w && c.frameHeight == h) return true;
  ReleaseFrameBitmap(c);
  c.frameBitmap = CreateCompatibleBitmap(windowDc, w, h);
  if (c.frameBitmap == nullptr) return false;
  c.originalBitmap = SelectObject(c.memoryDc, c.frameBitmap);
  c.frameWidth = w;
  c.frameHeight = h;
  return true;
}

// The font stays selected in the memory context from one frame to the next and is changed only
// when an item needs the other one: under Wine every font selection into a context of the
// display re-reads the X resource files (three file look-ups per call).
void SelectStripFont(StripPaintCache& c, HFONT font) {
  if (font == c.selectedFont || c.memoryDc == nullptr) return;
  HGDIOBJ previous = SelectObject(c.memoryDc, font);
  if (previous == nullptr) return;
  if (c.originalFont == nullptr) c.originalFont = previous;
  c.selectedFont = font;
}

// Draws the strip from strip x `offset` on into the memory context's columns [left, right).
void DrawItems(StripPaintCache& c, const ItemsView& view, const StripReading& reading,
               const uint32_t* colors, uint32_t background, int32_t offset, int left, int right,
               int h) {
  const RECT fill = {left, 0, right, h};
  FillRect(c.memoryDc, &fill, c.backgroundBrush);
  SetBkColor(c.memoryDc, background);
  WalkVisibleSlots(view.items, view.drawCount, view.itemCount, view.stripWidth, offset, right,
                   [&](const TickerItem& item, int32_t x) {
                     // One item at a time: the others are not drawn.
                     if (reading.stepping != 0 &&
                         !IsMarkedSlot(x, reading.markX, view.stripWidth)) {
                       return;
                     }
                     SelectStripFont(c, item.tallFont != 0 ? c.tallFont : c.smallFont);
                     const int top = item.tallFont != 0 ? c.tallTop : c.smallTop;
                     DrawReadingItem(c.memoryDc, reading, item, x, x - offset, view.stripWidth,
                                     top, h, colors[StripColorForIndex(item.colorIndex)],
                                     background);
                   });
}

StripBandLook LookOf(const StripPaintCache& c, const ItemsView& view, const StripReading& reading,
                     const uint32_t* colors, uint32_t background, int h) {
  StripBandLook look;
  look.smallFont = c.smallFont;
  look.tallFont = c.tallFont;
  look.generation = view.generation;
  look.stripWidth = view.stripWidth;
  look.height = h;
  look.tallTop = c.tallTop;
  look.smallTop = c.smallTop;
  look.background = background;
  for (int i = 0; i < kStripColorCount; ++i) look.colors[i] = colors[i];
  look.highContrast = reading.highContrast;
  look.textColor = reading.textColor;
  look.linkColor = reading.linkColor;
  return look;
}

bool SameLook(const StripBandLook& a, const StripBandLook& b) {
  for (int i = 0; i < kStripColorCount; ++i) {
    if (a.colors[i] != b.colors[i]) return false;
  }
  return a.smallFont == b.smallFont && a.tallFont == b.tallFont && a.generation == b.generation &&
         a.stripWidth == b.stripWidth && a.height == b.height && a.tallTop == b.tallTop &&
         a.smallTop == b.smallTop && a.background == b.background &&
         a.highContrast == b.highContrast && a.textColor == b.textColor &&
         a.linkColor == b.linkColor;
}

// A font still selected into a context cannot be deleted.
void DeselectStripFont(StripPaintCache& c) {
  if (c.memoryDc != nullptr && c.originalFont != nullptr) SelectObject(c.memoryDc, c.originalFont);
  c.selectedFont = nullptr;
}

}  // namespace

void CreateStripFonts(StripPaintCache& c, HWND ticker, bool bold) {
  RECT client;
  GetClientRect(ticker, &client);
  const int h = client.bottom;
  const int weight = bold ? FW_BOLD : FW_NORMAL;
  HFONT small = CreateArial(h * 3 / 4, weight);
  HFONT tall = CreateArial(bold ? h - 3 : h - 4, weight);
  const TEXTMETRICA smallMetrics = FontMetrics(ticker, small);
  const TEXTMETRICA tallMetrics = FontMetrics(ticker, tall);
  const TextTops tops =
      ComputeTextTops(h, tallMetrics.tmAscent, smallMetrics.tmAscent, smallMetrics.tmHeight);

  std::lock_guard<std::mutex> guard(c.fontLock);
  // A new font may come back with the old one's handle.
  c.bandValid = false;
  c.tallTop = tops.tall;
  c.smallTop = tops.small;
  DeselectStripFont(c);
  DeselectMeasuringFonts(c, false);
  if (c.smallFont != nullptr) DeleteObject(c.smallFont);
  if (c.tallFont != nullptr) DeleteObject(c.tallFont);
  c.smallFont = small;
  c.tallFont = tall;
}

void DeleteStripFonts(StripPaintCache& c) {
  std::lock_guard<std::mutex> guard(c.fontLock);
  c.bandValid = false;
  DeselectStripFont(c);
  DeselectMeasuringFonts(c, true);
  if (c.smallFont != nullptr) DeleteObject(c.smallFont);
  if (c.tallFont != nullptr) DeleteObject(c.tallFont);
  c.smallFont = nullptr;
  c.tallFont = nullptr;
}

void PaintStrip(HDC windowDc, StripPaintCache& c, TickerItemList& items, StripFlags& flags,
                const StripFrame& frame) {
  const uint32_t* colors = frame.colors;
  static const StripReading kNotReading{};
  const StripReading& reading = frame.reading != nullptr ? *frame.reading : kNotReading;
  const int w = frame.width;
  const int h = frame.height;
  if (w > 0 && h > 0 &&
      (PrepareFrame(c, windowDc, w * kBandWidths, h) || PrepareFrame(c, windowDc, w, h))) {
    const ScrollArea area =
        ComputeScrollArea(w, frame.searchBoxWidth, frame.gripWidth, frame.onScreenSaver, frame.dpi);
    if (!c.clipValid) {
      const Rect box =
          ComputeStripClip(area, h, frame.staysOnTop, frame.undocked, frame.onScreenSaver);
      c.clip = {box.left, box.top, box.right, box.bottom};
      c.clipValid = true;
    }
    // The scroll area cut to the clip box is all that may reach the window, so only that is
    // filled and copied. A clip region on the window's context would give the same pixels, but
    // under Wine each change of it is a request to the X server.
    const RECT areaRect = {area.left, 0, area.right, h};
    RECT copy;
    if (IntersectRect(&copy, &areaRect, &c.clip)) {
      const uint32_t background = ReadingBackground(reading, colors[kColorBackground]);
      if (c.backgroundBrush == nullptr) c.backgroundBrush = CreateSolidBrush(background);

      ItemsView view = items.Read();
      const int32_t offset = flags.scrollOffset.load();
      // Plain scrolling copies from the band; a pause, the keyboard and stepping draw over single
      // frames, and the strip stands still meanwhile. A new list's first frame is drawn alone, so
      // that it shows as soon as it can (the first strip at start), and the band follows.
      const bool plain = reading.paused == 0 && reading.keyboard == 0 && reading.stepping == 0 &&
                         view.drawCount > 0 && c.frameWidth >= 2 * w &&
                         c.drawnGeneration == view.generation;
      int32_t shift = -1;
      if (plain) {
        const StripBandLook look = LookOf(c, view, reading, colors, background, h);
        if (c.bandValid && SameLook(look, c.bandLook)) {
          shift = BandShift(offset, c.bandStart, c.frameWidth, view.stripWidth, copy.left,
                            copy.right);
        }
        if (shift < 0 && offset >= 0) {
          c.bandStart = NewBandStart(offset, view.stripWidth, c.frameWidth, copy.right,
                                     flags.scrollForward.load() != 0);
          DrawItems(c, view, reading, colors, background, c.bandStart, 0, c.frameWidth, h);
          c.bandLook = look;
          c.bandValid = true;
          shift = BandShift(offset, c.bandStart, c.frameWidth, view.stripWidth, copy.left,
                            copy.right);
        }
      }
      if (shift < 0) {
        shift = 0;
        c.bandValid = false;
        DrawItems(c, view, reading, colors, background, offset, copy.left, copy.right, h);
        DrawPauseMark(c.memoryDc, reading, area.right, h, colors[kColorSymbol]);
      }
      BitBlt(windowDc, copy.left, copy.top, copy.right - copy.left, copy.bottom - copy.top,
             c.memoryDc, copy.left + shift, copy.top, SRCCOPY);
      c.drawnGeneration = view.generation;
    }
  }

  // Keep the offset within one cycle for the next frame.
  flags.scrollOffset = NormaliseOffset(flags.scrollOffset.load(), items.StripWidth());
}

void EraseStripBackground(HDC dc, HWND ticker, uint32_t background) {
  RECT client;
  GetClientRect(ticker, &client);
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
}

void DiscardClipRegion(StripPaintCache& c) { c.clipValid = false; }

void DiscardBackgroundBrush(StripPaintCache& c) {
  if (c.backgroundBrush != nullptr) DeleteObject(c.backgroundBrush);
  c.backgroundBrush = nullptr;
}

void ReleaseStripCaches(StripPaintCache& c) {
  DiscardClipRegion(c);
  ReleaseFrameBitmap(c);
  DeselectStripFont(c);
  if (c.memoryDc != nullptr) DeleteDC(c.memoryDc);
  c.memoryDc = nullptr;
  c.originalFont = nullptr;
  DiscardBackgroundBrush(c);
}

void RunScrollTick(HWND ticker, StripPaintCache& c, TickerItemList& items, StripFlags& f,
                   const StripFrame& frame, const ScrollStep& step) {
  // A tick that finds a pause counts it down and draws nothing: a pause of nine stands for nine
  // ticks (450 ms) after a jump.
  if (f.pauseTicks.load() > 0) {
    f.pauseTicks.fetch_sub(1);
    return;
  }
  if (f.stripFilled.load() == 0 || f.listBusy.load() != 0) return;

  // The frames of one tick follow each other within microseconds and only the last one is ever
  // seen: the earlier steps move and wrap the offset without drawing.
  HDC dc = GetDC(ticker);
  for (int i = 0; i < step.frames; ++i) {
    if (i + 1 == step.frames) {
      PaintStrip(dc, c, items, f, frame);
    } else {
      f.scrollOffset = NormaliseOffset(f.scrollOffset.load(), items.StripWidth());
    }
    f.scrollOffset.fetch_add(f.scrollForward.load() != 0 ? step.pixels : -step.pixels);
  }
  ReleaseDC(ticker, dc);
}
