// The software update end to end: Ticker.exe against the content server's update folder. An
// update whose signed manifest names a higher version is offered with its note, replaces the
// program through "tlxtemp.exe", registers the band library and runs the installer; one of the
// version already installed is not offered, however it is dated; a file that is not the one the
// manifest lists is never offered, leaves nothing behind, and the old ticker keeps running.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "res/resource.h"
#include "support/program_texts.h"
#include "win32/window_probe.h"

namespace {

constexpr char kSettingsKey[] = "SOFTWARE\\Talmora\\Ticker";
constexpr ULONGLONG kMinute = 60ull * 10000000ull;
constexpr ULONGLONG kDay = 24 * 60 * kMinute;
// The first cycle fetches the feed, then checks and downloads the update: slow under Wine on a
// busy machine.
constexpr DWORD kCheckMs = 150000;

ULONGLONG Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

bool SetLastWrite(const std::string& path, ULONGLONG time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME t{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  const bool ok = SetFileTime(file, nullptr, nullptr, &t) != FALSE;
  CloseHandle(file);
  return ok;
}

// The texts of a window's "Static" children: the message box's note.
std::vector<std::string> StaticTexts(HWND box) {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char name[32];
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0) continue;
    char text[1100] = "";
    GetWindowTextA(child, text, sizeof text);
    texts.push_back(text);
  }
  return texts;
}

class Update : public testing::Test {
 protected:
  void SetUp() override {
    ion_ = MakeScratchFolder("ion");
    built_ = UnixArgumentAsWindows("--ion=");
    fixtures_ = UnixArgumentAsWindows("--fixtures=");
    PlaceFloatingFrame(0, 200, 1000);
    WriteRegistryNumber("My Vexlo!", 0);
  }

  void TearDown() override {
    EndStartedPrograms();
    server_.Stop();
  }

  // An update folder of the fixtures, as make-update-files writes it: "next" (a version above the
  // program's), "same", "older"...; its library and installer leave marks.
  void Publish(const char* set = "next") {
    for (const char* name : {"ticker.ex_", "ticker.ex_.sig", "update.txt", "update.manifest",
                             "update.manifest.sig", "vinstall.exe", "vexlodb.dll"}) {
      ASSERT_TRUE(CopyInto(Fixture(set, name), Served(name))) << set << " " << name;
    }
  }

  std::string Served(const char* name) const { return ion_.windows + "\\" + name; }
  std::string Fixture(const char* set, const char* name) const {
    return fixtures_ + set + "\\" + name;
  }

  // An installed ticker, in a folder of the user's own as the setup makes one for the user alone,
  // whose program file differs from the package's and is dated `age` before it.
  void Install(const char* name, ULONGLONG packageTime, ULONGLONG age) {
    folder_ = MakeUserProgramFolder(name);
    oldProgram_ = ReadWholeFile(TickerExePath()) + "an older build";
    ASSERT_TRUE(WriteWholeFile(folder_ + "Ticker.exe", oldProgram_));
    ASSERT_TRUE(SetLastWrite(Served("ticker.ex_"), packageTime));
    ASSERT_TRUE(SetLastWrite(folder_ + "Ticker.exe", packageTime - age));
  }

  // A content server serving the update folder; its base address, or "" when it did not start.
  std::string StartServerOn(UnixProgram* server, ScratchFolder* scratch) {
    *scratch = MakeScratchFolder("server");
    const std::string command = UnixArgument("--server=") + " --port 0 --port-file " +
                                scratch->unix + "/port --log " + scratch->unix +
                                "/requests.log --content " + UnixArgument("--content=") +
                                " --ion " + ion_.unix;
    if (!server->Start(command)) return "";
    const int port = WaitForNumberInFile(scratch->windows + "\\port", 20000);
    return port > 0 ? "http://127.0.0.1:" + std::to_string(port) : "";
  }

  // One server for everything.
  void StartServer() {
    const std::string base = StartServerOn(&server_, &scratch_);
    ASSERT_NE(base, "");
    for (const char* server :
         {"Portal Server", "Publisher Server", "Update Server", "Maker Server"}) {
      WriteRegistryText(server, base.c_str());
    }
  }

