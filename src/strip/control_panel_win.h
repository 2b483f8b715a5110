// The control panel: grip, next-topic button, search button and logo button, drawn in the classic
// three-dimensional style.
#pragma once

#include <windows.h>

// Draws the panel through the window's own device context (inside its paint message).
void PaintControlPanel(HWND ticker);
// The same into any device context of the window's client size (tests render into memory).
void DrawControlPanel(HDC dc, HWND ticker);
void DrawButtonEdge(HDC dc, int left, int top, int right, int bottom, int raised);
void DrawGripRidge(HDC dc, int left, int top, int right, int bottom);
