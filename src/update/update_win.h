// The software update check of the first refresh cycle.
#pragma once

#include <windows.h>
#include <wininet.h>

// Checks the update server for a newer program and hands off to it. A null handle makes no request.
void CheckForUpdate(HWND ticker, HINTERNET internet);
