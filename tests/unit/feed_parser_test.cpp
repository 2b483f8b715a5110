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
  SharedFlags flags;
  TickerItemList list{flags};
  RecordingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags};
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
  const std::string feed = TOPIC "rt" KIND "1" TEXT "Top Stories:" LINK "/top|" KIND "2" TEXT
                           "Quake hits coast" LINK "/a|" TEXT "Markets rally" LINK "/b|";
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
      {KIND "1" TEXT "AT&amp;T" LINK "/x|", {"AT&T  "}},
      {KIND "1" TEXT "&eacute;t&eacute;" LINK "/x|", {"\xE9t\xE9  "}},
      {KIND "1" TEXT "&#169;" LINK "/x|", {"\xA9  "}},
      {KIND "1" TEXT "&quot;Hi&quot;" LINK "/x|", {"\x94Hi\x94  "}},
      {KIND "1" TEXT "Q&A" LINK "/x|", {"Q&A  "}},
      {KIND "1" TEXT "&nbsp;x" LINK "/x|", {" x  "}},
      {KIND "1" TEXT "&amp12345;x" LINK "/x|", {"&x  "}},
      {KIND "1" TEXT "&amp123456;x" LINK "/x|", {"&amp123456x  "}},
      {KIND "1" TEXT "&amp&lt;x" LINK "/x|", {"& x  "}},  // on at the next '&' within reach
      {KIND "1" TEXT "&amp;" LINK "/", {"&  "}},          // the feed ends close after it
      {KIND "1" TEXT "a;b" LINK "/x|", {"ab  "}},
      {KIND "1" TEXT "\xC9t\xE9" LINK "/x|", {"\xC9t\xE9  "}},
      // A closing ':' gets two spaces, unless a text marker closes the text.
      {KIND "1" TEXT "Weather:" LINK "/w|", {"Weather:    "}},
      {KIND "1" TEXT "Time: now" LINK "/w|", {"Time: now  "}},
      {KIND "1" TEXT "Weather:" TEXT "x" TEXT "y" LINK "/w|", {"Weather:  ", "y  "}},
      // Separators: the bullet for content rows outside quotes, weather and portfolio.
      {TOPIC "rw" KIND "2" TEXT "i" LINK "/i|", {"i  " BULLET "  "}},
      {TOPIC "qx" KIND "2" TEXT "i" LINK "/i|", {"i  " BULLET "  "}},
      {TOPIC "qt" KIND "2" TEXT "i" LINK "/i|", {"i  "}},
      {TOPIC "QT" KIND "2" TEXT "i" LINK "/i|", {"i  "}},
      {TOPIC "Wt" KIND "2" TEXT "i" LINK "/i|", {"i  "}},
      {TOPIC "pF" KIND "2" TEXT "i" LINK "/i|", {"i  "}},
      {TOPIC "rt" KIND "1" TEXT "i" LINK "/i|", {"i  "}},
      // Texts of 250 characters or more are cut to 249.
      {KIND "1" TEXT + std::string(300, 'x') + LINK "/l|", {std::string(249, 'x')}},
      // Pending items and feeds that end early.
      {KIND "1" TEXT "a" TEXT TEXT "b" LINK "/b|", {"a  ", "b  "}},
      {KIND "1" TEXT "a" LINK "/a|" TEXT "pending", {"a  "}},
      {KIND "1" TEXT "a" LINK "/a|" TEXT "b" LINK "/par", {"a  ", "b  "}},
      {KIND "1" TEXT "a" LINK, {"a  "}},
      {KIND "1" TEXT "a" LINK "/a|" TOPIC "r", {"a  "}},
      {KIND "1" TEXT "a" LINK "/a|" KIND, {"a  "}},
      {KIND "1" TEXT "a" LINK "/a|" COLOR, {"a  "}},
      {std::string(KIND "1" TEXT "a" LINK "/a|") + '\0' + TEXT "b" LINK "/b|", {"a  "}},
      {LINK "/x|", {""}},  // a link before any text has the empty text
      // A marker right after a link is lost with the byte that ends the link; the next link then
      // goes with the last text once more.
      {KIND "1" TEXT "t" LINK "/a" TEXT "u" LINK "/u|", {"t  ", "t  "}},
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
      {"", TEXT "t" LINK "/a|", {"http:///a"}},
      {"", TEXT "t" LINK "http://news.example/x|", {"http://news.example/x"}},
      {"", TEXT "t" LINK "HTTP://NEWS/X|", {"HTTP://NEWS/X"}},
      {"", TEXT "t" LINK "https://s/x|", {"http://https://s/x"}},  // only "http:" is absolute
      {"C:\\feeds", TEXT "t" LINK "a.htm|", {"C:\\feeds\\a.htm"}},
      {"C:\\feeds\\", TEXT "t" LINK "a.htm|", {"C:\\feeds\\a.htm"}},
      {"http://ext/news", TEXT "t" LINK "s/1.htm|", {"http://ext/news\\s/1.htm"}},
      {"C:\\feeds", TEXT "t" LINK "http://x/y|", {"http://x/y"}},
      // A link takes its first byte whatever it is, then ends at a control byte, a byte of 128
      // or more, or '|'; the byte that ends it is used up, and the walk goes on after it.
      {"", TEXT "t" LINK "||", {"http://|"}},
      {"", TEXT "t" LINK "/a\nb" TEXT "u" LINK "/u|", {"http:///a", "http:///u"}},
      {"", TEXT "t" LINK "/a\x95" TEXT "u" LINK "/u|", {"http:///a", "http:///u"}},
      {"", TEXT "t" LINK "/a b|c" TEXT "u" LINK "/u|", {"http:///a b", "http:///u"}},
      // The link field holds 999 characters and the list 201; the walk still passes the rest.
      {"", TEXT "t" LINK "/" + std::string(5000, 'y') + "|" TEXT "u" LINK "/u|",
       {"http:///" + std::string(193, 'y'), "http:///u"}},
      {"", TEXT "t" TEXT TEXT "u" LINK "/u|", {"", "http:///u"}},  // a pending item has none
      {"", TEXT "t" LINK, {"http://"}},
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
      {false, TOPIC "qt" KIND "2" TEXT "INTC 120 +2" LINK "/q|" TEXT "MSFT 90 -1" LINK "/q|" TEXT
              "VXLO 150 0" LINK "/q|" TEXT "A +1 -2" LINK "/q|" TEXT "B -1 +2" LINK "/q|",
       {"c10 s1 t1", "c9 s0 t1", "c11 s0 t1", "c9 s0 t1", "c10 s0 t1"}},
      // The scan ends where a link would: at '|' or a byte of 128 or more.
      {false, TOPIC "qt" KIND "2" TEXT "C 5|+1" LINK "/q|" TEXT "D 3 \x96+" LINK "/q|",
       {"c11 s1 t1", "c11 s0 t1"}},
      // A change of kind recolours by topic; captions are 15 outside account mode.
      {false, TOPIC "rw" KIND "1" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {"c15 s1 t0", "c2 s0 t1"}},
      {false, TOPIC "rb" KIND "2" TEXT "b" LINK "/b|", {"c3 s1 t1"}},
      {false, TOPIC "rc" KIND "2" TEXT "b" LINK "/b|", {"c4 s1 t1"}},
      {false, TOPIC "rp" KIND "2" TEXT "b" LINK "/b|", {"c5 s1 t1"}},
      {false, TOPIC "re" KIND "2" TEXT "b" LINK "/b|", {"c6 s1 t1"}},
      {false, TOPIC "rs" KIND "2" TEXT "b" LINK "/b|", {"c7 s1 t1"}},
      {false, TOPIC "wx" KIND "2" TEXT "b" LINK "/b|", {"c8 s1 t1"}},
      {false, TOPIC "rz" KIND "1" KIND "2" TEXT "b" LINK "/b|", {"c15 s1 t1"}},
      {false, TOPIC "Rt" KIND "1" KIND "2" TEXT "b" LINK "/b|", {"c15 s1 t1"}},
      {false, TOPIC "rt" KIND "2" TEXT "a" LINK "/a|" TEXT "b" LINK "/b|" TOPIC "rw" TEXT "c" LINK
              "/c|",
       {"c1 s1 t1", "c1 s0 t1", "c1 s1 t1"}},  // the topic marker alone does not recolour
      // Colour markers count only in account mode, where a set colour survives a kind change.
      {false, TOPIC "rt" KIND "1" COLOR "12" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {"c15 s1 t0", "c1 s0 t1"}},
      {true, TOPIC "rt" KIND "1" COLOR "12" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {"c12 s1 t0", "c12 s0 t1"}},
      {true, TOPIC "rw" KIND "1" COLOR "0" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {"c0 s1 t0", "c2 s0 t1"}},
      {true, COLOR "7" TEXT "a" LINK "/a|" COLOR "123" TEXT "b" LINK "/b|",
       {"c7 s0 t0", "c12 s0 t0"}},
      // A pending item keeps the colour and font it was assembled with, and opens no section.
      {true, COLOR "3" KIND "2" TEXT "a" TEXT COLOR "9" KIND "1" TEXT "b" LINK "/b|",
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
  for (int i = 0; i < 50; ++i) feed += KIND "2" TEXT + std::string(40, 'a' + i % 26) + LINK "/l|";
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
  while (feed.size() < 190000) feed += KIND "2" TEXT + std::string(200, 'h') + LINK "/l|";
  EXPECT_TRUE(Parse(feed).textBufferFull);
  size_t fitting = 0;  // 205 bytes per item
  while (205 * fitting + 200 + 8 <= kFeedTextBufferSize) ++fitting;
  EXPECT_EQ(PublishedTexts(list), Texts(fitting, std::string(200, 'h') + "  " BULLET "  "));
}

