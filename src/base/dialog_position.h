// Where a dialog goes when it is centred over another window: the arithmetic, apart from the
// windows.
#pragma once

#include <cstdint>

#include "base/rect.h"

struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// The top-left corner that centres `window` on `reference`, moved so that the window lies inside
// `screen` (the monitor it ends up on, which may sit left of or above the first one). A window
// larger than the screen keeps to its left or top edge.
Point CenteredPosition(const Rect& window, const Rect& reference, const Rect& screen);

// The top-left corner that puts `window` (the preferences sheet) beside the strip: its left edge
// at the strip's, below the strip when it fits there, else above it, else on the side with more
// room; in every case pushed wholly onto `workArea`, where a window too large for it keeps to its
// left or top edge.
Point BesideStripPosition(const Rect& window, const Rect& strip, const Rect& workArea);
