// The frame position in the registry and the screen's metrics.
#include "window/placement_win.h"

#include "base/window_dpi_win.h"
#include "window/ticker_state_win.h"

ScreenMetrics GatherScreenMetrics() {
  ScreenMetrics m;
  m.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  m.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT work = {0, 0, m.screenWidth, m.screenHeight};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  m.workArea = Rect{work.left, work.top, work.right, work.bottom};
  m.captionButtonWidth = GetSystemMetrics(SM_CXSIZE);
  m.frameWidth = GetSystemMetrics(SM_CXFRAME);
  m.frameHeight = GetSystemMetrics(SM_CYFRAME);
  m.captionHeight = GetSystemMetrics(SM_CYCAPTION);
  m.dpi = WindowDpi(nullptr);
  if (HWND mom = FindWindowA("MOM Class", nullptr)) {
    RECT r;
    if (GetWindowRect(mom, &r)) {
      m.hasMomWindow = true;
      m.momWindow = Rect{r.left, r.top, r.right, r.bottom};
    }
  }
  return m;
}

WindowPosition LoadWindowPosition() {
  SettingsStore& settings = Settings();
  WindowPosition stored;
  stored.x = settings.ReadNumberValue(value_name::kTickerX);
  stored.y = settings.ReadNumberValue(value_name::kTickerY);
  stored.width = settings.ReadNumberValue(value_name::kTickerWidth);
  stored.height = settings.ReadNumberValue(value_name::kTickerHeight);
  return LoadWindowPosition(stored, Ticker().fitToCaption != 0, GatherScreenMetrics());
}

void SaveWindowPosition(const RECT& frame) {
  const WindowPosition p =
      PositionToSave(Rect{frame.left, frame.top, frame.right, frame.bottom},
                     Ticker().fitToCaption != 0, GatherScreenMetrics());
  SettingsStore& settings = Settings();
  settings.WriteNumberValue(value_name::kTickerX, p.x);
  settings.WriteNumberValue(value_name::kTickerY, p.y);
  settings.WriteNumberValue(value_name::kTickerWidth, p.width);
  settings.WriteNumberValue(value_name::kTickerHeight, p.height);
}

RECT FrameRectangleToSave() {
  TickerWindowState& t = Ticker();
  RECT r = {0, 0, 0, 0};
  HWND frame = t.tickerWindow != nullptr ? GetParent(t.tickerWindow) : t.frameWindow;
  if (frame == nullptr) frame = t.frameWindow;
  GetWindowRect(frame, &r);
  if (t.glueToDesktop != 0 || t.alwaysOnTop != 0) {
    const Rect wide =
        WidenBySizingBorder(Rect{r.left, r.top, r.right, r.bottom}, GatherScreenMetrics());
    r = RECT{wide.left, wide.top, wide.right, wide.bottom};
  }
  return r;
}
