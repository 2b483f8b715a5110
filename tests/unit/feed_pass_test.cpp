// Whole feed passes against an environment in memory: cache and network passes, the sponsor file,
// account login, "Please restart", external and alternate news, cuts, closing and the mail sound.
#include "feed/feed_pass.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "support/fake_feed_environment.h"
#include "support/feed_test_support.h"

namespace {

using Texts = std::vector<std::string>;

const std::string kDataUrl = "http://data.example/tlx/update?news=5,&134501";
const std::string kAccountDataUrl = "http://data.example/tlx/update&134501";
const std::string kLoginUrl = "http://portal.example/config/tlxlogin?login=john+smith&passwd=a%2Eb";
const std::string kSetupPage = "http://portal.example/config/eval_suggest";

const std::string kFreshFeed = FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "Fresh news" FEED_LINK "/f|";
const std::string kCachedFeed = FEED_TOPIC "rw" FEED_KIND "2" FEED_TEXT "Cached news" FEED_LINK "/c|";
const std::string kFresh = "Fresh news  " BULLET "  ";
const std::string kCached = "Cached news  " BULLET "  ";
const std::string kSponsorCaption = "    Sponsor: ";

class FeedPassTest : public testing::Test {
 protected:
  StripFlags flags;
  RefreshFlags refresh;
  TickerItemList list{flags};
  RecordingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags, &refresh};
  FakeFeedEnvironment env;
  FeedSettings settings;
  std::vector<char> text = std::vector<char>(kFeedTextBufferSize);

  void SetUp() override {
    std::strcpy(settings.dataEndpoint, "http://data.example/tlx/update");
    std::strcpy(settings.loginEndpoint, "http://portal.example/config/tlxlogin?login=");
    std::strcpy(settings.accountSetupPage, kSetupPage.c_str());
    std::strcpy(settings.makerHomePage, "http://maker.example/");
    std::strcpy(settings.userId, "john+smith");
    std::strcpy(settings.password, "a.b");
    settings.storiesPerTopic = 5;
    refresh.firstCycle = 0;  // a later cycle unless a test says otherwise
  }

  // A fresh environment and measurer for the next row; the list keeps what it shows.
  void NextRow() {
    env = FakeFeedEnvironment();
    measurer.measured.clear();
  }

  FeedResult Run(bool cachePass = false) {
    refresh.loadFromCache = cachePass ? 1 : 0;
    const FeedResult result = RunFeedPass(env, settings, target, text.data(), text.size());
    refresh.loadFromCache = 0;
    return result;
  }

  // An earlier strip on screen, so that a test can tell whether a pass replaced it.
  void ShowOldStrip() {
    list.Restart();
    list.Append(&measurer, "old strip", "", 1, 1, 1);
    list.Finish();
  }

  bool Fetched(const std::string& url) const { return !env.Logged("GET " + url).empty(); }
};

TEST_F(FeedPassTest, CachePassBuildsTheStripFromBothCacheFiles) {
  env.programFiles["Sponsor.Dat"] = "S|s\n";
  env.programFiles["News.Dat"] = kCachedFeed;
  EXPECT_EQ(Run(true), FeedResult::kDone);
  EXPECT_EQ(env.log, (Texts{"READ Sponsor.Dat", "READ News.Dat"}));
  EXPECT_EQ(PublishedTexts(list), (Texts{kSponsorCaption, "  S  " BULLET, kCached}));
}

