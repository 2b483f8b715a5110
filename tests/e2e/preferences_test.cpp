// The preferences sheet on a running Ticker.exe, driven from outside with the sheet's own
// messages: what each page's OK stores, what Cancel leaves alone, the pages that follow the account
// switch, and the effects a user sees: the next data request, the scroll step, the strip's colours,
// the strip standing still under the pointer and the wheel's speed.
#include <windows.h>
#include <commctrl.h>
#include <winver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "feed/codecs.h"
#include "newsrail_version.h"
#include "win32/window_probe.h"

namespace {

// Control ids of the pages (the resource script's).
constexpr int kSpeed = 1009, kMyVexlo = 1010, kMinutes = 1013, kAutoUpdate = 1069;
constexpr int kHangup = 1098, kNoAutoDial = 1100, kScheme = 1094, kSmooth = 1093;
constexpr int kBold = 1046, kScreenSaver = 1054, kUserId = 1048, kPassword = 1052;
constexpr int kPauseOnHover = 1130, kPauseHotkey = 1131;
constexpr int kTopics[9] = {1028, 1024, 1027, 1029, 1032, 1033, 1026, 1025, 1034};
constexpr int kWorld = 1024, kWeather = 1034, kQuotes = 1032, kAirports = 1053, kStories = 1058;
constexpr int kSymbolEdit = 1001, kSymbolList = 1002, kAddSymbol = 1006, kRemoveSymbol = 1007;
constexpr int kApplyButton = 0x3021;
constexpr int kMailIcon = 1113, kMailCycle = 1049, kMailSound = 1114, kMailSoundList = 1115;
constexpr int kVexloSounds = 1122, kOtherSound = 1123, kOtherSoundName = 1051;
constexpr int kVersionLine = 1124, kBanner = 1111, kEmblem = 1112;
constexpr int kProxyPage = 4, kProxyPort = 1095, kProxyHost = 1096, kProxyReload = 1097;

class Preferences : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("prefs");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    for (const char* stale : {"News.Dat", "Sponsor.Dat", "sponsor.bmp", "sponsor.ini"}) {
      DeleteFileA((folder_ + stale).c_str());
    }
    // Every test starts from a first run: what an earlier test stored must not carry over.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talmora\\Ticker");
    RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talmora\\Ticker");
    PlaceFloatingFrame(0, 560, 1000);
    WriteRegistryNumber("My Vexlo!", 0);
  }

  void TearDown() override {
    EndStartedPrograms();
    server_.Stop();
  }

  void StartServer() {
    scratch_ = MakeScratchFolder("server");
    const std::string command = UnixArgument("--server=") + " --port 0 --port-file " +
                                scratch_.unix + "/port --log " + scratch_.unix +
                                "/requests.log --content " + UnixArgument("--content=");
    ASSERT_TRUE(server_.Start(command));
    const int port = WaitForNumberInFile(scratch_.windows + "\\port", 20000);
    ASSERT_GT(port, 0);
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    for (const char* server : {"Portal Server", "Publisher Server", "Update Server", "Maker Server"}) {
      WriteRegistryText(server, base.c_str());
    }
  }

  std::vector<std::string> DataRequests() {
    std::vector<std::string> lines;
    const std::string log = ReadWholeFile(scratch_.windows + "\\requests.log");
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = log.substr(start, end - start);
      if (line.find("path=/tlx/update") != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  // The ticker, started and with its first content on the strip.
  void StartTicker() {
    process_ = StartProgram(folder_ + "Ticker.exe");
    ASSERT_EQ(WaitForTickerFrame(process_), "");
    ticker_ = FindTickerWindow();
    ASSERT_TRUE(WaitUntil([&] { return DataRequests().size() >= 1 && ReadStrip(ticker_).filled; },
                          30000))
        << "the first cycle";
  }

  // The real menu command; the sheet is the ticker's own "Preferences" dialog.
  HWND OpenSheet() {
    PostMessageA(ticker_, WM_COMMAND, 40001, 0);
    HWND sheet = nullptr;
    WaitUntil(
        [&] {
          sheet = FindSheet();
          return sheet != nullptr && IsWindowVisible(sheet);
        },
        10000);
    return sheet;
  }

  HWND FindSheet() {
    for (HWND w : FindTopLevels("#32770", "Preferences")) {
      if (ProcessOfWindow(w) == process_.dwProcessId) return w;
    }
    return nullptr;
  }

  static HWND SelectPage(HWND sheet, int index) {
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  }

  // The tabs' labels, in the sheet's order, read through memory in the ticker's process (the
  // tab control's text comes back through a pointer).
  std::vector<std::string> PageTitles(HWND sheet) {
    HWND tabs = FindChild(sheet, "SysTabControl32");
    const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> titles;
    struct Remote {
      TCITEMA item;
      char text[64];
    };
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, sizeof(Remote), MEM_COMMIT,
                                  PAGE_READWRITE);
    if (remote == nullptr) return titles;
    for (int i = 0; i < count; ++i) {
      Remote local = {};
      local.item.mask = TCIF_TEXT;
      local.item.pszText = static_cast<Remote*>(remote)->text;
      local.item.cchTextMax = sizeof local.text;
      WriteProcessMemory(process_.hProcess, remote, &local, sizeof local, nullptr);
      SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(remote));
      ReadProcessMemory(process_.hProcess, remote, &local, sizeof local, nullptr);
      local.text[sizeof local.text - 1] = '\0';
      titles.push_back(local.text);
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return titles;
  }

  // A click that opens an unexpected message box must not hang the test: it times out instead.
  static void Click(HWND page, int id) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(GetDlgItem(page, id), BM_CLICK, 0, 0, SMTO_NORMAL, 10000,
                                    &result))
        << "control " << id;
  }
  static bool Checked(HWND page, int id) {
    return SendMessageA(GetDlgItem(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  static void SetCheck(HWND page, int id, bool on) {
    if (Checked(page, id) != on) Click(page, id);
  }
  static void SetText(HWND page, int id, const char* text) {
    SendMessageA(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  static void ChooseScheme(HWND page, int n) { Choose(page, kScheme, n); }
  static void Choose(HWND page, int id, int n) {
    HWND list = GetDlgItem(page, id);
    SendMessageA(list, CB_SETCURSEL, n, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  // WM_GETTEXT itself: GetWindowText of another process's control reads only its caption.
  static std::string ControlText(HWND page, int id) {
    char text[300] = "";
    SendMessageA(GetDlgItem(page, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
  }
  // OK through its button (PSM_PRESSBUTTON from another process does nothing); the sheet goes.
  bool PressAndWaitClosed(HWND sheet, int button) {
    PostMessageA(GetDlgItem(sheet, button), BM_CLICK, 0, 0);
    return WaitUntil([&] { return FindSheet() == nullptr; }, 10000);
  }

  // The pixels the strip moves per scroll tick: the most common step between close readings.
  int ObservedStep() {
    std::map<int, int> steps;
    int last = ReadStrip(ticker_).offset;
    const DWORD end = GetTickCount() + 1500;
    while (GetTickCount() < end) {
      Sleep(5);
      const int now = ReadStrip(ticker_).offset;
      if (now - last > 0 && now - last < 60) ++steps[now - last];
      last = now;
    }
    int best = 0, count = 0;
    for (const auto& s : steps) {
      if (s.second > count) best = s.first, count = s.second;
    }
    return best;
  }

  DWORD Number(const char* name) {
    DWORD value = 0xDEADBEEF;
    ReadRegistryNumber(name, &value);
    return value;
  }
  std::string Text(const char* name) {
    char text[300] = "";
    ReadRegistryText(name, text, sizeof text);
    return text;
  }

  // The logo button shows the envelope: its red seal is in the panel at the strip's right end.
  bool MailIconShown() {
    const PixelGrab g = GrabFromScreen(ticker_);
    return g.Count(g.width - 22, 0, g.width, g.height, RGB(208, 32, 32)) > 0;
  }

  // Milliseconds between the logo button's flips between the envelope and the logo.
  std::vector<DWORD> FlipIntervals(DWORD forMs) {
    std::vector<DWORD> flips;
    bool last = MailIconShown();
    const DWORD end = GetTickCount() + forMs;
    while (GetTickCount() < end) {
      Sleep(50);
      const bool now = MailIconShown();
      if (now != last) flips.push_back(GetTickCount());
      last = now;
    }
    std::vector<DWORD> intervals;
    for (size_t i = 1; i < flips.size(); ++i) intervals.push_back(flips[i] - flips[i - 1]);
    return intervals;
  }

  std::string folder_;
  ScratchFolder scratch_;
  UnixProgram server_;
  PROCESS_INFORMATION process_ = {};
  HWND ticker_ = nullptr;
};

// The sheet opens beside the strip, below it or above it, and wholly on the work area: from the
// first run's strip in the caption area at the top right it once reached 65 pixels past the
// screen's right edge.
TEST_F(Preferences, TheSheetOpensBesideTheStripWhollyOnTheWorkArea) {
  const struct {
    const char* what;
    bool firstRun;
  } rows[] = {{"the first run's strip in the caption area", true},
              {"a strip near the bottom of the screen", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.firstRun) RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Talmora\\Ticker");
    process_ = StartProgram(folder_ + "Ticker.exe");
    ASSERT_EQ(WaitForTickerFrame(process_), "");
    ticker_ = FindTickerWindow();
    HWND sheet = OpenSheet();
    ASSERT_NE(sheet, nullptr);
    const RECT strip = ScreenRect(FindTickerFrame());
    const RECT r = ScreenRect(sheet);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right &&
                r.bottom <= work.bottom)
        << r.left << "," << r.top << ".." << r.right << "," << r.bottom;
    RECT overlap;
    EXPECT_FALSE(IntersectRect(&overlap, &r, &strip))
        << "strip " << strip.left << "," << strip.top << ".." << strip.right << "," << strip.bottom;
    ASSERT_TRUE(PressAndWaitClosed(sheet, IDCANCEL));
    EndStartedPrograms();
    PlaceFloatingFrame(0, 560, 1000);
  }
}

TEST_F(Preferences, TheSheetHasItsPagesAndFollowsTheAccountSwitch) {
  StartServer();
  StartTicker();
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr) << "Preferences... opens the sheet";
  EXPECT_EQ(PageTitles(sheet), (std::vector<std::string>{"Ticker", "News", "Quotes", "Mail Alerts",
                                                         "Proxy", "About Newsrail"}));
  // A second Preferences... does nothing.
  PostMessageA(ticker_, WM_COMMAND, 40001, 0);
  Sleep(1000);
  size_t sheets = 0;
  for (HWND w : FindTopLevels("#32770", "Preferences")) sheets += ProcessOfWindow(w) == process_.dwProcessId;
  EXPECT_EQ(sheets, 1u);

  HWND page = SelectPage(sheet, 0);
  Click(page, kMyVexlo);
  EXPECT_EQ(PageTitles(sheet),
            (std::vector<std::string>{"Ticker", "Proxy", "Mail Alerts", "About Newsrail"}));
  Click(page, kMyVexlo);
  EXPECT_EQ(PageTitles(sheet), (std::vector<std::string>{"Ticker", "News", "Quotes", "Proxy",
                                                         "Mail Alerts", "About Newsrail"}));
  SelectPage(sheet, 1);
  SelectPage(sheet, 2);
  const size_t before = DataRequests().size();
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDCANCEL));
  EXPECT_EQ(Number("My Vexlo!"), 0u);
  Sleep(2500);
  EXPECT_EQ(DataRequests().size(), before) << "Cancel starts no refresh";
}

TEST_F(Preferences, TheTickerTabStoresItsValuesAndTheStripFollows) {
  StartServer();
  StartTicker();
  EXPECT_EQ(ObservedStep(), 2) << "the first run's speed 3 moves two pixels per tick";
  const COLORREF navy = RGB(0, 0, 128);
  EXPECT_LT(GrabFromScreen(ticker_).Count(0, 0, 1000, 30, navy), 100);

  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = SelectPage(sheet, 0);
  SendMessageA(GetDlgItem(page, kSpeed), TBM_SETPOS, TRUE, 8);
  SetCheck(page, kSmooth, false);
  SetCheck(page, kHangup, true);
  SetCheck(page, kNoAutoDial, true);
  SetCheck(page, kScreenSaver, false);
  SetCheck(page, kAutoUpdate, true);
  SetCheck(page, kPauseOnHover, true);
  EXPECT_EQ(SendDlgItemMessageA(page, kPauseHotkey, HKM_GETHOTKEY, 0, 0), 0x0650) << "Ctrl+Alt+P";
  SendDlgItemMessageA(page, kPauseHotkey, HKM_SETHOTKEY, 0x037B, 0);  // Ctrl+Shift+F12
  SetText(page, kMinutes, "2");
  SetText(page, kUserId, "John Doe");
  SetText(page, kPassword, "pass word");
  // The scheme takes effect at once, before OK.
  ChooseScheme(page, 1);
  EXPECT_EQ(Number("Color Scheme"), 1u);
  EXPECT_TRUE(WaitUntil([&] { return GrabFromScreen(ticker_).Count(0, 0, 1000, 30, navy) > 1000; }, 5000))
      << "the strip's background turns navy";
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));

  EXPECT_EQ(Number("Ticker Speed"), 8u);
  EXPECT_EQ(Number("Smooth Scrolling"), 0u);
  EXPECT_EQ(Number("Hangup"), 1u);
  EXPECT_EQ(Number("No AutoDial"), 1u);
  EXPECT_EQ(Number("Show in Screen Saver"), 0u);
  EXPECT_EQ(Number("Auto Update"), 1u);
  EXPECT_EQ(Number("Pause on Hover"), 1u);
  EXPECT_EQ(Number("Step Headlines"), 0u) << "the strip keeps scrolling";
  EXPECT_EQ(Number("Pause Hotkey"), 0x037Bu);
  EXPECT_EQ(Number("Focus Hotkey"), 0x064Eu) << "the default, as the tab showed it";
  EXPECT_EQ(Number("News Refresh"), 5u) << "below 5 minutes is 5";
  EXPECT_EQ(Number("My Vexlo!"), 0u);
  EXPECT_EQ(Text("Vexlo! User ID"), "John Doe");
  EXPECT_EQ(Text("Vexlo! EPassword"), "cGFzcyB3b3Jk");  // "pass word"
  EXPECT_EQ(Text("Vexlo! Password"), "");
  EXPECT_EQ(Number("Ticker Background Color"), navy);
  EXPECT_EQ(ObservedStep(), 8) << "speed 8 moves eight pixels per tick";

  // The pointer on the strip holds it; off the strip it moves on.
  const RECT strip = ClientRectOnScreen(ticker_);
  ASSERT_TRUE(Xdotool("mousemove " + std::to_string((strip.left + strip.right) / 2) + " " +
                      std::to_string((strip.top + strip.bottom) / 2)));
  Sleep(500);
  const int held = ReadStrip(ticker_).offset;
  Sleep(1000);
  EXPECT_EQ(ReadStrip(ticker_).offset, held) << "the strip stands still under the pointer";
  ASSERT_TRUE(Xdotool("mousemove " + std::to_string(strip.left + 10) + " " +
                      std::to_string(strip.top - 200)));
  EXPECT_TRUE(WaitUntil([&] { return ReadStrip(ticker_).offset != held; }, 3000));

  // The wheel: one notch up from 8 stays 8, two down make 6, and the strip follows at once.
  PostMessageA(ticker_, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  PostMessageA(ticker_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  PostMessageA(ticker_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_TRUE(WaitUntil([&] { return Number("Ticker Speed") == 6; }, 3000));
  EXPECT_EQ(ObservedStep(), 6) << "speed 6 moves twice three pixels per tick";

  // The sheet again: the tab shows what was stored, the account with '+' for its space.
  sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  page = SelectPage(sheet, 0);
  char user[64] = "";
  GetDlgItemTextA(page, kUserId, user, sizeof user);
  EXPECT_STREQ(user, "John+Doe");
  EXPECT_EQ(SendMessageA(GetDlgItem(page, kSpeed), TBM_GETPOS, 0, 0), 6);
  EXPECT_EQ(SendMessageA(GetDlgItem(page, kScheme), CB_GETCURSEL, 0, 0), 1);
  // A number past the arrows' range is clamped to it.
  SetText(page, kMinutes, "99999");
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
  EXPECT_EQ(Number("News Refresh"), 1440u);
}

TEST_F(Preferences, TopicsAndSymbolsReachTheNextDataRequest) {
  StartServer();
  StartTicker();
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);

  HWND news = SelectPage(sheet, 1);
  for (int id : kTopics) SetCheck(news, id, id == kWorld || id == kWeather || id == kQuotes);
  Click(news, 1014);
  SetText(news, kAirports, "ORD BOS");
  SetText(news, kStories, "50");

  HWND quotes = SelectPage(sheet, 2);
  const int entries = static_cast<int>(SendDlgItemMessageA(quotes, kSymbolList, LB_GETCOUNT, 0, 0));
  EXPECT_EQ(entries, 6) << "the default list";
  SetText(quotes, kSymbolEdit, "IBM");
  Click(quotes, kAddSymbol);
  EXPECT_EQ(Text("Stock Symbols"), "^DJI+^SPC+^IXIC+INTC+MSFT+VXLO+IBM") << "stored at once";
  SetText(quotes, kSymbolEdit, "MSFT");
  Click(quotes, kAddSymbol);
  EXPECT_EQ(SendDlgItemMessageA(quotes, kSymbolList, LB_GETCOUNT, 0, 0), 7) << "MSFT is listed";
  // Remove the sorted list's first entry, "^DJI".
  SendDlgItemMessageA(quotes, kSymbolList, LB_SETCURSEL, 0, 0);
  Click(quotes, kRemoveSymbol);
  EXPECT_EQ(Text("Stock Symbols"), "^SPC+^IXIC+INTC+MSFT+VXLO+IBM");

  const size_t before = DataRequests().size();
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
  EXPECT_EQ(Number("World Headlines"), 1u);
  EXPECT_EQ(Number("US Headlines"), 0u);
  EXPECT_EQ(Number("Stock Quotes"), 1u);
  EXPECT_EQ(Number("Weather"), 1u);
  EXPECT_EQ(Number("Temperature System"), 0u);
  EXPECT_EQ(Text("Airports"), "ORD,BOS");
  EXPECT_EQ(Number("Stories per Topic"), 20u) << "clamped to the spin box's range";

  ASSERT_TRUE(WaitUntil([&] { return DataRequests().size() > before; }, 10000))
      << "closing the sheet after a change refreshes";
  const std::string request = DataRequests()[before];
  EXPECT_NE(request.find("stocks=^SPC,^IXIC,INTC,MSFT,VXLO,IBM&weather=c,ORD,BOS&news=20,rw,&"),
            std::string::npos)
      << request;
}

TEST_F(Preferences, CancelStoresNothingButTheSymbolList) {
  StartServer();
  StartTicker();
  const char* numbers[] = {"Ticker Speed", "Auto Update", "Hangup", "Smooth Scrolling",
                           "Bold Font", "Show in Screen Saver", "World Headlines",
                           "US Headlines", "Weather", "Temperature System", "News Refresh",
                           "Stories per Topic", "Pause on Hover"};
  std::map<std::string, DWORD> stored;
  for (const char* name : numbers) stored[name] = Number(name);
  const std::string airports = Text("Airports");

  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = SelectPage(sheet, 0);
  SendMessageA(GetDlgItem(page, kSpeed), TBM_SETPOS, TRUE, 7);
  Click(page, kAutoUpdate);
  Click(page, kHangup);
  Click(page, kSmooth);
  Click(page, kBold);
  Click(page, kScreenSaver);
  Click(page, kPauseOnHover);
  SetText(page, kMinutes, "77");
  HWND news = SelectPage(sheet, 1);
  Click(news, kWorld);
  Click(news, 1028);
  Click(news, kWeather);
  Click(news, 1014);
  SetText(news, kAirports, "XYZ");
  SetText(news, kStories, "4");
  HWND quotes = SelectPage(sheet, 2);
  SetText(quotes, kSymbolEdit, "ZZZ");
  Click(quotes, kAddSymbol);
  // Apply on a page, then Cancel: Cancel still leaves no refresh behind.
  const size_t before = DataRequests().size();
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDCANCEL));

  for (const char* name : numbers) EXPECT_EQ(Number(name), stored[name]) << name;
  EXPECT_EQ(Text("Airports"), airports);
  EXPECT_EQ(Text("Stock Symbols"), "^DJI+^SPC+^IXIC+INTC+MSFT+VXLO+ZZZ") << "Add stores at once";
  Sleep(2500);
  EXPECT_EQ(DataRequests().size(), before) << "no refresh after Cancel";
}

TEST_F(Preferences, ApplyKeepsTheSheetOpenAndRefusesAnEmptySelection) {
  StartServer();
  StartTicker();
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND news = SelectPage(sheet, 1);
  for (int id : kTopics) SetCheck(news, id, false);
  PostMessageA(GetDlgItem(sheet, kApplyButton), BM_CLICK, 0, 0);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (HWND w : FindTopLevels("#32770", "Error")) {
          if (ProcessOfWindow(w) == process_.dwProcessId && IsWindowVisible(w)) box = w;
        }
        return box != nullptr;
      },
      10000))
      << "the message about the missing topic";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_NE(FindSheet(), nullptr) << "the sheet stays open";
  EXPECT_EQ(Number("Weather"), 0u) << "the values are stored all the same";

  SetCheck(news, kWeather, true);
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
  EXPECT_EQ(Number("Weather"), 1u);
}

