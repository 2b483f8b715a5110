// The real frame and ticker windows, created by start-up in this process on a fresh registry:
// classes and styles, first-run settings, the timers' effects, the private messages, resize.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "shell/startup_win.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"
#include "win32/ticker_fixture.h"
#include "win32/window_probe.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

class StartupWindow : public testing::Test {
 protected:
  TickerWindowState& t = StartedTicker();

  void FillStrip(int items) {
    WindowMeasurer measurer(t.tickerWindow, t.paintCache);
    t.items.Restart();
    for (int i = 0; i < items; ++i) {
      const std::string text = "Headline number " + std::to_string(i);
      t.items.Append(&measurer, text.c_str(), "http://127.0.0.1/x", 1 + i % 7, i % 3 == 0, 1);
    }
    t.items.Finish();
    t.stripFlags.stripFilled = 1;
  }
};

TEST_F(StartupWindow, CreatesTheFrameAndTheTickerInsideIt) {
  HWND frame = FindTopLevel("SSBar", "MyVexlo! Newsrail");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame, t.frameWindow);
  EXPECT_TRUE(IsWindowVisible(frame));
  EXPECT_TRUE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(GetWindowLongA(frame, GWL_STYLE) & WS_POPUP);

  HWND ticker = FindChild(frame, "Ticker");
  ASSERT_NE(ticker, nullptr);
  EXPECT_EQ(ticker, t.tickerWindow);
  const LONG style = GetWindowLongA(ticker, GWL_STYLE);
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN),
            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  EXPECT_EQ(GetClassLongA(ticker, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS | CS_SAVEBITS));
  EXPECT_EQ(GetClassLongA(frame, GCL_STYLE), static_cast<DWORD>(CS_DBLCLKS));
  EXPECT_EQ(FindRunningTicker(), frame);
}

