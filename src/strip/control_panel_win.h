// The control panel: grip, next-topic button, search button and logo button, drawn in the classic
// three-dimensional style.
#pragma once

#include <windows.h>

#include "strip/panel_geometry.h"

// The pens of the three-dimensional style, made with the ticker window.
struct PanelPens {
  HPEN highlight = nullptr;
  HPEN shadow = nullptr;
  HPEN face = nullptr;
};

// What the panel shows: its layout for the client size, the buttons' states and the window's mode.
struct PanelLook {
  PanelPens pens;
  PanelLayout layout;
  bool hidden = false;    // a strip drag (not a resize) is under way: nothing is drawn
  bool mailLogo = false;  // the logo button shows the mail picture
  bool logoUp = true, searchUp = true, nextUp = true;
  bool searchShown = false;
  bool outline = false;    // the window's outline, on a screen saver or docked
  bool nextButton = true;  // none on a screen saver
  bool gripRidges = true;  // none in the desk band
  int gripWidth = 0;
  HWND searchBox = nullptr;  // its border is drawn while there is one
};

// Draws the panel through the window's own device context (inside its paint message).
void PaintControlPanel(HWND ticker, const PanelLook& look);
// The same into any device context of the window's client size (tests render into memory).
void DrawControlPanel(HDC dc, HWND ticker, const PanelLook& look);

// Invalidates one of the layout's rectangles.
void InvalidatePanelRect(HWND ticker, const Rect& r, bool erase);
