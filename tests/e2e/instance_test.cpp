// One ticker at a time: a new one takes the place of a running one, gives up on one that never
// goes away, and the update copy replaces Ticker.exe, runs the post-update step and restarts it;
// a hand-off cut off at any step is finished by the next start.
#include <gtest/gtest.h>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

class Instance : public testing::Test {
 protected:
  void TearDown() override { EndStartedPrograms(); }
};

TEST_F(Instance, ASecondTickerTakesThePlaceOfTheFirst) {
  const std::string folder = MakeProgramFolder("takeover");
  ASSERT_TRUE(CopyInto(TickerExePath(), folder + "Ticker.exe")) << TickerExePath();

  PROCESS_INFORMATION first = StartProgram(folder + "Ticker.exe");
  ASSERT_NE(first.hProcess, nullptr);
  HWND frame = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (frame = FindTickerFrame()) != nullptr; }, 15000));
  EXPECT_EQ(ProcessOfWindow(frame), first.dwProcessId);

  PROCESS_INFORMATION second = StartProgram(folder + "Ticker.exe");
  EXPECT_EQ(WaitForExit(first, 15000), 0u) << "the first ticker ends with status 0";
  ASSERT_TRUE(WaitUntil(
      [&] {
        frame = FindTickerFrame();
        return frame != nullptr && ProcessOfWindow(frame) == second.dwProcessId;
      },
      15000));
  EXPECT_EQ(TopLevelWindows("SSBar").size(), 1u) << "exactly one ticker runs";
}

TEST_F(Instance, GivesUpAfterTwentyOneRequestsToATickerThatStays) {
  PROCESS_INFORMATION stubborn = StartProgram(HelperPath("stubborn_ticker.exe"));
  HWND other = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (other = FindTopLevel("SSBar", "stubborn")) != nullptr; },
                        15000));

  const std::string folder = MakeProgramFolder("stubborn");
  ASSERT_TRUE(CopyInto(TickerExePath(), folder + "Ticker.exe"));
  PROCESS_INFORMATION ticker = StartProgram(folder + "Ticker.exe");
  EXPECT_EQ(WaitForExit(ticker, 40000), 0u);
  EXPECT_EQ(SendMessageA(other, WM_APP + 1, 0, 0), 21);
  EXPECT_EQ(FindTickerFrame(), nullptr) << "the new ticker never started";
  EXPECT_EQ(WaitForExit(stubborn, 0), static_cast<DWORD>(STILL_ACTIVE));
}

// The update folders made for the tests (tests/helpers/make_update_fixtures), as a Windows path.
std::string Fixture(const char* set, const char* name) {
  std::string folder = UnixArgument("--fixtures=");
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return "Z:" + folder + "\\" + set + "\\" + name;
}

class HandOff : public Instance {
 protected:
  void SetUp() override {
    SetEnvironmentVariableA(kStopVariable, nullptr);
    if (!FileExists(Fixture("next", "update.manifest.sig"))) {
      GTEST_SKIP() << "built for a publisher's key: no manifest signed by it";
    }
  }
  void TearDown() override {
    SetEnvironmentVariableA(kStopVariable, nullptr);
    Instance::TearDown();
  }

  // A program folder as the old program leaves it when it ends to hand off: the new program as
  // "tlxtemp.exe" with the signed manifest that lists it, the installer, the marker, and the old
  // program still "Ticker.exe".
  std::string Prepare(const char* name) {
    const std::string folder = MakeProgramFolder(name);
    for (const char* leftover : {"installer-ran.txt", "Ticker.exe.new", "update.pending"}) {
      DeleteFileA((folder + leftover).c_str());
    }
    EXPECT_TRUE(CopyInto(TickerExePath(), folder + "tlxtemp.exe"));
    EXPECT_TRUE(WriteWholeFile(folder + "Ticker.exe", OldProgram()));
    for (const char* file : {"update.manifest", "update.manifest.sig", "vinstall.exe"}) {
      EXPECT_TRUE(CopyInto(Fixture("next", file), folder + file)) << file;
    }
    EXPECT_TRUE(WriteWholeFile(folder + "update.pending", "0\r\n"));
    return folder;
  }

  static std::string OldProgram() { return ReadWholeFile(TickerExePath()) + "an older build"; }

