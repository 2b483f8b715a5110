// The refresh worker: one thread per refresh cycle.
#pragma once

#include <windows.h>

// The lock that serialises refresh cycles; created with the ticker window, deleted at shutdown.
void InitRefreshLock();
void DeleteRefreshLock();

// Starts a refresh cycle unless one is running.
void StartRefreshWorker(HWND ticker);
