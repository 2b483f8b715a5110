// The control panel: grip, next-topic button, search button and logo button, drawn in the classic
// three-dimensional style.
#pragma once

#include <windows.h>

#include "strip/panel_geometry.h"

// Draws the panel through the window's own device context (inside its paint message).
void PaintControlPanel(HWND ticker);
// The same into any device context of the window's client size (tests render into memory).
void DrawControlPanel(HDC dc, HWND ticker);
void DrawButtonEdge(HDC dc, int left, int top, int right, int bottom, int raised);
void DrawGripRidge(HDC dc, int left, int top, int right, int bottom);

// The panel's layout for a client area of w x h with the ticker's grip and flags; tipTop is where
// the strip and logo tooltips start.
PanelLayout TickerPanelLayout(int w, int h, int tipTop = 0);
// The layout of the ticker window's current client area.
PanelLayout TickerPanelLayout(HWND ticker);
// Invalidates one of the layout's rectangles.
void InvalidatePanelRect(HWND ticker, const Rect& r, bool erase);
