// The control panel.
#include "strip/control_panel_win.h"

void PaintControlPanel(HWND) {}

void DrawButtonEdge(HDC, int, int, int, int, int) {}

void DrawGripRidge(HDC, int, int, int, int) {}
