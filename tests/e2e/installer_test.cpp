// The installer as administrators and users run it: silently and through its pages, the
// uninstaller, and the step an update runs in the program folder ("vinstall.exe").
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "e2e/e2e_support.h"
#include "win32/window_probe.h"

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Newsrail";
constexpr char kSettingsKey[] = "SOFTWARE\\Talmora\\Ticker";
constexpr char kStaleTarget[] = "C:\\Old Place\\Ticker.exe";

// The installer and vinstall.exe are built beside Ticker.exe.
std::string BuiltFile(const char* name) {
  const std::string ticker = TickerExePath();
  return ticker.substr(0, ticker.find_last_of('\\') + 1) + name;
}

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}
std::string InstalledFolder() { return ShellFolder(CSIDL_PROGRAM_FILES) + "\\Newsrail\\"; }
std::string ShortcutPath() { return ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Newsrail.lnk"; }

// Where a shortcut points; "" when there is none.
std::string ShortcutTarget() {
  std::string target;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return target;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, ShortcutPath().c_str(), -1, wide, MAX_PATH);
    char path[MAX_PATH] = "";
    if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
      target = path;
    }
    file->Release();
  }
  link->Release();
  return target;
}

void WriteStaleShortcut() {
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&link))));
  link->SetPath(kStaleTarget);
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, ShortcutPath().c_str(), -1, wide, MAX_PATH);
  EXPECT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
  file->Release();
  link->Release();
  ASSERT_EQ(ShortcutTarget(), kStaleTarget);
}

// The names in a folder, one per line; "(no folder)" when it does not exist.
std::string FolderContents(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "(no folder)";
  std::string names;
  do {
    if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0) {
      names += std::string(found.cFileName) + "\n";
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A text value, or "(none)".
std::string ReadText(HKEY root, const char* path, const char* name) {
  char text[600] = "";
  DWORD size = sizeof text - 1;
  if (RegGetValueA(root, path, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return "(none)";
  }
  return text;
}

void WriteText(HKEY root, const char* path, const char* name, const std::string& text) {
  ASSERT_EQ(RegSetKeyValueA(root, path, name, REG_SZ, text.c_str(),
                            static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
}

bool BandBuilt() { return UnixArgument("--band=") == "1"; }
std::string Version() { return UnixArgument("--version="); }

// Answers the installer's windows as a user would: the question with `answer`, any page with its
// default button (Install, Uninstall, Finish, Close). True while such a window is open.
bool AnswerInstallerWindows(int answer) {
  bool open = false;
  for (HWND window : FindTopLevels("#32770")) {
    if (ProcessOfWindow(window) == GetCurrentProcessId() || !IsWindowVisible(window)) continue;
    open = true;
    HWND button = GetDlgItem(window, IDYES) != nullptr ? GetDlgItem(window, answer)
                                                       : GetDlgItem(window, IDOK);
    if (button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button)) {
      SendMessageA(button, BM_CLICK, 0, 0);
    }
  }
  return open;
}

class Installer : public testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override {
    EndStartedPrograms();
    CoUninitialize();
  }
};

// How the product is installed and removed, and whether the preferences outlive it.
struct Round {
  const char* name;
  bool throughPages;    // the setup's pages, whose last one starts the ticker
  int uninstallAnswer;  // 0: "/S"; else the answer to the question about the preferences
  bool settingsKept;
};

constexpr Round kRounds[] = {
    {"silent install and uninstall", false, 0, true},
    {"pages; the user removes the preferences", true, IDYES, false},
    {"the user keeps the preferences", false, IDNO, true},
};

TEST_F(Installer, InstallsAndRemovesEverything) {
  const std::string folder = InstalledFolder();
  for (const Round& round : kRounds) {
    SCOPED_TRACE(round.name);
    if (round.throughPages) {
      PROCESS_INFORMATION setup = StartProgram(BuiltFile("NewsrailSetup.exe"));
      ASSERT_TRUE(WaitUntil(
          [&] {
            AnswerInstallerWindows(IDOK);
            return WaitForExit(setup, 0) != STILL_ACTIVE;
          },
          60000));
      EXPECT_EQ(WaitForExit(setup, 0), 0u);
      EXPECT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 15000))
          << "the last page starts the ticker";
    } else {
      PROCESS_INFORMATION setup = StartProgram(BuiltFile("NewsrailSetup.exe"), "/S");
      ASSERT_EQ(WaitForExit(setup, 60000), 0u);
    }

    EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"), ReadWholeFile(TickerExePath()));
    EXPECT_EQ(FileExists(folder + "vexlodb.dll"), BandBuilt());
    EXPECT_EQ(ShortcutTarget(), folder + "Ticker.exe");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Newsrail");
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), Version());
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"" + folder + "uninstall.exe\"");
    EXPECT_TRUE(FileExists(folder + "uninstall.exe"));
    // Add/Remove Programs shows the size the files take, in kilobytes.
    DWORD kilobytes = 0;
    DWORD size = sizeof kilobytes;
    EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", RRF_RT_REG_DWORD,
                           nullptr, &kilobytes, &size),
              ERROR_SUCCESS);
    EXPECT_GE(kilobytes, ReadWholeFile(TickerExePath()).size() / 1024);

    // The preferences, wherever the program keeps them, and a running ticker, which holds its
    // file open.
    WriteText(HKEY_LOCAL_MACHINE, kSettingsKey, "Installer Test", "machine");
    WriteText(HKEY_CURRENT_USER, kSettingsKey, "Installer Test", "user");
    if (FindTickerFrame() == nullptr) StartProgram(folder + "Ticker.exe");
    ASSERT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 15000));

    const std::string uninstaller = folder + "uninstall.exe";
    if (round.uninstallAnswer == 0) {
      StartProgram(uninstaller, "/S");
      EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 60000));
    } else {
      // The uninstaller runs on from a copy of itself: wait for its windows to go.
      StartProgram(uninstaller);
      EXPECT_TRUE(WaitUntil(
          [&] {
            const bool open = AnswerInstallerWindows(round.uninstallAnswer);
            return !open && !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey);
          },
          60000));
    }

    EXPECT_EQ(FindTickerFrame(), nullptr) << "the uninstaller ends the running ticker";
    EXPECT_EQ(FolderContents(folder), "(no folder)");
    EXPECT_FALSE(FileExists(ShortcutPath()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    const std::string kept = round.settingsKept ? "machine" : "(none)";
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kSettingsKey, "Installer Test"), kept);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kSettingsKey, "Installer Test"),
              round.settingsKept ? "user" : "(none)");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    EndStartedPrograms();
  }
}

