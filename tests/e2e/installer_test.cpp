// The installer as users and administrators run it: for the user alone (the default) and for
// all users, silently and through its pages; the uninstaller; the manifests the programs carry;
// and the step an update runs in the program folder ("vinstall.exe").
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "deskband_ids.h"
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
// Where an installation puts the program, its shortcut, its Add/Remove Programs entry and the
// desk band's class: the user's own places, or everyone's.
struct Layout {
  std::string folder;  // ends with a backslash
  std::string shortcut;
  HKEY root;
};

Layout LayoutFor(bool allUsers) {
  if (allUsers) {
    return {ShellFolder(CSIDL_PROGRAM_FILES) + "\\Newsrail\\",
            ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Newsrail.lnk", HKEY_LOCAL_MACHINE};
  }
  return {ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Newsrail\\",
          ShellFolder(CSIDL_PROGRAMS) + "\\Newsrail.lnk", HKEY_CURRENT_USER};
}

const std::string kBandClassKey =
    std::string("Software\\Classes\\CLSID\\") + kVexloDeskBandClsidText + "\\InprocServer32";

// Where a shortcut points; "" when there is none.
std::string ShortcutTarget(const std::string& shortcut) {
  std::string target;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return target;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
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

void WriteStaleShortcut(const std::string& shortcut) {
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&link))));
  link->SetPath(kStaleTarget);
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
  EXPECT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
  file->Release();
  link->Release();
  ASSERT_EQ(ShortcutTarget(shortcut), kStaleTarget);
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

DWORD ReadNumber(HKEY root, const char* path, const char* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  RegGetValueA(root, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

// What a setup for all users would change on the machine, as text: the names in the Program
// Files folders, the machine's uninstall entries, its desk band class and how many values the
// product's machine key holds. (All of HKLM\Software takes minutes to read under Wine.)
std::string MachineState() {
  std::string state = FolderContents(ShellFolder(CSIDL_PROGRAM_FILES) + "\\") +
                      FolderContents(ShellFolder(CSIDL_PROGRAM_FILESX86) + "\\");
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
      state += std::string("entry ") + name + "\n";
    }
    RegCloseKey(key);
  }
  if (KeyExists(HKEY_LOCAL_MACHINE, kBandClassKey.c_str())) state += "band class\n";
  DWORD values = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
  }
  return state + "settings values " + std::to_string(values) + "\n";
}

bool BandBuilt() { return UnixArgument("--band=") == "1"; }
std::string Version() { return UnixArgument("--version="); }

// The radio button of that text on the setup's current page, or null.
HWND FindChoice(HWND window, const char* text) {
  if (HWND button = FindWindowExA(window, nullptr, "Button", text)) return button;
  for (HWND page = FindWindowExA(window, nullptr, "#32770", nullptr); page != nullptr;
       page = FindWindowExA(window, page, "#32770", nullptr)) {
    if (HWND button = FindWindowExA(page, nullptr, "Button", text)) return button;
  }
  return nullptr;
}

// A choice to make on the setup's pages. A click lands on whatever page the setup shows when it
// takes the click, and the next page may still be being made: so Next is pressed once on the
// first page, then only where the choice has been made, then freely.
struct PageChoice {
  const char* text;
  bool firstPagePassed = false;
  bool made = false;
};

