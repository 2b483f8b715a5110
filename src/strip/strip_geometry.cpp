// Strip geometry.
#include "strip/strip_geometry.h"

#include "base/dpi_scale.h"

namespace {
// Positions in the colour order of TickerPrefs::colors (settings/ticker_prefs.h).
enum : int {
  kUs, kWorld, kBusiness, kPolitics, kSports, kEntertainment, kTechnology,
  kQuoteUp, kQuoteDown, kQuoteNc, kSymbol, kBackground
};
}  // namespace

ScrollArea ComputeScrollArea(int32_t clientWidth, int32_t searchBoxWidth, int32_t gripWidth,
                             bool screenSaverRunning, int32_t dpi) {
  int32_t r = clientWidth;
  if (searchBoxWidth >= 0) r = clientWidth - searchBoxWidth - 3;
  int32_t left = 0;
  if (!screenSaverRunning) left = ScaleForDpi(gripWidth, dpi) + (r > 100 ? ScaleForDpi(9, dpi) : 0);
  int32_t right = r - ScaleForDpi(r > 100 ? 40 : 22, dpi);
  if (right <= left) right = left;
  return ScrollArea{left, right};
}

Rect ComputeStripClip(const ScrollArea& area, int32_t clientHeight, bool onTopOrGlued,
                         bool undocked, bool screenSaverRunning) {
  if (onTopOrGlued && undocked && !screenSaverRunning) {
    return Rect{area.left, 0, area.right, clientHeight};
  }
  Rect box{area.left + 1, 1, area.right - 1, clientHeight - 1};
  if (box.right < box.left) box.right = box.left;
  if (box.bottom < box.top) box.bottom = box.top;
  return box;
}

SlotRange FindVisibleSlots(const TickerItem* items, uint32_t drawCount, int32_t offset,
                           int32_t areaRight) {
  uint32_t i = 0;
  while (i < drawCount && items[i].x <= offset) ++i;
  const uint32_t first = i == 0 ? 0 : i - 1;
  const int64_t limit = static_cast<int64_t>(offset) + areaRight;
  while (i < drawCount && items[i].x <= limit) ++i;
  return SlotRange{first, i};
}

TextTops ComputeTextTops(int32_t clientHeight, int32_t tallAscent, int32_t smallAscent,
                         int32_t smallHeight) {
  constexpr int32_t kTallTop = 3;
  int64_t small = int64_t{kTallTop} + tallAscent - smallAscent;
  if (small + smallHeight > clientHeight) small = int64_t{clientHeight} - smallHeight;
  if (small < 0) small = 0;
  return TextTops{kTallTop, static_cast<int32_t>(small)};
}

namespace {

// x within [0, period).
int32_t Wrap(int64_t x, int32_t period) {
  const int64_t r = x % period;
  return static_cast<int32_t>(r < 0 ? r + period : r);
}

}  // namespace

int32_t BandShift(int32_t offset, int32_t bandStart, int32_t bandWidth, int32_t stripWidth,
                  int32_t left, int32_t right) {
  if (stripWidth <= 0 || offset < 0 || left < 0 || right < left) return -1;
  const int32_t shift = Wrap(int64_t{offset} - bandStart, stripWidth);
  return int64_t{shift} + right <= bandWidth ? shift : -1;
}

int32_t NewBandStart(int32_t offset, int32_t stripWidth, int32_t bandWidth, int32_t right,
                     bool forward) {
  if (stripWidth <= 0) return 0;
  const int64_t room = bandWidth > right ? int64_t{bandWidth} - right : 0;
  return Wrap(forward ? int64_t{offset} : int64_t{offset} - room, stripWidth);
}

int32_t NormaliseOffset(int32_t offset, int32_t stripWidth) {
  if (stripWidth <= 0) return 0;
  if (offset > stripWidth) offset -= stripWidth;
  if (offset < 0) offset += stripWidth;
  return offset;
}

int StripColorForIndex(int32_t colorIndex) {
  static const int kByIndex[15] = {kBackground, kUs,       kWorld,         kBusiness,
                                   kTechnology, kPolitics, kEntertainment, kSports,
                                   kQuoteNc,    kQuoteDown, kQuoteUp,      kQuoteNc,
                                   kPolitics,   kEntertainment, kWorld};
  if (colorIndex < 0 || colorIndex > 14) return kSymbol;
  return kByIndex[colorIndex];
}
