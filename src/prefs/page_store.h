// What the Ticker and News tabs store on Apply, from the values their controls hold: the order of
// the writes, the forms of the account texts, and the numbers clamped into their ranges.
#pragma once

#include <cstdint>

#include "prefs/control_bindings.h"
#include "prefs/pref_rules.h"
#include "settings/settings_store.h"

constexpr int kMinutesChars = 9;

// The Ticker tab's account as read on Apply; its other controls are bound by the table.
struct TickerPageValues {
  bool myVexlo = false;
  char userId[kAccountFieldChars + 1] = "";
  char password[kAccountFieldChars + 1] = "";
};

// What the Ticker tab's Apply leaves in memory beside the bound numbers' copies, and what the
// window takes up at once.
struct TickerPageStored {
  bool myVexlo = false;
  char userId[kTextValueSize] = "";    // spaces as '+'
  char password[kTextValueSize] = "";  // spaces as '+'
  int32_t newsRefresh = 0;
  bool pauseOnHover = false;
};

// Before anything is stored: whether a new login is due, the sign-up question is to be asked, the
// strip is to be rebuilt with a new font. The account is compared with the in-memory forms that
// the page showed, the switch with its stored value.
TickerApplyDecision DecideTickerPage(SettingsStore& settings, const TickerPageValues& values,
                                     PageControls& controls, const char* userIdInMemory,
                                     const char* passwordInMemory);
// After the question, if any: stores every value of the tab, the account first.
void StoreTickerPage(SettingsStore& settings, const TickerPageValues& values,
                     PageControls& controls, const TickerApplyDecision& decision,
                     TickerPageStored* stored);

// Stores the News tab's values; true when something will be shown (a topic, or the account
// chooses).
bool StoreNewsPage(SettingsStore& settings, PageControls& controls, bool myVexlo);
