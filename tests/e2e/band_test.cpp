// The real band library end to end: shown by a COM host inside the stand-in taskbar it hosts the
// ticker, which follows the band's size; on a shell that takes desk bands but shows none, the
// first start fetches the library from the update folder, keeps and registers it only when the
// publisher signed that very file, and floats on the caption meanwhile.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "e2e/e2e_support.h"
#include "window/timers.h"
#include "win32/window_probe.h"

namespace {

constexpr UINT kRestartRequest = kRestartRequestMessage;
constexpr DWORD kMissing = 0xDEADBEEF;
constexpr char kClassKey[] = "CLSID\\{3B8F3845-C7F1-4BB2-A762-FAF49C7F1DEE}";

DWORD Number(const char* name) {
  DWORD value = kMissing;
  ReadRegistryNumber(name, &value);
  return value;
}

// The library that the band's class is registered with, or "" when it is not registered.
std::string RegisteredLibrary() {
  HKEY key = nullptr;
  const std::string path = std::string(kClassKey) + "\\InprocServer32";
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char value[MAX_PATH] = "";
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  const LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                   &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? value : "";
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class Band : public testing::Test {
 protected:
  void SetUp() override {
    built_ = UnixArgumentAsWindows("--ion=");
    DeleteRegistryValue("Ticker Width");
    DeleteRegistryValue("IE Warning");
    WriteRegistryNumber("Dock in Taskbar", 0);
    WriteRegistryNumber("Fit To Caption", 0);
    WriteRegistryNumber("Always On Top", 0);
    WriteRegistryNumber("Always On Bottom", 0);
    WriteRegistryNumber("Ticker Size", 200);
    WriteRegistryNumber("My Vexlo!", 0);
  }

  void TearDown() override {
    EndDockedTicker();
    EndStartedPrograms();
    server_.Stop();
  }

  void StartTaskbar() {
    taskbar_ = StartTaskbarStandIn();
    ASSERT_NE(taskbar_, nullptr);
  }

  static void CloseFrame(HWND frame) {
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(frame); }, 10000));
  }

  HWND BandWindow() { return FindChild(FindChild(taskbar_, "ReBarWindow32"), "VexloDeskBandClass"); }

  // A docked ticker has no frame for EndStartedPrograms to close: ask it to end.
  void EndDockedTicker() {
    if (taskbar_ == nullptr) return;
    for (HWND ticker = FindChild(BandWindow(), "Ticker"); ticker != nullptr;
         ticker = FindChild(BandWindow(), "Ticker")) {
      PostMessageA(ticker, kRestartRequest, 0, 0);
      if (!WaitUntil([&] { return !IsWindow(ticker); }, 10000)) break;
    }
  }

  // A content server whose update folder is `ion`, named as every server the ticker asks.
  void StartServer(const ScratchFolder& ion) {
    scratch_ = MakeScratchFolder("bandserver");
    ASSERT_TRUE(server_.Start(UnixArgument("--server=") + " --port 0 --port-file " +
                              scratch_.unix + "/port --log " + scratch_.unix +
                              "/requests.log --content " + UnixArgument("--content=") +
                              " --ion " + ion.unix));
    const int port = WaitForNumberInFile(scratch_.windows + "\\port", 20000);
    ASSERT_GT(port, 0);
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    for (const char* server :
         {"Portal Server", "Publisher Server", "Update Server", "Maker Server"}) {
      WriteRegistryText(server, base.c_str());
    }
  }

  int Requests(const std::string& path) {
    const std::string log = ReadWholeFile(scratch_.windows + "\\requests.log");
    int count = 0;
    for (size_t at = 0; (at = log.find("path=" + path + " ", at)) != std::string::npos; ++at) {
      ++count;
    }
    return count;
  }

  HWND WaitForFrame(DWORD notProcess = 0) { return WaitForOtherTickerFrame(notProcess, 30000); }

  std::string built_;
  HWND taskbar_ = nullptr;
  UnixProgram server_;
  ScratchFolder scratch_;
};

