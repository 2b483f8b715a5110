// Dial-up connection management over "RASAPI32.DLL", loaded only when dialling is asked for, so
// that the ticker runs where the Remote Access Service is not installed.
#include "net/dialup_win.h"

#include <cstring>

#include "net/dialup.h"
#include "net/ras_records_win.h"
#include "res/resource.h"
#include "res/program_resources_win.h"
#include "settings/registry_store_win.h"

namespace {

constexpr DWORD kBufferTooSmall = 603;  // ERROR_BUFFER_TOO_SMALL of the service

// Copies a fixed-size name field that a library may have filled to the brim.
template <size_t N, size_t M>
void CopyName(char (&to)[N], const char (&from)[M]) {
  static_assert(N >= M, "the target holds the whole field");
  std::memcpy(to, from, M);
  to[N - 1] = '\0';
}

class RasEnvironment : public DialupEnvironment {
 public:
  bool HangupSettingOn() override { return Settings().ReadSetting(SettingId::kHangup) != 0; }

  // From the system folder by its full path: a library of that name in the program's folder,
  // the current folder or on the PATH would otherwise be found first.
  bool LoadServiceLibrary() override {
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + sizeof "\\RASAPI32.DLL" > MAX_PATH) return false;
    lstrcatA(path, "\\RASAPI32.DLL");
    library_ = LoadLibraryA(path);
    return library_ != nullptr;
  }

  bool FindDialFunctions() override {
    enumEntries_ = Find<RasEnumEntriesFn>("RasEnumEntriesA");
    getDialParams_ = Find<RasGetEntryDialParamsFn>("RasGetEntryDialParamsA");
    dial_ = Find<RasDialFn>("RasDialA");
    enumConnections_ = Find<RasEnumConnectionsFn>("RasEnumConnectionsA");
    return enumEntries_ && getDialParams_ && dial_ && enumConnections_;
  }

  int32_t CountConnections() override {
    DWORD count = 0;
    const DWORD result = EnumConnections(&count);
    // Too many to list is still connected.
    if (result == kBufferTooSmall) return kDialListRoom + 1;
    return result == 0 ? static_cast<int32_t>(count) : 0;
  }

  void ReadProfile(char (&profile)[kDialProfileSize]) override {
    profile[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "RemoteAccess", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      return;
    }
    DWORD type = 0;
    DWORD size = kDialProfileSize;
    const LONG result = RegQueryValueExA(key, "InternetProfile", nullptr, &type,
                                         reinterpret_cast<BYTE*>(profile), &size);
    RegCloseKey(key);
    // A value of another type, or longer than 259 characters, names no entry. The registry does
    // not promise the terminator of a text value.
    const bool terminated = size > 0 && size <= kDialProfileSize && profile[size - 1] == '\0';
    if (result != ERROR_SUCCESS || type != REG_SZ || (!terminated && size >= kDialProfileSize)) {
      profile[0] = '\0';
      return;
    }
    if (!terminated) profile[size] = '\0';
  }

  int32_t ListEntries(char (*names)[kDialEntryNameSize]) override {
    RasEntryNameRecord entries[kDialListRoom] = {};
    entries[0].dwSize = sizeof(RasEntryNameRecord);
    DWORD bytes = sizeof entries;
    DWORD count = 0;
    if (enumEntries_(nullptr, nullptr, entries, &bytes, &count) != 0) return 0;
    if (count > static_cast<DWORD>(kDialListRoom)) count = kDialListRoom;
    for (DWORD i = 0; i < count; ++i) CopyName(names[i], entries[i].szEntryName);
    return static_cast<int32_t>(count);
  }

  void ShowDialingStatus(const char* profile) override {
    if (host_ == nullptr) return;
    char caption[kProgramTextSize];
    char message[kProgramTextSize + kDialProfileSize];
    LoadProgramText(IDS_DIALING_CAPTION, caption, sizeof caption);
    LoadProgramText(IDS_DIALING_PREFIX, message, kProgramTextSize);
    const size_t n = std::strlen(message);
    lstrcpynA(message + n, profile, static_cast<int>(sizeof message - n));
    host_->ShowDialingStatus(caption, message);
  }

  bool Dial(const char* entryName) override {
    RasDialParamsRecord params = {};
    params.dwSize = sizeof params;
    lstrcpynA(params.szEntryName, entryName, sizeof params.szEntryName);
    // The empty phone number makes the service use the entry's own.
    params.szPhoneNumber[0] = '\0';
    BOOL hasPassword = FALSE;
    getDialParams_(nullptr, &params, &hasPassword);
    RasConnectionHandle connection = nullptr;
    const DWORD result = dial_(nullptr, nullptr, &params, 0, nullptr, &connection);
    SecureZeroMemory(params.szPassword, sizeof params.szPassword);
    dialled_ = nullptr;
    if (result == 0 && connection != nullptr) {
      dialled_ = connection;
      return true;
    }
    // A failed dial may still have given a handle, which holds the port until it is hung up.
    hangUp_ = Find<RasHangUpFn>("RasHangUpA");
    if (connection != nullptr && hangUp_ != nullptr) hangUp_(connection);
    return false;
  }

  void SetHost(DialupHost* host) { host_ = host; }

  bool FindHangUpFunctions() override {
    hangUp_ = Find<RasHangUpFn>("RasHangUpA");
    return hangUp_ != nullptr;
  }

  void HangUpDialled() override {
    if (dialled_ != nullptr) hangUp_(dialled_);
    dialled_ = nullptr;
  }

  void UnloadServiceLibrary() override {
    if (library_ != nullptr) FreeLibrary(library_);
    library_ = nullptr;
  }

 private:
  template <typename Fn>
  Fn Find(const char* name) {
    if (library_ == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
  }

  DWORD EnumConnections(DWORD* count) {
    RasConnectionRecord connections[kDialListRoom] = {};
    return EnumConnections(connections, count);
  }

  DWORD EnumConnections(RasConnectionRecord (&connections)[kDialListRoom], DWORD* count) {
    connections[0].dwSize = sizeof(RasConnectionRecord);
    DWORD bytes = sizeof connections;
    *count = 0;
    const DWORD result = enumConnections_(connections, &bytes, count);
    if (*count > static_cast<DWORD>(kDialListRoom)) *count = kDialListRoom;
    return result;
  }

  DialupHost* host_ = nullptr;
  HMODULE library_ = nullptr;
  RasEnumEntriesFn enumEntries_ = nullptr;
  RasGetEntryDialParamsFn getDialParams_ = nullptr;
  RasDialFn dial_ = nullptr;
  RasEnumConnectionsFn enumConnections_ = nullptr;
  RasHangUpFn hangUp_ = nullptr;
  RasConnectionHandle dialled_ = nullptr;  // the connection this program made
};

// One of each for the process; only the refresh worker uses them, inside the refresh lock.
RasEnvironment& Environment() {
  static RasEnvironment environment;
  return environment;
}

DialupSession& Session() {
  static DialupSession session;
  return session;
}

}  // namespace

void DialIfNeeded(DialupHost& host) {
  RasEnvironment& environment = Environment();
  environment.SetHost(&host);
  Session().DialIfNeeded(environment, host.FirstCycle());
  environment.SetHost(nullptr);
}

void HangUpIfDialled() { Session().HangUpIfDialled(Environment()); }