TEST_F(FeedPassTest, CachePassFallsBackToTheNetwork) {
  const struct {
    const char* name;
    bool firstCycle;
    const char* newsDat;  // null: missing
    bool statusShown, fetched;
  } rows[] = {
      {"missing on the first cycle", true, nullptr, true, true},
      {"missing later", false, nullptr, false, true},
      {"not a feed", false, "<html>gone</html>", true, true},
      {"starts with '|'", false, "|" FEED_TEXT "Cached news" FEED_LINK "/c|", false, false},
      // The first byte compares as a signed char: 0x80 and up count as control bytes.
      {"starts with a high byte", false, "\x95" FEED_TEXT "Cached news" FEED_LINK "/c|", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NextRow();
    env.answers[kDataUrl] = {kFreshFeed};
    env.programFiles["Sponsor.Dat"] = "";
    if (row.newsDat != nullptr) env.programFiles["News.Dat"] = row.newsDat;
    refresh.firstCycle = row.firstCycle ? 1 : 0;
    // What the first cycle asks before it shows the cache: whether this pass would fetch.
    EXPECT_EQ(NewsCacheHoldsFeed(env), !row.fetched);
    Run(true);
    EXPECT_EQ(measurer.Measured(ProgramText(IDS_CONTACTING_CAPTION)), row.statusShown);
    EXPECT_EQ(Fetched(kDataUrl), row.fetched);
    EXPECT_EQ(PublishedTexts(list), Texts{row.fetched ? kFresh : "Cached news  "});
  }
}

TEST_F(FeedPassTest, StatusPairAfterTheSponsorItemsDoesNotStayInTheStrip) {
  refresh.firstCycle = 1;  // a missing cache then shows " Contacting Server"
  env.programFiles["Sponsor.Dat"] = "S|s";
  env.answers[kDataUrl] = {kFreshFeed};
  Run(true);
  EXPECT_TRUE(measurer.Measured(ProgramText(IDS_CONTACTING_MESSAGE)));
  EXPECT_EQ(PublishedTexts(list), Texts{kFresh});
}

TEST_F(FeedPassTest, NetworkPassFetchesAndCachesByteForByte) {
  const std::string picture("BM\0\x01\xFF\0tail", 9);
  env.sponsorKeys["Image"] = "http://s.example/p.bmp";
  env.sponsorKeys["news"] = "http://s.example/s.txt";
  env.answers["http://s.example/p.bmp"] = {picture};
  env.answers["http://s.example/s.txt"] = {"A|a\r\nB|b\r\n"};
  env.answers[kDataUrl] = {kFreshFeed};
  EXPECT_EQ(Run(), FeedResult::kDone);
  EXPECT_EQ(env.log, (Texts{"GET http://s.example/p.bmp", "WRITE sponsor.bmp",
                            "GET http://s.example/s.txt", "WRITE Sponsor.Dat", "GET " + kDataUrl,
                            "WRITE News.Dat"}));
  EXPECT_EQ(env.ProgramFile("sponsor.bmp"), picture);
  EXPECT_EQ(env.ProgramFile("Sponsor.Dat"), "A|a\r\nB|b\r\n");
  EXPECT_EQ(env.ProgramFile("News.Dat"), kFreshFeed);
  EXPECT_EQ(refresh.feedReceived.load(), 1);
  EXPECT_EQ(PublishedTexts(list), (Texts{kSponsorCaption, "  A  " BULLET, "  B  " BULLET, kFresh}));
}

TEST_F(FeedPassTest, SponsorPictureAndFileByKeys) {
  const struct {
    const char* name;
    const char* image;
    const char* pictureFile;  // what "sponsor.bmp" holds afterwards
    bool sponsorAnswers;
    const char* sponsorDat;   // what "Sponsor.Dat" holds afterwards
  } rows[] = {
      {"no picture, sponsor fetch fails", "", "<missing>", false, "old"},
      {"picture path is not an address", "C:\\pics\\p.bmp", "<missing>", false, "old"},
      {"picture fetch fails", "http://s.example/none.bmp", "", false, "old"},
      {"upper case address", "HTTP://s.example/p.bmp", "pic", true, "N|n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NextRow();
    env.programFiles["Sponsor.Dat"] = "old";
    env.sponsorKeys["Image"] = row.image;
    env.answers["C:\\pics\\p.bmp"] = env.answers["HTTP://s.example/p.bmp"] = {"pic"};
    env.sponsorKeys["news"] = "http://s.example/s.txt";
    if (row.sponsorAnswers) env.answers["http://s.example/s.txt"] = {"N|n"};
    env.answers[kDataUrl] = {kFreshFeed};
    Run();
    EXPECT_EQ(env.ProgramFile("sponsor.bmp"), row.pictureFile);
    EXPECT_EQ(env.ProgramFile("Sponsor.Dat"), row.sponsorDat);
    EXPECT_EQ(PublishedTexts(list).size(), row.sponsorAnswers ? 3u : 1u);
  }
}

TEST_F(FeedPassTest, LoginAnswers) {
  const struct {
    const char* name;
    const char* answer;  // null: no answer
    Texts strip;         // shown afterwards
    bool setupOpened, box;
    int loginRetryAfter;
  } rows[] = {
      {"logged in", "OK", {kFresh}, false, false, 0},
      {"set-up incomplete", "Please complete your preferences",
       {ProgramText(IDS_SETUP_CAPTION), ProgramText(IDS_SETUP_MESSAGE)}, true, false, 1},
      {"bad login", "ERROR: unknown user",
       {ProgramText(IDS_BAD_LOGIN_CAPTION), ProgramText(IDS_BAD_LOGIN_MESSAGE)}, false, false, 1},
      {"unexpected", "<html>Server busy</html>", {kFresh}, false, true, 0},
      {"no answer", nullptr, {"old strip"}, false, false, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NextRow();
    ShowOldStrip();
    settings.accountMode = true;
    refresh.loginRetry = 1;
    if (row.answer != nullptr) env.answers[kLoginUrl] = {row.answer};
    env.answers[kAccountDataUrl] = {kFreshFeed};
    Run();
    ASSERT_FALSE(env.log.empty());
    EXPECT_EQ(env.log[0], "GET " + kLoginUrl);
    EXPECT_EQ(Fetched(kAccountDataUrl), row.strip[0] == kFresh);
    EXPECT_EQ(PublishedTexts(list), row.strip);
    EXPECT_EQ(refresh.loginRetry.load(), row.loginRetryAfter);
    EXPECT_EQ(env.Logged("OPEN"), row.setupOpened ? Texts{"OPEN " + kSetupPage} : Texts{});
    ASSERT_EQ(env.messages.size(), row.box ? 1u : 0u);
    if (row.box) {
      EXPECT_EQ(env.messages[0].first, "Error:  Unexpected response from Server!");
      EXPECT_EQ(env.messages[0].second, row.answer);
    }
  }
}

TEST_F(FeedPassTest, LoginRunsOnTheFirstCycleOrWhenRetryIsAsked) {
  const struct {
    bool accountMode;
    int firstCycle, loginRetry;
    bool login;
  } rows[] = {{true, 1, 0, true}, {true, 0, 1, true}, {true, 0, 0, false}, {false, 1, 1, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.accountMode << row.firstCycle << row.loginRetry);
    NextRow();
    settings.accountMode = row.accountMode;
    refresh.firstCycle = row.firstCycle;
    refresh.loginRetry = row.loginRetry;
    env.answers[kLoginUrl] = {"OK"};
    Run();
    EXPECT_EQ(Fetched(kLoginUrl), row.login);
    EXPECT_EQ(env.Logged("GET http://data.example/").size(), 1u);
  }
}

TEST_F(FeedPassTest, PleaseRestartLogsInAgainOncePerProcess) {
  settings.accountMode = true;
  refresh.firstCycle = 1;
  const std::string restartFeed = FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "Please restart" FEED_LINK "/r|";
  env.answers[kLoginUrl] = {"OK"};
  env.answers[kAccountDataUrl] = {"Please restart", kFreshFeed, restartFeed};
  Run();
  EXPECT_EQ(env.Logged("GET"), (Texts{"GET " + kLoginUrl, "GET " + kAccountDataUrl,
                                      "GET " + kLoginUrl, "GET " + kAccountDataUrl}));
  EXPECT_EQ(env.Logged("WRITE"), Texts{"WRITE News.Dat"});
  EXPECT_EQ(env.ProgramFile("News.Dat"), kFreshFeed);
  EXPECT_EQ(refresh.restartNoticeSeen.load(), 1);
  EXPECT_EQ(refresh.loginRetry.load(), 0);
  EXPECT_EQ(PublishedTexts(list), Texts{kFresh});

  // A later answer with the same words is kept and shown like any other.
  refresh.firstCycle = 0;
  env.log.clear();
  Run();
  EXPECT_EQ(env.Logged("GET"), Texts{"GET " + kAccountDataUrl});
  EXPECT_EQ(env.ProgramFile("News.Dat"), restartFeed);
  EXPECT_EQ(PublishedTexts(list), Texts{"Please restart  " BULLET "  "});
}

TEST_F(FeedPassTest, DataAnswers) {
  const Texts noData = {ProgramText(IDS_NO_DATA_CAPTION), ProgramText(IDS_NO_DATA_MESSAGE)};
  const struct {
    const char* name;
    bool sponsor;
    const char* answer;  // null: nothing came
    HttpAnswer info;
    Texts strip;
    const char* newsDat;
  } rows[] = {
      {"a whole feed replaces the cache", false, kFreshFeed.c_str(), {200, true}, {kFresh},
       kFreshFeed.c_str()},
      {"not a feed: reported, the cache kept", false, "<html>Internal error</html>", {200, true},
       noData, "old news"},
      {"a 500 page: the old strip and the cache stay", false, "<html>Internal error</html>",
       {500, true}, {"old strip"}, "old news"},
      {"a busy server's 503", false, "The server is busy; try again shortly.\n", {503, true},
       {"old strip"}, "old news"},
      {"an error page that looks like a feed", false, kFreshFeed.c_str(), {503, true},
       {"old strip"}, "old news"},
      {"a feed cut off on the way", false, kFreshFeed.c_str(), {200, false}, {"old strip"},
       "old news"},
      {"nothing, no sponsor: the old strip stays", false, nullptr, {}, {"old strip"}, "old news"},
      {"nothing after sponsor items: they alone", true, nullptr, {}, {kSponsorCaption, "  A  " BULLET},
       "old news"},
      {"an error page after sponsor items: they alone", true, "<html>gone</html>", {500, true},
       {kSponsorCaption, "  A  " BULLET}, "old news"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NextRow();
    ShowOldStrip();
    env.programFiles["News.Dat"] = "old news";
    if (row.sponsor) env.sponsorKeys["news"] = "http://s.example/s.txt";
    env.answers["http://s.example/s.txt"] = {"A|a"};
    if (row.answer != nullptr) env.answers[kDataUrl] = {row.answer};
    env.answerInfo[kDataUrl] = row.info;
    EXPECT_EQ(Run(), FeedResult::kDone);
    EXPECT_EQ(PublishedTexts(list), row.strip);
    EXPECT_EQ(env.ProgramFile("News.Dat"), row.newsDat);
  }
}

TEST_F(FeedPassTest, ASponsorFileThatIsNoWholeAnswerIsNeitherShownNorKept) {
  const HttpAnswer answers[] = {{404, true}, {500, true}, {200, false}};
  for (const HttpAnswer& answer : answers) {
    SCOPED_TRACE(answer.status);
    NextRow();
    env.programFiles["Sponsor.Dat"] = "Old|o";
    env.sponsorKeys["news"] = "http://s.example/s.txt";
    env.answers["http://s.example/s.txt"] = {"Error|page"};
    env.answerInfo["http://s.example/s.txt"] = answer;
    env.answers[kDataUrl] = {kFreshFeed};
    Run();
    EXPECT_EQ(env.ProgramFile("Sponsor.Dat"), "Old|o");
    EXPECT_EQ(PublishedTexts(list), Texts{kFresh});
  }
}

TEST_F(FeedPassTest, AFolderThatCannotBeWrittenSaysSoOnceAheadOfTheNews) {
  const std::string notice = ProgramText(IDS_CACHE_NOT_SAVED);
  env.unwritable = true;
  env.sponsorKeys["news"] = "http://s.example/s.txt";
  env.answers["http://s.example/s.txt"] = {"A|a"};
  env.answers[kDataUrl] = {kFreshFeed};
  Run();
  EXPECT_EQ(PublishedTexts(list), (Texts{kSponsorCaption, "  A  " BULLET, notice, kFresh}));
  Run();
  EXPECT_EQ(PublishedTexts(list), (Texts{kSponsorCaption, "  A  " BULLET, kFresh}));
  EXPECT_EQ(env.Logged("WRITE News.Dat").size(), 2u) << "still tried at every pass";
}

TEST_F(FeedPassTest, NoAnswerOnAStripWithNothingYetSaysNoDataCame) {
  // A first start against a server that is down: no cache, no answer.
  refresh.firstCycle = 1;
  EXPECT_EQ(Run(true), FeedResult::kDone);
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{ProgramText(IDS_NO_DATA_CAPTION),
                                                            ProgramText(IDS_NO_DATA_MESSAGE)}));
  // Later cycles too, until some news has been shown.
  refresh.firstCycle = 0;
  Run();
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{ProgramText(IDS_NO_DATA_CAPTION),
                                                            ProgramText(IDS_NO_DATA_MESSAGE)}));
}

