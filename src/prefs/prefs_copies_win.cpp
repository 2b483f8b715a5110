// The in-memory copies of the settings that the preference pages change.
#include "prefs/prefs_copies_win.h"

#include <cstring>
#include <mutex>

#include "settings/color_schemes.h"

namespace {

template <size_t N>
void CopyText(char (&to)[N], const char* from) {
  lstrcpynA(to, from, static_cast<int>(N));
}

}  // namespace

AccountCopy ReadAccountCopy(PreferencesParts& t) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  AccountCopy copy;
  copy.myVexlo = t.prefs.myVexlo != 0;
  CopyText(copy.userId, t.prefs.userId);
  CopyText(copy.password, t.prefs.password);
  return copy;
}

void SetMyVexloCopy(PreferencesParts& t, bool on) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  t.prefs.myVexlo = on ? 1 : 0;
}

void SetAccountCopy(PreferencesParts& t, const char* userId, const char* password) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  CopyText(t.prefs.userId, userId);
  CopyText(t.prefs.password, password);
}

bool MyVexloOnlyCopy(PreferencesParts& t) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  return t.prefs.myVexloOnly != 0;
}

void ReloadNewsCopies(PreferencesParts& t, SettingsStore& settings) {
  // Read first, then copy in one step under the lock: the worker never waits on the registry.
  ContentSelection fresh;
  ReadContentSelection(settings, &fresh);
  std::lock_guard<std::mutex> guard(t.prefsLock);
  t.prefs.content = fresh;
}

void ReloadSymbolCopy(PreferencesParts& t, SettingsStore& settings) {
  char fresh[kSymbolListSize];
  settings.LoadStockSymbols(fresh);
  std::lock_guard<std::mutex> guard(t.prefsLock);
  CopyText(t.prefs.content.stockSymbols, fresh);
}

void ReadSymbolCopy(PreferencesParts& t, char* out) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(out, t.prefs.content.stockSymbols, kSymbolListSize);
  out[kSymbolListSize - 1] = '\0';
}

void ReloadColorCopies(PreferencesParts& t, SettingsStore& settings) {
  uint32_t colors[kStripColorValues];
  LoadStripColors(settings, colors);
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(t.prefs.colors, colors, sizeof colors);
}

void ApplySchemeToCopies(PreferencesParts& t, SettingsStore& settings, int32_t scheme) {
  uint32_t colors[kStripColorValues];
  ApplyColorScheme(settings, scheme, colors);
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(t.prefs.colors, colors, sizeof colors);
}

void SetSymbolCopy(PreferencesParts& t, const char* list) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  CopyText(t.prefs.content.stockSymbols, list);
}