  static int RequestsIn(const ScratchFolder& scratch, const std::string& path) {
    const std::string log = ReadWholeFile(scratch.windows + "\\requests.log");
    int count = 0;
    for (size_t at = 0; (at = log.find("path=" + path + " ", at)) != std::string::npos; ++at) {
      ++count;
    }
    return count;
  }
  int Requests(const std::string& path) { return RequestsIn(scratch_, path); }

  // The server's lines for the update files, for a failure to show what was served.
  std::string UpdateRequests() {
    std::string lines;
    std::istringstream log(ReadWholeFile(scratch_.windows + "\\requests.log"));
    for (std::string line; std::getline(log, line);) {
      if (line.find("path=/ion/") != std::string::npos) lines += line.substr(0, 200) + "\n";
    }
    return lines;
  }

  // A copy installed for the user alone keeps to the user's settings key: the settings the test
  // wrote (into the machine's key, where other tickers look first) go there too.
  PROCESS_INFORMATION StartTicker() {
    HKEY machine = nullptr;
    HKEY user = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &machine), ERROR_SUCCESS);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &user, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCopyTreeA(machine, nullptr, user), ERROR_SUCCESS);
    RegCloseKey(machine);
    RegCloseKey(user);
    PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe");
    EXPECT_EQ(WaitForTickerFrame(p), "");
    return p;
  }

  // The offer once it shows: a box still being made may not hold its texts yet.
  static HWND FindOffer() {
    HWND box = FindTopLevel("#32770", ProgramText(IDS_UPDATE_AVAILABLE_TITLE));
    return box != nullptr && IsWindowVisible(box) ? box : nullptr;
  }

  static constexpr const char* kUpdateLeftovers[] = {
      "ticker.ex_",      "ticker.ex_.new",      "vexlodb.dll",         "vexlodb.dll.new",
      "vinstall.exe",    "vinstall.exe.new",    "update.manifest",     "update.manifest.sig",
      "update.manifest.new", "update.manifest.new.sig", "update.pending", "tlxtemp.exe",
      "band-loaded.txt", "installer-ran.txt"};

  bool NothingLeftOver() {
    for (const char* name : kUpdateLeftovers) {
      if (FileExists(folder_ + name)) return false;
    }
    return true;
  }

  // Nothing of an update waits in the program's folder (the ticker removes the files one by one:
  // it is given a moment).
  void ExpectFolderUntouched() {
    WaitUntil([&] { return NothingLeftOver(); }, 10000);
    for (const char* name : kUpdateLeftovers) {
      EXPECT_FALSE(FileExists(folder_ + name)) << name;
    }
    EXPECT_EQ(ReadWholeFile(folder_ + "Ticker.exe"), oldProgram_);
  }

  int RefusalsOnStrip() {
    const StripReport report = ReadStrip(FindTickerWindow());
    const std::vector<std::string> texts = report.Texts();
    return static_cast<int>(
        std::count(texts.begin(), texts.end(), std::string(ProgramText(IDS_UPDATE_REFUSED))));
  }

  ScratchFolder ion_;
  ScratchFolder scratch_;
  std::string built_, fixtures_, folder_, oldProgram_;
  UnixProgram server_;
};

