// Whole feed passes against an environment in memory: cache and network passes, the sponsor file,
// account login, "Please restart", external and alternate news, cuts, closing and the mail sound.
#include "feed/feed_pass.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/fake_feed_environment.h"
#include "support/feed_test_support.h"

namespace {

const std::string kDataUrl = "http://data.example/tlx/update?news=5,&134501";
const std::string kAccountDataUrl = "http://data.example/tlx/update&134501";
const std::string kLoginUrl =
    "http://portal.example/config/tlxlogin?login=john+smith&passwd=a%2Eb";
const std::string kSetupPage = "http://portal.example/config/eval_suggest";

const std::string kFreshFeed = TOPIC "rt" KIND "2" TEXT "Fresh news" LINK "/f|";
const std::string kCachedFeed = TOPIC "rw" KIND "2" TEXT "Cached news" LINK "/c|";
const std::string kFresh = "Fresh news  " BULLET "  ";
const std::string kCached = "Cached news  " BULLET "  ";

class FeedPassTest : public testing::Test {
 protected:
  SharedFlags flags;
  TickerItemList list{flags};
  RecordingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags};
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
    flags.firstCycle = 0;  // a later cycle unless a test says otherwise
  }

  FeedResult Run() { return RunFeedPass(env, settings, target, text.data(), text.size()); }

  FeedResult RunCachePass() {
    flags.loadFromCache = 1;
    const FeedResult result = Run();
    flags.loadFromCache = 0;
    return result;
  }

  // Puts an earlier strip on screen, so that a test can tell whether a pass replaced it.
  void ShowOldStrip() {
    list.Restart();
    list.Append(&measurer, "old strip", "", 1, 1, 1);
    list.Finish();
  }

  bool StatusShown(const char* caption) const { return measurer.Measured(caption); }
};

TEST_F(FeedPassTest, CachePassBuildsTheStripFromBothCacheFiles) {
  env.programFiles["Sponsor.Dat"] = "S|s\n";
  env.programFiles["News.Dat"] = kCachedFeed;
  EXPECT_EQ(RunCachePass(), FeedResult::kDone);
  EXPECT_TRUE(env.Logged("GET").empty());
  EXPECT_TRUE(env.Logged("WRITE").empty());
  EXPECT_EQ(PublishedTexts(list),
            (std::vector<std::string>{"    Sponsor: ", "  S  " BULLET, kCached}));
}

TEST_F(FeedPassTest, CachePassFallsBackToTheNetwork) {
  const struct {
    const char* name;
    bool firstCycle;
    const char* newsDat;  // null: missing
    bool statusShown;
    bool fetched;
  } rows[] = {
      {"missing on the first cycle", true, nullptr, true, true},
      {"missing later", false, nullptr, false, true},
      {"not a feed", false, "<html>gone</html>", true, true},
      {"starts with '|'", false, "|" TEXT "Cached news" LINK "/c|", false, false},
      // The first byte compares as a signed char: 0x80 and up count as control bytes.
      {"starts with a high byte", false, "\x95" TEXT "Cached news" LINK "/c|", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    env = FakeFeedEnvironment();
    measurer.measured.clear();
    env.answers[kDataUrl] = kFreshFeed;
    env.programFiles["Sponsor.Dat"] = "";
    if (row.newsDat != nullptr) env.programFiles["News.Dat"] = row.newsDat;
    flags.firstCycle = row.firstCycle ? 1 : 0;

    RunCachePass();
    EXPECT_EQ(StatusShown(status_text::kContactingCaption), row.statusShown);
    EXPECT_EQ(!env.Logged("GET " + kDataUrl).empty(), row.fetched);
    const std::vector<std::string> texts = PublishedTexts(list);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], row.fetched ? kFresh : "Cached news  ");
  }
}

TEST_F(FeedPassTest, MissingSponsorCacheOnTheFirstCycleShowsContacting) {
  flags.firstCycle = 1;
  env.programFiles["News.Dat"] = kCachedFeed;
  RunCachePass();
  EXPECT_TRUE(StatusShown(status_text::kContactingCaption));
  EXPECT_TRUE(StatusShown(status_text::kContactingMessage));
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{kCached});
}