TEST_F(Preferences, MailAlertsStoreTheirValuesAndTheMailIconFollowsAtOnce) {
  StartServer();
  // An account with mail waiting: the feed carries the mail topic and the envelope shows.
  WriteRegistryNumber("My Vexlo!", 1);
  WriteRegistryText("Vexlo! User ID", "bob smith");
  WriteRegistryText("Vexlo! EPassword", Base64Encode("open sesame").c_str());
  StartTicker();
  ASSERT_TRUE(WaitUntil([&] { return MailIconShown(); }, 15000)) << "the envelope on the logo";

  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  ASSERT_EQ(PageTitles(sheet),
            (std::vector<std::string>{"Ticker", "Mail Alerts", "Proxy", "About Newsrail"}));
  HWND page = SelectPage(sheet, 1);
  EXPECT_TRUE(Checked(page, kMailIcon));
  EXPECT_EQ(ControlText(page, kMailCycle), "5");
  EXPECT_FALSE(Checked(page, kMailSound));
  EXPECT_TRUE(Checked(page, kVexloSounds));
  EXPECT_FALSE(Checked(page, kOtherSound));
  EXPECT_EQ(SendDlgItemMessageA(page, kMailSoundList, CB_GETCURSEL, 0, 0), 0);
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string ding = std::string(windows) + "\\Media\\ding.wav";
  EXPECT_EQ(ControlText(page, kOtherSoundName), ding);
  EXPECT_EQ(Text("Other Mail Sound Name"), ding) << "the first showing stores the proposal";

  // Leaving the page and coming back shows the stored values again.
  SetText(page, kMailCycle, "9");
  SelectPage(sheet, 0);
  page = SelectPage(sheet, 1);
  EXPECT_EQ(ControlText(page, kMailCycle), "5");

  SetText(page, kMailCycle, "2");
  SetCheck(page, kMailSound, true);
  Choose(page, kMailSoundList, 1);
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
  EXPECT_EQ(Number("Mail Alert Icon"), 1u);
  EXPECT_EQ(Number("Mail Icon Cycle"), 2u);
  EXPECT_EQ(Number("Mail Alert Sound"), 1u);
  EXPECT_EQ(Number("Other Mail Sound"), 0u);
  EXPECT_EQ(Number("Mail Sound Index"), 1u);

  // The running ticker takes the new interval without a refresh: two seconds a phase, not five.
  const std::vector<DWORD> intervals = FlipIntervals(12000);
  ASSERT_GE(intervals.size(), 3u);
  for (size_t i = 0; i < intervals.size(); ++i) {
    EXPECT_GE(intervals[i], 1200u) << i;
    EXPECT_LE(intervals[i], 3500u) << i;
  }
}

