// The feed parser: items, colours, separators, references, links, cuts, closing and mail alerts.
#include "feed/feed_parser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/feed_test_support.h"

namespace {

class FeedParserTest : public testing::Test {
 protected:
  SharedFlags flags;
  TickerItemList list{flags};
  RecordingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags};
  FeedParserSettings settings;
  std::vector<char> text = std::vector<char>(kFeedTextBufferSize);

  FeedParseOutcome Parse(const std::string& feed) {
    return ParseFeed(feed.c_str(), feed.size(), false, settings, target, text.data(), text.size());
  }

  std::vector<ShownItem> ParseItems(const std::string& feed) {
    Parse(feed);
    return PublishedItems(list);
  }

  // The text of the only item of a caption row with this text: kind '1' keeps the separator to
  // two spaces.
  std::string CaptionText(const std::string& itemText) {
    std::vector<ShownItem> items = ParseItems(KIND "1" TEXT + itemText + LINK "/x|");
    return items.size() == 1 ? items[0].text : "<" + std::to_string(items.size()) + " items>";
  }
};

TEST_F(FeedParserTest, WorkedExampleGivesCaptionAndTwoHeadlines) {
  const std::vector<ShownItem> items = ParseItems(
      TOPIC "rt" KIND "1" TEXT "Top Stories:" LINK "/top|" KIND "2" TEXT "Quake hits coast" LINK
            "/a|" TEXT "Markets rally" LINK "/b|");
  ASSERT_EQ(items.size(), 3u);
  const struct {
    const char* text;
    const char* link;
    int color, section, tall;
  } expected[] = {
      {"Top Stories:    ", "http:///top", 15, 1, 0},
      {"Quake hits coast  " BULLET "  ", "http:///a", 1, 0, 1},
      {"Markets rally  " BULLET "  ", "http:///b", 1, 0, 1},
  };
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].text, expected[i].text);
    EXPECT_EQ(items[i].link, expected[i].link);
    EXPECT_EQ(items[i].colorIndex, expected[i].color);
    EXPECT_EQ(items[i].startsSection, expected[i].section);
    EXPECT_EQ(items[i].tallFont, expected[i].tall);
  }
}

TEST_F(FeedParserTest, QuoteRowsAreColouredByTheirLastSign) {
  const struct {
    const char* row;
    int color;
  } rows[] = {
      {"INTC 120 +2", 10}, {"MSFT 90 -1", 9},       {"VXLO 150 0", 11},
      {"ABC +1 -2", 9},    {"DEF -1 +2", 10},       {"GHI 5|+1", 11},  // the sign after '|' is not the row's
      {"", 11},            {"JKL 3 \x96+", 11},     // a byte of 128 or more ends the scan
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.row);
    const std::vector<ShownItem> items =
        ParseItems(TOPIC "qt" KIND "2" TEXT + std::string(row.row) + LINK "/q|");
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back().colorIndex, row.color);
  }
}

TEST_F(FeedParserTest, CharacterReferencesAndSemicolons) {
  const struct {
    const char* feedText;
    const char* shown;
  } rows[] = {
      {"AT&amp;T", "AT&T"},
      {"&eacute;t&eacute;", "\xE9t\xE9"},
      {"&#169;", "\xA9"},
      {"Q&A", "Q&A"},
      {"a;b", "ab"},
      {"&quot;Hi&quot;", "\x94Hi\x94"},
      {"&nbsp;x", " x"},                   // unknown names give a space
      {"&amp12345;x", "&x"},               // ';' nine bytes on still closes the reference
      {"&amp123456;x", "&amp123456x"},     // ten bytes on it does not, and is then dropped
      {"&amp&lt;x", "& x"},                // the walk goes on at the next '&' inside the reach
      {"tail &amp", "tail &amp"},          // the feed's end comes before any ';'
      {"\xC9t\xE9", "\xC9t\xE9"},          // bytes of 128 and above belong to the text
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.feedText);
    EXPECT_EQ(CaptionText(row.feedText), std::string(row.shown) + "  ");
  }
}

TEST_F(FeedParserTest, ColonAddsTwoSpacesOnlyWhenTheTextEndsItsItem) {
  const struct {
    std::string feed;
    const char* firstText;
  } rows[] = {
      {KIND "1" TEXT "Weather:" LINK "/w|", "Weather:    "},
      {KIND "1" TEXT "Time: now" LINK "/w|", "Time: now  "},
      // A text marker right after the text closes it; no extra spaces then.
      {KIND "1" TEXT "Weather:" TEXT "x" TEXT "y" LINK "/w|", "Weather:  "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.firstText);
    const std::vector<ShownItem> items = ParseItems(row.feed);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].text, row.firstText);
  }
}

