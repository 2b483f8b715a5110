// A stand-in for "RASAPI32.DLL" (Wine's reports no entries and no connections). The test copies it
// over the system folder's "rasapi32.dll" of its prefix and lets Ticker.exe prefer it to Wine's
// own (a DLL override). It reads what to report from "ras-standin.txt" beside the program that
// loads it:
//   connections N          active connections the user already has
//   entry NAME|USER|PASS   a phonebook entry with its stored credentials (up to 20)
//   hold 1                 RasDialA waits until "ras-release.txt" appears, then deletes it
//   fail 1                 RasDialA fails, after giving a handle
// and appends every call, with the record sizes it was given, to "ras-calls.txt" there. A copy
// loaded from anywhere but the system folder says so in its first line.
#include <windows.h>

#include "net/ras_records_win.h"

// Plain Win32 only, with fixed buffers: the loader calls DllMain with its lock held, where the C
// runtime's files and locks are not safe to use.
namespace {

// The published sizes, written out rather than taken from the product's header.
constexpr DWORD kConnectionSize = sizeof(void*) == 4 ? 412 : 424;
constexpr DWORD kEntryNameSize = 264;
constexpr DWORD kDialParamsSize = 1052;
constexpr DWORD kInvalidSize = 632;     // ERROR_INVALID_SIZE
constexpr DWORD kBufferTooSmall = 603;  // ERROR_BUFFER_TOO_SMALL
constexpr DWORD kNoSuchEntry = 623;     // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
constexpr DWORD kInvalidHandle = 6;
constexpr int kMaxEntries = 20;

struct Entry {
  char name[257], user[257], password[257];
};

char g_folder[MAX_PATH];
int g_connections = 0;
bool g_hold = false;
bool g_fail = false;
Entry g_entries[kMaxEntries];
int g_entryCount = 0;
RasConnectionHandle g_dialled = nullptr;

void FolderFile(const char* name, char* path) {
  lstrcpynA(path, g_folder, MAX_PATH);
  lstrcatA(path, name);
}

void Log(const char* line) {
  char path[MAX_PATH];
  FolderFile("ras-calls.txt", path);
  HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
  WriteFile(f, "\n", 1, &written, nullptr);
  CloseHandle(f);
}

// Copies the text up to the separator (or the end of the line) and moves past it.
const char* TakeField(const char* from, char separator, char* to, int capacity) {
  int n = 0;
  while (*from != '\0' && *from != separator && *from != '\r' && *from != '\n') {
    if (n < capacity - 1) to[n++] = *from;
    ++from;
  }
  to[n] = '\0';
  return *from == separator ? from + 1 : from;
}

bool StartsWith(const char* line, const char* prefix) {
  const int n = lstrlenA(prefix);
  return CompareStringA(LOCALE_INVARIANT, 0, line, n, prefix, n) == CSTR_EQUAL;
}

// The folder of a module's file, up to and including its last backslash.
void ModuleFolder(HMODULE module, char* folder) {
  GetModuleFileNameA(module, folder, MAX_PATH);
  char* slash = folder;
  for (char* c = folder; *c != '\0'; ++c) {
    if (*c == '\\') slash = c + 1;
  }
  *slash = '\0';
}

// Whether this library was loaded from the system folder.
bool LoadedFromSystemFolder(HMODULE module) {
  char own[MAX_PATH];
  char system[MAX_PATH];
  ModuleFolder(module, own);
  const UINT n = GetSystemDirectoryA(system, MAX_PATH - 1);
  lstrcpyA(system + n, "\\");
  return lstrcmpiA(own, system) == 0;
}

void ReadConfiguration() {
  ModuleFolder(nullptr, g_folder);
  char path[MAX_PATH];
  FolderFile("ras-standin.txt", path);
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  static char text[8192];
  DWORD got = 0;
  ReadFile(f, text, sizeof text - 1, &got, nullptr);
  CloseHandle(f);
  text[got] = '\0';
  for (const char* line = text; *line != '\0';) {
    char number[16];
    if (StartsWith(line, "connections ")) {
      TakeField(line + 12, '\n', number, sizeof number);
      g_connections = number[0] - '0';
    } else if (StartsWith(line, "hold ")) {
      TakeField(line + 5, '\n', number, sizeof number);
      g_hold = number[0] == '1';
    } else if (StartsWith(line, "fail ")) {
      TakeField(line + 5, '\n', number, sizeof number);
      g_fail = number[0] == '1';
    } else if (StartsWith(line, "entry ") && g_entryCount < kMaxEntries) {
      Entry& e = g_entries[g_entryCount++];
      const char* p = TakeField(line + 6, '|', e.name, sizeof e.name);
      p = TakeField(p, '|', e.user, sizeof e.user);
      TakeField(p, '\n', e.password, sizeof e.password);
    }
    while (*line != '\0' && *line != '\n') ++line;
    if (*line == '\n') ++line;
  }
}

int ActiveConnections() { return g_connections + (g_dialled != nullptr ? 1 : 0); }

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI RasEnumConnectionsA(RasConnectionRecord* records, DWORD* bytes,
                                                       DWORD* count) {
  char line[64];
  wsprintfA(line, "RasEnumConnectionsA size=%lu", records != nullptr ? records->dwSize : 0ul);
  Log(line);
  if (records == nullptr || bytes == nullptr || count == nullptr) return kInvalidSize;
  if (records->dwSize != kConnectionSize) return kInvalidSize;
  const DWORD n = static_cast<DWORD>(ActiveConnections());
  *count = n;
  if (*bytes < n * kConnectionSize) {
    *bytes = n * kConnectionSize;
    return kBufferTooSmall;
  }
  for (DWORD i = 0; i < n; ++i) {
    ZeroMemory(&records[i], sizeof records[i]);
    records[i].dwSize = kConnectionSize;
    // The ticker's own connection is listed first, as the service lists the newest first.
    const bool own = g_dialled != nullptr && i == 0;
    records[i].hrasconn = own ? g_dialled : reinterpret_cast<RasConnectionHandle>(0x100 + i);
    lstrcpyA(records[i].szEntryName, own ? "dialled" : "existing");
  }
  return 0;
}

__declspec(dllexport) DWORD WINAPI RasEnumEntriesA(const char*, const char* phonebook,
                                                   RasEntryNameRecord* records, DWORD* bytes,
                                                   DWORD* count) {
  char line[MAX_PATH + 64];
  wsprintfA(line, "RasEnumEntriesA size=%lu phonebook=%s",
            records != nullptr ? records->dwSize : 0ul,
            phonebook != nullptr ? phonebook : "(default)");
  Log(line);
  if (records == nullptr || bytes == nullptr || count == nullptr) return kInvalidSize;
  if (records->dwSize != kEntryNameSize) return kInvalidSize;
  const DWORD n = static_cast<DWORD>(g_entryCount);
  *count = n;
  if (*bytes < n * kEntryNameSize) {
    *bytes = n * kEntryNameSize;
    return kBufferTooSmall;
  }
  for (DWORD i = 0; i < n; ++i) {
    records[i].dwSize = kEntryNameSize;
    lstrcpynA(records[i].szEntryName, g_entries[i].name, sizeof records[i].szEntryName);
  }
  return 0;
}

__declspec(dllexport) DWORD WINAPI RasGetEntryDialParamsA(const char*, RasDialParamsRecord* params,
                                                          BOOL* hasPassword) {
  if (params == nullptr) return kInvalidSize;
  char name[sizeof params->szEntryName];
  lstrcpynA(name, params->szEntryName, sizeof name);
  char line[sizeof name + 64];
  wsprintfA(line, "RasGetEntryDialParamsA size=%lu entry=%s", params->dwSize, name);
  Log(line);
  if (params->dwSize != kDialParamsSize) return kInvalidSize;
  for (int i = 0; i < g_entryCount; ++i) {
    if (lstrcmpiA(g_entries[i].name, name) == 0) {
      lstrcpynA(params->szUserName, g_entries[i].user, sizeof params->szUserName);
      lstrcpynA(params->szPassword, g_entries[i].password, sizeof params->szPassword);
      if (hasPassword != nullptr) *hasPassword = TRUE;
      return 0;
    }
  }
  return kNoSuchEntry;
}

__declspec(dllexport) DWORD WINAPI RasDialA(void* extensions, const char* phonebook,
                                            RasDialParamsRecord* params, DWORD notifierType,
                                            void* notifier, RasConnectionHandle* connection) {
  if (params == nullptr || connection == nullptr) return kInvalidSize;
  RasDialParamsRecord p = *params;
  p.szEntryName[sizeof p.szEntryName - 1] = '\0';
  p.szPhoneNumber[sizeof p.szPhoneNumber - 1] = '\0';
  p.szUserName[sizeof p.szUserName - 1] = '\0';
  p.szPassword[sizeof p.szPassword - 1] = '\0';
  const bool blocking =
      extensions == nullptr && phonebook == nullptr && notifierType == 0 && notifier == nullptr;
  static char line[2048];
  wsprintfA(line, "RasDialA size=%lu entry=%s phone=%s user=%s password=%s blocking=%s",
            p.dwSize, p.szEntryName, p.szPhoneNumber, p.szUserName, p.szPassword,
            blocking ? "yes" : "no");
  Log(line);
  if (g_hold) {
    char release[MAX_PATH];
    FolderFile("ras-release.txt", release);
    for (int i = 0; i < 600 && GetFileAttributesA(release) == INVALID_FILE_ATTRIBUTES; ++i) {
      Sleep(50);
    }
    DeleteFileA(release);
  }
  g_dialled = reinterpret_cast<RasConnectionHandle>(0x7001);
  *connection = g_dialled;
  constexpr DWORD kNoAnswer = 678;  // ERROR_NO_ANSWER
  return g_fail ? kNoAnswer : 0;
}

__declspec(dllexport) DWORD WINAPI RasHangUpA(RasConnectionHandle connection) {
  const bool own = connection != nullptr && connection == g_dialled;
  Log(own ? "RasHangUpA dialled" : "RasHangUpA other");
  if (!own) return kInvalidHandle;
  g_dialled = nullptr;
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    ReadConfiguration();
    Log(LoadedFromSystemFolder(module) ? "load" : "load from outside the system folder");
  } else if (reason == DLL_PROCESS_DETACH) {
    // Without `reserved` the library is being freed; with it, the process is ending.
    Log(reserved == nullptr ? "unload" : "process end");
  }
  return TRUE;
}

}  // extern "C"
