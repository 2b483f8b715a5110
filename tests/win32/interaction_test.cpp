// The ticker window in a user's hands, driven with its real messages: dragging the strip, jumping
// by section and story, the context menu, the search box, the logo button's phases, and links
// opened over DDE or with the browser's command.
#include <windows.h>

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/open_url_win.h"
#include "e2e/e2e_support.h"
#include "res/resource.h"
#include "strip/tooltips_win.h"
#include "win32/ticker_fixture.h"
#include "window/housekeeping_win.h"
#include "window/mouse_win.h"
#include "window/timers.h"

namespace {

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class Interaction : public testing::Test {
 protected:
  void SetUp() override {
    t.stripFlags.scrollOffset = 0;
    t.stripFlags.scrollForward = 1;
    t.stripFlags.pauseTicks = 0;
    SetTickerClientSize(600, 28);
    // Three sections of a caption and two stories; every item has a link but the captions.
    FillStrip({{"World:", 15, 0, 1, ""},      {"Story A one", 2, 1, 0, "http://h/a1"},
               {"Story A two", 2, 1, 0, "http://h/a2"}, {"Sports:", 15, 0, 1, ""},
               {"Story B one", 7, 1, 0, "http://h/b1"}, {"Story B two", 7, 1, 0, "http://h/b2"},
               {"Markets:", 15, 0, 1, ""},     {"Story C one", 3, 1, 0, "http://h/c1"}});
  }
  void TearDown() override {
    ReleaseCapture();
    t.stripFlags.listBusy = 0;
    t.dragging = 0;
    t.stripFlags.pauseTicks = 0;
  }

  int32_t SlotX(uint32_t slot) {
    ItemsView view = t.items.Read();
    return view.items[slot].x;
  }

  void Send(UINT message, WPARAM wParam, LPARAM lParam) {
    SendMessageA(t.tickerWindow, message, wParam, lParam);
  }

  TickerWindowState& t = StartedTicker();
};

TEST_F(Interaction, DraggingTheStripMovesItFourPixelsPerPixel) {
  t.stripFlags.scrollOffset = 100;
  Send(WM_LBUTTONDOWN, MK_LBUTTON, At(300, 10));
  EXPECT_EQ(t.stripFlags.listBusy.load(), 1) << "no painting while the button is down";
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(300, 10));
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(290, 10));
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 140);
  EXPECT_EQ(t.stripFlags.scrollForward.load(), 1);
  EXPECT_EQ(t.dragging, 1);
  EXPECT_EQ(t.stripFlags.listBusy.load(), 0);

  Send(WM_MOUSEMOVE, MK_LBUTTON, At(300, 10));
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 100);
  EXPECT_EQ(t.stripFlags.scrollForward.load(), 0) << "dragged right: the strip now runs the other way";

  Send(WM_MOUSEMOVE, MK_LBUTTON, At(302, 10));
  EXPECT_EQ(t.stripFlags.scrollForward.load(), 0) << "small moves keep the direction";
  Send(WM_LBUTTONUP, 0, At(302, 10));
  EXPECT_EQ(t.dragging, 0);
  EXPECT_EQ(t.stripFlags.listBusy.load(), 0);
}

TEST_F(Interaction, AJumpOfMoreThanAHundredPixelsCancelsTheDrag) {
  t.stripFlags.scrollOffset = 50;
  Send(WM_LBUTTONDOWN, MK_LBUTTON, At(300, 10));
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(300, 10));
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(150, 10));
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 50);
  EXPECT_EQ(t.lastDragX, 0);
  Send(WM_LBUTTONUP, 0, At(150, 10));
}

// The jump draws its frame at once, and the scroll tick that drew it moves the strip on by one
// step (two pixels at the first run's speed).
constexpr int kStep = 2;

TEST_F(Interaction, JumpsPlaceSectionsAndStoriesAtTheLeftEdge) {
  // Forward to the next section: its first item 20 pixels from the edge.
  Send(WM_HSCROLL, MAKEWPARAM(1, t.jumpSerial + 1), 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), SlotX(3) - 20 + kStep);
  EXPECT_EQ(t.stripFlags.pauseTicks.load(), 9) << "then the strip stands still";

  // Forward to the next story: 30 pixels from the edge.
  Send(WM_HSCROLL, MAKEWPARAM(0, t.jumpSerial + 1), 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), SlotX(4) - 30 + kStep);

  // The same serial again is a jump back: the section exactly at the edge.
  Send(WM_HSCROLL, MAKEWPARAM(1, t.jumpSerial), 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), SlotX(3) + kStep);
}

