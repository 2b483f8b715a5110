// Control-panel and tooltip geometry as tables.
#include "strip/panel_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(PanelGeometry, LogoIsCopiedCentredOrSqueezedIntoLowStrips) {
  const struct {
    int h;
    bool raised;
    int x, y, height;
    bool stretched;
  } rows[] = {
      {28, true, 278, 6, 13, false}, {20, true, 278, 2, 13, false},
      {19, true, 278, 2, 13, true},  {16, true, 278, 2, 10, true},
      {6, true, 278, 2, 0, true},    {3, true, 278, 2, 0, true},
      {28, false, 279, 7, 13, false}, {19, false, 279, 2, 13, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "H=" << row.h << " raised=" << row.raised);
    const LogoPlacement p = PlaceLogo(300, row.h, row.raised);
    EXPECT_EQ(p.x, row.x);
    EXPECT_EQ(p.y, row.y);
    EXPECT_EQ(p.width, 19);
    EXPECT_EQ(p.height, row.height);
    EXPECT_EQ(p.stretched, row.stretched);
  }
}

TEST(PanelGeometry, SearchGlyphAndTriangle) {
  int x = 0, y = 0;
  PlaceSearchGlyph(400, 27, true, &x, &y);
  EXPECT_EQ(x, 363);
  EXPECT_EQ(y, 4);
  PlaceSearchGlyph(400, 27, false, &x, &y);
  EXPECT_EQ(x, 364);
  EXPECT_EQ(y, 5);
  PlaceSearchGlyph(400, 17, true, &x, &y);
  EXPECT_EQ(y, 2) << "never above the button's top";

  Triangle t = PlaceNextTopicTriangle(10, 27, true);
  EXPECT_EQ(t.x, 13);
  EXPECT_EQ(t.y0, 11);
  t = PlaceNextTopicTriangle(10, 27, false);
  EXPECT_EQ(t.x, 14);
  EXPECT_EQ(t.y0, 11);
  EXPECT_EQ(PanelBottom(28, true), 28);
  EXPECT_EQ(PanelBottom(28, false), 27);
}

PanelLayout Layout(int32_t w, int32_t h, int32_t g, int32_t top = 0, bool fit = false,
                   bool deskBand = false, int32_t logoWidth = -1) {
  PanelInputs in;
  in.width = w;
  in.height = h;
  in.grip = g;
  in.logoWidth = logoWidth < 0 ? w : logoWidth;
  in.tipTop = top;
  in.fitToCaption = fit;
  in.inDeskBand = deskBand;
  return ComputePanelLayout(in);
}

TEST(TooltipTools, FiveToolsPastAHundredPixelsTwoBelow) {
  std::vector<TooltipTool> tools = Layout(101, 28, 10, 1).tools;
  ASSERT_EQ(tools.size(), 5u);
  EXPECT_EQ(tools[0].toolId, 1);
  EXPECT_EQ(tools[0].rect, (Rect{20, 1, 62, 28}));
  EXPECT_EQ(tools[1].toolId, 2);
  EXPECT_EQ(tools[1].rect, (Rect{80, 1, 101, 28}));
  EXPECT_EQ(tools[2].toolId, 4);
  EXPECT_EQ(tools[2].rect, (Rect{62, 0, 78, 28}));
  EXPECT_EQ(tools[3].toolId, 5);
  EXPECT_EQ(tools[3].rect, (Rect{10, 0, 20, 28}));
  EXPECT_EQ(tools[4].toolId, 6);
  EXPECT_EQ(tools[4].rect, (Rect{1, 0, 10, 28}));
  EXPECT_EQ(tools[4].tipWindow, tools[3].tipWindow) << "next topic and grip share a window";

  tools = Layout(100, 28, 10).tools;
  ASSERT_EQ(tools.size(), 2u);
  EXPECT_EQ(tools[0].rect, (Rect{20, 0, 61, 28}));

  // A narrow caption strip gives the strip tool everything between grip and logo.
  tools = Layout(99, 18, 10, 0, true).tools;
  EXPECT_EQ(tools[0].rect, (Rect{10, 0, 78, 18}));
  tools = Layout(100, 18, 10, 0, true).tools;
  EXPECT_EQ(tools[0].rect, (Rect{20, 0, 61, 18}));

  // Without a grip the grip tool is empty.
  tools = Layout(300, 28, 0).tools;
  EXPECT_LE(tools[4].rect.right, tools[4].rect.left);
}

