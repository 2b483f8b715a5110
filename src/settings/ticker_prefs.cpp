// The in-memory copies of the settings: read through the settings table, the account, the first
// run.
#include "settings/ticker_prefs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "feed/codecs.h"

namespace {

// The copy a row names; its absence is a programming error.
template <typename Prefs>
auto& CopyOf(Prefs& prefs, SettingId id) {
  const SettingInfo& row = Describe(id);
  if (row.copy != nullptr) return prefs.*row.copy;
  if (row.selection != nullptr) return prefs.content.*row.selection;
  std::abort();
}

template <size_t N>
void CopyText(char (&to)[N], const char* from) {
  std::snprintf(to, N, "%s", from);
}

void ReplaceSpaces(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') *p = '+';
  }
}

}  // namespace

TickerPrefs::TickerPrefs() {
  for (size_t i = 0; i < kSettingTableSize; ++i) {
    const SettingInfo& row = kSettingTable[i];
    if (row.copy != nullptr) this->*row.copy = static_cast<int32_t>(row.defaultValue);
  }
}

void ReadContentSelection(SettingsStore& settings, ContentSelection* content) {
  for (size_t i = 0; i < kSettingTableSize; ++i) {
    const SettingInfo& row = kSettingTable[i];
    if (row.selection != nullptr) content->*row.selection = settings.ReadSetting(row.id);
  }
  settings.ReadTextValue(value_name::kAirports, content->airports);
  settings.LoadStockSymbols(content->stockSymbols);
}

void ReadTickerPrefs(SettingsStore& settings, TickerPrefs* prefs) {
  for (size_t i = 0; i < kSettingTableSize; ++i) {
    const SettingInfo& row = kSettingTable[i];
    if (row.copy != nullptr) prefs->*row.copy = settings.ReadSetting(row.id);
  }
  ReadContentSelection(settings, &prefs->content);
  settings.ReadTextValue(value_name::kHttpProxy, prefs->httpProxy);
  settings.ReadTextValue(value_name::kProxyPort, prefs->proxyPort);
}

StoredAccount ReadStoredAccount(SettingsStore& settings) {
  StoredAccount account;
  settings.ReadTextValue(value_name::kUserId, account.userId);
  settings.ReadTextValue(value_name::kEncodedPassword, account.encoded);
  if (account.encoded[0] == '\0') settings.ReadTextValue(value_name::kPlainPassword, account.plain);
  return account;
}

void LoadAccount(SettingsStore& settings, TickerPrefs* prefs, AskPasswordFn askPassword,
                 void* context) {
  const StoredAccount account = ReadStoredAccount(settings);
  std::memcpy(prefs->userId, account.userId, sizeof prefs->userId);
  ReplaceSpaces(prefs->userId);

  if (account.encoded[0] != '\0') {
    Base64DecodeBounded(account.encoded, prefs->password, sizeof prefs->password);
  } else {
    static_assert(sizeof prefs->password >= sizeof account.plain, "the plain text fits");
    std::memcpy(prefs->password, account.plain, sizeof account.plain);
    if (account.PasswordMissing() && askPassword != nullptr) {
      askPassword(context, prefs->password, sizeof prefs->password);
      prefs->password[sizeof prefs->password - 1] = '\0';
    }
    // The registry text holds 99 characters: 72 password bytes encode into 96.
    char stored[kTextValueSize];
    char plain[73];
    std::strncpy(plain, prefs->password, sizeof plain - 1);
    plain[sizeof plain - 1] = '\0';
    Base64EncodeBounded(plain, stored, sizeof stored);
    settings.WriteTextValue(value_name::kEncodedPassword, stored);
    settings.WriteTextValue(value_name::kPlainPassword, "");
  }
  ReplaceSpaces(prefs->password);

  if (prefs->myVexlo != 0 && (prefs->userId[0] == '\0' || prefs->password[0] == '\0')) {
    prefs->myVexlo = 0;
    settings.WriteSetting(SettingId::kMyVexlo, 0);
  }
}