TEST_F(FeedPassTest, ExternalNews) {
  const std::string externalFeed = FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "External" FEED_LINK "/e.htm|";
  const std::string external = "External  " BULLET "  ";
  const struct {
    const char* name;
    const char* key;
    const char* path;
    bool asUrl;
    const char* file;  // null: no file
    Texts strip;
    const char* link;  // of the first item
  } rows[] = {
      {"address", "http://x.example/f", "http://x.example/f\\news.dat", true, nullptr, {external},
       "http://x.example/f\\/e.htm"},
      {"folder", "C:\\feeds", "C:\\feeds\\news.dat", false, "", {external}, "C:\\feeds\\/e.htm"},
      {"folder with backslash", "C:\\feeds\\", "C:\\feeds\\news.dat", false, "", {external},
       "C:\\feeds\\/e.htm"},
      {"file that is not a feed", "C:\\feeds", "C:\\feeds\\news.dat", false, "Not a feed",
       {"old strip"}, ""},
      {"no file: the data server", "C:\\feeds", "C:\\feeds\\news.dat", false, nullptr, {kFresh},
       "C:\\feeds\\/f"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NextRow();
    ShowOldStrip();
    env.sponsorKeys["External News"] = row.key;
    if (row.asUrl) env.answers[row.path] = {externalFeed};
    if (row.file != nullptr) env.pathFiles[row.path] = row.file[0] != '\0' ? row.file : externalFeed;
    env.answers[kDataUrl] = {kFreshFeed};
    EXPECT_EQ(Run(), FeedResult::kDone);
    const std::vector<ShownItem> items = PublishedItems(list);
    EXPECT_EQ(PublishedTexts(list), row.strip);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].link, row.link);
    EXPECT_EQ(Fetched(kDataUrl), row.strip[0] == kFresh);
    EXPECT_EQ(env.ProgramFile("News.Dat") == "<missing>", row.strip[0] != kFresh);
  }
}