// vinstall.exe in a folder as an update leaves it.
struct UpdatedFolder {
  const char* name;
  bool band;             // "vexlodb.dll" beside it
  bool program;          // "Ticker.exe" beside it
  bool installedThere;   // the Add/Remove Programs entry names this folder
  const char* bandCalls;
  bool shortcutHere;
  bool versionRefreshed;
};

constexpr UpdatedFolder kUpdatedFolders[] = {
    {"band", true, true, true, "register\n", true, true},
    {"no-band", false, true, false, "", true, false},
    {"no-program", true, false, true, "", false, false},
};

TEST_F(Installer, UpdateStepRegistersTheBandAndRefreshesTheShortcut) {
  for (const UpdatedFolder& row : kUpdatedFolders) {
    SCOPED_TRACE(row.name);
    const std::string folder = MakeProgramFolder((std::string("vinstall-") + row.name).c_str());
    ASSERT_TRUE(CopyInto(BuiltFile("vinstall.exe"), folder + "vinstall.exe"));
    if (row.band) {
      ASSERT_TRUE(CopyInto(HelperPath("band_recorder.dll"), folder + "vexlodb.dll"));
    }
    if (row.program) {
      ASSERT_TRUE(WriteWholeFile(folder + "Ticker.exe", "the new program"));
    }
    const std::string location = row.installedThere ? folder.substr(0, folder.size() - 1)
                                                    : std::string("C:\\Program Files\\Newsrail");
    WriteText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation", location);
    WriteText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "0.0.1");
    WriteStaleShortcut();

    // Started as the ticker's hand-off starts it: from the folder, no arguments, no window.
    PROCESS_INFORMATION step = StartProgram(folder + "vinstall.exe");
    ASSERT_EQ(WaitForExit(step, 30000), 0u);

    EXPECT_EQ(ReadWholeFile(folder + "band-calls.txt"), row.bandCalls);
    EXPECT_EQ(ShortcutTarget(), row.shortcutHere ? folder + "Ticker.exe" : kStaleTarget);
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"),
              row.versionRefreshed ? Version() : "0.0.1");
  }
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
}

}  // namespace
