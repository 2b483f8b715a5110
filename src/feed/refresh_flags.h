// The refresh cycle's flags, which the refresh worker and the user-interface thread both read and
// write. They are atomics: plain integers shared between threads would be a data race.
#pragma once

#include <atomic>
#include <cstdint>

#include "feed/worker_gate.h"

struct RefreshFlags {
  // refreshRunning is the one "a worker exists" state, changed only through a WorkerGate
  // (feed/worker_gate.h): set before the worker's thread starts, cleared by that thread as its
  // last act; it also stays non-zero once shutdown has closed the gate.
  std::atomic<int32_t> refreshRunning{0};
  std::atomic<int32_t> loadFromCache{0};
  std::atomic<int32_t> firstCycle{1};
  std::atomic<int32_t> feedReceived{0};
  std::atomic<int32_t> mailAlertPending{0};

  // Feed request and mail.
  std::atomic<int32_t> loginRetry{0};
  std::atomic<int32_t> restartNoticeSeen{0};
  std::atomic<int32_t> mailSoundArmed{1};
  // The strip has said once that the cache files cannot be written.
  std::atomic<int32_t> cacheNoticeShown{0};
};

// The gate over the `refreshRunning` flag: shutdown and restart close it and wait on it.
inline WorkerGate RefreshWorkerGate(RefreshFlags& refresh) {
  return WorkerGate(refresh.refreshRunning);
}