// Which control a press or release at client x lands on (W 300, G 10; docked, the logo's zones
// follow the docked width 200 instead).
TEST(PanelLayout, HitZonesByX) {
  const struct {
    int x;
    int32_t logoWidth;
    bool search, next, logoPress, logoRelease, doubleClick;
  } rows[] = {
      {10, 300, false, false, false, false, false},  // the grip's edge
      {11, 300, false, true, false, false, false},
      {19, 300, false, true, false, false, false},
      {20, 300, false, false, false, false, false},
      {21, 300, false, false, false, false, true},
      {260, 300, false, false, false, false, true},
      {261, 300, false, false, false, false, false},
      {262, 300, true, false, false, false, false},
      {277, 300, true, false, false, false, false},
      {278, 300, false, false, false, false, false},
      {279, 300, false, false, true, false, false},  // pressed, not yet released
      {280, 300, false, false, true, true, false},
      {299, 300, false, false, true, true, false},
      {179, 200, false, false, true, false, true},  // docked: the logo starts earlier
      {178, 200, false, false, false, false, true},
      {279, 200, false, false, true, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "x=" << row.x << " logo width " << row.logoWidth);
    const PanelLayout p = Layout(300, 28, 10, 0, false, false, row.logoWidth);
    EXPECT_EQ(p.searchZone.Contains(row.x), row.search);
    EXPECT_EQ(p.nextTopicZone.Contains(row.x), row.next);
    EXPECT_EQ(row.x > p.logoPressAfter, row.logoPress);
    EXPECT_EQ(row.x > p.logoReleaseAfter, row.logoRelease);
    EXPECT_EQ(p.doubleClickZone.Contains(row.x), row.doubleClick);
  }
}

// The grip: the sizing cursor over its first pixels, a width drag from a press on it.
TEST(PanelLayout, GripZones) {
  const struct {
    int x;
    bool deskBand, sizingCursor, stripPress;
  } rows[] = {{0, false, true, false},   {6, false, true, false},  {7, false, false, false},
              {10, false, false, false}, {11, false, false, true}, {3, true, false, true}};
  for (const auto& row : rows) {
    const PanelLayout p = Layout(300, 28, row.deskBand ? 0 : 10, 0, false, row.deskBand);
    EXPECT_EQ(row.x < p.sizingCursorBefore, row.sizingCursor) << row.x;
    EXPECT_EQ(row.x > p.gripPressAfter, row.stripPress) << row.x;
  }
}

