// The shared ticker of the Win32 tests.
#include "win32/ticker_fixture.h"

#include <gtest/gtest.h>

#include "shell/startup_win.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"
#include "window/timers.h"

TickerWindowState& StartedTicker() {
  static bool started = false;
  if (!started) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    EXPECT_TRUE(RegisterWindowClasses(instance));
    EXPECT_TRUE(StartInstance(instance));
    started = true;
    // The tests drive the window themselves: no timers, and no first refresh (there is no server).
    TickerWindowState& t = Ticker();
    KillTimer(t.tickerWindow, t.scrollTimer);
    KillTimer(t.tickerWindow, t.refreshTimer);
    KillTimer(t.tickerWindow, t.housekeepingTimer);
    MSG msg;
    while (PeekMessageA(&msg, t.tickerWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    }
    // What the program does once its first strip is drawn (the tooltips among it).
    SendMessageA(t.tickerWindow, kFinishStartMessage, 0, 0);
  }
  return Ticker();
}

MemoryCanvas::MemoryCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width > 0 ? width : 1;
  info.bmiHeader.biHeight = -(height > 0 ? height : 1);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  old_ = SelectObject(dc_, bitmap_);
  RECT all = {0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(fill);
  FillRect(dc_, &all, brush);
  DeleteObject(brush);
}

MemoryCanvas::~MemoryCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void SetTickerClientSize(int width, int height) {
  HWND ticker = Ticker().tickerWindow;
  SetWindowPos(ticker, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void FillStrip(const std::initializer_list<TestItem>& items) {
  TickerWindowState& t = Ticker();
  WindowMeasurer measurer(t.tickerWindow, t.paintCache);
  t.items.Restart();
  for (const TestItem& item : items) {
    t.items.Append(&measurer, item.text.c_str(), item.link.c_str(), item.colorIndex,
                   item.startsSection, item.tallFont);
  }
  t.items.Finish();
  t.stripFlags.stripFilled = 1;
}
