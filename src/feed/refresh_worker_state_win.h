// What outlives one refresh cycle: the lock that serialises cycles and what the end of the process
// needs to know about the worker. Shutdown works on it without the worker's code.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// What the worker code keeps between cycles, and what the end of the process (which waits for the
// worker) keeps; one record per process, the ticker state's `worker`. Whether a worker exists is
// not here but in the refresh flags' `refreshRunning`, read through RefreshWorkerGate().
struct RefreshWorkerState {
  // Serialises cycles; only a worker enters it, for its whole cycle. Lock order: a worker that
  // holds it may take prefsLock and then the item list's publish lock, never the other way round.
  // Created with the ticker window, deleted at shutdown once no worker exists.
  CRITICAL_SECTION refreshLock;
  bool lockReady = false;
  HWND window = nullptr;    // the ticker window that the next cycle works for
  HANDLE thread = nullptr;  // the last started thread; kept, never waited on

  // Only one program may be started at exit: a restart and an update hand-off in one process
  // would start two tickers that then fight over the instance. The worker's update check
  // registers the hand-off, hence an atomic.
  std::atomic<int32_t> exitStartRegistered{0};
  // A restart has begun: a second request (from a handler that ran while the first one waited)
  // saves no position and registers nothing again.
  std::atomic<int32_t> restartBegun{0};
};

// The lock that serialises refresh cycles; created with the ticker window, deleted at shutdown.
inline void InitRefreshLock(RefreshWorkerState& w) {
  if (!w.lockReady) InitializeCriticalSection(&w.refreshLock);
  w.lockReady = true;
}

inline void DeleteRefreshLock(RefreshWorkerState& w) {
  if (w.lockReady) DeleteCriticalSection(&w.refreshLock);
  w.lockReady = false;
}