TEST_F(Band, TheRealBandInTheTaskbarHostsTheTickerAndItsSizeFollowsTheBand) {
  const std::string folder = MakeProgramFolder("realband");
  ASSERT_TRUE(CopyInto(TickerExePath(), folder + "Ticker.exe"));
  ASSERT_TRUE(CopyInto(built_ + "vexlodb.dll", folder + "vexlodb.dll"));
  StartTaskbar();
  StartProgram(HelperPath("band_host.exe"),
               "--parent=Shell_TrayWnd --stay --register=" + folder + "vexlodb.dll");
  HWND band = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (band = BandWindow()) != nullptr && IsWindowVisible(band); }, 20000));
  ASSERT_NE(ProcessOfWindow(band), ProcessOfWindow(taskbar_)) << "the library's own window";

  StartProgram(folder + "Ticker.exe");
  HWND ticker = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (ticker = FindChild(band, "Ticker")) != nullptr; }, 30000));
  EXPECT_EQ(GetParent(ticker), band);
  EXPECT_EQ(FindTickerFrame(), nullptr) << "no floating frame beside the band";
  EXPECT_EQ(Number("Dock in Taskbar"), 0u);

  // First the band as the host showed it (as wide as "Ticker Size", as high as the rebar), then
  // as a user's drag of the rebar would leave it.
  const struct {
    int width, height;
  } sizes[] = {{200, 26}, {340, 26}, {160, 22}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.width);
    SetWindowPos(band, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(band, &client);
    ASSERT_EQ(client.right, size.width);
    ASSERT_EQ(client.bottom, size.height);
    EXPECT_TRUE(WaitUntil(
        [&] {
          const RECT t = ScreenRect(ticker);
          const RECT b = ScreenRect(band);
          return t.left == b.left && t.top == b.top && t.right - t.left == size.width &&
                 t.bottom - t.top == size.height;
        },
        10000))
        << ScreenRect(ticker).right - ScreenRect(ticker).left << "x"
        << ScreenRect(ticker).bottom - ScreenRect(ticker).top;
    // Remembered, so the band opens as wide next time.
    EXPECT_TRUE(WaitUntil([&] { return Number("Ticker Size") == DWORD(size.width); }, 5000))
        << Number("Ticker Size");
  }
}

TEST_F(Band, TheFirstStartFetchesTheLibraryOnceAndKeepsItOnlyWhenSignedForIt) {
  const struct {
    const char* name;
    const char* signature;  // of the update folder, served as "vexlodb.dll.sig"
    bool kept;
  } rows[] = {
      // The publisher's signature, but of the program package.
      {"wrongsig", "ticker.ex_.sig", false},
      {"signed", "vexlodb.dll.sig", true},
  };
  StartTaskbar();  // a taskbar without the band shown
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SHDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
    const ScratchFolder ion = MakeScratchFolder((std::string("ion-") + row.name).c_str());
    ASSERT_TRUE(CopyInto(built_ + "vexlodb.dll", ion.windows + "\\vexlodb.dll"));
    ASSERT_TRUE(CopyInto(built_ + row.signature, ion.windows + "\\vexlodb.dll.sig"));
    StartServer(ion);
    const std::string folder = MakeProgramFolder(row.name);
    ASSERT_TRUE(CopyInto(TickerExePath(), folder + "Ticker.exe"));
    WriteRegistryNumber("Dock in Taskbar", 0);
    WriteRegistryNumber("Fit To Caption", 0);
    WriteRegistryNumber("Always On Top", 0);

    StartProgram(folder + "Ticker.exe");
    HWND frame = WaitForFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Requests("/ion/vexlodb.dll"), 1);
    EXPECT_EQ(Requests("/ion/vexlodb.dll.sig"), 1);
    EXPECT_EQ(FileExists(folder + "vexlodb.dll"), row.kept);
    EXPECT_EQ(FileExists(folder + "vexlodb.dll.sig"), row.kept);
    EXPECT_FALSE(FileExists(folder + "vexlodb.new"));
    EXPECT_FALSE(FileExists(folder + "vexlodb.new.sig"));
    if (row.kept) {
      EXPECT_EQ(ReadWholeFile(folder + "vexlodb.dll"), ReadWholeFile(built_ + "vexlodb.dll"));
      EXPECT_EQ(Lower(RegisteredLibrary()), Lower(folder + "vexlodb.dll"));
    } else {
      EXPECT_EQ(RegisteredLibrary(), "");
    }
    // The band waits in the toolbar list; meanwhile the ticker floats on the caption, on top.
    EXPECT_EQ(Number("Dock in Taskbar"), 1u);
    EXPECT_EQ(Number("Fit To Caption"), 1u);
    EXPECT_EQ(Number("Always On Top"), 1u);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(WaitUntil(
        [&] {
          return ScreenRect(frame).top == work.top &&
                 ScreenRect(frame).right == work.right - 3 * GetSystemMetrics(SM_CXSIZE) -
                                                GetSystemMetrics(SM_CXFRAME) &&
                 (GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        },
        5000))
        << ScreenRect(frame).left << "," << ScreenRect(frame).top << ".."
        << ScreenRect(frame).right;
    CloseFrame(frame);

    // Asked to dock again: a kept library is not fetched again; a refused one is.
    WriteRegistryNumber("Dock in Taskbar", 0);
    StartProgram(folder + "Ticker.exe");
    frame = WaitForFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Requests("/ion/vexlodb.dll"), row.kept ? 1 : 2);
    EXPECT_EQ(FileExists(folder + "vexlodb.dll"), row.kept);
    CloseFrame(frame);
    server_.Stop();
  }
}

}  // namespace
