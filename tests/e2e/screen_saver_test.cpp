// Screen-saver mode under Ticker.exe, with a stand-in screen saver window: the ticker restarts as
// the bar below it and back into its floating frame when it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

RECT WindowRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

// Bright pixels (text drawn white on black) in [left, right) x [top, bottom).
int BrightPixels(const PixelGrab& grab, int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const COLORREF c = grab.At(x, y);
      if (c != CLR_INVALID && GetRValue(c) > 128 && GetGValue(c) > 128 && GetBValue(c) > 128) ++n;
    }
  }
  return n;
}

struct DesktopSearch {
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchBar(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DesktopSearch*>(context);
  char name[64] = "";
  char title[64] = "";
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  if (lstrcmpA(name, "SSBar") == 0 && lstrcmpA(title, search->title) == 0) search->found = window;
  return search->found == nullptr;
}

// The ticker's frame of that title on the named desktop, or null.
HWND FrameOnDesktop(const char* desktopName, const char* title) {
  HDESK desktop = OpenDesktopA(desktopName, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
  if (desktop == nullptr) return nullptr;
  DesktopSearch search{title, nullptr};
  EnumDesktopWindows(desktop, MatchBar, reinterpret_cast<LPARAM>(&search));
  CloseDesktop(desktop);
  return search.found;
}

class ScreenSaver : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("screensaver");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    DeleteFileA((folder_ + "News.Dat").c_str());
    PlaceFloatingFrame(100, 200, 600);
    WriteRegistryNumber("Screen Saver Mode", 0);
    WriteRegistryText("Last Stock Update", "Last Updated:  today");

    port_ = StartHostileServer(&server_, &scratch_, "screensaver");
    ASSERT_GT(port_, 0);
  }

  void TearDown() override {
    EndStartedPrograms();
    server_.Stop();
    ChooseStandInLibrary(false);
  }

  PROCESS_INFORMATION StartTicker(int showInScreenSaver, const char* mode) {
    WriteRegistryNumber("Show in Screen Saver", showInScreenSaver);
    WriteRegistryText("Data Server",
                      ("http://127.0.0.1:" + std::to_string(port_) + "/" + mode).c_str());
    PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe");
    EXPECT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 20000));
    return p;
  }

  HWND StartSaver() {
    StartProgram(HelperPath("screen_saver.exe"));
    HWND saver = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] { return (saver = FindTopLevel("WindowsScreenSaverClass")) != nullptr; }, 10000));
    return saver;
  }

  static HWND FindBar() {
    HWND bar = FindTopLevel("SSBar", "Newsrail");
    return bar != nullptr && FindChild(bar, "Ticker") != nullptr ? bar : nullptr;
  }

  static DWORD Registry(const char* name) {
    DWORD value = 0xFFFFFFFF;
    ReadRegistryNumber(name, &value);
    return value;
  }

  bool SavedPositionKept() {
    return Registry("Ticker X") == 100 && Registry("Ticker Y") == 200 &&
           Registry("Ticker Width") == 600 && Registry("Ticker Height") == 30;
  }

  std::string folder_;
  ScratchFolder scratch_;
  UnixProgram server_;
  int port_ = 0;
};

