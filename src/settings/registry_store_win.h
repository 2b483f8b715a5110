// The settings key in the registry: HKEY_LOCAL_MACHINE when it opens with full access, else
// HKEY_CURRENT_USER; one open, query and close per value, unless the calling thread holds the key
// open (HeldSettingsKey). A copy installed for one user keeps to that user's key, also where the
// machine's could be written (an administrator's, or under Wine).
#pragma once

#include <windows.h>

#include <atomic>

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

  // Opens the key for the calling thread's reads and writes until Release. False (and nothing
  // to release) when another thread holds it, this one already does, or the key cannot be opened.
  bool Hold();
  void Release();

 private:
  HKEY Open() const;
  // Closes what Open gave, unless it is the held handle.
  void Close(HKEY key) const;
  const char* keyPath_;
  bool userOnly_;
  std::atomic<DWORD> holder_{0};  // the thread that holds the key, or 0
  HKEY held_ = nullptr;           // touched by the holding thread only
};

// Holds the settings key open for the calling thread while it lives: a run of settings reads
// costs one open of the key instead of one per value. Values stay live: every read still asks the
// registry. Other threads open the key per value as before.
class HeldSettingsKey {
 public:
  HeldSettingsKey();
  ~HeldSettingsKey();
  HeldSettingsKey(const HeldSettingsKey&) = delete;
  HeldSettingsKey& operator=(const HeldSettingsKey&) = delete;

 private:
  bool held_;
};

// The process's settings store over the registry key. It lives until the process is gone: a
// refresh worker may still be reading while exit() runs the static destructors.
SettingsStore& Settings();
