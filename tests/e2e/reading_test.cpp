// The strip for everyone, as only the running program can show it: the pause hotkey holds the
// strip through a refresh and a restart; the keyboard reads and opens items; this process reads
// the strip as a screen reader does, through AccessibleObjectFromWindow; with animations off one
// item shows at a time, and high contrast draws it in the system's colours; at 150 % the strip
// and its buttons are found where they are drawn, half as large again.
#include <gtest/gtest.h>
#include <oleacc.h>
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

constexpr UINT kPauseCommand = 40020;
constexpr UINT kUpdateNowCommand = 40004;
constexpr UINT kRestartCommand = 1125;

// The hostile server's good feed: a caption and five stories, each with a link.
const char* const kNames[] = {"Top Stories:",           "Hostile story number 0",
                              "Hostile story number 1", "Hostile story number 2",
                              "Hostile story number 3", "Hostile story number 4"};
constexpr long kItems = 6;

std::vector<long> g_focusEvents;

void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
  // The system's own event for the window taking the focus names the window itself.
  if (object == OBJID_CLIENT && child != CHILDID_SELF) g_focusEvents.push_back(child);
}

VARIANT Child(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::string Narrow(BSTR text) {
  std::string out;
  for (const wchar_t* p = text; p != nullptr && *p != 0; ++p) out += static_cast<char>(*p);
  SysFreeString(text);
  return out;
}

class Reading : public testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    folder_ = MakeProgramFolder("reading");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    PlaceFloatingFrame(100, 400, 700);
    const int port = StartHostileServer(&server_, &scratch_, "reading");
    ASSERT_GT(port, 0);
    WriteRegistryText("Data Server", ("http://127.0.0.1:" + std::to_string(port) + "/ok").c_str());
  }
  void TearDown() override {
    if (accessible_ != nullptr) accessible_->Release();
    EndStartedPrograms();
    SetScreenDpi(96);
    server_.Stop();
    CoUninitialize();
  }

  // Starts the ticker (with "R" for a restart's start) and waits for the served strip.
  void StartTicker() {
    StartProgram(folder_ + "Ticker.exe");
    WaitForStrip();
  }
  void WaitForStrip() {
    ASSERT_TRUE(WaitUntil(
        [&] {
          ticker_ = FindTickerWindow();
          return ticker_ != nullptr && ReadStrip(ticker_).items.size() == kItems;
        },
        20000));
  }
  int Offset() { return ReadStrip(ticker_).offset; }
  // The offset once `ms` have passed; -1000000 when it moved meanwhile.
  int StillFor(DWORD ms) {
    const int before = Offset();
    WaitUntil([&] { return Offset() != before; }, ms);
    return Offset() == before ? before : -1000000;
  }
  // Keys reach Wine only while one of its windows has the X focus (the hotkeys too). xdotool's
  // search reads every window's name and gives up, sending nothing, when one of them is destroyed
  // meanwhile (a closing menu, a DDE conversation's window), so it is tried again; Wine does not
  // pass a Unix program's exit status on, hence the loop in the shell.
  void Keys(const std::string& keys) {
    RunUnixProgram(
        "/bin/sh -c \"for attempt in 1 2 3 4 5; do /usr/bin/xdotool search --name "
        "'^MyVexlo! Newsrail$' windowfocus --sync key --clearmodifiers " +
        keys + " 2>/dev/null && exit 0; sleep 0.2; done\"");
  }
  // The strip's object as a screen reader gets it; the test ends here without one.
  IAccessible* Strip() {
    if (accessible_ == nullptr) {
      const HRESULT hr =
          AccessibleObjectFromWindow(ticker_, static_cast<DWORD>(OBJID_CLIENT),
                                     __uuidof(IAccessible), reinterpret_cast<void**>(&accessible_));
      if (accessible_ == nullptr) {
        ADD_FAILURE() << "AccessibleObjectFromWindow: 0x" << std::hex << hr;
        throw std::runtime_error("no accessible object");
      }
    }
    return accessible_;
  }
  long Focused() {
    VARIANT v;
    VariantInit(&v);
    if (Strip()->get_accFocus(&v) != S_OK || v.vt != VT_I4) return -1;
    return v.lVal;
  }
  // The one item not offscreen while one item at a time shows; 0 when there are more or none.
  long ShownAlone() {
    long shown = 0;
    int count = 0;
    for (long i = 1; i <= kItems; ++i) {
      VARIANT state;
      if (Strip()->get_accState(Child(i), &state) == S_OK &&
          (state.lVal & STATE_SYSTEM_OFFSCREEN) == 0) {
        shown = i;
        ++count;
      }
    }
    return count == 1 ? shown : 0;
  }

  std::string folder_;
  ScratchFolder scratch_;
  UnixProgram server_;
  HWND ticker_ = nullptr;
  IAccessible* accessible_ = nullptr;
};

