// What the server writes, read back by the ticker's own parser: every item's text, link, colour,
// section start and font must come out as the server meant them, for hostile titles as much as
// for the sample content, in both kinds of request.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "content_server.h"
#include "feed_writer.h"
#include "server_config.h"
#include "support/http_probe.h"
#include "support/ticker_reading.h"
#include "feed/feed_wire.h"

namespace {

TEST(RoundTrip, HostileTitlesComeBackAsWritten) {
  std::vector<std::string> titles = {
      "AT&T; Q&A | a;b",
      "Caf\xE9 \x93quoted\x94 \x96 dash \x95 bullet",
      "Ends with a colon:",
      std::string("Markers " FEED_TOPIC FEED_KIND FEED_COLOR FEED_TEXT FEED_LINK " inside"),
      "Line\r\nbreak\ttab",
      "&amp; &#169; &eacute; &nbsp; literally",
      std::string(400, 'L')};
  std::string everyByte;
  for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
  titles.push_back(everyByte);

  FeedWriter writer;
  ASSERT_TRUE(writer.BeginTopic("rt"));
  ASSERT_TRUE(writer.CaptionRow("Top Stories:", "http://127.0.0.1/news/rt"));
  int link = 0;
  for (const std::string& title : titles) {
    EXPECT_TRUE(writer.ContentRow(title, "http://127.0.0.1/story/" + std::to_string(link++)))
        << title.substr(0, 20);
  }
  ASSERT_TRUE(writer.BeginTopic("qt"));
  ASSERT_TRUE(writer.CaptionRow("Quotes:", "http://127.0.0.1/quotes"));
  ASSERT_TRUE(writer.ContentRow("INTC 120.50 +2.10", "http://127.0.0.1/q/INTC"));
  ASSERT_TRUE(writer.ContentRow("MSFT 90.25 -1.05", "http://127.0.0.1/q/MSFT"));
  ASSERT_TRUE(writer.ContentRow("VXLO 15.00 0.00", "http://127.0.0.1/q/VXLO"));
  const std::string bytes = writer.Take();

  const std::vector<ReadItem> items = ReadFeedLikeTheTicker(bytes, false).items;
  ASSERT_EQ(items.size(), titles.size() + 5);
  EXPECT_EQ(items[0].text, "Top Stories:    ");
  EXPECT_EQ(items[1].text, "AT&T; Q&A | a;b  \x95  ");
  EXPECT_EQ(items[2].text, "Caf\xE9 \x93quoted\x94 \x96 dash \x95 bullet  \x95  ");
  EXPECT_EQ(items[3].text, "Ends with a colon:    \x95  ");
  EXPECT_EQ(items[4].text, "Markers       inside  \x95  ") << "control bytes become spaces";
  EXPECT_EQ(items[6].text, "&amp; &#169; &eacute; &nbsp; literally  \x95  ");
  EXPECT_EQ(items[7].text, std::string(240, 'L') + "  \x95  ") << "cut to fit an item whole";
  for (size_t i = 1; i <= titles.size(); ++i) {
    EXPECT_EQ(items[i].link, "http://127.0.0.1/story/" + std::to_string(i - 1));
    EXPECT_EQ(items[i].color, 1);
    EXPECT_TRUE(items[i].tallFont);
  }
  const size_t q = titles.size() + 1;
  EXPECT_EQ(items[q + 1].color, 10);
  EXPECT_EQ(items[q + 2].color, 9);
  EXPECT_EQ(items[q + 3].color, 11);
  EXPECT_EQ(items[q + 1].text, "INTC 120.50 +2.10  ") << "quotes have no bullet";
}

TEST(RoundTrip, AccountColoursComeBackAsWritten) {
  FeedWriter writer;
  ASSERT_TRUE(writer.BeginTopic("rw"));
  writer.SetColor(12);
  ASSERT_TRUE(writer.CaptionRow("World:", "http://127.0.0.1/w"));
  ASSERT_TRUE(writer.ContentRow("One", "http://127.0.0.1/w1"));
  writer.SetColor(3);
  ASSERT_TRUE(writer.ContentRow("Two", "http://127.0.0.1/w2"));
  const std::string bytes = writer.Take();
  const std::vector<ReadItem> items = ReadFeedLikeTheTicker(bytes, true).items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].color, 12);
  EXPECT_EQ(items[2].color, 3);
}

class ServedFeeds : public testing::Test {
 protected:
  void SetUp() override {
    config_.port = 0;
    config_.content = NEWSRAIL_SAMPLE_DIR;
    ResolveContentPaths(&config_);
    server_ = std::make_unique<ContentServer>(config_);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
  }
  void TearDown() override { server_->Stop(); }

  std::string Get(const std::string& target) { return TickerGet(server_->Port(), target).body; }

  ServerConfig config_;
  std::unique_ptr<ContentServer> server_;
};

TEST_F(ServedFeeds, TheSampleContentReadsTheSameInTheTicker) {
  for (const char* query :
       {"/tlx/update?stocks=^DJI,^SPC,^IXIC,INTC,MSFT,VXLO&weather=f,JFK,SFO,LAX&news=10,rt,rb,rc,&134501",
        "/tlx/update?stocks=INTC+MSFT&weather=c,JFK&news=25,rt,rw,rb,rp,rc,rs,re&000000",
        "/tlx/update?news=3,&120000"}) {
    SCOPED_TRACE(query);
    const std::string bytes = Get(query);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes[0], kTopicMarker);
    const std::vector<ReadItem> items = ReadFeedLikeTheTicker(bytes, false).items;
    EXPECT_FALSE(items.empty());
    for (const ReadItem& item : items) {
      EXPECT_LE(item.text.size(), 249u);
      EXPECT_EQ(item.link.rfind("http://", 0), 0u) << item.link;
    }
    }
}

}  // namespace
