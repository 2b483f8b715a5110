// Geometry of the control panel and of the tooltip tools: where the grip ridges, the next-topic
// button, the search button and the logo button go for a client size and the window's flags.
#pragma once

#include <cstdint>
#include <vector>

struct PanelRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const PanelRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// Where the 19 x 13 logo bitmap is copied: to (x, y) at its size, or stretched to 19 x height.
struct LogoPlacement {
  int32_t x = 0, y = 0;
  int32_t width = 19, height = 13;
  bool stretched = false;
};

// The bottom edge of the buttons: the whole height when fitted to the caption, else one less.
int32_t PanelBottom(int32_t clientHeight, bool fitToCaption);

LogoPlacement PlaceLogo(int32_t clientWidth, int32_t clientHeight, bool raised);

// The search glyph's top-left corner (11 x 12), one pixel further while pressed.
void PlaceSearchGlyph(int32_t clientWidth, int32_t panelBottom, bool raised, int32_t* x,
                      int32_t* y);

// The next-topic triangle: three vertical lines from column x, the first from y0 to y0 + 5.
struct Triangle {
  int32_t x = 0, y0 = 0;
};
Triangle PlaceNextTopicTriangle(int32_t gripWidth, int32_t panelBottom, bool raised);

// Whether the search and next-topic buttons are shown (and have tips): only past 100 pixels.
inline bool HasPanelButtons(int32_t clientWidth) { return clientWidth > 100; }

struct TooltipTool {
  int tipWindow;  // 0 strip, 1 logo, 2 search, 3 navigation
  int toolId;
  PanelRect rect;
};

// The tools of the four tooltip windows for a client area of width x height whose strip and logo
// tools start at `top`.
std::vector<TooltipTool> ComputeTooltipTools(int32_t clientWidth, int32_t clientHeight,
                                             int32_t top, int32_t gripWidth, bool fitToCaption);
