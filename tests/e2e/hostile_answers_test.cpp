// Ticker.exe against a server that answers badly: with an error page, busy, truncated,
// oversized, missing, garbled, cut off, never ending, or forever asking for a password. The
// ticker keeps running, keeps its strip or says what happened, and its cache only ever takes a
// whole feed. An answer that never ends is given up in time, a later refresh works, and it never
// holds up a restart.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "res/resource.h"
#include "support/program_texts.h"
#include "win32/window_probe.h"

namespace {

const char kCachedFeed[] =
    "\x0Ert\x05" "1\x0B" "Cached Stories:\x0D/c|\x05" "2\x0B" "Cached story one\x0D/c1|"
    "\x0B" "Cached story two\x0D/c2|";

class HostileAnswers : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("hostile");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    ASSERT_TRUE(WriteWholeFile(folder_ + "News.Dat", kCachedFeed));
    DeleteFileA((folder_ + "Sponsor.Dat").c_str());
    PlaceFloatingFrame(0, 300, 900);
    DeleteRegistryValue("Proxy ID");
    DeleteRegistryValue("Proxy Pass");

    port_ = StartHostileServer(&server_, &scratch_, "hostile");
    ASSERT_GT(port_, 0);
  }

  void TearDown() override {
    EndStartedPrograms();
    server_.Stop();
  }

  // Starts the ticker with its data request going to the server's misbehaviour `mode`.
  PROCESS_INFORMATION StartWith(const char* mode) {
    const std::string address = "http://127.0.0.1:" + std::to_string(port_) + "/" + mode;
    WriteRegistryText("Data Server", address.c_str());
    PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe");
    EXPECT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 20000));
    return p;
  }

  size_t Requests() {
    const std::string log = ReadWholeFile(scratch_.windows + "\\requests.log");
    return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
  }

  StripReport Strip() { return ReadStrip(FindTickerWindow()); }

  // The cycle that met the first `requests` answers has ended: a later "Update Now" is taken
  // (it is dropped while a cycle runs) and asks again.
  bool CycleEndedAfter(size_t requests) {
    return WaitUntil(
        [&] {
          PostMessageA(FindTickerWindow(), WM_COMMAND, kUpdateNow, 0);
          Sleep(500);
          return Requests() > requests;
        },
        60000);
  }

  // Asks for "Update Now" (dropped while a cycle runs) until the strip shows the server's good
  // feed; false when that does not happen within timeoutMs.
  bool RefreshUntilTheGoodFeedShows(DWORD timeoutMs) {
    return WaitUntil(
        [&] {
          PostMessageA(FindTickerWindow(), WM_COMMAND, kUpdateNow, 0);
          Sleep(500);
          const StripReport strip = Strip();
          return strip.answered && !strip.items.empty() &&
                 strip.items.front().text == "Top Stories:    ";
        },
        timeoutMs);
  }

  static constexpr WPARAM kUpdateNow = 40004;
  static constexpr WPARAM kRestart = 1125;

  std::string folder_;
  ScratchFolder scratch_;
  UnixProgram server_;
  int port_ = 0;
};

TEST_F(HostileAnswers, AnErrorPageOrACutAnswerKeepsTheCacheAndTheStrip) {
  const char* const modes[] = {"notfound", "error500", "error503", "busy", "truncated", "huge"};
  const std::vector<std::string> cached = {"Cached Stories:    ", "Cached story one  \x95  ",
                                           "Cached story two  \x95  "};
  for (const char* mode : modes) {
    SCOPED_TRACE(mode);
    const size_t before = Requests();
    StartWith(mode);
    ASSERT_TRUE(WaitUntil([&] { return Requests() > before; }, 30000));
    ASSERT_TRUE(CycleEndedAfter(before + 1));
    const StripReport strip = Strip();
    ASSERT_TRUE(strip.answered);
    EXPECT_EQ(strip.Texts(), cached);
    EXPECT_EQ(ReadWholeFile(folder_ + "News.Dat"), kCachedFeed) << "byte for byte";
    EndStartedPrograms();
  }
}

TEST_F(HostileAnswers, AFolderThatCannotTakeTheCacheSaysSoOnce) {
  // A folder in the way of the file written beside the cache: the cache cannot be replaced.
  ASSERT_TRUE(CreateDirectoryA((folder_ + "News.Dat.new").c_str(), nullptr));
  StartWith("ok");
  const std::string notice = ProgramText(IDS_CACHE_NOT_SAVED);
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::vector<std::string> texts = Strip().Texts();
        return texts.size() > 2 && texts[0] == notice && texts[1] == "Top Stories:    ";
      },
      30000));
  EXPECT_EQ(ReadWholeFile(folder_ + "News.Dat"), kCachedFeed);
  EXPECT_TRUE(RefreshUntilTheGoodFeedShows(30000)) << "the next refresh shows the news alone";
  RemoveDirectoryA((folder_ + "News.Dat.new").c_str());
}

TEST_F(HostileAnswers, GarbageSaysNoDataCame) {
  StartWith("garbage");
  StripReport strip;
  ASSERT_TRUE(WaitUntil(
      [&] {
        strip = Strip();
        return !strip.items.empty() && strip.items[0].text == " No data received from Server...  ";
      },
      30000));
  EXPECT_EQ(ReadWholeFile(folder_ + "News.Dat"), kCachedFeed) << "the cache keeps the last feed";
}

