// RSS and Atom parsing: titles, links, encodings, hostile documents.
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
  EXPECT_EQ(document.items[1].link, "http://feeds.example/rel/path") << "on the document's address";
  EXPECT_EQ(document.items[2].title, "X H");
  EXPECT_EQ(document.items[2].link, "") << "an enclosure is no story page";
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

  // HTML elements are handed to the HTML parser as tags, past its depth limit too.
  std::string bold;
  for (int i = 0; i < 100000; ++i) bold += "<b>";
  bold += "y";
  for (int i = 0; i < 100000; ++i) bold += "</b>";
  const NewsDocument boldly =
      Parse(Rss("<item><title>" + bold +
                "</title><link>http://a/</link></item><item><title>z</title>"
                "</item>"));
  ASSERT_FALSE(boldly.items.empty());
  EXPECT_EQ(boldly.items.back().title, "z");
  EXPECT_LE(boldly.items.front().title.size(), 1u);

  const NewsDocument huge = Parse(
      Rss("<item><title>" + std::string(1000000, 'w') + "</title><link>http://a/</link></item>"));
  ASSERT_EQ(huge.items.size(), 1u);
  EXPECT_LE(huge.items[0].title.size(), kMaxHeadlineChars);
}

// One Atom entry's link, chosen among the link elements given, with the entry's id.
std::string EntryLink(const std::string& links, const std::string& id) {
  const NewsDocument document =
      Parse("<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>T</title>" + links + "<id>" +
            id + "</id></entry></feed>");
  return document.items.empty() ? "(none)" : document.items[0].link;
}

