// Support for the end-to-end tests.
#include <winsock2.h>

#include "e2e/e2e_support.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "win32/window_probe.h"
#include "window/timers.h"

namespace {

std::vector<PROCESS_INFORMATION>& Started() {
  static std::vector<PROCESS_INFORMATION> started;
  return started;
}

// A Linux path as Wine sees it: the root file system is drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string RawArgument(const char* prefix) {
  const size_t n = std::strlen(prefix);
  for (int i = 1; i < __argc; ++i) {
    if (std::strncmp(__argv[i], prefix, n) == 0) return __argv[i] + n;
  }
  return "";
}

std::string Argument(const char* prefix) {
  const std::string raw = RawArgument(prefix);
  return raw.empty() ? raw : WindowsPath(raw);
}

}  // namespace

std::string TickerExePath() { return Argument("--ticker="); }

std::string HelperPath(const char* exeName) {
  std::string dir = Argument("--helpers=");
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir + exeName;
}

std::string MakeProgramFolder(const char* name) {
  std::string folder = std::string("C:\\e2e-") + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string MakeUserProgramFolder(const char* name) {
  char data[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                   data);
  const std::string programs = std::string(data) + "\\Programs";
  CreateDirectoryA(programs.c_str(), nullptr);
  const std::string folder = programs + "\\" + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

bool CopyInto(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

PROCESS_INFORMATION StartProgram(const std::string& exe, const std::string& arguments) {
  std::string command = "\"" + exe + "\"";
  if (!arguments.empty()) command += " " + arguments;
  std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                     &startup, &process)) {
    Started().push_back(process);
  }
  return process;
}

void EndStartedPrograms() {
  // Tickers started by a ticker (a restart) are not ours by handle: close them by window.
  // The test program's own windows (a Win32 test's ticker) stay.
  auto others = [] {
    std::vector<HWND> frames;
    for (HWND frame : TopLevelWindows("SSBar")) {
      if (ProcessOfWindow(frame) != GetCurrentProcessId()) frames.push_back(frame);
    }
    return frames;
  };
  std::vector<DWORD> closed;
  for (int round = 0; round < 3; ++round) {
    for (HWND frame : others()) {
      closed.push_back(ProcessOfWindow(frame));
      PostMessageA(frame, WM_CLOSE, 0, 0);
    }
    WaitUntil([&] { return others().empty(); }, 3000);
  }
  // A ticker whose windows are gone may still be saving and ending its worker; one that did not
  // close is ended. Either way it is gone before the next test starts a ticker that would give
  // way to it.
  for (PROCESS_INFORMATION& p : Started()) {
    const bool closing = std::find(closed.begin(), closed.end(), p.dwProcessId) != closed.end();
    if (WaitForSingleObject(p.hProcess, closing ? 5000 : 0) == WAIT_TIMEOUT) {
      TerminateProcess(p.hProcess, 9);
      WaitForSingleObject(p.hProcess, 10000);
    }
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
  }
  Started().clear();
}

DWORD ProcessOfWindow(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::string WaitForTickerFrame(const PROCESS_INFORMATION& process, DWORD timeoutMs) {
  const bool shown = WaitUntil(
      [&] {
        for (HWND frame : FindTopLevels("SSBar", "MyVexlo! Newsrail")) {
          if (ProcessOfWindow(frame) == process.dwProcessId && FindChild(frame, "Ticker") != nullptr) {
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (shown) return std::string();
  std::string why;
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process.hProcess, &code)) {
    why = "the ticker ended with " + std::to_string(code);
  } else {
    why = "the ticker runs without a frame";
  }
  for (HWND frame : TopLevelWindows("SSBar")) {
    why += "; a frame of process " + std::to_string(ProcessOfWindow(frame)) +
           (FindChild(frame, "Ticker") != nullptr ? " with" : " without") + " its strip";
  }
  return why + " (started as " + std::to_string(process.dwProcessId) + ")";
}

HWND WaitForOtherTickerFrame(DWORD notProcess, DWORD timeoutMs) {
  HWND frame = nullptr;
  WaitUntil(
      [&] {
        frame = FindTickerFrame();
        return frame != nullptr && ProcessOfWindow(frame) != notProcess;
      },
      timeoutMs);
  if (frame != nullptr) {
    if (HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                               ProcessOfWindow(frame))) {
      WaitForInputIdle(p, 10000);
      CloseHandle(p);
    }
  }
  return frame;
}

HWND FindTickerFrame() {
  for (HWND frame : FindTopLevels("SSBar", "MyVexlo! Newsrail")) {
    if (FindChild(frame, "Ticker") != nullptr) return frame;
  }
  return nullptr;
}

std::vector<HWND> TopLevelWindows(const char* className) { return FindTopLevels(className); }

DWORD WaitForExit(const PROCESS_INFORMATION& process, DWORD timeoutMs) {
  if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

std::vector<std::string> StripReport::Texts() const {
  std::vector<std::string> texts;
  for (const ReportedItem& item : items) texts.push_back(item.text);
  return texts;
}

HWND FindTickerWindow() {
  HWND frame = FindTickerFrame();
  return frame != nullptr ? FindChild(frame, "Ticker") : nullptr;
}

StripReport ReadStrip(HWND tickerWindow) {
  // The report comes through shared memory that stays open here; the ticker writes it when asked.
  static HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             kStripReportSize, kStripReportName);
  static char* shared =
      static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kStripReportSize));
  StripReport report;
  if (shared == nullptr || tickerWindow == nullptr) return report;
  shared[0] = '\0';
  DWORD_PTR written = 0;
  if (!SendMessageTimeoutA(tickerWindow, kDescribeStripMessage, 0, 0, SMTO_ABORTIFHUNG, 5000,
                           &written) ||
      written != 1) {
    return report;
  }
  const std::string text(shared, strnlen(shared, kStripReportSize - 1));
  report.answered = true;
  size_t start = 0;
  bool first = true;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start);
    if (first) {
      std::sscanf(line.c_str(), "%d %d %d %d", &report.offset, &report.forward, &report.filled,
                  &report.drawn);
      first = false;
      continue;
    }
    const size_t a = line.find('|');
    const size_t b = a == std::string::npos ? a : line.find('|', a + 1);
    const size_t c = b == std::string::npos ? b : line.find('|', b + 1);
    const size_t d = line.rfind('|');
    if (c == std::string::npos || d <= c) continue;
    ReportedItem item;
    item.colorIndex = std::atoi(line.substr(0, a).c_str());
    item.tallFont = std::atoi(line.substr(a + 1, b - a - 1).c_str());
    item.startsSection = std::atoi(line.substr(b + 1, c - b - 1).c_str());
    item.text = line.substr(c + 1, d - c - 1);
    item.link = line.substr(d + 1);
    report.items.push_back(item);
  }
  return report;
}

