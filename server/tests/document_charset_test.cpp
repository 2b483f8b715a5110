// Finding a document's encoding and reading it into UTF-8.
#include "document_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(CharsetFromContentType, ReadsTheParameter) {
  const struct {
    const char* header;
    const char* charset;
  } rows[] = {
      {"text/xml; charset=koi8-r", "koi8-r"},
      {"application/rss+xml;charset=\"Shift_JIS\"", "Shift_JIS"},
      {"text/xml; q=1; CHARSET = 'utf-8' ", "utf-8"},
      {"text/xml; boundary=x;charset=tis-620;format=flowed", "tis-620"},
      {"text/xml", ""},
      {"text/xml; charset=", ""},
      {"text/xml; notcharset=x", ""},
      {"", ""},
      {";;;", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CharsetFromContentType(row.header), row.charset) << row.header;
}

TEST(DeclaredXmlEncoding, ReadsTheDeclarationOnly) {
  const struct {
    const char* bytes;
    const char* encoding;
  } rows[] = {
      {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?><rss/>", "KOI8-R"},
      {"<?xml version='1.0' encoding = 'windows-1251' standalone='yes'?>", "windows-1251"},
      {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>", "utf-8"},
      {"<?xml version=\"1.0\"?><rss encoding=\"koi8-r\"/>", ""},
      {"<rss><?xml encoding=\"koi8-r\"?></rss>", ""},
      {"<?xml version=\"1.0\" encoding=\"koi8-r", ""},
      {"<?xml version=\"1.0\" encoding=koi8-r?>", ""},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(DeclaredXmlEncoding(row.bytes), row.encoding) << row.bytes;
}

TEST(DocumentToUtf8, TakesTheEncodingFromTheRightPlace) {
  // "Привет" in KOI8-R, and "é" in Windows-1252.
  const std::string koi8 = "\xF0\xD2\xC9\xD7\xC5\xD4";
  const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
  const struct {
    std::string bytes;
    std::string transport;
    std::string utf8;
    std::string encoding;
  } rows[] = {
      {"<a>caf\xC3\xA9</a>", "", "<a>caf\xC3\xA9</a>", "UTF-8"},
      {"\xEF\xBB\xBF<a/>", "koi8-r", "<a/>", "UTF-8"},
      {"\xFF\xFE<\0a\0/\0>\0"s, "", "<a/>", "UTF-16LE"},
      {"\xFE\xFF\0<\0a\0/\0>"s, "koi8-r", "<a/>", "UTF-16BE"},
      {"<\0?\0x\0?\0>\0"s, "", "<?x?>", "UTF-16LE"},
      {"\0<\0?\0x\0?\0>"s, "", "<?x?>", "UTF-16BE"},
      {"\xFF\xFE\0\0<\0\0\0"s, "", "<", "UTF-32LE"},
      {"<?xml version=\"1.0\" encoding=\"koi8-r\"?><a>" + koi8 + "</a>", "",
       "<?xml version=\"1.0\" encoding=\"koi8-r\"?><a>" + privet + "</a>", "KOI8-R"},
      // The server's word wins over the document's.
      {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a>" + koi8 + "</a>", "KOI8-R",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>" + privet + "</a>", "KOI8-R"},
      // Latin-1 labels are read as Windows-1252: 0x93 and 0x94 are curly quotes.
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\x93x\x94</a>", "",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE2\x80\x9Cx\xE2\x80\x9D</a>",
       "WINDOWS-1252"},
      {"<a>\x80</a>", "us-ascii", "<a>\xE2\x82\xAC</a>", "WINDOWS-1252"},
      // Labels that cannot be right are passed over.
      {"<a>caf\xC3\xA9</a>", "no-such-charset", "<a>caf\xC3\xA9</a>", "UTF-8"},
      {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", "",
       "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", "UTF-8"},
      // A byte the encoding cannot read becomes U+FFFD, and reading goes on.
      {"<a>\x81x</a>", "windows-1252", "<a>\xEF\xBF\xBDx</a>", "WINDOWS-1252"},
      {"<a>\x82\xA0\x82</a>", "shift_jis", "<a>\xE3\x81\x82\xEF\xBF\xBD</a>", "SHIFT_JIS"},
      {"", "", "", "UTF-8"},
  };
  for (const auto& row : rows) {
    std::string utf8, encoding;
    DocumentToUtf8(row.bytes, row.transport, &utf8, &encoding);
    EXPECT_EQ(utf8, row.utf8) << row.bytes;
    EXPECT_EQ(encoding, row.encoding) << row.bytes;
  }
}

TEST(DocumentToUtf8, GuessesWhatIsNotLabelledAndNotUtf8) {
  // Enough Russian for a guess: "Правительство утвердило новый бюджет на следующий год".
  const std::string koi8 =
      "<rss><title>\xF0\xD2\xC1\xD7\xC9\xD4\xC5\xCC\xD8\xD3\xD4\xD7\xCF \xD5\xD4\xD7\xC5\xD2\xC4"
      "\xC9\xCC\xCF \xCE\xCF\xD7\xD9\xCA \xC2\xC0\xC4\xD6\xC5\xD4 \xCE\xC1 \xD3\xCC\xC5\xC4\xD5"
      "\xC0\xDD\xC9\xCA \xC7\xCF\xC4</title></rss>";
  std::string utf8, encoding;
  DocumentToUtf8(koi8, "", &utf8, &encoding);
  EXPECT_EQ(encoding, "KOI8-R");
  EXPECT_NE(utf8.find("\xD0\x9F\xD1\x80\xD0\xB0\xD0\xB2"), std::string::npos) << utf8;  // "Прав"
  // A short Western text stays Windows-1252 unless another Latin code page reads more letters.
  const struct {
    const char* bytes;
    const char* encoding;
    const char* text;
  } latin[] = {
      {"<rss><item><title>Ma\xF1"
       "ana en Espa\xF1"
       "a</title></item></rss>",
       "WINDOWS-1252",
       "Ma\xC3\xB1"
       "ana en Espa\xC3\xB1"
       "a"},
      {"<rss><item><title>Caf\xE9</title></item></rss>", "WINDOWS-1252", "Caf\xC3\xA9"},
      {"<rss><item><title>Kto si\xEA boi \xB3\xF3"
       "dki</title></item></rss>",
       "WINDOWS-1250",
       "Kto si\xC4\x99 boi \xC5\x82\xC3\xB3"
       "dki"},
  };
  for (const auto& row : latin) {
    DocumentToUtf8(row.bytes, "", &utf8, &encoding);
    EXPECT_EQ(encoding, row.encoding) << row.bytes;
    EXPECT_NE(utf8.find(row.text), std::string::npos) << utf8;
  }

  // Whatever the guess, every byte is read: no text is lost.
  DocumentToUtf8("<a>\xFF\xFE\xFD\xFC</a>", "", &utf8, &encoding);
  EXPECT_EQ(utf8.substr(0, 3), "<a>");
  EXPECT_EQ(utf8.substr(utf8.size() - 4), "</a>");
  EXPECT_GE(utf8.size(), 11u);
}

}  // namespace
