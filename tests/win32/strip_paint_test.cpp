// The strip and the control panel in pixels: frames rendered by the real paint functions into a
// memory device context of the ticker window's size.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "strip/control_panel_win.h"
#include "strip/strip_geometry.h"
#include "strip/strip_paint_win.h"
#include "win32/ticker_fixture.h"

namespace {

constexpr COLORREF kUntouched = RGB(255, 0, 255);

// Twelve strip colours that are easy to tell apart, in the order of the strip colour table.
const COLORREF kDistinct[kStripColorCount] = {
    RGB(250, 10, 10), RGB(10, 250, 10), RGB(10, 10, 250), RGB(250, 250, 10),
    RGB(10, 250, 250), RGB(250, 10, 249), RGB(120, 60, 0), RGB(0, 120, 60),
    RGB(60, 0, 120), RGB(200, 120, 40), RGB(255, 255, 255), RGB(20, 30, 40)};

class StripPaint : public testing::Test {
 protected:
  void SetUp() override {
    TickerWindowState& t = StartedTicker();
    saved_ = t.prefs;
    for (int i = 0; i < kStripColorCount; ++i) t.prefs.colors[i] = kDistinct[i];
    DiscardBackgroundBrush(Ticker().paintCache);
    DiscardClipRegion(Ticker().paintCache);
    t.stripFlags.scrollOffset = 0;
    t.fitToCaption = 0;
    t.alwaysOnTop = 0;
    t.glueToDesktop = 0;
    t.undocked = 1;
  }
  void TearDown() override {
    TickerWindowState& t = Ticker();
    t.prefs = saved_;
    t.fitToCaption = 1;
    t.alwaysOnTop = 1;
    DiscardBackgroundBrush(Ticker().paintCache);
    DiscardClipRegion(Ticker().paintCache);
    SetTickerClientSize(150, 18);
  }

  // One frame at the current offset into a canvas of the ticker's size.
  PixelGrab RenderStrip(int width, int height) {
    SetTickerClientSize(width, height);
    DiscardClipRegion(Ticker().paintCache);
    MemoryCanvas canvas(width, height, kUntouched);
    PaintTickerStrip(Ticker(), canvas.dc(), Ticker().tickerWindow);
    return canvas.Grab();
  }

  PixelGrab RenderPanel(int width, int height) {
    SetTickerClientSize(width, height);
    MemoryCanvas canvas(width, height, kUntouched);
    DrawControlPanel(canvas.dc(), Ticker().tickerWindow,
                     TickerPanelLook(Ticker(), Ticker().tickerWindow));
    return canvas.Grab();
  }