TEST_F(Update, AHigherVersionIsOfferedAndReplacesTheProgramOnOk) {
  Publish();
  const ULONGLONG packageTime = Now();
  Install("update-ok", packageTime, kDay);
  StartServer();
  PROCESS_INFORMATION old = StartTicker();

  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindOffer()) != nullptr; }, kCheckMs));
  const std::string note = ReadWholeFile(Served("update.txt"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::vector<std::string> texts = StaticTexts(box);
        return std::find(texts.begin(), texts.end(), note) != texts.end();
      },
      5000))
      << "the release note is shown as it was published";
  // Asked only after everything was fetched and checked; nothing was loaded or moved yet, and
  // what was checked cannot be changed while the box waits.
  EXPECT_FALSE(FileExists(folder_ + "band-loaded.txt"));
  EXPECT_FALSE(FileExists(folder_ + "vinstall.exe"));
  EXPECT_TRUE(FileExists(folder_ + "ticker.ex_.new"));
  EXPECT_FALSE(WriteWholeFile(folder_ + "ticker.ex_.new", "swapped while the box waits"));
  EXPECT_FALSE(MoveFileA((folder_ + "vinstall.exe.new").c_str(), (folder_ + "moved").c_str()));

  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WaitForExit(old, 30000), 0u) << "the old ticker ends to hand off";
  EXPECT_TRUE(FileExists(folder_ + "band-registered.txt")) << "DllRegisterServer was called";
  EXPECT_EQ(ReadWholeFile(folder_ + "vexlodb.dll"), ReadWholeFile(Served("vexlodb.dll")));

  // "tlxtemp.exe R" replaces Ticker.exe with the expanded package, runs the installer, restarts.
  EXPECT_TRUE(WaitUntil([&] { return FileExists(folder_ + "installer-ran.txt"); }, 40000))
      << UpdateRequests();
  EXPECT_EQ(ReadWholeFile(folder_ + "Ticker.exe"), ReadWholeFile(TickerExePath()));
  HWND frame = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (frame = FindTickerFrame()) != nullptr; }, 20000));
  EXPECT_NE(ProcessOfWindow(frame), old.dwProcessId);
  // The copy goes once the new program runs; nothing of the update stays.
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(folder_ + "tlxtemp.exe"); }, 20000));
  for (const char* name : {"ticker.ex_.new", "update.pending", "update.manifest"}) {
    EXPECT_FALSE(FileExists(folder_ + name)) << name;
  }
  EXPECT_EQ(TopLevelWindows("SSBar").size(), 1u) << "exactly one ticker runs";
  EXPECT_EQ(FindOffer(), nullptr) << "the restarted ticker does not offer it again";
  // The installer from the publisher's update server, which here is the same server; the
  // manifest vouches for every file, which needs no signature of its own.
  EXPECT_EQ(Requests("/ion/vinstall.exe"), 1);
  EXPECT_EQ(Requests("/ion/update.manifest.sig"), 1);
  EXPECT_EQ(Requests("/ion/vinstall.exe.sig") + Requests("/ion/ticker.ex_.sig"), 0);
}