TEST_F(Preferences, PickingAMailSoundStoresItAtOnceAndCancelKeepsIt) {
  StartServer();
  StartTicker();
  const std::string chime = folder_ + "chime.wav";
  ASSERT_TRUE(WriteWholeFile(chime, "RIFF"));
  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = SelectPage(sheet, 3);
  PostMessageA(GetDlgItem(page, kOtherSound), BM_CLICK, 0, 0);
  HWND picker = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (HWND w : FindTopLevels("#32770", "Pick a Mail Alert Sound")) {
          if (ProcessOfWindow(w) == process_.dwProcessId && IsWindowVisible(w)) picker = w;
        }
        return picker != nullptr;
      },
      10000))
      << "the file picker";
  EXPECT_FALSE(IsWindowEnabled(sheet)) << "the sheet waits for the picker";
  // The file name box of the picker (cmb13, else the old edt1).
  HWND name = GetDlgItem(picker, 0x47C);
  if (name == nullptr) name = GetDlgItem(picker, 0x480);
  ASSERT_NE(name, nullptr);
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chime.c_str()));
  PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(WaitUntil([&] { return Number("Other Mail Sound") == 1; }, 10000))
      << "stored before Apply";
  EXPECT_EQ(Text("Other Mail Sound Name"), chime);
  EXPECT_TRUE(WaitUntil([&] { return ControlText(page, kOtherSoundName) == chime; }, 5000));
  EXPECT_TRUE(IsWindowEnabled(sheet));
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDCANCEL));
  EXPECT_EQ(Number("Other Mail Sound"), 1u) << "Cancel does not undo a picked sound";
  EXPECT_EQ(Text("Other Mail Sound Name"), chime);
  EXPECT_EQ(Number("Mail Icon Cycle"), 0xDEADBEEFu) << "Cancel stores nothing else";
}

