// Placement arithmetic of the floating frame: saved positions, the caption position, the frame at
// start-up, the docked width, and the writes of the placement commands.
#include "window/placement.h"
#include "base/dpi_scale.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

ScreenMetrics Screen1024() { return ScreenMetrics{}; }

void ExpectPosition(const WindowPosition& p, int x, int y, int w, int h) {
  EXPECT_EQ(p.x, x);
  EXPECT_EQ(p.y, y);
  EXPECT_EQ(p.width, w);
  EXPECT_EQ(p.height, h);
}

TEST(LoadWindowPosition, KeepsPlausiblePositionsAndFallsBackOtherwise) {
  const struct {
    WindowPosition stored;
    WindowPosition expected;
  } rows[] = {
      {{100, 200, 500, 30}, {100, 200, 500, 30}},
      {{100, 200, 500, 12}, {100, 200, 500, 26}},  // too low: 26
      {{100, 200, 500, 120}, {50, 50, 400, 40}},   // too high
      {{0, 0, 0, 0}, {50, 50, 400, 40}},           // nothing stored
      {{-10, -10, 28, 10 + 10}, {-10, -10, 28, 20}},
      {{-11, 0, 400, 40}, {50, 50, 400, 40}},
      {{974, 0, 400, 40}, {974, 0, 400, 40}},  // x at screen width - 50
      {{975, 0, 400, 40}, {50, 50, 400, 40}},
      {{0, 758, 400, 40}, {0, 758, 400, 40}},  // y at work area bottom - 10
      {{0, 759, 400, 40}, {50, 50, 400, 40}},
      {{0, 0, 1049, 40}, {0, 0, 1049, 40}},    // width up to screen width + 25
      {{0, 0, 1050, 40}, {50, 50, 400, 40}},
      {{0, 0, 27, 40}, {50, 50, 400, 40}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.stored.x << "," << row.stored.y << " "
                                    << row.stored.width << "x" << row.stored.height);
    const WindowPosition p = LoadWindowPosition(row.stored, false, Screen1024());
    ExpectPosition(p, row.expected.x, row.expected.y, row.expected.width, row.expected.height);
  }
}

TEST(LoadWindowPosition, CaptionModeSitsLeftOfTheCaptionButtons) {
  ScreenMetrics screen = Screen1024();
  // A stored width of 30 gives 150; 1024 - (150 + 3 * 18 + 4) = 816.
  ExpectPosition(LoadWindowPosition({5, 300, 30, 12}, true, screen), 816, 0, 150, 18);
  ExpectPosition(LoadWindowPosition({5, 300, 300, 12}, true, screen), 666, 0, 300, 18);
  // A negative width is not a usable caption strip either.
  ExpectPosition(LoadWindowPosition({5, 300, -40, 12}, true, screen), 816, 0, 150, 18);

  screen.workArea = Rect{0, 30, 1024, 768};
  EXPECT_EQ(LoadWindowPosition({0, 0, 150, 0}, true, screen).y, 30);

  // A "MOM Class" window near the top right pushes the strip left by its width.
  screen.hasMomWindow = true;
  screen.momWindow = Rect{900, 0, 1000, 40};
  EXPECT_EQ(LoadWindowPosition({0, 0, 150, 0}, true, screen).x, 716);
  screen.momWindow = Rect{900, 0, 1000, 120};
  EXPECT_EQ(LoadWindowPosition({0, 0, 150, 0}, true, screen).x, 816) << "too low to matter";

  // Never further left than x = 64: the strip gets narrower instead.
  screen.hasMomWindow = false;
  ExpectPosition(LoadWindowPosition({0, 0, 1000, 0}, true, screen), 64, 30, 902, 18);
  // A width wider than the work area is taken as the work area's width, without overflowing.
  ExpectPosition(LoadWindowPosition({0, 0, INT32_MAX, 0}, true, screen), 64, 30, 902, 18);
}

