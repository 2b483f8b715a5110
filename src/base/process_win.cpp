// Message pumping, window search across desktops and the program's folder.
#include "base/process_win.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) break;
    // Wake for the next message or the end of the time, rather than spinning on the processor.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

void AnswerSentMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    // Peeking answers the sent messages; PM_NOREMOVE leaves whatever it finds in the queue.
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_SENDMESSAGE);
  }
}

namespace {

struct DesktopSearch {
  const char* className;
  HWND found;
  char ownDesktop[64];  // the calling thread's desktop, or empty when its name is not known
};

BOOL CALLBACK MatchWindowClass(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DesktopSearch*>(context);
  char name[201];
  if (GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, search->className) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK SearchDesktop(LPSTR desktopName, LPARAM context) {
  auto* search = reinterpret_cast<DesktopSearch*>(context);
  // The thread's own desktop answers in one look-up by class, where enumerating asks the class
  // of every window on it; the housekeeping tick runs two such searches every second.
  if (search->ownDesktop[0] != '\0' && lstrcmpiA(desktopName, search->ownDesktop) == 0) {
    search->found = FindWindowA(search->className, nullptr);
    return search->found == nullptr;
  }
  const ACCESS_MASK access = DESKTOP_READOBJECTS | DESKTOP_CREATEWINDOW | DESKTOP_CREATEMENU |
                             DESKTOP_ENUMERATE | DESKTOP_WRITEOBJECTS | DESKTOP_SWITCHDESKTOP;
  HDESK desktop = OpenDesktopA(desktopName, DF_ALLOWOTHERACCOUNTHOOK, TRUE, access);
  if (desktop == nullptr) return TRUE;
  EnumDesktopWindows(desktop, MatchWindowClass, context);
  if (search->found != nullptr) SetThreadDesktop(desktop);
  CloseDesktop(desktop);
  return search->found == nullptr;
}

}  // namespace

HWND FindWindowOnAnyDesktop(const char* className) {
  DesktopSearch search{className, nullptr, ""};
  DWORD needed = 0;
  if (!GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME,
                                 search.ownDesktop, sizeof search.ownDesktop, &needed)) {
    search.ownDesktop[0] = '\0';
  }
  EnumDesktopsA(GetProcessWindowStation(), SearchDesktop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsWin95Family() { return (GetVersion() & 0x80000000u) != 0; }

void GetProgramPath(char* path, size_t capacity) {
  DWORD n = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(capacity));
  if (n >= capacity) n = static_cast<DWORD>(capacity - 1);
  path[n] = '\0';
}

void GetProgramDirectory(char* directory, size_t capacity) {
  GetProgramPath(directory, capacity);
  char* slash = std::strrchr(directory, '\\');
  if (slash != nullptr) {
    slash[1] = '\0';
  } else {
    directory[0] = '\0';
  }
}

bool ProgramFilePath(const char* fileName, char* buffer, size_t capacity) {
  char directory[MAX_PATH];
  GetProgramDirectory(directory, sizeof directory);
  const size_t d = std::strlen(directory);
  const size_t f = std::strlen(fileName);
  if (d + f + 1 > capacity) {
    if (capacity > 0) buffer[0] = '\0';
    return false;
  }
  std::memcpy(buffer, directory, d);
  std::memcpy(buffer + d, fileName, f + 1);
  return true;
}

bool ReplaceFileWith(const char* path, const char* bytes, size_t count) {
  char aside[MAX_PATH + 4];
  if (std::snprintf(aside, sizeof aside, "%s.new", path) >= static_cast<int>(sizeof aside)) {
    return false;
  }
  std::FILE* file = std::fopen(aside, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes, 1, count, file) == count;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed ||
      !MoveFileExA(aside, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(aside);
    return false;
  }
  return true;
}

bool StartProgramAt(const char* path, const char* arguments) {
  char command[MAX_PATH + 64];
  if (path == nullptr || arguments == nullptr ||
      std::snprintf(command, sizeof command, "\"%s\" %s", path, arguments) >=
          static_cast<int>(sizeof command)) {
    return false;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(path, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool WindowHasClass(HWND window, const char* className) {
  char name[101];
  return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, className) == 0;
}

void EndProcess(int exitCode) {
  static std::atomic<int> ending{0};
  // A second exit() from inside the first one's at-exit work would be undefined behaviour.
  if (ending.exchange(1) != 0) ExitProcess(static_cast<UINT>(exitCode));
  std::exit(exitCode);
}

void ReadSponsorKey(const char* key, const char* fallback, char* out, size_t capacity) {
  if (capacity == 0) return;
  char ini[MAX_PATH];
  if (!ProgramFilePath("sponsor.ini", ini, sizeof ini)) {
    lstrcpynA(out, fallback, static_cast<int>(capacity));
    return;
  }
  GetPrivateProfileStringA("Sponsor", key, fallback, out, static_cast<DWORD>(capacity), ini);
}
