// Support for the end-to-end tests.
#include "e2e/e2e_support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "win32/window_probe.h"

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

std::string Argument(const char* prefix) {
  const size_t n = std::strlen(prefix);
  for (int i = 1; i < __argc; ++i) {
    if (std::strncmp(__argv[i], prefix, n) == 0) return WindowsPath(__argv[i] + n);
  }
  return "";
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
  for (int round = 0; round < 3; ++round) {
    for (HWND frame : others()) PostMessageA(frame, WM_CLOSE, 0, 0);
    WaitUntil([&] { return others().empty(); }, 3000);
  }
  for (PROCESS_INFORMATION& p : Started()) {
    if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p.hProcess, 9);
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

HWND FindTickerFrame() {
  HWND frame = FindWindowA("SSBar", "MyVexlo! Newsrail");
  if (frame == nullptr || FindWindowExA(frame, nullptr, "Ticker", nullptr) == nullptr) {
    return nullptr;
  }
  return frame;
}

std::vector<HWND> TopLevelWindows(const char* className) {
  std::vector<HWND> windows;
  for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w != nullptr;
       w = FindWindowExA(nullptr, w, className, nullptr)) {
    windows.push_back(w);
  }
  return windows;
}

DWORD WaitForExit(const PROCESS_INFORMATION& process, DWORD timeoutMs) {
  if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}
