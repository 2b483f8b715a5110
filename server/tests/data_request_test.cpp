// Reading data request queries and composing their feeds.
#include "data_request.h"

#include <gtest/gtest.h>

#include "support/ticker_reading.h"

namespace {

// A snapshot as the content store builds it, with a few stories per topic.
ContentSnapshot MakeContent() {
  ContentSnapshot content;
  content.publicUrl = "http://content.test";
  for (const char* code : {"rt", "rb", "rc"}) {
    TopicContent& topic = content.topics[code];
    topic.code = code;
    topic.caption = NewsTopicCaption(code);
    MakeFeedRow(topic.caption, content.publicUrl + "/news/" + code, &topic.captionRow);
    for (int i = 1; i <= 12; ++i) {
      NewsItem story{std::string(code) + " story " + std::to_string(i),
                     "http://news.example/" + std::string(code) + "/" + std::to_string(i)};
      FeedRow row;
      MakeFeedRow(story.title, story.link, &row);
      topic.stories.push_back(story);
      topic.storyRows.push_back(row);
    }
  }
  for (const Quote& quote :
       {Quote{"INTC", 12050, 210}, Quote{"MSFT", 9025, -115}, Quote{"VXLO", 15000, 0}}) {
    content.quotes[quote.symbol] = quote;
    MakeFeedRow(FormatQuoteText(quote), content.publicUrl + "/quotes/q?s=" + quote.symbol,
                &content.quoteRows[quote.symbol]);
  }
  for (const WeatherReading& reading :
       {WeatherReading{"JFK", 7200, "Partly Cloudy"}, WeatherReading{"SFO", 6100, "Fog"},
        WeatherReading{"LAX", 7800, "Sunny"}}) {
    content.weather[reading.airport] = reading;
    MakeFeedRow(FormatWeatherText(reading, true), "http://h/w",
                &content.fahrenheitRows[reading.airport]);
    MakeFeedRow(FormatWeatherText(reading, false), "http://h/w",
                &content.celsiusRows[reading.airport]);
  }
  MakeFeedRow("Quotes:", "http://h/q", &content.quotesCaption);
  MakeFeedRow("Weather:", "http://h/w", &content.weatherCaption);
  MakeFeedRow("Mail:", "http://h/m", &content.mailCaption);
  return content;
}

std::vector<std::string> Titles(const std::vector<ReadItem>& items) {
  std::vector<std::string> titles;
  for (const ReadItem& item : items) titles.push_back(item.title);
  return titles;
}

TEST(ComposeFeed, AnswersTheWorkedExample) {
  const ContentSnapshot content = MakeContent();
  const std::string bytes = ComposeFeed(
      content, ParseDataQuery("stocks=INTC,MSFT&weather=f,JFK,SFO,LAX&news=10,rt,rc,&134501"));
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], '\x0E') << "the ticker parses only answers that start with a topic";
  const ReadFeed feed = ReadFeedLikeTheTicker(bytes, false);
  EXPECT_EQ(feed.topics, (std::vector<std::string>{"qt", "wt", "rt", "rc"}));
  EXPECT_FALSE(feed.mailAlert);

  const std::vector<ReadItem> quotes = ItemsOfTopic(feed, "qt");
  EXPECT_EQ(Titles(quotes),
            (std::vector<std::string>{"Quotes:", "INTC 120.50 +2.10", "MSFT 90.25 -1.15"}));
  EXPECT_EQ(quotes[1].color, 10);
  EXPECT_EQ(quotes[2].color, 9);
  EXPECT_EQ(quotes[1].link, "http://content.test/quotes/q?s=INTC");

  EXPECT_EQ(Titles(ItemsOfTopic(feed, "wt")), (std::vector<std::string>{"Weather:",
                                                                        "JFK 72\xB0"
                                                                        "F Partly Cloudy",
                                                                        "SFO 61\xB0"
                                                                        "F Fog",
                                                                        "LAX 78\xB0"
                                                                        "F Sunny"}));
  for (const char* code : {"rt", "rc"}) {
    const std::vector<ReadItem> items = ItemsOfTopic(feed, code);
    ASSERT_EQ(items.size(), 11u) << "a caption and ten stories";
    EXPECT_EQ(items[0].title, NewsTopicCaption(code));
    EXPECT_EQ(items[0].color, 15);
    EXPECT_TRUE(items[0].startsSection);
    EXPECT_FALSE(items[0].tallFont);
    for (int i = 1; i <= 10; ++i) {
      EXPECT_EQ(items[i].title, std::string(code) + " story " + std::to_string(i));
      EXPECT_EQ(items[i].link,
                "http://news.example/" + std::string(code) + "/" + std::to_string(i));
      EXPECT_EQ(items[i].color, TopicColor(code));
      EXPECT_TRUE(items[i].tallFont);
    }
  }
}

