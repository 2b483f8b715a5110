// Strip geometry: the scroll area and its clip, the visible slots, offset wrapping, colours and
// the speed table.
#include "strip/strip_geometry.h"

#include <gtest/gtest.h>

#include "strip/scroll_step.h"
#include "support/fixed_measurer.h"

#include <vector>
#include "window/timers.h"

namespace {

TEST(ScrollArea, EdgesByWidthGripAndSearchBox) {
  const struct {
    int w, box, grip;
    bool saver;
    int left, right;
  } rows[] = {
      {100, -1, 10, false, 10, 78},  {101, -1, 10, false, 19, 61},
      {1024, -1, 10, false, 19, 984}, {1024, -1, 0, false, 9, 984},
      {1024, -1, 10, true, 0, 984},  {1024, 300, 10, false, 19, 681},
      {150, 40, 10, false, 19, 67},  // the box leaves R = 107
      {140, 40, 10, false, 10, 75},  // R = 97: the narrow layout
      {40, -1, 10, false, 10, 18},   {22, -1, 10, false, 10, 10},
      {1, -1, 10, false, 10, 10},    {0, -1, 10, false, 10, 10},
      {0, -1, 10, true, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "W=" << row.w << " box=" << row.box);
    const ScrollArea a = ComputeScrollArea(row.w, row.box, row.grip, row.saver);
    EXPECT_EQ(a.left, row.left);
    EXPECT_EQ(a.right, row.right);
    EXPECT_GE(a.right, a.left);
  }
  // At 144 DPI the grip and the buttons beside the area are half as wide again.
  EXPECT_EQ(ComputeScrollArea(1024, 300, 10, false, 144).left, 29);
  EXPECT_EQ(ComputeScrollArea(1024, 300, 10, false, 144).right, 661);
  EXPECT_EQ(ComputeScrollArea(100, -1, 10, false, 144).right, 67);
}

TEST(StripClip, ShrunkByOnePixelExceptForAFloatingFrameOnTopOrGlued) {
  const ScrollArea area{19, 984};
  Rect c = ComputeStripClip(area, 28, false, true, false);
  EXPECT_EQ(c.left, 20);
  EXPECT_EQ(c.top, 1);
  EXPECT_EQ(c.right, 983);
  EXPECT_EQ(c.bottom, 27);
  c = ComputeStripClip(area, 28, true, true, false);
  EXPECT_EQ(c.left, 19);
  EXPECT_EQ(c.top, 0);
  EXPECT_EQ(c.right, 984);
  EXPECT_EQ(c.bottom, 28);
  c = ComputeStripClip(area, 28, true, false, false);
  EXPECT_EQ(c.left, 20);
  c = ComputeStripClip(area, 28, true, true, true);
  EXPECT_EQ(c.left, 20);
  c = ComputeStripClip(ScrollArea{10, 10}, 0, false, true, false);
  EXPECT_GE(c.right, c.left);
  EXPECT_GE(c.bottom, c.top);
}

TEST(VisibleSlots, OneWalkFindsTheSlotsOverlappingTheArea) {
  TickerItem items[6] = {};
  const int xs[6] = {0, 100, 150, 220, 250, 290};
  for (int i = 0; i < 6; ++i) items[i].x = xs[i];
  const struct {
    int offset, right;
    uint32_t first, end;
  } rows[] = {
      {0, 100, 0, 2},     // slot 1 starts exactly at the right edge
      {120, 50, 1, 3},    // slot 1 reaches into the area from the left
      {150, 60, 2, 3},    // starts exactly at slot 2
      {300, 100, 5, 6},   // past the last start
      {-50, 40, 0, 0},    // slot 0 starts right of the area
      {-50, 60, 0, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "offset " << row.offset);
    const SlotRange r = FindVisibleSlots(items, 6, row.offset, row.right);
    EXPECT_EQ(r.first, row.first);
    EXPECT_EQ(r.end, row.end);
  }
  const SlotRange none = FindVisibleSlots(nullptr, 0, 10, 100);
  EXPECT_EQ(none.first, 0u);
  EXPECT_EQ(none.end, 0u);
}

TEST(NormaliseOffset, WrapsOnceIntoOneCycle) {
  EXPECT_EQ(NormaliseOffset(290, 290), 290) << "offset == stripWidth stays";
  EXPECT_EQ(NormaliseOffset(295, 290), 5);
  EXPECT_EQ(NormaliseOffset(-4, 290), 286);
  EXPECT_EQ(NormaliseOffset(0, 290), 0);
  EXPECT_EQ(NormaliseOffset(5000, 0), 0) << "an empty strip pins the offset";
  EXPECT_EQ(NormaliseOffset(-5, -1), 0);
}

TEST(StripBand, AFrameCopiesFromTheBandOnlyWhereTheBandHoldsAllItsColumns) {
  const struct {
    int32_t offset, bandStart, bandWidth, stripWidth, left, right, shift;
  } rows[] = {
      {100, 100, 3000, 5000, 20, 1000, 0},      // the band starts at the frame
      {1100, 100, 3000, 5000, 20, 1000, 1000},  // later on
      {2100, 100, 3000, 5000, 20, 1000, 2000},  // its right end at the band's
      {2101, 100, 3000, 5000, 20, 1000, -1},    // and one pixel past it
      {4990, 4900, 3000, 5000, 20, 1000, 90},   // across the wrap: x 5000 is x 0 again
      {30, 4900, 3000, 5000, 20, 1000, 130},    // the offset wrapped, the band did not
      {5030, 4900, 3000, 5000, 20, 1000, 130},  // an offset one cycle on is the same frame
      {50, 100, 3000, 5000, 20, 1000, -1},      // the frame starts before the band
      {-20, 0, 3000, 5000, 20, 1000, -1},       // a negative offset shows blank before x 0
      {10, 0, 3000, 0, 20, 1000, -1},           // an empty strip
      {700, 0, 3000, 300, 20, 1000, 100},       // a strip narrower than the frame repeats
      {0, 0, 3000, 5000, 1000, 20, -1},         // nonsense columns
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "offset " << r.offset << " band " << r.bandStart);
    EXPECT_EQ(BandShift(r.offset, r.bandStart, r.bandWidth, r.stripWidth, r.left, r.right),
              r.shift);
  }
}

