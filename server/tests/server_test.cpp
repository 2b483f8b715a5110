// The server over real sockets: the ticker's requests, logins, pages, the log, bad requests,
// many clients at once, and the program itself with its flags and signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <thread>

#include "content_server.h"
#include "data_request.h"
#include "support/http_probe.h"
#include "support/sample_server.h"
#include "support/temp_folder.h"
#include "support/ticker_reading.h"

extern char** environ;

namespace {

const char kWorkedExample[] =
    "/tlx/update?stocks=INTC,MSFT&weather=f,JFK,SFO,LAX&news=10,rt,rc,&134501";

// The request lines of a log, each as its name=value fields with %XX undone.
std::vector<std::map<std::string, std::string>> RequestLines(const std::string& log) {
  std::vector<std::map<std::string, std::string>> lines;
  std::istringstream stream(log);
  std::string line;
  while (std::getline(stream, line)) {
    std::istringstream fields(line);
    std::string stamp, kind, field;
    fields >> stamp >> kind;
    if (kind != "request") continue;
    std::map<std::string, std::string> values;
    while (fields >> field) {
      const size_t equals = field.find('=');
      std::string value;
      for (size_t i = equals + 1; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
          value += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          value += field[i];
        }
      }
      values[field.substr(0, equals)] = value;
    }
    lines.push_back(values);
  }
  return lines;
}

