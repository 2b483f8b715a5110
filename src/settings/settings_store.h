// The settings store: typed reads and writes over a small key-value interface. The registry is the
// Windows implementation; MemoryStore serves the unit tests. No caching: callers keep copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "settings/settings_table.h"

// One key of values. Every call opens and closes what it needs; failures are reported as false and
// never leave partial data in the caller's buffer.
class KeyValueStore {
 public:
  virtual ~KeyValueStore() = default;
  // False when the value is missing, is not a 32-bit number, or cannot be read.
  virtual bool ReadNumber(const char* name, uint32_t* value) = 0;
  virtual bool WriteNumber(const char* name, uint32_t value) = 0;
  // Fills buffer with a NUL-terminated text of at most capacity-1 bytes. False (and the buffer
  // left empty) when the value is missing, is not a text, or does not fit.
  virtual bool ReadText(const char* name, char* buffer, size_t capacity) = 0;
  virtual bool WriteText(const char* name, const char* text) = 0;
  // Creates the key where it can be created; the store otherwise only opens it.
  virtual bool CreateKey() = 0;
};

class SettingsStore {
 public:
  explicit SettingsStore(KeyValueStore& store) : store_(store) {}

  int32_t ReadSetting(SettingId id);
  void WriteSetting(SettingId id, int32_t value);

  uint32_t ReadColorSetting(ColorId id);
  void WriteColorSetting(ColorId id, uint32_t color);

  int32_t ReadNumberValue(const char* name);
  void WriteNumberValue(const char* name, int32_t value);

  // buffer must hold kTextValueSize bytes; a missing value reads as the empty text.
  void ReadTextValue(const char* name, char* buffer);
  // Texts longer than 99 characters are stored cut.
  void WriteTextValue(const char* name, const char* text);

  // buffer must hold kSymbolListSize bytes; the default list when the value cannot be read.
  void LoadStockSymbols(char* buffer);
  void SaveStockSymbols(const char* symbols);

  void CreateSettingsKey() { store_.CreateKey(); }

  KeyValueStore& backend() { return store_; }

 private:
  KeyValueStore& store_;
};

// In memory: the tests' store, with failures that can be switched on.
class MemoryStore : public KeyValueStore {
 public:
  bool ReadNumber(const char* name, uint32_t* value) override;
  bool WriteNumber(const char* name, uint32_t value) override;
  bool ReadText(const char* name, char* buffer, size_t capacity) override;
  bool WriteText(const char* name, const char* text) override;
  bool CreateKey() override;

  // Stores raw bytes of any kind, as a hand-edited registry might hold them.
  void PutRaw(const std::string& name, int kind, const std::string& bytes);
  bool Has(const std::string& name) const;
  size_t size() const { return values_.size(); }

  bool failReads = false;
  bool failWrites = false;
  bool keyCreated = false;
  // Every read and write in order, as "R name" / "W name".
  std::vector<std::string> log;

  enum Kind { kNumber = 4, kText = 1, kBinary = 3 };

 private:
  struct Value {
    int kind;
    std::string bytes;
  };
  // Value names compare without regard to case, as in the registry.
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, Value, NoCase> values_;
};
