// Reading data request queries and composing feeds from the content snapshot.
#include "data_request.h"

#include <algorithm>

#include "query_text.h"

namespace {

struct TopicInfo {
  const char* code;
  const char* caption;
  int color;  // the ticker's colour index for the topic's content rows
};

const TopicInfo kTopicInfo[] = {
    {"rt", "Top Stories:", 1}, {"rw", "World:", 2},    {"rb", "Business:", 3},
    {"rc", "Technology:", 4},  {"rp", "Politics:", 5}, {"re", "Entertainment:", 6},
    {"rs", "Sports:", 7},      {"wt", "Weather:", 8},
};

constexpr int kCaptionColor = 15;

template <typename T>
bool Contains(const std::vector<T>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// A count of stories; false when the text is not a number. Numbers of any length are read and
// clamped, so "0" and "99999999999" both give a bounded count.
bool ParseStoryCount(std::string_view text, int* count) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  const size_t first = std::min(text.find_first_not_of('0'), text.size());
  const std::string_view digits = text.substr(first);
  int value = 0;
  if (digits.size() > 4) {
    value = kMaxStoriesPerTopic;
  } else {
    for (const char c : digits) value = value * 10 + (c - '0');
  }
  *count = std::clamp(value, 1, kMaxStoriesPerTopic);
  return true;
}

void AddSymbols(std::string_view decoded, std::vector<std::string>* symbols) {
  for (const std::string_view entry : SplitList(decoded)) {
    if (symbols->size() == kMaxSymbols) return;
    std::string symbol = NormalizeSymbol(entry);
    if (!symbol.empty() && !Contains(*symbols, symbol)) symbols->push_back(std::move(symbol));
  }
}

void AddAirports(const std::vector<std::string_view>& entries, size_t first,
                 std::vector<std::string>* airports) {
  for (size_t i = first; i < entries.size() && airports->size() < kMaxAirports; ++i) {
    std::string airport = NormalizeAirport(entries[i]);
    if (!airport.empty() && !Contains(*airports, airport)) airports->push_back(std::move(airport));
  }
}

void AddTopic(std::string_view entry, std::vector<std::string>* topics) {
  const std::string code = Lower(entry);
  if (IsNewsTopic(code) && !Contains(*topics, code)) topics->push_back(code);
}

// Rows for what the snapshot does not know, made per request (they are rare).
FeedRow UnknownRow(const std::string& label, const std::string& link) {
  FeedRow row;
  MakeFeedRow(label + " n/a", link, &row);
  return row;
}

}  // namespace

bool IsNewsTopic(std::string_view code) {
  for (const char* topic : kNewsTopics) {
    if (code == topic) return true;
  }
  return false;
}

const char* NewsTopicCaption(std::string_view code) {
  if (!IsNewsTopic(code)) return "";
  for (const TopicInfo& info : kTopicInfo) {
    if (code == info.code) return info.caption;
  }
  return "";
}

int TopicColor(std::string_view code) {
  for (const TopicInfo& info : kTopicInfo) {
    if (code == info.code) return info.color;
  }
  return kCaptionColor;
}

FeedSelection ParseDataQuery(std::string_view query) {
  FeedSelection selection;
  bool seenStocks = false, seenWeather = false, seenNews = false;
  for (const QueryPart& part : SplitQuery(query)) {
    const std::string value = PercentDecode(part.value, false);
    if (part.name == "stocks" && !seenStocks) {
      seenStocks = true;
      AddSymbols(value, &selection.symbols);
    } else if (part.name == "weather" && !seenWeather) {
      seenWeather = true;
      const std::vector<std::string_view> entries = SplitList(value);
      size_t first = 0;
      if (!entries.empty() && (Lower(entries[0]) == "f" || Lower(entries[0]) == "c")) {
        selection.fahrenheit = Lower(entries[0]) == "f";
        first = 1;
      }
      AddAirports(entries, first, &selection.airports);
    } else if (part.name == "news" && !seenNews) {
      seenNews = true;
      const std::vector<std::string_view> entries = SplitList(value);
      for (size_t i = 0; i < entries.size(); ++i) {
        if (i == 0 && ParseStoryCount(entries[0], &selection.storiesPerTopic)) continue;
        AddTopic(entries[i], &selection.topics);
      }
    }
  }
  return selection;
}

