// Quotes, weather and accounts: their files, their texts and the login check.
#include <gtest/gtest.h>

#include "accounts.h"
#include "market_data.h"

namespace {

TEST(ParseHundredths, ReadsPlainDecimalsOnly) {
  const struct {
    const char* text;
    bool ok;
    int64_t value;
  } rows[] = {
      {"120.50", true, 12050}, {"+2.1", true, 210}, {"-45.10", true, -4510},
      {"0", true, 0},          {".5", true, 50},    {"7.", true, 700},
      {"-0.00", true, 0},      {"1.234", false, 0}, {"", false, 0},
      {"+", false, 0},         {"1e3", false, 0},   {"12,5", false, 0},
      {"--1", false, 0},       {"nan", false, 0},   {"99999999999999999999", false, 0},
  };
  for (const auto& row : rows) {
    int64_t value = -1;
    EXPECT_EQ(ParseHundredths(row.text, &value), row.ok) << row.text;
    if (row.ok) EXPECT_EQ(value, row.value) << row.text;
  }
}

TEST(FormatQuoteText, SignShowsTheDirection) {
  const struct {
    const char* symbol;
    int64_t last, change;
    const char* text;
  } rows[] = {
      {"INTC", 12050, 210, "INTC 120.50 +2.10"}, {"MSFT", 9025, -115, "MSFT 90.25 -1.15"},
      {"VXLO", 15000, 0, "VXLO 150.00 0.00"},    {"^DJI", 1051234, -4510, "^DJI 10512.34 -45.10"},
      {"TINY", 5, -1, "TINY 0.05 -0.01"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatQuoteText(Quote{row.symbol, row.last, row.change}), row.text);
  }
}

TEST(FahrenheitToCelsius, RoundsHalfAwayFromZero) {
  const struct {
    int64_t fahrenheitCents;
    int64_t celsius;
  } rows[] = {
      {3200, 0},  {21200, 100}, {-4000, -40}, {7200, 22},     {10000, 38},
      {5000, 10}, {3100, -1},   {3150, 0},    {-45900, -273}, {9950, 38},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FahrenheitToCelsius(row.fahrenheitCents), row.celsius) << row.fahrenheitCents;
  }
  EXPECT_EQ(RoundedFahrenheit(7250), 73);
  EXPECT_EQ(RoundedFahrenheit(-250), -3);
}

TEST(FormatWeatherText, GivesTheRequestedUnit) {
  const WeatherReading jfk{"JFK", 7200, "Partly Cloudy"};
  EXPECT_EQ(FormatWeatherText(jfk, true),
            "JFK 72\xB0"
            "F Partly Cloudy");
  EXPECT_EQ(FormatWeatherText(jfk, false),
            "JFK 22\xB0"
            "C Partly Cloudy");
  EXPECT_EQ(FormatWeatherText(WeatherReading{"DEN", -400, ""}, false),
            "DEN -20\xB0"
            "C");
}

TEST(ParseQuotes, SkipsBadLinesAndKeepsTheLastOfASymbol) {
  std::vector<std::string> problems;
  const std::vector<Quote> quotes = ParseQuotes(
      "# comment\n"
      "intc 120.50 +2.10\r\n"
      "\n"
      "MSFT 90.25\n"
      "BAD$ 1 1\n"
      "VXLO 150 0 extra\n"
      "INTC 121.00 +2.60\n"
      "   ^DJI\t10512.34\t-45.10   \n",
      &problems);
  ASSERT_EQ(quotes.size(), 2u);
  EXPECT_EQ(quotes[0].symbol, "INTC");
  EXPECT_EQ(quotes[0].lastCents, 12100);
  EXPECT_EQ(quotes[1].symbol, "^DJI");
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind("line 4:", 0), 0u);
}