TEST(ParseNewsDocument, ChoosesTheEntrysStoryLink) {
  const struct {
    const char* links;
    const char* id;
    const char* link;
  } rows[] = {
      {"<link rel=\"self\" href=\"http://x/self\"/><link rel=\"alternate\" href=\"http://x/a\"/>",
       "tag:x", "http://x/a"},
      {"<link rel=\"license\" href=\"http://x/l\"/><link href=\"http://x/none\"/>", "tag:x",
       "http://x/none"},
      {"<link rel=\"ALTERNATE\" href=\"http://x/upper\"/>", "tag:x", "http://x/upper"},
      {"<link rel=\"http://www.iana.org/assignments/relation/alternate\" href=\"http://x/iana\"/>",
       "tag:x", "http://x/iana"},
      {"<link rel=\"related\" href=\"http://x/r\"/><link href=\"http://x/a\"/>", "tag:x",
       "http://x/a"},
      {"<link rel=\"enclosure\" href=\"http://x/e.mp3\"/><link rel=\"related\" "
       "href=\"http://x/r\"/>",
       "tag:x", "http://x/r"},
      {"<link rel=\"via\" href=\"http://x/v\"/><link rel=\"related\" href=\"http://x/r\"/>",
       "tag:x", "http://x/v"},
      {"<link rel=\"self\" href=\"http://x/s\"/>", "https://x/id", "http://x/id"},
      {"<link rel=\"self\" href=\"http://x/s\"/><link rel=\"edit\" href=\"http://x/e\"/>"
       "<link rel=\"enclosure\" href=\"http://x/m\"/><link rel=\"license\" href=\"http://x/l\"/>",
       "tag:x,2024:1", ""},
      {"<link rel=\"replies\" href=\"http://x/c\"/>", "urn:uuid:1", ""},
      {"<link rel=\"alternate\" href=\"javascript:x()\"/><link rel=\"via\" href=\"http://x/v\"/>",
       "tag:x", "http://x/v"},
      {"<link rel=\"alternate\"/><link href=\"\"/>", "http://x/id", "http://x/id"},
      {"", "  http://x/spaced  ", "http://x/spaced"},
      {"", "", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(EntryLink(row.links, row.id), row.link) << row.links;
}

TEST(ParseNewsDocument, ResolvesLinksAgainstXmlBase) {
  const NewsDocument atom = Parse(
      "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"http://base.example/feed/\">"
      "<entry><title>1</title><link href=\"one\"/></entry>"
      "<entry xml:base=\"deeper/\"><title>2</title><link href=\"../two\"/></entry>"
      "<entry xml:base=\"https://other.example/x/\"><title>3</title>"
      "<link xml:base=\"y/\" href=\"three?q#f\"/></entry>"
      "<entry><title>4</title><link href=\"/four\"/></entry></feed>");
  ASSERT_EQ(atom.items.size(), 4u);
  EXPECT_EQ(atom.items[0].link, "http://base.example/feed/one");
  EXPECT_EQ(atom.items[1].link, "http://base.example/feed/two");
  EXPECT_EQ(atom.items[2].link, "http://other.example/x/y/three?q#f");
  EXPECT_EQ(atom.items[3].link, "http://base.example/four");

  // Without an address of its own, an Atom file's links resolve on the feed's link.
  NewsDocument file;
  std::string error;
  ASSERT_TRUE(ParseNewsDocument(
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><link rel=\"self\" href=\"http://s/\"/>"
      "<link href=\"http://site.example/n/\"/><entry><title>T</title><link href=\"s\"/></entry>"
      "</feed>",
      "news/local.atom", 10, &file, &error))
      << error;
  EXPECT_EQ(file.items[0].link, "http://site.example/n/s");

  const NewsDocument rss = Parse(
      Rss("<item xml:base=\"http://items.example/a/\"><title>R</title><link>b</link></item>"));
  ASSERT_EQ(rss.items.size(), 1u);
  EXPECT_EQ(rss.items[0].link, "http://items.example/a/b");
}

TEST(ParseNewsDocument, DecodesBase64Titles) {
  const NewsDocument document = Parse(
      "<feed version=\"0.3\" xmlns=\"http://purl.org/atom/ns#\">"
      // "Plain & simple"
      "<entry><title mode=\"base64\">UGxhaW4gJiBzaW1wbGU=</title></entry>"
      // "<b>Bold</b><script>x</script> text"
      "<entry><title type=\"text/html\" "
      "mode=\"base64\">PGI+Qm9sZDwvYj48c2NyaXB0Png8L3NjcmlwdD4gdGV4dA==</title>"
      "</entry>"
      // "café" in UTF-8, split over lines
      "<entry><title type=\"application/octet-stream\">\n Y2Fm\n w6k=\n</title></entry>"
      "<entry><title type=\"text/plain\" mode=\"escaped\">Not base64</title></entry>"
      "<entry><title type=\"image/png\">!!!</title></entry>"
      "<entry><title mode=\"xml\">Plain again</title></entry></feed>");
  ASSERT_EQ(document.items.size(), 5u);
  EXPECT_EQ(document.items[0].title, "Plain & simple");
  EXPECT_EQ(document.items[1].title, "Bold text");
  EXPECT_EQ(document.items[2].title, "caf\xE9");
  EXPECT_EQ(document.items[3].title, "Not base64");
  EXPECT_EQ(document.items[4].title, "Plain again");
  EXPECT_EQ(document.untitled, 1u) << "nothing decodes from \"!!!\"";
}

TEST(ParseNewsDocument, ReadsTheEncodingBeforeParsing) {
  // "Новости" in KOI8-R and in Windows-1251, and "é" in Windows-1252.
  const std::string koi8 = "\xEE\xCF\xD7\xCF\xD3\xD4\xC9";
  const std::string cp1251 = "\xCD\xEE\xE2\xEE\xF1\xF2\xE8";
  const struct {
    std::string bytes;
    std::string transport;
    std::string title;
  } rows[] = {
      {"<?xml version=\"1.0\" encoding=\"koi8-r\"?>" +
           Rss("<item><title>" + koi8 + "</title></item>"),
       "", "Novosti"},
      {"<?xml version=\"1.0\" encoding=\"koi8-r\"?>" +
           Rss("<item><title>" + cp1251 + "</title></item>"),
       "windows-1251", "Novosti"},
      {Rss("<item><title>Caf\xE9</title></item>"), "iso-8859-1", "Caf\xE9"},
      {Rss("<item><title>Caf\xC3\xA9</title></item>"), "", "Caf\xE9"},
  };
  for (const auto& row : rows) {
    NewsDocument document;
    std::string error;
    ASSERT_TRUE(ParseNewsDocument(row.bytes, "http://a/", 10, &document, &error, row.transport))
        << error;
    ASSERT_EQ(document.items.size(), 1u);
    EXPECT_EQ(document.items[0].title, row.title) << row.transport;
  }
}

TEST(ResolveReference, FollowsTheUriRules) {
  // RFC 3986's own examples, on its base address.
  const char* base = "http://a/b/c/d;p?q";
  const struct {
    const char* reference;
    const char* resolved;
  } rows[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g#s", "http://a/b/c/g#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ResolveReference(row.reference, base), row.resolved) << row.reference;
  }
  EXPECT_EQ(ResolveReference("x", "http://host"), "http://host/x");
  EXPECT_EQ(ResolveReference("x", "relative/base"), "x");
  EXPECT_EQ(ResolveReference("x", ""), "x");
  EXPECT_EQ(ResolveReference("x", "http://a/b#frag"), "http://a/x");
}

TEST(DecodeBase64, DecodesAndStopsAtTheEnd) {
  const struct {
    const char* text;
    const char* bytes;
  } rows[] = {
      {"", ""},
      {"TQ==", "M"},
      {"TWE=", "Ma"},
      {"TWFu", "Man"},
      {"TW Fu\n", "Man"},
      {"TWFu=garbage", "Man"},
      {"TWFu!TWFu", "Man"},
      {"T", ""},
      {"-_-_", "\xFB\xFF\xBF"},
      {"+/+/", "\xFB\xFF\xBF"},
  };
  for (const auto& row : rows) EXPECT_EQ(DecodeBase64(row.text), row.bytes) << row.text;
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
