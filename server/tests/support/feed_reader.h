// Reads a feed the way the ticker's parser does, step for step, so that tests can see what the
// strip would show: each item's assembled text, link, colour, section start and font.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ReadItem {
  std::string topic;  // the topic code in force
  std::string text;   // as assembled: decoded, ':' spaces and separator included
  std::string title;  // the decoded text alone
  std::string link;   // as the ticker would open it
  int color = 0;
  bool startsSection = false;
  bool tallFont = false;
};

struct ReadFeed {
  std::vector<ReadItem> items;
  std::vector<std::string> topics;  // every topic marker's code, in order
  bool mailAlert = false;           // a "ma" topic was seen
};

ReadFeed ReadFeedLikeTheTicker(std::string_view bytes, bool accountMode);

// The items of one topic.
std::vector<ReadItem> ItemsOfTopic(const ReadFeed& feed, std::string_view topic);
