// Running Ticker.exe and the helper programs as a user would: in a program folder of their own,
// as separate processes, found again by their windows.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Paths given on the test's command line (--ticker=, --helpers=) as Windows paths.
std::string TickerExePath();
std::string HelperPath(const char* exeName);

// A new, empty program folder under C:\ (ends with a backslash).
std::string MakeProgramFolder(const char* name);
// A new program folder where the setup puts one for the user alone, under the user's
// "AppData\Local\Programs" (ends with a backslash).
std::string MakeUserProgramFolder(const char* name);

bool CopyInto(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Starts a program with arguments in its own folder; the process is ended by EndStartedPrograms.
PROCESS_INFORMATION StartProgram(const std::string& exe, const std::string& arguments = "");
void EndStartedPrograms();

// Runs a Linux program (Wine starts those too) and waits for it, at most ten seconds.
bool RunUnixProgram(const std::string& commandLine);
// Real pointer input: runs xdotool and waits for it.
bool Xdotool(const std::string& arguments);
// A real drag with the left button from `from` to (toX, from.y): in one move, or in `steps`
// moves 150 ms apart (Wine merges motions that queue up, and the first a drag sees only marks
// its start). whileHeld runs before the release.
void XdotoolDrag(POINT from, int toX, int steps, const std::function<void()>& whileHeld = {});

DWORD ProcessOfWindow(HWND window);
// The running ticker's frame: the "SSBar" window titled "MyVexlo! Newsrail" with a Ticker child.
HWND FindTickerFrame();
// Waits for the frame of this started ticker, with its strip. Empty once it shows, else why it
// did not: whether the program ended, and whose frames there are.
std::string WaitForTickerFrame(const PROCESS_INFORMATION& process, DWORD timeoutMs = 20000);
// The floating frame of a ticker process other than `notProcess` (0: any), once that process has
// finished creating its windows; null when none showed. For tickers the program started itself.
HWND WaitForOtherTickerFrame(DWORD notProcess, DWORD timeoutMs);
// Every top-level window of the class.
std::vector<HWND> TopLevelWindows(const char* className);
// Waits for a process to end; its exit code, or STILL_ACTIVE when it did not end in time.
DWORD WaitForExit(const PROCESS_INFORMATION& process, DWORD timeoutMs);

// What the running ticker's strip holds, as its strip report tells it.
struct ReportedItem {
  int colorIndex = 0;
  int tallFont = 0;
  int startsSection = 0;
  std::string text;
  std::string link;
};
struct StripReport {
  bool answered = false;
  int offset = 0;
  int forward = 0;
  int filled = 0;
  int drawn = 0;  // the list reported is the one last drawn on the window
  std::vector<ReportedItem> items;
  // The texts only, for comparisons.
  std::vector<std::string> Texts() const;
};
StripReport ReadStrip(HWND tickerWindow);
// The "Ticker" child of the running ticker's frame, or null.
HWND FindTickerWindow();

// A Linux program started from the test (Wine starts Unix programs too), ended by Stop or at the
// latest by EndStartedPrograms.
class UnixProgram {
 public:
  // commandLine uses Linux paths; the program's pid is recorded so that it can be ended.
  bool Start(const std::string& commandLine);
  void Stop();
  ~UnixProgram() { Stop(); }

 private:
  std::string pidFile_;
  bool running_ = false;
};

// A scratch folder for a test, under /tmp: its Linux path and the same as a Windows path.
struct ScratchFolder {
  std::string unix;
  std::string windows;
};
ScratchFolder MakeScratchFolder(const char* name);

// Unix paths given on the test's command line: --server=, --content=, --hostile=.
std::string UnixArgument(const char* prefix);

// Starts the misbehaving server (--hostile=) with its port and request log in a new scratch
// folder; its port once it listens, 0 when it did not start.
int StartHostileServer(UnixProgram* server, ScratchFolder* scratch, const char* name);
// The same, as a Windows path ending in a backslash, for a folder.
std::string UnixArgumentAsWindows(const char* prefix);

// The settings of a plain floating frame, neither on top nor glued, 30 pixels high at (x, y).
void PlaceFloatingFrame(int x, int y, int width);

// The screen's scale in dots per inch for the programs started from now on ("LogPixels" under
// HKCU\Control Panel\Desktop, which Wine reads as a program starts); 96 is 100 %.
void SetScreenDpi(DWORD dpi);

// A window's rectangle on the screen; all zero once it is gone.
RECT ScreenRect(HWND window);

// Starts the stand-in taskbar (tests/helpers/taskbar_standin) with the options and returns its
// "Shell_TrayWnd" once that shows; null when it did not within 15 s.
HWND StartTaskbarStandIn(const std::string& options = "");

// A free TCP port on 127.0.0.1 (free when asked).
int FreePort();

// Makes Ticker.exe load the stand-in "rasapi32.dll" from the system folder instead of Wine's own
// (the stand-in copied there and a per-program DLL override in this prefix), or undoes the
// override.
void ChooseStandInLibrary(bool chosen);

// Waits until the file exists and holds a number; 0 when it did not come.
int WaitForNumberInFile(const std::string& windowsPath, DWORD timeoutMs);

// A tinyproxy on a free port of 127.0.0.1 that logs the requests it forwards; extraConfig adds
// lines to its configuration (such as "BasicAuth user password"). Ended with the object.
class Tinyproxy {
 public:
  bool Start(const char* name, const std::string& extraConfig = "");
  // How many forwarded requests held pathPart.
  int Requests(const char* pathPart) const;
  std::string Port() const { return std::to_string(port); }
  int port = 0;

 private:
  ScratchFolder folder_;
  UnixProgram program_;
};

// Netscape Navigator's settings under HKEY_USERS: the user keys in enumeration order, one raw
// value below "Software\Netscape\Netscape Navigator\<subKey>" of a user, and all of them removed.
std::vector<std::string> UserKeys();
void PutNavigatorValue(const std::string& user, const char* subKey, const char* name, DWORD type,
                       const std::string& bytes);
void RemoveNavigatorSettings();

// The default browser's open command (the ".htm" class's) for as long as the object lives.
class DefaultBrowser {
 public:
  explicit DefaultBrowser(const char* command);
  ~DefaultBrowser();
  DefaultBrowser(const DefaultBrowser&) = delete;
  DefaultBrowser& operator=(const DefaultBrowser&) = delete;

 private:
  char savedClass_[260] = "";
  bool hadClass_ = false;
};