// Every drawn, repainted and feedback rectangle for W 300, H 28, G 10 (buttons to 27).
TEST(PanelLayout, RectanglesOfAFloatingStrip) {
  const PanelLayout p = Layout(300, 28, 10);
  const struct {
    const char* name;
    Rect actual, expected;
  } rows[] = {
      {"logo edge", p.logoEdge, {278, 0, 299, 27}},
      {"logo face", p.logoFace, {279, 2, 322, 26}},
      {"search edge", p.searchEdge, {261, 0, 276, 27}},
      {"search face", p.searchFace, {260, 1, 276, 26}},
      {"next edge raised", p.nextEdgeRaised, {11, 0, 19, 27}},
      {"next face raised", p.nextFaceRaised, {12, 2, 18, 25}},
      {"next edge pressed", p.nextEdgePressed, {10, -1, 18, 26}},
      {"next face pressed", p.nextFacePressed, {13, 3, 19, 24}},
      {"grip ridge 1", p.gripRidges[0], {2, 0, 4, 27}},
      {"grip ridge 2", p.gripRidges[1], {6, 0, 8, 27}},
      {"search press", p.searchPressRepaint, {267, 0, 278, 14}},
      {"search release", p.searchReleaseRepaint, {267, 0, 277, 28}},
      {"next press", p.nextPressRepaint, {0, 0, 20, 28}},
      {"next release", p.nextReleaseRepaint, {10, 0, 20, 28}},
      {"next right press", p.nextRightPressRepaint, {11, 0, 19, 28}},
      {"next right release", p.nextRightReleaseRepaint, {10, 0, 20, 28}},
      {"logo", p.logoRepaint, {279, 0, 300, 28}},
      {"logo feedback", p.logoFeedback, {234, 0, 300, 28}},
      {"search lower feedback", p.searchLowerFeedback, {258, 14, 268, 28}},
      {"search feedback", p.searchFeedback, {258, 0, 268, 14}},
      {"next feedback", p.nextFeedback, {11, 0, 19, 28}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.actual, row.expected);
  }
  EXPECT_EQ(Layout(300, 28, 10, 0, true).logoEdge, (Rect{278, 0, 299, 28}))
      << "fitted to the caption the buttons reach the bottom";
  EXPECT_EQ(Layout(300, 28, 0, 0, false, true).nextFeedback, (Rect{0, 0, 10, 28}))
      << "in the desk band";
}

// At 150 % every width of the panel, its zones and its pictures is half as large again, to the
// nearest pixel, while the one-pixel edges stay one pixel (W 300, H 27, G 10 at 96 DPI).
TEST(PanelLayout, WidthsGrowWithTheScale) {
  PanelInputs in;
  in.width = in.logoWidth = 300;
  in.height = 27;
  in.grip = 10;
  in.dpi = 144;
  const PanelLayout p = ComputePanelLayout(in);
  const LogoPlacement logo = PlaceLogo(300, 40, true, 144);
  const Triangle triangle = PlaceNextTopicTriangle(10, 26, true, 144);
  const struct {
    const char* name;
    Rect actual, expected;
  } rows[] = {
      {"logo edge", p.logoEdge, {267, 0, 299, 26}},
      {"search edge", p.searchEdge, {241, 0, 264, 26}},
      {"next edge", p.nextEdgeRaised, {16, 0, 28, 26}},
      {"grip ridge", p.gripRidges[1], {9, 0, 11, 26}},
      {"search, next zones", {p.searchZone.after, p.searchZone.before, p.nextTopicZone.after,
                              p.nextTopicZone.before}, {241, 267, 15, 30}},
      {"logo, grip, cursor", {p.logoPressAfter, p.gripPressAfter, p.sizingCursorBefore, 0},
       {267, 15, 11, 0}},
      {"logo picture", {logo.x, logo.y, logo.width, logo.height}, {267, 8, 29, 20}},
      {"triangle", {triangle.x, triangle.y0, triangle.columns, 0}, {19, 8, 5, 0}},
  };
  for (const auto& row : rows) EXPECT_EQ(row.actual, row.expected) << row.name;
}

TEST(Rect, ContainsItsTopLeftButNotItsBottomRight) {
  const Rect r{10, 20, 30, 40};
  const struct {
    int x, y;
    bool inside;
  } rows[] = {{10, 20, true}, {29, 39, true}, {30, 39, false}, {29, 40, false},
              {9, 25, false}, {15, 19, false}, {20, 30, true}};
  for (const auto& row : rows) EXPECT_EQ(r.Contains(row.x, row.y), row.inside) << row.x << "," << row.y;
  EXPECT_FALSE((Rect{5, 5, 5, 10}).Contains(5, 6)) << "an empty rectangle holds nothing";
}

}  // namespace
