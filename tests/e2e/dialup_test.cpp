// Dial-up under Ticker.exe, with a stand-in "rasapi32.dll" in the system folder that reports
// entries and connections as each case sets them and records every call it gets. Another copy
// lies beside the program, where it must not be taken from.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

constexpr WPARAM kUpdateNow = 40004;
const char kCachedFeed[] = "\x0Ert\x05" "1\x0B" "Cached Stories:\x0D/c|\x05" "2\x0B" "Cached story\x0D/c1|";
const std::string kConnectionSize = sizeof(void*) == 4 ? "412" : "424";

class Dialup : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("dialup");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    ASSERT_TRUE(CopyInto(HelperPath("ras_standin.dll"), folder_ + "rasapi32.dll"));
    for (const char* stale : {"Sponsor.Dat", "ras-calls.txt", "ras-release.txt"}) {
      DeleteFileA((folder_ + stale).c_str());
    }
    // A cached strip: the first cycle shows it at once and fetches once.
    ASSERT_TRUE(WriteWholeFile(folder_ + "News.Dat", kCachedFeed));
    PlaceFloatingFrame(0, 300, 900);
    DeleteRegistryValue("Last Stock Update");

    const int port = StartHostileServer(&server_, &scratch_, "dialup");
    ASSERT_GT(port, 0);
    WriteRegistryText("Data Server", ("http://127.0.0.1:" + std::to_string(port) + "/ok").c_str());
    ChooseStandInLibrary(true);
  }

  void TearDown() override {
    EndStartedPrograms();
    server_.Stop();
    ChooseStandInLibrary(false);
  }

  void Configure(int hangup, const char* profile, const std::string& standin,
                 DWORD profileType = REG_SZ) {
    WriteRegistryNumber("Hangup", hangup);
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "RemoteAccess", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "InternetProfile", 0, profileType, reinterpret_cast<const BYTE*>(profile),
                   static_cast<DWORD>(std::strlen(profile) + 1));
    RegCloseKey(key);
    ASSERT_TRUE(WriteWholeFile(folder_ + "ras-standin.txt", standin));
  }

  void StartTicker() {
    started_ = GetTickCount();
    StartProgram(folder_ + "Ticker.exe");
    ASSERT_TRUE(WaitUntil([] { return FindTickerWindow() != nullptr; }, 20000));
  }

  // A cycle has received the feed once the stamp is written.
  bool WaitForCycle() {
    char stamp[100];
    if (WaitUntil([&] { return ReadRegistryText("Last Stock Update", stamp, sizeof stamp); },
                  60000)) {
      std::printf("a cycle ended %lu ms after the start\n", GetTickCount() - started_);
      return true;
    }
    // What the ticker showed, asked and was told instead.
    for (const std::string& text : ReadStrip(FindTickerWindow()).Texts()) {
      std::printf("strip: [%s]\n", text.c_str());
    }
    std::printf("server: %s\n", ReadWholeFile(scratch_.windows + "\\requests.log").c_str());
    for (const std::string& call : Calls()) std::printf("ras: %s\n", call.c_str());
    return false;
  }

  // "Update Now", asked again until a cycle starts: the request is dropped while the last cycle
  // still ends.
  void NextCycle() {
    DeleteRegistryValue("Last Stock Update");
    auto activity = [&] {
      return ReadWholeFile(scratch_.windows + "\\requests.log").size() + Calls().size();
    };
    const size_t before = activity();
    ASSERT_TRUE(WaitUntil(
        [&] {
          PostMessageA(FindTickerWindow(), WM_COMMAND, kUpdateNow, 0);
          Sleep(300);
          return activity() > before;
        },
        30000));
  }

  std::vector<std::string> Calls() {
    std::vector<std::string> lines;
    const std::string log = ReadWholeFile(folder_ + "ras-calls.txt");
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
      // A ticker of an earlier case may still be ending when the next one starts.
      if (log.compare(start, end - start, "process end") != 0) {
        lines.push_back(log.substr(start, end - start));
      }
    }
    return lines;
  }

  size_t CallsOf(const std::string& prefix) {
    const auto calls = Calls();
    return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.compare(0, prefix.size(), prefix) == 0;
    }));
  }

  // The calls of one cycle that dials "My ISP" from the system folder's library and hangs up.
  static std::vector<std::string> DialCycle() {
    return {
        "load",
        "RasEnumConnectionsA size=" + kConnectionSize,
        "RasEnumEntriesA size=264 phonebook=(default)",
        "RasGetEntryDialParamsA size=1052 entry=My ISP",
        "RasDialA size=1052 entry=My ISP phone= user=dialuser password=secret blocking=yes",
        "RasHangUpA dialled",
        "unload",
    };
  }

  static bool ShowsDialing(const StripReport& strip) {
    const auto texts = strip.Texts();
    return std::find(texts.begin(), texts.end(), "Dialing my isp") != texts.end();
  }

  std::string folder_;
  ScratchFolder scratch_;
  UnixProgram server_;
  DWORD started_ = 0;
};

