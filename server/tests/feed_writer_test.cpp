// The feed writer: the byte form, and that no text or link can break the framing.
#include "feed_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ticker_reading.h"
#include "feed/feed_wire.h"

namespace {

const std::string kTopic = FEED_TOPIC, kKind = FEED_KIND, kColor = FEED_COLOR, kText = FEED_TEXT,
                  kLink = FEED_LINK;

TEST(FeedWriter, WritesTheWorkedExampleByteForByte) {
  FeedWriter writer;
  ASSERT_TRUE(writer.BeginTopic("rt"));
  ASSERT_TRUE(writer.CaptionRow("Top Stories:", "/top"));
  ASSERT_TRUE(writer.ContentRow("Quake hits coast", "/a"));
  ASSERT_TRUE(writer.ContentRow("Markets rally", "/b"));
  EXPECT_EQ(writer.Bytes(), kTopic + "rt" + kKind + "1" + kText + "Top Stories:" + kLink + "/top|" +
                                kKind + "2" + kText + "Quake hits coast" + kLink + "/a|" + kText +
                                "Markets rally" + kLink + "/b|");
  EXPECT_EQ(writer.RowCount(), 3u);

  const ReadFeed feed = ReadFeedLikeTheTicker(writer.Bytes(), false);
  ASSERT_EQ(feed.items.size(), 3u);
  EXPECT_EQ(feed.items[0].text, "Top Stories:    ");
  EXPECT_EQ(feed.items[0].color, 15);
  EXPECT_TRUE(feed.items[0].startsSection);
  EXPECT_FALSE(feed.items[0].tallFont);
  EXPECT_EQ(feed.items[0].link, "http:///top");
  EXPECT_EQ(feed.items[1].text, "Quake hits coast  \x95  ");
  EXPECT_EQ(feed.items[1].color, 1);
  EXPECT_TRUE(feed.items[1].tallFont);
  EXPECT_FALSE(feed.items[1].startsSection);
  EXPECT_EQ(feed.items[2].link, "http:///b");
}

TEST(FeedWriter, EachTopicWritesItsMarkerAndKindsOnce) {
  FeedWriter writer;
  writer.BeginTopic("qt");
  writer.CaptionRow("Quotes:", "http://h/q");
  writer.ContentRow("INTC 120.50 +2.10", "http://h/i");
  writer.BeginTopic("wt");
  writer.CaptionRow("Weather:", "http://h/w");
  writer.ContentRow(
      "JFK 72\xB0"
      "F Sunny",
      "http://h/j");
  const ReadFeed feed = ReadFeedLikeTheTicker(writer.Bytes(), false);
  EXPECT_EQ(feed.topics, (std::vector<std::string>{"qt", "wt"}));
  ASSERT_EQ(feed.items.size(), 4u);
  EXPECT_EQ(feed.items[1].color, 10) << "the '+' in the quote";
  EXPECT_EQ(feed.items[1].text, "INTC 120.50 +2.10  ") << "no bullet between quotes";
  EXPECT_TRUE(feed.items[2].startsSection);
  EXPECT_EQ(feed.items[3].color, 8) << "weather colour on the change to content rows";
}

TEST(FeedWriter, ATopicWithoutRowsLeavesNoBytes) {
  FeedWriter writer;
  writer.BeginTopic("rt");
  writer.BeginTopic("rw");
  writer.CaptionRow("World:", "http://h/w");
  EXPECT_EQ(writer.Bytes().substr(0, 3), kTopic + "rw");
  EXPECT_EQ(writer.Bytes().find("rt"), std::string::npos);
}

TEST(FeedWriter, RefusesBadTopicsAndRows) {
  FeedWriter writer;
  EXPECT_FALSE(writer.ContentRow("no topic yet", "http://h/")) << "a row needs an open topic";
  for (const char* code : {"", "r", "rtx", "RT", "r1", FEED_TOPIC FEED_TOPIC, "r|"}) {
    EXPECT_FALSE(writer.BeginTopic(code)) << code;
    EXPECT_FALSE(writer.CaptionRow("x", "http://h/")) << "rows stay refused after " << code;
  }
  ASSERT_TRUE(writer.BeginTopic("rt"));
  EXPECT_FALSE(writer.ContentRow("", "http://h/")) << "empty text";
  EXPECT_FALSE(writer.ContentRow("x", "")) << "empty link: the ticker would read past the '|'";
  EXPECT_FALSE(writer.ContentRow("x", "http://h/" + std::string(kMaxLinkBytes, 'a')));
  EXPECT_FALSE(writer.AppendRow(RowKind::kContent, FeedRow{"bad" FEED_TEXT "text", "http://h/"}));
  EXPECT_FALSE(writer.AppendRow(RowKind::kContent, FeedRow{"ok", "http://h/\xE9"}));
  EXPECT_FALSE(writer.AppendRow(RowKind::kContent, FeedRow{"ok", "a|b"}));
  EXPECT_TRUE(writer.Empty());
}

TEST(FeedWriter, ColoursAreTwoDigitsBeforeTheirRow) {
  FeedWriter writer;
  writer.BeginTopic("rb");
  writer.SetColor(15);
  writer.CaptionRow("Business:", "http://h/b");
  writer.SetColor(3);
  writer.ContentRow("Stocks rally", "http://h/s");
  writer.SetColor(16);  // out of range: ignored
  writer.SetColor(-1);
  writer.ContentRow("Rates dip", "http://h/r");
  EXPECT_NE(writer.Bytes().find(kKind + "1" + kColor + "15" + kText), std::string::npos);
  EXPECT_NE(writer.Bytes().find(kKind + "2" + kColor + "03" + kText), std::string::npos);

  const ReadFeed feed = ReadFeedLikeTheTicker(writer.Bytes(), true);
  ASSERT_EQ(feed.items.size(), 3u);
  EXPECT_EQ(feed.items[0].color, 15);
  EXPECT_EQ(feed.items[1].color, 3);
  EXPECT_EQ(feed.items[2].color, 3);
}

TEST(FeedWriter, AFullFeedIsAWholePrefix) {
  FeedWriter writer(200);
  writer.BeginTopic("rt");
  writer.CaptionRow("Top Stories:", "http://h/t");
  int written = 0;
  for (int i = 0; i < 50; ++i)
    written += writer.ContentRow("Story " + std::to_string(i), "http://h/s") ? 1 : 0;
  EXPECT_TRUE(writer.Full());
  EXPECT_LE(writer.Bytes().size(), 200u);
  EXPECT_FALSE(writer.ContentRow("x", "http://h/")) << "nothing after the first refusal";
  const ReadFeed feed = ReadFeedLikeTheTicker(writer.Bytes(), false);
  ASSERT_EQ(feed.items.size(), static_cast<size_t>(written) + 1);
  EXPECT_EQ(feed.items.back().title, "Story " + std::to_string(written - 1));
  EXPECT_EQ(writer.Bytes().back(), '|');
}

TEST(EncodeFeedText, EscapesWhatTheTickerWouldMisread) {
  const struct {
    std::string in, out;
  } rows[] = {
      {"AT&T", "AT&amp;T"},
      {"a;b", "a&#59;b"},
      {"a|b", "a&#124;b"},
      {"Q&A;", "Q&amp;A&#59;"},
      {"line\r\nbreak", "line  break"},
      {std::string("nul\0byte", 8), "nul byte"},
      {FEED_TOPIC FEED_KIND FEED_COLOR FEED_TEXT FEED_LINK "\x1F\x7F", "       "},
      {"caf\xE9 \x93quoted\x94 \x95 \x80", "caf\xE9 \x93quoted\x94 \x95 \x80"},
      {"&amp;", "&amp;amp&#59;"},
  };
  for (const auto& row : rows) EXPECT_EQ(EncodeFeedText(row.in), row.out) << row.in;
  EXPECT_EQ(EncodeFeedText(std::string(1000, 'x')).size(), kMaxTextChars);
  EXPECT_EQ(EncodeFeedText(std::string(1000, '&')).size(), kMaxTextChars * 5)
      << "the limit counts characters as the ticker decodes them";
}

TEST(EncodeFeedLink, EscapesBytesThatWouldEndOrBreakALink) {
  const struct {
    std::string in, out;
  } rows[] = {
      {"http://h/a?b=1&c=2;d", "http://h/a?b=1&c=2;d"},
      {"http://h/a b", "http://h/a%20b"},
      {"http://h/a|b", "http://h/a%7Cb"},
      {"http://h/caf\xC3\xA9", "http://h/caf%C3%A9"},
      {"http://h/\r\n" FEED_TEXT, "http://h/%0D%0A%0B"},
      {"http://h/100%", "http://h/100%25"},
      {"http://h/%41%zz", "http://h/%41%25zz"},
      {"http://h/\"<>\\^`{}", "http://h/%22%3C%3E%5C%5E%60%7B%7D"},
  };
  for (const auto& row : rows) EXPECT_EQ(EncodeFeedLink(row.in), row.out) << row.in;
}

// Every byte value, alone and among markers, in titles and links: the feed keeps its topics
// and rows, each title reads back as written (controls as spaces), each link stays whole.
TEST(FeedWriter, NoByteInATitleOrLinkBreaksTheFraming) {
  std::vector<std::string> titles;
  for (int b = 0; b < 256; ++b) titles.push_back("a" + std::string(1, static_cast<char>(b)) + "z");
  titles.push_back("|||");
  titles.push_back(FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "fake" FEED_LINK "http://x|");
  titles.push_back("&amp;&&;;&#59;&#124;&x");
  titles.push_back(std::string(5000, 'L'));
  titles.push_back("end:");

  FeedWriter writer(1 << 22);
  writer.BeginTopic("rt");
  writer.CaptionRow("Top Stories:", "http://h/t");
  for (size_t i = 0; i < titles.size(); ++i) {
    const std::string link = "http://h/" + titles[i].substr(0, 50);
    ASSERT_TRUE(writer.ContentRow(titles[i], link)) << i;
  }
  const ReadFeed feed = ReadFeedLikeTheTicker(writer.Bytes(), false);
  EXPECT_EQ(feed.topics, std::vector<std::string>{"rt"});
  ASSERT_EQ(feed.items.size(), titles.size() + 1);
  for (size_t i = 0; i < titles.size(); ++i) {
    std::string expected = titles[i].substr(0, kMaxTextChars);
    for (char& c : expected) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    const ReadItem& item = feed.items[i + 1];
    EXPECT_EQ(item.title, expected) << i;
    EXPECT_LE(item.text.size(), 249u) << "the ticker keeps 249 bytes of a text";
    EXPECT_EQ(item.link.substr(0, 9), "http://h/") << i;
    EXPECT_EQ(item.link, EncodeFeedLink("http://h/" + titles[i].substr(0, 50))) << i;
    EXPECT_EQ(item.color, 1) << i;
  }
}

}  // namespace
