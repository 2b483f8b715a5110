// Paths are compared in their long form and upper case, so that a program started through a
// short 8.3 name or with its folder typed in another case is still known for what it is.
#include "settings/install_scope_win.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "settings/install_scope.h"

namespace {

// The long, upper-case form of a path as UTF-8; false when it cannot be had.
bool Normalise(const wchar_t* path, char* out, int capacity) {
  wchar_t longPath[MAX_PATH];
  const DWORD length = GetLongPathNameW(path, longPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  CharUpperBuffW(longPath, length);
  return WideCharToMultiByte(CP_UTF8, 0, longPath, -1, out, capacity, nullptr, nullptr) > 0;
}

// The user's local application data folder. Where the environment names it (Windows Vista on,
// and Wine) that answer is taken: asking the shell loads its libraries, which cost the start-up
// several milliseconds before the settings key can be chosen. The folder cannot be redirected by
// policy, so both answers agree.
bool LocalAppDataFolder(wchar_t (&folder)[MAX_PATH]) {
  const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return true;
  return SUCCEEDED(
      SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder));
}

// The same in the program's code page, made when it is missing.
bool LocalAppDataFolderA(char (&folder)[MAX_PATH]) {
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", folder, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    return CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  }
  return SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                    SHGFP_TYPE_CURRENT, folder));
}

}  // namespace

bool IsPerUserInstall(HMODULE module) {
  wchar_t file[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, file, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  wchar_t data[MAX_PATH];
  if (!LocalAppDataFolder(data)) return false;
  char modulePath[3 * MAX_PATH];
  char dataPath[3 * MAX_PATH];
  return Normalise(file, modulePath, sizeof modulePath) &&
         Normalise(data, dataPath, sizeof dataPath) && IsWithinFolder(modulePath, dataPath);
}

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Newsrail";

bool ReadInstallLocation(char* location, DWORD capacity) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = capacity - 1;
  const bool read = RegQueryValueExA(key, "InstallLocation", nullptr, &type,
                                     reinterpret_cast<BYTE*>(location), &size) == ERROR_SUCCESS &&
                    (type == REG_SZ || type == REG_EXPAND_SZ);
  RegCloseKey(key);
  if (!read) return false;
  location[size < capacity ? size : capacity - 1] = '\0';  // the value may lack its terminator
  return true;
}

bool FindAllUsersInstall() {
  char location[MAX_PATH + 1];
  char program[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length >= sizeof program || !ReadInstallLocation(location, sizeof location)) {
    return false;
  }
  char* slash = std::strrchr(program, '\\');
  if (slash == nullptr) return false;
  *slash = '\0';
  return IsWithinFolder(program, location) && IsWithinFolder(location, program);
}

}  // namespace

bool IsAllUsersInstall() {
  // The program does not move while it runs; read once.
  static const bool allUsers = FindAllUsersInstall();
  return allUsers;
}

bool DataFilePath(const char* name, char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  char folder[MAX_PATH];
  if (IsAllUsersInstall()) {
    if (!LocalAppDataFolderA(folder) || std::strlen(folder) + 10 >= sizeof folder) {
      return false;
    }
    std::strcat(folder, "\\Newsrail");
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    std::strcat(folder, "\\");
  } else {
    const DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return false;
    char* slash = std::strrchr(folder, '\\');
    if (slash == nullptr) return false;
    slash[1] = '\0';
  }
  const int written = std::snprintf(buffer, capacity, "%s%s", folder, name);
  if (written < 0 || static_cast<size_t>(written) >= capacity) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}