TEST(PositionToSave, StoresPlausibleRectanglesAndTheFallbackOtherwise) {
  const ScreenMetrics screen = Screen1024();
  ExpectPosition(PositionToSave(Rect{10, 20, 510, 50}, false, screen), 10, 20, 500, 30);
  ExpectPosition(PositionToSave(Rect{10, 20, 510, 140}, false, screen), 50, 50, 400, 40);
  // Caption mode keeps what it is given, but never left of x = 64.
  ExpectPosition(PositionToSave(Rect{816, 0, 966, 18}, true, screen), 816, 0, 150, 18);
  ExpectPosition(PositionToSave(Rect{10, 0, 210, 18}, true, screen), 64, 0, 190, 18);
}

TEST(FrameCreation, SavedPositionOrTheDefaultPlace) {
  const ScreenMetrics screen = Screen1024();
  FrameCreation f = ComputeFrameCreation({100, 200, 500, 30}, false, false, false, screen);
  ExpectPosition(f.position, 100, 200, 500, 30);
  EXPECT_TRUE(f.thickFrame);

  f = ComputeFrameCreation({816, 0, 150, 18}, true, true, false, screen);
  ExpectPosition(f.position, 816, 0, 150, 18);
  EXPECT_FALSE(f.thickFrame);

  // On top or glued: the saved rectangle included a sizing border the frame does not have.
  f = ComputeFrameCreation({100, 200, 500, 40}, false, true, false, screen);
  ExpectPosition(f.position, 104, 203, 492, 34);
  EXPECT_FALSE(f.thickFrame);

  // y = -10 passes the saved-position test but not this one: the default place.
  f = ComputeFrameCreation({100, -10, 500, 40}, false, false, false, screen);
  ExpectPosition(f.position, 256, 384, 683, 28);
  EXPECT_TRUE(f.thickFrame);
  f = ComputeFrameCreation({100, -10, 500, 40}, false, false, true, screen);
  EXPECT_FALSE(f.thickFrame);
  f = ComputeFrameCreation({994, 0, 500, 40}, false, false, false, screen);
  ExpectPosition(f.position, 256, 384, 683, 28);
}

TEST(FrameCreation, AGluedFrameComesBackWhereItWas) {
  const ScreenMetrics screen = Screen1024();
  const Rect frame{300, 400, 800, 428};
  const WindowPosition saved = PositionToSave(WidenBySizingBorder(frame, screen), false, screen);
  const FrameCreation f = ComputeFrameCreation(
      LoadWindowPosition(saved, false, screen), false, false, true, screen);
  ExpectPosition(f.position, 300, 400, 500, 28);
}

// On a screen of 150 % the sizes the program picks grow with it; the stored ones stay as stored.
TEST(FrameCreation, DefaultSizesFollowTheScaleStoredSizesDoNot) {
  ScreenMetrics screen = Screen1024();
  screen.dpi = 144;
  ExpectPosition(LoadWindowPosition({100, 200, 500, 30}, false, screen), 100, 200, 500, 30);
  ExpectPosition(LoadWindowPosition({100, 200, 500, 12}, false, screen), 100, 200, 500, 39);
  ExpectPosition(LoadWindowPosition({0, 0, 0, 0}, false, screen), 50, 50, 600, 60);
  const FrameCreation f = ComputeFrameCreation({100, -10, 500, 40}, false, false, false, screen);
  ExpectPosition(f.position, 256, 384, 683, 42);
  // At 250 % the frame may be sized to 125 pixels: such a height comes back as it was saved.
  screen.dpi = 240;
  ExpectPosition(LoadWindowPosition({100, 200, 500, 120}, false, screen), 100, 200, 500, 120);
  EXPECT_EQ(PositionToSave({100, 200, 600, 320}, false, screen).height, 120);
  ExpectPosition(LoadWindowPosition({100, 200, 500, 260}, false, screen), 50, 50, 1000, 100);
}