TEST_F(Interaction, TheNextTopicButtonPostsTheJump) {
  const int32_t serial = t.jumpSerial;
  Send(WM_LBUTTONDOWN, MK_LBUTTON, At(t.dock.gripWidth + 5, 10));
  EXPECT_EQ(t.nextButtonUp, 0);
  Send(WM_LBUTTONUP, 0, At(t.dock.gripWidth + 5, 10));
  EXPECT_EQ(t.nextButtonUp, 1);
  WaitUntil([&] { return t.jumpSerial != serial; }, 2000);
  EXPECT_EQ(t.jumpSerial, (serial + 1) & 0xFFFF);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), SlotX(3) - 20 + kStep);
}

TEST_F(Interaction, SlidingTheGripMovesTheFramesLeftEdgeToThePointer) {
  RECT before;
  GetWindowRect(t.frameWindow, &before);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, At(3, 10));
  ASSERT_EQ(t.resizing, 1);
  const int middle = before.top + (before.bottom - before.top) / 2 - 1;
  SetCursorPos(before.left - 40, middle);
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(3, 10));
  RECT after;
  GetWindowRect(t.frameWindow, &after);
  EXPECT_EQ(after.left, before.left - 40 - GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(after.right, before.right);
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.y, middle) << "the pointer is held on the middle line";
  Send(WM_LBUTTONUP, 0, At(3, 10));
  EXPECT_EQ(t.resizing, 0);
  SetWindowPos(t.frameWindow, nullptr, before.left, before.top, before.right - before.left,
               before.bottom - before.top, SWP_NOZORDER);
}

TEST_F(Interaction, JumpsBeforeAnyFillChangeNothing) {
  t.items.Reset();
  t.stripFlags.scrollOffset = 77;
  const int32_t serial = t.jumpSerial;
  Send(WM_HSCROLL, MAKEWPARAM(1, serial + 1), 0);
  EXPECT_EQ(t.stripFlags.scrollOffset.load(), 77);
  EXPECT_EQ(t.jumpSerial, serial);
}

// Reads the open popup menu's items from inside its modal loop, then closes it.
std::vector<std::string> g_menuItems;
void CALLBACK ReadMenuAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (popup == nullptr) return;
  KillTimer(nullptr, id);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[64] = "";
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_TYPE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(menu, i, TRUE, &info);
    if (info.fType & MFT_SEPARATOR) {
      g_menuItems.push_back("-");
      continue;
    }
    std::string item = text;
    if (info.fState & MFS_CHECKED) item += " [x]";
    if (info.fState & MFS_GRAYED) item += " [grey]";
    g_menuItems.push_back(item);
  }
  EndMenu();
}

std::vector<std::string> OpenContextMenu(HWND ticker) {
  g_menuItems.clear();
  SetTimer(nullptr, 0, 100, ReadMenuAndClose);
  SendMessageA(ticker, WM_RBUTTONUP, 0, MAKELPARAM(300, 10));
  return g_menuItems;
}

TEST_F(Interaction, TheContextMenuShowsThePlacementsOfAFloatingTicker) {
  t.searchShown = 1;
  t.alwaysOnTop = 1;
  t.fitToCaption = 1;
  t.glueToDesktop = 0;
  t.refresh.refreshRunning = 1;
  t.reading.paused = 1;
  const std::vector<std::string> items = OpenContextMenu(t.tickerWindow);
  t.refresh.refreshRunning = 0;
  t.reading.paused = 0;
  t.searchShown = 0;
  // Wine's shell reports version 6.0, whose minor number picks the first menu; its taskbar has
  // nothing to dock in.
  const std::vector<std::string> expected = {
      "Always on Top [x]", "Glue to Desktop", "Fit to Caption [x]", "-", "Preferences...",
      "Update Now [grey]", "Pause [x]", "-", "Search Window [x]", "Taskbar Dock / UnDock [grey]", "-",
      "Help...", "-", "Exit"};
  EXPECT_EQ(items, expected);
}

TEST_F(Interaction, TheSearchBoxTakesAThirdOfAWideStrip) {
  SetTickerClientSize(1000, 28);
  t.searchShown = 1;
  SearchBoxUpkeep(t.tickerWindow);
  ASSERT_NE(t.searchBox, nullptr);
  RECT box;
  GetWindowRect(t.searchBox, &box);
  MapWindowPoints(nullptr, t.tickerWindow, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, t.dock.gripWidth + 640);
  EXPECT_EQ(box.right, 960);

  SetTickerClientSize(401, 28);
  SearchBoxUpkeep(t.tickerWindow);
  GetWindowRect(t.searchBox, &box);
  MapWindowPoints(nullptr, t.tickerWindow, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, t.dock.gripWidth) << "a narrow strip: the box covers it";
  EXPECT_EQ(box.right, 361);

  t.searchShown = 0;
  SearchBoxUpkeep(t.tickerWindow);
  EXPECT_EQ(t.searchBox, nullptr);
  EXPECT_EQ(t.searchFont, nullptr) << "the box's font goes with it";
}