class ServerTest : public SampleServerTest {
 protected:
  void SetUp() override { StartServer(); }
  // The server logs a request just after answering it, so a test may read the log a moment too
  // early: wait (a little) for the lines it expects.
  std::vector<std::map<std::string, std::string>> WaitForRequestLines(size_t count) const {
    for (int i = 0; i < 200 && RequestLines(Log()).size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return RequestLines(Log());
  }
};

TEST_F(ServerTest, AnswersTheWorkedExampleAndLogsIt) {
  const HttpReply reply = TickerGet(port_, kWorkedExample);
  ASSERT_TRUE(reply.received);
  EXPECT_EQ(reply.status, 200);
  ASSERT_FALSE(reply.body.empty());
  EXPECT_EQ(reply.body[0], '\x0E');
  const ReadFeed feed = ReadFeedLikeTheTicker(reply.body, false);
  EXPECT_EQ(feed.topics, (std::vector<std::string>{"qt", "wt", "rt", "rc"}));
  EXPECT_EQ(ItemsOfTopic(feed, "qt").size(), 3u);
  EXPECT_EQ(ItemsOfTopic(feed, "wt").size(), 4u);
  EXPECT_EQ(ItemsOfTopic(feed, "rt").size(), 11u) << "the sample has more than ten top stories";
  EXPECT_EQ(ItemsOfTopic(feed, "rc").size(), 11u);
  EXPECT_EQ(ItemsOfTopic(feed, "qt")[1].title, "INTC 120.50 +2.10");

  const auto lines = WaitForRequestLines(1);
  ASSERT_EQ(lines.size(), 1u) << Log();
  const auto& line = lines[0];
  EXPECT_EQ(line.at("method"), "GET");
  EXPECT_EQ(line.at("path"), "/tlx/update");
  EXPECT_EQ(line.at("query"), "stocks=INTC,MSFT&weather=f,JFK,SFO,LAX&news=10,rt,rc,&134501");
  EXPECT_EQ(line.at("status"), "200");
  EXPECT_EQ(line.at("bytes"), std::to_string(reply.body.size()));
  EXPECT_EQ(line.at("host"), "127.0.0.1:" + std::to_string(port_));
  EXPECT_EQ(line.at("referer"), "testpc");
  EXPECT_EQ(line.at("accept"), "*/*, text/plain, text/html");
  EXPECT_EQ(line.at("user-agent"), "Mozilla/4.01 [en] (Win95; I)");
  EXPECT_EQ(line.at("cookie"), "-");
  EXPECT_EQ(line.at("proxy-authorization"), "no");
  EXPECT_EQ(line.at("authorization"), "no");

  TickerGet(port_, "/tlx/", "Proxy-Authorization: Basic dTpw\r\nCookie: a=1\r\n");
  const auto more = WaitForRequestLines(2);
  ASSERT_EQ(more.size(), 2u);
  EXPECT_EQ(more[1].at("proxy-authorization"), "yes");
  EXPECT_EQ(more[1].at("cookie"), "a=1");
  EXPECT_EQ(more[1].at("query"), "-");
}

// The ticker tells its login answers apart by "OK", then "preferences", then "ERROR:".
TEST_F(ServerTest, LoginAnswersAndTheSessionSelectsTheAccount) {
  const struct {
    const char* query;
    const char* kind;                 // "OK", "preferences" or "ERROR:"
    std::vector<std::string> topics;  // of the account-form feed after an OK
  } rows[] = {
      {"login=alice&passwd=wonderland", "OK", {"qt", "wt", "rt", "rb", "rc"}},
      {"login=ALICE&passwd=wonderland", "OK", {"qt", "wt", "rt", "rb", "rc"}},
      {"login=bob+smith&passwd=open+sesame", "OK", {"ma", "qt", "wt", "rw", "rs"}},
      {"login=bob%20smith&passwd=open%20sesame", "OK", {"ma", "qt", "wt", "rw", "rs"}},
      {"login=carol&passwd=tulip", "preferences", {}},
      {"login=alice&passwd=wrong", "ERROR:", {}},
      {"login=nobody&passwd=x", "ERROR:", {}},
      {"login=alice", "ERROR:", {}},
      {"", "ERROR:", {}},
      {"login=%41lice&passwd=wonder%6Cand", "OK", {"qt", "wt", "rt", "rb", "rc"}},
  };
  for (const auto& row : rows) {
    const HttpReply login = TickerGet(port_, std::string("/config/tlxlogin?") + row.query);
    ASSERT_TRUE(login.received) << row.query;
    const bool ok = login.body.find("OK") != std::string::npos;
    const bool preferences = !ok && login.body.find("preferences") != std::string::npos;
    const bool refused = !ok && !preferences && login.body.find("ERROR:") != std::string::npos;
    const std::string kind = ok ? "OK" : preferences ? "preferences" : refused ? "ERROR:" : "?";
    EXPECT_EQ(kind, row.kind) << row.query << ": " << login.body;
    const std::string cookie = login.Header("Set-Cookie");
    EXPECT_EQ(cookie.empty(), !ok) << row.query;
    if (!ok) continue;

    const std::string session = cookie.substr(0, cookie.find(';'));
    const HttpReply data = TickerGet(port_, "/tlx/update&134501", "Cookie: " + session + "\r\n");
    ASSERT_FALSE(data.body.empty());
    ASSERT_EQ(data.body[0], '\x0E') << row.query;
    const ReadFeed feed = ReadFeedLikeTheTicker(data.body, true);
    EXPECT_EQ(feed.topics, row.topics) << row.query;
    EXPECT_EQ(feed.mailAlert, row.topics.front() == "ma") << row.query;
  }
}

TEST_F(ServerTest, AccountFormWithoutASessionAsksForANewLogin) {
  for (const char* cookie : {"", "Cookie: nrsession=0123456789abcdef\r\n", "Cookie: other=1\r\n"}) {
    const HttpReply reply = TickerGet(port_, "/tlx/update&134501", cookie);
    EXPECT_EQ(reply.body, kRestartAnswer) << cookie;
  }
  // The query form never needs a session.
  EXPECT_EQ(TickerGet(port_, "/tlx/update?news=5,rt,&134501").body[0], '\x0E');
}

TEST_F(ServerTest, RestartNoticeIsGivenOnce) {
  server_.reset();
  ServerConfig config;
  config.restartOnce = true;
  config.restartFile = folder_.File("restart-now");
  StartServer(config);
  EXPECT_EQ(TickerGet(port_, kWorkedExample).body, kRestartAnswer);
  EXPECT_EQ(TickerGet(port_, kWorkedExample).body[0], '\x0E');

  folder_.Write("restart-now", "");
  EXPECT_EQ(TickerGet(port_, "/tlx/update&134501").body, kRestartAnswer);
  EXPECT_FALSE(std::filesystem::exists(folder_.File("restart-now")));
  EXPECT_EQ(TickerGet(port_, kWorkedExample).body[0], '\x0E');
  EXPECT_EQ(TickerGet(port_, "/tlx/").status, 200) << "pages never get the notice";
}

TEST_F(ServerTest, ServesThePortalPagesAndSponsorFiles) {
  const struct {
    const char* target;
    int status;
    const char* contains;
  } rows[] = {
      {"/", 200, "Vexlo!"},
      {"/help/ticker/", 200, "Ticker Help"},
      {"/tlx/", 200, "My Vexlo!"},
      {"/config/eval_register?new=1&lg=1&referer=my+Vexlo+ticker", 200, "Sign up"},
      {"/config/eval_suggest", 200, "set-up"},
      {"/mail", 200, "Mail"},
      {"/mail/", 200, "Mail"},
      {"/search", 200, "Search"},
      {"/search/bin/search?p=rail+strike&a=i", 200, "<b id=\"query\">rail strike</b>"},
      {"/search/bin/search?p=AT&T+%3Cscript%3E&a=i", 200, "AT&amp;T &lt;script&gt;"},
      {"/search/bin/search?p=<i>&a=i", 200, "&lt;i&gt;"},
      {"/quotes/lookup.html", 200, "INTC 120.50 +2.10"},
      {"/quotes/q?s=%5EDJI", 200, "^DJI 10512.34 -45.10"},
      {"/quotes/q?s=NOPE", 404, "No quote"},
      {"/quotes/", 200, "Finance"},
      {"/play/games/", 200, "Games"},
      {"/chat/", 200, "Chat"},
      {"/classifieds//", 200, "Classifieds"},
      {"/boards/", 200, "Boards"},
      {"/personals", 200, "Personals"},
      {"/calendar/", 200, "Calendar"},
      {"/clubs/", 200, "Clubs"},
      {"/weather/JFK", 200,
       "JFK 72\xB0"
       "F Partly Cloudy (22\xB0"
       "C Partly Cloudy)"},
      {"/news/rt", 200, "Coastal storm"},
      {"/news/zz", 404, "No stories"},
      // The sample stories link to pages of this server, which a click in the ticker opens.
      {"/story/1", 200, "<h1>Coastal storm forces evacuations along the Carolina shore</h1>"},
      {"/story/0", 404, "No such story"},
      {"/ion/ticker.ex_", 404, "No update files"},
      {"/mailbox", 404, "no page"},
      {"/nowhere", 404, "no page"},
  };
  for (const auto& row : rows) {
    const HttpReply reply = TickerGet(port_, row.target);
    EXPECT_EQ(reply.status, row.status) << row.target;
    EXPECT_NE(reply.body.find(row.contains), std::string::npos) << row.target << "\n" << reply.body;
  }
  EXPECT_NE(TickerGet(port_, "/tlx/update?news=1,rt").body.find(server_->PublicUrl() + "/story/1"),
            std::string::npos);
  const HttpReply sponsor = TickerGet(port_, "/sponsor/news.txt");
  EXPECT_EQ(sponsor.body, ReadWholeFile(std::string(NEWSRAIL_SAMPLE_DIR) + "/sponsor/news.txt"));
  const HttpReply picture = TickerGet(port_, "/sponsor/sponsor.bmp");
  EXPECT_EQ(picture.Header("Content-Type"), "image/bmp");
  EXPECT_EQ(picture.body, ReadWholeFile(std::string(NEWSRAIL_SAMPLE_DIR) + "/sponsor/sponsor.bmp"));
}

TEST_F(ServerTest, BadRequestsGetAnAnswerAndTheServerCarriesOn) {
  std::string thousand = "/tlx/update?stocks=";
  for (int i = 0; i < 1000; ++i) thousand += "SYM" + std::to_string(i) + ",";
  thousand += "&weather=x,,,&news=99999,rt,zz,%ZZ,&";
  const struct {
    std::string request;
    int status;  // 0: any answer, or none at all
  } rows[] = {
      {"GARBAGE\r\n\r\n", 0},
      {"GET\r\n\r\n", 0},
      {"GET /\r\n\r\n", 0},
      {"POST /tlx/update HTTP/1.0\r\nContent-Length: 5\r\n\r\nhello", 405},
      {"DELETE /tlx/ HTTP/1.0\r\n\r\n", 405},
      {"GET /tlx/update?" + std::string(10000, 'a') + " HTTP/1.0\r\n\r\n", 414},
      {"GET " + thousand + " HTTP/1.0\r\n\r\n", 200},
      {"GET /tlx/update?stocks=\x95\x01\xFF&news=3,rt HTTP/1.0\r\n\r\n", 200},
      {"GET /search/bin/search?p=\x93quoted\x94&a=i HTTP/1.0\r\n\r\n", 200},
      {"GET /tlx/ HTTP/1.0\r\nX-Long: " + std::string(20000, 'h') + "\r\n\r\n", 431},
      {"GET /tlx/ HTTP/1.0\r\nCookie: nrsession=\x01\x02\r\n\r\n", 200},
      {"GET /tlx/update&&&&?&&&= HTTP/1.0\r\n\r\n", 200},
      {"GET /tlx/update?news=1,rt HTTP/1.0\r\nContent-Length: 99999999\r\n\r\n", 413},
      {"GET /%00%ff/../../etc/passwd HTTP/1.0\r\n\r\n", 400},
  };
  for (const auto& row : rows) {
    const HttpReply reply = HttpExchange(port_, row.request, 2000);
    if (row.status != 0) EXPECT_EQ(reply.status, row.status) << row.request.substr(0, 60);
    if (reply.status == 200 && row.request.find("/tlx/update") != std::string::npos) {
      ASSERT_FALSE(reply.body.empty());
      EXPECT_EQ(reply.body[0], '\x0E');
      EXPECT_LE(reply.body.size(), kDefaultFeedBudget);
      EXPECT_FALSE(ReadFeedLikeTheTicker(reply.body, false).items.empty());
    }
    EXPECT_EQ(TickerGet(port_, "/tlx/update?news=1,rt").status, 200)
        << "still serving after " << row.request.substr(0, 60);
  }
  // Whatever the requests held, each log line is still one line of name=value fields.
  for (const auto& line : RequestLines(Log())) {
    EXPECT_EQ(line.count("method"), 1u);
    EXPECT_EQ(line.count("authorization"), 1u);
  }
}

// Many ticker-like clients at once, while the content is reloaded under them.
TEST_F(ServerTest, ManyClientsAtOnceAllGetValidAnswers) {
  constexpr int kClients = 16, kRequests = 200;
  const HttpReply login = TickerGet(port_, "/config/tlxlogin?login=bob+smith&passwd=open+sesame");
  const std::string session =
      login.Header("Set-Cookie").substr(0, login.Header("Set-Cookie").find(';'));
  std::atomic<bool> stop{false};
  std::thread reloader([&] {
    while (!stop) server_->Content().Refresh(true);
  });
  std::atomic<int> valid{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      KeepAliveClient client(port_);
      for (int i = 0; i < kRequests; ++i) {
        const int kind = (c + i) % 4;
        if (kind == 3) {
          const HttpReply reply =
              TickerGet(port_, "/tlx/update&" + std::to_string(i), "Cookie: " + session + "\r\n");
          const ReadFeed feed = ReadFeedLikeTheTicker(reply.body, true);
          if (reply.status == 200 &&
              feed.topics == std::vector<std::string>{"ma", "qt", "wt", "rw", "rs"})
            ++valid;
          continue;
        }
        const std::string target = kind == 0 ? std::string(kWorkedExample)
                                   : kind == 1
                                       ? "/tlx/update?stocks=VXLO&news=3,re,&" + std::to_string(i)
                                       : "/quotes/q?s=INTC";
        const HttpReply reply = client.Get(target);
        if (kind == 2) {
          if (reply.status == 200 && reply.body.find("INTC 120.50 +2.10") != std::string::npos)
            ++valid;
          continue;
        }
        const ReadFeed feed = ReadFeedLikeTheTicker(reply.body, false);
        const std::vector<std::string> expected =
            kind == 0 ? std::vector<std::string>{"qt", "wt", "rt", "rc"}
                      : std::vector<std::string>{"qt", "re"};
        if (reply.status == 200 && feed.topics == expected &&
            ItemsOfTopic(feed, kind == 0 ? "rt" : "re").size() == (kind == 0 ? 11u : 4u)) {
          ++valid;
        }
      }
    });
  }
  for (std::thread& client : clients) client.join();
  stop = true;
  reloader.join();
  EXPECT_EQ(valid.load(), kClients * kRequests);
  EXPECT_EQ(WaitForRequestLines(kClients * kRequests + 1).size(),
            static_cast<size_t>(kClients * kRequests + 1));
}

