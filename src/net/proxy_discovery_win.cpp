// Proxy discovery over the real registry.
#include "net/proxy_discovery_win.h"

#include <windows.h>

#include <cstring>
#include <mutex>

#include "desktop/link_rules.h"
#include "desktop/open_url_win.h"

namespace {

HKEY AsHkey(ProxyKey key) { return reinterpret_cast<HKEY>(key); }

class RegistryEnvironment : public ProxyEnvironment {
 public:
  bool Windows95Family() override { return (GetVersion() & 0x80000000u) != 0; }

  bool UserKeyName(uint32_t index, char* name, size_t capacity) override {
    char found[kUserKeyNameSize];
    DWORD length = sizeof found;
    if (RegEnumKeyExA(HKEY_USERS, index, found, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    if (length >= sizeof found || length >= capacity) return false;
    std::memcpy(name, found, length);
    name[length] = '\0';
    return true;
  }

  ProxyKey UsersRoot() override { return reinterpret_cast<ProxyKey>(HKEY_USERS); }

  ProxyKey Open(ProxyKey parent, const char* name) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(AsHkey(parent), name, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    return reinterpret_cast<ProxyKey>(key);
  }

  void Close(ProxyKey key) override { RegCloseKey(AsHkey(key)); }

  bool ReadNumber(ProxyKey key, const char* name, uint32_t* value) override {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(AsHkey(key), name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
      return false;
    }
    *value = data;
    return true;
  }

  bool ReadText(ProxyKey key, const char* name, char* buffer, size_t capacity) override {
    if (capacity == 0) return false;
    // Read aside: a failed or mistyped read must not leave bytes in the caller's buffer, and the
    // stored bytes need not end with a NUL.
    char data[kProxyTextSize + 1];
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(AsHkey(key), name, nullptr, &type, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > sizeof data - 1) {
      return false;
    }
    data[size] = '\0';
    const size_t length = std::strlen(data);
    if (length >= capacity) return false;
    std::memcpy(buffer, data, length + 1);
    return true;
  }

  void BrowserCommand(char* command, size_t capacity) override {
    char found[kBrowserCommandSize] = "";
    GetBrowserCommand(found);
    lstrcpynA(command, found, static_cast<int>(capacity));
  }
};

}  // namespace

bool DiscoverProxy(const char* host, const char* port, char* buffer) {
  RegistryEnvironment registry;
  return DecideProxy(host, port, registry, buffer);
}
