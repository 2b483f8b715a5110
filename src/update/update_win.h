// The software update check of the first refresh cycle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>

// Whether the update check runs (it runs on the refresh worker; the housekeeping tick leaves the
// screen-saver bar alone meanwhile).
struct UpdateState {
  std::atomic<int32_t> running{0};
};

// Checks the update server for a newer program and, when the user agrees, hands off to it; the
// window owns the message box. 0 when "No AutoDial" is set and there is no connection, else 1
// (unless the process has ended to hand off). A null handle makes no request.
int CheckForUpdate(HWND ticker, HINTERNET internet);
