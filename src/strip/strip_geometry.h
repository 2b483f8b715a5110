// Geometry of the strip: the scroll area between the grip and the control panel, its clip, the
// visible slots for an offset, offset wrapping and the colour of an item.
#pragma once

#include <cstdint>

#include "strip/item_list.h"
#include "base/rect.h"

struct ScrollArea {
  int32_t left;
  int32_t right;  // never left of `left`
};

// W is the client width; searchBoxWidth is the search box's client width, or -1 when there is no
// box; a running screen saver's bar has no grip area. The grip's width and the panel's buttons
// beside the area are given at 96 DPI and scaled to `dpi`.
ScrollArea ComputeScrollArea(int32_t clientWidth, int32_t searchBoxWidth, int32_t gripWidth,
                             bool screenSaverRunning, int32_t dpi = 96);

// The region the strip is copied through: the scroll area shrunk by a pixel on each side, except
// for a floating frame that is on top or glued (outside a screen saver), where it is the area.
Rect ComputeStripClip(const ScrollArea& area, int32_t clientHeight, bool onTopOrGlued,
                         bool undocked, bool screenSaverRunning);

struct SlotRange {
  uint32_t first;
  uint32_t end;  // one past the last visible slot
};

// The slots that overlap [offset, offset + areaRight], found by one forward walk by x.
SlotRange FindVisibleSlots(const TickerItem* items, uint32_t drawCount, int32_t offset,
                           int32_t areaRight);

// Calls draw(item, x) for every slot that overlaps [offset, offset + areaRight], x being the slot's
// left edge in strip coordinates. The wrap copies after the last real item cover only part of a
// cycle; where a wide window reaches past them, the walk goes on with the real items of the next
// cycle, so the strip never shows a gap before it wraps.
template <typename Draw>
void WalkVisibleSlots(const TickerItem* items, uint32_t drawCount, int32_t itemCount,
                      int32_t stripWidth, int32_t offset, int32_t areaRight, Draw draw) {
  const SlotRange range = FindVisibleSlots(items, drawCount, offset, areaRight);
  for (uint32_t i = range.first; i < range.end; ++i) draw(items[i], items[i].x);
  if (range.end < drawCount || itemCount <= 0 || stripWidth <= 0 || drawCount == 0) return;

  const int64_t limit = static_cast<int64_t>(offset) + areaRight;
  const uint32_t count = static_cast<uint32_t>(itemCount);
  // Slot s of an endless strip is item s % count, one strip width further per cycle.
  for (uint32_t s = drawCount; s < drawCount + 4096; ++s) {
    const TickerItem& item = items[s % count];
    const int64_t x = item.x + static_cast<int64_t>(s / count) * stripWidth;
    if (x > limit) break;
    if (x + item.width >= offset) draw(item, static_cast<int32_t>(x));
  }
}

// Where the two strip fonts are drawn: the tall font's text 3 pixels from the top, and the small
// font's (topic captions) on the same baseline, as far as it fits inside the client height.
struct TextTops {
  int32_t tall;
  int32_t small;
};
TextTops ComputeTextTops(int32_t clientHeight, int32_t tallAscent, int32_t smallAscent,
                         int32_t smallHeight);

// The strip drawn ahead: a band of the endless strip, bandWidth pixels wide, whose column 0 shows
// strip x bandStart. A frame at `offset` shows strip x c + offset in its column c, so it copies its
// columns [left, right) from the band's columns [left + shift, right + shift). The shift, or -1
// when those columns are not all in the band. A negative offset shows blank strip before x 0, not
// the end of the cycle before, which no band holds: -1 too.
int32_t BandShift(int32_t offset, int32_t bandStart, int32_t bandWidth, int32_t stripWidth,
                  int32_t left, int32_t right);

// Where a new band starts for a frame at `offset` whose columns reach `right`: the frame at the
// band's near end, so that the strip can run the longest way within it in the direction it
// moves (forward: the offset grows). Always within [0, stripWidth); 0 for an empty strip.
int32_t NewBandStart(int32_t offset, int32_t stripWidth, int32_t bandWidth, int32_t right,
                     bool forward);

// The offset kept within one cycle of the strip. An empty strip (width 0 or less) pins it to 0.
int32_t NormaliseOffset(int32_t offset, int32_t stripWidth);

// The index of the strip colour (0..11, in the order of TickerPrefs::colors) that draws an item
// of the given colorIndex; any index outside 0..14 draws in the caption colour.
int StripColorForIndex(int32_t colorIndex);
