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
