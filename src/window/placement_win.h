// The saved frame position in the registry, and the screen as the system reports it.
#pragma once

#include <windows.h>

#include "window/placement.h"

ScreenMetrics GatherScreenMetrics();
WindowPosition LoadWindowPosition();
void SaveWindowPosition(const RECT& frame);
// The frame's rectangle, widened by the sizing border when it is glued or on top.
RECT FrameRectangleToSave();
