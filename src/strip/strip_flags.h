// The strip's flags, which the refresh worker and the user-interface thread both read and write.
// They are atomics: plain integers shared between threads would be a data race.
#pragma once

#include <atomic>
#include <cstdint>

struct StripFlags {
  // The list: a status pair is being written / the program is closing, and producers stop (the
  // refresh worker, its transfers and the update check all look at `closing`).
  std::atomic<int32_t> listBusy{0};
  std::atomic<int32_t> closing{0};

  // Scrolling: strip x shown at the left edge, may paint, ticks to skip, direction.
  std::atomic<int32_t> scrollOffset{0};
  std::atomic<int32_t> stripFilled{0};
  std::atomic<int32_t> pauseTicks{0};
  std::atomic<int32_t> scrollForward{1};
};