TEST_F(FeedParserTest, SeparatorDependsOnKindAndTopic) {
  const struct {
    const char* topic;
    char kind;
    bool bullet;
  } rows[] = {
      {"rt", '2', true},  {"rw", '2', true},  {"qt", '2', false}, {"QT", '2', false},
      {"wt", '2', false}, {"Wt", '2', false}, {"pf", '2', false}, {"pF", '2', false},
      {"qx", '2', true},  {"rt", '1', false}, {"wt", '1', false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.topic) + row.kind);
    const std::vector<ShownItem> items = ParseItems(TOPIC + std::string(row.topic) + KIND +
                                                    row.kind + TEXT "Item" LINK "/i|");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, row.bullet ? "Item  " BULLET "  " : "Item  ");
  }
}

TEST_F(FeedParserTest, KindChangeRecoloursByTopic) {
  const struct {
    const char* topic;
    int color;
  } rows[] = {
      {"rt", 1}, {"rw", 2}, {"rb", 3}, {"rc", 4}, {"rp", 5}, {"re", 6}, {"rs", 7},
      {"wt", 8}, {"wx", 8}, {"rz", 15},  // an unknown second letter keeps the caption colour
      {"pf", 15}, {"Rt", 15},            // codes compare with exact case here
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.topic);
    const std::vector<ShownItem> items = ParseItems(
        TOPIC + std::string(row.topic) + KIND "1" TEXT "Cap" LINK "/c|" KIND "2" TEXT "Story" LINK
        "/s|");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].colorIndex, 15);
    EXPECT_EQ(items[1].colorIndex, row.color);
  }
}

TEST_F(FeedParserTest, ColourMarkersInAccountMode) {
  const struct {
    bool accountMode;
    std::string feed;
    std::vector<int> colors;
  } rows[] = {
      // A set colour survives the change to content rows.
      {true, TOPIC "rt" KIND "1" COLOR "12" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {12, 12}},
      // Colour 0 lets the kind change recolour by topic.
      {true, TOPIC "rw" KIND "1" COLOR "0" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {0, 2}},
      // One digit, ended by the next marker.
      {true, TOPIC "rt" COLOR "7" TEXT "a" LINK "/a|", {7}},
      // Two digits at most: the third is an ordinary byte between items.
      {true, TOPIC "rt" COLOR "123" TEXT "a" LINK "/a|", {12}},
      // Outside account mode the marker is ignored and captions are colour 15.
      {false, TOPIC "rt" KIND "1" COLOR "12" TEXT "a" LINK "/a|" KIND "2" TEXT "b" LINK "/b|",
       {15, 1}},
      // A pending item takes the colour from before the marker that follows it.
      {true, COLOR "3" TEXT "a" TEXT COLOR "9" TEXT "b" LINK "/b|", {3, 9}},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    SCOPED_TRACE(i);
    settings.accountMode = rows[i].accountMode;
    const std::vector<ShownItem> items = ParseItems(rows[i].feed);
    std::vector<int> colors;
    for (const ShownItem& item : items) colors.push_back(item.colorIndex);
    EXPECT_EQ(colors, rows[i].colors);
  }
}

TEST_F(FeedParserTest, RelativeLinks) {
  const struct {
    const char* externalNews;
    const char* feedLink;
    const char* link;
  } rows[] = {
      {"", "/a", "http:///a"},
      {"", "http://news.example/x", "http://news.example/x"},
      {"", "HTTP://NEWS/X", "HTTP://NEWS/X"},
      {"", "https://s/x", "http://https://s/x"},  // only "http:" marks an absolute link
      {"C:\\feeds", "a.htm", "C:\\feeds\\a.htm"},
      {"C:\\feeds\\", "a.htm", "C:\\feeds\\a.htm"},
      {"http://ext/news", "s/1.htm", "http://ext/news\\s/1.htm"},
      {"", "|", "http://|"},  // a link always takes its first byte
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.feedLink);
    settings.externalNews = row.externalNews;
    const std::vector<ShownItem> items =
        ParseItems(TEXT "t" LINK + std::string(row.feedLink) + "|");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].link, row.link);
  }
}

TEST_F(FeedParserTest, LinksEndAtControlBytesHighBytesAndBars) {
  const struct {
    std::string feed;
    const char* link;
  } rows[] = {
      {TEXT "t" LINK "/a\nb", "http:///a"},
      {TEXT "t" LINK "/a\x95", "http:///a"},
      {TEXT "t" LINK "/a b|", "http:///a b"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.link);
    const std::vector<ShownItem> items = ParseItems(row.feed);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].link, row.link);
  }
}

