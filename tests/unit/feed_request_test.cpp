// Request addresses, credentials in queries, the login answer and the settings snapshot.
#include "feed/feed_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>


namespace {

FeedSettings BaseSettings() {
  FeedSettings s;
  std::strcpy(s.dataEndpoint, "http://data.example/tlx/update");
  std::strcpy(s.loginEndpoint, "http://portal.example/config/tlxlogin?login=");
  s.storiesPerTopic = 10;
  return s;
}

std::string DataAddress(const FeedSettings& s, size_t capacity = kRequestAddressSize) {
  std::string out(capacity, '#');
  const size_t length = BuildDataRequestAddress(s, "134501", &out[0], capacity);
  EXPECT_EQ(std::strlen(out.c_str()), length);
  return out.c_str();
}

TEST(BuildDataRequestAddress, WorkedExample) {
  FeedSettings s = BaseSettings();
  s.stockQuotes = true;
  std::strcpy(s.stockSymbols, "INTC+MSFT");
  s.weather = true;
  s.fahrenheit = true;
  std::strcpy(s.airports, "JFK,SFO,LAX");
  s.usHeadlines = true;
  s.technologyHeadlines = true;
  EXPECT_EQ(DataAddress(s),
            "http://data.example/tlx/update?stocks=INTC,MSFT&weather=f,JFK,SFO,LAX&news=10,rt,rc,"
            "&134501");
}

TEST(BuildDataRequestAddress, QueryBySettings) {
  const struct {
    const char* name;
    std::function<void(FeedSettings&)> change;
    const char* address;
  } rows[] = {
      {"nothing selected", [](FeedSettings& s) { s.storiesPerTopic = 5; },
       "http://data.example/tlx/update?news=5,&134501"},
      {"account mode has no query",
       [](FeedSettings& s) {
         s.accountMode = true;
         s.stockQuotes = true;
         s.usHeadlines = true;
       },
       "http://data.example/tlx/update&134501"},
      {"celsius", [](FeedSettings& s) {
         s.weather = true;
         std::strcpy(s.airports, "ORD");
       },
       "http://data.example/tlx/update?weather=c,ORD&news=10,&134501"},
      {"every topic in its order",
       [](FeedSettings& s) {
         s.usHeadlines = s.worldHeadlines = s.businessHeadlines = s.politicsHeadlines = true;
         s.technologyHeadlines = s.sportsHeadlines = s.entertainmentHeadlines = true;
       },
       "http://data.example/tlx/update?news=10,rt,rw,rb,rp,rc,rs,re&134501"},
      {"Data Server replaces the endpoint",
       [](FeedSettings& s) { std::strcpy(s.dataServer, "http://other.example/feed"); },
       "http://other.example/feed?news=10,&134501"},
      {"Data Server in account mode",
       [](FeedSettings& s) {
         s.accountMode = true;
         std::strcpy(s.dataServer, "http://other.example/feed");
       },
       "http://other.example/feed&134501"},
      // The '+' swap covers everything built before it, the server address too.
      {"plus signs before the symbols",
       [](FeedSettings& s) {
         std::strcpy(s.dataServer, "http://a+b.example/f");
         s.stockQuotes = true;
         std::strcpy(s.stockSymbols, "^DJI+VXLO");
       },
       "http://a,b.example/f?stocks=^DJI,VXLO&news=10,&134501"},
      {"airports keep their plus signs",
       [](FeedSettings& s) {
         s.stockQuotes = true;
         std::strcpy(s.stockSymbols, "A");
         s.weather = true;
         std::strcpy(s.airports, "JFK+SFO");
       },
       "http://data.example/tlx/update?stocks=A&weather=c,JFK+SFO&news=10,&134501"},
      {"negative stories", [](FeedSettings& s) { s.storiesPerTopic = -3; },
       "http://data.example/tlx/update?news=-3,&134501"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FeedSettings s = BaseSettings();
    row.change(s);
    EXPECT_EQ(DataAddress(s), row.address);
  }
}

// Whatever the capacity, the address is the start of the full one and nothing past the field
// is written.
TEST(BuildDataRequestAddress, OverLongPartsAreCutNeverOverrun) {
  FeedSettings s = BaseSettings();
  std::memset(s.dataServer, 'd', sizeof s.dataServer - 1);
  s.stockQuotes = true;
  std::memset(s.stockSymbols, '+', sizeof s.stockSymbols - 1);
  s.weather = true;
  std::memset(s.airports, 'a', sizeof s.airports - 1);
  s.usHeadlines = s.worldHeadlines = s.businessHeadlines = s.politicsHeadlines = true;
  s.technologyHeadlines = s.sportsHeadlines = s.entertainmentHeadlines = true;
  std::string full(2000, '#');
  BuildDataRequestAddress(s, "134501", &full[0], full.size());
  full = full.c_str();
  ASSERT_GT(full.size(), kRequestAddressSize);

  EXPECT_EQ(DataAddress(s), full.substr(0, kRequestAddressSize - 1));
  for (size_t capacity = 0; capacity <= kRequestAddressSize; capacity += 13) {
    SCOPED_TRACE(capacity);
    std::string out(capacity + 32, '#');
    const size_t length = BuildDataRequestAddress(s, "134501", &out[0], capacity);
    EXPECT_EQ(length, capacity == 0 ? 0 : capacity - 1);
    EXPECT_EQ(out.find_first_not_of('#', capacity), std::string::npos);
    if (capacity > 0) { EXPECT_EQ(std::string(out.c_str()), full.substr(0, capacity - 1)); }
  }
}

TEST(EncodeCredential, QueryFormCutTo48Characters) {
  const struct {
    std::string in;
    std::string out;
  } rows[] = {
      {"john smith", "john+smith"},
      {"john+smith", "john+smith"},  // the in-memory form, spaces already '+'
      {"a.b!c", "a%2Eb%21c"},
      {"", ""},
      {std::string(60, 'a'), std::string(48, 'a')},
      {std::string(20, '.'), [] {
         std::string s;
         for (int i = 0; i < 16; ++i) s += "%2E";
         return s;
       }()},
      {std::string(47, 'a') + ".", std::string(47, 'a')},  // an escape is never split
      {"\xE9t\xE9", "%E9t%E9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    char out[kEncodedCredentialSize];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(EncodeCredential(row.in.c_str(), out), row.out.size());
    EXPECT_EQ(std::string(out), row.out);
  }
}

TEST(BuildLoginAddress, ServerOrEndpointThenCredentials) {
  const struct {
    const char* loginServer;
    const char* address;
  } rows[] = {
      {"", "http://portal.example/config/tlxlogin?login=john+smith&passwd=a%2Eb%21c"},
      {"http://login.example/in?u=", "http://login.example/in?u=john+smith&passwd=a%2Eb%21c"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.loginServer);
    FeedSettings s = BaseSettings();
    std::strcpy(s.loginServer, row.loginServer);
    char user[kEncodedCredentialSize], password[kEncodedCredentialSize];
    EncodeCredential("john smith", user);
    EncodeCredential("a.b!c", password);
    char out[kLoginAddressSize];
    BuildLoginAddress(s, user, password, out, sizeof out);
    EXPECT_STREQ(out, row.address);
  }
}

TEST(BuildLoginAddress, LongestPartsAreCutTo199Characters) {
  FeedSettings s = BaseSettings();
  std::memset(s.loginServer, 's', sizeof s.loginServer - 1);
  char user[kEncodedCredentialSize], password[kEncodedCredentialSize];
  EncodeCredential(std::string(60, 'u').c_str(), user);
  EncodeCredential(std::string(60, 'p').c_str(), password);
  char out[kLoginAddressSize + 8];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(BuildLoginAddress(s, user, password, out, kLoginAddressSize), kLoginAddressSize - 1);
  const std::string expected =
      std::string(99, 's') + std::string(48, 'u') + "&passwd=" + std::string(48, 'p');
  EXPECT_EQ(std::string(out), expected.substr(0, kLoginAddressSize - 1));
  for (size_t i = kLoginAddressSize; i < sizeof out; ++i) EXPECT_EQ(out[i], '#');
}

TEST(NewsSourceAddresses, AlternateAndExternal) {
  char out[kRequestAddressSize];
  BuildAlternateNewsAddress("http://alt.example/feed", "john+smith", "pw", out, sizeof out);
  EXPECT_STREQ(out, "http://alt.example/feed?ID=john+smith&PASSWD=pw");

  const struct {
    const char* value;
    const char* path;
  } rows[] = {
      {"C:\\feeds", "C:\\feeds\\news.dat"},
      {"C:\\feeds\\", "C:\\feeds\\news.dat"},
      {"http://ext.example/n", "http://ext.example/n\\news.dat"},
  };
  for (const auto& row : rows) {
    BuildExternalNewsPath(row.value, out, sizeof out);
    EXPECT_STREQ(out, row.path);
  }
}

TEST(ClassifyLoginAnswer, FirstMatchingSubstringInOrder) {
  const struct {
    const char* answer;
    LoginAnswer meaning;
  } rows[] = {
      {"OK", LoginAnswer::kLoggedIn},
      {"Login OK\r\n", LoginAnswer::kLoggedIn},
      {"Please set your preferences", LoginAnswer::kPreferences},
      {"ERROR: bad password", LoginAnswer::kError},
      {"ERROR: see preferences", LoginAnswer::kPreferences},
      {"ERROR: NOT OK", LoginAnswer::kLoggedIn},
      {"ok", LoginAnswer::kUnexpected},
      {"Error: bad", LoginAnswer::kUnexpected},
      {"<html>Server busy</html>", LoginAnswer::kUnexpected},
      {"", LoginAnswer::kUnexpected},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.answer);
    EXPECT_EQ(ClassifyLoginAnswer(row.answer), row.meaning);
  }
}

TEST(ReadFeedStoreSettings, OverridesAndResolvedAddresses) {
  MemoryStore store;
  SettingsStore settings(store);
  settings.WriteTextValue("Portal Server", "http://portal.example/");
  settings.WriteTextValue("Publisher Server", "http://pub.example");
  settings.WriteTextValue("Maker Server", "http://maker.example");
  settings.WriteTextValue("Login Server", "http://login.example/l?u=");
  settings.WriteTextValue("Airports", "JFK,SFO");
  settings.WriteTextValue("Other Mail Sound Name", "C:\\ding.wav");
  settings.WriteSetting(SettingId::kOtherMailSound, 1);
  settings.WriteSetting(SettingId::kMailSoundIndex, 1);

  FeedSettings s;
  ReadFeedStoreSettings(settings, &s);
  EXPECT_STREQ(s.loginEndpoint, "http://portal.example/config/tlxlogin?login=");
  EXPECT_STREQ(s.dataEndpoint, "http://pub.example/tlx/update");
  EXPECT_STREQ(s.accountSetupPage, "http://portal.example/config/eval_suggest");
  EXPECT_STREQ(s.makerHomePage, "http://maker.example/");
  EXPECT_STREQ(s.loginServer, "http://login.example/l?u=");
  EXPECT_STREQ(s.dataServer, "");
  EXPECT_STREQ(s.airports, "JFK,SFO");
  EXPECT_STREQ(s.otherMailSoundName, "C:\\ding.wav");
  EXPECT_TRUE(s.otherMailSound);
  EXPECT_EQ(s.mailSoundIndex, 1);
}

}  // namespace