// F16: the hotkey stops the strip; it stays still for five seconds, through a refresh and a
// restart with "R"; the hotkey again moves it on from the offset where it stood.
TEST_F(Reading, ThePauseHotkeyHoldsTheStripUntilTheUserResumes) {
  StartTicker();
  Keys("ctrl+alt+p");
  DWORD paused = 0;
  ASSERT_TRUE(
      WaitUntil([&] { return ReadRegistryNumber("Paused", &paused) && paused == 1; }, 5000));
  const int held = StillFor(5000);
  ASSERT_NE(held, -1000000) << "the strip moved while paused";

  const std::string requests = ReadWholeFile(scratch_.windows + "\\requests.log");
  PostMessageA(ticker_, WM_COMMAND, kUpdateNowCommand, 0);
  ASSERT_TRUE(WaitUntil(
      [&] { return ReadWholeFile(scratch_.windows + "\\requests.log").size() > requests.size(); },
      10000));
  EXPECT_EQ(StillFor(2000), held) << "a refresh moved the paused strip";

  PostMessageA(ticker_, WM_COMMAND, kRestartCommand, 0);
  const DWORD before = ProcessOfWindow(ticker_);
  ASSERT_TRUE(WaitUntil(
      [&] {
        HWND t = FindTickerWindow();
        return t != nullptr && ProcessOfWindow(t) != before && ReadStrip(t).items.size() == kItems;
      },
      30000));
  WaitForStrip();
  const int restarted = StillFor(3000);
  EXPECT_NE(restarted, -1000000) << "the strip moved after the restart";

  // Resuming through the menu's command, then pausing and resuming with the hotkey.
  PostMessageA(ticker_, WM_COMMAND, kPauseCommand, 0);
  ASSERT_TRUE(WaitUntil([&] { return Offset() != restarted; }, 3000));
  Keys("ctrl+alt+p");
  ASSERT_TRUE(
      WaitUntil([&] { return ReadRegistryNumber("Paused", &paused) && paused == 1; }, 5000));
  const int stopped = StillFor(1000);
  ASSERT_NE(stopped, -1000000);
  Keys("ctrl+alt+p");
  ASSERT_TRUE(WaitUntil([&] { return Offset() != stopped; }, 3000));
  const int moved = Offset() - stopped;
  EXPECT_GT(moved, 0);
  EXPECT_LE(moved, 60) << "resumed from elsewhere";
}

