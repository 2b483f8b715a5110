// The control panel: grip, next-topic button, search button and logo button, drawn in the classic
// three-dimensional style.
#pragma once

#include <windows.h>

void PaintControlPanel(HWND ticker);
void DrawButtonEdge(HDC dc, int left, int top, int right, int bottom, int raised);
void DrawGripRidge(HDC dc, int left, int top, int right, int bottom);