TEST_F(Preferences, TheAboutTabShowsTheProgramsOwnVersionAndItsPictures) {
  StartServer();
  StartTicker();
  // The version as the running program's file carries it, and as the build set it.
  const std::string exe = folder_ + "Ticker.exe";
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
  auto query = [&](const char* entry) {
    void* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + entry;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || value == nullptr) return std::string();
    return std::string(static_cast<const char*>(value));
  };
  const std::string product = query("ProductName");
  const std::string version = query("ProductVersion");
  EXPECT_EQ(version, NEWSRAIL_VERSION_TEXT);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength));
  EXPECT_EQ(fixed->dwProductVersionMS,
            static_cast<DWORD>(NEWSRAIL_VERSION_MAJOR << 16 | NEWSRAIL_VERSION_MINOR));
  EXPECT_EQ(fixed->dwProductVersionLS,
            static_cast<DWORD>(NEWSRAIL_VERSION_PATCH << 16 | NEWSRAIL_VERSION_BUILD));
  EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  SetWindowPos(sheet, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
  HWND page = SelectPage(sheet, 5);
  EXPECT_EQ(ControlText(page, kVersionLine),
            product + " Build " + std::to_string(NEWSRAIL_VERSION_MAJOR) + "." +
                std::to_string(NEWSRAIL_VERSION_MINOR) + "." +
                std::to_string(NEWSRAIL_VERSION_PATCH) + "." +
                std::to_string(NEWSRAIL_VERSION_BUILD));
  Sleep(500);
  for (int id : {kBanner, kEmblem}) {
    const PixelGrab g = GrabFromScreen(GetDlgItem(page, id));
    ASSERT_GT(g.width * g.height, 0) << id;
    std::map<COLORREF, int> colours;
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) ++colours[g.At(x, y)];
    }
    EXPECT_GT(colours.size(), 12u) << "control " << id << " shows a picture, not a plain face";
    EXPECT_LT(colours[GetSysColor(COLOR_BTNFACE)], g.width * g.height * 3 / 4) << id;
    // Drawn on the page's own colour: the picture's corner as the page beside it.
    const PixelGrab around = GrabFromScreen(page);
    const RECT r = ScreenRect(GetDlgItem(page, id));
    const RECT p = ScreenRect(page);
    EXPECT_EQ(g.At(0, 0), around.At(r.left - p.left - 2, r.top - p.top)) << id;
  }
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
}

