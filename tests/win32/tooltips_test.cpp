// The tooltip windows of the real ticker: which tools exist at which width, and texts that
// survive the re-creation on every resize.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "strip/tooltips_win.h"
#include "win32/ticker_fixture.h"

namespace {

int ToolCount(HWND tip) {
  return tip == nullptr ? -1 : static_cast<int>(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
}

std::string ToolText(HWND tip, UINT id) {
  char text[256] = "";
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.hwnd = Ticker().tickerWindow;
  info.uId = id;
  info.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&info));
  return text;
}

TEST(Tooltips, FiveToolsPastAHundredPixelsAndTwoBelow) {
  TickerWindowState& t = StartedTicker();
  SetTickerClientSize(101, 28);
  EXPECT_EQ(ToolCount(t.tooltips.stripTip), 1);
  EXPECT_EQ(ToolCount(t.tooltips.logoTip), 1);
  EXPECT_EQ(ToolCount(t.tooltips.searchTip), 1);
  EXPECT_EQ(ToolCount(t.tooltips.navigationTip), 2);
  EXPECT_EQ(ToolText(t.tooltips.searchTip, 4), "Open Vexlo! Search Window");
  EXPECT_EQ(ToolText(t.tooltips.navigationTip, 5),
            "Next Topic (left-click), Next Story (right-click)");
  EXPECT_EQ(ToolText(t.tooltips.navigationTip, 6), "Slide to change Ticker Size");

  SetTickerClientSize(100, 28);
  EXPECT_EQ(t.tooltips.searchTip, nullptr);
  EXPECT_EQ(t.tooltips.navigationTip, nullptr);
  EXPECT_EQ(ToolCount(t.tooltips.stripTip), 1);
  EXPECT_EQ(ToolCount(t.tooltips.logoTip), 1);
  SetTickerClientSize(150, 18);
}

TEST(Tooltips, TextsSurviveAResize) {
  TickerWindowState& t = StartedTicker();
  SetTickerClientSize(300, 28);
  EXPECT_EQ(ToolText(t.tooltips.logoTip, 2), "Vexlo! Pages Menu")
      << "the logo's text before any other";
  SetLogoTip(t.tooltips, t.tickerWindow, "Our sponsor");
  SetStripTip(t.tooltips, t.tickerWindow, "Last Updated:  Tuesday, December 8, 2026  6:22 AM");
  EXPECT_EQ(ToolText(t.tooltips.logoTip, 2), "Our sponsor");
  SetTickerClientSize(400, 28);
  EXPECT_EQ(ToolText(t.tooltips.logoTip, 2), "Our sponsor");
  EXPECT_EQ(ToolText(t.tooltips.stripTip, 1), "Last Updated:  Tuesday, December 8, 2026  6:22 AM");
  SetLogoTip(t.tooltips, t.tickerWindow, "Vexlo! Pages Menu");
  SetTickerClientSize(150, 18);
}

}  // namespace