TEST_F(FeedPassTest, NetworkPassFetchesAndCachesByteForByte) {
  const std::string picture("BM\0\x01\x02\xFF\0tail", 10);
  const std::string sponsorFile = "A|a\r\nB|b\r\n";
  env.sponsorKeys["image"] = "http://sponsor.example/p.bmp";
  env.sponsorKeys["NEWS"] = "http://sponsor.example/s.txt";
  env.answers["http://sponsor.example/p.bmp"] = picture;
  env.answers["http://sponsor.example/s.txt"] = sponsorFile;
  env.answers[kDataUrl] = kFreshFeed;

  EXPECT_EQ(Run(), FeedResult::kDone);
  EXPECT_EQ(env.log, (std::vector<std::string>{
                         "GET http://sponsor.example/p.bmp", "WRITE sponsor.bmp",
                         "GET http://sponsor.example/s.txt", "WRITE Sponsor.Dat", "GET " + kDataUrl,
                         "WRITE News.Dat"}));
  EXPECT_EQ(env.ProgramFile("sponsor.bmp"), picture);
  EXPECT_EQ(env.ProgramFile("Sponsor.Dat"), sponsorFile);
  EXPECT_EQ(env.ProgramFile("News.Dat"), kFreshFeed);
  EXPECT_EQ(flags.feedReceived.load(), 1);
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{"    Sponsor: ", "  A  " BULLET,
                                                            "  B  " BULLET, kFresh}));
}