TEST_F(FeedParserTest, TextsAndLinksAreCutToTheirFields) {
  const std::string longText(300, 'x');
  const std::string longLink(5000, 'y');
  const std::vector<ShownItem> items =
      ParseItems(KIND "1" TEXT + longText + LINK "/" + longLink + "|" TEXT "next" LINK "/n|");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, std::string(249, 'x'));
  EXPECT_EQ(items[0].link, "http:///" + std::string(201 - 8, 'y'));
  // The walk still goes on after the whole long link.
  EXPECT_EQ(items[1].text, "next  ");
  EXPECT_EQ(items[1].link, "http:///n");
}

TEST_F(FeedParserTest, PendingItemsAndFeedsThatEndEarly) {
  const struct {
    const char* name;
    std::string feed;
    std::vector<std::string> texts;
    std::vector<std::string> links;
  } rows[] = {
      {"pending item appended by the next text", KIND "1" TEXT "a" TEXT TEXT "b" LINK "/b|",
       {"a  ", "b  "}, {"", "http:///b"}},
      {"pending item dropped at the end", KIND "1" TEXT "a" LINK "/a|" TEXT "b", {"a  "},
       {"http:///a"}},
      {"feed ends inside a text", KIND "1" TEXT "a" LINK "/a|" TEXT "unfinish", {"a  "},
       {"http:///a"}},
      {"feed ends inside a link", KIND "1" TEXT "a" LINK "/a|" TEXT "b" LINK "/par", {"a  ", "b  "},
       {"http:///a", "http:///par"}},
      {"reference close to the end", KIND "1" TEXT "&amp;" LINK "/", {"&  "}, {"http:///"}},
      {"feed ends at a link marker", KIND "1" TEXT "a" LINK, {"a  "}, {"http://"}},
      {"feed ends after a topic marker", KIND "1" TEXT "a" LINK "/a|" TOPIC "r", {"a  "},
       {"http:///a"}},
      {"feed ends after a kind marker", KIND "1" TEXT "a" LINK "/a|" KIND, {"a  "}, {"http:///a"}},
      {"feed ends after a colour marker", KIND "1" TEXT "a" LINK "/a|" COLOR, {"a  "},
       {"http:///a"}},
      {"NUL ends the feed", std::string(KIND "1" TEXT "a" LINK "/a|") + '\0' + TEXT "b" LINK "/b|",
       {"a  "}, {"http:///a"}},
      {"link before any text", LINK "/x|", {""}, {"http:///x"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Earlier passes leave texts in the buffer; none of them may show up.
    std::memset(text.data(), 'S', 64);
    const std::vector<ShownItem> items = ParseItems(row.feed);
    std::vector<std::string> texts, links;
    for (const ShownItem& item : items) {
      texts.push_back(item.text);
      links.push_back(item.link);
    }
    EXPECT_EQ(texts, row.texts);
    EXPECT_EQ(links, row.links);
  }
}

TEST_F(FeedParserTest, PendingItemKeepsTheLookItWasAssembledWith) {
  // "a" is assembled as a content row; the kind marker after it switches to captions before the
  // next text appends it.
  const std::vector<ShownItem> items =
      ParseItems(TOPIC "rs" KIND "2" TEXT "a" TEXT KIND "1" TEXT "b" LINK "/b|");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "a  " BULLET "  ");
  EXPECT_EQ(items[0].link, "");
  EXPECT_EQ(items[0].tallFont, 1);
  EXPECT_EQ(items[0].startsSection, 0);
  EXPECT_EQ(items[1].tallFont, 0);
  EXPECT_EQ(items[1].colorIndex, 15);
  EXPECT_EQ(items[1].startsSection, 1);
}

TEST_F(FeedParserTest, TopicOpensASectionForItsNextLinkedItem) {
  const std::vector<ShownItem> items = ParseItems(TOPIC "rt" KIND "2" TEXT "a" LINK "/a|" TEXT "b" LINK
                                                  "/b|" TOPIC "rw" TEXT "c" LINK "/c|");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].startsSection, 1);
  EXPECT_EQ(items[1].startsSection, 0);
  EXPECT_EQ(items[2].startsSection, 1);
}

TEST_F(FeedParserTest, NeverWritesPastTheTextBuffer) {
  // Items of 40 letters each; a small buffer holds only some of them.
  std::string feed;
  for (int i = 0; i < 50; ++i) feed += KIND "2" TEXT + std::string(40, 'a' + i % 26) + LINK "/l|";
  const size_t capacities[] = {0, 1, 8, 9, 47, 48, 49, 100, 1000};
  for (size_t capacity : capacities) {
    SCOPED_TRACE(capacity);
    std::vector<char> small(capacity + 64, '#');
    const FeedParseOutcome outcome = ParseFeed(feed.c_str(), feed.size(), false, settings, target,
                                               small.data(), capacity);
    for (size_t i = capacity; i < small.size(); ++i) ASSERT_EQ(small[i], '#') << i;
    EXPECT_EQ(outcome.result, FeedResult::kDone);
    EXPECT_TRUE(outcome.textBufferFull);
    // Every item that fitted is whole: 40 letters and its separator.
    const std::vector<ShownItem> items = PublishedItems(list);
    EXPECT_LT(items.size(), 50u);
    for (const ShownItem& item : items) EXPECT_EQ(item.text.size(), 45u);
    // Item k starts at 45 * k and needs its 40 letters plus room for the longest tail (colon
    // spaces, bullet separator, NUL).
    size_t fitting = 0;
    while (45 * fitting + 40 + 8 <= capacity) ++fitting;
    EXPECT_EQ(items.size(), fitting);
  }
}