void ApplyFirstRunDefaults(SettingsStore& settings, TickerPrefs* prefs) {
  for (size_t i = 0; i < kSettingTableSize; ++i) {
    const SettingInfo& row = kSettingTable[i];
    if (row.firstRun == FirstRun::kUntouched) continue;
    if (row.copy != nullptr) prefs->*row.copy = row.firstRunValue;
    if (row.selection != nullptr) prefs->content.*row.selection = row.firstRunValue;
    if (row.firstRun == FirstRun::kStored) settings.WriteSetting(row.id, row.firstRunValue);
  }
  settings.WriteTextValue(value_name::kAirports, "JFK,SFO,LAX");
}

int32_t LogoPhaseLength(const TickerPrefs& prefs, bool mailAlertPending) {
  const int32_t n = prefs.mailCycleLength;
  if (n > 0 && mailAlertPending && prefs.mailAlertIcon != 0) return n;
  return 10;
}

bool NoContentSelected(const ContentSelection& c) {
  return c.usHeadlines == 0 && c.worldHeadlines == 0 && c.businessHeadlines == 0 &&
         c.politicsHeadlines == 0 && c.stockQuotes == 0 && c.sportsHeadlines == 0 &&
         c.entertainmentHeadlines == 0 && c.technologyHeadlines == 0 && c.weather == 0;
}

void CopyProxySetting(std::mutex& lock, const TickerPrefs& prefs, char (&host)[kTextValueSize],
                      char (&port)[kTextValueSize]) {
  std::lock_guard<std::mutex> guard(lock);
  std::memcpy(host, prefs.httpProxy, sizeof host);
  std::memcpy(port, prefs.proxyPort, sizeof port);
  host[sizeof host - 1] = '\0';
  port[sizeof port - 1] = '\0';
}

void SetProxySetting(std::mutex& lock, TickerPrefs& prefs, const char* host, const char* port) {
  std::lock_guard<std::mutex> guard(lock);
  std::snprintf(prefs.httpProxy, sizeof prefs.httpProxy, "%s", host);
  std::snprintf(prefs.proxyPort, sizeof prefs.proxyPort, "%s", port);
}

int32_t ReadCopy(std::mutex& lock, const TickerPrefs& prefs, SettingId id) {
  std::lock_guard<std::mutex> guard(lock);
  return CopyOf(prefs, id);
}

void WriteCopy(std::mutex& lock, TickerPrefs& prefs, SettingId id, int32_t value) {
  std::lock_guard<std::mutex> guard(lock);
  CopyOf(prefs, id) = value;
}

void CopyAccount(std::mutex& lock, const TickerPrefs& prefs, char (&userId)[kTextValueSize],
                 char (&password)[kPasswordCopySize]) {
  std::lock_guard<std::mutex> guard(lock);
  CopyText(userId, prefs.userId);
  CopyText(password, prefs.password);
}

void SetAccount(std::mutex& lock, TickerPrefs& prefs, const char* userId, const char* password) {
  std::lock_guard<std::mutex> guard(lock);
  CopyText(prefs.userId, userId);
  CopyText(prefs.password, password);
}

void ReloadContentSelection(SettingsStore& settings, std::mutex& lock, TickerPrefs& prefs) {
  // Read first, then copy in one step: the worker never waits on the registry.
  ContentSelection fresh;
  ReadContentSelection(settings, &fresh);
  std::lock_guard<std::mutex> guard(lock);
  prefs.content = fresh;
}

void CopySymbols(std::mutex& lock, const TickerPrefs& prefs, char (&list)[kSymbolListSize]) {
  std::lock_guard<std::mutex> guard(lock);
  CopyText(list, prefs.content.stockSymbols);
}

void SetSymbols(std::mutex& lock, TickerPrefs& prefs, const char* list) {
  std::lock_guard<std::mutex> guard(lock);
  CopyText(prefs.content.stockSymbols, list);
}

void SetColors(std::mutex& lock, TickerPrefs& prefs, const uint32_t (&colors)[kStripColorCount]) {
  std::lock_guard<std::mutex> guard(lock);
  std::memcpy(prefs.colors, colors, sizeof colors);
}