TEST_F(Dialup, NothingIsDialledWhenOffConnectedOrWithoutAMatchingEntry) {
  const std::string entries = "entry Work|worker|w0rk\nentry My ISP|dialuser|secret\n";
  const std::vector<std::string> loaded = {"load", "RasEnumConnectionsA size=" + kConnectionSize};
  std::vector<std::string> unmatched = loaded;
  unmatched.push_back("RasEnumEntriesA size=264 phonebook=(default)");
  const struct {
    const char* name;
    int hangup;
    const char* profile;
    std::string standin;
    std::vector<std::string> calls;  // over two cycles
    DWORD profileType;
  } rows[] = {
      {"the setting off never loads the library", 0, "My ISP", entries, {}, REG_SZ},
      {"a connection of the user's: asked once, never dialled or hung up", 1, "My ISP",
       "connections 1\n" + entries, loaded, REG_SZ},
      {"no entry of the profile's name", 1, "Office", entries, unmatched, REG_SZ},
      {"a profile that is no text names no entry", 1, "My ISP", entries, unmatched, REG_BINARY},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DeleteFileA((folder_ + "ras-calls.txt").c_str());
    Configure(row.hangup, row.profile, row.standin, row.profileType);
    StartTicker();
    ASSERT_TRUE(WaitForCycle());
    NextCycle();
    ASSERT_TRUE(WaitForCycle());
    Sleep(1500);  // the end of the cycle, where a hang-up would come
    EXPECT_EQ(Calls(), row.calls);
    EXPECT_FALSE(ShowsDialing(ReadStrip(FindTickerWindow())));
    EndStartedPrograms();
  }
}

TEST_F(Dialup, TheMatchingEntryIsDialledWithItsCredentialsAndHungUpAtTheEndOfEachCycle) {
  Configure(1, "my isp", "hold 1\nentry Work|worker|w0rk\nentry My ISP|dialuser|secret\n");
  StartTicker();

  // The first cycle shows what it does while the dial blocks.
  ASSERT_TRUE(WaitUntil([&] { return CallsOf("RasDialA") == 1; }, 60000));
  std::printf("dialled %lu ms after the start\n", GetTickCount() - started_);
  StripReport strip;
  ASSERT_TRUE(WaitUntil([&] { return ShowsDialing(strip = ReadStrip(FindTickerWindow())); }, 5000));
  ASSERT_EQ(strip.items.size(), 2u);
  EXPECT_EQ(strip.items[0].text, "    Connecting to the Internet...    ");
  EXPECT_EQ(strip.items[0].colorIndex, 15);
  EXPECT_EQ(strip.items[0].tallFont, 0);
  EXPECT_EQ(strip.items[1].colorIndex, 11);
  EXPECT_EQ(strip.items[1].tallFont, 1);
  EXPECT_EQ(strip.items[1].startsSection, 1);
  WriteWholeFile(folder_ + "ras-release.txt", "");
  ASSERT_TRUE(WaitForCycle());
  ASSERT_TRUE(WaitUntil([&] { return CallsOf("unload") == 1; }, 10000));
  const std::vector<std::string> cycle = DialCycle();
  EXPECT_EQ(Calls(), cycle);

  // A later cycle dials afresh, without the status.
  NextCycle();
  ASSERT_TRUE(WaitUntil([&] { return CallsOf("RasDialA") == 2; }, 20000));
  Sleep(500);
  strip = ReadStrip(FindTickerWindow());
  EXPECT_TRUE(strip.answered);
  EXPECT_FALSE(ShowsDialing(strip));
  WriteWholeFile(folder_ + "ras-release.txt", "");
  ASSERT_TRUE(WaitUntil([&] { return CallsOf("unload") == 2; }, 20000));
  std::vector<std::string> twice = cycle;
  twice.insert(twice.end(), cycle.begin(), cycle.end());
  EXPECT_EQ(Calls(), twice);
}

TEST_F(Dialup, AFailedDialHangsUpItsOwnHandleOnlyAndTheNextCycleDialsAgain) {
  // The service gives a handle with its failure; the port stays taken until it is hung up.
  Configure(1, "My ISP", "fail 1\nentry My ISP|dialuser|secret\n");
  StartTicker();
  ASSERT_TRUE(WaitForCycle());
  ASSERT_TRUE(WaitUntil([&] { return CallsOf("unload") == 1; }, 10000));
  // The calls of a dial that worked, but the hang-up comes from the failed dial itself.
  EXPECT_EQ(Calls(), DialCycle());
  NextCycle();
  ASSERT_TRUE(WaitUntil([&] { return CallsOf("unload") == 2; }, 20000));
  EXPECT_EQ(CallsOf("RasDialA"), 2u);
}

}  // namespace
