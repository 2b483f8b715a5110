// Where Ticker.exe puts the strip: in a taskbar (the stand-in helper, since Wine shows none) over
// room made by placeholder icons or inside a desk band's window, and in the floating modes that
// the context menu's placement commands switch between.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "helpers/taskbar_standin.h"
#include "window/timers.h"
#include "win32/window_probe.h"

namespace {

constexpr UINT kRestartRequest = kRestartRequestMessage;
constexpr UINT kIconCount = kIconCountMessage;
constexpr UINT kOwnIconCount = kOwnIconCountMessage;
constexpr int kIconWidth = kStandInIconWidth;  // its area 24 high
constexpr DWORD kMissing = 0xDEADBEEF;

DWORD Number(const char* name) {
  DWORD value = kMissing;
  ReadRegistryNumber(name, &value);
  return value;
}

// How many lines of a request log are exactly `line`.
int Lines(const std::string& log, const std::string& line) {
  int n = 0;
  for (size_t at = 0; (at = log.find(line + "\n", at)) != std::string::npos; at += line.size()) {
    if (at == 0 || log[at - 1] == '\n') ++n;
  }
  return n;
}

class Placement : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("placement");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    for (const char* name : {"Follow Caption", "IE Warning", "Ticker Width"}) {
      DeleteRegistryValue(name);
    }
    // A floating frame of its own, neither on top nor glued ("Fit To Caption" is 1 when missing).
    WriteRegistryNumber("Dock in Taskbar", 1);
    WriteRegistryNumber("Fit To Caption", 0);
    WriteRegistryNumber("Always On Top", 0);
    WriteRegistryNumber("Always On Bottom", 0);
    WriteRegistryNumber("Ticker Size", 200);
  }

  void TearDown() override {
    EndDockedTicker();
    EndStartedPrograms();
    if (mom_ != nullptr) DestroyWindow(mom_);
  }

  // The stand-in taskbar with the given options, once its window shows.
  void StartTaskbar(const std::string& options) {
    taskbar_ = StartTaskbarStandIn(options);
    ASSERT_NE(taskbar_, nullptr);
    area_ = FindChild(taskbar_, "TrayNotifyWnd");
    clock_ = FindChild(area_, "TrayClockWClass");
    ASSERT_NE(clock_, nullptr);
  }

  int Icons() { return static_cast<int>(SendMessageA(taskbar_, kIconCount, 0, 0)); }
  int OwnIcons() { return static_cast<int>(SendMessageA(taskbar_, kOwnIconCount, 0, 0)); }

  // The docked ticker in the notification area, once one of a process other than `not` shows.
  HWND WaitForDockedTicker(DWORD notProcess = 0) {
    HWND ticker = nullptr;
    WaitUntil(
        [&] {
          ticker = FindChild(area_, "Ticker");
          return ticker != nullptr && ProcessOfWindow(ticker) != notProcess;
        },
        20000);
    return ticker;
  }

  // True once the ticker sits over the room left of the clock, as wide as the room it made.
  bool SitsLeftOfTheClock(HWND ticker, int width) {
    const RECT t = ScreenRect(ticker);
    const RECT c = ScreenRect(clock_);
    RECT area;
    GetClientRect(area_, &area);
    return t.right == c.left && t.right - t.left == width && t.top == ScreenRect(area_).top &&
           t.bottom - t.top == area.bottom;
  }

  // The stand-in's band window, in its taskbar's rebar or in a floating band bar.
  HWND BandWindow() {
    std::vector<HWND> bars = FindTopLevels("BaseBar");
    bars.push_back(taskbar_);
    for (HWND bar : bars) {
      if (HWND band = FindChild(FindChild(bar, "ReBarWindow32"), "VexloDeskBandClass")) return band;
    }
    return nullptr;
  }

  // A docked ticker has no frame for EndStartedPrograms to close: ask it to end.
  void EndDockedTicker() {
    if (taskbar_ == nullptr) return;
    auto docked = [&] {
      HWND ticker = FindChild(area_, "Ticker");
      HWND band = BandWindow();
      return ticker != nullptr || band == nullptr ? ticker : FindChild(band, "Ticker");
    };
    for (HWND ticker = docked(); ticker != nullptr; ticker = docked()) {
      PostMessageA(ticker, kRestartRequest, 0, 0);
      if (!WaitUntil([&] { return !IsWindow(ticker); }, 10000)) break;
    }
  }

  HWND WaitForFrame(DWORD notProcess = 0) { return WaitForOtherTickerFrame(notProcess, 20000); }

  std::string folder_;
  HWND taskbar_ = nullptr, area_ = nullptr, clock_ = nullptr;
  HWND mom_ = nullptr;
};