TEST_F(FeedParserTest, ClosingStopsTheWalkWithoutFinishing) {
  Parse(KIND "1" TEXT "old" LINK "/o|");
  measurer.onMeasure = [this] { flags.closing = 1; };
  EXPECT_EQ(Parse(KIND "1" TEXT "a" LINK "/a|" TEXT "b" LINK "/b|").result, FeedResult::kClosing);
  EXPECT_EQ(PublishedTexts(list), Texts{"old  "});
  EXPECT_FALSE(measurer.Measured("b  ")) << "the walk went on after closing";
  EXPECT_EQ(Parse("no markers").result, FeedResult::kClosing);
}

TEST_F(FeedParserTest, RestartsTheListUnlessTheSponsorStepDid) {
  list.Restart();
  list.Append(&measurer, "sponsor", "s", 14, 0, 1);
  const std::string feed = KIND "1" TEXT "a" LINK "/a|";
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
      {true, true, TOPIC "ma" TEXT "mail" LINK "/m|", true, true},
      {true, false, TOPIC "ma", true, false},
      {false, true, TOPIC "ma", false, true},
      {true, true, TOPIC "MA", false, false},  // the code is compared exactly
      {true, true, TOPIC "rt" TEXT "ma" LINK "/m|", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.feed));
    flags.mailAlertPending = 0;
    settings.mailAlertIcon = row.icon;
    settings.mailAlertSound = row.sound;
    EXPECT_EQ(Parse(row.feed).mailSoundWanted, row.wanted);
    EXPECT_EQ(flags.mailAlertPending.load() != 0, row.pending);
  }
}

TEST(DecideMailSound, PlaysOnceUntilANetworkPassWithoutMail) {
  SharedFlags flags;
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
    const MailSound sound = DecideMailSound(settings, flags, passes[i].cachePass, passes[i].mail);
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
    SharedFlags flags;
    FeedParserSettings settings;
    settings.otherMailSound = row.other;
    settings.mailSoundIndex = row.index;
    settings.otherMailSoundName = "C:\\ding.wav";
    const MailSound sound = DecideMailSound(settings, flags, false, true);
    EXPECT_EQ(sound.kind, row.kind);
    EXPECT_STREQ(sound.name, row.name);
    EXPECT_EQ(flags.mailSoundArmed.load(), 0) << "disarmed even when nothing could play";
  }
}

}  // namespace
