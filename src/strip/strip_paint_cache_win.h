// The drawing state the strip keeps between frames, fonts included: the painter and the measurer
// both work with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "settings/ticker_prefs.h"

// What a band of the strip looks like besides where it starts: a frame whose look differs draws
// a new band.
struct StripBandLook {
  HFONT smallFont = nullptr;
  HFONT tallFont = nullptr;
  uint32_t generation = 0;  // of the item list
  int32_t stripWidth = 0;
  int32_t height = 0;
  int32_t tallTop = 0;
  int32_t smallTop = 0;
  uint32_t background = 0;
  uint32_t colors[kStripColorCount] = {};
  int32_t highContrast = 0;
  uint32_t textColor = 0;
  uint32_t linkColor = 0;
};

// What painting keeps from one frame to the next; the ticker's record holds the one instance and
// only the painter (strip_paint_win.h) and the measurer touch it.
struct StripPaintCache {
  HDC memoryDc = nullptr;
  // The frame bitmap stays selected in the memory context between frames: creating a bitmap
  // costs more than drawing the whole frame, so it is made again only when the size changes.
  HBITMAP frameBitmap = nullptr;
  HGDIOBJ originalBitmap = nullptr;
  int frameWidth = 0;
  int frameHeight = 0;
  HBRUSH backgroundBrush = nullptr;
  // The frame bitmap is wider than the window: while the strip scrolls plainly it holds a band of
  // the strip drawn once, from which each frame is copied, since drawing the text anew each frame
  // is most of what a frame costs under Wine. A frame drawn directly into the bitmap spoils it.
  bool bandValid = false;
  int32_t bandStart = 0;  // the strip x of the band's column 0
  StripBandLook bandLook;
  // The part of the client area frames may be copied to; worked out again after a resize.
  RECT clip = {0, 0, 0, 0};
  bool clipValid = false;
  // The fonts are replaced on the user-interface thread while the worker may be measuring with
  // them: the swap and the measuring take fontLock.
  std::mutex fontLock;
  HFONT smallFont = nullptr;
  HFONT tallFont = nullptr;
  // Item widths are measured in two memory contexts of their own, under fontLock from any thread,
  // which keep the small and the tall font selected: a selection costs more than the measuring
  // (see selectedFont). The fonts are taken out of them before they are deleted.
  HDC measureDc[2] = {nullptr, nullptr};
  HFONT measureFont[2] = {nullptr, nullptr};
  HGDIOBJ measureOriginalFont[2] = {nullptr, nullptr};
  // Where each font's text starts, so that both share one baseline (set with the fonts).
  int tallTop = 3;
  int smallTop = 0;
  // The strip font now selected into memoryDc, and the context's own font from before.
  HFONT selectedFont = nullptr;
  HGDIOBJ originalFont = nullptr;
  // The list (its generation) of the last frame copied to the window: whether the newest list is
  // on the screen yet, which the strip report tells the start-up benchmark.
  uint32_t drawnGeneration = 0;
};