// Netscape Navigator as the default browser, set to a manual proxy for every user.
class NetscapeProxy {
 public:
  NetscapeProxy(const char* host, int port)
      : browser_("\"C:\\Program Files\\Netscape\\Program\\netscape.exe\" -h \"%1\"") {
    const DWORD manual = 1;
    const DWORD number = static_cast<DWORD>(port);
    for (const std::string& user : UserKeys()) {
      PutNavigatorValue(user, "Proxy Information", "Proxy Type", REG_DWORD,
                        std::string(reinterpret_cast<const char*>(&manual), 4));
      PutNavigatorValue(user, "Proxy Information", "HTTP_Proxy", REG_SZ,
                        std::string(host, std::strlen(host) + 1));
      PutNavigatorValue(user, "Proxy Information", "http_ProxyPort", REG_DWORD,
                        std::string(reinterpret_cast<const char*>(&number), 4));
    }
  }
  ~NetscapeProxy() { RemoveNavigatorSettings(); }

 private:
  DefaultBrowser browser_;
};

std::string ItemText(HWND page, int id) {
  char text[300] = "";
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

std::vector<std::string> ChildTexts(HWND page) {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char text[400] = "";
    GetWindowTextA(child, text, sizeof text);
    texts.push_back(text);
  }
  return texts;
}

