// Link rules: the browser command, which URLs open and how they are passed, the search query, the
// item under the pointer and the jump arithmetic.
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

TEST(BrowserUrl, OnlyWebPagesAndAlwaysOneArgument) {
  const struct {
    const char* url;
    const char* encoded;  // null: refused
  } rows[] = {
      {"http://a/b", "http://a/b"},
      {"HTTPS://a/b?x=1&y=%41", "HTTPS://a/b?x=1&y=%41"},
      {" http://a/b", "http://a/b"},
      {"  http://a/b", nullptr},
      {"http:///top", "http:///top"},
      {"http://a/x --evil", "http://a/x%20--evil"},
      {"http://a/x\" --evil \"", "http://a/x%22%20--evil%20%22"},
      {"http://a/x\\", "http://a/x%5C"},
      {"http://a/\t\r\n\x01\x7F", "http://a/%09%0D%0A%01%7F"},
      {"http://a/caf\xE9", "http://a/caf%E9"},
      {"file:///C:/Windows/system32/calc.exe", nullptr},
      {"C:\\news\\story.htm", nullptr},
      {"javascript:alert(1)", nullptr},
      {"mailto:x@y", nullptr},
      {"httpx://a", nullptr},
      {"http", nullptr},
      {"", nullptr},
  };
  for (const auto& row : rows) {
    char out[200] = "junk";
    EXPECT_EQ(EncodeBrowserUrl(row.url, out, sizeof out), row.encoded != nullptr) << row.url;
    EXPECT_STREQ(out, row.encoded != nullptr ? row.encoded : "") << row.url;
  }
  char small[12] = "junk";
  EXPECT_FALSE(EncodeBrowserUrl("http://a/ b", small, sizeof small)) << "an escape is not split";
  EXPECT_STREQ(small, "");
  EXPECT_FALSE(EncodeBrowserUrl(nullptr, small, sizeof small));
}

TEST(OpenUrlItem, QuotedUrlAndTheWindowArguments) {
  char item[300];
  ASSERT_TRUE(BuildOpenUrlItem("http://a/b", item, sizeof item));
  EXPECT_STREQ(item, "\"http://a/b\",,0xFFFFFFFF,0x03");
  ASSERT_TRUE(BuildOpenUrlItem(" http://a/b", item, sizeof item));
  EXPECT_STREQ(item, "\"http://a/b\",,0xFFFFFFFF,0x03") << "one leading space dropped";
  ASSERT_TRUE(BuildOpenUrlItem("http://a/x\" --evil", item, sizeof item));
  EXPECT_STREQ(item, "\"http://a/x%22%20--evil\",,0xFFFFFFFF,0x03") << "the same URL as the line";
  EXPECT_FALSE(BuildOpenUrlItem("file:///c:/x", item, sizeof item));
  EXPECT_STREQ(item, "");
  char small[20] = "junk";
  EXPECT_FALSE(BuildOpenUrlItem("http://a/b", small, sizeof small));
  EXPECT_STREQ(small, "");
}

TEST(LaunchLine, TheCommandThenTheUrlAsOneQuotedArgument) {
  const struct {
    const char* command;
    const char* url;
    const char* line;  // null: nothing is run
  } rows[] = {
      {"\"C:\\web.exe\"  ", "http://h/c1", "\"C:\\web.exe\"  \"http://h/c1\""},
      {"web.exe ", " http://a/b", "web.exe \"http://a/b\""},
      {"web.exe", "http://a/b", "web.exe \"http://a/b\""},
      {"", "http://a/b", "\"http://a/b\""},
      {"web.exe ", "http://a/x --evil", "web.exe \"http://a/x%20--evil\""},
      {"web.exe ", "http://a/x\\", "web.exe \"http://a/x%5C\""},
      {"web.exe ", "notepad.exe", nullptr},
  };
  for (const auto& row : rows) {
    char line[kLaunchLineSize] = "junk";
    EXPECT_EQ(BuildLaunchLine(row.command, row.url, line, sizeof line), row.line != nullptr)
        << row.url;
    EXPECT_STREQ(line, row.line != nullptr ? row.line : "") << row.url;
  }
  char line[kLaunchLineSize];
  const std::string longUrl = "http://x/" + std::string(1000, 'p');
  EXPECT_TRUE(BuildLaunchLine(std::string(260, 'c').c_str(), longUrl.c_str(), line, sizeof line));
  const std::string spaces = "http://x/" + std::string(500, ' ');
  EXPECT_FALSE(BuildLaunchLine("web.exe ", spaces.c_str(), line, sizeof line))
      << "escaped beyond the line: refused, never cut";
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
  StripFlags flags;
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
  StripFlags flags;
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
  StripFlags flags;
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
  StripFlags flags;
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
  StripFlags flags;
  TickerItemList list(flags);
  int32_t result = 1234;
  EXPECT_FALSE(ComputeJump(list.Read(), 50, true, true, true, &result));
  EXPECT_EQ(result, 1234);
}

}  // namespace
