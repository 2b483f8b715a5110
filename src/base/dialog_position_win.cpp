// Placing a dialog over a window or beside the strip, on the monitor it belongs to.
#include "base/dialog_position_win.h"

#include "base/dialog_position.h"

namespace {

Rect ToRect(const RECT& r) {
  Rect out;
  out.left = r.left;
  out.top = r.top;
  out.right = r.right;
  out.bottom = r.bottom;
  return out;
}

// The monitor's whole area or its work area; the primary screen's where monitors cannot be asked.
RECT MonitorArea(HMONITOR handle, bool workArea) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(handle, &monitor)) return workArea ? monitor.rcWork : monitor.rcMonitor;
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (workArea) SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  return screen;
}

}  // namespace

void CenterWindowOver(HWND window, HWND reference) {
  RECT w;
  RECT r;
  if (!GetWindowRect(window, &w) || !GetWindowRect(reference, &r)) return;
  // The monitor under the reference's centre.
  const POINT centre = {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
  const RECT screen = MonitorArea(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), false);
  const Point at = CenteredPosition(ToRect(w), ToRect(r), ToRect(screen));
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceBesideStrip(HWND window, HWND ticker) {
  RECT w;
  RECT strip;
  HWND top = GetAncestor(ticker, GA_ROOT);
  if (!GetWindowRect(window, &w) || !GetWindowRect(top != nullptr ? top : ticker, &strip)) return;
  const RECT work = MonitorArea(MonitorFromRect(&strip, MONITOR_DEFAULTTONEAREST), true);
  const Point at = BesideStripPosition(ToRect(w), ToRect(strip), ToRect(work));
  SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

