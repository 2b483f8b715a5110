// The cost of one strip frame: the real ticker window, 1024 x 28, sixty items, PaintStrip into the
// window's device context as the scroll timer calls it. Prints the median and the spread in
// microseconds.
//
//   scripts/wine-run build/win32/bench/paint_bench.exe [frames]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/startup_win.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"
#include "window/ticker_state_win.h"

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWindowClasses(instance) || !StartInstance(instance)) {
    std::fprintf(stderr, "the ticker window could not be created\n");
    return 1;
  }
  TickerWindowState& t = Ticker();
  // A plain floating frame as wide as the screen, the strip 28 pixels high.
  SetWindowPos(t.frameWindow, HWND_TOP, 0, 300, 1026, 30, SWP_SHOWWINDOW);
  SetWindowPos(t.tickerWindow, nullptr, 1, 1, 1024, 28, SWP_NOZORDER);
  KillTimer(t.tickerWindow, t.scrollTimer);

  WindowMeasurer measurer(t.tickerWindow, t.paintCache);
  t.items.Restart();
  for (int i = 0; i < 60; ++i) {
    const std::string text = "  Headline number " + std::to_string(i) +
                             ": markets, weather and the news of the day  \x95  ";
    t.items.Append(&measurer, text.c_str(), "http://127.0.0.1:18471/story", 1 + i % 7,
                   i % 10 == 0, i % 10 != 0);
  }
  t.items.Finish();

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> micros;
  micros.reserve(frames);
  HDC dc = GetDC(t.tickerWindow);
  for (int i = 0; i < frames; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    PaintTickerStrip(t, dc, t.tickerWindow);
    QueryPerformanceCounter(&end);
    t.stripFlags.scrollOffset.fetch_add(3);
    micros.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
  }
  ReleaseDC(t.tickerWindow, dc);
  std::sort(micros.begin(), micros.end());
  std::printf("PaintStrip, 1024x28, 60 items, %d frames: median %.1f us, p10 %.1f us, p90 %.1f us\n",
              frames, micros[micros.size() / 2], micros[micros.size() / 10],
              micros[micros.size() * 9 / 10]);
  return 0;
}
