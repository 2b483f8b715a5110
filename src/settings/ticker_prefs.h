// The portable part of the ticker's state: the strip colours and the in-memory copies of the
// settings that the worker and the preference pages share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "settings/settings_store.h"
#include "settings/settings_table.h"

// What the data request asks for. Declared once: the ticker's in-memory preferences hold one,
// and each feed pass takes a copy of it whole.
struct ContentSelection {
  int32_t stockQuotes = 0;                  // "Stock Quotes"
  char stockSymbols[kSymbolListSize] = "";  // "Stock Symbols", joined by '+'
  int32_t weather = 0;                      // "Weather"
  int32_t fahrenheit = 0;                   // "Temperature System" on
  char airports[kTextValueSize] = "";       // "Airports"; a feed pass reads it afresh
  int32_t storiesPerTopic = 0;              // "Stories Per Topic"
  int32_t usHeadlines = 0;
  int32_t worldHeadlines = 0;
  int32_t businessHeadlines = 0;
  int32_t politicsHeadlines = 0;
  int32_t technologyHeadlines = 0;
  int32_t sportsHeadlines = 0;
  int32_t entertainmentHeadlines = 0;
};

// True when no topic, no quotes and no weather are selected: a first run.
bool NoContentSelected(const ContentSelection& content);

constexpr int kStripColorCount = 12;

// Indexes of the strip colours in TickerPrefs::colors.
enum StripColor : int {
  kColorUsHeadlines,
  kColorWorldHeadlines,
  kColorBusinessHeadlines,
  kColorPoliticsHeadlines,
  kColorSportsHeadlines,
  kColorEntertainmentHeadlines,
  kColorTechnologyHeadlines,
  kColorQuoteUp,
  kColorQuoteDown,
  kColorQuoteNc,
  kColorSymbol,
  kColorBackground,
};

constexpr size_t kPasswordCopySize = 200;

// In-memory copies of the settings, read when the window is created and changed by the
// preference pages. The worker reads them under prefsLock. The numbers start at the settings
// table's defaults (what a missing value reads as): the table's rows name the member each fills.
struct TickerPrefs {
  TickerPrefs();
  int32_t tickerSpeed;
  int32_t smoothScrolling;
  int32_t autoUpdate;
  int32_t newsRefresh;
  int32_t showInScreenSaver;
  int32_t myVexlo;
  int32_t myVexloOnly;
  ContentSelection content;
  int32_t mailAlertIcon;
  int32_t mailCycleLength;
  int32_t mailAlertSound;
  char httpProxy[kTextValueSize] = "";
  char proxyPort[kTextValueSize] = "";
  // The account, with every space turned into '+' as the login request sends it.
  char userId[kTextValueSize] = "";
  char password[kPasswordCopySize] = "";
  uint32_t colors[kStripColorCount] = {};  // COLORREFs, indexed by StripColor
};

// The copies that the preference pages read and change, each under the lock that guards them:
// the store is read before the lock is taken, and no dialog is ever open while it is held.
// A number by its row in the settings table (a row without a copy is a programming error).
int32_t ReadCopy(std::mutex& lock, const TickerPrefs& prefs, SettingId id);
void WriteCopy(std::mutex& lock, TickerPrefs& prefs, SettingId id, int32_t value);
// The account, in the forms the login sends (spaces as '+').
void CopyAccount(std::mutex& lock, const TickerPrefs& prefs, char (&userId)[kTextValueSize],
                 char (&password)[kPasswordCopySize]);
void SetAccount(std::mutex& lock, TickerPrefs& prefs, const char* userId, const char* password);
// The content selection as stored now (topics, weather, stories, airports, symbols).
void ReloadContentSelection(SettingsStore& settings, std::mutex& lock, TickerPrefs& prefs);
void CopySymbols(std::mutex& lock, const TickerPrefs& prefs, char (&list)[kSymbolListSize]);
void SetSymbols(std::mutex& lock, TickerPrefs& prefs, const char* list);
void SetColors(std::mutex& lock, TickerPrefs& prefs, const uint32_t (&colors)[kStripColorCount]);

// The Proxy tab's host and port as the program holds them, copied under the lock that guards the
// copies (each cut to the settings' text size); empty texts make proxy discovery read the
// browser's settings again.
void CopyProxySetting(std::mutex& lock, const TickerPrefs& prefs, char (&host)[kTextValueSize],
                      char (&port)[kTextValueSize]);
void SetProxySetting(std::mutex& lock, TickerPrefs& prefs, const char* host, const char* port);

// Reads every in-memory copy but the account and the colours from the store, through the
// settings table's rows.
void ReadTickerPrefs(SettingsStore& settings, TickerPrefs* prefs);
// The content selection alone (topics, quotes and symbols, weather), as the news pages change it.
void ReadContentSelection(SettingsStore& settings, ContentSelection* content);

// The account as stored: the user id and both forms of the password.
struct StoredAccount {
  char userId[kTextValueSize] = "";
  char encoded[kTextValueSize] = "";  // Base64
  char plain[kTextValueSize] = "";    // left by an older version; read only without an encoded one
  // A user id without any password: start-up asks for one.
  bool PasswordMissing() const {
    return userId[0] != '\0' && encoded[0] == '\0' && plain[0] == '\0';
  }
};
StoredAccount ReadStoredAccount(SettingsStore& settings);

// Asks the user for the account's password (a dialog on Windows); false when none was given.
using AskPasswordFn = bool (*)(void* context, char* password, size_t capacity);

// The account: the password is kept Base64-encoded; a plain one left by an older version is
// encoded and the plain value emptied. A user id without any password asks for one. "My Vexlo!"
// without a full account is switched off, in the store too.
void LoadAccount(SettingsStore& settings, TickerPrefs* prefs, AskPasswordFn askPassword,
                 void* context);

// The first run: nothing selected yet. Stores a sensible selection and uses it: the settings
// table's first-run values, and the airports.
void ApplyFirstRunDefaults(SettingsStore& settings, TickerPrefs* prefs);

// Seconds per phase of the logo button: the mail cycle while a mail alert shows and the alert icon
// is on, else ten.
int32_t LogoPhaseLength(const TickerPrefs& prefs, bool mailAlertPending);
