// The strip's item list: layout on the pixel axis, wrap copies, cuts, and the build/publish cycle.
#include "strip/item_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fixed_measurer.h"
#include "support/program_texts.h"

namespace {

class ItemListTest : public testing::Test {
 protected:
  StripFlags flags;
  TickerItemList list{flags};
  FixedMeasurer measurer{10};

  // Appends items whose widths are the given multiples of ten pixels: the text is that many
  // letters, each item's letter telling it apart ('a' for item 0, 'b' for item 1, ...).
  void AppendWidths(const std::vector<int>& widths) {
    char letter = 'a';
    for (int w : widths) {
      std::string text(static_cast<size_t>(w / 10), letter);
      std::string link = std::string("/") + letter;
      list.Append(&measurer, text.c_str(), link.c_str(), 1, 0, 1);
      letter = letter == 'z' ? 'a' : static_cast<char>(letter + 1);
    }
  }

  void AppendCount(int count) { AppendWidths(std::vector<int>(static_cast<size_t>(count), 30)); }
};

TEST_F(ItemListTest, FiveItemsLayOutGapFreeWithThreeDrawnCopies) {
  AppendWidths({100, 50, 70, 30, 40});
  list.Finish();

  ItemsView view = list.Read();
  EXPECT_EQ(view.itemCount, 5);
  EXPECT_EQ(view.stripWidth, 290);
  ASSERT_EQ(view.drawCount, 8u);
  const int expectedX[] = {0, 100, 150, 220, 250, 290, 390, 440};
  const char expectedLetter[] = {'a', 'b', 'c', 'd', 'e', 'a', 'b', 'c'};
  for (uint32_t i = 0; i < view.drawCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(view.items[i].x, expectedX[i]);
    EXPECT_EQ(view.items[i].text[0], expectedLetter[i]);
  }
}

TEST_F(ItemListTest, DrawCountByItemCount) {
  // item count -> slots drawn: repetitions for one to three items, then up to 19 wrap copies.
  const struct {
    int items;
    uint32_t drawn;
  } rows[] = {{1, 10}, {2, 10}, {3, 12}, {4, 6}, {5, 8}, {20, 38}, {21, 40}, {22, 41}, {30, 49},
              {200, 219}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.items);
    list.Restart();
    AppendCount(row.items);
    list.Finish();
    ItemsView view = list.Read();
    EXPECT_EQ(view.drawCount, row.drawn);
    EXPECT_EQ(view.itemCount, row.items);
    EXPECT_EQ(view.stripWidth, row.items * 30);
    EXPECT_GT(view.slotCount, view.drawCount) << "the slot at drawCount must exist";
  }
}

TEST_F(ItemListTest, EverySlotUpToDrawCountIsChainedAndHoldsARealItem) {
  for (int count : {1, 2, 3, 4, 7, 30}) {
    SCOPED_TRACE(count);
    list.Restart();
    std::vector<int> widths = {40, 10, 90, 20, 60, 30, 70, 50, 80, 10, 20, 30, 40, 50, 60,
                               70, 80, 90, 10, 20, 30, 40, 50, 60, 70, 80, 90, 10, 20, 30};
    widths.resize(static_cast<size_t>(count));
    AppendWidths(widths);
    list.Finish();

    ItemsView view = list.Read();
    ASSERT_LT(view.drawCount, view.slotCount);
    for (uint32_t i = 1; i <= view.drawCount; ++i) {
      EXPECT_EQ(view.items[i].x, view.items[i - 1].x + view.items[i - 1].width) << "slot " << i;
    }
    for (uint32_t i = 0; i <= view.drawCount; ++i) {
      const TickerItem& copy = view.items[i];
      const TickerItem& real = view.items[i % static_cast<uint32_t>(count)];
      EXPECT_STREQ(copy.text, real.text) << "slot " << i;
      EXPECT_STREQ(copy.link, real.link) << "slot " << i;
    }
  }
}

TEST_F(ItemListTest, TwoItemStatusPairIsShownFiveTimes) {
  ShowStatusPair(list, &measurer, flags, ProgramText(IDS_CONTACTING_CAPTION),
                 ProgramText(IDS_CONTACTING_MESSAGE));
  ItemsView view = list.Read();
  ASSERT_EQ(view.drawCount, 10u);
  for (uint32_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const bool caption = i % 2 == 0;
    EXPECT_STREQ(view.items[i].text,
                 caption ? " Contacting Server" : " Getting your news selections");
    EXPECT_EQ(view.items[i].colorIndex, caption ? 15 : 11);
    EXPECT_EQ(view.items[i].tallFont, caption ? 0 : 1);
    EXPECT_EQ(view.items[i].startsSection, 1);
    EXPECT_STREQ(view.items[i].link, "");
  }
  EXPECT_EQ(view.items[0].x, 0);
}

TEST_F(ItemListTest, StatusPairResetsOffsetAndLetsTheStripPaint) {
  flags.scrollOffset = 777;
  flags.listBusy = 0;
  flags.stripFilled = 0;
  ShowStatusPair(list, &measurer, flags, ProgramText(IDS_NO_DATA_CAPTION),
                 ProgramText(IDS_NO_DATA_MESSAGE));
  EXPECT_EQ(flags.scrollOffset.load(), 0);
  EXPECT_EQ(flags.listBusy.load(), 0);
  EXPECT_EQ(flags.stripFilled.load(), 1);
}

