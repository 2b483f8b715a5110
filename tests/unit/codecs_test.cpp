// Character references, Base64 and the query encoding.
#include "feed/codecs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

unsigned char Decode(const char* reference) {
  char out = 'X';
  DecodeHtmlEntity(&out, reference);
  return static_cast<unsigned char>(out);
}

TEST(DecodeHtmlEntity, NamedReferences) {
  const struct {
    const char* text;
    unsigned char byte;
  } rows[] = {
      {"&eacute;", 0xE9}, {"&Eacute;", 0xC9}, {"&EACUTE;", ' '},  {"&quot;", 0x94},
      {"&amp;", '&'},     {"&AElig;", 0xC6},  {"&THORN;", 0xDE},  {"&szlig;", 0xDF},
      {"&thorn;", 0xFE},  {"&yuml;", 0xFF},   {"&ocirc;", 0xF4},  {"&Ocirc;", ' '},
      {"&eth;", 0xF0},    {"&ETH;", 0xD0},    {"&nbsp;", ' '},    {"&lt;", ' '},
      {"&copy;", ' '},    {"&", ' '},         {"&ampersand", '&'}, {"&eacutex", 0xE9},
  };
  for (const auto& row : rows) EXPECT_EQ(Decode(row.text), row.byte) << row.text;
}

TEST(DecodeHtmlEntity, NumericReferencesReadThreeDigits) {
  EXPECT_EQ(Decode("&#233;"), 0xE9);
  EXPECT_EQ(Decode("&#39;"), 0x27);
  EXPECT_EQ(Decode("&#169;"), 0xA9);
  EXPECT_EQ(Decode("&#8217;"), 0x35) << "821 & 0xFF";
  EXPECT_EQ(Decode("&#9"), 9);
  EXPECT_EQ(Decode("&#x41;"), 0) << "no digits read";
}

// Each row through every form: the owned results and the caller's-buffer forms with room enough.
TEST(Base64, EncodesAndDecodesEveryForm) {
  const struct {
    const char* plain;    // null: a missing text
    const char* encoded;  // null: a missing text
    const char* decoded;  // what decoding `encoded` gives, as a text
    size_t decodedSize;   // and how many bytes that is, zero bytes included
  } cases[] = {
      {"abc", "YWJj", "abc", 3},
      {"ab", "YWI=", "ab", 2},
      {"a", "YQ==", "a", 1},
      {"", "", "", 0},
      {"p\xE9ss w0rd", "cOlzcyB3MHJk", "p\xE9ss w0rd", 9},
      {nullptr, nullptr, "", 0},
      // Malformed: a length that is not a multiple of 4, '=' second in a group (also a later one).
      {nullptr, "YWJjY", "", 0},
      {nullptr, "Y=Jj", "", 0},
      {nullptr, "YWJjY===", "", 0},
      // Foreign characters count as zero bits: 'Y' then three zeros.
      {nullptr, "Y!!!", "\x60", 3},
  };
  for (const auto& c : cases) {
    const std::string label = c.encoded != nullptr ? c.encoded : "(null)";
    if (c.plain != nullptr || c.encoded == nullptr) {
      const std::string expected = c.encoded != nullptr ? c.encoded : "";
      std::string owned = Base64Encode(c.plain);
      EXPECT_EQ(owned, expected) << label;
      owned += "x";  // the result is the caller's own, also for a missing text
      char buffer[64];
      std::memset(buffer, '#', sizeof buffer);
      EXPECT_EQ(Base64EncodeBounded(c.plain, buffer, sizeof buffer), expected.size()) << label;
      EXPECT_STREQ(buffer, expected.c_str()) << label;
    }
    std::string owned = Base64Decode(c.encoded);
    EXPECT_EQ(owned.size(), c.decodedSize) << label;
    EXPECT_STREQ(owned.c_str(), c.decoded) << label;
    owned += "x";
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(Base64DecodeBounded(c.encoded, buffer, sizeof buffer), c.decodedSize) << label;
    EXPECT_STREQ(buffer, c.decoded) << label;
  }
}

TEST(Base64, DecodesWhatItEncodes) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 100u, 255u}) {
    const std::string text = all.substr(0, n);
    EXPECT_EQ(Base64Decode(Base64Encode(text.c_str()).c_str()), text) << n;
  }
  // A decoded zero byte stays in the owned result.
  EXPECT_EQ(Base64Decode("AAAA"), std::string(3, '\0'));
}

TEST(Base64, BoundedFormsNeverWritePastTheirCapacity) {
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(Base64EncodeBounded("abcdefghijkl", buffer, 10), 8u) << "whole groups only";
  EXPECT_STREQ(buffer, "YWJjZGVm");
  EXPECT_EQ(buffer[10], '#');

  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(Base64DecodeBounded("YWJjZGVmZ2hp", buffer, 5), 4u);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(buffer[5], '#');

  // No room at all, or no buffer: nothing is written.
  EXPECT_EQ(Base64EncodeBounded("abc", buffer, 0), 0u);
  EXPECT_EQ(Base64DecodeBounded("YWJj", nullptr, 16), 0u);
  EXPECT_EQ(Base64EncodeBounded("abc", nullptr, 16), 0u);
  EXPECT_EQ(buffer[0], 'a');
}

TEST(EncodeQueryValue, EscapesAllButLettersAndDigits) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"john smith", "john+smith"}, {"a.b!c", "a%2Eb%21c"}, {"x+y", "x+y"},
      {"\xE9t\xE9", "%E9t%E9"},     {"", ""},               {"100%", "100%25"},
  };
  for (const auto& row : rows) {
    char out[64];
    EncodeQueryValue(row.in, out, sizeof out);
    EXPECT_STREQ(out, row.out) << row.in;
  }
}

TEST(EncodeQueryValue, CutsAtTheCapacityWithoutSplittingAnEscape) {
  char out[49];
  std::memset(out, '#', sizeof out);
  const std::string longId(60, '.');
  EXPECT_EQ(EncodeQueryValue(longId.c_str(), out, 49), 48u);
  std::string expected;
  for (int i = 0; i < 16; ++i) expected += "%2E";
  EXPECT_EQ(std::string(out), expected);
  EXPECT_EQ(std::strlen(out), 48u);
  char small[5];
  EXPECT_EQ(EncodeQueryValue("ab.c", small, sizeof small), 2u) << "the escape does not fit";
  EXPECT_STREQ(small, "ab");
}

}  // namespace