TEST_F(Update, CancelLeavesTheProgramFolderAsItWas) {
  Publish();
  Install("update-cancel", Now(), kDay);
  StartServer();
  // Without "My Vexlo!" everything but the installer comes from the maker's server.
  UnixProgram makerServer;
  ScratchFolder maker;
  const std::string makerBase = StartServerOn(&makerServer, &maker);
  ASSERT_NE(makerBase, "");
  WriteRegistryText("Maker Server", makerBase.c_str());

  PROCESS_INFORMATION ticker = StartTicker();
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindOffer()) != nullptr; }, kCheckMs));
  PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
  ExpectFolderUntouched();
  EXPECT_EQ(WaitForExit(ticker, 0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(RefusalsOnStrip(), 0);

  for (const char* path :
       {"/ion/update.manifest", "/ion/update.manifest.sig", "/ion/update.txt", "/ion/vexlodb.dll"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(RequestsIn(maker, path), 1);
    EXPECT_EQ(Requests(path), 0);
  }
  EXPECT_EQ(RequestsIn(maker, "/ion/ticker.ex_"), 2) << "the version request and the download";
  EXPECT_EQ(Requests("/ion/vinstall.exe"), 1);
  EXPECT_EQ(RequestsIn(maker, "/ion/vinstall.exe"), 0);
  makerServer.Stop();
}

// A copy installed for all users (the machine's Add/Remove Programs entry names its folder) lies
// where only an administrator may write: it shows the note and who can install the update,
// fetches nothing else, writes nothing beside itself and keeps its caches in the user's folder.
TEST_F(Update, ACopyForAllUsersLeavesTheUpdateToAnAdministrator) {
  Publish();
  folder_ = MakeProgramFolder("update-all-users");
  oldProgram_ = ReadWholeFile(TickerExePath()) + "an older build";
  ASSERT_TRUE(WriteWholeFile(folder_ + "Ticker.exe", oldProgram_));
  ASSERT_TRUE(SetLastWrite(folder_ + "Ticker.exe", Now() - kDay));
  constexpr char kUninstallKey[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Newsrail";
  const std::string location = folder_.substr(0, folder_.size() - 1);
  ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", REG_SZ,
                            location.c_str(), static_cast<DWORD>(location.size() + 1)),
            ERROR_SUCCESS);
  StartServer();
  PROCESS_INFORMATION ticker = StartTicker();

  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = FindOffer()) != nullptr; }, kCheckMs));
  const std::string text =
      ReadWholeFile(Served("update.txt")) + "\r\n\r\n" + ProgramText(IDS_UPDATE_NEEDS_ADMINISTRATOR);
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::vector<std::string> texts = StaticTexts(box);
        return std::find(texts.begin(), texts.end(), text) != texts.end();
      },
      5000));
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "nothing to accept or decline";
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ExpectFolderUntouched();
  EXPECT_FALSE(FileExists(folder_ + "News.Dat"));
  char data[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data);
  EXPECT_TRUE(WaitUntil([&] { return FileExists(std::string(data) + "\\Newsrail\\News.Dat"); },
                        10000));
  EXPECT_EQ(WaitForExit(ticker, 0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(Requests("/ion/ticker.ex_"), 1) << "only the version request";
  EXPECT_EQ(Requests("/ion/vinstall.exe") + Requests("/ion/vexlodb.dll"), 0);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
}

TEST_F(Update, AnUpdateThatIsNotNewerIsNeverFetched) {
  const long long kWeek = 7 * static_cast<long long>(kDay);
  const struct {
    const char* what;
    const char* set;
    long long packageAhead;   // of now, in file-time units
    long long age;            // of the installed program against the package
    bool withoutManifest;     // a server from before manifests
    int manifestAsked;
  } rows[] = {
      {"same date", "next", 0, 0, false, 0},
      {"package a few minutes newer", "next", 0, 5 * static_cast<long long>(kMinute), false, 0},
      {"package older", "next", 0, -static_cast<long long>(kDay), false, 0},
      {"the installed version, dated next week", "same", kWeek, kWeek, false, 1},
      {"an older build, dated next week", "older", kWeek, kWeek, false, 1},
      {"no manifest", "next", 0, kDay, true, 1},
  };
  StartServer();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Publish(row.set);
    if (row.withoutManifest) {
      ASSERT_TRUE(DeleteFileA(Served("update.manifest").c_str()));
    }
    Install("update-same", Now() + static_cast<ULONGLONG>(row.packageAhead),
            static_cast<ULONGLONG>(row.age));
    const int asked = Requests("/ion/ticker.ex_");
    const int manifests = Requests("/ion/update.manifest");
    PROCESS_INFORMATION ticker = StartTicker();
    ASSERT_TRUE(WaitUntil([&] { return Requests("/ion/ticker.ex_") > asked; }, kCheckMs));
    if (row.manifestAsked > 0) {
      ASSERT_TRUE(WaitUntil([&] { return Requests("/ion/update.manifest") > manifests; }, 30000));
    }
    Sleep(3000);
    EXPECT_EQ(FindOffer(), nullptr);
    EXPECT_EQ(RefusalsOnStrip(), 0);
    EXPECT_EQ(Requests("/ion/ticker.ex_"), asked + 1) << "only the version request";
    EXPECT_EQ(Requests("/ion/update.manifest"), manifests + row.manifestAsked);
    EXPECT_EQ(Requests("/ion/update.txt") + Requests("/ion/vinstall.exe"), 0);
    EXPECT_EQ(WaitForExit(ticker, 0), static_cast<DWORD>(STILL_ACTIVE));
    ExpectFolderUntouched();
    EndStartedPrograms();
  }
}

