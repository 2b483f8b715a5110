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

TEST(Base64, EncodesGroupsWithPadding) {
  char out[64];
  EXPECT_STREQ(Base64Encode("abc", out), "YWJj");
  EXPECT_STREQ(Base64Encode("ab", out), "YWI=");
  EXPECT_STREQ(Base64Encode("a", out), "YQ==");
  EXPECT_STREQ(Base64Encode("", out), "");
  EXPECT_STREQ(Base64Encode("p\xE9ss w0rd", out), "cOlzcyB3MHJk");
  EXPECT_STREQ(Base64Encode(nullptr, out), "");
  EXPECT_STREQ(Base64Encode("abc", nullptr), "");
}

TEST(Base64, DecodesWhatItEncodes) {
  char encoded[400];
  char decoded[300];
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 100u, 255u}) {
    const std::string text = all.substr(0, n);
    Base64Encode(text.c_str(), encoded);
    EXPECT_EQ(std::string(Base64Decode(encoded, decoded)), text) << n;
  }
}

TEST(Base64, MalformedInputGivesTheEmptyText) {
  char out[64];
  EXPECT_STREQ(Base64Decode("YWJjY", out), "") << "length not a multiple of 4";
  EXPECT_STREQ(Base64Decode("Y=Jj", out), "") << "'=' second in a group";
  EXPECT_STREQ(Base64Decode("YWJjY===", out), "") << "'=' second in a later group";
  EXPECT_STREQ(Base64Decode("YWI=", out), "ab");
  EXPECT_STREQ(Base64Decode("YQ==", out), "a");
  // Foreign characters count as zero bits: "Y!!!" is 'Y' then three zeros.
  EXPECT_EQ(static_cast<unsigned char>(Base64Decode("Y!!!", out)[0]), 0x60);
  EXPECT_STREQ(Base64Decode(nullptr, out), "");
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
