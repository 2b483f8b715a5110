// The real frame window's own limits: the sizes a user can drag it to and the glued z-order.
#include <windows.h>

#include <gtest/gtest.h>

#include "win32/ticker_fixture.h"
#include "window/ticker_state_win.h"

namespace {

TEST(FrameWindow, SizingStaysWithinTheLimitsAndFollowsTheDraggedEdge) {
  TickerWindowState& t = StartedTicker();
  ASSERT_NE(t.frameWindow, nullptr);
  const struct {
    WPARAM edge;
    RECT dragged;
    RECT expected;
  } rows[] = {
      {WMSZ_BOTTOM, {100, 100, 500, 160}, {100, 100, 500, 150}},
      {WMSZ_TOP, {100, 100, 500, 110}, {100, 100, 500, 120}},
      {WMSZ_RIGHT, {100, 100, 200, 130}, {100, 100, 250, 130}},
      {WMSZ_LEFT, {300, 100, 400, 130}, {250, 100, 400, 130}},
      {WMSZ_BOTTOMLEFT, {300, 100, 400, 170}, {250, 100, 400, 150}},
      {WMSZ_TOPRIGHT, {100, 100, 200, 110}, {100, 100, 250, 120}},
      {WMSZ_RIGHT, {100, 100, 600, 140}, {100, 100, 600, 140}},
  };
  for (const auto& row : rows) {
    RECT r = row.dragged;
    EXPECT_EQ(SendMessageA(t.frameWindow, WM_SIZING, row.edge, reinterpret_cast<LPARAM>(&r)), TRUE);
    EXPECT_TRUE(EqualRect(&r, &row.expected))
        << "edge " << row.edge << ": " << r.left << "," << r.top << "," << r.right << ","
        << r.bottom;
  }
}

TEST(FrameWindow, AGluedFrameStaysAtTheBottom) {
  TickerWindowState& t = StartedTicker();
  ASSERT_NE(t.frameWindow, nullptr);
  const int32_t glued = t.glueToDesktop;
  const int32_t undocked = t.undocked;

  auto insertAfter = [&](HWND wanted) {
    WINDOWPOS pos = {};
    pos.hwnd = t.frameWindow;
    pos.hwndInsertAfter = wanted;
    pos.flags = SWP_NOMOVE | SWP_NOSIZE;
    SendMessageA(t.frameWindow, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    return pos.hwndInsertAfter;
  };
  t.undocked = 1;
  t.glueToDesktop = 1;
  EXPECT_EQ(insertAfter(HWND_TOP), HWND_BOTTOM);
  EXPECT_EQ(insertAfter(HWND_TOPMOST), HWND_BOTTOM);
  t.glueToDesktop = 0;
  EXPECT_EQ(insertAfter(HWND_TOP), HWND_TOP) << "only a glued frame";
  t.glueToDesktop = 1;
  t.undocked = 0;
  EXPECT_EQ(insertAfter(HWND_TOP), HWND_TOP) << "only a floating one";

  t.glueToDesktop = glued;
  t.undocked = undocked;
}

}  // namespace
