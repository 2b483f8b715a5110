// A producer rebuilding the strip while a reader paints it: run under ThreadSanitizer, this fails
// on any data race; in every build it fails when a reader sees a torn or half-built strip.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "strip/item_list.h"
#include "support/fixed_measurer.h"

namespace {

TEST(ItemListThreads, ReaderOnlyEverSeesWholePublishedStrips) {
  StripFlags flags;
  TickerItemList list(flags);
  FixedMeasurer measurer(7);
  std::atomic<bool> stop{false};
  std::atomic<int> builds{0};

  std::thread producer([&] {
    for (int round = 0; round < 400; ++round) {
      // Every item of one build carries the build's tag, so a reader can tell a mixed strip.
      const std::string tag = std::to_string(round % 10);
      const int count = 1 + (round * 7) % 60;
      if (round % 5 == 0) {
        ShowStatusPair(list, &measurer, flags, (" caption " + tag).c_str(),
                       (" message " + tag).c_str());
      } else {
        list.Restart();
        for (int i = 0; i < count; ++i) {
          const std::string text = tag + " headline " + std::to_string(i);
          list.Append(&measurer, text.c_str(), "http://127.0.0.1/x", 1 + i % 7, i % 3 == 0, 1);
        }
        list.Finish();
      }
      builds.fetch_add(1);
    }
    stop = true;
  });

  int looks = 0;
  while (!stop.load() || looks == 0) {
    ItemsView view = list.Read();
    ++looks;
    ASSERT_LE(view.drawCount, view.slotCount == 0 ? 0u : view.slotCount - 1);
    if (view.drawCount == 0) continue;
    const char tag = view.items[0].text[0] == ' ' ? view.items[0].text[9] : view.items[0].text[0];
    int32_t edge = 0;
    for (uint32_t i = 0; i < view.drawCount; ++i) {
      const TickerItem& item = view.items[i];
      ASSERT_EQ(item.x, edge) << "slot " << i;
      edge += item.width;
      const char itemTag = item.text[0] == ' ' ? item.text[9] : item.text[0];
      ASSERT_EQ(itemTag, tag) << "slot " << i << " belongs to another build";
    }
    ASSERT_LE(view.stripWidth, edge);
  }
  producer.join();
  EXPECT_EQ(builds.load(), 400);
  EXPECT_GT(looks, 0);
}

}  // namespace
