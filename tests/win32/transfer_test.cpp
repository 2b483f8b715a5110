// The two transfers over WinINet against a local server: exact lengths and the NUL, answers cut to
// the caller's buffer, 404, downloads written to a file with the given time, and answers that
// never end let go at once when the program closes. And links from the network reaching the
// browser as exactly one argument.
#include <windows.h>
#include <shlwapi.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "desktop/open_url_win.h"
#include "e2e/e2e_support.h"
#include "net/http_transfer_win.h"
#include "win32/ticker_fixture.h"

namespace {

class Transfers : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    StartedTicker();
    scratch_ = new ScratchFolder(MakeScratchFolder("transfer"));
    server_ = new UnixProgram;
    ASSERT_TRUE(server_->Start("/usr/bin/python3 " + UnixArgument("--hostile=") + " --port-file " +
                               scratch_->unix + "/port --log " + scratch_->unix + "/requests.log"));
    port_ = WaitForNumberInFile(scratch_->windows + "\\port", 20000);
    ASSERT_GT(port_, 0);
  }
  static void TearDownTestSuite() {
    delete server_;
    delete scratch_;
  }

  void SetUp() override {
    internet_ = InternetOpenA("Mozilla/4.01 [en] (Win95; I)", INTERNET_OPEN_TYPE_PRECONFIG,
                              nullptr, nullptr, 0);
    ASSERT_NE(internet_, nullptr);
  }
  void TearDown() override { InternetCloseHandle(internet_); }

  HttpSession Session() { return HttpSession{internet_, &transfers_, &closing_, nullptr, nullptr}; }

  std::string Url(const char* path) {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  HINTERNET internet_ = nullptr;
  HttpTransferState transfers_;
  std::atomic<int32_t> closing_{0};
  static ScratchFolder* scratch_;
  static UnixProgram* server_;
  static int port_;
};

ScratchFolder* Transfers::scratch_ = nullptr;
UnixProgram* Transfers::server_ = nullptr;
int Transfers::port_ = 0;

TEST_F(Transfers, AnAnswerOfNBytesGivesNAndANul) {
  std::vector<char> buffer(4096, '#');
  const size_t n = HttpGetUrl(Session(), Url("/ok?x=1").c_str(), buffer.data(), buffer.size());
  ASSERT_GT(n, 20u);
  EXPECT_EQ(buffer[0], '\x0E');
  EXPECT_EQ(buffer[n], '\0');
  EXPECT_EQ(std::strlen(buffer.data()), n);
  EXPECT_EQ(buffer[n + 1], '#') << "nothing written after the NUL";
}

TEST_F(Transfers, AnAnswerLongerThanTheBufferIsCut) {
  std::vector<char> buffer(64, '#');
  EXPECT_EQ(HttpGetUrl(Session(), Url("/huge").c_str(), buffer.data(), 50), 49u);
  EXPECT_EQ(buffer[49], '\0');
  EXPECT_EQ(buffer[50], '#');
}

