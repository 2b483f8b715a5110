// How far the strip moves on one 50 ms scroll tick, from "Ticker Speed" and "Smooth Scrolling".
#pragma once

#include <cstdint>

struct ScrollStep {
  int32_t frames;  // frames drawn per tick
  int32_t pixels;  // pixels moved after each frame
};

// Speeds outside 1 to 8 come only from a hand-edited or missing value; they are taken as the
// nearest of 1 and 8, so the strip neither stands still nor draws hundreds of frames per tick.
ScrollStep ComputeScrollStep(int32_t tickerSpeed, int32_t smoothScrolling);