std::string DataQueryKey(std::string_view query) {
  std::string key;
  size_t i = 0;
  while (i <= query.size()) {
    const size_t end = std::min(query.find('&', i), query.size());
    const std::string_view part = query.substr(i, end - i);
    const std::string_view name = part.substr(0, part.find('='));
    if (name == "stocks" || name == "weather" || name == "news") {
      if (!key.empty()) key += '&';
      key += part;
    }
    i = end + 1;
  }
  return key;
}

FeedSelection SelectionForAccount(const Account& account) {
  FeedSelection selection;
  for (const std::string& symbol : account.symbols) {
    if (selection.symbols.size() < kMaxSymbols && !Contains(selection.symbols, symbol)) {
      selection.symbols.push_back(symbol);
    }
  }
  for (const std::string& airport : account.airports) {
    if (selection.airports.size() < kMaxAirports && !Contains(selection.airports, airport)) {
      selection.airports.push_back(airport);
    }
  }
  selection.fahrenheit = account.fahrenheit;
  selection.storiesPerTopic = std::clamp(account.storiesPerTopic, 1, kMaxStoriesPerTopic);
  for (const std::string& topic : account.topics) AddTopic(topic, &selection.topics);
  selection.newMail = account.newMail;
  selection.accountMode = true;
  return selection;
}

std::string ComposeFeed(const ContentSnapshot& content, const FeedSelection& selection) {
  FeedWriter writer;
  // An account-mode ticker keeps whatever colour it was given and recolours only from 0, so
  // every row there gets its colour; elsewhere the ticker colours by topic on its own.
  auto color = [&](int index) {
    if (selection.accountMode) writer.SetColor(index);
  };

  if (selection.newMail > 0) {
    writer.BeginTopic(kMailTopic);
    color(kCaptionColor);
    writer.AppendRow(RowKind::kCaption, content.mailCaption);
    const std::string text = "You have " + std::to_string(selection.newMail) + " new message" +
                             (selection.newMail == 1 ? "" : "s");
    writer.ContentRow(text, content.publicUrl + "/mail/");
  }

  if (!selection.symbols.empty()) {
    writer.BeginTopic(kQuotesTopic);
    color(kCaptionColor);
    writer.AppendRow(RowKind::kCaption, content.quotesCaption);
    // Quote rows need no colour: the ticker takes it from the sign in each text.
    for (const std::string& symbol : selection.symbols) {
      const auto found = content.quoteRows.find(symbol);
      writer.AppendRow(RowKind::kContent,
                       found != content.quoteRows.end()
                           ? found->second
                           : UnknownRow(symbol, content.publicUrl + "/quotes/lookup.html"));
    }
  }

  if (!selection.airports.empty()) {
    writer.BeginTopic(kWeatherTopic);
    color(kCaptionColor);
    writer.AppendRow(RowKind::kCaption, content.weatherCaption);
    color(TopicColor(kWeatherTopic));
    const auto& rows = selection.fahrenheit ? content.fahrenheitRows : content.celsiusRows;
    for (const std::string& airport : selection.airports) {
      const auto found = rows.find(airport);
      writer.AppendRow(RowKind::kContent,
                       found != rows.end() ? found->second
                                           : UnknownRow(airport, content.publicUrl + "/weather/"));
    }
  }

  for (const std::string& code : selection.topics) {
    const auto topic = content.topics.find(code);
    if (topic == content.topics.end() || topic->second.storyRows.empty()) continue;
    writer.BeginTopic(code);
    color(kCaptionColor);
    writer.AppendRow(RowKind::kCaption, topic->second.captionRow);
    color(TopicColor(code));
    const size_t count =
        std::min(topic->second.storyRows.size(), static_cast<size_t>(selection.storiesPerTopic));
    for (size_t i = 0; i < count; ++i)
      writer.AppendRow(RowKind::kContent, topic->second.storyRows[i]);
  }

  if (writer.Empty()) {
    const bool nothingSelected =
        selection.symbols.empty() && selection.airports.empty() && selection.topics.empty();
    writer.BeginTopic(kNoticeTopic);
    color(kCaptionColor);
    writer.CaptionRow("Newsrail:", content.publicUrl + "/tlx/");
    writer.ContentRow(nothingSelected ? "Nothing is selected - choose topics in Preferences"
                                      : "No stories are available right now",
                      content.publicUrl + "/tlx/");
  }
  return writer.Take();
}