std::string UnixArgument(const char* prefix) { return RawArgument(prefix); }

std::string UnixArgumentAsWindows(const char* prefix) {
  std::string path = "Z:" + UnixArgument(prefix);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path + "\\";
}

void PlaceFloatingFrame(int x, int y, int width) {
  WriteRegistryNumber("Dock in Taskbar", 1);
  WriteRegistryNumber("Fit To Caption", 0);
  WriteRegistryNumber("Always On Top", 0);
  WriteRegistryNumber("Always On Bottom", 0);
  WriteRegistryNumber("Ticker X", static_cast<DWORD>(x));
  WriteRegistryNumber("Ticker Y", static_cast<DWORD>(y));
  WriteRegistryNumber("Ticker Width", static_cast<DWORD>(width));
  WriteRegistryNumber("Ticker Height", 30);
}

void SetScreenDpi(DWORD dpi) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  RegCloseKey(key);
}

RECT ScreenRect(HWND window) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(window, &r);
  return r;
}

HWND StartTaskbarStandIn(const std::string& options) {
  const PROCESS_INFORMATION p = StartProgram(HelperPath("taskbar_standin.exe"), options);
  HWND taskbar = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : FindTopLevels("Shell_TrayWnd")) {
          if (ProcessOfWindow(w) == p.dwProcessId && IsWindowVisible(w)) taskbar = w;
        }
        return taskbar != nullptr;
      },
      15000);
  return taskbar;
}

ScratchFolder MakeScratchFolder(const char* name) {
  // Windows process ids repeat from one Wine prefix to the next: the clock keeps names apart.
  static int serial = 0;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const std::string leaf = std::string("newsrail-") + std::to_string(now.QuadPart) + "-" +
                           std::to_string(++serial) + "-" + name;
  // Inside the test's own prefix when it runs under scripts/wine-run, which removes it afterwards.
  const char* base = std::getenv("NEWSRAIL_SCRATCH");
  const std::string unixBase = base != nullptr && base[0] == '/' ? base : "/tmp";
  ScratchFolder folder{unixBase + "/" + leaf, WindowsPath(unixBase + "/" + leaf)};
  CreateDirectoryA(folder.windows.c_str(), nullptr);
  return folder;
}

int StartHostileServer(UnixProgram* server, ScratchFolder* scratch, const char* name) {
  *scratch = MakeScratchFolder(name);
  if (!server->Start("/usr/bin/python3 " + UnixArgument("--hostile=") + " --port-file " +
                     scratch->unix + "/port --log " + scratch->unix + "/requests.log")) {
    return 0;
  }
  return WaitForNumberInFile(scratch->windows + "\\port", 20000);
}

bool UnixProgram::Start(const std::string& commandLine) {
  const ScratchFolder folder = MakeScratchFolder("pid");
  pidFile_ = folder.unix + "/pid";
  // The shell records its pid and becomes the program, so the pid is the program's.
  std::string shell = "/bin/sh -c \"echo $$ > " + pidFile_ + "; exec " + commandLine + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(shell.begin(), shell.end());
  line.push_back('\0');
  running_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process) != 0;
  if (running_) {
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  return running_;
}

