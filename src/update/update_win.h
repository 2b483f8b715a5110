// The software update check of the first refresh cycle.
#pragma once

#include <windows.h>
#include <wininet.h>

// Checks the update server for a newer program and, when the user agrees, hands off to it; the
// window owns the message box. 0 when "No AutoDial" is set and there is no connection, else 1
// (unless the process has ended to hand off). A null handle makes no request.
int CheckForUpdate(HWND ticker, HINTERNET internet);
