// Mouse arithmetic: the strip drag, the search box's place, jump serials.
#include "window/interaction.h"

#include <gtest/gtest.h>

namespace {

TEST(StripDrag, FourPixelsOfStripPerPixelOfMouse) {
  // x, lastDragX, pressX, offset -> outcome, offset, direction (W 600, G 10, strip 1000).
  const struct {
    int x, last, press, offset, forwardBefore;
    StripDrag::Outcome outcome;
    int offsetAfter, forwardAfter;
  } rows[] = {
      {290, 300, 300, 100, 1, StripDrag::kScroll, 140, 1},   // left by 10
      {310, 300, 300, 100, 1, StripDrag::kScroll, 60, 0},    // right by 10: turns round
      {302, 300, 300, 100, 0, StripDrag::kScroll, 92, 0},    // small moves keep the direction
      {298, 300, 300, 100, 0, StripDrag::kScroll, 108, 0},
      {310, 300, 300, 20, 1, StripDrag::kScroll, 980, 0},    // wraps below 0
      {290, 300, 300, 990, 1, StripDrag::kScroll, 30, 1},    // wraps past the strip
      {150, 300, 300, 100, 1, StripDrag::kCancel, 100, 1},   // more than 100 pixels
      {580, 560, 300, 100, 1, StripDrag::kCancel, 100, 1},   // into the logo area
      {5, 8, 5, 100, 1, StripDrag::kOutside, 100, 1},        // on the grip, pressed there
      {595, 590, 580, 100, 1, StripDrag::kOutside, 100, 1},  // on the panel, pressed there
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.last << " -> " << r.x);
    const StripDrag d = DragStrip(r.x, r.last, r.press, 600, 10, r.offset, 1000, r.forwardBefore);
    EXPECT_EQ(d.outcome, r.outcome);
    EXPECT_EQ(d.offset, r.offsetAfter);
    EXPECT_EQ(d.scrollForward, r.forwardAfter);
  }
  EXPECT_EQ(DragStrip(290, 300, 300, 600, 10, 100, 0, 1).offset, 0) << "an empty strip";
  // At 144 DPI the search button starts at 541: a drag there is on the panel, not the strip.
  EXPECT_EQ(DragStrip(555, 550, 545, 600, 10, 100, 1000, 1, 144).outcome, StripDrag::kOutside);
  EXPECT_EQ(DragStrip(555, 550, 545, 600, 10, 100, 1000, 1).outcome, StripDrag::kScroll);
}

TEST(SearchBox, AThirdOfAWideStripElseAllOfIt) {
  EXPECT_EQ(SearchBoxRect(1000, 28, 10, true, true), (Rect{650, 0, 960, 28}));
  EXPECT_EQ(SearchBoxRect(401, 28, 10, true, true), (Rect{10, 0, 361, 28}));
  EXPECT_EQ(SearchBoxRect(441, 28, 10, true, true), (Rect{278, 0, 401, 28}));
  EXPECT_EQ(SearchBoxRect(1000, 28, 0, true, false), (Rect{640, 1, 960, 27}))
      << "docked: a pixel off the top and the bottom";
  EXPECT_EQ(SearchBoxRect(1000, 42, 10, true, true, 144), (Rect{642, 0, 940, 42}))
      << "clear of the search button, which grows with the scale";
}

TEST(WidthDrag, ThePointerStaysBetweenTheScreenEdgeAndThePanel) {
  const struct {
    int x;
    bool undocked;
    int tickerRight, held;
  } rows[] = {
      {500, true, 1000, 500},  {3, true, 1000, 4},     {-50, true, 1000, 4},
      {4, true, 1000, 4},      {79, false, 1000, 80},  {80, false, 1000, 80},
      {972, true, 1000, 972},  {973, true, 1000, 972}, {5000, false, 1000, 972},
      {50, false, 100, 72},  // a narrow docked ticker: the right limit wins
      {0, true, 20, -8},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(ClampWidthDragX(r.x, r.undocked, r.tickerRight), r.held)
        << r.x << (r.undocked ? " floating" : " docked") << " right " << r.tickerRight;
  }
}

TEST(JumpSerials, NewerAcrossTheWrap) {
  EXPECT_TRUE(IsNewerSerial(5, 4));
  EXPECT_FALSE(IsNewerSerial(4, 4));
  EXPECT_FALSE(IsNewerSerial(3, 4));
  EXPECT_TRUE(IsNewerSerial(0, 0xFFFF));
  EXPECT_FALSE(IsNewerSerial(0xFFFF, 0));
}

}  // namespace