TEST_F(Update, APackageThatDoesNotExpandToTheListedProgramChangesNothing) {
  StartServer();
  for (const char* set : {"corrupt", "expands-wrong"}) {
    SCOPED_TRACE(set);
    Publish(set);
    Install("update-corrupt", Now(), kDay);
    PROCESS_INFORMATION ticker = StartTicker();
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindOffer()) != nullptr; }, kCheckMs));
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    const std::string updating = ProgramText(IDS_UPDATING_SOFTWARE);
    EXPECT_TRUE(WaitUntil(
        [&] {
          const std::vector<std::string> texts = ReadStrip(FindTickerWindow()).Texts();
          return texts == std::vector<std::string>{updating, updating};
        },
        20000));
    // Checked before anything else moved: the library was neither put in place nor loaded.
    ExpectFolderUntouched();
    EXPECT_FALSE(FileExists(folder_ + "band-registered.txt"));
    Sleep(2000);
    EXPECT_EQ(WaitForExit(ticker, 0), static_cast<DWORD>(STILL_ACTIVE));
    EndStartedPrograms();
  }
}

bool FlipMiddleByte(const std::string& path) {
  std::string bytes = ReadWholeFile(path);
  bytes[bytes.size() / 2] ^= 0x01;
  return WriteWholeFile(path, bytes);
}

// Each row spoils one file of the published update; the ticker must refuse the whole update
// before asking, remove what it fetched, say so once, and keep running.
class Refusal : public Update {
 protected:
  struct Row {
    const char* what;
    std::function<bool()> spoil;
  };

  void ExpectEachRefused(const std::vector<Row>& rows) {
    StartServer();
    for (const Row& row : rows) {
      SCOPED_TRACE(row.what);
      Publish();
      ASSERT_TRUE(row.spoil());
      Install("update-refused", Now(), kDay);
      PROCESS_INFORMATION ticker = StartTicker();

      bool offered = false;
      const bool refused = WaitUntil(
          [&] {
            offered = offered || FindOffer() != nullptr;
            return offered || RefusalsOnStrip() > 0;
          },
          kCheckMs);
      ASSERT_TRUE(refused && !offered) << "offered: " << offered;
      Sleep(2000);
      EXPECT_EQ(FindOffer(), nullptr);
      EXPECT_EQ(RefusalsOnStrip(), 1);
      ExpectFolderUntouched();
      EXPECT_EQ(WaitForExit(ticker, 0), static_cast<DWORD>(STILL_ACTIVE));
      EndStartedPrograms();
    }
  }
};

TEST_F(Refusal, APackageOrManifestThatIsNotThePublishersIsNeverOffered) {
  ExpectEachRefused({
      {"a package swapped after the manifest was signed",
       [&] { return FlipMiddleByte(Served("ticker.ex_")); }},
      {"the signed installer served under the package's name",
       [&] {
         return CopyInto(Served("vinstall.exe"), Served("ticker.ex_")) &&
                CopyInto(Fixture("next", "vinstall.exe.sig"), Served("ticker.ex_.sig"));
       }},
      {"the signed package of another version",
       [&] {
         return CopyInto(Fixture("older", "ticker.ex_"), Served("ticker.ex_")) &&
                CopyInto(Fixture("older", "ticker.ex_.sig"), Served("ticker.ex_.sig"));
       }},
      {"a manifest changed after signing",
       [&] { return FlipMiddleByte(Served("update.manifest")); }},
      {"a manifest without its signature",
       [&] { return DeleteFileA(Served("update.manifest.sig").c_str()) != 0; }},
  });
}

TEST_F(Refusal, ALibraryInstallerOrNoteThatIsNotTheListedOneStopsTheUpdate) {
  ExpectEachRefused({
      // The library would leave a mark the moment it is loaded.
      {"a band library swapped", [&] { return FlipMiddleByte(Served("vexlodb.dll")); }},
      {"an installer swapped", [&] { return FlipMiddleByte(Served("vinstall.exe")); }},
      {"the release note of another version",
       [&] { return CopyInto(Fixture("same", "update.txt"), Served("update.txt")); }},
  });
}

}  // namespace
