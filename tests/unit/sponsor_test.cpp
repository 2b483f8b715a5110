// Sponsor items from the sponsor file, their display texts and the "sponsor.ini" keys.
#include "feed/sponsor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/feed_test_support.h"

namespace {

constexpr const char* kMaker = "http://maker.example/";

class SponsorTest : public testing::Test {
 protected:
  StripFlags flags;
  RefreshFlags refresh;
  TickerItemList list{flags};
  RecordingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags, &refresh};

  std::vector<ShownItem> Build(const std::string& data, const char* caption = "",
                               const char* captionUrl = "") {
    BuildSponsorItems(data.data(), data.size(), caption, captionUrl, kMaker, target);
    list.Finish();
    return PublishedItems(list);
  }
};

TEST_F(SponsorTest, ThreeEntriesFollowTheCaption) {
  const std::vector<ShownItem> items = Build("P|x\r\nQ|y\r\nR|z");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].text, "    Sponsor: ");
  EXPECT_EQ(items[0].link, kMaker);
  EXPECT_EQ(items[0].colorIndex, 15);
  EXPECT_EQ(items[0].startsSection, 1);
  EXPECT_EQ(items[0].tallFont, 0);
  const char* letters[] = {"P", "Q", "R"};
  const char* links[] = {"x", "y", "z"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i + 1].text, std::string("  ") + letters[i] + "  " BULLET);
    EXPECT_EQ(items[i + 1].link, links[i]);
    EXPECT_EQ(items[i + 1].colorIndex, 14);
    EXPECT_EQ(items[i + 1].startsSection, 0);
    EXPECT_EQ(items[i + 1].tallFont, 1);
  }
}

TEST_F(SponsorTest, EntriesByFileContent) {
  const struct {
    const char* name;
    std::string data;
    std::vector<std::string> texts;  // the entries, without the caption
    std::vector<std::string> links;
  } rows[] = {
      {"LF lines", "P|x\nQ|y\nR|z\n", {"  P  " BULLET, "  Q  " BULLET, "  R  " BULLET},
       {"x", "y", "z"}},
      {"CR LF lines", "P|x\r\nQ|y\r\n", {"  P  " BULLET, "  Q  " BULLET}, {"x", "y"}},
      {"tags removed", "<b>Sale</b> today|http://shop", {"  Sale today  " BULLET}, {"http://shop"}},
      {"data after the last entry ignored", "A|a\nno bar here\n", {"  A  " BULLET}, {"a"}},
      {"a line without '|' joins the next", "A\nB|b", {"  AB  " BULLET}, {"b"}},
      {"bytes below 20 dropped", "\x01" "A\x13\x14" "B|b", {"  A\x14" "B  " BULLET}, {"b"}},
      {"high bytes kept", "\xE9t\xE9|e", {"  \xE9t\xE9  " BULLET}, {"e"}},
      {"unclosed tag runs to the '|'", "Big <sale|s", {"  Big   " BULLET}, {"s"}},
      {"empty link", "A|", {"  A  " BULLET}, {""}},
      {"empty display part", "|l", {"    " BULLET}, {"l"}},
      {"NUL ends the data", std::string("A|a\n") + '\0' + "B|b", {"  A  " BULLET}, {"a"}},
      {"no entries", "just text", {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<ShownItem> items = Build(row.data);
    ASSERT_EQ(items.size(), row.texts.size() + 1);
    for (size_t i = 0; i < row.texts.size(); ++i) {
      EXPECT_EQ(items[i + 1].text, row.texts[i]);
      EXPECT_EQ(items[i + 1].link, row.links[i]);
    }
  }
}

TEST_F(SponsorTest, CaptionTextAndLink) {
  const struct {
    const char* caption;
    const char* captionUrl;
    const char* text;
    const char* link;
  } rows[] = {
      {"", "", "    Sponsor: ", kMaker},
      {"Acme Deals", "", "  Acme Deals", kMaker},
      {"Acme Deals", "http://acme.example", "  Acme Deals", "http://acme.example"},
      {"", "http://acme.example", "    Sponsor: ", "http://acme.example"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.caption);
    const std::vector<ShownItem> items = Build("A|a", row.caption, row.captionUrl);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, row.text);
    EXPECT_EQ(items[0].link, row.link);
  }
}

TEST_F(SponsorTest, LongEntriesAreCut) {
  const std::string data = std::string(3000, 'D') + "|" + std::string(3000, 'L');
  const std::vector<ShownItem> items = Build(data, std::string(498, 'C').c_str());
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "  " + std::string(247, 'C'));
  EXPECT_EQ(items[1].text, "  " + std::string(247, 'D'));
  EXPECT_EQ(items[1].link, std::string(201, 'L'));
}

TEST(BuildSponsorDisplayText, CutToItsFieldAndStillEndsWithTheBullet) {
  const std::string part(2000, 'w');
  const size_t capacities[] = {0, 1, 5, 6, 7, 9, kSponsorTextSize};
  for (size_t capacity : capacities) {
    SCOPED_TRACE(capacity);
    std::vector<char> out(capacity + 16, '#');
    const size_t length = BuildSponsorDisplayText(part.data(), part.size(), out.data(), capacity);
    for (size_t i = capacity; i < out.size(); ++i) ASSERT_EQ(out[i], '#') << i;
    if (capacity < 6) {  // no room for the two spaces, the tail and the NUL
      EXPECT_EQ(length, 0u);
      continue;
    }
    const std::string text(out.data());
    EXPECT_EQ(text.size(), length);
    EXPECT_EQ(length, capacity - 1);
    EXPECT_EQ(text, "  " + std::string(capacity - 6, 'w') + "  " BULLET);
  }
}

// A source that answers every key with more bytes than asked for room, and unterminated.
class OverfullSource : public SponsorKeySource {
 public:
  void ReadSponsorKey(const char* key, char* out, size_t capacity) override {
    asked[key] = capacity;
    std::memset(out, 'k', capacity);
  }
  std::map<std::string, size_t> asked;
};

TEST(ReadSponsorKeys, AsksEveryKeyWithItsFieldAndTerminatesIt) {
  OverfullSource source;
  SponsorKeys keys;
  ReadSponsorKeys(source, &keys);
  const std::map<std::string, size_t> expected = {
      {"Image", 100},      {"news", 499},           {"Caption", 499},
      {"CaptionURL", 299}, {"Alternate News", 100}, {"External News", 100},
  };
  EXPECT_EQ(source.asked, expected);
  EXPECT_EQ(std::strlen(keys.image), 99u);
  EXPECT_EQ(std::strlen(keys.news), 498u);
  EXPECT_EQ(std::strlen(keys.caption), 498u);
  EXPECT_EQ(std::strlen(keys.captionUrl), 298u);
  EXPECT_EQ(std::strlen(keys.alternateNews), 99u);
  EXPECT_EQ(std::strlen(keys.externalNews), 99u);
}

}  // namespace
