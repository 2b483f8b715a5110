// The dots per inch a window is drawn for, which the program's fixed sizes are scaled to.
#pragma once

#include <windows.h>

// The window's monitor's scale where Windows tells it (Windows 10 1607 and later), else the
// system's; 96 when neither answers. A null window gives the system's.
int WindowDpi(HWND window);
