// Everything a request is answered from, built when content changes and then only read: the
// feed rows already in their byte form, so that answering never touches XML or data files.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "accounts.h"
#include "feed_writer.h"
#include "market_data.h"
#include "news_document.h"

struct TopicContent {
  std::string code;
  std::string caption;  // Windows-1252, e.g. "Top Stories:"
  FeedRow captionRow;
  std::vector<NewsItem> stories;   // newest first, each with a link
  std::vector<FeedRow> storyRows;  // the same stories in feed form
};

struct ContentSnapshot {
  std::string publicUrl;  // the base of links to this server's own pages, without a final '/'
  std::map<std::string, TopicContent> topics;  // news topics that have stories
  std::map<std::string, Quote> quotes;
  std::unordered_map<std::string, FeedRow> quoteRows;
  std::map<std::string, WeatherReading> weather;
  std::unordered_map<std::string, FeedRow> fahrenheitRows;
  std::unordered_map<std::string, FeedRow> celsiusRows;
  FeedRow quotesCaption;
  FeedRow weatherCaption;
  FeedRow mailCaption;
  std::vector<Account> accounts;
  // Stories whose link is this server's own page "/story/N" (the sample content's are): N, and
  // the story's topic and place in it.
  std::map<std::string, std::pair<std::string, size_t>> storyPages;
  std::string sponsorText;   // the sponsor file, byte for byte
  std::string sponsorImage;  // the sponsor picture, byte for byte
};

using SnapshotPointer = std::shared_ptr<const ContentSnapshot>;
