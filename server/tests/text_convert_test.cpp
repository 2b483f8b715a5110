// UTF-8 to Windows-1252, markup and references, and headline clean-up.
#include "text_convert.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8ToWindows1252, MapsWhatHasAByteAndMarksTheRest) {
  const struct {
    const char* utf8;
    const char* bytes;
  } rows[] = {
      {"plain ASCII", "plain ASCII"},
      {"caf\xC3\xA9", "caf\xE9"},                    // é
      {"\xC3\x80\xC3\xBF", "\xC0\xFF"},              // À ÿ
      {"\xE2\x80\x98\xE2\x80\x99", "\x91\x92"},      // ‘ ’
      {"\xE2\x80\x9C\xE2\x80\x9D", "\x93\x94"},      // “ ”
      {"\xE2\x80\x93\xE2\x80\x94", "\x96\x97"},      // – —
      {"\xE2\x80\xA2", "\x95"},                      // •
      {"\xE2\x82\xAC", "\x80"},                      // €
      {"\xE2\x84\xA2", "\x99"},                      // ™
      {"\xE2\x80\xA6", "\x85"},                      // …
      {"\xC5\xA0\xC5\x93\xC5\xB8", "\x8A\x9C\x9F"},  // Š œ Ÿ
      {"\xC2\xA0\xC2\xA9\xC2\xB0", "\xA0\xA9\xB0"},  // nbsp © °
      {"\xE2\x88\x92", "-"},                         // minus sign
      {"\xE2\x86\x92", "?"},                         // → has no byte
      {"\xE4\xB8\xAD\xE6\x96\x87", "??"},            // 中文
      {"\xF0\x9F\x98\x80", "?"},                     // an emoji: one '?'
      {"\xC2\x80", "?"},                             // a C1 control has no byte
      {"\xFF", "?"},                                 // not UTF-8
      {"\xC3", "?"},                                 // cut short
      {"\xC3(", "?("},                               // bad continuation
      {"\xC0\xAF", "??"},                            // overlong '/'
      {"\xED\xA0\x80", "???"},                       // a surrogate
      {"\xF4\x90\x80\x80", "????"},                  // past U+10FFFF
  };
  for (const auto& row : rows) EXPECT_EQ(Utf8ToWindows1252(row.utf8), row.bytes) << row.utf8;
}

TEST(StripMarkup, RemovesTagsButNotComparisons) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"<b>Bold</b> move", " Bold  move"},
      {"a < b and c > d", "a < b and c > d"},
      {"x<br/>y", "x y"},
      {"<!-- note -->text", " text"},
      {"unclosed <b tag", "unclosed <b tag"},
      {"<", "<"},
  };
  for (const auto& row : rows) EXPECT_EQ(StripMarkup(row.in), row.out) << row.in;
}

TEST(DecodeHtmlReferences, DecodesKnownNamesAndNumbers) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"AT&amp;T", "AT&T"},
      {"&eacute;t&eacute;", "\xC3\xA9t\xC3\xA9"},
      {"&#233;&#xE9;&#XE9;", "\xC3\xA9\xC3\xA9\xC3\xA9"},
      {"&#8220;hi&#8221;", "\xE2\x80\x9Chi\xE2\x80\x9D"},
      {"&hellip;&mdash;&euro;", "\xE2\x80\xA6\xE2\x80\x94\xE2\x82\xAC"},
      {"Q&A", "Q&A"},
      {"&unknown;", "&unknown;"},
      {"&amp", "&amp"},
      {"&#;", "&#;"},
      {"&#0;", "\xEF\xBF\xBD"},
      {"&#xD800;", "\xEF\xBF\xBD"},
      {"&#99999999999999999999;", "\xEF\xBF\xBD"},
      {"&lol9;", "&lol9;"},
  };
  for (const auto& row : rows) EXPECT_EQ(DecodeHtmlReferences(row.in), row.out) << row.in;
}

TEST(CleanHeadline, GivesOneCleanLine) {
  const struct {
    const char* in;
    bool html;
    const char* out;
  } rows[] = {
      {"  Two\t\tspaces\r\nand lines  ", false, "Two spaces and lines"},
      {"<p>Markup &amp; <i>entities</i></p>", true, "Markup & entities"},
      {"<p>kept as text</p>", false, "<p>kept as text</p>"},
      {"&lt;b&gt; shown", true, "<b> shown"},
      {"zero\xE2\x80\x8Bwidth\xEF\xBB\xBF", false, "zerowidth"},
      {"e\xCC\x81t\xC3\xA9", false, "et\xE9"},
      {"ctrl\x01\x02\x7F"
       "chars",
       false, "ctrl chars"},
      {"nbsp\xC2\xA0here\xE2\x80\x83too", false, "nbsp here too"},
      {"\xE2\x80\x9CQuoted\xE2\x80\x9D \xE2\x80\x94 yes", false, "\x93Quoted\x94 \x97 yes"},
      {"", false, ""},
      {"   ", true, ""},
  };
  for (const auto& row : rows) EXPECT_EQ(CleanHeadline(row.in, row.html, 200), row.out) << row.in;
}

TEST(CleanHeadline, CutsLongTextAtAWordWithAnEllipsis) {
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta";
  EXPECT_EQ(CleanHeadline(words, false, 20), "alpha beta gamma\x85");
  EXPECT_EQ(CleanHeadline(std::string(50, 'x'), false, 10), std::string(9, 'x') + "\x85");
  EXPECT_EQ(CleanHeadline(words, false, words.size()), words);
  EXPECT_LE(CleanHeadline(std::string(100000, 'y'), false, 200).size(), 200u);
}

}  // namespace
