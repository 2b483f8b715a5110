// Geometry of the control panel: where the grip ridges, the next-topic button, the search button
// and the logo button go for a client size and the window's flags, and every rectangle that
// follows from that (hit zones, tooltip tools, repaint and feedback rectangles). The mouse, the
// painter and the tooltips all take them from one PanelLayout. Widths are given at 96 DPI and
// grow with the window's scale; the one-pixel edges of the three-dimensional style stay one pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "base/rect.h"

// Where the 19 x 13 logo bitmap is drawn: to (x, y) at its size for the scale, or squeezed to
// that width x height into a strip too low for it.
struct LogoPlacement {
  int32_t x = 0, y = 0;
  int32_t width = 19, height = 13;
  bool stretched = false;
};

// The bottom edge of the buttons: the whole height when fitted to the caption, else one less.
int32_t PanelBottom(int32_t clientHeight, bool fitToCaption);

LogoPlacement PlaceLogo(int32_t clientWidth, int32_t clientHeight, bool raised, int32_t dpi = 96);

// The search glyph's top-left corner (11 x 12 at 96 DPI), one pixel further while pressed.
void PlaceSearchGlyph(int32_t clientWidth, int32_t panelBottom, bool raised, int32_t* x,
                      int32_t* y, int32_t dpi = 96);

// The next-topic triangle: `columns` vertical lines from column x, line i from y0 + i to
// y0 + 2 * columns - 1 - i (three lines, the first five pixels long, at 96 DPI).
struct Triangle {
  int32_t x = 0, y0 = 0;
  int32_t columns = 3;
};
// gripWidth at 96 DPI, as the layout takes it.
Triangle PlaceNextTopicTriangle(int32_t gripWidth, int32_t panelBottom, bool raised,
                                int32_t dpi = 96);

// Whether the search and next-topic buttons are shown (and have tips): only past 100 pixels.
inline bool HasPanelButtons(int32_t clientWidth) { return clientWidth > 100; }

struct TooltipTool {
  int tipWindow;  // 0 strip, 1 logo, 2 search, 3 navigation
  int toolId;
  Rect rect;
};

// A zone of client x between two edges, both outside it.
struct XZone {
  int32_t after = 0, before = 0;
  bool Contains(int32_t x) const { return after < x && x < before; }
};

struct PanelInputs {
  int32_t width = 0, height = 0;  // the ticker window's client area
  int32_t grip = 0;               // the grip's width at 96 DPI
  int32_t logoWidth = 0;  // the width the logo's zones are measured from: the docked width
                          // while the ticker sits in the taskbar, else the client width
  int32_t tipTop = 0;     // where the strip and logo tooltips start (1 inside a frame border)
  bool fitToCaption = false;
  bool inDeskBand = false;
  int32_t dpi = 96;  // the window's scale
};

struct PanelLayout {
  int32_t dpi = 96;     // the scale it was laid out for; the pictures are drawn at it
  int32_t bottom = 0;   // the buttons' bottom edge
  bool buttons = false;  // the search and next-topic buttons are shown

  // Hit zones by client x.
  XZone searchZone, nextTopicZone;
  int32_t logoPressAfter = 0, logoReleaseAfter = 0;  // the logo takes x past these
  XZone doubleClickZone;                              // where a double click opens a story
  // A press past gripPressAfter holds the strip; at or before it, on the grip, it drags the width.
  // Left of sizingCursorBefore the pointer shows the sizing cursor (nowhere in the desk band).
  int32_t gripPressAfter = 0, sizingCursorBefore = 0;

  // Drawn edges and faces.
  Rect logoEdge, logoFace;
  Rect searchEdge, searchFace;
  Rect nextEdgeRaised, nextFaceRaised, nextEdgePressed, nextFacePressed;
  Rect gripRidges[2];

  // Repainted when a button goes down or comes up.
  Rect searchPressRepaint, searchReleaseRepaint;
  Rect nextPressRepaint, nextReleaseRepaint;          // left button
  Rect nextRightPressRepaint, nextRightReleaseRepaint;  // right button
  Rect logoRepaint;  // also where a release on the logo opens its link

  // While the button is held, a pointer outside one of these raises its button again.
  Rect logoFeedback, searchLowerFeedback, searchFeedback, nextFeedback;

  // The tools of the four tooltip windows.
  std::vector<TooltipTool> tools;
};

PanelLayout ComputePanelLayout(const PanelInputs& in);
