// Typed settings over a key-value store, and the in-memory store of the tests.
#include "settings/settings_store.h"

#include <cstring>

namespace {

void CopyCut(char* buffer, size_t capacity, const char* text) {
  size_t n = 0;
  while (n + 1 < capacity && text[n] != '\0') ++n;
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}

}  // namespace

int32_t SettingsStore::ReadSetting(SettingId id) {
  const SettingInfo& info = Describe(id);
  uint32_t value = info.defaultValue;
  if (!store_.ReadNumber(info.name, &value)) value = info.defaultValue;
  return static_cast<int32_t>(value);
}

void SettingsStore::WriteSetting(SettingId id, int32_t value) {
  store_.WriteNumber(Describe(id).name, static_cast<uint32_t>(value));
}

uint32_t SettingsStore::ReadColorSetting(ColorId id) {
  const ColorInfo& info = Describe(id);
  uint32_t value = info.defaultValue;
  if (!store_.ReadNumber(info.name, &value)) value = info.defaultValue;
  return value;
}

void SettingsStore::WriteColorSetting(ColorId id, uint32_t color) {
  store_.WriteNumber(Describe(id).name, color);
}

int32_t SettingsStore::ReadNumberValue(const char* name) {
  uint32_t value = 0;
  if (!store_.ReadNumber(name, &value)) value = 0;
  return static_cast<int32_t>(value);
}

void SettingsStore::WriteNumberValue(const char* name, int32_t value) {
  store_.WriteNumber(name, static_cast<uint32_t>(value));
}

void SettingsStore::ReadTextValue(const char* name, char* buffer) {
  if (!store_.ReadText(name, buffer, kTextValueSize)) buffer[0] = '\0';
}

void SettingsStore::WriteTextValue(const char* name, const char* text) {
  char cut[kTextValueSize];
  CopyCut(cut, sizeof cut, text != nullptr ? text : "");
  store_.WriteText(name, cut);
}

void SettingsStore::LoadStockSymbols(char* buffer) {
  store_.CreateKey();
  if (!store_.ReadText(value_name::kStockSymbols, buffer, kSymbolListMaxChars + 1)) {
    CopyCut(buffer, kSymbolListSize, kDefaultStockSymbols);
  }
}

void SettingsStore::SaveStockSymbols(const char* symbols) {
  char cut[kSymbolListMaxChars + 1];
  CopyCut(cut, sizeof cut, symbols != nullptr ? symbols : "");
  store_.CreateKey();
  store_.WriteText(value_name::kStockSymbols, cut);
}

bool MemoryStore::NoCase::operator()(const std::string& a, const std::string& b) const {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int ca = a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i];
    const int cb = b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i];
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

bool MemoryStore::ReadNumber(const char* name, uint32_t* value) {
  log.push_back(std::string("R ") + name);
  if (failReads) return false;
  auto it = values_.find(name);
  if (it == values_.end() || it->second.kind != kNumber || it->second.bytes.size() != 4) return false;
  std::memcpy(value, it->second.bytes.data(), 4);
  return true;
}

bool MemoryStore::WriteNumber(const char* name, uint32_t value) {
  log.push_back(std::string("W ") + name);
  if (failWrites) return false;
  values_[name] = Value{kNumber, std::string(reinterpret_cast<const char*>(&value), 4)};
  return true;
}

bool MemoryStore::ReadText(const char* name, char* buffer, size_t capacity) {
  buffer[0] = '\0';
  log.push_back(std::string("R ") + name);
  if (failReads) return false;
  auto it = values_.find(name);
  if (it == values_.end() || it->second.kind != kText) return false;
  // The stored bytes may or may not end with a NUL; the text is what comes before the first one.
  const std::string& bytes = it->second.bytes;
  const size_t length = strnlen(bytes.data(), bytes.size());
  if (length + 1 > capacity) return false;
  std::memcpy(buffer, bytes.data(), length);
  buffer[length] = '\0';
  return true;
}

bool MemoryStore::WriteText(const char* name, const char* text) {
  log.push_back(std::string("W ") + name);
  if (failWrites) return false;
  values_[name] = Value{kText, std::string(text) + '\0'};
  return true;
}

bool MemoryStore::CreateKey() {
  if (failWrites) return false;
  keyCreated = true;
  return true;
}

void MemoryStore::PutRaw(const std::string& name, int kind, const std::string& bytes) {
  values_[name] = Value{kind, bytes};
}

bool MemoryStore::Has(const std::string& name) const { return values_.count(name) != 0; }