TEST_F(ScreenSaver, TheTickerRunsAsTheBarWhileTheScreenSaverRunsAndFloatsAgainAfter) {
  const PROCESS_INFORMATION normal = StartTicker(1, "ok");
  const RECT floating = WindowRect(FindTickerFrame());
  const HWND saver = StartSaver();
  ASSERT_NE(saver, nullptr);

  HWND bar = nullptr;
  const DWORD start = GetTickCount();
  ASSERT_TRUE(WaitUntil([&] { return (bar = FindBar()) != nullptr; }, 15000));
  std::printf("the bar came %lu ms after the screen saver\n", GetTickCount() - start);
  EXPECT_EQ(WaitForExit(normal, 10000), 0u) << "the ordinary ticker restarts as the bar";
  EXPECT_EQ(Registry("Screen Saver Mode"), 1u);

  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(w == 1024 && h == 768) << "the expectations below are for a 1024 x 768 screen";
  const RECT barRect = {0, 728, 1024, 768};
  EXPECT_TRUE(SameRect(WindowRect(bar), barRect)) << Describe(WindowRect(bar));
  EXPECT_EQ(GetWindow(bar, GW_OWNER), saver);
  const RECT saverRect = {0, 0, 1024, 728};
  EXPECT_TRUE(WaitUntil([&] { return SameRect(WindowRect(saver), saverRect); }, 5000))
      << Describe(WindowRect(saver));
  EXPECT_TRUE(IsWindowVisible(bar));
  RECT strip;
  GetClientRect(FindChild(bar, "Ticker"), &strip);
  EXPECT_EQ(strip.bottom, 31);
  EXPECT_FALSE(IsWindowVisible(FindChild(FindChild(bar, "Ticker"), "Edit"))) << "no search box";

  // The stamp at the left, the notice at the right, nothing between, on the rows below the strip.
  PixelGrab grab;
  const bool drawn = WaitUntil(
      [&] {
        grab = GrabFromScreen(bar);
        return BrightPixels(grab, 0, 31, 200, 40) > 10 && BrightPixels(grab, 800, 31, 1024, 40) > 10;
      },
      5000);
  EXPECT_TRUE(drawn) << "left " << BrightPixels(grab, 0, 31, 200, 40) << ", right "
                     << BrightPixels(grab, 800, 31, 1024, 40);
  EXPECT_EQ(BrightPixels(grab, 400, 32, 600, 40), 0);

  // A right click on the strip opens no menu.
  Xdotool("mousemove 500 743 click 3");
  EXPECT_FALSE(WaitUntil(
      [] {
        HWND menu = FindTopLevel("#32768");
        return menu != nullptr && IsWindowVisible(menu);
      },
      1500));

  // A ticker started meanwhile takes the bar's place; the bar leaves the floating position alone.
  const DWORD barProcess = ProcessOfWindow(bar);
  StartProgram(folder_ + "Ticker.exe");
  ASSERT_TRUE(WaitUntil(
      [&] { return (bar = FindBar()) != nullptr && ProcessOfWindow(bar) != barProcess; }, 20000));
  EXPECT_TRUE(SavedPositionKept());

  // The screen saver ends: the floating frame comes back where it was.
  PostMessageA(saver, WM_CLOSE, 0, 0);
  HWND frame = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (frame = FindTickerFrame()) != nullptr; }, 15000));
  EXPECT_TRUE(SameRect(WindowRect(frame), floating))
      << Describe(WindowRect(frame)) << " instead of " << Describe(floating);
  EXPECT_EQ(FindBar(), nullptr);
  EXPECT_EQ(Registry("Screen Saver Mode"), 0u);
  EXPECT_TRUE(SavedPositionKept());
}

TEST_F(ScreenSaver, ASwitchDuringARefreshStartsTheBarOnlyAfterTheRefresh) {
  // The refresh is held in a dial that the stand-in dial-up library keeps waiting.
  DeleteFileA((folder_ + "ras-calls.txt").c_str());
  DeleteFileA((folder_ + "ras-release.txt").c_str());
  ASSERT_TRUE(WriteWholeFile(folder_ + "ras-standin.txt", "hold 1\nentry Modem|user|pass\n"));
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "RemoteAccess", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegSetValueExA(key, "InternetProfile", 0, REG_SZ, reinterpret_cast<const BYTE*>("Modem"), 6);
  RegCloseKey(key);
  WriteRegistryNumber("Hangup", 1);
  ChooseStandInLibrary(true);
  const PROCESS_INFORMATION normal = StartTicker(1, "ok");
  ASSERT_TRUE(WaitUntil(
      [&] { return ReadWholeFile(folder_ + "ras-calls.txt").find("RasDialA") != std::string::npos; },
      20000));

  ASSERT_NE(StartSaver(), nullptr);
  ASSERT_TRUE(WaitUntil([] { return Registry("Screen Saver Mode") == 1; }, 5000))
      << "the switch has begun";
  WriteRegistryNumber("Hangup", 0);  // the bar's own refresh does not dial
  Sleep(2000);
  EXPECT_EQ(FindBar(), nullptr) << "no new process while the refresh runs";
  EXPECT_EQ(WaitForExit(normal, 0), static_cast<DWORD>(STILL_ACTIVE));

  WriteWholeFile(folder_ + "ras-release.txt", "");
  EXPECT_TRUE(WaitUntil([] { return FindBar() != nullptr; }, 20000));
  EXPECT_EQ(WaitForExit(normal, 5000), 0u);
  EXPECT_NE(ReadWholeFile(folder_ + "ras-calls.txt").find("RasHangUpA dialled"), std::string::npos)
      << "the refresh ran to its end";
  EXPECT_TRUE(SavedPositionKept());
}

