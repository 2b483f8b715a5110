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

PanelLayout ComputePanelLayout(const PanelInputs& in) {
  const int32_t w = in.width, h = in.height, g = in.grip, top = in.tipTop;
  PanelLayout p;
  p.bottom = PanelBottom(h, in.fitToCaption);
  p.buttons = HasPanelButtons(w);
  const int32_t b = p.bottom;

  p.searchZone = XZone{w - 39, w - 22};
  p.nextTopicZone = XZone{g, g + 10};
  p.logoPressAfter = in.logoWidth - 22;
  p.logoReleaseAfter = in.logoWidth - 21;
  p.doubleClickZone = XZone{20, w - 39};
  p.gripPressAfter = g;
  p.sizingCursorBefore = in.inDeskBand ? 0 : 7;

  p.logoEdge = Rect{w - 22, 0, w - 1, b};
  p.logoFace = Rect{w - 21, 2, w + 22, h - 2};
  p.searchEdge = Rect{w - 39, 0, w - 24, b};
  p.searchFace = Rect{w - 40, 1, w - 24, b - 1};
  p.nextEdgeRaised = Rect{g + 1, 0, g + 9, b};
  p.nextFaceRaised = Rect{g + 2, 2, g + 8, b - 2};
  p.nextEdgePressed = Rect{g, -1, g + 8, b - 1};
  p.nextFacePressed = Rect{g + 3, 3, g + 9, b - 3};
  p.gripRidges[0] = Rect{2, 0, 4, b};
  p.gripRidges[1] = Rect{6, 0, 8, b};

  p.searchPressRepaint = Rect{w - 33, 0, w - 22, h / 2};
  p.searchReleaseRepaint = Rect{w - 33, 0, w - 23, h};
  p.nextPressRepaint = Rect{0, 0, g + 10, h};
  p.nextReleaseRepaint = Rect{g, 0, g + 10, h};
  p.nextRightPressRepaint = Rect{11, 0, 19, h};
  p.nextRightReleaseRepaint = Rect{10, 0, 20, h};
  p.logoRepaint = Rect{w - 21, 0, w, h};

  p.logoFeedback = Rect{w - 66, 0, w, h};
  p.searchLowerFeedback = Rect{w - 42, h / 2, w - 32, h};
  p.searchFeedback = Rect{w - 42, 0, w - 32, h / 2};
  p.nextFeedback = in.inDeskBand ? Rect{0, 0, 10, h} : Rect{11, 0, 19, h};

  // The strip's tip covers what lies between the buttons; a narrow caption strip has no buttons
  // and gives it everything between the grip and the logo.
  const Rect logo = p.logoRepaint;
  if (in.fitToCaption && w <= 99) {
    p.tools.push_back({0, 1, {g, top, logo.left, h}});
  } else {
    p.tools.push_back({0, 1, {p.nextTopicZone.before, top, p.searchZone.after, h}});
  }
  p.tools.push_back({1, 2, {logo.left, top, logo.right, h}});
  if (p.buttons) {
    p.tools.push_back({2, 4, {p.searchZone.after, 0, p.searchReleaseRepaint.right, h}});
    p.tools.push_back({3, 5, p.nextReleaseRepaint});
    p.tools.push_back({3, 6, {1, 0, g, h}});
  }
  return p;
}