  TickerPrefs saved_;
};

TEST_F(StripPaint, EmptyStripShowsTheBackgroundInsideTheClipOnly) {
  FillStrip({});
  const PixelGrab g = RenderStrip(400, 28);
  // Scroll area 19..360, shrunk by the clip to 20..359 and rows 1..26.
  EXPECT_EQ(g.Count(20, 1, 359, 27, kDistinct[kColorBackground]), 339 * 26);
  EXPECT_EQ(g.Count(0, 0, 20, 28, kUntouched), 20 * 28) << "grip left alone";
  EXPECT_EQ(g.Count(359, 0, 400, 28, kUntouched), 41 * 28) << "control panel left alone";
  EXPECT_EQ(g.Count(20, 0, 359, 1, kUntouched), 339) << "top row left alone";
  EXPECT_EQ(g.Count(20, 27, 359, 28, kUntouched), 339) << "bottom row left alone";
}

TEST_F(StripPaint, AFloatingFrameOnTopClipsToTheWholeArea) {
  Ticker().alwaysOnTop = 1;
  FillStrip({});
  const PixelGrab g = RenderStrip(400, 28);
  EXPECT_EQ(g.Count(19, 0, 360, 28, kDistinct[kColorBackground]), 341 * 28);
  EXPECT_EQ(g.At(18, 5), kUntouched);
  EXPECT_EQ(g.At(360, 5), kUntouched);
}

TEST_F(StripPaint, EachColorIndexDrawsInItsColour) {
  for (int index = -1; index <= 16; ++index) {
    SCOPED_TRACE(index);
    FillStrip({{"WWWWWW", index, 0}});
    Ticker().stripFlags.scrollOffset = -30;  // the item starts 30 pixels into the window
    const PixelGrab g = RenderStrip(300, 28);
    const COLORREF expected = kDistinct[StripColorForIndex(index)];
    if (index == 0) {
      // The background colour: the text is invisible.
      EXPECT_EQ(g.Count(20, 1, 259, 27, kDistinct[kColorBackground]), 239 * 26);
      continue;
    }
    EXPECT_GT(g.Count(30, 1, 100, 27, expected), 20);
    for (int other = 0; other < kStripColorCount; ++other) {
      if (kDistinct[other] == expected || other == kColorBackground) continue;
      EXPECT_EQ(g.Count(20, 1, 259, 27, kDistinct[other]), 0) << "colour " << other;
    }
  }
}

// The first and last rows that hold ink of this colour in the strip's scroll area; capitals
// have no descenders, so the last row of a word of them is its baseline.
std::pair<int, int> InkRows(const PixelGrab& g, COLORREF ink) {
  std::pair<int, int> rows{-1, -1};
  for (int y = 0; y < g.height; ++y) {
    if (g.Count(20, y, g.width - 41, y + 1, ink) == 0) continue;
    if (rows.first < 0) rows.first = y;
    rows.second = y;
  }
  return rows;
}

TEST_F(StripPaint, TallAndSmallItemsStandOnOneBaseline) {
  FillStrip({{"HHHHHH", 1, 0}});
  Ticker().stripFlags.scrollOffset = -30;
  const auto small = InkRows(RenderStrip(300, 28), kDistinct[kColorUsHeadlines]);
  FillStrip({{"HHHHHH", 1, 1}});
  Ticker().stripFlags.scrollOffset = -30;
  const auto tall = InkRows(RenderStrip(300, 28), kDistinct[kColorUsHeadlines]);
  ASSERT_GE(small.first, 0);
  ASSERT_GE(tall.first, 0);
  EXPECT_LT(tall.first, small.first) << "tall letters reach higher";
  EXPECT_EQ(tall.second, small.second) << "and stand on the same line";
}

// The strip font stays selected in the drawing context from frame to frame: a frame must still
// switch for each item, start right after a frame that ended in the other font, and pick up the
// fonts that a resize has rebuilt.
TEST_F(StripPaint, EachFrameDrawsItemsInTheirFontsAcrossFramesAndResizes) {
  const COLORREF smallInk = kDistinct[kColorUsHeadlines];
  const COLORREF tallInk = kDistinct[kColorWorldHeadlines];
  FillStrip({{"HHHH ", 2, 1}, {"HHHH ", 1, 0}, {"HHHH ", 2, 1}, {"HHHH ", 1, 0}});
  Ticker().stripFlags.scrollOffset = -30;
  const PixelGrab first = RenderStrip(300, 28);
  Ticker().stripFlags.scrollOffset = -30;
  const PixelGrab second = RenderStrip(300, 28);
  EXPECT_TRUE(first.bits == second.bits);
  const auto small = InkRows(second, smallInk);
  const auto tall = InkRows(second, tallInk);
  ASSERT_GE(small.first, 0);
  ASSERT_GE(tall.first, 0);
  EXPECT_GT(tall.second - tall.first, small.second - small.first) << "tall letters are taller";

  Ticker().stripFlags.scrollOffset = -30;
  const auto low = InkRows(RenderStrip(300, 18), smallInk);
  Ticker().stripFlags.scrollOffset = -30;
  const auto high = InkRows(RenderStrip(300, 40), smallInk);
  ASSERT_GE(low.first, 0);
  EXPECT_GT(high.second - high.first, low.second - low.first + 4) << "fonts of the new height";
}

TEST_F(StripPaint, TheStripIsSeamlessAtTheWrap) {
  FillStrip({{"First story ", 1, 1, 1}, {"Second ", 2, 1}, {"Third item ", 3, 0},
             {"Fourth ", 4, 1}, {"Fifth ", 5, 1}});
  int32_t stripWidth = 0;
  {
    ItemsView view = Ticker().items.Read();
    stripWidth = view.stripWidth;
  }
  ASSERT_GT(stripWidth, 100);
  Ticker().stripFlags.scrollOffset = 0;
  const PixelGrab atStart = RenderStrip(300, 28);
  Ticker().stripFlags.scrollOffset = stripWidth;
  const PixelGrab atWrap = RenderStrip(300, 28);
  EXPECT_EQ(Ticker().stripFlags.scrollOffset.load(), stripWidth) << "left as it is";
  int firstDifference = -1;
  for (size_t i = 0; i < atStart.bits.size() && firstDifference < 0; ++i) {
    if (atStart.bits[i] != atWrap.bits[i]) firstDifference = static_cast<int>(i);
  }
  EXPECT_EQ(firstDifference, -1) << "x " << firstDifference % 300 << " y " << firstDifference / 300
                                 << " strip width " << stripWidth;

  Ticker().stripFlags.scrollOffset = stripWidth + 5;
  RenderStrip(300, 28);
  EXPECT_EQ(Ticker().stripFlags.scrollOffset.load(), 5);
}

// Plain scrolling copies its frames from a band of the strip drawn ahead; the keyboard's frames are
// drawn one by one. Both must show the same pixels at every offset, across new bands and the wrap,
// in either direction.
TEST_F(StripPaint, FramesCopiedFromTheBandMatchFramesDrawnOneByOne) {
  // Longer than the band of a 300-pixel window, so that frames need new bands.
  FillStrip({{"The first story of the day ", 1, 1, 1}, {"A second one, in another colour ", 2, 1},
             {"The third item in the small font ", 3, 0}, {"Fourth: markets and weather ", 4, 1},
             {"Fifth and nearly the last ", 5, 1}, {"Sixth, small again ", 6, 0}});
  TickerWindowState& t = Ticker();
  ASSERT_GT(t.items.StripWidth(), 3 * 300);
  RenderStrip(300, 28);  // a new list's first frame draws no band
  std::vector<int32_t> offsets;
  for (int32_t o = 0; o < 2000; o += 37) offsets.push_back(o % t.items.StripWidth());
  for (const bool forward : {true, false}) {
    SCOPED_TRACE(forward ? "forward" : "backward");
    t.stripFlags.scrollForward = forward ? 1 : 0;
    std::vector<PixelGrab> fromBand;
    int bandsDrawn = 0;
    int32_t lastStart = -1;
    for (size_t i = 0; i < offsets.size(); ++i) {
      t.stripFlags.scrollOffset = offsets[forward ? i : offsets.size() - 1 - i];
      fromBand.push_back(RenderStrip(300, 28));
      ASSERT_TRUE(t.paintCache.bandValid);
      if (t.paintCache.bandStart != lastStart) ++bandsDrawn;
      lastStart = t.paintCache.bandStart;
    }
    EXPECT_GT(bandsDrawn, 1) << "frames went past a band";
    EXPECT_LT(bandsDrawn, static_cast<int>(offsets.size()) / 4) << "most frames were copied";
    t.reading.keyboard = 1;
    for (size_t i = 0; i < offsets.size(); ++i) {
      const int32_t offset = offsets[forward ? i : offsets.size() - 1 - i];
      t.stripFlags.scrollOffset = offset;
      EXPECT_TRUE(RenderStrip(300, 28).bits == fromBand[i].bits) << "offset " << offset;
    }
    t.reading.keyboard = 0;
  }
  t.stripFlags.scrollForward = 1;
}

TEST_F(StripPaint, NarrowWindowsPaintNothingAndStillWrapTheOffset) {
  FillStrip({{"Alpha ", 1, 1}, {"Beta ", 2, 1}});
  for (int width : {0, 1, 22, 40}) {
    SCOPED_TRACE(width);
    Ticker().stripFlags.scrollOffset = -7;
    const PixelGrab g = RenderStrip(width, 28);
    const ScrollArea area = ComputeScrollArea(width, -1, Ticker().dock.gripWidth, false);
    const int inside = area.right - area.left > 2 ? (area.right - area.left - 2) * 26 : 0;
    if (width > 0) {
      EXPECT_EQ(g.Count(0, 0, width, 28, kUntouched), width * 28 - inside);
    }
    EXPECT_GE(Ticker().stripFlags.scrollOffset.load(), 0);
  }
}

TEST_F(StripPaint, GripRidgesAndButtonEdgesUseTheButtonColours) {
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const PixelGrab g = RenderPanel(400, 28);  // B = 27 (not fitted to the caption)
  for (int y = 2; y <= 24; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(g.At(2, y), highlight);
    EXPECT_EQ(g.At(3, y), face);
    EXPECT_EQ(g.At(4, y), shadow);
    EXPECT_EQ(g.At(6, y), highlight);
    EXPECT_EQ(g.At(8, y), shadow);
  }
  // The raised logo button (x0 = 378): highlight on its left, black and shadow on the right.
  EXPECT_EQ(g.At(378, 10), highlight);
  EXPECT_EQ(g.At(398, 10), shadow);
  EXPECT_EQ(g.At(399, 10), RGB(0, 0, 0));
  EXPECT_EQ(g.At(385, 26), RGB(0, 0, 0)) << "bottom edge at B - 1";
  // The raised search button (361..376).
  EXPECT_EQ(g.At(361, 10), highlight);
  EXPECT_EQ(g.At(375, 10), shadow);

  // Pressed: the dark edge moves to the top left.
  Ticker().logoButtonUp = 0;
  const PixelGrab pressed = RenderPanel(400, 28);
  Ticker().logoButtonUp = 1;
  EXPECT_EQ(pressed.At(378, 10), RGB(0, 0, 0));
  EXPECT_EQ(pressed.At(379, 10), shadow);
}

TEST_F(StripPaint, SearchAndNextTopicButtonsNeedMoreThanAHundredPixels) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const PixelGrab wide = RenderPanel(101, 28);
  const PixelGrab narrow = RenderPanel(100, 28);
  // The search button's face and the next-topic triangle (black, from column grip + 3).
  EXPECT_GT(wide.Count(61, 1, 77, 27, face), 0);
  EXPECT_GT(wide.Count(13, 1, 16, 27, RGB(0, 0, 0)), 0);
  EXPECT_EQ(narrow.Count(60, 1, 76, 27, face), 0);
  EXPECT_EQ(narrow.Count(10, 0, 20, 28, RGB(0, 0, 0)), 0);
  EXPECT_EQ(narrow.Count(10, 0, 20, 28, kUntouched), 10 * 28);
}

