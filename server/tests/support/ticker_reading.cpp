// The ticker's parser behind the server's tests.
#include "ticker_reading.h"

#include <gtest/gtest.h>

#include "feed/feed_parser.h"
#include "feed/feed_wire.h"
#include "support/fixed_measurer.h"

namespace {

// What the parser appended to an item after its text: the separator, and before it the two
// spaces that follow a closing ':'.
std::string TitleOf(const std::string& text) {
  std::string title = text;
  for (const std::string_view tail : {std::string_view("  \x95  "), std::string_view("  ")}) {
    if (title.size() >= tail.size() && title.compare(title.size() - tail.size(), tail.size(),
                                                    tail.data(), tail.size()) == 0) {
      title.resize(title.size() - tail.size());
      break;
    }
  }
  if (title.size() >= 3 && title.compare(title.size() - 3, 3, ":  ") == 0)
    title.resize(title.size() - 2);
  return title;
}

}  // namespace

ReadFeed ReadFeedLikeTheTicker(std::string_view input, bool accountMode) {
  const std::string bytes(input.substr(0, input.find('\0')));
  StripFlags flags;
  RefreshFlags refresh;
  TickerItemList list(flags);
  FixedMeasurer measurer(7);
  const FeedTarget target{&list, &measurer, &flags, &refresh};
  FeedParserSettings settings;
  settings.accountMode = accountMode;
  settings.mailAlertIcon = true;
  std::vector<char> text(kFeedTextBufferSize);
  ParseFeed(bytes.data(), bytes.size(), false, settings, target, text.data(), text.size());

  ReadFeed feed;
  feed.mailAlert = refresh.mailAlertPending.load() != 0;
  {
    ItemsView view = list.Read();
    for (int32_t i = 0; i < view.itemCount; ++i) {
      const TickerItem& item = view.items[i];
      ReadItem read;
      read.text = item.text;
      read.title = TitleOf(read.text);
      read.link = item.link;
      read.color = item.colorIndex;
      read.startsSection = item.startsSection != 0;
      read.tallFont = item.tallFont != 0;
      feed.items.push_back(read);
    }
  }

  // Every item the writer produces ends with a link marker.
  std::string topic;
  size_t item = 0;
  for (size_t p = 0; p < bytes.size(); ++p) {
    if (bytes[p] == kTopicMarker) {
      topic = bytes.substr(p + 1, 2);
      feed.topics.push_back(topic);
    } else if (bytes[p] == kLinkMarker) {
      if (item < feed.items.size()) feed.items[item].topic = topic;
      ++item;
    }
  }
  if (item != feed.items.size()) {
    ADD_FAILURE() << item << " link markers but " << feed.items.size() << " items";
  }
  return feed;
}

std::vector<ReadItem> ItemsOfTopic(const ReadFeed& feed, std::string_view topic) {
  std::vector<ReadItem> items;
  for (const ReadItem& item : feed.items) {
    if (item.topic == topic) items.push_back(item);
  }
  return items;
}
