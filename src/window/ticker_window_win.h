// The ticker window procedure.
#pragma once

#include <windows.h>

LRESULT CALLBACK TickerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