TEST_F(Transfers, NotFoundIsAFailureWhateverItsBody) {
  char buffer[4096];
  EXPECT_EQ(HttpGetUrl(Session(), Url("/notfound").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(HttpGetUrl(Session(), "http://127.0.0.1:9/", buffer, sizeof buffer), 0u)
      << "nothing listens there";
}

TEST_F(Transfers, ADownloadIsWrittenAndStampedWithTheGivenTime) {
  const std::string file = scratch_->windows + "\\download.bin";
  SYSTEMTIME when = {2001, 2, 6, 3, 4, 5, 6, 0};
  FILETIME stamp;
  SystemTimeToFileTime(&when, &stamp);
  std::vector<char> buffer(100000, 0);
  ASSERT_NE(DownloadUrlToFile(Session(), Url("/ok").c_str(), buffer.data(), buffer.size(),
                              file.c_str(), &stamp),
            0);
  const std::string written = ReadWholeFile(file);
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(written, std::string(buffer.data(), written.size()));
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  FILETIME created, accessed, modified;
  GetFileTime(h, &created, &accessed, &modified);
  CloseHandle(h);
  EXPECT_EQ(CompareFileTime(&created, &stamp), 0);
  EXPECT_EQ(CompareFileTime(&modified, &stamp), 0);
}

TEST_F(Transfers, ADownloadThatDoesNotFitLeavesNoCutFile) {
  const std::string file = scratch_->windows + "\\cut.bin";
  std::vector<char> buffer(1000, 0);
  EXPECT_EQ(DownloadUrlToFile(Session(), Url("/huge").c_str(), buffer.data(), buffer.size(),
                              file.c_str(), nullptr),
            0);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(DownloadUrlToFile(Session(), "http://127.0.0.1:9/x", buffer.data(), buffer.size(),
                              file.c_str(), nullptr),
            0);
  EXPECT_FALSE(FileExists(file)) << "no file when the address cannot be opened";
}

// Sets `closing` after a delay, as the user-interface thread does on Exit, and clears it again
// when the test is done with it.
class ClosingLater {
 public:
  ClosingLater(std::atomic<int32_t>& closing, DWORD delayMs)
      : closing_(closing), delayMs_(delayMs) {
    thread_ = CreateThread(nullptr, 0, &ClosingLater::Run, this, 0, nullptr);
  }
  ~ClosingLater() {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    closing_ = 0;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    ClosingLater* later = static_cast<ClosingLater*>(self);
    Sleep(later->delayMs_);
    later->closing_ = 1;
    return 0;
  }
  std::atomic<int32_t>& closing_;
  DWORD delayMs_;
  HANDLE thread_;
};

TEST_F(Transfers, ClosingLetsGoOfAnswersThatNeverEnd) {
  const struct {
    const char* path;
    const char* what;
  } rows[] = {
      {"/forever", "a body of one byte a second"},
      {"/endlessheaders", "headers that never reach their blank line"},
      {"/auth407endless", "an authentication answer whose body never ends"},
  };
  for (const auto& row : rows) {
    std::vector<char> buffer(20000, '#');
    const DWORD start = GetTickCount();
    {
      ClosingLater closing(closing_, 1000);
      HttpGetUrl(Session(), Url(row.path).c_str(), buffer.data(), buffer.size());
      EXPECT_LT(GetTickCount() - start, 2500u) << row.what;
    }
    EXPECT_NE(std::find(buffer.begin(), buffer.end(), '\0'), buffer.end()) << row.what;
  }

  const std::string file = scratch_->windows + "\\endless.bin";
  std::vector<char> buffer(100000, 0);
  const DWORD start = GetTickCount();
  {
    ClosingLater closing(closing_, 1000);
    EXPECT_EQ(DownloadUrlToFile(Session(), Url("/forever").c_str(), buffer.data(), buffer.size(),
                                file.c_str(), nullptr),
              0);
    EXPECT_LT(GetTickCount() - start, 2500u);
  }
  EXPECT_FALSE(FileExists(file)) << "no cut download is left behind";
}

TEST_F(Transfers, AnEndlessAuthenticationBodyFailsAtItsBoundWithoutAsking) {
  char buffer[4096];
  const DWORD start = GetTickCount();
  EXPECT_EQ(HttpGetUrl(Session(), Url("/auth407endless").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_LT(GetTickCount() - start, 30000u) << "64 kB at 10 kB a second, far from the deadline";
  EXPECT_EQ(FindWindowA(nullptr, "Enter Network Password"), nullptr);
  EXPECT_STREQ(buffer, "");
}

TEST_F(Transfers, AClosingProgramStartsNoTransfer) {
  char buffer[100] = "junk";
  closing_ = 1;
  EXPECT_EQ(HttpGetUrl(Session(), Url("/ok").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(
      DownloadUrlToFile(Session(), Url("/ok").c_str(), buffer, sizeof buffer, nullptr, nullptr), 0);
  EXPECT_STREQ(buffer, "");
}

class BrowserLaunch : public testing::Test {
 protected:
  void SetUp() override {
    StartedTicker();
    // A browser that serves DDE would take the links instead of the command line.
    while (HWND dde = FindWindowA("DdeBrowserStandIn", nullptr)) {
      PostMessageA(dde, WM_CLOSE, 0, 0);
      WaitUntil([&] { return !IsWindow(dde); }, 5000);
    }
  }
  void TearDown() override {
    EndStartedPrograms();
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\NewsrailLaunchPage");
  }

  static void SetDefault(const char* key, const std::string& value) {
    HKEY h = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
  }

  static std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    const std::string all = ReadWholeFile(path);
    size_t start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(all.substr(start, end - start));
    }
    return lines;
  }

  BrowserLinks links;
};

TEST_F(BrowserLaunch, ALinkReachesTheBrowserAsExactlyOneArgument) {
  const std::string folder = MakeProgramFolder("launch-one");
  ASSERT_TRUE(CopyInto(HelperPath("url_recorder.exe"), folder + "browser.exe"));
  SetDefault("SOFTWARE\\Classes\\.htm", "NewsrailLaunchPage");
  SetDefault("SOFTWARE\\Classes\\NewsrailLaunchPage\\shell\\open\\command",
             "\"" + folder + "browser.exe\" \"%1\"");
  const std::string arguments = folder + "arguments.txt";

  OpenUrl(links, "http://a/x --evil \"two words\"\\");
  ASSERT_TRUE(WaitUntil([&] { return Lines(arguments).size() >= 1; }, 15000));
  EXPECT_EQ(Lines(arguments)[0], "1\thttp://a/x%20--evil%20%22two%20words%22%5C");

  // Not a web page: nothing starts. The next link shows that nothing came in between.
  OpenUrl(links, "file:///C:/windows/system32/winver.exe");
  OpenUrl(links, "C:\\windows\\notepad.exe");
  OpenUrl(links, " http://h/next");
  ASSERT_TRUE(WaitUntil([&] { return Lines(arguments).size() >= 2; }, 15000));
  Sleep(500);
  EXPECT_EQ(Lines(arguments), (std::vector<std::string>{
                                  "1\thttp://a/x%20--evil%20%22two%20words%22%5C",
                                  "1\thttp://h/next"}));
}

TEST_F(BrowserLaunch, TheDdeBrowserGetsTheSameUrl) {
  const std::string folder = MakeProgramFolder("launch-dde");
  const std::string log = folder + "requests.txt";
  StartProgram(HelperPath("dde_browser.exe"), log);
  ASSERT_TRUE(
      WaitUntil([] { return FindWindowA("DdeBrowserStandIn", nullptr) != nullptr; }, 10000));

  OpenUrl(links, "javascript:alert(1)");
  OpenUrl(links, "http://a/x\" --evil");
  ASSERT_TRUE(WaitUntil([&] { return Lines(log).size() >= 2; }, 15000));
  EXPECT_EQ(Lines(log), (std::vector<std::string>{
                            "WWW_OpenURL|\"http://a/x%22%20--evil\",,0xFFFFFFFF,0x03",
                            "WWW_Activate|\"0xFFFFFFFF\",\"0\""}));
}

}  // namespace