TEST(StripBand, ANewBandLetsTheStripRunTheLongestWayInItsDirection) {
  const struct {
    int32_t offset, stripWidth;
    bool forward;
    int32_t start;
  } rows[] = {
      {100, 5000, true, 100},  {100, 5000, false, 3100},  // 100 - 2000 wraps to 3100
      {4000, 5000, false, 2000}, {5000, 5000, true, 0},  {-20, 5000, true, 4980},
      {100, 300, false, 200},  // 100 - 2000 wraps more than once
      {100, 0, true, 0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "offset " << r.offset << " forward " << r.forward);
    const int32_t start = NewBandStart(r.offset, r.stripWidth, 3000, 1000, r.forward);
    EXPECT_EQ(start, r.start);
    if (r.stripWidth > 0 && r.offset >= 0) {
      const int32_t shift = BandShift(r.offset, start, 3000, r.stripWidth, 20, 1000);
      EXPECT_GE(shift, 0) << "the frame that asked for the band fits in it";
    }
  }
}

TEST(TextTops, CaptionsShareTheHeadlinesBaseline) {
  const struct {
    int32_t h, tallAscent, smallAscent, smallHeight, small;
  } rows[] = {
      {28, 22, 17, 20, 8},   // baseline at 25 for both fonts
      {24, 18, 15, 18, 6},
      {20, 14, 12, 15, 5},   // 3 + 14 - 12
      {20, 18, 4, 15, 5},    // the baseline would push the caption out at the bottom
      {10, 2, 9, 12, 0},     // never above the top
      {30, 1 << 30, -(1 << 30), 5, 25},  // absurd metrics stay inside the window
  };
  for (const auto& row : rows) {
    const TextTops tops = ComputeTextTops(row.h, row.tallAscent, row.smallAscent, row.smallHeight);
    EXPECT_EQ(tops.tall, 3);
    EXPECT_EQ(tops.small, row.small) << row.h << " " << row.tallAscent << " " << row.smallAscent;
  }
}