TEST(ParseWeather, ReadsConditionsToTheEndOfTheLine) {
  std::vector<std::string> problems;
  const std::vector<WeatherReading> readings = ParseWeather(
      "JFK 72 Partly  Cloudy\nsfo 61.5\nX 50 Too short a code\nLAX hot Sunny\n"
      "ORD 55 Caf\xC3\xA9 weather \xE2\x80\x94 wet\n",
      &problems);
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_EQ(readings[0].conditions, "Partly Cloudy");
  EXPECT_EQ(readings[1].airport, "SFO");
  EXPECT_EQ(readings[1].conditions, "");
  EXPECT_EQ(readings[2].conditions, "Caf\xE9 weather \x97 wet");
  EXPECT_EQ(problems.size(), 2u);
}

TEST(NormalizeSymbol, AcceptsTickerSymbolsOnly) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"intc", "INTC"},
      {"^DJI", "^DJI"},
      {"BRK.B", "BRK.B"},
      {"EURUSD=X", "EURUSD=X"},
      {"^", ""},
      {"", ""},
      {"A B", ""},
      {"<script>", ""},
      {"ABCDEFGHIJKLM", ""},
      {"\xE9", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(NormalizeSymbol(row.in), row.out) << row.in;
  EXPECT_EQ(NormalizeAirport("jfk"), "JFK");
  EXPECT_EQ(NormalizeAirport("K"), "");
  EXPECT_EQ(NormalizeAirport("J-K"), "");
}

const char kAccounts[] =
    "[alice]\npassword = wonderland\ntopics = rt,rb\nstories = 5\nsymbols = ^dji+INTC\n"
    "airports = JFK SFO\nunit = c\nnew_mail = no\n"
    "[Bob Smith]\npassword = open sesame\nnew_mail = 3\n"
    "[carol]\npassword = tulip\nsetup_complete = no\n"
    "[dave]\ntopics = rt\n"
    "[erin]\npassword = x\ntopics = rt,zz\nstories = 500\ncolour = blue\n"
    "stray line\n";

TEST(ParseAccounts, ReadsSectionsAndReportsWhatDoesNotRead) {
  std::vector<std::string> problems;
  const std::vector<Account> accounts = ParseAccounts(kAccounts, &problems);
  ASSERT_EQ(accounts.size(), 4u) << "dave has no password";
  const Account& alice = accounts[0];
  EXPECT_EQ(alice.topics, (std::vector<std::string>{"rt", "rb"}));
  EXPECT_EQ(alice.storiesPerTopic, 5);
  EXPECT_EQ(alice.symbols, (std::vector<std::string>{"^DJI", "INTC"}));
  EXPECT_EQ(alice.airports, (std::vector<std::string>{"JFK", "SFO"}));
  EXPECT_FALSE(alice.fahrenheit);
  EXPECT_EQ(alice.newMail, 0);
  EXPECT_EQ(accounts[1].newMail, 3);
  EXPECT_FALSE(accounts[2].setupComplete);
  EXPECT_EQ(problems.size(), 5u) << "dave, erin's topics, stories and colour, the stray line";
}

TEST(CheckLogin, AnswersForEachKindOfAccount) {
  std::vector<std::string> problems;
  const std::vector<Account> accounts = ParseAccounts(kAccounts, &problems);
  const struct {
    const char* user;
    const char* password;
    LoginResult result;
  } rows[] = {
      {"alice", "wonderland", LoginResult::kOk},
      {"ALICE", "wonderland", LoginResult::kOk},
      {"alice", "Wonderland", LoginResult::kRefused},
      {"alice", "", LoginResult::kRefused},
      {"bob+smith", "open+sesame", LoginResult::kOk},
      {"Bob Smith", "open sesame", LoginResult::kOk},
      {"bob+smith", "open sesame!", LoginResult::kRefused},
      {"carol", "tulip", LoginResult::kSetupIncomplete},
      {"carol", "wrong", LoginResult::kRefused},
      {"nobody", "wonderland", LoginResult::kRefused},
      {"", "", LoginResult::kRefused},
  };
  for (const auto& row : rows) {
    const Account* account = nullptr;
    EXPECT_EQ(CheckLogin(accounts, row.user, row.password, &account), row.result)
        << row.user << " / " << row.password;
    if (row.result != LoginResult::kRefused) ASSERT_NE(account, nullptr);
  }
}

}  // namespace
