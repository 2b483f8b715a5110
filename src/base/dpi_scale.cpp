#include "base/dpi_scale.h"

#include <limits>

int32_t ScaleForDpi(int32_t pixels, int32_t dpi) {
  constexpr int64_t kBaseDpi = 96;
  if (dpi <= 0 || dpi == kBaseDpi) return pixels;
  const int64_t product = static_cast<int64_t>(pixels) * dpi;
  const int64_t half = kBaseDpi / 2;
  const int64_t scaled = product >= 0 ? (product + half) / kBaseDpi : (product - half) / kBaseDpi;
  if (scaled > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (scaled < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(scaled);
}