TEST_F(ItemListTest, ANoticeGoesInFrontOnceAndTheStripRunsOnBehindIt) {
  list.Append(&measurer, "Story", "http://a.test/1", 2, 1, 1);
  list.Append(&measurer, "Quote", "", 10, 0, 0);
  list.Finish();
  for (int shown = 0; shown < 2; ++shown) {
    ShowNoticeAhead(list, &measurer, flags, ProgramText(IDS_LINK_NOT_OPENED));
    ItemsView view = list.Read();
    ASSERT_EQ(view.itemCount, 3) << "not in front twice";
    EXPECT_STREQ(view.items[0].text, ProgramText(IDS_LINK_NOT_OPENED));
    EXPECT_EQ(view.items[0].colorIndex, 15);
    EXPECT_EQ(view.items[0].tallFont, 1);
    EXPECT_STREQ(view.items[1].text, "Story");
    EXPECT_STREQ(view.items[1].link, "http://a.test/1");
    EXPECT_EQ(view.items[1].colorIndex, 2);
    EXPECT_STREQ(view.items[2].text, "Quote");
    EXPECT_EQ(view.items[2].tallFont, 0);
    EXPECT_EQ(flags.listBusy.load(), 0);
  }
}

TEST_F(ItemListTest, TextsAndLinksAreCutToTheirFields) {
  const std::string text249(249, 't');
  const std::string text250(250, 'u');
  const std::string link201(201, 'l');
  const std::string link202(202, 'm');
  list.Append(&measurer, text249.c_str(), link201.c_str(), 1, 0, 0);
  list.Append(&measurer, text250.c_str(), link202.c_str(), 1, 0, 0);
  list.Finish();

  ItemsView view = list.Read();
  EXPECT_EQ(std::string(view.items[0].text), text249);
  EXPECT_EQ(view.items[0].textLength, 249);
  EXPECT_EQ(view.items[0].width, 2490);
  EXPECT_EQ(std::string(view.items[0].link), link201);
  EXPECT_EQ(std::string(view.items[1].text), std::string(249, 'u'));
  EXPECT_EQ(view.items[1].textLength, 249);
  EXPECT_EQ(view.items[1].width, 2490) << "the cut text is what gets measured";
  EXPECT_EQ(std::string(view.items[1].link), std::string(201, 'm'));
}

TEST_F(ItemListTest, NothingChangesOnceClosing) {
  AppendCount(5);
  list.Finish();
  flags.closing = 1;

  list.Restart();
  AppendCount(3);
  EXPECT_EQ(list.PendingCount(), 0);
  list.Finish();
  ItemsView view = list.Read();
  EXPECT_EQ(view.itemCount, 5);
  EXPECT_EQ(view.drawCount, 8u);
}

TEST_F(ItemListTest, AppendIsSkippedWhenTheWindowIsGone) {
  measurer.available = false;
  AppendCount(3);
  EXPECT_EQ(list.PendingCount(), 0);
  list.Append(nullptr, "x", "", 1, 0, 0);
  EXPECT_EQ(list.PendingCount(), 0);
}

TEST_F(ItemListTest, RestartKeepsTheOldStripUntilFinish) {
  AppendCount(5);
  list.Finish();

  list.Restart();
  AppendWidths({200, 200});
  {
    ItemsView view = list.Read();
    EXPECT_EQ(view.drawCount, 8u) << "old strip still published";
    EXPECT_EQ(view.stripWidth, 150);
    EXPECT_EQ(view.items[0].width, 30) << "old slots untouched by the new build";
  }
  list.Finish();
  ItemsView view = list.Read();
  EXPECT_EQ(view.drawCount, 10u);
  EXPECT_EQ(view.stripWidth, 400);
}

TEST_F(ItemListTest, ResetEmptiesTheStripAtOnce) {
  AppendCount(5);
  list.Finish();
  list.Reset();
  ItemsView view = list.Read();
  EXPECT_EQ(view.drawCount, 0u);
  EXPECT_EQ(view.itemCount, 0);
  EXPECT_EQ(view.stripWidth, 0);
}

TEST_F(ItemListTest, EmptyFinishShowsAnEmptyStrip) {
  AppendCount(5);
  list.Finish();
  list.Restart();
  list.Finish();
  ItemsView view = list.Read();
  EXPECT_EQ(view.drawCount, 0u);
  EXPECT_EQ(view.stripWidth, 0);
}

TEST_F(ItemListTest, BeforeTheFirstFillThereAreNoSlots) {
  ItemsView view = list.Read();
  EXPECT_EQ(view.slotCount, 0u);
  EXPECT_EQ(view.drawCount, 0u);
  EXPECT_EQ(view.Slot(0), nullptr);
}

TEST_F(ItemListTest, AppendsAfterFinishContinueTheList) {
  AppendCount(4);
  list.Finish();
  AppendCount(2);
  list.Finish();
  ItemsView view = list.Read();
  EXPECT_EQ(view.itemCount, 6);
  EXPECT_EQ(view.stripWidth, 180);
  EXPECT_EQ(view.items[5].x, 150);
}

TEST_F(ItemListTest, GrowsToThousandsOfItems) {
  AppendCount(5000);
  list.Finish();
  ItemsView view = list.Read();
  EXPECT_EQ(view.itemCount, 5000);
  EXPECT_EQ(view.drawCount, 5019u);
  EXPECT_EQ(view.items[4999].x, 4999 * 30);
  EXPECT_EQ(view.items[5018].x, 5018 * 30);
}

TEST_F(ItemListTest, ReleaseFreesEverything) {
  AppendCount(50);
  list.Finish();
  list.Release();
  ItemsView view = list.Read();
  EXPECT_EQ(view.slotCount, 0u);
  EXPECT_EQ(view.drawCount, 0u);
}

}  // namespace
