// Link rules: the browser command, the DDE item, the search query, the item under the pointer and
// the jump arithmetic.
#include "desktop/link_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/fixed_measurer.h"

namespace {

std::string Trimmed(const char* registered) {
  char command[kBrowserCommandSize];
  std::strncpy(command, registered, sizeof command - 1);
  command[sizeof command - 1] = '\0';
  TrimBrowserCommand(command);
  return command;
}

TEST(BrowserCommand, TrimmedSoThatAUrlCanFollow) {
  EXPECT_EQ(Trimmed("\"C:\\Program Files\\Web\\web.exe\" \"%1\""),
            "\"C:\\Program Files\\Web\\web.exe\"  ");
  EXPECT_EQ(Trimmed("C:\\NAV\\navigator.exe -nohome"), "C:\\NAV\\navigator.exe ");
  EXPECT_EQ(Trimmed("C:\\web.exe -h %1"), "C:\\web.exe ");
  EXPECT_EQ(Trimmed("C:\\apps-home\\web.exe %1"), "C:\\apps") << "-h anywhere, even in a path";
  EXPECT_EQ(Trimmed("C:\\web.exe %1"), "C:\\web.exe ");
  EXPECT_EQ(Trimmed("C:\\web.exe"), "C:\\web.exe") << "the URL follows with no space";
  EXPECT_EQ(Trimmed("%1"), " ");
  EXPECT_EQ(Trimmed(std::string(300, 'x').c_str()).size(), kBrowserCommandSize - 3);
}

TEST(OpenUrlItem, QuotedUrlAndTheWindowArguments) {
  char item[300];
  ASSERT_TRUE(BuildOpenUrlItem("http://a/b", item, sizeof item));
  EXPECT_STREQ(item, "\"http://a/b\",,0xFFFFFFFF,0x03");
  ASSERT_TRUE(BuildOpenUrlItem(" http://a/b", item, sizeof item));
  EXPECT_STREQ(item, "\"http://a/b\",,0xFFFFFFFF,0x03") << "one leading space dropped";
  char small[20] = "junk";
  EXPECT_FALSE(BuildOpenUrlItem("http://a/b", small, sizeof small));
  EXPECT_STREQ(small, "");

  char line[kLaunchLineSize];
  ASSERT_TRUE(BuildLaunchLine("web.exe  ", " http://a/b", line, sizeof line));
  EXPECT_STREQ(line, "web.exe   http://a/b") << "the command line keeps the leading space";
  const std::string longUrl = "http://x/" + std::string(1000, 'p');
  EXPECT_TRUE(BuildLaunchLine(std::string(260, 'c').c_str(), longUrl.c_str(), line, sizeof line));
}

TEST(SearchQuery, SpacesBecomePlusAndALineBreakEndsIt) {
  const struct {
    const char* box;
    const char* query;
  } rows[] = {
      {"two words", "two+words"}, {"", ""}, {"news\r\n", "news"}, {"a\tb", "a"},
      {"caf\xE9 au lait", "caf%E9+au+lait"}, {"x&y=1", "x&y=1"},
  };
  for (const auto& row : rows) {
    char out[100];
    BuildSearchQuery(row.box, out, sizeof out);
    EXPECT_STREQ(out, row.query) << row.box;
  }
  char small[5];
  EXPECT_EQ(BuildSearchQuery("\xE9\xE9\xE9", small, sizeof small), 3u) << "escapes are not split";
}

class StripLinks : public testing::Test {
 protected:
  SharedFlags flags;
  TickerItemList list{flags};
  FixedMeasurer measurer{10};

