// The refresh worker: one thread per refresh cycle.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "feed/feed_parser.h"
#include "feed/worker_gate.h"

// What the worker code keeps between cycles, and what the end of the process (which waits for the
// worker) keeps; one record per process, the ticker state's `worker`. Whether a worker exists is
// not here but in the ticker's `refreshRunning` flag, read through RefreshWorkerGate().
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
void InitRefreshLock();
void DeleteRefreshLock();

// Starts a refresh cycle unless a worker exists or the program is closing; true when one started.
bool StartRefreshWorker(HWND ticker);

// Plays a mail sound asynchronously: a program sound as a resource, anything else as a sound alias
// or a file name.
void PlayMailSound(const MailSound& sound);

// The gate over the ticker's `refreshRunning` flag: shutdown and restart close it and wait on it.
WorkerGate RefreshWorkerGate();