TEST_F(Interaction, TheLogoButtonFlipsEveryMailCycleWhileMailWaits) {
  auto flipsWithin = [&](int ticks) {
    std::vector<int> flips;
    int32_t phase = t.sponsorPhase;
    for (int i = 1; i <= ticks; ++i) {
      RunHousekeepingTick(t.tickerWindow);
      if (t.sponsorPhase != phase) {
        flips.push_back(i);
        phase = t.sponsorPhase;
      }
    }
    return flips;
  };
  // Nothing else of the tick may interfere: no caption to follow, no rebuild pending.
  t.fitToCaption = 0;
  t.reloadNeeded = 0;
  t.prefs.mailCycleLength = 5;
  t.prefs.mailAlertIcon = 1;
  t.refresh.mailAlertPending = 1;
  t.sponsorPhase = 0;
  t.mailCycleCountdown = 0;
  EXPECT_EQ(flipsWithin(11), (std::vector<int>{1, 6, 11}));
  EXPECT_EQ(t.sponsorPhase, 1);
  EXPECT_STREQ(Ticker().tooltips.logoText, "Vexlo!")
      << "entering the sponsor phase: the Toolhelp text";
  flipsWithin(5);
  EXPECT_STREQ(Ticker().tooltips.logoText, "Vexlo! Pages Menu");

  t.refresh.mailAlertPending = 0;
  t.mailCycleCountdown = 0;
  EXPECT_EQ(flipsWithin(21), (std::vector<int>{1, 11, 21})) << "without mail: every ten seconds";
  t.prefs.mailCycleLength = 0;
  t.refresh.mailAlertPending = 1;
  t.mailCycleCountdown = 0;
  EXPECT_EQ(flipsWithin(11), (std::vector<int>{1, 11})) << "a cycle of 0 means ten seconds";
  t.refresh.mailAlertPending = 0;
  t.sponsorPhase = 0;
  t.fitToCaption = 1;
}

class Links : public Interaction {
 protected:
  void TearDown() override {
    EndStartedPrograms();
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\NewsrailTestPage");
    Interaction::TearDown();
  }

  std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::string all = ReadWholeFile(path);
    size_t start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(all.substr(start, end - start));
    }
    return lines;
  }
};

TEST_F(Links, ADoubleClickOpensTheItemOverDde) {
  const std::string folder = MakeProgramFolder("dde");
  const std::string log = folder + "requests.txt";
  StartProgram(HelperPath("dde_browser.exe"), log);
  ASSERT_TRUE(WaitUntil([] { return FindWindowA("DdeBrowserStandIn", nullptr) != nullptr; }, 10000));

  // "Story A one" sits right of the caption; the offset puts it under x = 100.
  t.stripFlags.scrollOffset = SlotX(1) - 90;
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, At(100, 10));
  ASSERT_TRUE(WaitUntil([&] { return Lines(log).size() >= 2; }, 15000));
  const std::vector<std::string> expected = {"WWW_OpenURL|\"http://h/a1\",,0xFFFFFFFF,0x03",
                                             "WWW_Activate|\"0xFFFFFFFF\",\"0\""};
  EXPECT_EQ(Lines(log), expected);

  // A caption has no link: the next item's opens.
  t.stripFlags.scrollOffset = SlotX(3) - 90;
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, At(100, 10));
  ASSERT_TRUE(WaitUntil([&] { return Lines(log).size() >= 4; }, 15000));
  EXPECT_EQ(Lines(log)[2], "WWW_OpenURL|\"http://h/b1\",,0xFFFFFFFF,0x03");
}

TEST_F(Links, WithoutADdeBrowserTheRegisteredCommandRuns) {
  const std::string folder = MakeProgramFolder("launch");
  ASSERT_TRUE(CopyInto(HelperPath("url_recorder.exe"), folder + "browser.exe"));
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.htm", 0, nullptr, 0, KEY_ALL_ACCESS,
                  nullptr, &key, nullptr);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("NewsrailTestPage"), 17);
  RegCloseKey(key);
  const std::string command = "\"" + folder + "browser.exe\" -nohome";
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\NewsrailTestPage\\shell\\open\\command",
                  0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);

  char trimmed[300] = "";
  GetBrowserCommand(trimmed);
  EXPECT_EQ(std::string(trimmed), "\"" + folder + "browser.exe\" ");

  t.stripFlags.scrollOffset = SlotX(7) - 90;
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, At(100, 10));
  ASSERT_TRUE(WaitUntil([&] { return !Lines(folder + "launches.txt").empty(); }, 15000));
  EXPECT_EQ(Lines(folder + "launches.txt")[0], "\"" + folder + "browser.exe\" \"http://h/c1\"");
}

}  // namespace
