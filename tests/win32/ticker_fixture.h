// The ticker of a Win32 test program: started once per process, in this process, by the real
// start-up code on the prefix's fresh registry, and shared by the tests.
#pragma once

#include <windows.h>

#include <string>

#include "win32/window_probe.h"
#include "window/ticker_state_win.h"

// Registers the classes and runs start-up once; later calls return the same ticker.
TickerWindowState& StartedTicker();

// A memory device context with a 32-bit bitmap of the given size, pre-filled with one colour, so
// that whatever a paint function leaves untouched is recognisable.
class MemoryCanvas {
 public:
  MemoryCanvas(int width, int height, COLORREF fill);
  ~MemoryCanvas();
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;
  HDC dc() const { return dc_; }
  PixelGrab Grab() const { return GrabDc(dc_, width_, height_); }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// Resizes the ticker window's client area (the frame is left as it is).
void SetTickerClientSize(int width, int height);

// Replaces the strip by the given items (text, colorIndex, tall font) and lets it paint.
struct TestItem {
  std::string text;
  int colorIndex;
  int tallFont;
  int startsSection = 0;
  std::string link = "http://127.0.0.1/story";
};
void FillStrip(const std::initializer_list<TestItem>& items);