// A screen reader in another process: the list, its items without separators, their links; the
// keyboard's moves raise focus events; Enter and the default action open links in the browser.
TEST_F(Reading, TheKeyboardAndAScreenReaderReadAndOpenTheItems) {
  const ScratchFolder browser = MakeScratchFolder("reading-browser");
  const std::string log = browser.windows + "\\requests.txt";
  StartProgram(HelperPath("dde_browser.exe"), log);
  ASSERT_TRUE(WaitUntil([] { return FindTopLevel("DdeBrowserStandIn") != nullptr; }, 10000));
  StartTicker();
  const StripReport report = ReadStrip(ticker_);

  BSTR name = nullptr;
  ASSERT_EQ(Strip()->get_accName(Child(CHILDID_SELF), &name), S_OK);
  EXPECT_EQ(Narrow(name), "Newsrail headlines");
  VARIANT role;
  Strip()->get_accRole(Child(CHILDID_SELF), &role);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_LIST);
  long count = 0;
  Strip()->get_accChildCount(&count);
  EXPECT_EQ(count, kItems + 3) << "the items, then the next-topic, search and logo buttons";
  const RECT strip = ClientRectOnScreen(ticker_);
  for (long i = 1; i <= kItems; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(Strip()->get_accName(Child(i), &name), S_OK);
    EXPECT_EQ(Narrow(name), kNames[i - 1]);
    Strip()->get_accRole(Child(i), &role);
    EXPECT_EQ(role.lVal, i == 1 ? ROLE_SYSTEM_STATICTEXT : ROLE_SYSTEM_LINK) << "the caption first";
    long x = 0, y = 0, w = 0, h = 0;
    VARIANT state;
    Strip()->accLocation(&x, &y, &w, &h, Child(i));
    Strip()->get_accState(Child(i), &state);
    const bool onStrip = x < strip.right - 40 && x + w > strip.left + 19;
    EXPECT_EQ((state.lVal & STATE_SYSTEM_OFFSCREEN) == 0, onStrip) << x << "+" << w;
    EXPECT_EQ(y, strip.top);
  }
  ASSERT_EQ(Strip()->get_accName(Child(kItems + 2), &name), S_OK);
  EXPECT_EQ(Narrow(name), "Open Vexlo! Search Window");
  Strip()->get_accRole(Child(kItems + 3), &role);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON);

  HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusEvent,
                      ProcessOfWindow(ticker_), 0, WINEVENT_OUTOFCONTEXT);
  Keys("ctrl+alt+n");
  ASSERT_TRUE(WaitUntil([&] { return Focused() >= 1; }, 5000)) << "the focus hotkey";
  const long first = Focused();
  const int held = StillFor(1000);
  EXPECT_NE(held, -1000000) << "the strip moved while the keyboard reads it";
  Keys("Right Right Right");
  const long fourth = (first - 1 + 3) % kItems + 1;
  ASSERT_TRUE(WaitUntil([&] { return Focused() == fourth; }, 5000)) << Focused();
  WaitUntil([&] { return g_focusEvents.size() >= 4; }, 3000);
  EXPECT_EQ(g_focusEvents,
            (std::vector<long>{first, first % kItems + 1, (first + 1) % kItems + 1, fourth}));
  UnhookWinEvent(hook);

  const auto menuShown = [] {
    HWND menu = FindTopLevel("#32768");
    return menu != nullptr && IsWindowVisible(menu);
  };
  Keys("shift+F10");
  ASSERT_TRUE(WaitUntil(menuShown, 5000)) << "the menu from the keyboard";
  RECT menu;
  GetWindowRect(FindTopLevel("#32768"), &menu);
  EXPECT_TRUE(menu.left >= strip.left && menu.left < strip.left + 60 &&
              (std::abs(menu.top - strip.bottom) <= 2 || std::abs(menu.bottom - strip.top) <= 2))
      << "the keyboard's menu opens at the reading position, not at the mouse: " << menu.left
      << "," << menu.top << " beside " << strip.left << "," << strip.bottom;
  Keys("Escape");
  ASSERT_TRUE(WaitUntil([&] { return !menuShown(); }, 5000));
  Keys("Return");
  const std::string opened = "WWW_OpenURL|\"" + report.items[fourth - 1].link + "\"";
  ASSERT_TRUE(
      WaitUntil([&] { return ReadWholeFile(log).find(opened) != std::string::npos; }, 15000))
      << ReadWholeFile(log);

  // Opening the link may still hold the window in its browser conversation: the Esc waits in the
  // queue until that ends, which can take as long as the browser took to answer.
  Keys("Escape");
  ASSERT_TRUE(WaitUntil([&] { return Focused() < 1; }, 15000));
  const int at = Offset();
  EXPECT_TRUE(WaitUntil([&] { return Offset() != at; }, 3000)) << "scrolling again";

  const std::string second = "WWW_OpenURL|\"" + report.items[1].link + "\"";
  EXPECT_EQ(Strip()->accDoDefaultAction(Child(2)), S_OK);
  EXPECT_TRUE(
      WaitUntil([&] { return ReadWholeFile(log).find(second) != std::string::npos; }, 15000))
      << ReadWholeFile(log);
}

// The first-run strip, fitted to the caption, at 100 % and then at 150 % (LogPixels 144): as a
// screen reader locates them, the strip and each of its three buttons are half as large again;
// a click where only the grown search button reaches opens the search box.
TEST_F(Reading, AtOneAndAHalfTimesTheScaleTheStripAndItsButtonsGrow) {
  WriteRegistryNumber("Fit To Caption", 1);
  long at[2][4][4] = {};  // by run: the strip, then its buttons; left, top, width, height
  for (int run = 0; run < 2; ++run) {
    if (run == 1) {
      accessible_->Release();
      accessible_ = nullptr;
      EndStartedPrograms();
      SetScreenDpi(144);
    }
    StartTicker();
    for (long i = 0; i < 4; ++i) {
      long* r = at[run][i];
      ASSERT_EQ(Strip()->accLocation(&r[0], &r[1], &r[2], &r[3], Child(i ? kItems + i : 0)), S_OK);
    }
  }
  EXPECT_EQ(at[1][0][3] * 2, at[0][0][3] * 3) << at[0][0][3] << " -> " << at[1][0][3] << " high";
  for (int i = 1; i < 4; ++i) {
    EXPECT_NEAR(at[1][i][2] * 2, at[0][i][2] * 3, 1) << "button " << i << ": " << at[0][i][2]
                                                     << " -> " << at[1][i][2] << " wide";
  }
  // Two pixels inside the grown search button, where at 100 % the strip itself lies.
  const long x = at[1][2][0] + 2, y = at[1][2][1] + at[1][2][3] / 2;
  ASSERT_GT(at[1][0][0] + at[1][0][2] - x, 39);
  const auto searchBox = [&] { return FindWindowExA(ticker_, nullptr, "Edit", nullptr); };
  ASSERT_FALSE(IsWindowVisible(searchBox()));
  Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(searchBox()) != FALSE; }, 5000)) << "opened";
}