  // The update is complete: the new program runs (started by the hand-off, not by `notBy`), the
  // installer ran, and nothing of the update is left once the new program runs.
  static void ExpectFinished(const std::string& folder, DWORD notBy) {
    EXPECT_TRUE(WaitUntil([&] { return FileExists(folder + "installer-ran.txt"); }, 30000));
    EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"), ReadWholeFile(TickerExePath()));
    HWND frame = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
          frame = FindTickerFrame();
          return frame != nullptr && ProcessOfWindow(frame) != notBy;
        },
        30000));
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(folder + "tlxtemp.exe"); }, 20000))
        << "the copy is removed once the new program runs";
    for (const char* name : {"update.pending", "update.manifest", "Ticker.exe.new"}) {
      EXPECT_FALSE(FileExists(folder + name)) << name;
    }
  }

  static constexpr const char* kStopVariable = "NEWSRAIL_TEST_HANDOFF_STOP";
};

TEST_F(HandOff, TheCopyReplacesTickerExeRunsTheInstallerAndRestarts) {
  const std::string folder = Prepare("handoff");
  PROCESS_INFORMATION copy = StartProgram(folder + "tlxtemp.exe", "R");
  EXPECT_EQ(WaitForExit(copy, 30000), 0u);
  ExpectFinished(folder, copy.dwProcessId);
}

TEST_F(HandOff, AnythingTheManifestDoesNotListIsNeitherPutInPlaceNorRun) {
  const struct {
    const char* what;
    const char* file;  // written in the prepared folder
    std::string bytes;
    bool replaced;
  } rows[] = {
      {"an installer that is a web page", "vinstall.exe", "<html>Not Found</html>", true},
      {"a copy that is another build", "tlxtemp.exe", OldProgram(), false},
      {"a manifest whose signature is not its own", "update.manifest.sig",
       ReadWholeFile(Fixture("next", "vinstall.exe.sig")), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = Prepare("handoff-refused");
    ASSERT_TRUE(WriteWholeFile(folder + row.file, row.bytes));

    PROCESS_INFORMATION copy = StartProgram(folder + "tlxtemp.exe", "R");
    EXPECT_EQ(WaitForExit(copy, 30000), 0u);
    ASSERT_TRUE(WaitUntil(
        [&] {
          HWND frame = FindTickerFrame();
          return frame != nullptr && ProcessOfWindow(frame) != copy.dwProcessId;
        },
        15000))
        << "the restart happens either way";
    Sleep(1000);
    EXPECT_FALSE(FileExists(folder + "installer-ran.txt"));
    EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"),
              row.replaced ? ReadWholeFile(TickerExePath()) : OldProgram());
    EXPECT_FALSE(FileExists(folder + "update.pending"));
    EndStartedPrograms();
  }
}

TEST_F(HandOff, CutOffAtAnyStepTheProgramStillStartsAndTheNextStartFinishesTheUpdate) {
  const size_t programSize = ReadWholeFile(TickerExePath()).size();
  const std::string late = "copy:" + std::to_string(programSize - programSize / 50);
  const struct {
    const char* what;
    std::string stop;
    bool replaced;  // Ticker.exe is the new program once the copy is cut off
  } rows[] = {
      {"in the first piece of the copy", "copy:1", false},
      {"at 98 % of the copy", late, false},
      {"written and flushed beside, not yet renamed", "copied", false},
      {"renamed, before the post-update step", "placed", true},
      {"the post-update step started, the marker still there", "installer", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = Prepare("handoff-cut");
    SetEnvironmentVariableA(kStopVariable, row.stop.c_str());
    PROCESS_INFORMATION copy = StartProgram(folder + "tlxtemp.exe", "R");
    SetEnvironmentVariableA(kStopVariable, nullptr);
    EXPECT_EQ(WaitForExit(copy, 30000), 9u) << "killed at its step";
    // One whole program, never a part of one.
    EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"),
              row.replaced ? ReadWholeFile(TickerExePath()) : OldProgram());
    EXPECT_TRUE(FileExists(folder + "update.pending"));

    // The user starts the ticker again.
    StartProgram(folder + "Ticker.exe");
    ExpectFinished(folder, 0);
    EXPECT_EQ(TopLevelWindows("SSBar").size(), 1u);
    EndStartedPrograms();
  }
}

}  // namespace
