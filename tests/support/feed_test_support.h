// Helpers for the feed tests: the published strip read back as plain records. Feeds are written
// with the wire format's literals: FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "Headline" ...
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "feed/feed_wire.h"
#include "strip/item_list.h"

// The bullet of the ANSI code page, between content items.
#define BULLET "\x95"

struct ShownItem {
  std::string text;
  std::string link;
  int colorIndex;
  int startsSection;
  int tallFont;
};

// The real items of the published strip.
inline std::vector<ShownItem> PublishedItems(const TickerItemList& list) {
  std::vector<ShownItem> items;
  ItemsView view = list.Read();
  for (int32_t i = 0; i < view.itemCount; ++i) {
    const TickerItem& item = view.items[i];
    items.push_back({item.text, item.link, item.colorIndex, item.startsSection, item.tallFont});
  }
  return items;
}

inline std::vector<std::string> PublishedTexts(const TickerItemList& list) {
  std::vector<std::string> texts;
  for (const ShownItem& item : PublishedItems(list)) texts.push_back(item.text);
  return texts;
}

// A measurer that remembers every text it measured: status pairs and items that were built and
// then replaced still leave their trace here.
class RecordingMeasurer : public TextMeasurer {
 public:
  bool CanMeasure() override { return true; }
  int32_t MeasureText(const char* text, int32_t length, bool) override {
    measured.emplace_back(text, static_cast<size_t>(length));
    if (onMeasure) onMeasure();
    return length * 7;
  }
  bool Measured(const std::string& text) const {
    for (const std::string& m : measured) {
      if (m == text) return true;
    }
    return false;
  }
  std::vector<std::string> measured;
  std::function<void()> onMeasure;  // runs after each measure, e.g. to set closing
};
