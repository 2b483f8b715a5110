// RSS and Atom parsing, hostile documents included.
#include "news_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

NewsDocument Parse(const std::string& xml, bool expectOk = true, std::string* error = nullptr) {
  NewsDocument document;
  std::string why;
  const bool ok = ParseNewsDocument(xml, "http://feeds.example/news.xml", 100, &document, &why);
  EXPECT_EQ(ok, expectOk) << why;
  if (error != nullptr) *error = why;
  return document;
}

std::string Rss(const std::string& items) {
  return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>T</title>"
         "<link>http://site.example/section/</link>" +
         items + "</channel></rss>";
}

TEST(ParseNewsDocument, ReadsRssItemsInOrder) {
  const NewsDocument document = Parse(
      Rss("<item><title>First &amp; best</title><link>http://a.example/1</link></item>"
          "<item><title><![CDATA[<b>Second</b> story]]></title><link> https://a.example/2 "
          "</link></item>"
          "<item><title>Third</title><guid>http://a.example/3</guid></item>"
          "<item><title>Fourth</title><guid isPermaLink=\"false\">http://a.example/4</guid></item>"
          "<item><title>Fifth</title><link>/local/5</link></item>"));
  EXPECT_EQ(document.format, "rss");
  ASSERT_EQ(document.items.size(), 5u);
  EXPECT_EQ(document.items[0].title, "First & best");
  EXPECT_EQ(document.items[0].link, "http://a.example/1");
  EXPECT_EQ(document.items[1].title, "Second story");
  EXPECT_EQ(document.items[1].link, "http://a.example/2") << "https made plain http";
  EXPECT_EQ(document.items[2].link, "http://a.example/3") << "a guid is a permalink";
  EXPECT_EQ(document.items[3].link, "") << "unless it says it is not";
  EXPECT_EQ(document.items[4].link, "http://site.example/local/5") << "resolved on the channel";
}

TEST(ParseNewsDocument, ReadsAtomEntries) {
  const NewsDocument document = Parse(
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><link href=\"https://site.example/\"/>"
      "<entry><title>Plain &lt;text&gt;</title><link rel=\"self\" href=\"http://x/self\"/>"
      "<link rel=\"alternate\" href=\"http://x/story\"/></entry>"
      "<entry><title type=\"html\">&lt;i&gt;Marked&lt;/i&gt; up</title>"
      "<link href=\"rel/path\"/></entry>"
      "<entry><title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">X <b>H</b></div>"
      "</title><link rel=\"enclosure\" href=\"http://x/only\"/></entry>"
      "<entry><title>No link</title></entry></feed>");
  EXPECT_EQ(document.format, "atom");
  ASSERT_EQ(document.items.size(), 4u);
  EXPECT_EQ(document.items[0].title, "Plain <text>") << "type text is not markup";
  EXPECT_EQ(document.items[0].link, "http://x/story");
  EXPECT_EQ(document.items[1].title, "Marked up");
  EXPECT_EQ(document.items[1].link, "http://site.example/rel/path");
  EXPECT_EQ(document.items[2].title, "X H");
  EXPECT_EQ(document.items[2].link, "http://x/only");
  EXPECT_EQ(document.items[3].link, "");
}

TEST(ParseNewsDocument, ReadsRss1AndPrefixedNames) {
  const NewsDocument rdf = Parse(
      "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
      "xmlns=\"http://purl.org/rss/1.0/\"><channel><link>http://s.example/</link></channel>"
      "<item><title>One</title><link>http://s.example/1</link></item></rdf:RDF>");
  EXPECT_EQ(rdf.format, "rdf");
  ASSERT_EQ(rdf.items.size(), 1u);
  const NewsDocument prefixed = Parse(
      "<a:feed xmlns:a=\"http://www.w3.org/2005/Atom\"><a:entry><a:title>P</a:title>"
      "<a:link href=\"http://p/\"/></a:entry></a:feed>");
  ASSERT_EQ(prefixed.items.size(), 1u);
  EXPECT_EQ(prefixed.items[0].link, "http://p/");
}