TEST_F(FeedPassTest, SponsorPictureAndFileByKeys) {
  const struct {
    const char* name;
    const char* image;
    bool pictureAnswers;
    const char* pictureFile;  // null: not written
    bool sponsorAnswers;
    const char* sponsorDat;   // what "Sponsor.Dat" holds afterwards
  } rows[] = {
      {"no keys", "", false, nullptr, false, "old sponsor"},
      {"picture path is not an address", "C:\\pics\\p.bmp", true, nullptr, false, "old sponsor"},
      {"picture fetch fails", "http://s.example/p.bmp", false, "", false, "old sponsor"},
      {"upper case address", "HTTP://s.example/p.bmp", true, "pic", true, "N|n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    env = FakeFeedEnvironment();
    env.programFiles["Sponsor.Dat"] = "old sponsor";
    env.sponsorKeys["Image"] = row.image;
    if (row.pictureAnswers) env.answers[row.image] = "pic";
    if (row.sponsorAnswers) {
      env.sponsorKeys["news"] = "http://s.example/s.txt";
      env.answers["http://s.example/s.txt"] = "N|n";
    }
    env.answers[kDataUrl] = kFreshFeed;
    Run();
    if (row.pictureFile == nullptr) {
      EXPECT_EQ(env.ProgramFile("sponsor.bmp"), "<missing>");
    } else {
      EXPECT_EQ(env.ProgramFile("sponsor.bmp"), row.pictureFile);
    }
    EXPECT_EQ(env.ProgramFile("Sponsor.Dat"), row.sponsorDat);
    EXPECT_EQ(PublishedTexts(list).size(), row.sponsorAnswers ? 3u : 1u);
  }
}

TEST_F(FeedPassTest, LoginAnswers) {
  const struct {
    const char* name;
    const char* answer;  // null: no answer
    bool requested;      // the data request followed
    const char* caption;
    const char* message;
    bool setupOpened;
    bool box;
    int loginRetryAfter;
  } rows[] = {
      {"logged in", "OK", true, nullptr, nullptr, false, false, 0},
      {"set-up incomplete", "Please complete your preferences", false, status_text::kSetupCaption,
       status_text::kSetupMessage, true, false, 1},
      {"bad login", "ERROR: unknown user", false, status_text::kBadLoginCaption,
       status_text::kBadLoginMessage, false, false, 1},
      {"unexpected", "<html>Server busy</html>", true, nullptr, nullptr, false, true, 0},
      {"no answer", nullptr, false, nullptr, nullptr, false, false, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    env = FakeFeedEnvironment();
    measurer.measured.clear();
    ShowOldStrip();
    settings.accountMode = true;
    flags.loginRetry = 1;
    if (row.answer != nullptr) env.answers[kLoginUrl] = row.answer;
    env.answers[kAccountDataUrl] = kFreshFeed;

    Run();
    ASSERT_FALSE(env.log.empty());
    EXPECT_EQ(env.log[0], "GET " + kLoginUrl);
    EXPECT_EQ(!env.Logged("GET " + kAccountDataUrl).empty(), row.requested);
    EXPECT_EQ(flags.loginRetry.load(), row.loginRetryAfter);
    EXPECT_EQ(env.Logged("OPEN"),
              row.setupOpened ? std::vector<std::string>{"OPEN " + kSetupPage}
                              : std::vector<std::string>{});
    if (row.box) {
      ASSERT_EQ(env.messages.size(), 1u);
      EXPECT_EQ(env.messages[0].first, "Error:  Unexpected response from Server!");
      EXPECT_EQ(env.messages[0].second, row.answer);
    } else {
      EXPECT_TRUE(env.messages.empty());
    }
    const std::vector<std::string> texts = PublishedTexts(list);
    if (row.caption != nullptr) {
      EXPECT_EQ(texts, (std::vector<std::string>{row.caption, row.message}));
    } else if (row.requested) {
      EXPECT_EQ(texts, std::vector<std::string>{kFresh});
    } else {
      EXPECT_EQ(texts, std::vector<std::string>{"old strip"}) << "the strip was touched";
    }
  }
}

TEST_F(FeedPassTest, LoginRunsOnTheFirstCycleOrWhenRetryIsAsked) {
  const struct {
    bool accountMode;
    int firstCycle, loginRetry;
    bool login;
  } rows[] = {
      {true, 1, 0, true}, {true, 0, 1, true}, {true, 0, 0, false}, {false, 1, 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.accountMode << row.firstCycle << row.loginRetry);
    env = FakeFeedEnvironment();
    settings.accountMode = row.accountMode;
    flags.firstCycle = row.firstCycle;
    flags.loginRetry = row.loginRetry;
    env.answers[kLoginUrl] = "OK";
    Run();
    EXPECT_EQ(env.Logged("GET " + kLoginUrl).size(), row.login ? 1u : 0u);
    EXPECT_EQ(env.Logged("GET http://data.example/").size(), 1u);
  }
}

TEST_F(FeedPassTest, PleaseRestartLogsInAgainOncePerProcess) {
  settings.accountMode = true;
  flags.firstCycle = 1;
  const std::string restartFeed = TOPIC "rt" KIND "2" TEXT "Please restart" LINK "/r|";
  env.answers[kLoginUrl] = "OK";
  env.answerSequences[kAccountDataUrl] = {"Please restart", kFreshFeed, restartFeed};

  Run();
  EXPECT_EQ(env.Logged("GET"), (std::vector<std::string>{"GET " + kLoginUrl, "GET " + kAccountDataUrl,
                                                         "GET " + kLoginUrl, "GET " + kAccountDataUrl}));
  EXPECT_EQ(env.Logged("WRITE"), std::vector<std::string>{"WRITE News.Dat"});
  EXPECT_EQ(env.ProgramFile("News.Dat"), kFreshFeed);
  EXPECT_EQ(flags.restartNoticeSeen.load(), 1);
  EXPECT_EQ(flags.loginRetry.load(), 0);
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{kFresh});

  // A later answer with the same words is kept and shown like any other.
  flags.firstCycle = 0;
  env.log.clear();
  Run();
  EXPECT_EQ(env.Logged("GET"), std::vector<std::string>{"GET " + kAccountDataUrl});
  EXPECT_EQ(env.ProgramFile("News.Dat"), restartFeed);
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"Please restart  " BULLET "  "});
}

TEST_F(FeedPassTest, DataAnswerThatIsNotAFeedIsCachedAndReported) {
  env.answers[kDataUrl] = "<html>Internal error</html>";
  Run();
  EXPECT_EQ(env.ProgramFile("News.Dat"), "<html>Internal error</html>");
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{status_text::kNoDataCaption,
                                                            status_text::kNoDataMessage}));
  EXPECT_EQ(flags.feedReceived.load(), 1);
}

TEST_F(FeedPassTest, EmptyDataAnswerFinishesTheListWithWhatItHolds) {
  // Without sponsor items the old strip stays.
  ShowOldStrip();
  env.programFiles["News.Dat"] = kCachedFeed;
  EXPECT_EQ(Run(), FeedResult::kDone);
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"old strip"});
  EXPECT_EQ(env.ProgramFile("News.Dat"), kCachedFeed);
  EXPECT_EQ(flags.feedReceived.load(), 0);

  // With them, the strip is the sponsor items alone.
  env.sponsorKeys["news"] = "http://s.example/s.txt";
  env.answers["http://s.example/s.txt"] = "A|a";
  Run();
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{"    Sponsor: ", "  A  " BULLET}));
  EXPECT_EQ(env.ProgramFile("News.Dat"), kCachedFeed);
}