TEST_F(ScreenSaver, WithTheOptionOffTheTickerStaysAsItIs) {
  const PROCESS_INFORMATION normal = StartTicker(0, "ok");
  const HWND frame = FindTickerFrame();
  const HWND saver = StartSaver();
  Sleep(3000);  // three housekeeping ticks
  EXPECT_EQ(FindTickerFrame(), frame);
  EXPECT_EQ(WaitForExit(normal, 0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(FindBar(), nullptr);
  EXPECT_EQ(Registry("Screen Saver Mode"), 0u);
  const RECT full = {0, 0, 1024, 768};
  EXPECT_TRUE(SameRect(WindowRect(saver), full)) << Describe(WindowRect(saver));
}

}  // namespace

TEST_F(ScreenSaver, ABarGoesToTheScreenSaversDesktopAndAnOrdinaryTickerStaysOnItsOwn) {
  // The screen saver runs on a desktop of its own, as on Windows NT.
  StartProgram(HelperPath("screen_saver.exe"), "desktop=saver");
  ASSERT_TRUE(WaitUntil(
      [] {
        HDESK desktop = OpenDesktopA("saver", 0, FALSE, DESKTOP_ENUMERATE);
        if (desktop != nullptr) CloseDesktop(desktop);
        return desktop != nullptr;
      },
      10000));
  Sleep(1000);  // its window follows the desktop
  EXPECT_EQ(FindTopLevel("WindowsScreenSaverClass"), nullptr) << "not on this test's desktop";
  const struct {
    const char* name;
    int screenSaverMode;
    const char* home;   // the frame title expected on this test's desktop, or null
    const char* saver;  // the frame title expected on the screen saver's desktop, or null
  } rows[] = {
      {"an ordinary start while the screen saver runs", 0, "MyVexlo! Newsrail", nullptr},
      {"a start in screen-saver mode", 1, nullptr, "Newsrail"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteRegistryNumber("Screen Saver Mode", row.screenSaverMode);
    WriteRegistryNumber("Show in Screen Saver", row.screenSaverMode);
    WriteRegistryText("Data Server", ("http://127.0.0.1:" + std::to_string(port_) + "/ok").c_str());
    const PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe");
    const char* expected = row.home != nullptr ? row.home : row.saver;
    const char* desktop = row.home != nullptr ? "Default" : "saver";
    EXPECT_TRUE(WaitUntil([&] { return FrameOnDesktop(desktop, expected) != nullptr; }, 20000))
        << "home: " << FrameOnDesktop("Default", "MyVexlo! Newsrail") << " "
        << FrameOnDesktop("Default", "Newsrail") << ", saver's: "
        << FrameOnDesktop("saver", "MyVexlo! Newsrail") << " " << FrameOnDesktop("saver", "Newsrail");
    Sleep(1500);  // a housekeeping tick: the ticker stays where it is
    EXPECT_EQ(FrameOnDesktop(desktop, expected) != nullptr, true);
    EXPECT_EQ(FrameOnDesktop(row.home != nullptr ? "saver" : "Default", expected), nullptr);
    EXPECT_EQ(WaitForExit(p, 0), static_cast<DWORD>(STILL_ACTIVE));
    TerminateProcess(p.hProcess, 0);
    WaitForExit(p, 5000);
  }
}