// Answers the installer's windows as a user would: the question with `answer`, any page with its
// default button (Next, Install, Uninstall, Finish, Close), after making `choice` where a page
// offers it. True while such a window is open.
bool AnswerInstallerWindows(int answer, PageChoice* choice = nullptr) {
  bool open = false;
  for (HWND window : FindTopLevels("#32770")) {
    if (ProcessOfWindow(window) == GetCurrentProcessId() || !IsWindowVisible(window)) continue;
    open = true;
    bool firstPage = false;
    if (choice != nullptr && !choice->made) {
      HWND option = FindChoice(window, choice->text);
      if (option == nullptr && choice->firstPagePassed) continue;
      firstPage = option == nullptr;
      if (option != nullptr && SendMessageA(option, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        SendMessageA(option, BM_CLICK, 0, 0);
      }
      choice->made = option != nullptr && SendMessageA(option, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (option != nullptr && !choice->made) continue;
    }
    HWND button = GetDlgItem(window, IDYES) != nullptr ? GetDlgItem(window, answer)
                                                       : GetDlgItem(window, IDOK);
    if (button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button)) {
      SendMessageA(button, BM_CLICK, 0, 0);
      if (firstPage) choice->firstPagePassed = true;
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
  bool allUsers;
  const char* setupArguments;  // a silent setup's; null: through the setup's pages, whose last
                               // one starts the ticker
  int uninstallAnswer;         // 0: "/S"; else the answer to the question about the preferences
  bool settingsKept;
};

constexpr char kEveryone[] = "For &everyone who uses this computer";

constexpr Round kRounds[] = {
    {"for the user, silently", false, "/S", 0, true},
    {"for the user through the pages; the preferences go", false, nullptr, IDYES, false},
    {"for all users, silently", true, "/S /AllUsers", 0, true},
    {"for all users through the pages; the user keeps the preferences", true, nullptr, IDNO, true},
};

TEST_F(Installer, InstallsAndRemovesEverything) {
  for (const Round& round : kRounds) {
    SCOPED_TRACE(round.name);
    const Layout layout = LayoutFor(round.allUsers);
    const Layout other = LayoutFor(!round.allUsers);
    // Preferences in the machine's key, as an installation for all users leaves them; one for
    // the user alone must neither use nor remove them (under Wine it could write them).
    WriteText(HKEY_LOCAL_MACHINE, kSettingsKey, "Installer Test", "machine");
    const std::string machineBefore = MachineState();

    if (round.setupArguments == nullptr) {
      PROCESS_INFORMATION setup = StartProgram(BuiltFile("NewsrailSetup.exe"));
      PageChoice everyone{kEveryone};
      ASSERT_TRUE(WaitUntil(
          [&] {
            AnswerInstallerWindows(IDOK, round.allUsers ? &everyone : nullptr);
            return WaitForExit(setup, 0) != STILL_ACTIVE;
          },
          60000));
      EXPECT_EQ(WaitForExit(setup, 0), 0u);
      EXPECT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 15000))
          << "the last page starts the ticker";
    } else {
      PROCESS_INFORMATION setup = StartProgram(BuiltFile("NewsrailSetup.exe"), round.setupArguments);
      ASSERT_EQ(WaitForExit(setup, 60000), 0u);
    }

    const std::string& folder = layout.folder;
    EXPECT_EQ(ReadWholeFile(folder + "Ticker.exe"), ReadWholeFile(TickerExePath()));
    EXPECT_EQ(FileExists(folder + "vexlodb.dll"), BandBuilt());
    EXPECT_EQ(ShortcutTarget(layout.shortcut), folder + "Ticker.exe");
    EXPECT_FALSE(FileExists(other.shortcut));
    EXPECT_EQ(ReadText(layout.root, kUninstallKey, "DisplayName"), "Newsrail");
    EXPECT_EQ(ReadText(layout.root, kUninstallKey, "DisplayVersion"), Version());
    EXPECT_EQ(ReadText(layout.root, kUninstallKey, "UninstallString"),
              "\"" + folder + "uninstall.exe\"");
    EXPECT_FALSE(KeyExists(other.root, kUninstallKey));
    EXPECT_TRUE(FileExists(folder + "uninstall.exe"));
    // Add/Remove Programs shows the size the files take, in kilobytes.
    EXPECT_GE(ReadNumber(layout.root, kUninstallKey, "EstimatedSize"),
              ReadWholeFile(TickerExePath()).size() / 1024);
    if (BandBuilt()) {
      EXPECT_EQ(ReadText(layout.root, kBandClassKey.c_str(), nullptr), folder + "vexlodb.dll");
      EXPECT_FALSE(KeyExists(other.root, kBandClassKey.c_str()));
    }

    // The preferences, wherever the program keeps them, and a running ticker, which holds its
    // file open.
    WriteText(HKEY_CURRENT_USER, kSettingsKey, "Installer Test", "user");
    if (FindTickerFrame() == nullptr) StartProgram(folder + "Ticker.exe");
    ASSERT_TRUE(WaitUntil([] { return FindTickerFrame() != nullptr; }, 15000));
    if (!round.allUsers) {
      // Its first run stores its defaults, under the user's key.
      EXPECT_TRUE(WaitUntil(
          [] { return ReadNumber(HKEY_CURRENT_USER, kSettingsKey, "Ticker Speed") == 3; }, 15000));
    }

    const std::string uninstaller = folder + "uninstall.exe";
    const HKEY root = layout.root;
    if (round.uninstallAnswer == 0) {
      StartProgram(uninstaller, "/S");
      EXPECT_TRUE(WaitUntil([&] { return !KeyExists(root, kUninstallKey); }, 60000));
    } else {
      // The uninstaller runs on from a copy of itself: wait for its windows to go.
      StartProgram(uninstaller);
      EXPECT_TRUE(WaitUntil(
          [&] {
            const bool open = AnswerInstallerWindows(round.uninstallAnswer);
            return !open && !KeyExists(root, kUninstallKey);
          },
          60000));
    }

    EXPECT_EQ(FindTickerFrame(), nullptr) << "the uninstaller ends the running ticker";
    EXPECT_EQ(FolderContents(folder), "(no folder)");
    EXPECT_FALSE(FileExists(layout.shortcut));
    EXPECT_FALSE(KeyExists(root, kUninstallKey));
    EXPECT_FALSE(KeyExists(root, kBandClassKey.c_str()));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kSettingsKey, "Installer Test"),
              round.settingsKept || !round.allUsers ? "machine" : "(none)");
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kSettingsKey, "Installer Test"),
              round.settingsKept ? "user" : "(none)");
    if (!round.allUsers) {
      EXPECT_EQ(MachineState(), machineBefore);
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    EndStartedPrograms();
  }
}

