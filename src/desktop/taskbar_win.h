// Docking the strip in the taskbar: the desk band or the notification area.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// Where the ticker docks and the room it has there; part of the ticker window's record. Set
// before the ticker window is created in the band or the notification area.
struct TaskbarDock {
  int32_t inDeskBand = 0;
  int32_t gripWidth = 10;  // the grip at the strip's left; none in the band or a screen saver
  int32_t dockedWidth = 0;
  int32_t trayIconWidth = 0;  // the placeholder icons' room; 0 when none were added
  int32_t trayBaseline = 0;
  int32_t trayBaselinePending = 1;
  int32_t clockWidth = 0;
  int32_t trayLastX = 0;
};

// Creates the ticker window (of class tickerClass, tickerSize as its settings say) in the taskbar
// and returns its host, or returns null after storing the settings of a floating ticker fitted to
// the caption.
HWND AttachToTaskbar(TaskbarDock& dock, const char* tickerClass, int32_t tickerSize,
                     const char* proxyHost, const char* proxyPort,
                     const std::atomic<int32_t>& closing);

// A taskbar the ticker can dock in: one with a notification area or a rebar for the desk band.
// Wine's own taskbar is an empty window.
bool TaskbarToDockIn();

// shell32's version from DllGetVersion: 0.0 when it cannot be loaded, 4.0 without the export.
void GetShellVersion(DWORD* major, DWORD* minor);

// Places the ticker over the room its placeholder icons made in the notification area. kHidden
// while the taskbar hides below the screen: the tick then ends without moving anything; kRestart
// when other programs' icons came or went, and the program is to start again.
enum class TrayPlacement { kPlaced, kHidden, kRestart };
TrayPlacement LayOutInNotificationArea(TaskbarDock& dock, HWND ticker, bool refreshRunning,
                                       int32_t tickCounter);

// Deletes the placeholder icons with identifiers 0 to count - 1 (owned by the taskbar window).
void DeletePlaceholderIcons(HWND taskbar, UINT count);
// The placeholder icons that docking in the notification area added, if it added any.
void RemoveTrayPlaceholders(const TaskbarDock& dock);

// The taskbar stands at a side edge (narrower than the screen less 100 pixels), which leaves no
// room for the strip.
bool TaskbarIsVertical();