// A hotkey another program holds is not dropped in silence: the strip says so in front of the
// news, once.
TEST_F(Reading, AHotkeyHeldElsewhereIsSaidOnTheStrip) {
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'P'));
  StartProgram(folder_ + "Ticker.exe");
  StripReport report;
  EXPECT_TRUE(WaitUntil(
      [&] {
        report = ReadStrip(FindTickerWindow());
        return report.items.size() == kItems + 1;
      },
      20000));
  UnregisterHotKey(nullptr, 1);
  ASSERT_FALSE(report.items.empty());
  EXPECT_NE(report.items[0].text.find("The hotkey Ctrl+Alt+P is held by another program"),
            std::string::npos)
      << report.items[0].text;
}

// With the system's animations off one item shows at a time, left-aligned, and steps on without
// scrolling; high contrast, turned on and off while it runs, paints the strip in the system's
// colours and back in the scheme's.
TEST_F(Reading, OneItemAtATimeAndTheSystemsColours) {
  SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, nullptr, SPIF_SENDCHANGE);
  WriteRegistryNumber("Ticker Speed", 8);  // a step every three seconds
  StartTicker();
  ASSERT_TRUE(WaitUntil([&] { return ShownAlone() != 0; }, 3000));
  const long shown = ShownAlone();
  const int offset = Offset();
  long x = 0, y = 0, w = 0, h = 0;
  Strip()->accLocation(&x, &y, &w, &h, Child(shown));
  const RECT strip = ClientRectOnScreen(ticker_);
  EXPECT_EQ(x - strip.left, 19 + 4) << "left-aligned in reading position";

  // Nothing but the one item: right of it the strip is background up to the buttons.
  PixelGrab g = GrabFromScreen(ticker_);
  const COLORREF background = g.At(x - strip.left - 2, g.height / 2);
  const int right = static_cast<int>(x - strip.left + w);
  EXPECT_EQ(g.Count(right + 1, 2, g.width - 42, g.height - 2, background),
            (g.width - 42 - right - 1) * (g.height - 4));
  EXPECT_LT(g.Count(x - strip.left, 2, right, g.height - 2, background),
            (right - x + strip.left) * (g.height - 4));

  EXPECT_EQ(StillFor(2000), offset) << "no scrolling between steps";
  ASSERT_TRUE(WaitUntil([&] { return ShownAlone() == shown % kItems + 1; }, 5000));

  // Windows keeps the choice under this key; Wine's SystemParametersInfo keeps none.
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast", 0, nullptr, 0,
                  KEY_WRITE, nullptr, &key, nullptr);
  RegSetValueExA(key, "Flags", 0, REG_SZ, reinterpret_cast<const BYTE*>("127"), 4);
  SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG,
                      2000, nullptr);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const COLORREF link = GetSysColor(COLOR_HOTLIGHT);
  ASSERT_TRUE(WaitUntil([&] { return GrabFromScreen(ticker_).At(21, 2) == window; }, 3000));
  g = GrabFromScreen(ticker_);
  EXPECT_GT(g.Count(20, 1, g.width - 42, g.height - 1, link), 0) << "the links' colour";
  EXPECT_EQ(g.Count(20, 1, g.width - 42, g.height - 1, background), 0) << "no scheme colour left";

  RegSetValueExA(key, "Flags", 0, REG_SZ, reinterpret_cast<const BYTE*>("126"), 4);
  RegCloseKey(key);
  SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG,
                      2000, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return GrabFromScreen(ticker_).At(21, 2) == background; }, 3000));
  SystemParametersInfoA(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(TRUE),
                        SPIF_SENDCHANGE);
}

}  // namespace
