// The floating frame window ("SSBar") that hosts the ticker window.
#pragma once

#include <windows.h>

LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
