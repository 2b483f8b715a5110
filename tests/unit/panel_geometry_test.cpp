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

TEST(TooltipTools, FiveToolsPastAHundredPixelsTwoBelow) {
  std::vector<TooltipTool> tools = ComputeTooltipTools(101, 28, 1, 10, false);
  ASSERT_EQ(tools.size(), 5u);
  EXPECT_EQ(tools[0].toolId, 1);
  EXPECT_EQ(tools[0].rect, (PanelRect{20, 1, 62, 28}));
  EXPECT_EQ(tools[1].toolId, 2);
  EXPECT_EQ(tools[1].rect, (PanelRect{80, 1, 101, 28}));
  EXPECT_EQ(tools[2].toolId, 4);
  EXPECT_EQ(tools[2].rect, (PanelRect{62, 0, 78, 28}));
  EXPECT_EQ(tools[3].toolId, 5);
  EXPECT_EQ(tools[3].rect, (PanelRect{10, 0, 20, 28}));
  EXPECT_EQ(tools[4].toolId, 6);
  EXPECT_EQ(tools[4].rect, (PanelRect{1, 0, 10, 28}));
  EXPECT_EQ(tools[4].tipWindow, tools[3].tipWindow) << "next topic and grip share a window";

  tools = ComputeTooltipTools(100, 28, 0, 10, false);
  ASSERT_EQ(tools.size(), 2u);
  EXPECT_EQ(tools[0].rect, (PanelRect{20, 0, 61, 28}));

  // A narrow caption strip gives the strip tool everything between grip and logo.
  tools = ComputeTooltipTools(99, 18, 0, 10, true);
  EXPECT_EQ(tools[0].rect, (PanelRect{10, 0, 78, 18}));
  tools = ComputeTooltipTools(100, 18, 0, 10, true);
  EXPECT_EQ(tools[0].rect, (PanelRect{20, 0, 61, 18}));

  // Without a grip the grip tool is empty.
  tools = ComputeTooltipTools(300, 28, 0, 0, false);
  EXPECT_LE(tools[4].rect.right, tools[4].rect.left);
}

}  // namespace