TEST_F(Preferences, TheProxyTabSendsTheNextRefreshThroughItsProxy) {
  StartServer();
  Tinyproxy proxy;
  ASSERT_TRUE(proxy.Start("tabproxy"));
  StartTicker();
  EXPECT_EQ(proxy.Requests("/tlx/update"), 0) << "no proxy at first";

  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  ASSERT_EQ(PageTitles(sheet).at(kProxyPage), "Proxy");
  HWND page = SelectPage(sheet, kProxyPage);
  const std::vector<std::string> texts = ChildTexts(page);
  for (const char* expected :
       {"If you use Microsoft's Internet Explorer, you do NOT need to enter proxy information "
        "here.  The ticker will automatically get the proxy information from IE.",
        "If you use Netscape Navigator 3.x, Newsrail can determine your proxy and port "
        "settings from your browser.  If you use Netscape Communicator, you will need to enter "
        "your proxy information here.",
        "NOTE:  'Automatic' and 'SOCKS' proxies are not supported under Netscape (all versions).  "
        "To use either of these proxy types, you must use Microsoft's IE as your browser.",
        "HTTP Proxy:", "Proxy Port:", "Force a proxy reload from Netscape 3.x"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
  }
  EXPECT_EQ(ItemText(page, kProxyHost), "");
  EXPECT_EQ(ItemText(page, kProxyPort), "");

  // A port out of range is refused with a message, and nothing is stored.
  SetText(page, kProxyHost, "127.0.0.1");
  SetText(page, kProxyPort, "70000");
  PostMessageA(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (HWND w : FindTopLevels("#32770", "Proxy Port")) {
          if (ProcessOfWindow(w) == process_.dwProcessId && IsWindowVisible(w)) box = w;
        }
        return box != nullptr;
      },
      10000))
      << "the message about the port";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_NE(FindSheet(), nullptr) << "the sheet stays open";
  EXPECT_EQ(Text("HTTP Proxy"), "");
  EXPECT_EQ(Text("Proxy Port"), "");

  SetText(page, kProxyPort, proxy.Port().c_str());
  const size_t before = DataRequests().size();
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
  EXPECT_EQ(Text("HTTP Proxy"), "127.0.0.1");
  EXPECT_EQ(Text("Proxy Port"), proxy.Port());
  EXPECT_TRUE(WaitUntil([&] { return proxy.Requests("/tlx/update") > 0; }, 20000))
      << "the refresh after the sheet closes goes through the proxy";
  EXPECT_TRUE(WaitUntil([&] { return DataRequests().size() > before; }, 10000))
      << "and reaches the server";
}

