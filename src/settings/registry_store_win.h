// The settings key in the registry: HKEY_LOCAL_MACHINE when it opens with full access, else
// HKEY_CURRENT_USER; one open, query and close per value. A copy installed for one user keeps to
// that user's key, also where the machine's could be written (an administrator's, or under Wine).
#pragma once

#include <windows.h>

#include "settings/install_scope_win.h"
#include "settings/settings_store.h"

class RegistryStore : public KeyValueStore {
 public:
  explicit RegistryStore(const char* keyPath = kSettingsKeyPath,
                         bool userOnly = IsPerUserInstall(nullptr))
      : keyPath_(keyPath), userOnly_(userOnly) {}

  bool ReadNumber(const char* name, uint32_t* value) override;
  bool WriteNumber(const char* name, uint32_t value) override;
  bool ReadText(const char* name, char* buffer, size_t capacity) override;
  bool WriteText(const char* name, const char* text) override;
  bool CreateKey() override;

 private:
  HKEY Open() const;
  const char* keyPath_;
  bool userOnly_;
};

// The process's settings store over the registry key. It lives until the process is gone: a
// refresh worker may still be reading while exit() runs the static destructors.
SettingsStore& Settings();