TEST(ParseNewsDocument, SkipsUntitledItemsAndCountsThem) {
  const NewsDocument document =
      Parse(Rss("<item><link>http://a/1</link></item><item><title>   </title></item>"
                "<item><title><![CDATA[<br/>]]></title></item><item><title>Kept</title></item>"));
  ASSERT_EQ(document.items.size(), 1u);
  EXPECT_EQ(document.untitled, 3u);
}

TEST(ParseNewsDocument, RefusesWhatIsNotANewsDocument) {
  const struct {
    std::string xml;
    std::string why;
  } rows[] = {
      {"", "not well-formed"},
      {"<rss><channel><item><title>open", "not well-formed"},
      {"\xFF\xFE\x00<", "not well-formed"},
      {"<html><body>Not a feed</body></html>", "root element is <html>"},
      {Rss(""), "holds no items"},
      {Rss("<item><title></title></item>"), "no item has a title"},
      {"<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x \"y\">]>", "not well-formed"},
  };
  for (const auto& row : rows) {
    std::string error;
    Parse(row.xml, false, &error);
    EXPECT_NE(error.find(row.why), std::string::npos) << error;
  }
}

TEST(ParseNewsDocument, NeverExpandsDeclaredEntities) {
  // Nine levels of ten: expanded, the title would be a billion "lol"s.
  std::string dtd = "<!DOCTYPE rss [<!ENTITY lol0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    dtd += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) dtd += "&lol" + std::to_string(i - 1) + ";";
    dtd += "\">";
  }
  dtd += "<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>";
  const NewsDocument document =
      Parse("<?xml version=\"1.0\"?>" + dtd +
            "<rss><channel><item><title>&lol9; and &secret;</title><link>http://a/</link></item>"
            "</channel></rss>");
  ASSERT_EQ(document.items.size(), 1u);
  EXPECT_EQ(document.items[0].title, "&lol9; and &secret;");
}

TEST(ParseNewsDocument, KeepsAtMostTheItemLimit) {
  std::string items;
  for (int i = 0; i < 10000; ++i) {
    items += "<item><title>Story " + std::to_string(i) + "</title><link>http://a/" +
             std::to_string(i) + "</link></item>";
  }
  const NewsDocument document = Parse(Rss(items));
  ASSERT_EQ(document.items.size(), 100u);
  EXPECT_EQ(document.items.front().title, "Story 0");
  EXPECT_EQ(document.items.back().title, "Story 99");
}

TEST(ParseNewsDocument, SurvivesDeepNestingAndHugeTitles) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<d>";
  deep += "x";
  for (int i = 0; i < 100000; ++i) deep += "</d>";
  const NewsDocument nested =
      Parse(Rss("<item><title>" + deep + "</title><link>http://a/</link></item>"));
  ASSERT_EQ(nested.items.size(), 1u);
  EXPECT_EQ(nested.items[0].title, "x");

  const NewsDocument huge = Parse(
      Rss("<item><title>" + std::string(1000000, 'w') + "</title><link>http://a/</link></item>"));
  ASSERT_EQ(huge.items.size(), 1u);
  EXPECT_LE(huge.items[0].title.size(), kMaxHeadlineChars);
}

TEST(NormalizeStoryLink, KeepsOnlyWhatTheTickerCanOpen) {
  const struct {
    const char* link;
    const char* base;
    const char* out;
  } rows[] = {
      {"http://a.example/x", "", "http://a.example/x"},
      {"HTTP://a.example/x", "", "http://a.example/x"},
      {"https://a.example/x?q=1", "", "http://a.example/x?q=1"},
      {"//cdn.example/x", "", "http://cdn.example/x"},
      {"/x/y", "https://b.example/dir/page.html", "http://b.example/x/y"},
      {"y", "https://b.example/dir/page.html?q", "http://b.example/dir/y"},
      {"y", "http://b.example", "http://b.example/y"},
      {"?page=2", "http://b.example/list?page=1", "http://b.example/list?page=2"},
      {"/x", "", ""},
      {"/x", "file:///etc/", ""},
      {"mailto:someone@example.com", "http://b.example/", ""},
      {"javascript:alert(1)", "http://b.example/", ""},
      {"ftp://files.example/a", "", ""},
      {"   ", "http://b.example/", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(NormalizeStoryLink(row.link, row.base), row.out) << row.link << " on " << row.base;
  }
}

}  // namespace