TEST_F(HostileAnswers, AConnectionResetMidBodyKeepsTheTickerRunning) {
  StartWith("dropped");
  ASSERT_TRUE(WaitUntil([&] { return Requests() >= 1; }, 30000));
  // Whether the half body arrives before the reset is the network's choice (Windows drops what
  // was not yet read), so the cycle either shows what came or keeps the cached strip. Either way
  // it ends: a later "Update Now" is taken and asks again.
  ASSERT_TRUE(WaitUntil(
      [&] {
        PostMessageA(FindTickerWindow(), WM_COMMAND, kUpdateNow, 0);
        Sleep(500);
        return Requests() >= 2;
      },
      30000))
      << "the cycle with the reset ends";
  const StripReport strip = Strip();
  ASSERT_TRUE(strip.answered);
  EXPECT_FALSE(strip.items.empty());
  EXPECT_LE(ReadWholeFile(folder_ + "News.Dat").size(), 700u);
}

TEST_F(HostileAnswers, AnAnswerThatNeverEndsLeavesTheStripAndTheExitWorking) {
  PROCESS_INFORMATION ticker = StartWith("forever");
  ASSERT_TRUE(WaitUntil([&] { return Requests() >= 1; }, 30000));
  // The worker hangs on the answer; the window goes on scrolling the cached strip.
  for (int i = 0; i < 3; ++i) {
    Sleep(1000);
    const StripReport strip = Strip();
    ASSERT_TRUE(strip.answered);
    EXPECT_EQ(strip.items.size(), 3u);
  }
  const int offset = Strip().offset;
  Sleep(500);
  EXPECT_NE(Strip().offset, offset) << "still scrolling";
  PostMessageA(FindTickerFrame(), WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(ticker, 10000), 0u) << "ends although its worker is busy";
  EXPECT_EQ(ReadWholeFile(folder_ + "News.Dat"), kCachedFeed);
}

TEST_F(HostileAnswers, AServerThatAlwaysWantsAPasswordAsksFourTimesThenShowsItsHeaders) {
  StartWith("auth407");
  int dialogs = 0;
  HWND box = nullptr;
  WaitUntil(
      [&] {
        HWND dialog = FindWindowA(nullptr, "Enter Network Password");
        if (dialog != nullptr && IsWindowVisible(dialog)) {
          ++dialogs;
          SetDlgItemTextA(dialog, 1049, "someone");
          SetDlgItemTextA(dialog, 1051, "wrong");
          SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          WaitUntil([&] { return !IsWindow(dialog); }, 5000);
        }
        box = FindWindowA(nullptr, "Proxy Authentication Failed.  Returned Headers:");
        return box != nullptr;
      },
      60000);
  ASSERT_NE(box, nullptr) << "after " << dialogs << " dialogs";
  EXPECT_EQ(dialogs, 4) << "no credentials were stored: every answer asks";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  char user[100] = "";
  EXPECT_TRUE(ReadRegistryText("Proxy ID", user, sizeof user));
  EXPECT_STREQ(user, "someone");
}

TEST_F(HostileAnswers, HeadersThatNeverEndAreGivenUpAtTheDeadlineAndTheNextRefreshWorks) {
  // The one test that sits out a whole deadline (two minutes): the server sends a header line
  // every half second and never the blank line, so no time-out of a single read ever fires.
  StartWith("once_endlessheaders");
  ASSERT_TRUE(WaitUntil([&] { return Requests() >= 1; }, 30000));
  const DWORD asked = GetTickCount();
  Sleep(3000);
  ASSERT_TRUE(Strip().answered) << "the window goes on while the worker waits";
  ASSERT_TRUE(RefreshUntilTheGoodFeedShows(120000 + 30000));
  EXPECT_GE(GetTickCount() - asked, 110000u) << "not given up long before its deadline";
  EXPECT_GE(Requests(), 2u);
}

TEST_F(HostileAnswers, AnEndlessAuthenticationBodyIsDroppedAtItsBoundAndTheNextRefreshWorks) {
  StartWith("once_auth407endless");
  ASSERT_TRUE(WaitUntil([&] { return Requests() >= 1; }, 30000));
  // 64 kB of body at 10 kB a second, then the request fails without asking for a password.
  ASSERT_TRUE(RefreshUntilTheGoodFeedShows(45000));
  EXPECT_EQ(FindWindowA(nullptr, "Enter Network Password"), nullptr);
}

TEST_F(HostileAnswers, ARestartIsNotHeldByAnAnswerThatNeverEnds) {
  const char* const modes[] = {"forever", "endlessheaders", "auth407endless"};
  for (const char* mode : modes) {
    SCOPED_TRACE(mode);
    const size_t before = Requests();
    PROCESS_INFORMATION older = StartWith(mode);
    ASSERT_TRUE(WaitUntil([&] { return Requests() > before; }, 30000));
    Sleep(500);  // the worker is inside the transfer
    const DWORD asked = GetTickCount();
    PostMessageA(FindTickerWindow(), WM_COMMAND, kRestart, 0);
    // The restart waits for the worker without a limit of its own: `closing` must end the
    // transfer within moments, not at the deadline.
    ASSERT_TRUE(WaitUntil(
        [&] {
          HWND next = FindTickerFrame();
          return next != nullptr && ProcessOfWindow(next) != older.dwProcessId;
        },
        15000));
    EXPECT_LT(GetTickCount() - asked, 8000u);
    EXPECT_EQ(WaitForExit(older, 5000), 0u);
    EndStartedPrograms();
  }
}

}  // namespace