TEST(TickerFillsFrame, OnlyABorderlessPlainFrameOrTheCaption) {
  EXPECT_TRUE(TickerFillsFrame(true, true, false, true));
  EXPECT_TRUE(TickerFillsFrame(false, false, false, true));
  EXPECT_FALSE(TickerFillsFrame(false, true, false, true));
  EXPECT_FALSE(TickerFillsFrame(false, false, true, true));
  EXPECT_FALSE(TickerFillsFrame(false, false, false, false));
}

TEST(ChooseTickerSize, StoredValuesAndTheirOlderCoding) {
  const struct {
    int stored;
    int size;
    bool store;
  } rows[] = {{0, 341, true}, {1, 2, false},   {2, 1, false},    {3, 341, true},
              {4, 4, false},  {500, 500, false}, {-5, 341, true}};
  for (const auto& row : rows) {
    const TickerSizeChoice c = ChooseTickerSize(row.stored, 1024);
    EXPECT_EQ(c.tickerSize, row.size) << row.stored;
    EXPECT_EQ(c.store, row.store) << row.stored;
    if (row.store) {
      EXPECT_EQ(c.dockedWidth, 341);
    }
  }
}

// Each command from each of the modes a frame can be in: the writes, in order.
TEST(PlacementCommands, WritesThatToggleAModeAndKeepTheRules) {
  using C = PlacementCommand;
  const SettingWrite top1{SettingId::kAlwaysOnTop, 1}, top0{SettingId::kAlwaysOnTop, 0},
      bottom1{SettingId::kAlwaysOnBottom, 1}, bottom0{SettingId::kAlwaysOnBottom, 0},
      fit1{SettingId::kFitToCaption, 1}, fit0{SettingId::kFitToCaption, 0},
      follow0{SettingId::kFollowCaption, 0};
  const struct {
    C command;
    bool top, glue, fit;
    std::vector<SettingWrite> writes;
  } rows[] = {
      {C::kAlwaysOnTop, false, false, false, {top1}},
      {C::kAlwaysOnTop, false, true, false, {top1, bottom0}},
      {C::kAlwaysOnTop, true, false, false, {top0}},
      {C::kAlwaysOnTop, true, false, true, {top0, fit0, follow0}},
      {C::kGlueToDesktop, false, false, false, {bottom1}},
      {C::kGlueToDesktop, true, false, false, {bottom1, top0}},
      {C::kGlueToDesktop, true, false, true, {bottom1, top0, fit0, follow0}},
      {C::kGlueToDesktop, false, true, false, {bottom0}},
      {C::kFitToCaption, false, false, false, {fit1, top1}},
      {C::kFitToCaption, true, false, false, {fit1}},
      {C::kFitToCaption, false, true, false, {fit1, bottom0, top1}},
      {C::kFitToCaption, true, false, true, {fit0, follow0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(row.command) << " from " << row.top
                                    << row.glue << row.fit);
    PlacementModes now;
    now.alwaysOnTop = row.top;
    now.glueToDesktop = row.glue;
    now.fitToCaption = row.fit;
    const std::vector<SettingWrite> writes = PlacementCommandWrites(row.command, now);
    ASSERT_EQ(writes.size(), row.writes.size());
    for (size_t i = 0; i < writes.size(); ++i) {
      EXPECT_EQ(static_cast<int>(writes[i].id), static_cast<int>(row.writes[i].id)) << i;
      EXPECT_EQ(writes[i].value, row.writes[i].value) << i;
    }
  }
}

TEST(LimitFrameSizing, TwentyToFiftyHighAndAtLeast150Wide) {
  const struct {
    Rect dragged;
    bool fromLeft;
    Rect expected;
  } rows[] = {
      {{100, 100, 500, 130}, false, {100, 100, 500, 130}},
      {{100, 100, 500, 151}, false, {100, 100, 500, 150}},  // 51 high: 50
      {{100, 100, 500, 119}, false, {100, 100, 500, 120}},  // 19 high: 20
      {{100, 100, 500, 150}, false, {100, 100, 500, 150}},
      {{100, 100, 500, 120}, false, {100, 100, 500, 120}},
      {{100, 100, 249, 130}, false, {100, 100, 250, 130}},  // the right edge follows
      {{351, 100, 500, 130}, true, {350, 100, 500, 130}},   // the left edge follows
      {{100, 100, 250, 130}, true, {100, 100, 250, 130}},
      {{400, 100, 300, 90}, true, {150, 100, 300, 120}},    // turned inside out
  };
  for (const auto& row : rows) {
    const Rect r = LimitFrameSizing(row.dragged, row.fromLeft);
    EXPECT_EQ(r, row.expected) << row.dragged.left << "," << row.dragged.top << " "
                               << row.dragged.right << "," << row.dragged.bottom;
  }
  // At 150 % the limits are 30 to 75 high and 225 wide.
  EXPECT_EQ(LimitFrameSizing({100, 100, 500, 190}, false, 144), (Rect{100, 100, 500, 175}));
  EXPECT_EQ(LimitFrameSizing({100, 100, 500, 120}, false, 144), (Rect{100, 100, 500, 130}));
  EXPECT_EQ(LimitFrameSizing({300, 100, 500, 140}, true, 144), (Rect{275, 100, 500, 140}));
}

TEST(CaptionNeedsMove, OnlyWhenTheRightEdgeIsOffByMoreThanTenOrTheTopDiffers) {
  const WindowPosition place{816, 0, 150, 18};
  const struct {
    Rect frame;
    bool move;
  } rows[] = {
      {{816, 0, 966, 18}, false},  {{806, 0, 956, 18}, false}, {{805, 0, 955, 18}, true},
      {{826, 0, 976, 18}, false},  {{827, 0, 977, 18}, true},  {{816, 1, 966, 19}, true},
      {{0, 0, 966, 18}, false},  // only the right edge counts
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CaptionNeedsMove(row.frame, place), row.move) << row.frame.left << " " << row.frame.top;
  }
  EXPECT_TRUE(CaptionNeedsMove(Rect{0, 0, 10, 10}, WindowPosition{INT32_MAX, 0, INT32_MAX, 10}));
}

