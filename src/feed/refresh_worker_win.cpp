// The refresh worker.
#include "feed/refresh_worker_win.h"

#include "window/ticker_state.h"

namespace {
CRITICAL_SECTION g_refreshLock;
bool g_lockReady = false;
}  // namespace

void InitRefreshLock() {
  if (!g_lockReady) InitializeCriticalSection(&g_refreshLock);
  g_lockReady = true;
}

void DeleteRefreshLock() {
  if (g_lockReady) DeleteCriticalSection(&g_refreshLock);
  g_lockReady = false;
}

void StartRefreshWorker(HWND) {}
