// One ticker at a time: a new one takes the place of a running one, gives up on one that never
// goes away, and the update copy replaces Ticker.exe and restarts it.
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

class HandOff : public Instance {
 protected:
  // A program folder as an update leaves it: the new program as "tlxtemp.exe", the old one still
  // "Ticker.exe", and an installer "vinstall.exe".
  std::string Prepare(const char* name, const std::string& installer) {
    const std::string folder = MakeProgramFolder(name);
    EXPECT_TRUE(CopyInto(TickerExePath(), folder + "tlxtemp.exe"));
    EXPECT_TRUE(WriteWholeFile(folder + "Ticker.exe", "the old program"));
    EXPECT_TRUE(WriteWholeFile(folder + "vinstall.exe", installer));
    return folder;
  }
};

// The installer signed with the build's own key, made by the build beside its signature.
std::string SignedInstaller() {
  std::string folder = UnixArgument("--fixtures=");
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return "Z:" + folder + "\\install_recorder.exe";
}

TEST_F(HandOff, TheCopyReplacesTickerExeRunsTheInstallerAndRestarts) {
  const std::string folder = Prepare("handoff", "");
  if (!FileExists(SignedInstaller() + ".sig")) {
    GTEST_SKIP() << "built for a publisher's key: no installer signed by it";
  }
  ASSERT_TRUE(CopyInto(SignedInstaller(), folder + "vinstall.exe"));
  ASSERT_TRUE(CopyInto(SignedInstaller() + ".sig", folder + "vinstall.exe.sig"));

  PROCESS_INFORMATION copy = StartProgram(folder + "tlxtemp.exe");
  EXPECT_EQ(WaitForExit(copy, 30000), 0u);
  EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"), ReadWholeFile(TickerExePath()));
  EXPECT_TRUE(WaitUntil([&] { return FileExists(folder + "installer-ran.txt"); }, 10000));

  // The restarted "Ticker.exe R" shows its strip.
  HWND frame = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (frame = FindTickerFrame()) != nullptr; }, 15000));
  EXPECT_NE(ProcessOfWindow(frame), copy.dwProcessId);

  // The copy may still be ending while the restart starts, so the next start removes it.
  PROCESS_INFORMATION next = StartProgram(folder + "Ticker.exe");
  ASSERT_TRUE(WaitUntil(
      [&] {
        frame = FindTickerFrame();
        return frame != nullptr && ProcessOfWindow(frame) == next.dwProcessId;
      },
      15000));
  EXPECT_FALSE(FileExists(folder + "tlxtemp.exe"));
}

TEST_F(HandOff, AnInstallerThatIsAWebPageOrNotThePublishersIsSkippedAndTheRestartStillHappens) {
  const struct {
    const char* what;
    bool webPage;
    const char* signature;  // a file of the fixtures copied as "vinstall.exe.sig", or none
  } rows[] = {
      {"a web page", true, nullptr},
      {"no signature", false, nullptr},
      {"signed with another key", false, "install_recorder.exe.stranger.sig"},
      {"a signature of another file", false, "band_marker.dll.sig"},
  };
  const std::string fixtures = SignedInstaller().substr(0, SignedInstaller().rfind('\\') + 1);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = Prepare("handoff-refused", "<html>Not Found</html>");
    DeleteFileA((folder + "installer-ran.txt").c_str());
    DeleteFileA((folder + "vinstall.exe.sig").c_str());
    if (!row.webPage) {
      ASSERT_TRUE(CopyInto(HelperPath("install_recorder.exe"), folder + "vinstall.exe"));
    }
    if (row.signature != nullptr) {
      ASSERT_TRUE(CopyInto(fixtures + row.signature, folder + "vinstall.exe.sig"));
    }
    PROCESS_INFORMATION copy = StartProgram(folder + "tlxtemp.exe");
    EXPECT_EQ(WaitForExit(copy, 30000), 0u);
    ASSERT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 15000));
    EXPECT_FALSE(FileExists(folder + "installer-ran.txt"));
    EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"), ReadWholeFile(TickerExePath()));
    EndStartedPrograms();
  }
}

}  // namespace