TEST_F(FeedPassTest, AlternateNewsReplacesThePortalFeedUncached) {
  env.sponsorKeys["Alternate News"] = "http://alt.example/feed";
  const std::string url = "http://alt.example/feed?ID=john+smith&PASSWD=a%2Eb";
  env.answers[url] = {"junk first" FEED_TEXT "Alt story" FEED_LINK "/a|"};  // used as it comes
  Run();
  EXPECT_EQ(env.log, Texts{"GET " + url});
  EXPECT_EQ(PublishedTexts(list), Texts{"Alt story  "});

  // Nothing came: the list is finished with what it holds (here the status pair for the unusable
  // cache), never with what an earlier read left in the feed buffer.
  env.answers.erase(url);
  env.programFiles["News.Dat"] = "x" FEED_TEXT "Stale" FEED_LINK "/s|";
  Run(true);
  EXPECT_EQ(PublishedTexts(list),
            (Texts{ProgramText(IDS_CONTACTING_CAPTION), ProgramText(IDS_CONTACTING_MESSAGE)}));
}

TEST_F(FeedPassTest, OverLongAnswersAndFilesAreCutToTheirBuffers) {
  std::string huge = FEED_TOPIC "rt" FEED_KIND "2";
  while (huge.size() < 10 * 1000 * 1000) huge += FEED_TEXT "Story of the day" FEED_LINK "/s|";
  const std::string story = "Story of the day  " BULLET "  ";
  const std::string hugeSponsor = std::string(300000, 'x') + "|l";
  env.answers[kDataUrl] = {huge};
  env.sponsorKeys["news"] = "http://s.example/s.txt";
  env.answers["http://s.example/s.txt"] = {hugeSponsor};
  env.sponsorKeys["Image"] = "http://s.example/p.bmp";
  env.answers["http://s.example/p.bmp"] = {std::string(50000, 'p')};
  env.programFiles["News.Dat"] = kCachedFeed;

  // Cut at their buffers, the answers did not come whole: none is kept or shown.
  EXPECT_EQ(Run(), FeedResult::kDone);
  EXPECT_EQ(env.fetchCapacities, (std::vector<size_t>{kPictureBufferSize, kFeedBufferSize, kFeedBufferSize}));
  EXPECT_EQ(env.ProgramFile("sponsor.bmp"), "");
  EXPECT_EQ(env.ProgramFile("Sponsor.Dat"), "<missing>");
  EXPECT_EQ(env.ProgramFile("News.Dat"), kCachedFeed);

  // Cache passes read at most 100000 bytes of each file; the cut feed gives whole items only.
  env.programFiles["News.Dat"] = huge;
  env.programFiles["Sponsor.Dat"] = hugeSponsor;
  env.log.clear();
  Run(true);
  EXPECT_TRUE(env.Logged("GET").empty());
  EXPECT_EQ(env.readCapacities, (std::vector<size_t>{kFeedFileReadMax + 1, kFeedFileReadMax + 1}));
  // The cut sponsor file has no '|' left.
  const Texts texts = PublishedTexts(list);
  ASSERT_GT(texts.size(), 1000u);
  EXPECT_EQ(texts[0], kSponsorCaption);
  EXPECT_EQ(texts.back(), story);
}