TEST_F(FeedPassTest, NoAnswerOnAStripWithNothingYetSaysNoDataCame) {
  // A first start against a server that is down: no cache, no answer.
  flags.firstCycle = 1;
  EXPECT_EQ(RunCachePass(), FeedResult::kDone);
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{status_text::kNoDataCaption,
                                                            status_text::kNoDataMessage}));
  // Later cycles too, until some news has been shown.
  flags.firstCycle = 0;
  Run();
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{status_text::kNoDataCaption,
                                                            status_text::kNoDataMessage}));
}

TEST_F(FeedPassTest, ExternalNews) {
  const std::string externalFeed = TOPIC "rt" KIND "2" TEXT "External" LINK "/e.htm|";
  const struct {
    const char* name;
    const char* key;
    bool asUrl;
    const char* fileContent;  // null: no file
    std::vector<std::string> texts;
    const char* link;  // of the first item
    bool dataRequested;
  } rows[] = {
      {"address", "http://ext.example/feeds", true, nullptr,
       {"External  " BULLET "  "}, "http://ext.example/feeds\\/e.htm", false},
      {"folder", "C:\\feeds", false, "", {"External  " BULLET "  "}, "C:\\feeds\\/e.htm", false},
      {"folder with backslash", "C:\\feeds\\", false, "", {"External  " BULLET "  "},
       "C:\\feeds\\/e.htm", false},
      {"file that is not a feed", "C:\\feeds", false, "Not a feed", {"old strip"}, "", false},
      {"no file", "C:\\feeds", false, nullptr, {kFresh}, "C:\\feeds\\/f", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    env = FakeFeedEnvironment();
    ShowOldStrip();
    env.sponsorKeys["External News"] = row.key;
    std::string path = row.key;
    if (path.back() != '\\') path += "\\";
    path += "news.dat";
    if (row.asUrl) env.answers[path] = externalFeed;
    if (row.fileContent != nullptr) {
      env.pathFiles[path] = row.fileContent[0] != '\0' ? row.fileContent : externalFeed;
    }
    env.answers[kDataUrl] = kFreshFeed;

    EXPECT_EQ(Run(), FeedResult::kDone);
    const std::vector<ShownItem> items = PublishedItems(list);
    std::vector<std::string> texts;
    for (const ShownItem& item : items) texts.push_back(item.text);
    EXPECT_EQ(texts, row.texts);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].link, row.link);
    EXPECT_EQ(!env.Logged("GET " + kDataUrl).empty(), row.dataRequested);
    if (!row.dataRequested) { EXPECT_EQ(env.ProgramFile("News.Dat"), "<missing>"); }
  }
}

TEST_F(FeedPassTest, AlternateNewsReplacesThePortalFeedUncached) {
  env.sponsorKeys["Alternate News"] = "http://alt.example/feed";
  const std::string url = "http://alt.example/feed?ID=john+smith&PASSWD=a%2Eb";
  env.answers[url] = "junk before" TEXT "Alt story" LINK "/a|";  // not tested like a data answer
  env.answers[kDataUrl] = kFreshFeed;
  Run();
  EXPECT_EQ(env.log, std::vector<std::string>{"GET " + url});
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"Alt story  "});

  // Nothing came: the list is finished with what it holds (here the status pair of the unusable
  // cache), never with what an earlier read left in the feed buffer.
  env.answers.erase(url);
  env.programFiles["News.Dat"] = "x" TEXT "Stale" LINK "/s|";
  RunCachePass();
  EXPECT_EQ(PublishedTexts(list), (std::vector<std::string>{status_text::kContactingCaption,
                                                            status_text::kContactingMessage}));
}

TEST_F(FeedPassTest, StatusPairShownAfterTheSponsorItemsDoesNotStayInTheStrip) {
  flags.firstCycle = 1;
  env.programFiles["Sponsor.Dat"] = "S|s";
  env.answers[kDataUrl] = kFreshFeed;
  RunCachePass();
  EXPECT_TRUE(StatusShown(status_text::kContactingCaption));
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{kFresh});
}

