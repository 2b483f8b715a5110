// The in-memory copies of the settings: read through a table, the account, the first run.
#include "settings/ticker_prefs.h"

#include <cstdio>
#include <cstring>

#include "feed/codecs.h"

namespace {

// Which setting fills which member of a record.
template <typename Record>
struct NumberRow {
  SettingId id;
  int32_t Record::*field;
};

const NumberRow<TickerPrefs> kPrefNumbers[] = {
    {SettingId::kMyVexlo, &TickerPrefs::myVexlo},
    {SettingId::kMyVexloOnly, &TickerPrefs::myVexloOnly},
    {SettingId::kShowInScreenSaver, &TickerPrefs::showInScreenSaver},
    {SettingId::kSmoothScrolling, &TickerPrefs::smoothScrolling},
    {SettingId::kTickerSpeed, &TickerPrefs::tickerSpeed},
    {SettingId::kAutoUpdate, &TickerPrefs::autoUpdate},
    {SettingId::kMailAlertIcon, &TickerPrefs::mailAlertIcon},
    {SettingId::kMailIconCycle, &TickerPrefs::mailCycleLength},
    {SettingId::kMailAlertSound, &TickerPrefs::mailAlertSound},
};

const NumberRow<ContentSelection> kSelectionNumbers[] = {
    {SettingId::kUsHeadlines, &ContentSelection::usHeadlines},
    {SettingId::kWorldHeadlines, &ContentSelection::worldHeadlines},
    {SettingId::kBusinessHeadlines, &ContentSelection::businessHeadlines},
    {SettingId::kPoliticsHeadlines, &ContentSelection::politicsHeadlines},
    {SettingId::kTechnologyHeadlines, &ContentSelection::technologyHeadlines},
    {SettingId::kSportsHeadlines, &ContentSelection::sportsHeadlines},
    {SettingId::kEntertainmentHeadlines, &ContentSelection::entertainmentHeadlines},
    {SettingId::kStockQuotes, &ContentSelection::stockQuotes},
    {SettingId::kWeather, &ContentSelection::weather},
    {SettingId::kTemperatureSystem, &ContentSelection::fahrenheit},
};

void ReplaceSpaces(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') *p = '+';
  }
}

template <typename Record, size_t N>
void ReadNumbers(SettingsStore& settings, const NumberRow<Record> (&rows)[N], Record* record) {
  for (const NumberRow<Record>& row : rows) record->*row.field = settings.ReadSetting(row.id);
}

}  // namespace

TickerPrefs::TickerPrefs() {
  for (const NumberRow<TickerPrefs>& row : kPrefNumbers) {
    this->*row.field = static_cast<int32_t>(Describe(row.id).defaultValue);
  }
}

void ReadContentSelection(SettingsStore& settings, ContentSelection* content) {
  ReadNumbers(settings, kSelectionNumbers, content);
  content->storiesPerTopic = settings.ReadNumberValue(value_name::kStoriesPerTopic);
  settings.ReadTextValue(value_name::kAirports, content->airports);
  settings.LoadStockSymbols(content->stockSymbols);
}

void ReadTickerPrefs(SettingsStore& settings, TickerPrefs* prefs) {
  ReadNumbers(settings, kPrefNumbers, prefs);
  ReadContentSelection(settings, &prefs->content);
  prefs->newsRefresh = settings.ReadNumberValue(value_name::kNewsRefresh);
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
  TickerPrefs& p = *prefs;
  p.autoUpdate = 1;
  p.content.usHeadlines = 1;
  p.content.technologyHeadlines = 1;
  p.content.businessHeadlines = 1;
  p.content.weather = 1;
  p.content.stockQuotes = 1;
  p.showInScreenSaver = 1;
  p.tickerSpeed = 3;
  p.content.fahrenheit = 1;
  p.smoothScrolling = 0;
  p.content.storiesPerTopic = 10;
  p.newsRefresh = 10;

  settings.WriteSetting(SettingId::kAutoUpdate, 1);
  settings.WriteSetting(SettingId::kUsHeadlines, 1);
  settings.WriteSetting(SettingId::kStockQuotes, 1);
  settings.WriteSetting(SettingId::kBoldFont, 1);
  settings.WriteSetting(SettingId::kShowInScreenSaver, 1);
  settings.WriteSetting(SettingId::kWeather, 1);
  settings.WriteSetting(SettingId::kBusinessHeadlines, 1);
  settings.WriteSetting(SettingId::kTechnologyHeadlines, 1);
  settings.WriteSetting(SettingId::kTemperatureSystem, 1);
  settings.WriteNumberValue(value_name::kNewsRefresh, 10);
  settings.WriteSetting(SettingId::kTickerSpeed, 3);
  settings.WriteTextValue(value_name::kAirports, "JFK,SFO,LAX");
  // The spelling the preference page writes; value names ignore case.
  settings.WriteNumberValue("Stories per Topic", 10);
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
