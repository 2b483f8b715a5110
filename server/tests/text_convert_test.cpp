// UTF-8 to Windows-1252, HTML to text, transliteration and headline clean-up.
#include "text_convert.h"

#include <gtest/gtest.h>

namespace {

// Runs of spaces as one, none at either end: where the parser's blocks leave spaces is no
// matter, whether words are kept apart is.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

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

TEST(HtmlToText, KeepsOnlyTheTextABrowserShows) {
  const struct {
    const char* html;
    const char* text;
  } rows[] = {
      {"<b>Bold</b> move", "Bold move"},
      {"<b>H</b>ello", "Hello"},
      {"x<br>y", "x y"},
      {"<p>one</p><p>two</p>", "one two"},
      {"<div>a</div>b", "a b"},
      {"<!-- note -->text", "text"},
      {"a<!-- x -- y -->b", "ab"},
      {"a<!-- <b>old</b> -->b", "ab"},
      {"<script>alert('x')</script>safe", "safe"},
      {"<script>if (a < b) { x(\"</p>\"); }</script>safe", "safe"},
      {"<style>p { color: red }</style>styled", "styled"},
      {"<head><title>T</title></head><body>B</body>", "B"},
      {"<template>t</template><noembed>n</noembed>shown", "shown"},
      {"a < b and c > d", "a < b and c > d"},
      {"AT&amp;T &lt;b&gt; &eacute;t&eacute; &hellip;", "AT&T <b> \xC3\xA9t\xC3\xA9 \xE2\x80\xA6"},
      {"&#233;&#xE9;&#8220;hi&#8221;", "\xC3\xA9\xC3\xA9\xE2\x80\x9Chi\xE2\x80\x9D"},
      // References into the C1 range mean the Windows-1252 characters there, as HTML reads them.
      {"Don&#146;t &#147;quote&#148; &#x80;5",
       "Don\xE2\x80\x99t \xE2\x80\x9Cquote\xE2\x80\x9D \xE2\x82\xAC"
       "5"},
      {"&#129;", "\xC2\x81"},  // unused in Windows-1252: stays a control
      {"&unknown; Q&A", "&unknown; Q&A"},
      // A bad byte is one U+FFFD; the text after it is still read as UTF-8.
      {"\xFF caf\xC3\xA9", "\xEF\xBF\xBD caf\xC3\xA9"},
      {"<meta charset=\"koi8-r\">caf\xC3\xA9", "caf\xC3\xA9"},
      {"unclosed <b>tag", "unclosed tag"},
      {"", ""},
      {"   ", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(Squeezed(HtmlToText(row.html)), row.text) << row.html;
}

TEST(HtmlToText, SurvivesHostileMarkup) {
  std::string nested, deep;
  for (int i = 0; i < 50; ++i) nested += "<div><b>";
  EXPECT_EQ(Squeezed(HtmlToText(nested + "x")), "x");
  // Past the parser's depth limit the rest is dropped, which is all a hostile text can ask for.
  for (int i = 0; i < 20000; ++i) deep += "<div><b>";
  EXPECT_LE(Squeezed(HtmlToText("a" + deep + "x")).size(), 3u);
  EXPECT_EQ(Squeezed(HtmlToText(std::string("a\0b", 3))), "a b");
  EXPECT_EQ(HtmlToText("<!--"), "");
  EXPECT_EQ(Squeezed(HtmlToText("<script>never closed")), "");
  EXPECT_LE(Squeezed(HtmlToText(std::string(1000000, 'z'))).size(), 64u * 1024);
}

TEST(HtmlElementKindOf, KnowsHtmlNames) {
  EXPECT_EQ(HtmlElementKindOf("b"), HtmlElementKind::kContainer);
  EXPECT_EQ(HtmlElementKindOf("SCRIPT"), HtmlElementKind::kContainer);
  EXPECT_EQ(HtmlElementKindOf("br"), HtmlElementKind::kVoid);
  EXPECT_EQ(HtmlElementKindOf("img"), HtmlElementKind::kVoid);
  EXPECT_EQ(HtmlElementKindOf("d"), HtmlElementKind::kUnknown);
  EXPECT_EQ(HtmlElementKindOf("creator"), HtmlElementKind::kUnknown);
  EXPECT_EQ(HtmlElementKindOf(""), HtmlElementKind::kUnknown);
  EXPECT_EQ(HtmlElementKindOf(std::string(1000, 'b')), HtmlElementKind::kUnknown);
}

TEST(CleanHeadline, GivesOneCleanLine) {
  const struct {
    const char* in;
    bool html;
    const char* out;
  } rows[] = {
      {"  Two\t\tspaces\r\nand lines  ", false, "Two spaces and lines"},
      {"<p>Markup &amp; <i>entities</i></p>", true, "Markup & entities"},
      {"<script>x()</script>Top <!-- a -- b --> story<style>s{}</style>", true, "Top story"},
      {"<p>kept as text</p>", false, "<p>kept as text</p>"},
      {"&lt;b&gt; shown", true, "<b> shown"},
      {"zero\xE2\x80\x8Bwidth\xEF\xBB\xBF", false, "zerowidth"},
      {"e\xCC\x81t\xC3\xA9", false, "\xE9t\xE9"},  // composed before conversion
      {"x\xCC\xB8\xE2\x83\x9D", false, "x"},       // marks with nothing to compose with
      {"ctrl\x01\x02\x7F"
       "chars",
       false, "ctrl chars"},
      {"nbsp\xC2\xA0here\xE2\x80\x83too", false, "nbsp here too"},
      {"\xE2\x80\x9CQuoted\xE2\x80\x9D \xE2\x80\x94 yes", false, "\x93Quoted\x94 \x97 yes"},
      {"C1 \xC2\x92 and \xC2\x80", false, "C1 \x92 and \x80"},  // taken for Windows-1252
      {"", false, ""},
      {"   ", true, ""},
  };
  for (const auto& row : rows) EXPECT_EQ(CleanHeadline(row.in, row.html, 200), row.out) << row.in;
}

TEST(CleanHeadline, SpellsOtherScriptsInLatinLetters) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80", "Privet mir"},
      {"\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1", "Athena"},  // Αθήνα
      {"\xC5\x81\xC3\xB3\xC4\x91\xC5\xBA",
       "L\xF3"
       "dz"},                                          // Łóđź: ó stays
      {"caf\xC3\xA9 \xD0\xB4\xD0\xB0", "caf\xE9 da"},  // é stays
      {"\xE4\xB8\xAD\xE6\x96\x87", "zhong wen"},       // 中文
      {"\xEC\x84\x9C\xEC\x9A\xB8", "seoul"},           // 서울
      {"\xE2\x80\x9C\xD0\x94\xE2\x80\x9D",
       "\x93"
       "D\x94"},                                 // quotes stay
      {"\xF0\x9F\x98\x80 \xE2\x98\x80", "? ?"},  // no letters
      {"\xEF\xBF\xBD", "?"},
  };
  for (const auto& row : rows) EXPECT_EQ(CleanHeadline(row.in, false, 200), row.out) << row.in;
}

TEST(CleanHeadline, CutsLongTextAtAWordWithAnEllipsis) {
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta";
  EXPECT_EQ(CleanHeadline(words, false, 20), "alpha beta gamma\x85");
  EXPECT_EQ(CleanHeadline(std::string(50, 'x'), false, 10), std::string(9, 'x') + "\x85");
  EXPECT_EQ(CleanHeadline(words, false, words.size()), words);
  EXPECT_LE(CleanHeadline(std::string(100000, 'y'), false, 200).size(), 200u);
}

}  // namespace