TEST_F(FeedPassTest, ClosingEndsThePassWithoutFinishingOrCaching) {
  const struct {
    const char* name;
    bool duringFetch;
  } rows[] = {{"during the fetch", true}, {"during the parse", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NextRow();
    flags.closing = 0;
    ShowOldStrip();
    settings.mailAlertSound = true;
    env.answers[kDataUrl] = {FEED_TOPIC "ma" + kFreshFeed + FEED_TEXT "More" FEED_LINK "/m|"};
    if (row.duringFetch) env.duringFetch = [this] { flags.closing = 1; };
    measurer.onMeasure = [this] { flags.closing = 1; };
    EXPECT_EQ(Run(), FeedResult::kClosing);
    EXPECT_EQ(PublishedTexts(list), Texts{"old strip"});
    EXPECT_EQ(env.Logged("WRITE").size(), row.duringFetch ? 0u : 1u);
    EXPECT_TRUE(env.Logged("SOUND").empty());
    measurer.onMeasure = nullptr;
  }
}

TEST_F(FeedPassTest, MailSoundPlaysOnceAcrossPasses) {
  settings.mailAlertSound = true;
  settings.mailAlertIcon = true;
  settings.mailSoundIndex = 1;
  const std::string mailFeed = FEED_TOPIC "ma" FEED_KIND "2" FEED_TEXT "New mail" FEED_LINK "/m|" + kFreshFeed;
  const struct {
    bool cachePass, mail, plays;
  } passes[] = {
      {false, true, true},  {false, true, false},  {true, true, false}, {true, false, false},
      {false, true, false}, {false, false, false}, {true, true, false}, {false, true, true},
  };
  for (size_t i = 0; i < sizeof passes / sizeof passes[0]; ++i) {
    SCOPED_TRACE(i);
    env.log.clear();
    refresh.mailAlertPending = 0;
    const std::string feed = passes[i].mail ? mailFeed : kFreshFeed;
    env.answers[kDataUrl] = {feed};
    env.programFiles["News.Dat"] = feed;
    Run(passes[i].cachePass);
    EXPECT_EQ(env.Logged("GET").empty(), passes[i].cachePass);
    EXPECT_EQ(env.Logged("SOUND"), passes[i].plays ? Texts{"SOUND Sound2"} : Texts{});
    EXPECT_EQ(refresh.mailAlertPending.load(), passes[i].mail ? 1 : 0);
  }
}

// Every text has an id of its own, is not empty, and fits where it goes: the pass's text buffers
// whole, and a status pair's texts into one strip item.
TEST(ProgramTexts, UniqueAndFitTheirBuffers) {
  std::set<int> ids;
  for (const ProgramTextRow& row : kProgramTexts) {
    EXPECT_TRUE(ids.insert(row.id).second) << row.id;
    EXPECT_GT(std::strlen(row.text), 0u) << row.id;
    EXPECT_LT(std::strlen(row.text), kProgramTextSize) << row.id;
  }
  for (int id = IDS_CONTACTING_CAPTION; id <= IDS_DIALING_PREFIX; ++id) {
    EXPECT_LT(std::strlen(ProgramText(id)), static_cast<size_t>(kItemTextSize)) << id;
    EXPECT_GT(std::strlen(ProgramText(id)), 0u) << "a status text without an entry: " << id;
  }
  EXPECT_STREQ(ProgramText(12345), "");
}

// An environment whose texts overrun the buffer it is given still leaves the pass a bounded,
// terminated text.
TEST(ProgramTexts, ATextWithoutItsEndIsCutByThePass) {
  struct Unended : FakeFeedEnvironment {
    void LoadText(int, char* out, size_t capacity) override { std::memset(out, 'x', capacity); }
  } env;
  StripFlags flags;
  RefreshFlags refresh;
  TickerItemList list(flags);
  RecordingMeasurer measurer;
  FeedSettings settings;
  std::vector<char> text(kFeedTextBufferSize);
  RunFeedPass(env, settings, FeedTarget{&list, &measurer, &flags, &refresh}, text.data(), text.size());
  const std::string cut(kProgramTextSize - 1, 'x');
  EXPECT_TRUE(measurer.Measured(cut.substr(0, kItemTextSize - 1)) || measurer.Measured(cut));
}

}  // namespace