TEST_F(FeedPassTest, AnOverLongAnswerIsCutToTheFeedBuffer) {
  std::string huge = TOPIC "rt" KIND "2";
  while (huge.size() < 10 * 1000 * 1000) huge += TEXT "Story of the day" LINK "/s|";
  env.answers[kDataUrl] = huge;
  env.sponsorKeys["news"] = "http://s.example/s.txt";
  env.answers["http://s.example/s.txt"] = std::string(300000, 'x') + "|l";
  env.sponsorKeys["image"] = "http://s.example/p.bmp";
  env.answers["http://s.example/p.bmp"] = std::string(50000, 'p');

  EXPECT_EQ(Run(), FeedResult::kDone);
  EXPECT_EQ(env.fetchCapacities,
            (std::vector<size_t>{kPictureBufferSize, kFeedBufferSize, kFeedBufferSize}));
  EXPECT_EQ(env.ProgramFile("sponsor.bmp").size(), kPictureBufferSize - 1);
  EXPECT_EQ(env.ProgramFile("Sponsor.Dat").size(), kFeedBufferSize - 1);
  const std::string cached = env.ProgramFile("News.Dat");
  EXPECT_EQ(cached, huge.substr(0, kFeedBufferSize - 1));
  // The cut sponsor file has no '|' left; the cut feed parses up to its last whole item.
  const std::vector<std::string> texts = PublishedTexts(list);
  ASSERT_GT(texts.size(), 1u);
  EXPECT_EQ(texts[0], "    Sponsor: ");
  EXPECT_EQ(texts.back(), "Story of the day  " BULLET "  ");

  // Cache passes read at most 100000 bytes of it.
  env.log.clear();
  RunCachePass();
  EXPECT_TRUE(env.Logged("GET").empty());
  EXPECT_EQ(env.readCapacities, (std::vector<size_t>{kFeedFileReadMax + 1, kFeedFileReadMax + 1}));
  const std::vector<std::string> cachedTexts = PublishedTexts(list);
  ASSERT_GT(cachedTexts.size(), 1000u);
  EXPECT_EQ(cachedTexts.back(), "Story of the day  " BULLET "  ");
}

TEST_F(FeedPassTest, ClosingDuringAFetchEndsThePassWithoutCaching) {
  ShowOldStrip();
  env.answers[kDataUrl] = kFreshFeed;
  env.duringFetch = [this](const std::string&) { flags.closing = 1; };
  EXPECT_EQ(Run(), FeedResult::kClosing);
  EXPECT_TRUE(env.Logged("WRITE").empty());
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"old strip"});
}

TEST_F(FeedPassTest, ClosingDuringTheParseIsReported) {
  ShowOldStrip();
  env.answers[kDataUrl] = kFreshFeed + TEXT "More" LINK "/m|";
  measurer.onMeasure = [this] { flags.closing = 1; };
  EXPECT_EQ(Run(), FeedResult::kClosing);
  EXPECT_EQ(PublishedTexts(list), std::vector<std::string>{"old strip"});
  EXPECT_TRUE(env.Logged("SOUND").empty());
}

TEST_F(FeedPassTest, MailSoundPlaysOnceAcrossPasses) {
  settings.mailAlertSound = true;
  settings.mailAlertIcon = true;
  settings.mailSoundIndex = 1;
  const std::string mailFeed = TOPIC "ma" KIND "2" TEXT "New mail" LINK "/m|" + kFreshFeed;
  const struct {
    bool cachePass;
    bool mail;
    bool plays;
  } passes[] = {
      {false, true, true},   {false, true, false},  {true, true, false}, {true, false, false},
      {false, true, false},  {false, false, false}, {true, true, false}, {false, true, true},
  };
  for (size_t i = 0; i < sizeof passes / sizeof passes[0]; ++i) {
    SCOPED_TRACE(i);
    env.log.clear();
    flags.mailAlertPending = 0;
    const std::string feed = passes[i].mail ? mailFeed : kFreshFeed;
    env.answers[kDataUrl] = feed;
    env.programFiles["News.Dat"] = feed;
    if (passes[i].cachePass) {
      RunCachePass();
      EXPECT_TRUE(env.Logged("GET").empty());
    } else {
      Run();
    }
    EXPECT_EQ(env.Logged("SOUND"), passes[i].plays ? std::vector<std::string>{"SOUND Sound2"}
                                                   : std::vector<std::string>{});
    EXPECT_EQ(flags.mailAlertPending.load(), passes[i].mail ? 1 : 0);
  }
}

}  // namespace
