// Registry access for the settings store. A value of the wrong type or size reads as missing.
#include "settings/registry_store_win.h"

#include <cstring>

HKEY RegistryStore::Open() const {
  if (holder_.load(std::memory_order_acquire) == GetCurrentThreadId()) return held_;
  HKEY key = nullptr;
  if (!userOnly_ &&
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    return key;
  }
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    return key;
  }
  return nullptr;
}

void RegistryStore::Close(HKEY key) const {
  if (holder_.load(std::memory_order_acquire) != GetCurrentThreadId()) RegCloseKey(key);
}

bool RegistryStore::Hold() {
  const DWORD self = GetCurrentThreadId();
  if (holder_.load(std::memory_order_acquire) != 0) return false;
  HKEY key = Open();
  if (key == nullptr) return false;
  DWORD idle = 0;
  if (!holder_.compare_exchange_strong(idle, self, std::memory_order_acq_rel)) {
    RegCloseKey(key);
    return false;
  }
  held_ = key;
  return true;
}

void RegistryStore::Release() {
  if (holder_.load(std::memory_order_acquire) != GetCurrentThreadId()) return;
  HKEY key = held_;
  held_ = nullptr;
  holder_.store(0, std::memory_order_release);
  RegCloseKey(key);
}

bool RegistryStore::ReadNumber(const char* name, uint32_t* value) {
  HKEY key = Open();
  if (key == nullptr) return false;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  Close(key);
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
  *value = data;
  return true;
}

bool RegistryStore::WriteNumber(const char* name, uint32_t value) {
  HKEY key = Open();
  if (key == nullptr) return false;
  const DWORD data = value;
  const LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                 sizeof data);
  Close(key);
  return rc == ERROR_SUCCESS;
}

bool RegistryStore::ReadText(const char* name, char* buffer, size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  HKEY key = Open();
  if (key == nullptr) return false;
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(capacity);
  const LONG rc =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  Close(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ || size > capacity) {
    buffer[0] = '\0';
    return false;
  }
  // A stored text need not end with a NUL; one that fills the buffer without it does not fit.
  if (size > 0 && buffer[size - 1] == '\0') return true;
  if (size < capacity) {
    buffer[size] = '\0';
    return true;
  }
  buffer[0] = '\0';
  return false;
}

bool RegistryStore::WriteText(const char* name, const char* text) {
  HKEY key = Open();
  if (key == nullptr) return false;
  const LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(std::strlen(text) + 1));
  Close(key);
  return rc == ERROR_SUCCESS;
}

bool RegistryStore::CreateKey() {
  // Under the machine's key where this user may write it, else under the user's own.
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (userOnly_ && root == HKEY_LOCAL_MACHINE) continue;
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyPath_, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegCloseKey(key);
      return true;
    }
  }
  return false;
}

namespace {

RegistryStore& SettingsRegistry() {
  static RegistryStore* registry = new RegistryStore;
  return *registry;
}

}  // namespace

SettingsStore& Settings() {
  static SettingsStore* store = new SettingsStore(SettingsRegistry());
  return *store;
}

HeldSettingsKey::HeldSettingsKey() : held_(SettingsRegistry().Hold()) {}

HeldSettingsKey::~HeldSettingsKey() {
  if (held_) SettingsRegistry().Release();
}
