// The in-memory copies of the settings that the preference pages change.
#include "prefs/prefs_copies_win.h"

#include <cstring>
#include <mutex>

#include "settings/color_schemes.h"
#include "prefs/pages_win.h"

namespace {

template <size_t N>
void CopyText(char (&to)[N], const char* from) {
  lstrcpynA(to, from, static_cast<int>(N));
}

}  // namespace

AccountCopy ReadAccountCopy() {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  AccountCopy copy;
  copy.myVexlo = t.prefs.myVexlo != 0;
  CopyText(copy.userId, t.prefs.userId);
  CopyText(copy.password, t.prefs.password);
  return copy;
}

void SetMyVexloCopy(bool on) {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  t.prefs.myVexlo = on ? 1 : 0;
}

void SetAccountCopy(const char* userId, const char* password) {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  CopyText(t.prefs.userId, userId);
  CopyText(t.prefs.password, password);
}

bool MyVexloOnlyCopy() {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  return t.prefs.myVexloOnly != 0;
}

DisplayCopy ReadDisplayCopy() {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  DisplayCopy copy;
  copy.autoUpdate = t.prefs.autoUpdate;
  copy.showInScreenSaver = t.prefs.showInScreenSaver;
  copy.smoothScrolling = t.prefs.smoothScrolling;
  copy.tickerSpeed = t.prefs.tickerSpeed;
  copy.newsRefresh = t.prefs.newsRefresh;
  return copy;
}

void SetDisplayCopy(const DisplayCopy& copy) {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  t.prefs.autoUpdate = copy.autoUpdate;
  t.prefs.showInScreenSaver = copy.showInScreenSaver;
  t.prefs.smoothScrolling = copy.smoothScrolling;
  t.prefs.tickerSpeed = copy.tickerSpeed;
  t.prefs.newsRefresh = copy.newsRefresh;
}

void SetMailCopy(const MailCopy& copy) {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  t.prefs.mailAlertIcon = copy.mailAlertIcon;
  t.prefs.mailCycleLength = copy.mailCycleLength;
  t.prefs.mailAlertSound = copy.mailAlertSound;
}

void ReloadNewsCopies(SettingsStore& settings) {
  // Read first, then copy in one step under the lock: the worker never waits on the registry.
  ContentSelection fresh;
  ReadContentSelection(settings, &fresh);
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  t.prefs.content = fresh;
}

void ReloadSymbolCopy(SettingsStore& settings) {
  char fresh[kSymbolListSize];
  settings.LoadStockSymbols(fresh);
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  CopyText(t.prefs.content.stockSymbols, fresh);
}

void ReadSymbolCopy(char* out) {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(out, t.prefs.content.stockSymbols, kSymbolListSize);
  out[kSymbolListSize - 1] = '\0';
}

void ReloadColorCopies(SettingsStore& settings) {
  uint32_t colors[kStripColorValues];
  LoadStripColors(settings, colors);
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(t.prefs.colors, colors, sizeof colors);
}

void ApplySchemeToCopies(SettingsStore& settings, int32_t scheme) {
  uint32_t colors[kStripColorValues];
  ApplyColorScheme(settings, scheme, colors);
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(t.prefs.colors, colors, sizeof colors);
}

void SetSymbolCopy(const char* list) {
  PreferencesParts& t = SheetParts();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  CopyText(t.prefs.content.stockSymbols, list);
}
