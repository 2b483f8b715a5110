// The two transfers over WinINet against a local server: exact lengths and the NUL, answers cut to
// the caller's buffer, 404, and downloads written to a file with the given time.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "feed/http_transfer_win.h"
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

  std::string Url(const char* path) {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  HINTERNET internet_ = nullptr;
  static ScratchFolder* scratch_;
  static UnixProgram* server_;
  static int port_;
};

ScratchFolder* Transfers::scratch_ = nullptr;
UnixProgram* Transfers::server_ = nullptr;
int Transfers::port_ = 0;

TEST_F(Transfers, AnAnswerOfNBytesGivesNAndANul) {
  std::vector<char> buffer(4096, '#');
  const size_t n = HttpGetUrl(internet_, Url("/ok?x=1").c_str(), buffer.data(), buffer.size());
  ASSERT_GT(n, 20u);
  EXPECT_EQ(buffer[0], '\x0E');
  EXPECT_EQ(buffer[n], '\0');
  EXPECT_EQ(std::strlen(buffer.data()), n);
  EXPECT_EQ(buffer[n + 1], '#') << "nothing written after the NUL";
}

TEST_F(Transfers, AnAnswerLongerThanTheBufferIsCut) {
  std::vector<char> buffer(64, '#');
  EXPECT_EQ(HttpGetUrl(internet_, Url("/huge").c_str(), buffer.data(), 50), 49u);
  EXPECT_EQ(buffer[49], '\0');
  EXPECT_EQ(buffer[50], '#');
}

TEST_F(Transfers, NotFoundIsAFailureWhateverItsBody) {
  char buffer[4096];
  EXPECT_EQ(HttpGetUrl(internet_, Url("/notfound").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(HttpGetUrl(internet_, "http://127.0.0.1:9/", buffer, sizeof buffer), 0u)
      << "nothing listens there";
}

TEST_F(Transfers, ADownloadIsWrittenAndStampedWithTheGivenTime) {
  const std::string file = scratch_->windows + "\\download.bin";
  SYSTEMTIME when = {2001, 2, 6, 3, 4, 5, 6, 0};
  FILETIME stamp;
  SystemTimeToFileTime(&when, &stamp);
  std::vector<char> buffer(100000, 0);
  ASSERT_NE(DownloadUrlToFile(internet_, Url("/ok").c_str(), buffer.data(), buffer.size(),
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
  EXPECT_EQ(DownloadUrlToFile(internet_, Url("/huge").c_str(), buffer.data(), buffer.size(),
                              file.c_str(), nullptr),
            0);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(DownloadUrlToFile(internet_, "http://127.0.0.1:9/x", buffer.data(), buffer.size(),
                              file.c_str(), nullptr),
            0);
  EXPECT_FALSE(FileExists(file)) << "no file when the address cannot be opened";
}

}  // namespace