// The manifest a program carries (RT_MANIFEST 1), read from the built file; "" when it has none.
std::string ManifestOf(const std::string& file) {
  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return "";
  std::string text;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    if (HGLOBAL loaded = LoadResource(module, found)) {
      text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    }
  }
  FreeLibrary(module);
  return text;
}

// Every program of the product runs with the user's rights, is known to Windows 7 to 11 (so
// that Windows neither virtualizes its writes nor takes it for an old installer that must be
// raised), gets the common controls of version 6 and scales itself, per monitor where it can.
constexpr const char* kEveryManifestSays[] = {
    "level=\"asInvoker\"",
    "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // Windows 7
    "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
    "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
    "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
    "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
    // Windows 7 to early 10 read the first, later ones the second.
    ">true</dpiAware>",
    ">PerMonitorV2,System</dpiAwareness>",
};

constexpr const char* kEveryProgram[] = {"Ticker.exe", "vinstall.exe", "NewsrailSetup.exe"};

TEST(Manifests, EveryProgramRunsAsTheUserOnTodaysWindows) {
  for (const char* file : kEveryProgram) {
    SCOPED_TRACE(file);
    const std::string manifest = ManifestOf(BuiltFile(file));
    ASSERT_FALSE(manifest.empty());
    for (const char* part : kEveryManifestSays) {
      EXPECT_NE(manifest.find(part), std::string::npos) << part << "\n" << manifest;
    }
  }
}

// vinstall.exe in a folder as an update leaves it. The folder the machine's Add/Remove Programs
// entry names is an installation for all users; any other is the user's own.
struct UpdatedFolder {
  const char* name;
  bool band;             // "vexlodb.dll" beside it
  bool program;          // "Ticker.exe" beside it
  HKEY namedBy;          // the root whose entry names this folder; null: none does
  const char* bandCalls;
  bool shortcutHere;     // the shortcut of that installation (the user's where none) points here
  bool versionRefreshed;
};

const UpdatedFolder kUpdatedFolders[] = {
    {"band", true, true, HKEY_CURRENT_USER, "register\n", true, true},
    {"no-band", false, true, nullptr, "", true, false},
    {"no-program", true, false, HKEY_CURRENT_USER, "", false, false},
    {"all-users", true, true, HKEY_LOCAL_MACHINE, "register\n", true, true},
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
    const bool allUsers = row.namedBy == HKEY_LOCAL_MACHINE;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      const std::string location = root == row.namedBy ? folder.substr(0, folder.size() - 1)
                                                       : std::string("C:\\Elsewhere\\Newsrail");
      WriteText(root, kUninstallKey, "InstallLocation", location);
      WriteText(root, kUninstallKey, "DisplayVersion", "0.0.1");
    }
    for (bool everyone : {false, true}) WriteStaleShortcut(LayoutFor(everyone).shortcut);

    // Started as the ticker's hand-off starts it: from the folder, no arguments, no window.
    PROCESS_INFORMATION step = StartProgram(folder + "vinstall.exe");
    ASSERT_EQ(WaitForExit(step, 30000), 0u);

    EXPECT_EQ(ReadWholeFile(folder + "band-calls.txt"), row.bandCalls);
    EXPECT_EQ(ShortcutTarget(LayoutFor(allUsers).shortcut),
              row.shortcutHere ? folder + "Ticker.exe" : kStaleTarget);
    EXPECT_EQ(ShortcutTarget(LayoutFor(!allUsers).shortcut), kStaleTarget);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      EXPECT_EQ(ReadText(root, kUninstallKey, "DisplayVersion"),
                row.versionRefreshed && root == row.namedBy ? Version() : "0.0.1");
    }
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kUninstallKey);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
}

}  // namespace
