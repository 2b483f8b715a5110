// The content store: sample content, sources that go bad, addresses, data files.
#include "content_store.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <thread>

#include "content_server.h"
#include "data_request.h"
#include "support/temp_folder.h"
#include "feed/feed_wire.h"

namespace {

std::string Rss(const std::vector<std::string>& titles) {
  std::string xml = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>T</title>";
  for (size_t i = 0; i < titles.size(); ++i) {
    xml += "<item><title>" + titles[i] + "</title><link>http://s.example/" + std::to_string(i) +
           "</link></item>";
  }
  return xml + "</channel></rss>";
}

std::vector<std::string> StoryTitles(const ContentSnapshot& content, const std::string& topic) {
  std::vector<std::string> titles;
  const auto found = content.topics.find(topic);
  if (found == content.topics.end()) return titles;
  for (const NewsItem& story : found->second.stories) titles.push_back(story.title);
  return titles;
}

// A store over a temporary content folder, logging to a file the test reads.
struct StoreFixture {
  TempFolder folder;
  RequestLog log;
  std::unique_ptr<ContentStore> store;

  explicit StoreFixture(const std::string& feeds, FetchLimits limits = FetchLimits()) {
    folder.Write("feeds.txt", feeds);
    log.Open(folder.File("server.log"));
    ContentOptions options;
    options.feeds = folder.File("feeds.txt");
    options.quotes = folder.File("quotes.txt");
    options.weather = folder.File("weather.txt");
    options.accounts = folder.File("accounts.txt");
    options.sponsorFile = folder.File("sponsor.txt");
    options.sponsorImage = folder.File("sponsor.bmp");
    options.fetch = limits;
    store = std::make_unique<ContentStore>(options, &log);
  }
  std::string Log() const { return ReadWholeFile(folder.File("server.log")); }
};

TEST(ContentStore, LoadsTheSampleContent) {
  TempFolder logFolder;
  RequestLog log;
  log.Open(logFolder.File("server.log"));
  ServerConfig config;
  config.content = NEWSRAIL_SAMPLE_DIR;
  ContentStore store(ContentOptionsFor(config), &log);
  store.Refresh(true);
  const SnapshotPointer content = store.Snapshot();

  EXPECT_EQ(ReadWholeFile(logFolder.File("server.log")), "") << "the sample content is clean";
  for (const char* code : kNewsTopics) {
    EXPECT_GE(StoryTitles(*content, code).size(), 5u) << code;
  }
  for (const char* symbol : {"^DJI", "^SPC", "^IXIC", "INTC", "MSFT", "VXLO"}) {
    EXPECT_EQ(content->quoteRows.count(symbol), 1u) << symbol;
  }
  for (const char* airport : {"JFK", "SFO", "LAX"}) {
    EXPECT_EQ(content->fahrenheitRows.count(airport), 1u) << airport;
  }
  ASSERT_EQ(content->accounts.size(), 3u);
  int withMail = 0, incomplete = 0;
  for (const Account& account : content->accounts) {
    withMail += account.newMail > 0 ? 1 : 0;
    incomplete += account.setupComplete ? 0 : 1;
  }
  EXPECT_EQ(withMail, 1);
  EXPECT_EQ(incomplete, 1);
  EXPECT_NE(content->sponsorText.find('|'), std::string::npos);
  ASSERT_GT(content->sponsorImage.size(), 54u);
  EXPECT_EQ(content->sponsorImage.substr(0, 2), "BM");
  EXPECT_LE(content->sponsorImage.size(), 20000u) << "the ticker's picture buffer";
}

TEST(ContentStore, ABadSourceKeepsItsLastGoodCopy) {
  std::string tenThousand;
  for (int i = 0; i < 10000; ++i)
    tenThousand += "<item><title>Many " + std::to_string(i) + "</title></item>";
  const struct {
    const char* name;
    std::string document;  // the replacement for a good feed
    bool accepted;
    const char* logged;  // what the log gives as the reason
  } rows[] = {
      {"broken XML", "<rss><channel><item><title>Cut off", false, "not well-formed XML"},
      {"empty file", "", false, "not well-formed XML"},
      {"an HTML page", "<html><body>Moved</body></html>", false, "root element is <html>"},
      {"no titles", Rss({"", " "}), false, "no item has a title"},
      {"too large", Rss({std::string(1200000, 'x')}), false, "larger than 1000000 bytes"},
      {"entity bomb",
       "<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><rss><channel>"
       "<item><title>&b;&b;</title></item></channel></rss>",
       true, ""},
      {"ten thousand items", "<rss><channel>" + tenThousand + "</channel></rss>", true, ""},
  };
  FetchLimits limits;
  limits.maxBytes = 1000000;
  for (const auto& row : rows) {
    StoreFixture fixture("rt news.rss\n", limits);
    fixture.folder.Write("news.rss", Rss({"Good one", "Good two"}));
    fixture.store->Refresh(true);
    ASSERT_EQ(StoryTitles(*fixture.store->Snapshot(), "rt").size(), 2u) << row.name;

    fixture.folder.Write("news.rss", row.document);
    fixture.store->Refresh(true);
    const std::vector<std::string> titles = StoryTitles(*fixture.store->Snapshot(), "rt");
    if (row.accepted) {
      EXPECT_NE(titles, (std::vector<std::string>{"Good one", "Good two"})) << row.name << "\n"
                                                                            << fixture.Log();
      EXPECT_LE(titles.size(), kMaxStoriesKept) << row.name;
      continue;
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Good one", "Good two"})) << row.name;
    const std::string log = fixture.Log();
    EXPECT_NE(log.find("news.rss (rt): "), std::string::npos) << row.name << "\n" << log;
    EXPECT_NE(log.find(row.logged), std::string::npos) << row.name << "\n" << log;
    EXPECT_NE(log.find("keeping the last good copy of 2 stories"), std::string::npos) << log;
  }
}

TEST(ContentStore, ASourceThatNeverWorkedLeavesItsTopicOut) {
  StoreFixture fixture("rt missing.rss\nrw bad.rss\nrb good.rss\nzz good.rss\nrc\n");
  fixture.folder.Write("bad.rss", "not xml");
  fixture.folder.Write("good.rss", Rss({"Fine"}));
  fixture.store->Refresh(true);
  const SnapshotPointer content = fixture.store->Snapshot();
  EXPECT_EQ(content->topics.count("rt"), 0u);
  EXPECT_EQ(content->topics.count("rw"), 0u);
  EXPECT_EQ(content->topics.count("rb"), 1u);
  const std::string log = fixture.Log();
  EXPECT_NE(log.find("missing.rss (rt): cannot open"), std::string::npos) << log;
  EXPECT_NE(log.find("nothing to serve from it yet"), std::string::npos) << log;
  EXPECT_NE(log.find("feeds.txt: line 4: expected TOPIC SOURCE"), std::string::npos) << log;
  EXPECT_NE(log.find("feeds.txt: line 5: expected TOPIC SOURCE"), std::string::npos) << log;
}

TEST(ContentStore, InterleavesSourcesAndDropsRepeats) {
  StoreFixture fixture("rt a.rss\nrt b.atom\n");
  fixture.folder.Write("a.rss", Rss({"A1", "Same", "A3"}));
  fixture.folder.Write("b.atom",
                       "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>B1</title>"
                       "<link href=\"http://b/1\"/></entry><entry><title>B2</title><link "
                       "href=\"http://s.example/0\"/>"
                       "</entry><entry><title>Same</title><link href=\"http://b/3\"/></entry>"
                       "<entry><title>No link</title></entry></feed>");
  fixture.store->Refresh(true);
  const SnapshotPointer content = fixture.store->Snapshot();
  EXPECT_EQ(StoryTitles(*content, "rt"),
            (std::vector<std::string>{"A1", "B1", "Same", "A3", "No link"}))
      << "B2 repeats A1's link, the second Same repeats a title";
  const TopicContent& topic = content->topics.at("rt");
  EXPECT_EQ(topic.stories.back().link, content->publicUrl + "/news/rt") << "a story needs a link";
  EXPECT_EQ(topic.storyRows.size(), topic.stories.size());
}

TEST(ContentStore, PicksUpChangedFilesAndKeepsMissingOnes) {
  StoreFixture fixture("");
  fixture.folder.Write("quotes.txt", "INTC 120.50 +2.10\n");
  fixture.store->Refresh(true);
  EXPECT_EQ(fixture.store->Snapshot()->quotes.at("INTC").lastCents, 12050);

  fixture.folder.Write("quotes.txt", "INTC 99.00 -21.50\nMSFT 1 0\nBROKEN\n");
  fixture.store->Refresh(false);
  const SnapshotPointer changed = fixture.store->Snapshot();
  EXPECT_EQ(changed->quotes.at("INTC").lastCents, 9900);
  EXPECT_EQ(changed->quotes.size(), 2u);
  EXPECT_NE(fixture.Log().find("quotes.txt: line 3: expected SYMBOL LAST CHANGE"),
            std::string::npos);

  std::filesystem::remove(fixture.folder.File("quotes.txt"));
  fixture.store->Refresh(false);
  EXPECT_EQ(fixture.store->Snapshot()->quotes.size(), 2u);
  EXPECT_NE(fixture.Log().find("quotes.txt: missing, keeping the last copy read"),
            std::string::npos);
}

// A small news server on loopback whose answers the test changes as it goes.
class NewsSite {
 public:
  NewsSite() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (request.path == "/slow") std::this_thread::sleep_for(std::chrono::milliseconds(2500));
      if (request.path == "/moved") {
        response.set_redirect("/news.rss");
        return;
      }
      if (request.path == "/to-file") {
        response.set_redirect("file:///etc/passwd");
        return;
      }
      const auto found = pages_.find(request.path);
      if (found == pages_.end()) {
        response.status = 404;
        return;
      }
      const auto type = types_.find(request.path);
      response.set_content(found->second,
                           type == types_.end() ? "application/rss+xml" : type->second);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~NewsSite() {
    server_.stop();
    thread_.join();
  }
  void Set(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_[path] = body;
  }
  void SetType(const std::string& path, const std::string& contentType) {
    std::lock_guard<std::mutex> lock(mutex_);
    types_[path] = contentType;
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  httplib::Server server_;
  std::mutex mutex_;
  std::map<std::string, std::string> pages_;
  std::map<std::string, std::string> types_;
  int port_ = 0;
  std::thread thread_;
};

TEST(ContentStore, FetchesAddressesWithinLimits) {
  NewsSite site;
  site.Set("/news.rss", Rss({"Fetched"}));
  site.Set("/huge.rss", Rss({std::string(150000, 'h')}));
  FetchLimits limits;
  limits.timeoutSeconds = 1;
  limits.maxBytes = 100000;
  const struct {
    std::string path;
    bool served;
    const char* logged;
  } rows[] = {
      {"/news.rss", true, ""},
      {"/moved", true, ""},
      {"/missing.rss", false, "HTTP status 404"},
      {"/huge.rss", false, "larger than 100000 bytes"},
      {"/slow", false, "timed out"},
      {"/to-file", false, "file"},
  };
  for (const auto& row : rows) {
    StoreFixture fixture("rt " + site.Url(row.path) + "\n", limits);
    fixture.store->Refresh(true);
    EXPECT_EQ(StoryTitles(*fixture.store->Snapshot(), "rt").size(), row.served ? 1u : 0u)
        << row.path << "\n"
        << fixture.Log();
    if (!row.served) {
      EXPECT_NE(fixture.Log().find(row.logged), std::string::npos) << row.path << "\n"
                                                                   << fixture.Log();
    }
  }

  StoreFixture fixture("rt " + site.Url("/news.rss") + "\n", limits);
  fixture.store->Refresh(true);
  site.Set("/news.rss", "<rss><channel><item>");
  fixture.store->Refresh(true);
  EXPECT_EQ(StoryTitles(*fixture.store->Snapshot(), "rt"), std::vector<std::string>{"Fetched"});
  site.Set("/news.rss", Rss({"Fresh"}));
  fixture.store->Refresh(false);
  EXPECT_EQ(StoryTitles(*fixture.store->Snapshot(), "rt"), std::vector<std::string>{"Fetched"})
      << "an address is fetched again only when its interval has passed";
  fixture.store->Refresh(true);
  EXPECT_EQ(StoryTitles(*fixture.store->Snapshot(), "rt"), std::vector<std::string>{"Fresh"});
  EXPECT_NE(fixture.Log().find("good again"), std::string::npos);
}

TEST(ContentStore, ReadsFetchedDocumentsInTheCharsetTheAnswerNames) {
  NewsSite site;
  // "Новости" in Windows-1251, in a document that claims to be Latin-1.
  const std::string body = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>" +
                           Rss({"\xCD\xEE\xE2\xEE\xF1\xF2\xE8"});
  site.Set("/labelled.rss", body);
  site.SetType("/labelled.rss", "application/rss+xml; charset=\"windows-1251\"");
  site.Set("/unlabelled.rss", body);
  site.SetType("/unlabelled.rss", "application/rss+xml");
  const struct {
    const char* path;
    const char* title;
  } rows[] = {
      {"/labelled.rss", "Novosti"},
      {"/unlabelled.rss", "\xCD\xEE\xE2\xEE\xF1\xF2\xE8"},  // the declaration's Latin-1
  };
  for (const auto& row : rows) {
    StoreFixture fixture("rt " + site.Url(row.path) + "\n");
    fixture.store->Refresh(true);
    EXPECT_EQ(StoryTitles(*fixture.store->Snapshot(), "rt"), std::vector<std::string>{row.title})
        << row.path << "\n"
        << fixture.Log();
  }
}

TEST(ContentStore, ReadersNeverSeeAHalfBuiltSnapshot) {
  StoreFixture fixture("rt news.rss\n");
  fixture.folder.Write("news.rss", Rss({"One", "Two", "Three"}));
  fixture.store->Refresh(true);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i) {
      fixture.folder.Write("news.rss", i % 2 ? Rss({"One", "Two", "Three"}) : "<broken");
      fixture.store->Refresh(i % 3 == 0);
    }
    done = true;
  });
  size_t reads = 0;
  while (!done) {
    const SnapshotPointer content = fixture.store->Snapshot();
    const FeedSelection selection = ParseDataQuery("news=10,rt");
    const std::string feed = ComposeFeed(*content, selection);
    ASSERT_EQ(StoryTitles(*content, "rt").size(), 3u);
    ASSERT_EQ(feed[0], kTopicMarker);
    ++reads;
  }
  writer.join();
  EXPECT_GT(reads, 0u);
}

}  // namespace
