// The in-memory copies of the settings that the preference pages change and other code reads
// between refreshes. Every read and write of those copies by the pages goes through here, under
// prefsLock, and never with a dialog open.
#pragma once

#include <cstdint>

#include "prefs/preferences_parts.h"
#include "settings/settings_store.h"

struct AccountCopy {
  bool myVexlo = false;
  char userId[kTextValueSize] = "";  // spaces already '+'
  char password[200] = "";           // spaces already '+'
};

AccountCopy ReadAccountCopy(PreferencesParts& t);
void SetMyVexloCopy(PreferencesParts& t, bool on);
void SetAccountCopy(PreferencesParts& t, const char* userId, const char* password);
bool MyVexloOnlyCopy(PreferencesParts& t);

// "Auto Update", "Show in Screen Saver", "Smooth Scrolling", "Ticker Speed" and "News Refresh".
struct DisplayCopy {
  int32_t autoUpdate = 0;
  int32_t showInScreenSaver = 0;
  int32_t smoothScrolling = 0;
  int32_t tickerSpeed = 0;
  int32_t newsRefresh = 0;
};
DisplayCopy ReadDisplayCopy(PreferencesParts& t);
void SetDisplayCopy(PreferencesParts& t, const DisplayCopy& copy);

// "Mail Alert Icon", "Mail Icon Cycle" and "Mail Alert Sound": the logo button's cycle reads the
// first two at its next phase, the worker the first and last at its next pass.
struct MailCopy {
  int32_t mailAlertIcon = 0;
  int32_t mailCycleLength = 0;
  int32_t mailAlertSound = 0;
};
void SetMailCopy(PreferencesParts& t, const MailCopy& copy);

// The topic switches, "Weather", "Temperature System", "Stories per Topic" and "Airports" as
// stored now.
void ReloadNewsCopies(PreferencesParts& t, SettingsStore& settings);
// "Stock Symbols" as stored now; and the copy itself (kSymbolListSize bytes).
void ReloadSymbolCopy(PreferencesParts& t, SettingsStore& settings);
void ReadSymbolCopy(PreferencesParts& t, char* out);

// The strip colours as stored now; and a scheme applied, stored and loaded.
void ReloadColorCopies(PreferencesParts& t, SettingsStore& settings);
void ApplySchemeToCopies(PreferencesParts& t, SettingsStore& settings, int32_t scheme);
void SetSymbolCopy(PreferencesParts& t, const char* list);