TEST_F(StripPaint, NoPanelWhileTheStripIsDraggedByHand) {
  Ticker().dragging = 1;
  const PixelGrab g = RenderPanel(400, 28);
  Ticker().dragging = 0;
  EXPECT_EQ(g.Count(0, 0, 400, 28, kUntouched), 400 * 28);
}

// The logo as the panel should show it: the bitmap copied, or stretched to 19 x height.
PixelGrab ExpectedLogo(int height) {
  HBITMAP logo = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                 MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADMAP3DCOLORS));
  MemoryCanvas canvas(19, height, kUntouched);
  HDC source = CreateCompatibleDC(canvas.dc());
  HGDIOBJ old = SelectObject(source, logo);
  SetStretchBltMode(canvas.dc(), COLORONCOLOR);
  StretchBlt(canvas.dc(), 0, 0, 19, height, source, 0, 0, 19, 13, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(logo);
  return canvas.Grab();
}

void ExpectLogoAt(const PixelGrab& panel, const PixelGrab& logo, int x, int y) {
  int mismatches = 0;
  // The button's edge is drawn over the logo's first column.
  for (int j = 0; j < logo.height; ++j) {
    for (int i = 1; i < logo.width; ++i) {
      if (panel.At(x + i, y + j) != logo.At(i, j)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(StripPaint, TheLogoIsSqueezedOnlyWhenTheStripIsTooLow) {
  ExpectLogoAt(RenderPanel(300, 20), ExpectedLogo(13), 278, 2);
  ExpectLogoAt(RenderPanel(300, 19), ExpectedLogo(13), 278, 2);
  ExpectLogoAt(RenderPanel(300, 28), ExpectedLogo(13), 278, 6);
  const PixelGrab low = RenderPanel(300, 16);
  ExpectLogoAt(low, ExpectedLogo(10), 278, 2);
  EXPECT_EQ(low.At(285, 12), GetSysColor(COLOR_BTNFACE)) << "nothing below the squeezed logo";
}

TEST_F(StripPaint, AMailAlertShowsTheMailIconInTheLogoPhase) {
  auto logoRegion = [&] {
    const PixelGrab g = RenderPanel(300, 28);
    std::vector<COLORREF> pixels;
    for (int y = 6; y < 19; ++y) {
      for (int x = 278; x < 297; ++x) pixels.push_back(g.At(x, y));
    }
    return pixels;
  };
  TickerWindowState& t = Ticker();
  t.sponsorPhase = 0;
  t.refresh.mailAlertPending = 0;
  const auto logo = logoRegion();
  t.refresh.mailAlertPending = 1;
  const auto mail = logoRegion();
  t.sponsorPhase = 1;
  const auto sponsorPhase = logoRegion();
  t.sponsorPhase = 0;
  t.refresh.mailAlertPending = 0;
  EXPECT_NE(logo, mail);
  EXPECT_EQ(logo, sponsorPhase) << "phase 1 shows the logo whatever the mail state";
}

}  // namespace
