// Sizes the program fixes in pixels are the sizes at 96 dots per inch (100 %); on a screen of
// another scale they grow or shrink with it, so that a button keeps its size to the eye.
#pragma once

#include <cstdint>

// `pixels` at 96 DPI as pixels at `dpi`, rounded to the nearest (halves away from zero), as
// MulDiv rounds. A DPI of 0 or less (a device that reports none) leaves the size as it is; a
// result beyond the 32-bit range stops at its end.
int32_t ScaleForDpi(int32_t pixels, int32_t dpi);
