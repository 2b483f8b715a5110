// A stand-in for "RASAPI32.DLL" (Wine's reports no entries and no connections). The test copies it
// beside Ticker.exe as "rasapi32.dll" and starts the ticker with WINEDLLOVERRIDES=rasapi32=n,b.
// It reads what to report from "ras-standin.txt" beside itself:
//   connections N          active connections the user already has
//   entry NAME|USER|PASS   a phonebook entry with its stored credentials (up to 20)
//   hold 1                 RasDialA waits until "ras-release.txt" appears, then deletes it
// and appends every call, with the record sizes it was given, to "ras-calls.txt" beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "feed/ras_records_win.h"

namespace {

// The published sizes, written out rather than taken from the product's header.
constexpr DWORD kConnectionSize = sizeof(void*) == 4 ? 412 : 424;
constexpr DWORD kEntryNameSize = 264;
constexpr DWORD kDialParamsSize = 1052;
constexpr DWORD kInvalidSize = 632;       // ERROR_INVALID_SIZE
constexpr DWORD kBufferTooSmall = 603;    // ERROR_BUFFER_TOO_SMALL
constexpr DWORD kNoSuchEntry = 623;       // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
constexpr DWORD kInvalidHandle = 6;

struct Entry {
  std::string name, user, password;
};

HMODULE g_module = nullptr;
std::string g_folder;
int g_connections = 0;
bool g_hold = false;
std::vector<Entry> g_entries;
RasConnectionHandle g_dialled = nullptr;

void Log(const std::string& line) {
  if (FILE* f = std::fopen((g_folder + "ras-calls.txt").c_str(), "ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

void ReadConfiguration() {
  char path[MAX_PATH];
  GetModuleFileNameA(g_module, path, MAX_PATH);
  g_folder = path;
  g_folder.erase(g_folder.find_last_of('\\') + 1);
  FILE* f = std::fopen((g_folder + "ras-standin.txt").c_str(), "rb");
  if (f == nullptr) return;
  char line[1024];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    if (s.rfind("connections ", 0) == 0) g_connections = std::atoi(s.c_str() + 12);
    if (s.rfind("hold ", 0) == 0) g_hold = std::atoi(s.c_str() + 5) != 0;
    if (s.rfind("entry ", 0) == 0 && g_entries.size() < 20) {
      const std::string rest = s.substr(6);
      const size_t a = rest.find('|');
      const size_t b = rest.find('|', a + 1);
      if (b != std::string::npos) {
        g_entries.push_back({rest.substr(0, a), rest.substr(a + 1, b - a - 1), rest.substr(b + 1)});
      }
    }
  }
  std::fclose(f);
}

int ActiveConnections() { return g_connections + (g_dialled != nullptr ? 1 : 0); }

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI RasEnumConnectionsA(RasConnectionRecord* records, DWORD* bytes,
                                                       DWORD* count) {
  Log("RasEnumConnectionsA size=" + std::to_string(records != nullptr ? records->dwSize : 0));
  if (records == nullptr || bytes == nullptr || count == nullptr) return kInvalidSize;
  if (records->dwSize != kConnectionSize) return kInvalidSize;
  const DWORD n = static_cast<DWORD>(ActiveConnections());
  *count = n;
  if (*bytes < n * kConnectionSize) {
    *bytes = n * kConnectionSize;
    return kBufferTooSmall;
  }
  for (DWORD i = 0; i < n; ++i) {
    std::memset(&records[i], 0, sizeof records[i]);
    records[i].dwSize = kConnectionSize;
    // The ticker's own connection is listed first, as the service lists the newest first.
    const bool own = g_dialled != nullptr && i == 0;
    records[i].hrasconn = own ? g_dialled : reinterpret_cast<RasConnectionHandle>(0x100 + i);
    std::strcpy(records[i].szEntryName, own ? "dialled" : "existing");
  }
  return 0;
}

__declspec(dllexport) DWORD WINAPI RasEnumEntriesA(const char*, const char* phonebook,
                                                   RasEntryNameRecord* records, DWORD* bytes,
                                                   DWORD* count) {
  Log("RasEnumEntriesA size=" + std::to_string(records != nullptr ? records->dwSize : 0) +
      " phonebook=" + (phonebook != nullptr ? phonebook : "(default)"));
  if (records == nullptr || bytes == nullptr || count == nullptr) return kInvalidSize;
  if (records->dwSize != kEntryNameSize) return kInvalidSize;
  const DWORD n = static_cast<DWORD>(g_entries.size());
  *count = n;
  if (*bytes < n * kEntryNameSize) {
    *bytes = n * kEntryNameSize;
    return kBufferTooSmall;
  }
  for (DWORD i = 0; i < n; ++i) {
    records[i].dwSize = kEntryNameSize;
    lstrcpynA(records[i].szEntryName, g_entries[i].name.c_str(), sizeof records[i].szEntryName);
  }
  return 0;
}

__declspec(dllexport) DWORD WINAPI RasGetEntryDialParamsA(const char*, RasDialParamsRecord* params,
                                                          BOOL* hasPassword) {
  if (params == nullptr) return kInvalidSize;
  Log("RasGetEntryDialParamsA size=" + std::to_string(params->dwSize) + " entry=" +
      std::string(params->szEntryName, strnlen(params->szEntryName, sizeof params->szEntryName)));
  if (params->dwSize != kDialParamsSize) return kInvalidSize;
  for (const Entry& e : g_entries) {
    if (lstrcmpiA(e.name.c_str(), params->szEntryName) == 0) {
      lstrcpynA(params->szUserName, e.user.c_str(), sizeof params->szUserName);
      lstrcpynA(params->szPassword, e.password.c_str(), sizeof params->szPassword);
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
  Log("RasDialA size=" + std::to_string(params->dwSize) + " entry=" + params->szEntryName +
      " phone=" + params->szPhoneNumber + " user=" + params->szUserName + " password=" +
      params->szPassword + " blocking=" +
      (extensions == nullptr && phonebook == nullptr && notifierType == 0 && notifier == nullptr
           ? "yes"
           : "no"));
  if (g_hold) {
    const std::string release = g_folder + "ras-release.txt";
    for (int i = 0; i < 600 && GetFileAttributesA(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
      Sleep(50);
    }
    DeleteFileA(release.c_str());
  }
  g_dialled = reinterpret_cast<RasConnectionHandle>(0x7001);
  *connection = g_dialled;
  return 0;
}

__declspec(dllexport) DWORD WINAPI RasHangUpA(RasConnectionHandle connection) {
  const bool own = connection != nullptr && connection == g_dialled;
  Log(std::string("RasHangUpA ") + (own ? "dialled" : "other"));
  if (!own) return kInvalidHandle;
  g_dialled = nullptr;
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    ReadConfiguration();
    Log("load");
  } else if (reason == DLL_PROCESS_DETACH) {
    // Without `reserved` the library is being freed; with it, the process is ending.
    Log(reserved == nullptr ? "unload" : "process end");
  }
  return TRUE;
}

}  // extern "C"
