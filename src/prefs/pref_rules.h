// The decisions of the preference pages, apart from their windows: which pages the sheet holds,
// the symbol list's editing, the numbers and texts a page stores, and what an Apply sets off.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_table.h"

// The sheet's pages, by what they edit.
enum class PageKind { kTicker, kNews, kQuotes, kMailAlerts, kProxy, kAbout };

struct PageList {
  PageKind pages[6];
  int count = 0;
};

// A freshly opened sheet. The topic pages are left out while the account or a sponsor chooses
// the content.
PageList PagesAtOpen(bool myVexlo, bool sponsorNews);
// After a click on the account switch: the Ticker tab stays, the rest is built again (the Proxy
// tab now before Mail Alerts).
PageList PagesAfterAccountSwitch(bool myVexlo, bool sponsorNews);

// The symbol list: symbols joined by '+', at most kSymbolListMaxChars characters.
constexpr size_t kSymbolMaxChars = 9;

// Offset of the whole entry `symbol` in `list` (it starts the text or follows a '+', and ends the
// text or is followed by a '+'), or -1. An empty symbol matches nothing.
int FindWholeEntry(const char* list, const char* symbol);

enum class SymbolEdit {
  kDone,
  kEmpty,          // nothing typed
  kAlreadyListed,  // a whole entry already (nothing shown)
  kInvalid,        // holds a separator, a space or a control byte
  kNoRoom,         // the list would pass its limit
  kNotListed,      // remove: no such entry
};

// Appends `symbol` to the list held in `list` (room for kSymbolListSize bytes). The first symbol
// of an empty list is stored without a leading '+'. The list is changed only on kDone.
SymbolEdit AddSymbol(char* list, const char* symbol);
// Removes the whole entry `symbol` with the '+' that follows it; a '+' left at the end goes too.
SymbolEdit RemoveSymbol(char* list, const char* symbol);
// The suggestion to use an account is due when the list already holds 21 symbols or more.
bool ShouldSuggestAccount(const char* list);
// The list box's entries; an empty list has none, and empty pieces are dropped.
std::vector<std::string> SplitSymbols(const char* list);

// Numbers typed into the pages, clamped into their setting's range. Text that is no number takes
// the lowest value.
int32_t ParseClamped(const char* text, int32_t low, int32_t high);
int32_t Clamp(int32_t value, int32_t low, int32_t high);

// Copies at most maxChars characters of text into out (capacity > maxChars).
void CopyLimited(const char* text, size_t maxChars, char* out, size_t capacity);

// The "Airports" text from what was typed: every space becomes ',', then every other byte that is
// not printable ASCII becomes a space; cut to the 99 characters a text value holds.
void NormaliseAirports(const char* typed, char (&out)[kTextValueSize]);

// The in-memory form of a user id or password: every space turned into '+'.
void SpacesToPlus(char* text);

// What the Ticker tab's Apply sets off.
struct TickerApplyInput {
  bool myVexloBefore = false;  // the in-memory flag
  bool myVexloBox = false;     // the check box
  const char* userIdBefore = "";
  const char* userIdBox = "";
  const char* passwordBefore = "";
  const char* passwordBox = "";
  bool boldBefore = false;  // as stored
  bool boldBox = false;
};
struct TickerApplyDecision {
  bool loginRetry = false;
  bool askSignUp = false;     // the account is on without a user id or password
  bool myVexloStored = false;  // what "My Vexlo!" ends as, in memory and in the registry
  bool reloadFromCache = false;  // the font changed: rebuild the strip from the caches
};
TickerApplyDecision DecideTickerApply(const TickerApplyInput& in);

// The News & Colors tab refuses to close with nothing to show, unless the account chooses.
bool NewsSelectionAcceptable(bool myVexlo, const bool topics[9]);

// The mouse wheel over the strip: one speed step per notch (120), partial notches kept in
// `pending` until they make a whole one. Up is faster. Returns the new speed, 1 to 8.
int32_t SpeedAfterWheel(int32_t speed, int32_t delta, int32_t* pending);
