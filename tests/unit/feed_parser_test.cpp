// The feed parser: item texts, links and looks by feed, the text buffer bound, closing, and the
// mail alert with its sound.
#include "feed/feed_parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/feed_test_support.h"

namespace {

using Texts = std::vector<std::string>;

class FeedParserTest : public testing::Test {
 protected:
  StripFlags flags;
  RefreshFlags refresh;
  TickerItemList list{flags};
  RecordingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags, &refresh};
  FeedParserSettings settings;
  std::vector<char> text = std::vector<char>(kFeedTextBufferSize);

  FeedParseOutcome Parse(const std::string& feed) {
    // Earlier passes leave texts in the buffer; none of them may show up.
    std::memset(text.data(), 'S', 64);
    return ParseFeed(feed.c_str(), feed.size(), false, settings, target, text.data(), text.size());
  }

  // One field of every published item, after parsing the feed.
  template <typename Field>
  Texts Each(const std::string& feed, Field field) {
    Parse(feed);
    Texts values;
    for (const ShownItem& item : PublishedItems(list)) values.push_back(field(item));
    return values;
  }
};

std::string TextOf(const ShownItem& item) { return item.text; }
std::string LinkOf(const ShownItem& item) { return item.link; }
// Colour, section start and font as "c<colour> s<0|1> t<0|1>".
std::string LookOf(const ShownItem& item) {
  return "c" + std::to_string(item.colorIndex) + " s" + std::to_string(item.startsSection) + " t" +
         std::to_string(item.tallFont);
}

TEST_F(FeedParserTest, WorkedExampleGivesCaptionAndTwoHeadlines) {
  const std::string feed = FEED_TOPIC "rt" FEED_KIND "1" FEED_TEXT "Top Stories:" FEED_LINK "/top|" FEED_KIND "2" FEED_TEXT
                           "Quake hits coast" FEED_LINK "/a|" FEED_TEXT "Markets rally" FEED_LINK "/b|";
  EXPECT_EQ(Each(feed, TextOf),
            (Texts{"Top Stories:    ", "Quake hits coast  " BULLET "  ", "Markets rally  " BULLET "  "}));
  EXPECT_EQ(Each(feed, LinkOf), (Texts{"http:///top", "http:///a", "http:///b"}));
  EXPECT_EQ(Each(feed, LookOf), (Texts{"c15 s1 t0", "c1 s0 t1", "c1 s0 t1"}));
}

