// Docking the strip in the taskbar: the desk band or the notification area.
#pragma once

#include <windows.h>

// Creates the ticker window in the taskbar and returns its host, or returns null after storing
// the settings of a floating ticker fitted to the caption.
HWND AttachToTaskbar();

// A taskbar the ticker can dock in: one with a notification area or a rebar for the desk band.
// Wine's own taskbar is an empty window.
bool TaskbarToDockIn();

// shell32's version from DllGetVersion: 0.0 when it cannot be loaded, 4.0 without the export.
void GetShellVersion(DWORD* major, DWORD* minor);

// Places the ticker over the room its placeholder icons made in the notification area, or
// restarts the program when other programs' icons came or went. False while the taskbar hides
// below the screen: the tick then ends without moving anything.
bool LayOutInNotificationArea(HWND ticker);

// Deletes the placeholder icons with identifiers 0 to count - 1 (owned by the taskbar window).
void DeletePlaceholderIcons(HWND taskbar, UINT count);

// The taskbar stands at a side edge (narrower than the screen less 100 pixels), which leaves no
// room for the strip.
bool TaskbarIsVertical();