TEST_F(Placement, TaskbarDockMakesRoomInTheNotificationAreaAndGivesItBackAtExit) {
  StartTaskbar("");
  WriteRegistryNumber("IE Warning", 4);  // the notification area even on a desk band shell
  StartProgram(folder_ + "Ticker.exe");
  HWND frame = WaitForFrame();
  ASSERT_NE(frame, nullptr);
  const DWORD floating = ProcessOfWindow(frame);
  PostMessageA(FindChild(frame, "Ticker"), WM_COMMAND, 40008, 0);  // "Taskbar Dock / UnDock"

  HWND ticker = WaitForDockedTicker(floating);
  ASSERT_NE(ticker, nullptr);
  EXPECT_EQ(Number("Dock in Taskbar"), 0u);
  EXPECT_EQ(GetParent(ticker), area_);
  // 200 pixels wanted, 20 per icon; the ticker covers them less 3 pixels.
  EXPECT_EQ(Icons(), 10);
  EXPECT_EQ(OwnIcons(), 10) << "the taskbar owns the placeholders";
  EXPECT_TRUE(WaitUntil([&] { return SitsLeftOfTheClock(ticker, 197); }, 5000))
      << ScreenRect(ticker).left << ".." << ScreenRect(ticker).right << " clock at "
      << ScreenRect(clock_).left;

  // Another program's icon widens the area: the ticker docks again in a new process, over the
  // same room, still left of the clock.
  HWND other = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  icon.hWnd = other;
  icon.uID = 7;
  icon.uFlags = NIF_ICON;
  icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &icon));
  const DWORD firstDock = ProcessOfWindow(ticker);
  HWND again = WaitForDockedTicker(firstDock);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return SitsLeftOfTheClock(again, 197); }, 5000));
  EXPECT_EQ(OwnIcons(), 10);
  EXPECT_EQ(Icons(), 11);

  // Exit: every placeholder goes; the other program's icon stays.
  PostMessageA(again, kRestartRequest, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(again); }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return OwnIcons() == 0; }, 5000)) << OwnIcons();
  EXPECT_EQ(Icons(), 1);
  Shell_NotifyIconA(NIM_DELETE, &icon);
  DestroyWindow(other);
}

// Without a taskbar (plain Wine has none) "Taskbar Dock / UnDock" is greyed, and the command does
// nothing: it used to restart the ticker into the caption area, on top, and leave "Dock in
// Taskbar" where choosing it again could not undo it.
TEST_F(Placement, WithoutATaskbarDockingChangesNothing) {
  StartProgram(folder_ + "Ticker.exe");
  HWND frame = WaitForFrame();
  ASSERT_NE(frame, nullptr);
  const RECT before = ScreenRect(frame);
  const DWORD process = ProcessOfWindow(frame);
  PostMessageA(FindChild(frame, "Ticker"), WM_COMMAND, 40008, 0);
  WaitUntil([] { return false; }, 5000);  // a restart takes two or three seconds
  EXPECT_EQ(ProcessOfWindow(FindTickerFrame()), process) << "no restart";
  EXPECT_EQ(ScreenRect(frame).left, before.left);
  EXPECT_EQ(Number("Dock in Taskbar"), 1u);
  EXPECT_EQ(Number("Fit To Caption"), 0u);
  EXPECT_EQ(Number("Always On Top"), 0u);
}

TEST_F(Placement, DraggingTheDockedGripLeftWidensTheTickerAfterARestart) {
  StartTaskbar("");
  WriteRegistryNumber("Dock in Taskbar", 0);
  WriteRegistryNumber("IE Warning", 4);
  StartProgram(folder_ + "Ticker.exe");
  HWND ticker = WaitForDockedTicker();
  ASSERT_NE(ticker, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return SitsLeftOfTheClock(ticker, 197); }, 5000));

  // A real drag of the grip 50 pixels to the left, in steps that arrive one by one. While the
  // button is held the layout widens the ticker to the left, under the pointer: the release still
  // counts the 50 pixels from where the press was on the screen.
  const RECT r = ScreenRect(ticker);
  XdotoolDrag(POINT{r.left + 3, (r.top + r.bottom) / 2}, r.left + 3 - 50, 5, [&] {
    EXPECT_TRUE(WaitUntil([&] { return ScreenRect(ticker).left < r.left; }, 3000))
        << "widened while held";
  });

  HWND wider = WaitForDockedTicker(ProcessOfWindow(ticker));
  ASSERT_NE(wider, nullptr);
  EXPECT_EQ(Number("Ticker Size"), 250u);
  EXPECT_EQ(OwnIcons(), 13) << "room for 250 pixels";
  EXPECT_TRUE(WaitUntil([&] { return SitsLeftOfTheClock(wider, 13 * kIconWidth - 3); }, 5000));
}