TEST(ComposeFeed, QuotesCarryTheirSignAndUnknownsSayNA) {
  const ReadFeed feed = ReadFeedLikeTheTicker(
      ComposeFeed(MakeContent(), ParseDataQuery("stocks=VXLO+intc,NOPE&news=5,")), false);
  const std::vector<ReadItem> quotes = ItemsOfTopic(feed, "qt");
  ASSERT_EQ(quotes.size(), 4u);
  EXPECT_EQ(quotes[1].title, "VXLO 150.00 0.00");
  EXPECT_EQ(quotes[1].color, 11) << "unchanged";
  EXPECT_EQ(quotes[2].color, 10);
  EXPECT_EQ(quotes[3].title, "NOPE n/a");
  EXPECT_EQ(quotes[3].color, 11);
}

TEST(ComposeFeed, WeatherInCelsius) {
  const ReadFeed feed =
      ReadFeedLikeTheTicker(ComposeFeed(MakeContent(), ParseDataQuery("weather=c,JFK,XXX")), false);
  EXPECT_EQ(Titles(ItemsOfTopic(feed, "wt")), (std::vector<std::string>{"Weather:",
                                                                        "JFK 22\xB0"
                                                                        "C Partly Cloudy",
                                                                        "XXX n/a"}));
}

TEST(ComposeFeed, MailTopicOnlyWhenMailWaits) {
  const ContentSnapshot content = MakeContent();
  Account account;
  account.topics = {"rb"};
  account.storiesPerTopic = 3;
  account.symbols = {"INTC"};
  for (int mail : {0, 1, 4}) {
    account.newMail = mail;
    const ReadFeed feed =
        ReadFeedLikeTheTicker(ComposeFeed(content, SelectionForAccount(account)), true);
    EXPECT_EQ(feed.mailAlert, mail > 0) << mail;
    if (mail == 0) {
      EXPECT_EQ(feed.topics, (std::vector<std::string>{"qt", "rb"}));
      continue;
    }
    EXPECT_EQ(feed.topics, (std::vector<std::string>{"ma", "qt", "rb"}));
    const std::vector<ReadItem> rows = ItemsOfTopic(feed, "ma");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].title, mail == 1 ? "You have 1 new message" : "You have 4 new messages");
  }
}

TEST(ComposeFeed, AccountFeedsColourEveryRow) {
  Account account;
  account.topics = {"rc", "rb"};
  account.storiesPerTopic = 2;
  account.airports = {"SFO"};
  const ReadFeed feed =
      ReadFeedLikeTheTicker(ComposeFeed(MakeContent(), SelectionForAccount(account)), true);
  ASSERT_EQ(feed.items.size(), 2u + 3u + 3u);
  const int expected[] = {15, 8, 15, 4, 4, 15, 3, 3};
  for (size_t i = 0; i < feed.items.size(); ++i) {
    EXPECT_EQ(feed.items[i].color, expected[i]) << i << " " << feed.items[i].title;
  }
}

TEST(ComposeFeed, NothingToShowStillGivesAFeed) {
  const ContentSnapshot content = MakeContent();
  for (const char* query : {"news=5,&134501", "", "news=10,rw,rs,", "stocks=&weather=f,&news="}) {
    const std::string bytes = ComposeFeed(content, ParseDataQuery(query));
    ASSERT_FALSE(bytes.empty()) << query;
    EXPECT_EQ(bytes[0], '\x0E') << query;
    const ReadFeed feed = ReadFeedLikeTheTicker(bytes, false);
    EXPECT_EQ(feed.topics, std::vector<std::string>{kNoticeTopic}) << query;
    EXPECT_EQ(feed.items.size(), 2u) << query;
  }
}