  // Items 10 pixels per character: "Caption" 0-70, "story one" 70-160, "story two" 160-250.
  void Fill(const char* captionLink) {
    list.Restart();
    list.Append(&measurer, "Caption", captionLink, 15, 1, 0);
    list.Append(&measurer, "story one", "http://h/1", 1, 0, 1);
    list.Append(&measurer, "story two", "http://h/2", 1, 0, 1);
    list.Finish();
  }
};

TEST_F(StripLinks, TheItemUnderThePointerAndTheWrap) {
  Fill("http://h/c");
  ItemsView view = list.Read();
  EXPECT_STREQ(LinkUnderPointer(view, 0, 10), "http://h/c");
  EXPECT_STREQ(LinkUnderPointer(view, 0, 100), "http://h/1");
  EXPECT_STREQ(LinkUnderPointer(view, 100, 100), "http://h/2");
  EXPECT_STREQ(LinkUnderPointer(view, 240, 20), "http://h/c") << "past the strip's end: wrapped";
}

TEST_F(StripLinks, AnItemWithoutALinkOpensTheNextOneThatHasOne) {
  Fill("");
  ItemsView view = list.Read();
  EXPECT_STREQ(LinkUnderPointer(view, 0, 10), "http://h/1");
}

TEST(StripLinksBounds, TheLookAheadStopsAtTheEndOfTheStorage) {
  SharedFlags flags;
  TickerItemList list(flags);
  FixedMeasurer measurer(10);
  EXPECT_EQ(LinkUnderPointer(list.Read(), 0, 10), nullptr) << "before the first fill";
  for (int i = 0; i < 30; ++i) list.Append(&measurer, "abc", "", 1, 0, 1);
  list.Finish();
  ItemsView view = list.Read();
  // The last drawn slots have no links and nothing beyond the storage may be read.
  const char* link = LinkUnderPointer(view, 0, view.items[view.drawCount - 1].x + 1);
  ASSERT_NE(link, nullptr);
  EXPECT_STREQ(link, "");
}

class Jumps : public testing::Test {
 protected:
  SharedFlags flags;
  TickerItemList list{flags};
  FixedMeasurer measurer{10};

  // Two sections of a caption (small) and two stories (tall), each item 100 pixels wide:
  // sections start at 0 and 300.
  void SetUp() override {
    for (int section = 0; section < 2; ++section) {
      list.Append(&measurer, "Caption!!!", "", 15, 1, 0);
      list.Append(&measurer, "Story one.", "/a", 1, 0, 1);
      list.Append(&measurer, "Story two.", "/b", 1, 0, 1);
    }
    list.Finish();
  }

  int32_t Jump(int32_t offset, bool forward, bool section, bool scrollForward = true) {
    int32_t result = -99999;
    EXPECT_TRUE(ComputeJump(list.Read(), offset, forward, section, scrollForward, &result));
    return result;
  }
};

TEST_F(Jumps, ForwardToTheNextSectionOrStory) {
  EXPECT_EQ(Jump(0, true, true), 280) << "next section 20 pixels from the edge";
  EXPECT_EQ(Jump(0, true, false), 70) << "next story 30 pixels from the edge";
  EXPECT_EQ(Jump(150, true, false), 170);
  EXPECT_EQ(Jump(350, true, true), 580) << "the wrap copy of the first section";
}

TEST_F(Jumps, BackwardToTheSectionAtTheEdge) {
  EXPECT_EQ(Jump(450, false, true), 300);
  EXPECT_EQ(Jump(250, false, true), 0);
}

TEST_F(Jumps, PastTheLastCopyTheSearchStartsAgainAtTheFirstSlot) {
  EXPECT_EQ(Jump(700, true, true), 880) << "the copy of the second section";
  EXPECT_EQ(Jump(900, true, true), -20);
}

TEST(JumpsWithoutSections, GoBackToTheStart) {
  SharedFlags flags;
  TickerItemList list(flags);
  FixedMeasurer measurer(10);
  for (int i = 0; i < 5; ++i) list.Append(&measurer, "Story text", "/s", 1, 0, 0);
  list.Finish();
  int32_t result = -1;
  ASSERT_TRUE(ComputeJump(list.Read(), 120, true, true, true, &result));
  EXPECT_EQ(result, 0);
  ASSERT_TRUE(ComputeJump(list.Read(), 120, true, true, false, &result));
  EXPECT_EQ(result, 0) << "right to left: slot 0's x, which is 0";
  EXPECT_FALSE(ComputeJump(list.Read(), 120, false, true, true, &result))
      << "backwards with no section anywhere: nothing changes";
}

TEST(JumpsBeforeAFill, ChangeNothing) {
  SharedFlags flags;
  TickerItemList list(flags);
  int32_t result = 1234;
  EXPECT_FALSE(ComputeJump(list.Read(), 50, true, true, true, &result));
  EXPECT_EQ(result, 1234);
}

}  // namespace