TEST_F(FeedParserTest, ItemTexts) {
  const struct {
    std::string feed;
    Texts texts;
  } rows[] = {
      // Character references: the decoded byte stays when a ';' follows within nine bytes.
      {FEED_KIND "1" FEED_TEXT "AT&amp;T" FEED_LINK "/x|", {"AT&T  "}},
      {FEED_KIND "1" FEED_TEXT "&eacute;t&eacute;" FEED_LINK "/x|", {"\xE9t\xE9  "}},
      {FEED_KIND "1" FEED_TEXT "&#169;" FEED_LINK "/x|", {"\xA9  "}},
      {FEED_KIND "1" FEED_TEXT "&quot;Hi&quot;" FEED_LINK "/x|", {"\x94Hi\x94  "}},
      {FEED_KIND "1" FEED_TEXT "Q&A" FEED_LINK "/x|", {"Q&A  "}},
      {FEED_KIND "1" FEED_TEXT "&nbsp;x" FEED_LINK "/x|", {" x  "}},
      {FEED_KIND "1" FEED_TEXT "&amp12345;x" FEED_LINK "/x|", {"&x  "}},
      {FEED_KIND "1" FEED_TEXT "&amp123456;x" FEED_LINK "/x|", {"&amp123456x  "}},
      {FEED_KIND "1" FEED_TEXT "&amp&lt;x" FEED_LINK "/x|", {"& x  "}},  // on at the next '&' within reach
      {FEED_KIND "1" FEED_TEXT "&amp;" FEED_LINK "/", {"&  "}},          // the feed ends close after it
      {FEED_KIND "1" FEED_TEXT "a;b" FEED_LINK "/x|", {"ab  "}},
      {FEED_KIND "1" FEED_TEXT "\xC9t\xE9" FEED_LINK "/x|", {"\xC9t\xE9  "}},
      // A closing ':' gets two spaces, unless a text marker closes the text.
      {FEED_KIND "1" FEED_TEXT "Weather:" FEED_LINK "/w|", {"Weather:    "}},
      {FEED_KIND "1" FEED_TEXT "Time: now" FEED_LINK "/w|", {"Time: now  "}},
      {FEED_KIND "1" FEED_TEXT "Weather:" FEED_TEXT "x" FEED_TEXT "y" FEED_LINK "/w|", {"Weather:  ", "y  "}},
      // Separators: the bullet for content rows outside quotes, weather and portfolio.
      {FEED_TOPIC "rw" FEED_KIND "2" FEED_TEXT "i" FEED_LINK "/i|", {"i  " BULLET "  "}},
      {FEED_TOPIC "qx" FEED_KIND "2" FEED_TEXT "i" FEED_LINK "/i|", {"i  " BULLET "  "}},
      {FEED_TOPIC "qt" FEED_KIND "2" FEED_TEXT "i" FEED_LINK "/i|", {"i  "}},
      {FEED_TOPIC "QT" FEED_KIND "2" FEED_TEXT "i" FEED_LINK "/i|", {"i  "}},
      {FEED_TOPIC "Wt" FEED_KIND "2" FEED_TEXT "i" FEED_LINK "/i|", {"i  "}},
      {FEED_TOPIC "pF" FEED_KIND "2" FEED_TEXT "i" FEED_LINK "/i|", {"i  "}},
      {FEED_TOPIC "rt" FEED_KIND "1" FEED_TEXT "i" FEED_LINK "/i|", {"i  "}},
      // Texts of 250 characters or more are cut to 249.
      {FEED_KIND "1" FEED_TEXT + std::string(300, 'x') + FEED_LINK "/l|", {std::string(249, 'x')}},
      // Pending items and feeds that end early.
      {FEED_KIND "1" FEED_TEXT "a" FEED_TEXT FEED_TEXT "b" FEED_LINK "/b|", {"a  ", "b  "}},
      {FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_TEXT "pending", {"a  "}},
      {FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_TEXT "b" FEED_LINK "/par", {"a  ", "b  "}},
      {FEED_KIND "1" FEED_TEXT "a" FEED_LINK, {"a  "}},
      {FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_TOPIC "r", {"a  "}},
      {FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_KIND, {"a  "}},
      {FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_COLOR, {"a  "}},
      {std::string(FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|") + '\0' + FEED_TEXT "b" FEED_LINK "/b|", {"a  "}},
      {FEED_LINK "/x|", {""}},  // a link before any text has the empty text
      // A marker right after a link is lost with the byte that ends the link; the next link then
      // goes with the last text once more.
      {FEED_KIND "1" FEED_TEXT "t" FEED_LINK "/a" FEED_TEXT "u" FEED_LINK "/u|", {"t  ", "t  "}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.feed));
    EXPECT_EQ(Each(row.feed, TextOf), row.texts);
  }
}

TEST_F(FeedParserTest, ItemLinks) {
  const struct {
    const char* externalNews;
    std::string feed;
    Texts links;
  } rows[] = {
      {"", FEED_TEXT "t" FEED_LINK "/a|", {"http:///a"}},
      {"", FEED_TEXT "t" FEED_LINK "http://news.example/x|", {"http://news.example/x"}},
      {"", FEED_TEXT "t" FEED_LINK "HTTP://NEWS/X|", {"HTTP://NEWS/X"}},
      {"", FEED_TEXT "t" FEED_LINK "https://s/x|", {"http://https://s/x"}},  // only "http:" is absolute
      {"C:\\feeds", FEED_TEXT "t" FEED_LINK "a.htm|", {"C:\\feeds\\a.htm"}},
      {"C:\\feeds\\", FEED_TEXT "t" FEED_LINK "a.htm|", {"C:\\feeds\\a.htm"}},
      {"http://ext/news", FEED_TEXT "t" FEED_LINK "s/1.htm|", {"http://ext/news\\s/1.htm"}},
      {"C:\\feeds", FEED_TEXT "t" FEED_LINK "http://x/y|", {"http://x/y"}},
      // A link takes its first byte whatever it is, then ends at a control byte, a byte of 128
      // or more, or '|'; the byte that ends it is used up, and the walk goes on after it.
      {"", FEED_TEXT "t" FEED_LINK "||", {"http://|"}},
      {"", FEED_TEXT "t" FEED_LINK "/a\nb" FEED_TEXT "u" FEED_LINK "/u|", {"http:///a", "http:///u"}},
      {"", FEED_TEXT "t" FEED_LINK "/a\x95" FEED_TEXT "u" FEED_LINK "/u|", {"http:///a", "http:///u"}},
      {"", FEED_TEXT "t" FEED_LINK "/a b|c" FEED_TEXT "u" FEED_LINK "/u|", {"http:///a b", "http:///u"}},
      // The link field holds 999 characters and the list 201; the walk still passes the rest.
      {"", FEED_TEXT "t" FEED_LINK "/" + std::string(5000, 'y') + "|" FEED_TEXT "u" FEED_LINK "/u|",
       {"http:///" + std::string(193, 'y'), "http:///u"}},
      {"", FEED_TEXT "t" FEED_TEXT FEED_TEXT "u" FEED_LINK "/u|", {"", "http:///u"}},  // a pending item has none
      {"", FEED_TEXT "t" FEED_LINK, {"http://"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.feed));
    settings.externalNews = row.externalNews;
    EXPECT_EQ(Each(row.feed, LinkOf), row.links);
  }
}

TEST_F(FeedParserTest, ItemColoursSectionsAndFonts) {
  const struct {
    bool accountMode;
    std::string feed;
    Texts looks;
  } rows[] = {
      // Quote rows take the colour of their last sign: up 10, down 9, neither 11.
      {false, FEED_TOPIC "qt" FEED_KIND "2" FEED_TEXT "INTC 120 +2" FEED_LINK "/q|" FEED_TEXT "MSFT 90 -1" FEED_LINK "/q|" FEED_TEXT
              "VXLO 150 0" FEED_LINK "/q|" FEED_TEXT "A +1 -2" FEED_LINK "/q|" FEED_TEXT "B -1 +2" FEED_LINK "/q|",
       {"c10 s1 t1", "c9 s0 t1", "c11 s0 t1", "c9 s0 t1", "c10 s0 t1"}},
      // The scan ends where a link would: at '|' or a byte of 128 or more.
      {false, FEED_TOPIC "qt" FEED_KIND "2" FEED_TEXT "C 5|+1" FEED_LINK "/q|" FEED_TEXT "D 3 \x96+" FEED_LINK "/q|",
       {"c11 s1 t1", "c11 s0 t1"}},
      // A change of kind recolours by topic; captions are 15 outside account mode.
      {false, FEED_TOPIC "rw" FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|",
       {"c15 s1 t0", "c2 s0 t1"}},
      {false, FEED_TOPIC "rb" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c3 s1 t1"}},
      {false, FEED_TOPIC "rc" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c4 s1 t1"}},
      {false, FEED_TOPIC "rp" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c5 s1 t1"}},
      {false, FEED_TOPIC "re" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c6 s1 t1"}},
      {false, FEED_TOPIC "rs" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c7 s1 t1"}},
      {false, FEED_TOPIC "wx" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c8 s1 t1"}},
      {false, FEED_TOPIC "rz" FEED_KIND "1" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c15 s1 t1"}},
      {false, FEED_TOPIC "Rt" FEED_KIND "1" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|", {"c15 s1 t1"}},
      {false, FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "a" FEED_LINK "/a|" FEED_TEXT "b" FEED_LINK "/b|" FEED_TOPIC "rw" FEED_TEXT "c" FEED_LINK
              "/c|",
       {"c1 s1 t1", "c1 s0 t1", "c1 s1 t1"}},  // the topic marker alone does not recolour
      // Colour markers count only in account mode, where a set colour survives a kind change.
      {false, FEED_TOPIC "rt" FEED_KIND "1" FEED_COLOR "12" FEED_TEXT "a" FEED_LINK "/a|" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|",
       {"c15 s1 t0", "c1 s0 t1"}},
      {true, FEED_TOPIC "rt" FEED_KIND "1" FEED_COLOR "12" FEED_TEXT "a" FEED_LINK "/a|" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|",
       {"c12 s1 t0", "c12 s0 t1"}},
      {true, FEED_TOPIC "rw" FEED_KIND "1" FEED_COLOR "0" FEED_TEXT "a" FEED_LINK "/a|" FEED_KIND "2" FEED_TEXT "b" FEED_LINK "/b|",
       {"c0 s1 t0", "c2 s0 t1"}},
      {true, FEED_COLOR "7" FEED_TEXT "a" FEED_LINK "/a|" FEED_COLOR "123" FEED_TEXT "b" FEED_LINK "/b|",
       {"c7 s0 t0", "c12 s0 t0"}},
      // A pending item keeps the colour and font it was assembled with, and opens no section.
      {true, FEED_COLOR "3" FEED_KIND "2" FEED_TEXT "a" FEED_TEXT FEED_COLOR "9" FEED_KIND "1" FEED_TEXT "b" FEED_LINK "/b|",
       {"c3 s0 t1", "c9 s0 t0"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.feed));
    settings.accountMode = row.accountMode;
    EXPECT_EQ(Each(row.feed, LookOf), row.looks);
  }
}

TEST_F(FeedParserTest, NeverWritesPastTheTextBuffer) {
  // Items of 40 letters; each assembles 45 bytes with its separator.
  std::string feed;
  for (int i = 0; i < 50; ++i) feed += FEED_KIND "2" FEED_TEXT + std::string(40, 'a' + i % 26) + FEED_LINK "/l|";
  for (size_t capacity : {0, 1, 8, 47, 48, 49, 100, 1000}) {
    SCOPED_TRACE(capacity);
    std::vector<char> small(capacity + 64, '#');
    const FeedParseOutcome outcome = ParseFeed(feed.c_str(), feed.size(), false, settings, target,
                                               small.data(), capacity);
    for (size_t i = capacity; i < small.size(); ++i) ASSERT_EQ(small[i], '#') << i;
    EXPECT_TRUE(outcome.textBufferFull);
    // An item is kept when its text and the longest tail (colon spaces, separator, NUL) fit.
    size_t fitting = 0;
    while (45 * fitting + 40 + 8 <= capacity) ++fitting;
    const Texts texts = PublishedTexts(list);
    EXPECT_EQ(texts.size(), fitting);
    for (const std::string& t : texts) EXPECT_EQ(t.size(), 45u);
  }
}

TEST_F(FeedParserTest, AFeedLargerThanTheTextBufferIsCutSafely) {
  std::string feed;
  while (feed.size() < 190000) feed += FEED_KIND "2" FEED_TEXT + std::string(200, 'h') + FEED_LINK "/l|";
  EXPECT_TRUE(Parse(feed).textBufferFull);
  size_t fitting = 0;  // 205 bytes per item
  while (205 * fitting + 200 + 8 <= kFeedTextBufferSize) ++fitting;
  EXPECT_EQ(PublishedTexts(list), Texts(fitting, std::string(200, 'h') + "  " BULLET "  "));
}

TEST_F(FeedParserTest, ClosingStopsTheWalkWithoutFinishing) {
  Parse(FEED_KIND "1" FEED_TEXT "old" FEED_LINK "/o|");
  measurer.onMeasure = [this] { flags.closing = 1; };
  EXPECT_EQ(Parse(FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|" FEED_TEXT "b" FEED_LINK "/b|").result, FeedResult::kClosing);
  EXPECT_EQ(PublishedTexts(list), Texts{"old  "});
  EXPECT_FALSE(measurer.Measured("b  ")) << "the walk went on after closing";
  EXPECT_EQ(Parse("no markers").result, FeedResult::kClosing);
}

TEST_F(FeedParserTest, RestartsTheListUnlessTheSponsorStepDid) {
  list.Restart();
  list.Append(&measurer, "sponsor", "s", 14, 0, 1);
  const std::string feed = FEED_KIND "1" FEED_TEXT "a" FEED_LINK "/a|";
  ParseFeed(feed.c_str(), feed.size(), true, settings, target, text.data(), text.size());
  EXPECT_EQ(PublishedTexts(list), (Texts{"sponsor", "a  "}));
  ParseFeed(feed.c_str(), feed.size(), false, settings, target, text.data(), text.size());
  EXPECT_EQ(PublishedTexts(list), Texts{"a  "});
}

TEST_F(FeedParserTest, MailTopicRaisesIndicatorAndAsksForSound) {
  const struct {
    bool icon, sound;
    std::string feed;
    bool pending, wanted;
  } rows[] = {
      {true, true, FEED_TOPIC "ma" FEED_TEXT "mail" FEED_LINK "/m|", true, true},
      {true, false, FEED_TOPIC "ma", true, false},
      {false, true, FEED_TOPIC "ma", false, true},
      {true, true, FEED_TOPIC "MA", false, false},  // the code is compared exactly
      {true, true, FEED_TOPIC "rt" FEED_TEXT "ma" FEED_LINK "/m|", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.feed));
    refresh.mailAlertPending = 0;
    settings.mailAlertIcon = row.icon;
    settings.mailAlertSound = row.sound;
    EXPECT_EQ(Parse(row.feed).mailSoundWanted, row.wanted);
    EXPECT_EQ(refresh.mailAlertPending.load() != 0, row.pending);
  }
}

TEST(DecideMailSound, PlaysOnceUntilANetworkPassWithoutMail) {
  RefreshFlags refresh;
  FeedParserSettings settings;
  const struct {
    bool cachePass, mail, plays;
  } passes[] = {
      {false, true, true},    // mail arrives
      {false, true, false},   // still there: no second sound
      {true, false, false},   // a cache pass re-arms nothing
      {false, true, false},
      {true, true, false},    // a cache pass never plays
      {false, false, false},  // a network pass without mail re-arms
      {false, true, true},
  };
  for (size_t i = 0; i < sizeof passes / sizeof passes[0]; ++i) {
    SCOPED_TRACE(i);
    const MailSound sound = DecideMailSound(settings, refresh, passes[i].cachePass, passes[i].mail);
    EXPECT_EQ(sound.kind != MailSoundKind::kNone, passes[i].plays);
  }
}

TEST(DecideMailSound, ChoosesTheSoundBySettings) {
  const struct {
    bool other;
    int index;
    MailSoundKind kind;
    const char* name;
  } rows[] = {
      {false, 0, MailSoundKind::kResource, "Sound1"}, {false, 1, MailSoundKind::kResource, "Sound2"},
      {false, 2, MailSoundKind::kNone, ""},           {false, -1, MailSoundKind::kNone, ""},
      {true, 1, MailSoundKind::kFile, "C:\\ding.wav"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.index);
    RefreshFlags refresh;
    FeedParserSettings settings;
    settings.otherMailSound = row.other;
    settings.mailSoundIndex = row.index;
    settings.otherMailSoundName = "C:\\ding.wav";
    const MailSound sound = DecideMailSound(settings, refresh, false, true);
    EXPECT_EQ(sound.kind, row.kind);
    EXPECT_STREQ(sound.name, row.name);
    EXPECT_EQ(refresh.mailSoundArmed.load(), 0) << "disarmed even when nothing could play";
  }
}

}  // namespace