TEST(ParseDataQuery, ReadsWhatMakesSenseAndDropsTheRest) {
  const struct {
    const char* query;
    std::vector<std::string> symbols, airports, topics;
    bool fahrenheit;
    int stories;
  } rows[] = {
      {"stocks=INTC,MSFT&weather=f,JFK,SFO,LAX&news=10,rt,rc,&134501",
       {"INTC", "MSFT"},
       {"JFK", "SFO", "LAX"},
       {"rt", "rc"},
       true,
       10},
      {"news=5,&134501", {}, {}, {}, true, 5},
      {"stocks=%5EDJI+intc%2cMSFT", {"^DJI", "INTC", "MSFT"}, {}, {}, true, 10},
      {"weather=c,jfk,,SFO,jfk", {}, {"JFK", "SFO"}, {}, false, 10},
      {"weather=JFK", {}, {"JFK"}, {}, true, 10},
      {"news=0,rt", {}, {}, {"rt"}, true, 1},
      {"news=99999999999999999999,re", {}, {}, {"re"}, true, kMaxStoriesPerTopic},
      {"news=-3,rt", {}, {}, {"rt"}, true, 10},
      {"news=rt,RW,xx,rt,r%74", {}, {}, {"rt", "rw"}, true, 10},
      {"news=7,rt&news=3,rw", {}, {}, {"rt"}, true, 7},
      {"stocks=<b>,A%00B,%,%%,^,,", {}, {}, {}, true, 10},
      {"&&=&stocks&weather=&news=&", {}, {}, {}, true, 10},
      {"unknown=1&134501&999", {}, {}, {}, true, 10},
  };
  const ContentSnapshot content = MakeContent();
  for (const auto& row : rows) {
    const FeedSelection selection = ParseDataQuery(row.query);
    // A feed prepared for the query's key is the query's own.
    EXPECT_EQ(ComposeFeed(content, ParseDataQuery(DataQueryKey(row.query))),
              ComposeFeed(content, selection))
        << row.query;
    EXPECT_EQ(selection.symbols, row.symbols) << row.query;
    EXPECT_EQ(selection.airports, row.airports) << row.query;
    EXPECT_EQ(selection.topics, row.topics) << row.query;
    EXPECT_EQ(selection.fahrenheit, row.fahrenheit) << row.query;
    EXPECT_EQ(selection.storiesPerTopic, row.stories) << row.query;
    EXPECT_FALSE(selection.accountMode);
  }
}

// Time stamps and parts the request ignores do not keep queries apart; what it reads does.
TEST(DataQueryKey, DropsOnlyWhatTheRequestIgnores) {
  const struct {
    const char *a, *b;
    bool same;
  } rows[] = {
      {"stocks=INTC&news=10,rt,&134501", "stocks=INTC&news=10,rt,&134502", true},
      {"x=1&stocks=INTC&135959&weather=f,JFK", "stocks=INTC&weather=f,JFK&y=2", true},
      {"stocks=INTC", "stocks&stocks=INTC", false},
      {"weather=f,JFK&1", "weather=c,JFK&1", false},
      {"news=3,rt", "news=3,rt,rb", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(DataQueryKey(row.a) == DataQueryKey(row.b), row.same) << row.a << " / " << row.b;
  }
}

TEST(ParseDataQuery, BoundsHugeLists) {
  std::string symbols = "stocks=";
  for (int i = 0; i < 1000; ++i) symbols += "S" + std::to_string(i) + ",";
  std::string airports = "&weather=f";
  for (int i = 0; i < 1000; ++i) airports += ",A" + std::to_string(i);
  const FeedSelection selection = ParseDataQuery(symbols + airports + "&news=25,rt,rb,rc");
  EXPECT_EQ(selection.symbols.size(), kMaxSymbols);
  EXPECT_EQ(selection.airports.size(), kMaxAirports);

  const std::string bytes = ComposeFeed(MakeContent(), selection);
  EXPECT_LE(bytes.size(), kDefaultFeedBudget);
  const ReadFeed feed = ReadFeedLikeTheTicker(bytes, false);
  EXPECT_EQ(feed.topics, (std::vector<std::string>{"qt", "wt", "rt", "rb", "rc"}));
  EXPECT_EQ(ItemsOfTopic(feed, "qt").size(), kMaxSymbols + 1);
}

}  // namespace
