// Control-panel and tooltip geometry.
#include "strip/panel_geometry.h"

#include "base/dpi_scale.h"

int32_t PanelBottom(int32_t clientHeight, bool fitToCaption) {
  return fitToCaption ? clientHeight : clientHeight - 1;
}

LogoPlacement PlaceLogo(int32_t clientWidth, int32_t clientHeight, bool raised, int32_t dpi) {
  LogoPlacement p;
  p.width = ScaleForDpi(19, dpi);
  p.height = ScaleForDpi(13, dpi);
  const int32_t x0 = clientWidth - ScaleForDpi(22, dpi);
  const int32_t centred = (clientHeight - ScaleForDpi(16, dpi)) / 2;
  if (!raised) {
    p.x = x0 + 1;
    p.y = centred + 1;
  } else if (clientHeight - 6 < ScaleForDpi(14, dpi)) {
    // Too low for the picture: squeezed into the button's face.
    p.x = x0;
    p.y = 2;
    p.height = clientHeight - 6 > 0 ? clientHeight - 6 : 0;
    p.stretched = true;
  } else {
    p.x = x0;
    p.y = centred;
  }
  return p;
}

void PlaceSearchGlyph(int32_t clientWidth, int32_t panelBottom, bool raised, int32_t* x,
                      int32_t* y, int32_t dpi) {
  const int32_t lift = (panelBottom - ScaleForDpi(23, dpi)) / 2;
  *x = clientWidth - ScaleForDpi(37, dpi) + (raised ? 0 : 1);
  *y = 2 + (lift > 0 ? lift : 0) + (raised ? 0 : 1);
}

Triangle PlaceNextTopicTriangle(int32_t gripWidth, int32_t panelBottom, bool raised,
                                int32_t dpi) {
  Triangle t;
  t.columns = ScaleForDpi(3, dpi);
  const int32_t n = t.columns;
  // Centred in the raised button's face, which starts a pixel inside the grip's edge.
  t.x = ScaleForDpi(gripWidth, dpi) + 1 + (ScaleForDpi(8, dpi) - n) / 2 + (raised ? 0 : 1);
  t.y0 = raised ? (panelBottom - 2 * n - 1) / 2 + 1 : (panelBottom - 2 * n - 3) / 2 + 2;
  return t;
}

PanelLayout ComputePanelLayout(const PanelInputs& in) {
  const auto s = [&in](int32_t pixels) { return ScaleForDpi(pixels, in.dpi); };
  const int32_t w = in.width, h = in.height, g = s(in.grip), top = in.tipTop;
  PanelLayout p;
  p.dpi = in.dpi;
  p.bottom = PanelBottom(h, in.fitToCaption);
  p.buttons = HasPanelButtons(w);
  const int32_t b = p.bottom;
  // The left edges of the search and logo buttons.
  const int32_t search = w - s(39), logoLeft = w - s(22);

  p.searchZone = XZone{search, logoLeft};
  p.nextTopicZone = XZone{g, g + s(10)};
  p.logoPressAfter = in.logoWidth - s(22);
  p.logoReleaseAfter = in.logoWidth - s(22) + 1;
  p.doubleClickZone = XZone{s(20), search};
  p.gripPressAfter = g;
  p.sizingCursorBefore = in.inDeskBand ? 0 : s(7);

  p.logoEdge = Rect{logoLeft, 0, w - 1, b};
  p.logoFace = Rect{logoLeft + 1, 2, w + 22, h - 2};
  p.searchEdge = Rect{search, 0, search + s(15), b};
  p.searchFace = Rect{search - 1, 1, search + s(15), b - 1};
  p.nextEdgeRaised = Rect{g + 1, 0, g + 1 + s(8), b};
  p.nextFaceRaised = Rect{g + 2, 2, g + s(8), b - 2};
  p.nextEdgePressed = Rect{g, -1, g + s(8), b - 1};
  p.nextFacePressed = Rect{g + 3, 3, g + 1 + s(8), b - 3};
  p.gripRidges[0] = Rect{s(2), 0, s(2) + 2, b};
  p.gripRidges[1] = Rect{s(6), 0, s(6) + 2, b};

  p.searchPressRepaint = Rect{w - s(33), 0, logoLeft, h / 2};
  p.searchReleaseRepaint = Rect{w - s(33), 0, logoLeft - 1, h};
  p.nextPressRepaint = Rect{0, 0, g + s(10), h};
  p.nextReleaseRepaint = Rect{g, 0, g + s(10), h};
  p.nextRightPressRepaint = Rect{s(11), 0, s(19), h};
  p.nextRightReleaseRepaint = Rect{s(10), 0, s(20), h};
  p.logoRepaint = Rect{logoLeft + 1, 0, w, h};

  p.logoFeedback = Rect{w - s(66), 0, w, h};
  p.searchLowerFeedback = Rect{w - s(42), h / 2, w - s(32), h};
  p.searchFeedback = Rect{w - s(42), 0, w - s(32), h / 2};
  p.nextFeedback = in.inDeskBand ? Rect{0, 0, s(10), h} : Rect{s(11), 0, s(19), h};

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
