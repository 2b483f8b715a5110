// Centring a dialog over a window, kept on the screen.
#include "prefs/dialog_position.h"

namespace {

// One axis: centred on [refLow, refHigh), then pushed inside [low, high). Wide sums in 64 bits, so
// that hostile rectangles cannot overflow.
int32_t Place(int64_t size, int64_t refLow, int64_t refHigh, int64_t low, int64_t high) {
  int64_t at = refLow + ((refHigh - refLow) - size) / 2;
  if (at + size > high) at = high - size;
  if (at < low) at = low;
  if (at > INT32_MAX) at = INT32_MAX;
  if (at < INT32_MIN) at = INT32_MIN;
  return static_cast<int32_t>(at);
}

}  // namespace

Point CenteredPosition(const Rect& window, const Rect& reference, const Rect& screen) {
  Point p;
  p.x = Place(int64_t{window.right} - window.left, reference.left, reference.right, screen.left,
              screen.right);
  p.y = Place(int64_t{window.bottom} - window.top, reference.top, reference.bottom, screen.top,
              screen.bottom);
  return p;
}