void UnixProgram::Stop() {
  if (!running_) return;
  running_ = false;
  const std::string windowsPid = WindowsPath(pidFile_);
  const int pid = WaitForNumberInFile(windowsPid, 5000);
  if (pid <= 0) return;
  std::string kill = "/bin/kill -TERM " + std::to_string(pid);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(kill.begin(), kill.end());
  line.push_back('\0');
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
}

int FreePort() {
  static bool started = false;
  if (!started) {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  closesocket(s);
  return port;
}

int WaitForNumberInFile(const std::string& windowsPath, DWORD timeoutMs) {
  int number = 0;
  WaitUntil(
      [&] {
        number = std::atoi(ReadWholeFile(windowsPath).c_str());
        return number > 0;
      },
      timeoutMs);
  return number;
}

bool RunUnixProgram(const std::string& command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

bool Xdotool(const std::string& arguments) {
  return RunUnixProgram("/usr/bin/xdotool " + arguments);
}

void XdotoolDrag(POINT from, int toX, int steps, const std::function<void()>& whileHeld) {
  const std::string y = " " + std::to_string(from.y);
  Xdotool("mousemove " + std::to_string(from.x) + y + " mousedown 1");
  for (int step = 1; step <= steps; ++step) {
    Xdotool("mousemove " + std::to_string(from.x + (toX - from.x) * step / steps) + y);
    if (steps > 1) Sleep(150);
  }
  if (whileHeld) whileHeld();
  Xdotool("mouseup 1");
}

bool Tinyproxy::Start(const char* name, const std::string& extraConfig) {
  folder_ = MakeScratchFolder(name);
  port = FreePort();
  WriteWholeFile(folder_.windows + "\\tinyproxy.conf",
                 "Port " + std::to_string(port) + "\nListen 127.0.0.1\nAllow 127.0.0.1\n" +
                     "LogFile \"" + folder_.unix + "/requests.log\"\nLogLevel Connect\n" +
                     "MaxClients 20\nTimeout 30\nDisableViaHeader Yes\n" + extraConfig);
  if (!program_.Start("/usr/bin/timeout 300 /usr/bin/tinyproxy -d -c " + folder_.unix +
                      "/tinyproxy.conf")) {
    return false;
  }
  Sleep(500);
  return true;
}

int Tinyproxy::Requests(const char* pathPart) const {
  const std::string log = ReadWholeFile(folder_.windows + "\\requests.log");
  int count = 0;
  for (size_t at = 0; (at = log.find("Request (", at)) != std::string::npos; ++at) {
    if (log.substr(at, log.find('\n', at) - at).find(pathPart) != std::string::npos) ++count;
  }
  return count;
}

namespace {

const char kTestBrowserClass[] = "NewsrailTestBrowser";

HKEY CreateKey(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

// A key with everything below it (RegDeleteTree is newer than the product's Windows).
bool DeleteKeyTree(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  char child[256];
  for (;;) {
    DWORD length = sizeof child;
    if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    if (!DeleteKeyTree(root, path + "\\" + child)) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

void SetDefaultText(HKEY key, const char* text) {
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

}  // namespace

std::vector<std::string> UserKeys() {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(name);
  }
  return names;
}

void PutNavigatorValue(const std::string& user, const char* subKey, const char* name, DWORD type,
                       const std::string& bytes) {
  HKEY key = CreateKey(HKEY_USERS,
                       user + "\\Software\\Netscape\\Netscape Navigator\\" + subKey);
  RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

void RemoveNavigatorSettings() {
  for (const std::string& user : UserKeys()) {
    DeleteKeyTree(HKEY_USERS, user + "\\Software\\Netscape");
  }
}

DefaultBrowser::DefaultBrowser(const char* command) {
  HKEY htm = CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.htm");
  DWORD size = sizeof savedClass_ - 1;
  hadClass_ = RegQueryValueExA(htm, nullptr, nullptr, nullptr,
                               reinterpret_cast<BYTE*>(savedClass_), &size) == ERROR_SUCCESS;
  SetDefaultText(htm, kTestBrowserClass);
  RegCloseKey(htm);
  HKEY open = CreateKey(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\") +
                                                kTestBrowserClass + "\\shell\\open\\command");
  SetDefaultText(open, command);
  RegCloseKey(open);
}

DefaultBrowser::~DefaultBrowser() {
  if (hadClass_) {
    HKEY htm = CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.htm");
    SetDefaultText(htm, savedClass_);
    RegCloseKey(htm);
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\") + kTestBrowserClass);
}

void ChooseStandInLibrary(bool chosen) {
  // Ticker.exe loads the library from the system folder only; the prefix is the test's own.
  char system[MAX_PATH];
  const UINT n = GetSystemDirectoryA(system, MAX_PATH - 16);
  if (chosen && n > 0) CopyInto(HelperPath("ras_standin.dll"), std::string(system) + "\\rasapi32.dll");
  const char* key = "Software\\Wine\\AppDefaults\\Ticker.exe\\DllOverrides";
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  if (chosen) {
    const char value[] = "native,builtin";
    RegSetValueExA(k, "rasapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
  } else {
    RegDeleteValueA(k, "rasapi32");
  }
  RegCloseKey(k);
}
