// Control-panel and tooltip geometry.
#include "strip/panel_geometry.h"

int32_t PanelBottom(int32_t clientHeight, bool fitToCaption) {
  return fitToCaption ? clientHeight : clientHeight - 1;
}

LogoPlacement PlaceLogo(int32_t clientWidth, int32_t clientHeight, bool raised) {
  LogoPlacement p;
  const int32_t x0 = clientWidth - 22;
  if (!raised) {
    p.x = x0 + 1;
    p.y = (clientHeight - 16) / 2 + 1;
  } else if (clientHeight - 6 < 14) {
    // Too low for the picture: squeezed into the button's face.
    p.x = x0;
    p.y = 2;
    p.height = clientHeight - 6 > 0 ? clientHeight - 6 : 0;
    p.stretched = true;
  } else {
    p.x = x0;
    p.y = (clientHeight - 16) / 2;
  }
  return p;
}

void PlaceSearchGlyph(int32_t clientWidth, int32_t panelBottom, bool raised, int32_t* x,
                      int32_t* y) {
  const int32_t lift = (panelBottom - 23) / 2;
  *x = clientWidth - 37 + (raised ? 0 : 1);
  *y = 2 + (lift > 0 ? lift : 0) + (raised ? 0 : 1);
}

Triangle PlaceNextTopicTriangle(int32_t gripWidth, int32_t panelBottom, bool raised) {
  if (raised) return Triangle{gripWidth + 3, (panelBottom - 7) / 2 + 1};
  return Triangle{gripWidth + 4, (panelBottom - 9) / 2 + 2};
}

std::vector<TooltipTool> ComputeTooltipTools(int32_t w, int32_t h, int32_t top, int32_t grip,
                                             bool fitToCaption) {
  std::vector<TooltipTool> tools;
  if (fitToCaption && w <= 99) {
    tools.push_back({0, 1, {grip, top, w - 21, h}});
  } else {
    tools.push_back({0, 1, {grip + 10, top, w - 39, h}});
  }
  tools.push_back({1, 2, {w - 21, top, w, h}});
  if (HasPanelButtons(w)) {
    tools.push_back({2, 4, {w - 39, 0, w - 23, h}});
    tools.push_back({3, 5, {grip, 0, grip + 10, h}});
    tools.push_back({3, 6, {1, 0, grip, h}});
  }
  return tools;
}