// A feed is composed once for its selection and composed anew when the content changes.
TEST(PreparedFeeds, FollowTheContent) {
  TempFolder folder;
  folder.Write("quotes.txt", "INTC 120.50 +2.10\n");
  ServerConfig config;
  config.port = 0;
  config.content = NEWSRAIL_SAMPLE_DIR;
  config.quotes = folder.File("quotes.txt");
  ContentServer server(config);
  std::string error;
  ASSERT_TRUE(server.Start(&error)) << error;
  auto feed = [&](const std::string& stamp) {
    const HttpAnswer answer = server.Answer({"GET", "/tlx/update?stocks=INTC&" + stamp, "", "", ""});
    return answer.prepared != nullptr ? *answer.prepared : answer.body;
  };
  const std::string first = feed("100000");
  EXPECT_NE(first.find("INTC 120.50 +2.10"), std::string::npos) << first;
  EXPECT_EQ(feed("100001"), first);
  folder.Write("quotes.txt", "INTC 121.00 +3.00\n");
  server.Content().Refresh(true);
  EXPECT_NE(feed("100002").find("INTC 121.00 +3.00"), std::string::npos);
}

// The program as run.sh starts it: flags, the port it reports, the log, and a clean stop.
TEST(ServerProgram, RunsWithItsFlagsAndStopsOnSignals) {
  for (const int stopSignal : {SIGTERM, SIGINT}) {
    TempFolder folder;
    const std::string log = folder.File("run.log");
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::vector<std::string> args = {NEWSRAIL_SERVER_BINARY, "--port", "0", "--content",
                                     NEWSRAIL_SAMPLE_DIR,    "--log",  log};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);

    std::string banner;
    char c;
    while (banner.find('\n') == std::string::npos && read(output[0], &c, 1) == 1) banner += c;
    const size_t colon = banner.rfind(':');
    ASSERT_NE(colon, std::string::npos) << banner;
    const int port = std::atoi(banner.c_str() + colon + 1);
    ASSERT_GT(port, 0) << banner;

    const HttpReply reply = TickerGet(port, kWorkedExample);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body[0], '\x0E');

    kill(pid, stopSignal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    close(output[0]);
    EXPECT_EQ(RequestLines(ReadWholeFile(log)).size(), 1u) << "the log is complete at exit";
  }
}

TEST(ServerProgram, HelpAndBadFlags) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
  } rows[] = {
      {{"--help"}, 0},
      {{"--port", "99999"}, 2},
      {{"--nonsense"}, 2},
      {{"--port"}, 2},
      {{"--config", "/nonexistent/newsrail.conf"}, 2},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {NEWSRAIL_SERVER_BINARY};
    args.insert(args.end(), row.args.begin(), row.args.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << args[1];
    EXPECT_EQ(WEXITSTATUS(status), row.exitCode) << args[1];
  }
}

}  // namespace
