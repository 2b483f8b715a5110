// The once-a-second housekeeping tick of the ticker window.
#pragma once

#include <windows.h>

void RunHousekeepingTick(HWND ticker);
