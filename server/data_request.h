// The data request: what a query or an account selects, and the feed composed for it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "accounts.h"
#include "content_snapshot.h"

// The news topics, in the order the ticker lists them in a query.
constexpr const char* kNewsTopics[] = {"rt", "rw", "rb", "rp", "rc", "rs", "re"};
constexpr int kDefaultStoriesPerTopic = 10;
// Bounds that keep any query's feed far below what the ticker can hold.
constexpr int kMaxStoriesPerTopic = 25;
constexpr size_t kMaxSymbols = 100;
constexpr size_t kMaxAirports = 50;

// Topic codes that are not news topics but are written by this server.
constexpr const char* kQuotesTopic = "qt";
constexpr const char* kWeatherTopic = "wt";
constexpr const char* kMailTopic = "ma";
constexpr const char* kNoticeTopic = "nt";  // a feed's only topic when there is nothing else

bool IsNewsTopic(std::string_view code);
// The caption of a news topic, e.g. "Top Stories:" for "rt"; "" for other codes.
const char* NewsTopicCaption(std::string_view code);
// The strip colour index of a topic's content rows (1 to 8; 15 for others).
int TopicColor(std::string_view code);

struct FeedSelection {
  std::vector<std::string> symbols;   // valid, upper case, no repeats, at most kMaxSymbols
  std::vector<std::string> airports;  // valid, upper case, no repeats, at most kMaxAirports
  bool fahrenheit = true;
  int storiesPerTopic = kDefaultStoriesPerTopic;  // 1 to kMaxStoriesPerTopic
  std::vector<std::string> topics;                // news topics in the order asked, no repeats
  int newMail = 0;                                // account mode: messages waiting
  bool accountMode = false;                       // colours are written into the feed
};

// Reads a data request's query (the part after '?'):
// "stocks=INTC,MSFT&weather=f,JFK,SFO,LAX&news=10,rt,rc,&134501". Every part is optional and
// may come in any order; the first of each name counts. Lists take ',', '+' or spaces; values
// may carry %XX escapes. Symbols, airports and topic codes that do not read are left out,
// "weather" starts with "f" or "c" (Fahrenheit when neither), "news" with the number of
// stories (clamped to 1..kMaxStoriesPerTopic; the default when it does not read). A bare word,
// such as the time stamp that keeps addresses apart, is ignored.
FeedSelection ParseDataQuery(std::string_view query);

// The parts of a query that ParseDataQuery reads ("stocks", "weather" and "news", bare or with a
// value), in their order: queries with the same key select the same feed, whatever time stamps
// or other parts they carry.
std::string DataQueryKey(std::string_view query);

// An account's own selection, with its mail and account-mode colours.
FeedSelection SelectionForAccount(const Account& account);

// The feed for a selection: the mail topic first when mail waits, then quotes ("qt"), weather
// ("wt") and the news topics in the order selected, each a caption row and its content rows.
// News topics without stories are left out; when nothing at all is left, the feed is one notice
// topic, so that every answer begins with the topic marker the ticker looks for.
std::string ComposeFeed(const ContentSnapshot& content, const FeedSelection& selection);