TEST_F(Placement, PlaceholdersGrowTheAreaByTheTargetWithinTheScreen) {
  const struct {
    const char* options;
    DWORD tickerSize;
    int icons;
  } rows[] = {
      // Wider than the screen allows: icons stop before the area's width + 80 reaches 1024.
      {"", 2000, 45},
      // A shell that widens the area only later: each icon counts as the area's height less 4.
      {"--delay=500", 200, 10},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.options);
    StartTaskbar(row.options);
    WriteRegistryNumber("Dock in Taskbar", 0);
    WriteRegistryNumber("IE Warning", 4);
    WriteRegistryNumber("Ticker Size", row.tickerSize);
    StartProgram(folder_ + "Ticker.exe");
    HWND ticker = WaitForDockedTicker();
    ASSERT_NE(ticker, nullptr);
    EXPECT_EQ(Icons(), row.icons);
    const int width = row.icons * kIconWidth - 3;
    EXPECT_TRUE(WaitUntil([&] { return SitsLeftOfTheClock(ticker, width); }, 5000))
        << ScreenRect(ticker).left << ".." << ScreenRect(ticker).right;
    EndDockedTicker();
    EXPECT_TRUE(WaitUntil([&] { return Icons() == 0; }, 5000));
    EndStartedPrograms();
    taskbar_ = nullptr;
  }
}

TEST_F(Placement, AHiddenTaskbarLeavesTheTickerWhereItIs) {
  StartTaskbar("--hidden");
  WriteRegistryNumber("Dock in Taskbar", 0);
  WriteRegistryNumber("IE Warning", 4);
  StartProgram(folder_ + "Ticker.exe");
  HWND ticker = WaitForDockedTicker();
  ASSERT_NE(ticker, nullptr);
  EXPECT_EQ(Icons(), 10);
  // Created without a size, it gets one only from the layout, which waits for the taskbar.
  WaitUntil([] { return false; }, 2500);
  const RECT r = ScreenRect(ticker);
  EXPECT_EQ(r.right - r.left, 0);
}

TEST_F(Placement, AShownDeskBandHostsTheTicker) {
  for (const char* where : {"--band=taskbar", "--band=basebar"}) {
    SCOPED_TRACE(where);
    StartTaskbar(where);
    WriteRegistryNumber("Dock in Taskbar", 0);
    StartProgram(folder_ + "Ticker.exe");
    HWND band = BandWindow();
    ASSERT_NE(band, nullptr);
    HWND ticker = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (ticker = FindChild(band, "Ticker")) != nullptr; }, 20000));
    RECT bandClient;
    GetClientRect(band, &bandClient);
    const RECT t = ScreenRect(ticker);
    const RECT b = ScreenRect(band);
    EXPECT_GT(bandClient.right, 0);
    EXPECT_EQ(t.left, b.left);
    EXPECT_EQ(t.top, b.top);
    EXPECT_EQ(t.right - t.left, bandClient.right);
    EXPECT_EQ(t.bottom - t.top, bandClient.bottom);
    EXPECT_EQ(Icons(), 0) << "no placeholders for a band";
    EXPECT_EQ(Number("Dock in Taskbar"), 0u) << "docked, not given up";
    EndDockedTicker();
    EndStartedPrograms();
    taskbar_ = nullptr;
  }
}

