// Feed parser throughput: parses a realistic 100 KB feed into the item list again and again and
// prints megabytes (10^6 bytes) of feed per second. Target: 300 MB/s or more.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "feed/feed_parser.h"

namespace {

constexpr size_t kFeedSize = 100 * 1024;

// Measuring text is GDI's work on Windows, not the parser's; a fixed width keeps it out.
class FixedWidthMeasurer : public TextMeasurer {
 public:
  bool CanMeasure() override { return true; }
  int32_t MeasureText(const char*, int32_t length, bool tallFont) override {
    return length * (tallFont ? 8 : 7);
  }
};

const char* const kHeadlines[] = {
    "Quake hits coast; no tsunami warning issued",
    "Markets rally as chip makers report record quarter",
    "Senate passes budget after all-night session",
    "Caf&eacute; chain to open 200 stores in Europe",
    "AT&amp;T and partners unveil faster network plans",
    "Storm season begins early along the Gulf",
    "Champions advance after late goal in extra time",
    "New film breaks opening weekend records",
    "Regulators question merger of two largest airlines",
    "&quot;We will rebuild,&quot; mayor says after flood",
};

const char* const kTopics[] = {"rt", "rw", "rb", "rp", "rc", "rs", "re"};
const char* const kCaptions[] = {"Top Stories:", "World:",  "Business:", "Politics:",
                                 "Technology:",  "Sports:", "Entertainment:"};

std::string MakeFeed() {
  std::string feed;
  unsigned serial = 0;
  while (feed.size() < kFeedSize) {
    // Quotes, weather, then the seven news topics, as the data server sends them.
    feed += "\x0Eqt\x05" "1\x0B" "Quotes:\x0D/quotes/|\x05" "2";
    const char* symbols[] = {"^DJI", "^SPC", "^IXIC", "INTC", "MSFT", "VXLO", "IBM", "CSCO"};
    for (const char* symbol : symbols) {
      char row[96];
      std::snprintf(row, sizeof row, "\x0B%s %u.%02u %c%u.%02u\x0D/q?s=%s|", symbol,
                    100 + serial % 900, serial % 100, serial % 3 == 0 ? '-' : '+', serial % 7,
                    serial % 100, symbol);
      feed += row;
      ++serial;
    }
    feed += "\x0Ewt\x05" "1\x0B" "Weather:\x0D/weather/|\x05" "2";
    const char* airports[] = {"JFK", "SFO", "LAX", "ORD"};
    for (const char* airport : airports) {
      char row[80];
      std::snprintf(row, sizeof row, "\x0B%s %uF\x0D/weather/%s.html|", airport,
                    40 + serial % 50, airport);
      feed += row;
      ++serial;
    }
    for (size_t t = 0; t < sizeof kTopics / sizeof kTopics[0]; ++t) {
      feed += std::string("\x0E") + kTopics[t] + "\x05" "1\x0B" + kCaptions[t] + "\x0D/" +
              kTopics[t] + "/|\x05" "2";
      for (int story = 0; story < 10; ++story) {
        char row[200];
        std::snprintf(row, sizeof row, "\x0B%s\x0D/news/%s/2024/story%06u.html|",
                      kHeadlines[serial % 10], kTopics[t], serial);
        feed += row;
        ++serial;
      }
    }
  }
  feed.resize(kFeedSize);
  return feed;
}

}  // namespace

int main() {
  const std::string feed = MakeFeed();
  StripFlags flags;
  RefreshFlags refresh;
  TickerItemList list(flags);
  FixedWidthMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags, &refresh};
  FeedParserSettings settings;
  std::vector<char> text(kFeedTextBufferSize);

  auto parseOnce = [&] {
    return ParseFeed(feed.data(), feed.size(), false, settings, target, text.data(), text.size());
  };
  for (int i = 0; i < 50; ++i) parseOnce();  // warm the list's storage and the caches
  const FeedParseOutcome outcome = parseOnce();
  if (outcome.textBufferFull) std::printf("warning: the text buffer filled up\n");
  const int32_t items = list.Read().itemCount;

  using Clock = std::chrono::steady_clock;
  long parses = 0;
  const Clock::time_point start = Clock::now();
  double seconds = 0;
  do {
    for (int i = 0; i < 100; ++i) parseOnce();
    parses += 100;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (seconds < 2.0);

  const double megabytes = static_cast<double>(feed.size()) * parses / 1e6;
  std::printf("parser_bench: %zu-byte feed, %d items; %ld parses in %.2f s: %.1f MB/s (%.1f us per parse)\n",
              feed.size(), items, parses, seconds, megabytes / seconds, seconds * 1e6 / parses);
  return 0;
}
