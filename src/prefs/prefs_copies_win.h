// The in-memory copies of the settings that the preference pages change and other code reads
// between refreshes. Every read and write of those copies by the pages goes through here, under
// prefsLock, and never with a dialog open.
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

struct AccountCopy {
  bool myVexlo = false;
  char userId[kTextValueSize] = "";  // spaces already '+'
  char password[200] = "";           // spaces already '+'
};

AccountCopy ReadAccountCopy();
void SetMyVexloCopy(bool on);
void SetAccountCopy(const char* userId, const char* password);
bool MyVexloOnlyCopy();

// "Auto Update", "Show in Screen Saver", "Smooth Scrolling", "Ticker Speed" and "News Refresh".
struct DisplayCopy {
  int32_t autoUpdate = 0;
  int32_t showInScreenSaver = 0;
  int32_t smoothScrolling = 0;
  int32_t tickerSpeed = 0;
  int32_t newsRefresh = 0;
};
DisplayCopy ReadDisplayCopy();
void SetDisplayCopy(const DisplayCopy& copy);
void SetSpeedCopy(int32_t speed);
int32_t SpeedCopy();

// The topic switches, "Weather", "Temperature System", "Stories per Topic" and "Airports" as
// stored now.
void ReloadNewsCopies(SettingsStore& settings);
// "Stock Symbols" as stored now; and the copy itself (kSymbolListSize bytes).
void ReloadSymbolCopy(SettingsStore& settings);
void ReadSymbolCopy(char* out);

// The strip colours as stored now; and a scheme applied, stored and loaded.
void ReloadColorCopies(SettingsStore& settings);
void ApplySchemeToCopies(SettingsStore& settings, int32_t scheme);
void SetSymbolCopy(const char* list);
