// Centring a dialog over a window, kept on the screen.
#include "base/dialog_position.h"

namespace {

// One axis: centred on [refLow, refHigh), then pushed inside [low, high). Wide sums in 64 bits, so
// that hostile rectangles cannot overflow.
int32_t Clamp(int64_t at) {
  if (at > INT32_MAX) return INT32_MAX;
  if (at < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(at);
}

// Pushes [at, at + size) inside [low, high); a size larger than the room keeps to low.
int64_t Inside(int64_t at, int64_t size, int64_t low, int64_t high) {
  if (at + size > high) at = high - size;
  if (at < low) at = low;
  return at;
}

int32_t Place(int64_t size, int64_t refLow, int64_t refHigh, int64_t low, int64_t high) {
  return Clamp(Inside(refLow + ((refHigh - refLow) - size) / 2, size, low, high));
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

Point BesideStripPosition(const Rect& window, const Rect& strip, const Rect& workArea) {
  const int64_t w = int64_t{window.right} - window.left;
  const int64_t h = int64_t{window.bottom} - window.top;
  const int64_t roomBelow = int64_t{workArea.bottom} - strip.bottom;
  const int64_t roomAbove = int64_t{strip.top} - workArea.top;
  int64_t y = strip.bottom;
  if (roomBelow < h && (roomAbove >= h || roomAbove > roomBelow)) y = int64_t{strip.top} - h;
  Point p;
  p.x = Clamp(Inside(strip.left, w, workArea.left, workArea.right));
  p.y = Clamp(Inside(y, h, workArea.top, workArea.bottom));
  return p;
}
