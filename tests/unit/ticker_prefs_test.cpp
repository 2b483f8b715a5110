// The in-memory preferences: read through the table, the content selection, the first run and
// the account.
#include "settings/ticker_prefs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>

#include "feed/codecs.h"

namespace {

class TickerPrefsTest : public testing::Test {
 protected:
  MemoryStore memory;
  SettingsStore settings{memory};
  TickerPrefs prefs;
};

// Before anything is read the copies hold what a missing value reads as: the table's defaults.
TEST_F(TickerPrefsTest, AFreshRecordHoldsWhatAnEmptyStoreReads) {
  TickerPrefs read;
  read.tickerSpeed = read.newsRefresh = read.content.storiesPerTopic = 77;
  ReadTickerPrefs(settings, &read);
  int copies = 0;
  for (size_t i = 0; i < kSettingTableSize; ++i) {
    const SettingInfo& row = kSettingTable[i];
    if (row.copy == nullptr) continue;
    ++copies;
    EXPECT_EQ(prefs.*row.copy, read.*row.copy) << row.name;
  }
  EXPECT_EQ(copies, 10);
  EXPECT_EQ(read.content.storiesPerTopic, 0);
}

// Each value gets a number of its own, so a row that fills the wrong member shows.
TEST_F(TickerPrefsTest, EveryNumberLandsInItsOwnMember) {
  const struct {
    const char* name;
    int32_t TickerPrefs::*prefsField;
    int32_t ContentSelection::*contentField;
  } rows[] = {
      {"My Vexlo!", &TickerPrefs::myVexlo, nullptr},
      {"My Vexlo Only", &TickerPrefs::myVexloOnly, nullptr},
      {"Show in Screen Saver", &TickerPrefs::showInScreenSaver, nullptr},
      {"Smooth Scrolling", &TickerPrefs::smoothScrolling, nullptr},
      {"Ticker Speed", &TickerPrefs::tickerSpeed, nullptr},
      {"Auto Update", &TickerPrefs::autoUpdate, nullptr},
      {"Mail Alert Icon", &TickerPrefs::mailAlertIcon, nullptr},
      {"Mail Icon Cycle", &TickerPrefs::mailCycleLength, nullptr},
      {"Mail Alert Sound", &TickerPrefs::mailAlertSound, nullptr},
      {"News Refresh", &TickerPrefs::newsRefresh, nullptr},
      {"US Headlines", nullptr, &ContentSelection::usHeadlines},
      {"World Headlines", nullptr, &ContentSelection::worldHeadlines},
      {"Business Headlines", nullptr, &ContentSelection::businessHeadlines},
      {"Politics Headlines", nullptr, &ContentSelection::politicsHeadlines},
      {"Technology Headlines", nullptr, &ContentSelection::technologyHeadlines},
      {"Sports Headlines", nullptr, &ContentSelection::sportsHeadlines},
      {"Entertainment Headlines", nullptr, &ContentSelection::entertainmentHeadlines},
      {"Stock Quotes", nullptr, &ContentSelection::stockQuotes},
      {"Weather", nullptr, &ContentSelection::weather},
      {"Temperature System", nullptr, &ContentSelection::fahrenheit},
      {"Stories Per Topic", nullptr, &ContentSelection::storiesPerTopic},
  };
  int32_t value = 100;
  for (const auto& row : rows) memory.WriteNumber(row.name, static_cast<uint32_t>(value++));
  memory.WriteText("Airports", "JFK,SFO");
  memory.WriteText("HTTP Proxy", "proxy.test");
  memory.WriteText("Proxy Port", "8080");
  memory.WriteText("Stock Symbols", "INTC+MSFT");

  ReadTickerPrefs(settings, &prefs);
  value = 100;
  for (const auto& row : rows) {
    const int32_t read = row.prefsField != nullptr ? prefs.*row.prefsField
                                                   : prefs.content.*row.contentField;
    EXPECT_EQ(read, value++) << row.name;
  }
  EXPECT_STREQ(prefs.content.airports, "JFK,SFO");
  EXPECT_STREQ(prefs.httpProxy, "proxy.test");
  EXPECT_STREQ(prefs.proxyPort, "8080");
  EXPECT_STREQ(prefs.content.stockSymbols, "INTC+MSFT");
}

TEST_F(TickerPrefsTest, AnEmptyStoreGivesTheTableDefaults) {
  ReadTickerPrefs(settings, &prefs);
  EXPECT_EQ(prefs.autoUpdate, 1);
  EXPECT_EQ(prefs.mailAlertIcon, 1);
  EXPECT_EQ(prefs.mailCycleLength, 5);
  EXPECT_EQ(prefs.content.usHeadlines, 0);
  EXPECT_STREQ(prefs.content.stockSymbols, kDefaultStockSymbols);
  EXPECT_TRUE(NoContentSelected(prefs.content));
}

TEST(ContentSelection, AnyOfTheNineSwitchesIsASelection) {
  int32_t ContentSelection::*const switches[] = {
      &ContentSelection::usHeadlines,         &ContentSelection::worldHeadlines,
      &ContentSelection::businessHeadlines,   &ContentSelection::politicsHeadlines,
      &ContentSelection::technologyHeadlines, &ContentSelection::sportsHeadlines,
      &ContentSelection::entertainmentHeadlines, &ContentSelection::stockQuotes,
      &ContentSelection::weather};
  for (int32_t ContentSelection::*on : switches) {
    ContentSelection c;
    c.*on = 1;
    EXPECT_FALSE(NoContentSelected(c));
  }
  ContentSelection others;
  others.fahrenheit = 1;
  others.storiesPerTopic = 10;
  std::strcpy(others.airports, "JFK");
  EXPECT_TRUE(NoContentSelected(others)) << "units, counts and airports select nothing";
}

TEST_F(TickerPrefsTest, TheFirstRunStoresAndUsesASensibleSelection) {
  prefs.tickerSpeed = 1;
  prefs.smoothScrolling = 1;
  settings.WriteSetting(SettingId::kSmoothScrolling, 1);
  ApplyFirstRunDefaults(settings, &prefs);
  EXPECT_FALSE(NoContentSelected(prefs.content));
  EXPECT_EQ(prefs.tickerSpeed, 3);
  EXPECT_EQ(prefs.showInScreenSaver, 1);
  EXPECT_EQ(prefs.smoothScrolling, 0);
  EXPECT_EQ(prefs.newsRefresh, 10);
  EXPECT_EQ(prefs.content.storiesPerTopic, 10);

  // What the next start reads back is what this one uses.
  TickerPrefs next;
  ReadTickerPrefs(settings, &next);
  const ContentSelection& a = prefs.content;
  const ContentSelection& b = next.content;
  EXPECT_EQ(b.usHeadlines, a.usHeadlines);
  EXPECT_EQ(b.technologyHeadlines, a.technologyHeadlines);
  EXPECT_EQ(b.businessHeadlines, a.businessHeadlines);
  EXPECT_EQ(b.stockQuotes, a.stockQuotes);
  EXPECT_EQ(b.weather, a.weather);
  EXPECT_EQ(b.fahrenheit, a.fahrenheit);
  EXPECT_EQ(b.storiesPerTopic, a.storiesPerTopic);
  EXPECT_EQ(next.tickerSpeed, prefs.tickerSpeed);
  EXPECT_EQ(next.newsRefresh, prefs.newsRefresh);
  EXPECT_EQ(next.autoUpdate, 1);
  EXPECT_EQ(next.showInScreenSaver, 1);
  EXPECT_EQ(next.smoothScrolling, 1) << "smooth scrolling is off for the first run only";
  EXPECT_STREQ(b.airports, "JFK,SFO,LAX");
  EXPECT_EQ(settings.ReadSetting(SettingId::kBoldFont), 1);
}

// The pages' copies: a number by its row, whichever record holds it, and texts cut to their
// buffers however long the source.
TEST_F(TickerPrefsTest, ThePagesCopiesGoByRowAndStayInTheirBuffers) {
  std::mutex lock;
  WriteCopy(lock, prefs, SettingId::kStoriesPerTopic, 12);
  WriteCopy(lock, prefs, SettingId::kMyVexlo, 1);
  EXPECT_EQ(prefs.content.storiesPerTopic, 12);
  EXPECT_EQ(ReadCopy(lock, prefs, SettingId::kMyVexlo), 1);

  const std::string longText(300, 'a');
  SetAccount(lock, prefs, longText.c_str(), longText.c_str());
  char userId[kTextValueSize];
  char password[kPasswordCopySize];
  CopyAccount(lock, prefs, userId, password);
  EXPECT_EQ(std::strlen(userId), kTextValueSize - 1);
  EXPECT_EQ(std::strlen(password), kPasswordCopySize - 1);
  SetSymbols(lock, prefs, longText.c_str());
  char symbols[kSymbolListSize];
  CopySymbols(lock, prefs, symbols);
  EXPECT_EQ(std::strlen(symbols), kSymbolListSize - 1);
}

TEST(LogoPhase, TheMailCycleOnlyWhileTheAlertShows) {
  const struct {
    int32_t cycle;
    bool pending;
    int32_t icon, seconds;
  } rows[] = {
      {5, true, 1, 5}, {3, true, 1, 3},  {5, false, 1, 10}, {5, true, 0, 10},
      {0, true, 1, 10}, {-2, true, 1, 10}, {30, true, 1, 30},
  };
  for (const auto& row : rows) {
    TickerPrefs prefs;
    prefs.mailCycleLength = row.cycle;
    prefs.mailAlertIcon = row.icon;
    EXPECT_EQ(LogoPhaseLength(prefs, row.pending), row.seconds)
        << row.cycle << " " << row.pending << " " << row.icon;
  }
}

struct Asker {
  const char* answer;
  int asked = 0;
};

bool Answer(void* context, char* password, size_t capacity) {
  Asker* asker = static_cast<Asker*>(context);
  ++asker->asked;
  std::strncpy(password, asker->answer, capacity);  // may leave no NUL: the caller ends it
  return asker->answer[0] != '\0';
}

std::string Encoded(const char* plain) {
  char out[kTextValueSize];
  Base64EncodeBounded(plain, out, sizeof out);
  return out;
}

TEST(LoadAccount, PasswordsAreKeptEncodedAndSpacesSentAsPlus) {
  const std::string longPlain(99, 'p');  // the longest text the store gives back
  const struct {
    const char* userId;
    std::string encoded, plain;
    int32_t myVexlo;
    const char* answer;
    // expected
    const char* userIdAfter;
    std::string passwordAfter;
    int asked;
    std::string encodedAfter;  // "" when the stored value stays as it was
    int32_t myVexloAfter;
  } rows[] = {
      {"jo doe", Encoded("se cret"), "", 1, "", "jo+doe", "se+cret", 0, "", 1},
      {"jo", "", "old", 1, "", "jo", "old", 0, Encoded("old"), 1},  // a plain one is encoded
      {"jo", "", "", 1, "typed", "jo", "typed", 1, Encoded("typed"), 1},
      {"jo", "", "", 1, "", "jo", "", 1, Encoded(""), 0},  // asked in vain: account off
      {"", "", "", 1, "unused", "", "", 0, Encoded(""), 0},  // no id: never asked
      {"", "", "", 0, "", "", "", 0, Encoded(""), 0},
      {"jo", "", longPlain.c_str(), 0, "", "jo", longPlain.substr(0, 99), 0,
       Encoded(std::string(72, 'p').c_str()), 0},  // only 72 bytes fit the stored text
      {"jo", "", "", 0, "x", "jo", std::string(199, 'x'), 1,
       Encoded(std::string(72, 'x').c_str()), 0},  // an answer without its NUL
  };
  int index = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(index++);
    MemoryStore memory;
    SettingsStore settings(memory);
    memory.WriteText("Vexlo! User ID", row.userId);
    if (!row.encoded.empty()) memory.WriteText("Vexlo! EPassword", row.encoded.c_str());
    if (!row.plain.empty()) memory.WriteText("Vexlo! Password", row.plain.c_str());
    TickerPrefs prefs;
    prefs.myVexlo = row.myVexlo;
    const std::string filler = row.answer[0] == 'x' ? std::string(300, 'x') : row.answer;
    Asker asker{filler.c_str()};
    // Start-up asks before it takes its lock, from the same reading of the account.
    EXPECT_EQ(ReadStoredAccount(settings).PasswordMissing(), row.asked == 1);
    LoadAccount(settings, &prefs, Answer, &asker);

    EXPECT_STREQ(prefs.userId, row.userIdAfter);
    EXPECT_EQ(std::string(prefs.password), row.passwordAfter);
    EXPECT_EQ(asker.asked, row.asked);
    char stored[kTextValueSize];
    settings.ReadTextValue("Vexlo! EPassword", stored);
    EXPECT_EQ(std::string(stored), row.encodedAfter.empty() ? row.encoded : row.encodedAfter);
    if (row.encoded.empty()) {
      settings.ReadTextValue("Vexlo! Password", stored);
      EXPECT_STREQ(stored, "") << "the plain password does not stay behind";
    }
    EXPECT_EQ(prefs.myVexlo, row.myVexloAfter);
    if (row.myVexlo != row.myVexloAfter) {
      EXPECT_EQ(settings.ReadSetting(SettingId::kMyVexlo), 0);
    }
  }
}

}  // namespace