TEST_F(StartupWindow, AFreshInstallFloatsOnTheCaption) {
  // No taskbar host: the settings say floating, on top, fitted to the caption.
  DWORD value = 0;
  ASSERT_TRUE(ReadRegistryNumber("Dock in Taskbar", &value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(ReadRegistryNumber("Fit To Caption", &value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(ReadRegistryNumber("Always On Top", &value));
  EXPECT_EQ(value, 1u);
  EXPECT_TRUE(GetWindowLongA(t.frameWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);

  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame;
  GetWindowRect(t.frameWindow, &frame);
  const int expectedX =
      work.right - (150 + 3 * GetSystemMetrics(SM_CXSIZE) + GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(frame.left, expectedX);
  EXPECT_EQ(frame.top, work.top);
  EXPECT_EQ(frame.right - frame.left, 150);
  EXPECT_EQ(frame.bottom - frame.top, GetSystemMetrics(SM_CYCAPTION) - 1);
  EXPECT_FALSE(GetWindowLongA(t.frameWindow, GWL_STYLE) & WS_THICKFRAME);

  // Fitted to the caption, the ticker fills the frame.
  RECT client;
  GetClientRect(t.frameWindow, &client);
  RECT ticker;
  GetWindowRect(t.tickerWindow, &ticker);
  EXPECT_EQ(ticker.right - ticker.left, client.right);
  EXPECT_EQ(ticker.bottom - ticker.top, client.bottom);
}

TEST_F(StartupWindow, FirstRunStoresTheDefaultSelection) {
  const struct {
    const char* name;
    DWORD value;
  } numbers[] = {{"Auto Update", 1},          {"US Headlines", 1},   {"Stock Quotes", 1},
                 {"Bold Font", 1},            {"Show in Screen Saver", 1}, {"Weather", 1},
                 {"Business Headlines", 1},   {"Technology Headlines", 1},
                 {"Temperature System", 1},   {"News Refresh", 10},  {"Ticker Speed", 3},
                 {"Stories Per Topic", 10}};
  for (const auto& n : numbers) {
    DWORD value = 0;
    EXPECT_TRUE(ReadRegistryNumber(n.name, &value)) << n.name;
    EXPECT_EQ(value, n.value) << n.name;
  }
  char text[100];
  ASSERT_TRUE(ReadRegistryText("Airports", text, sizeof text));
  EXPECT_STREQ(text, "JFK,SFO,LAX");
  DWORD size = 0;
  ASSERT_TRUE(ReadRegistryNumber("Ticker Size", &size));
  EXPECT_EQ(size, static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN) / 3));
  DWORD unset = 0;
  EXPECT_FALSE(ReadRegistryNumber("World Headlines", &unset));

  EXPECT_EQ(t.prefs.tickerSpeed, 3);
  EXPECT_EQ(t.prefs.content.storiesPerTopic, 10);
  EXPECT_STREQ(t.prefs.content.stockSymbols, "^DJI+^SPC+^IXIC+INTC+MSFT+VXLO");
  EXPECT_NE(t.handCursor, nullptr);
  EXPECT_NE(t.sizingCursor, nullptr);
  EXPECT_NE(t.scrollTimer, 0u);
  EXPECT_NE(t.refreshTimer, 0u);
  EXPECT_NE(t.housekeepingTimer, 0u);
}

TEST_F(StartupWindow, ScrollTickPaintsOnlyOnceFilledAndNotWhilePaused) {
  t.stripFlags.stripFilled = 0;
  t.stripFlags.scrollOffset = 0;
  SendMessageA(t.tickerWindow, WM_TIMER, kScrollTimer, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 0) << "nothing moves before the first fill";

  FillStrip(12);
  t.stripFlags.scrollForward = 1;
  SendMessageA(t.tickerWindow, WM_TIMER, kScrollTimer, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 2) << "speed 3: one frame of two pixels per tick";

  t.stripFlags.pauseTicks = 9;
  for (int i = 0; i < 9; ++i) SendMessageA(t.tickerWindow, WM_TIMER, kScrollTimer, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 2) << "nine ticks stand still";
  SendMessageA(t.tickerWindow, WM_TIMER, kScrollTimer, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 4);

  t.stripFlags.listBusy = 1;
  SendMessageA(t.tickerWindow, WM_TIMER, kScrollTimer, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 4) << "a status pair being written is not painted";
  t.stripFlags.listBusy = 0;

  t.stripFlags.scrollForward = 0;
  SendMessageA(t.tickerWindow, WM_TIMER, kScrollTimer, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 2) << "backwards";
  t.stripFlags.scrollForward = 1;
}

TEST_F(StartupWindow, ShowItemScrollsToASlotThatExists) {
  t.items.Reset();
  t.stripFlags.scrollOffset = 123;
  SendMessageA(t.tickerWindow, kShowItemMessage, 0, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 123) << "no slots before a fill";

  FillStrip(8);
  int32_t x3 = 0;
  uint32_t drawCount = 0;
  int32_t xAtDrawCount = 0;
  {
    ItemsView view = t.items.Read();
    x3 = view.items[3].x;
    drawCount = view.drawCount;
    xAtDrawCount = view.items[drawCount].x;
  }
  SendMessageA(t.tickerWindow, kShowItemMessage, 3, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), x3 - 20);
  SendMessageA(t.tickerWindow, kShowItemMessage, drawCount, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), xAtDrawCount - 20) << "the undrawn slot exists";
  t.stripFlags.scrollOffset = 55;
  SendMessageA(t.tickerWindow, kShowItemMessage, drawCount + 1, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 55);
  SendMessageA(t.tickerWindow, kShowItemMessage, 100000, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 55);

  t.stripFlags.closing = 1;
  SendMessageA(t.tickerWindow, kShowItemMessage, 3, 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 55) << "nothing while closing";
  t.stripFlags.closing = 0;
}

TEST_F(StartupWindow, StatusPairsAreMeasuredInTheStripFonts) {
  WindowMeasurer measurer(t.tickerWindow, t.paintCache);
  ShowStatusPair(t.items, &measurer, t.stripFlags, " Contacting Server", " Getting your news selections");
  {
    ItemsView view = t.items.Read();
    ASSERT_EQ(view.drawCount, 10u);
    EXPECT_GT(view.items[0].width, 40);
    EXPECT_GT(view.items[1].width, view.items[0].width) << "longer text, taller font";
    EXPECT_EQ(view.items[1].x, view.items[0].width);
  }

  // Fonts made anew for a taller strip replace those the measuring keeps selected.
  const int32_t before = measurer.MeasureText("Headline", 8, true);
  RECT r;
  GetClientRect(t.tickerWindow, &r);
  SetWindowPos(t.tickerWindow, nullptr, 0, 0, r.right, r.bottom + 12, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_GT(measurer.MeasureText("Headline", 8, true), before + 4);
  SetWindowPos(t.tickerWindow, nullptr, 0, 0, r.right, r.bottom, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(measurer.MeasureText("Headline", 8, true), before);

  WindowMeasurer gone(nullptr, Ticker().paintCache);
  EXPECT_FALSE(gone.CanMeasure());
}

TEST_F(StartupWindow, AHeightChangeAfterTheFirstFillAsksForARebuild) {
  FillStrip(5);
  t.reloadNeeded = 0;
  RECT r;
  GetClientRect(t.tickerWindow, &r);
  SetWindowPos(t.tickerWindow, nullptr, 0, 0, r.right, r.bottom + 6, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(t.reloadNeeded, 1);
  EXPECT_EQ(t.lastStripHeight, r.bottom + 6);
  t.reloadNeeded = 0;
  SetWindowPos(t.tickerWindow, nullptr, 0, 0, r.right + 10, r.bottom + 6,
               SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(t.reloadNeeded, 0) << "only the height counts";
  SetWindowPos(t.tickerWindow, nullptr, 0, 0, r.right, r.bottom, SWP_NOZORDER | SWP_NOMOVE);
}

TEST_F(StartupWindow, OtherSystemCommandsAreIgnored) {
  SendMessageA(t.tickerWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  SendMessageA(t.tickerWindow, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsWindow(t.tickerWindow));
  EXPECT_FALSE(IsIconic(t.frameWindow));
}

}  // namespace
