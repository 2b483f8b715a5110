// Feeds read back by the ticker's own parser, so that tests see what the strip would show: each
// item's assembled text, link, colour, section start and font, and the topic it stands under.
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
  bool mailAlert = false;           // the parser raised the mail alert ("ma" topic)
};

// Runs the ticker's parser over the bytes as the refresh worker does. Topics are attributed by
// the markers' positions, which holds for what the writer produces (it never lets a marker byte
// into a text or link); a feed where that does not hold is reported as a test failure.
ReadFeed ReadFeedLikeTheTicker(std::string_view bytes, bool accountMode);

// The items of one topic.
std::vector<ReadItem> ItemsOfTopic(const ReadFeed& feed, std::string_view topic);