TEST(StripColorForIndex, TableAndTheCaptionColourForEverythingElse) {
  const int expected[16] = {11, 0, 1, 2, 6, 3, 5, 4, 9, 8, 7, 9, 3, 5, 1, 10};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(StripColorForIndex(i), expected[i]) << i;
  EXPECT_EQ(StripColorForIndex(-1), 10);
  EXPECT_EQ(StripColorForIndex(99), 10);
  EXPECT_EQ(StripColorForIndex(INT32_MIN), 10);
}

TEST(ScrollStep, SpeedTable) {
  const struct {
    int speed, smooth, frames, pixels;
  } rows[] = {{1, 0, 1, 1}, {2, 0, 1, 2}, {3, 0, 1, 2}, {4, 0, 2, 2}, {5, 0, 2, 3},
              {6, 0, 2, 3}, {7, 0, 2, 4}, {8, 0, 2, 4}, {0, 0, 1, 1}, {-3, 0, 1, 1},
              {99, 0, 2, 4}, {1, 1, 1, 1}, {6, 1, 6, 1}, {8, 1, 8, 1}, {0, 1, 1, 1},
              {500, 1, 8, 1}};
  for (const auto& row : rows) {
    const ScrollStep s = ComputeScrollStep(row.speed, row.smooth);
    EXPECT_EQ(s.frames, row.frames) << row.speed << "/" << row.smooth;
    EXPECT_EQ(s.pixels, row.pixels) << row.speed << "/" << row.smooth;
  }
}

TEST(RefreshPeriod, MinutesBoundedToOneMinuteAndOneDay) {
  EXPECT_EQ(RefreshPeriodMs(10), 600000u);
  EXPECT_EQ(RefreshPeriodMs(0), 60000u);
  EXPECT_EQ(RefreshPeriodMs(-7), 60000u);
  EXPECT_EQ(RefreshPeriodMs(1440), 86400000u);
  EXPECT_EQ(RefreshPeriodMs(100000), 86400000u);
}

}  // namespace

namespace {

struct Drawn {
  uint32_t item;
  int32_t x;
  bool operator==(const Drawn& o) const { return item == o.item && x == o.x; }
};

std::vector<Drawn> Walk(const TickerItemList& list, int32_t offset, int32_t right) {
  std::vector<Drawn> drawn;
  ItemsView view = list.Read();
  WalkVisibleSlots(view.items, view.drawCount, view.itemCount, view.stripWidth, offset, right,
                   [&](const TickerItem& item, int32_t x) {
                     drawn.push_back({static_cast<uint32_t>(&item - view.items) %
                                          static_cast<uint32_t>(view.itemCount),
                                      x - offset});
                   });
  return drawn;
}

TEST(WalkVisibleSlots, AWideWindowSeesTheSameStripAtTheWrapAsAtTheStart) {
  StripFlags flags;
  TickerItemList list(flags);
  FixedMeasurer measurer(10);
  for (const char* text : {"aaaa", "bb", "ccccc", "d", "eee"}) {
    list.Append(&measurer, text, "", 1, 0, 0);
  }
  list.Finish();  // strip width 150; only three items are copied after the last one
  for (int32_t right : {50, 200, 1000}) {
    SCOPED_TRACE(right);
    EXPECT_EQ(Walk(list, 0, right), Walk(list, 150, right));
    EXPECT_EQ(Walk(list, 35, right), Walk(list, 185, right));
  }
  const std::vector<Drawn> wide = Walk(list, 150, 1000);
  // The last item drawn starts within the widest item's width of the right edge: no gap.
  EXPECT_GT(wide.back().x, 1000 - 50);
  EXPECT_LE(wide.back().x, 1000);
}

TEST(WalkVisibleSlots, ZeroWidthItemsCannotLoopForever) {
  StripFlags flags;
  TickerItemList list(flags);
  FixedMeasurer measurer(0);
  list.Append(&measurer, "x", "", 1, 0, 0);
  list.Finish();
  EXPECT_LE(Walk(list, 0, 1000).size(), 4096u + 10u);
}

}  // namespace
