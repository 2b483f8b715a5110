// The realm of an authentication answer and the "Proxy Pass" scrambling.
#include "feed/http_auth.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kGuard = '#';

TEST(ExtractRealm, FromRawHeaders) {
  const struct {
    const char* name;
    std::string headers;
    const char* realm;  // null: no realm
  } rows[] = {
      {"quoted word", "HTTP/1.0 407 Proxy\r\nProxy-Authenticate: Basic realm=\"Corp\"\r\n\r\n",
       "Corp"},
      {"quoted words", "WWW-Authenticate: Basic realm=\"Corp Proxy 2\"\r\n", "Corp Proxy 2"},
      {"upper case word", "Proxy-Authenticate: Basic REALM=\"LAN\"\r\n", "LAN"},
      {"capitalised word", "Proxy-Authenticate: Basic Realm=\"Net\"\r\n", "Net"},
      {"lower case wins", "X: Realm=\"first\"\r\nY: realm=\"second\"\r\n", "second"},
      {"no realm", "HTTP/1.0 401 Unauthorized\r\nServer: x\r\n\r\n", nullptr},
      {"empty headers", "", nullptr},
      {"unterminated quote", "Basic realm=\"Corp", "Corp"},
      {"realm word at the very end", "Basic realm", ""},
      {"equals sign at the very end", "Basic realm=", ""},
      {"opening quote at the very end", "Basic realm=\"", ""},
      {"empty quoted realm", "Basic realm=\"\", x=\"y\"", ""},
      {"opening quote ten places on", "realm=         \"X\"", "X"},
      {"no opening quote within ten", "realm=0123456789ABC\"", "ABC"},
      {"closing quote 50 places on", "realm=\"" + std::string(50, 'a') + "\"x",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
      {"closing quote 51 places on", "realm=\"" + std::string(51, 'a') + "\"x",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\"x"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<char> buffer(row.headers.begin(), row.headers.end());
    buffer.push_back('\0');
    buffer.insert(buffer.end(), 64, kGuard);
    char* realm = ExtractRealm(buffer.data());
    if (row.realm == nullptr) {
      EXPECT_EQ(realm, nullptr);
    } else {
      ASSERT_NE(realm, nullptr);
      EXPECT_STREQ(realm, row.realm);
      EXPECT_GE(realm, buffer.data());
      EXPECT_LE(realm, buffer.data() + row.headers.size());
    }
    for (size_t i = row.headers.size() + 1; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kGuard);
  }
}

TEST(ExtractRealm, NullHeaders) { EXPECT_EQ(ExtractRealm(nullptr), nullptr); }

std::string Scrambled(std::string text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  ScrambleProxyPassword(buffer.data());
  return buffer.data();
}

TEST(ScrambleProxyPassword, IsItsOwnInverse) {
  // Beyond 255 positions the key wraps to the low byte; 'y' stands in where 'x' would turn into 0.
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += ((i + 1) & 0xFF) == 'x' ? 'y' : 'x';
  const std::string rows[] = {"secret", "p@ss w0rd", "", "\xE9t\xE9", longText};
  for (const std::string& text : rows) {
    SCOPED_TRACE(text);
    const std::string stored = Scrambled(text);
    EXPECT_EQ(stored.size(), text.size());
    if (!text.empty()) { EXPECT_NE(stored, text); }
    EXPECT_EQ(Scrambled(stored), text);
  }
  EXPECT_EQ(Scrambled("abc"), "```");
}

TEST(ScrambleProxyPassword, AByteEqualToItsKeyCutsTheText) {
  const struct {
    std::string text;
    size_t kept;
  } rows[] = {
      {"\x01" "abc", 0},
      {"a\x02" "c", 1},
      {std::string(31, 'k') + " tail", 31},  // a space at position 31 meets the key 32
      {std::string(48, 'k') + "1", 48},      // '1' is 49
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kept);
    const std::string stored = Scrambled(row.text);
    EXPECT_EQ(stored.size(), row.kept);
    // What survives still unscrambles to the start of the password.
    EXPECT_EQ(Scrambled(stored), row.text.substr(0, row.kept));
  }
}

}  // namespace