TEST_F(Preferences, TheReloadBoxTurnsToTheBrowsersProxy) {
  StartServer();
  Tinyproxy own;
  Tinyproxy browsers;
  ASSERT_TRUE(own.Start("ownproxy"));
  ASSERT_TRUE(browsers.Start("browserproxy"));
  WriteRegistryText("HTTP Proxy", "127.0.0.1");
  WriteRegistryText("Proxy Port", own.Port().c_str());
  NetscapeProxy netscape("127.0.0.1", browsers.port);
  StartTicker();
  EXPECT_GT(own.Requests("/tlx/update"), 0) << "the stored proxy comes first";
  EXPECT_EQ(browsers.Requests("/tlx/update"), 0);

  HWND sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  HWND page = SelectPage(sheet, kProxyPage);
  EXPECT_EQ(ItemText(page, kProxyHost), "127.0.0.1");
  EXPECT_EQ(ItemText(page, kProxyPort), own.Port());
  Click(page, kProxyReload);
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDOK));
  EXPECT_EQ(Text("HTTP Proxy"), "127.0.0.1") << "the stored values stay";
  EXPECT_EQ(Text("Proxy Port"), own.Port());
  const int ownBefore = own.Requests("/tlx/update");
  EXPECT_TRUE(WaitUntil([&] { return browsers.Requests("/tlx/update") > 0; }, 20000))
      << "the next refresh goes through the browser's proxy";
  EXPECT_EQ(own.Requests("/tlx/update"), ownBefore);

  // The tab now shows what the browser's settings give.
  sheet = OpenSheet();
  ASSERT_NE(sheet, nullptr);
  page = SelectPage(sheet, kProxyPage);
  EXPECT_EQ(ItemText(page, kProxyHost), "127.0.0.1");
  EXPECT_EQ(ItemText(page, kProxyPort), browsers.Port());
  ASSERT_TRUE(PressAndWaitClosed(sheet, IDCANCEL));
}

}  // namespace