TEST_F(Placement, TheCommandsWriteTheirModesAndRestartIntoThem) {
  StartProgram(folder_ + "Ticker.exe");
  HWND frame = WaitForFrame();
  ASSERT_NE(frame, nullptr);

  const struct {
    WPARAM command;
    DWORD top, bottom, fit, follow;  // kMissing: never written
    bool topmost;
  } steps[] = {
      {1108, 1, 0, 0, kMissing, true},  // "Always on Top"
      // "Fit to Caption"; start-up then writes the on-top pair itself.
      {1110, 1, 0, 1, kMissing, true},
      {1109, 0, 1, 0, 0, false},  // "Glue to Desktop" leaves both
      {1109, 0, 0, 0, 0, false},  // and is turned off again
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.command);
    const DWORD before = ProcessOfWindow(frame);
    PostMessageA(FindChild(frame, "Ticker"), WM_COMMAND, step.command, 0);
    frame = WaitForFrame(before);
    ASSERT_NE(frame, nullptr) << "restarted";
    EXPECT_EQ(Number("Always On Top"), step.top);
    EXPECT_EQ(Number("Always On Bottom"), step.bottom);
    EXPECT_EQ(Number("Fit To Caption"), step.fit);
    EXPECT_EQ(Number("Follow Caption"), step.follow);
    // The frame goes on top once its ticker window has been created.
    EXPECT_TRUE(WaitUntil(
        [&] { return ((GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == step.topmost; },
        5000));
  }
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Placement, TheCaptionTickerMakesWayForTheMomWindow) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MOM Class";
  RegisterClassA(&wc);
  mom_ = CreateWindowExA(WS_EX_TOOLWINDOW, "MOM Class", "", WS_POPUP | WS_VISIBLE, 800, 0, 100, 40,
                         nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(mom_, nullptr);
  WriteRegistryNumber("Fit To Caption", 1);
  WriteRegistryNumber("Always On Top", 1);
  WriteRegistryNumber("Ticker Width", 150);

  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int besideButtons =
      work.right - (150 + 3 * GetSystemMetrics(SM_CXSIZE) + GetSystemMetrics(SM_CXFRAME));
  StartProgram(folder_ + "Ticker.exe");
  HWND frame = WaitForFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(ScreenRect(frame).left, besideButtons - 100);
  EXPECT_EQ(ScreenRect(frame).top, work.top);

  // The housekeeping tick follows the window within a second or two.
  SetWindowPos(mom_, nullptr, 700, 0, 200, 40, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return ScreenRect(frame).left == besideButtons - 200; }, 5000))
      << ScreenRect(frame).left;
  // Lower down it no longer counts.
  SetWindowPos(mom_, nullptr, 700, 200, 200, 40, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return ScreenRect(frame).left == besideButtons; }, 5000))
      << ScreenRect(frame).left;
}

TEST_F(Placement, ABandLibraryIsFetchedOnlyWhenMissingAndKeptOnlyWhenSigned) {
  ScratchFolder scratch;
  UnixProgram server;
  const int port = StartHostileServer(&server, &scratch, "bandlibrary");
  ASSERT_GT(port, 0);
  WriteRegistryText("Maker Server", ("http://127.0.0.1:" + std::to_string(port)).c_str());
  const std::string log = scratch.windows + "\\requests.log";
  const std::string library = folder_ + "vexlodb.dll";

  // Missing: fetched with its signature, which does not hold, so nothing stays behind; docking
  // gives up for the caption all the same.
  WriteRegistryNumber("Dock in Taskbar", 0);
  StartProgram(folder_ + "Ticker.exe");
  ASSERT_NE(WaitForFrame(), nullptr);
  EXPECT_EQ(Lines(ReadWholeFile(log), "/ion/vexlodb.dll"), 1);
  EXPECT_EQ(Lines(ReadWholeFile(log), "/ion/vexlodb.dll.sig"), 1);
  EXPECT_FALSE(FileExists(library));
  EXPECT_FALSE(FileExists(folder_ + "vexlodb.new"));
  EXPECT_FALSE(FileExists(folder_ + "vexlodb.new.sig"));
  EXPECT_EQ(Number("Dock in Taskbar"), 1u);
  EXPECT_EQ(Number("Fit To Caption"), 1u);
  EXPECT_EQ(Number("Always On Top"), 1u);
  EndStartedPrograms();

  // Present: not fetched again, and left as it is.
  ASSERT_TRUE(WriteWholeFile(library, "a library put here by hand"));
  ASSERT_TRUE(WriteWholeFile(log, ""));
  WriteRegistryNumber("Dock in Taskbar", 0);
  StartProgram(folder_ + "Ticker.exe");
  ASSERT_NE(WaitForFrame(), nullptr);
  EXPECT_EQ(Lines(ReadWholeFile(log), "/ion/vexlodb.dll"), 0);
  EXPECT_EQ(ReadWholeFile(library), "a library put here by hand");
  DeleteRegistryValue("Maker Server");
}

}  // namespace