TEST(DockedSizeAfterDrag, MoreThanFivePixelsMakesANewSize) {
  const struct {
    int32_t tickerSize, pressX, releaseX, newSize;
  } rows[] = {
      {341, 500, 495, 0},    {341, 500, 505, 0},   {341, 500, 494, 347},
      {341, 500, 506, 335},  {341, 500, 500, 0},
      {2, 500, 490, 522},    // a divisor: half the screen, widened by 10
      {1, 500, 600, 924},
      {30, 100, 200, 4},     // never below 4, which would read as a divisor
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DockedSizeAfterDrag(row.tickerSize, 1024, row.pressX, row.releaseX), row.newSize)
        << row.tickerSize << " " << row.pressX << "->" << row.releaseX;
  }
}

// A size fixed at 96 DPI on screens of other scales: 100 % leaves every pixel as it is.
TEST(ScaleForDpi, GrowsAndShrinksWithTheScaleRoundingToTheNearestPixel) {
  const struct {
    int32_t pixels, dpi, scaled;
  } rows[] = {
      {18, 96, 18},   {19, 96, 19},  {0, 144, 0},       {18, 144, 27},    {19, 144, 29},  // 28.5
      {13, 120, 16},  {3, 120, 4},   {100, 192, 200},   {7, 168, 12},     {1, 72, 1},     // 0.75
      {2, 72, 2},     {-19, 144, -29}, {-3, 120, -4},   {18, 0, 18},      {18, -96, 18},
      {INT32_MAX, 192, INT32_MAX},   {INT32_MIN, 192, INT32_MIN},          {INT32_MAX, 48, 1073741824},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ScaleForDpi(row.pixels, row.dpi), row.scaled) << row.pixels << " at " << row.dpi;
  }
}

}  // namespace