TEST_F(FeedParserTest, AFeedLargerThanTheTextBufferIsCutSafely) {
  std::string feed;
  while (feed.size() < 190000) feed += KIND "2" TEXT + std::string(200, 'h') + LINK "/l|";
  const FeedParseOutcome outcome = Parse(feed);
  EXPECT_TRUE(outcome.textBufferFull);
  const std::vector<ShownItem> items = PublishedItems(list);
  // Each item assembles 205 bytes: 200 letters and the bullet separator.
  size_t fitting = 0;
  while (205 * fitting + 200 + 8 <= kFeedTextBufferSize) ++fitting;
  EXPECT_EQ(items.size(), fitting);
  for (const ShownItem& item : items) EXPECT_EQ(item.text, std::string(200, 'h') + "  " BULLET "  ");
}

TEST_F(FeedParserTest, ClosingStopsTheWalkWithoutFinishing) {
  ParseItems(KIND "1" TEXT "old" LINK "/o|");
  measurer.onMeasure = [this] { flags.closing = 1; };
  const FeedParseOutcome outcome = Parse(KIND "1" TEXT "a" LINK "/a|" TEXT "b" LINK "/b|");
  EXPECT_EQ(outcome.result, FeedResult::kClosing);
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"old  "});
  EXPECT_FALSE(measurer.Measured("b  ")) << "the walk went on after closing";
}

TEST_F(FeedParserTest, ClosingAlreadySetBeforeTheWalkStillReportsIt) {
  flags.closing = 1;
  EXPECT_EQ(Parse("no markers at all").result, FeedResult::kClosing);
}

TEST_F(FeedParserTest, RestartsTheListUnlessTheSponsorStepDid) {
  list.Restart();
  list.Append(&measurer, "sponsor", "s", 14, 0, 1);
  const std::string feed = KIND "1" TEXT "a" LINK "/a|";
  ParseFeed(feed.c_str(), feed.size(), true, settings, target, text.data(), text.size());
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{"sponsor", "a  "}));
  ParseFeed(feed.c_str(), feed.size(), false, settings, target, text.data(), text.size());
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"a  "});
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
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    SCOPED_TRACE(i);
    flags.mailAlertPending = 0;
    settings.mailAlertIcon = rows[i].icon;
    settings.mailAlertSound = rows[i].sound;
    const FeedParseOutcome outcome = Parse(rows[i].feed);
    EXPECT_EQ(flags.mailAlertPending.load() != 0, rows[i].pending);
    EXPECT_EQ(outcome.mailSoundWanted, rows[i].wanted);
  }
}

TEST(DecideMailSound, PlaysOnceUntilANetworkPassWithoutMail) {
  SharedFlags flags;
  FeedParserSettings settings;
  const struct {
    bool cachePass, mail;
    bool plays;
  } passes[] = {
      {false, true, true},    // mail arrives
      {false, true, false},   // still there: no second sound
      {true, false, false},   // a cache pass re-arms nothing
      {false, true, false},
      {true, true, false},    // a cache pass never plays
      {false, false, false},  // a network pass without mail re-arms
      {true, true, false},
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
      {false, 0, MailSoundKind::kResource, "Sound1"},
      {false, 1, MailSoundKind::kResource, "Sound2"},
      {false, 2, MailSoundKind::kNone, ""},
      {false, -1, MailSoundKind::kNone, ""},
      {true, 1, MailSoundKind::kFile, "C:\\sounds\\ding.wav"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.index);
    SharedFlags flags;
    FeedParserSettings settings;
    settings.otherMailSound = row.other;
    settings.mailSoundIndex = row.index;
    settings.otherMailSoundName = "C:\\sounds\\ding.wav";
    const MailSound sound = DecideMailSound(settings, flags, false, true);
    EXPECT_EQ(sound.kind, row.kind);
    EXPECT_STREQ(sound.name, row.name);
    EXPECT_EQ(flags.mailSoundArmed.load(), 0) << "disarmed even when nothing could play";
  }
}

}  // namespace
