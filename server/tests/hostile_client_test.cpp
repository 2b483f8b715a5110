// The server against clients that mean harm: floods of header lines, clients that send slowly or
// hold connections, bodies that hide a second request, Range tricks and malformed heads. Each
// client is a raw socket on 127.0.0.0/8 with a bound on its time.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include "content_server.h"
#include "support/http_probe.h"
#include "support/sample_server.h"
#include "support/temp_folder.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string Get(const std::string& target, const std::string& extra = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Waits until the server has closed fd (true), or gives up after timeoutMs (false).
bool ClosedWithin(int fd, int timeoutMs) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char chunk[4096];
  while (Clock::now() < end) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, 50) <= 0) continue;
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return true;
  }
  return false;
}

// The address that keys the caps and the login back-off, as inet_ntop writes it.
TEST(AddressText, ReadsLikeInetNtop) {
  for (const char* text : {"0.0.0.0", "9.10.99.100", "255.255.255.255", "127.0.0.1"}) {
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    v4->sin_family = AF_INET;
    ASSERT_EQ(inet_pton(AF_INET, text, &v4->sin_addr), 1);
    EXPECT_EQ(AddressText(&storage), text);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    v6->sin6_family = AF_INET6;
    ASSERT_EQ(inet_pton(AF_INET6, ("::ffff:" + std::string(text)).c_str(), &v6->sin6_addr), 1);
    EXPECT_EQ(AddressText(&storage), text) << "mapped";
  }
  sockaddr_storage storage{};
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  v6->sin6_family = AF_INET6;
  ASSERT_EQ(inet_pton(AF_INET6, "2001:db8::1", &v6->sin6_addr), 1);
  EXPECT_EQ(AddressText(&storage), "2001:db8::1");
}

TEST(RefuseRequest, TakesOnlyBodilessRequestsWithOneHost) {
  const struct {
    const char* method;
    const char* version;
    int hosts;
    int lengths;
    uint64_t length;
    bool chunked;
    size_t targetBytes;
    int status;  // 0: routed
    const char* allow;
  } rows[] = {
      {"GET", "HTTP/1.1", 1, 0, 0, false, 20, 0, ""},
      {"HEAD", "HTTP/1.1", 1, 0, 0, false, 20, 0, ""},
      {"GET", "HTTP/1.0", 0, 0, 0, false, 20, 0, ""},
      {"GET", "HTTP/1.0", 1, 0, 0, false, 20, 0, ""},
      {"GET", "HTTP/1.1", 1, 1, 0, false, 20, 0, ""},
      {"GET", "HTTP/1.1", 0, 0, 0, false, 20, 400, ""},
      {"GET", "HTTP/1.1", 2, 0, 0, false, 20, 400, ""},
      {"GET", "HTTP/1.0", 2, 0, 0, false, 20, 400, ""},
      {"GET", "HTTP/1.1", 1, 1, 5, false, 20, 413, ""},
      {"HEAD", "HTTP/1.0", 0, 1, 1, false, 20, 413, ""},
      {"GET", "HTTP/1.1", 1, 0, 0, true, 20, 400, ""},
      {"GET", "HTTP/1.1", 1, 1, 5, true, 20, 400, ""},
      {"GET", "HTTP/1.1", 1, 2, 0, false, 20, 400, ""},
      {"POST", "HTTP/1.1", 1, 1, 5, false, 20, 405, "GET, HEAD"},
      {"GET", "HTTP/1.1", 1, 0, 0, false, kMaxTargetBytes, 0, ""},
      {"GET", "HTTP/1.1", 1, 0, 0, false, kMaxTargetBytes + 1, 414, ""},
      // The Host check comes first: without it nothing else about the request can be trusted.
      {"GET", "HTTP/1.1", 0, 1, 5, true, kMaxTargetBytes + 1, 400, ""},
  };
  for (const auto& row : rows) {
    RequestHead head;
    head.method = row.method;
    head.version = row.version;
    head.hostHeaders = row.hosts;
    head.contentLengthHeaders = row.lengths;
    head.contentLength = row.length;
    head.transferEncoding = row.chunked;
    head.targetBytes = row.targetBytes;
    const std::optional<HttpAnswer> refusal = RefuseRequest(head);
    const std::string name = std::string(row.method) + " " + row.version + " hosts " +
                             std::to_string(row.hosts) + " length " + std::to_string(row.length);
    EXPECT_EQ(refusal ? refusal->status : 0, row.status) << name;
    if (refusal) EXPECT_EQ(refusal->allow, row.allow) << name;
  }
}

TEST(ParseCommandLine, TakesTheLimitsAsFlagsAndConfigKeys) {
  TempFolder folder;
  folder.Write("limits.conf",
               "max-connections = 300\n"
               "max-connections-per-address = 7\n"
               "header-timeout = 3\n"
               "idle-timeout = 4\n"
               "max-head-bytes = 8192\n"
               "max-requests-per-connection = 9\n"
               "listen-backlog = 256\n"
               "threads = 2\n");
  ServerConfig config;
  std::string error;
  ASSERT_EQ(ParseCommandLine({"--config", folder.File("limits.conf"), "--header-timeout", "5"},
                             &config, &error),
            CommandLine::kRun)
      << error;
  EXPECT_EQ(config.maxConnections, 300);
  EXPECT_EQ(config.maxConnectionsPerAddress, 7);
  EXPECT_EQ(config.headerTimeoutSeconds, 5);
  EXPECT_EQ(config.idleTimeoutSeconds, 4);
  EXPECT_EQ(config.maxHeadBytes, 8192u);
  EXPECT_EQ(config.maxRequestsPerConnection, 9);
  EXPECT_EQ(config.listenBacklog, 256);
  EXPECT_EQ(config.threads, 2);

  const std::vector<std::string> refused[] = {
      {"--max-connections", "0"},      {"--max-connections-per-address", "0"},
      {"--header-timeout", "0"},       {"--idle-timeout", "0"},
      {"--max-head-bytes", "1000"},    {"--max-head-bytes", "99999999"},
      {"--listen-backlog", "5"},       {"--max-requests-per-connection", "0"},
      {"--threads", "1000"},
  };
  for (const auto& arguments : refused) {
    ServerConfig unchanged;
    EXPECT_EQ(ParseCommandLine(arguments, &unchanged, &error), CommandLine::kError)
        << arguments[0] << " " << arguments[1];
  }
}

using HostileClientTest = SampleServerTest;

// A request body is never read as a request of its own, and pipelined requests are answered in
// turn until a refused one ends the connection.
TEST_F(HostileClientTest, BodiesAreRefusedAndPipelinesAnsweredInOrder) {
  StartServer();
  const std::string hidden = Get("/quotes/q?s=VXLO");
  const struct {
    std::string bytes;
    std::vector<int> statuses;  // of the replies, in order; the connection then closes
  } rows[] = {
      {Get("/tlx/", "Content-Length: " + std::to_string(hidden.size()) + "\r\n") + hidden, {413}},
      {Get("/tlx/", "Transfer-Encoding: chunked\r\n") + "2a\r\n" + hidden + "\r\n0\r\n\r\n", {400}},
      {Get("/tlx/", "Content-Length: 2\r\nTransfer-Encoding: chunked\r\n") + "0\r\n\r\n" + hidden,
       {400}},
      {Get("/tlx/", "Content-Length: 0\r\nContent-Length: 42\r\n") + hidden, {400}},
      {"POST /tlx/update HTTP/1.1\r\nHost: a\r\nContent-Length: 42\r\n\r\n" + hidden, {405}},
      {Get("/quotes/q?s=INTC") + Get("/quotes/q?s=MSFT") +
           Get("/quotes/q?s=^DJI", "Connection: close\r\n"),
       {200, 200, 200}},
      {Get("/quotes/q?s=INTC") + Get("/tlx/", "Content-Length: 5\r\n") + "hello" + hidden,
       {200, 413}},
      {Get("/quotes/q?s=INTC") + "GET /tlx/ HTTP/1.1\r\n\r\n" + hidden, {200, 400}},
      {"GET /tlx/ HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n" + hidden, {400}},
      {"GET /tlx/ HTTP/1.0\r\nHost: a\r\nHost: b\r\n\r\n", {400}},
      {"GET /tlx/ HTTP/1.0\r\n\r\n", {200}},
  };
  for (const auto& row : rows) {
    bool closed = false;
    const std::vector<HttpReply> replies = HttpExchangeAll(port_, row.bytes, 3000, &closed);
    std::vector<int> statuses;
    for (const HttpReply& reply : replies) statuses.push_back(reply.status);
    EXPECT_EQ(statuses, row.statuses) << row.bytes.substr(0, 80);
    EXPECT_TRUE(closed) << row.bytes.substr(0, 80);
    if (row.statuses == std::vector<int>{200, 200, 200}) {
      ASSERT_EQ(replies.size(), 3u);
      EXPECT_NE(replies[0].body.find("INTC 120.50"), std::string::npos);
      EXPECT_NE(replies[1].body.find("MSFT 90.25"), std::string::npos);
      EXPECT_NE(replies[2].body.find("^DJI"), std::string::npos);
    }
    for (const HttpReply& reply : replies) {
      if (reply.status == 405) EXPECT_EQ(reply.Header("Allow"), "GET, HEAD");
      if (reply.status >= 400) EXPECT_EQ(reply.Header("Connection"), "close");
    }
  }
  // The hidden request was answered (and logged) never.
  for (int i = 0; i < 100 && Log().find("/tlx/") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(Log().find("s=VXLO"), std::string::npos) << Log();
}

// The statuses of the request lines in a server log, in order.
std::vector<int> LoggedStatuses(const std::string& log) {
  std::vector<int> statuses;
  for (size_t at = log.find(" request "); at != std::string::npos;
       at = log.find(" request ", at + 1)) {
    statuses.push_back(std::atoi(log.c_str() + log.find(" status=", at) + 8));
  }
  return statuses;
}

// Every request the server refuses is answered with its 4xx and logged, at once, whatever its
// head holds; heads of many small cookies or query arguments are served like any other.
TEST_F(HostileClientTest, EveryRefusalIsAnsweredAndLoggedAtOnce) {
  StartServer();
  std::string pairs = "c=v", cookieLines, arguments, bare;
  for (int i = 0; i < 250; ++i) pairs += "; c" + std::to_string(i) + "=v";
  for (int i = 0; i < 200; ++i) cookieLines += "Cookie: a" + std::to_string(i) + "=b\r\n";
  for (int i = 0; i < 300; ++i) arguments += "&a" + std::to_string(i) + "=" + std::to_string(i);
  for (int i = 0; i < 3500; ++i) bare += "a&";
  const struct {
    std::string request;
    int status;
  } rows[] = {
      {Get("/tlx/update?news=1,rt", "Cookie: " + pairs + "\r\nConnection: close\r\n"), 200},
      {Get("/tlx/update?news=1,rt", cookieLines + "Connection: close\r\n"), 200},
      {Get("/tlx/update?news=1,rt" + arguments, "Connection: close\r\n"), 200},
      {Get("/tlx/update?" + bare + "news=1,rt", "Connection: close\r\n"), 200},
      {Get("/tlx/update?news=1,rt", "Cookie: x=" + std::string(16384, 'y') + "\r\n"), 431},
      {Get("/tlx/update?" + std::string(9000, 'q')), 414},
      {"GET /tlx/update?" + std::string(20000, 'q'), 414},  // a request line without an end
      {Get("/weather/../tlx/update?news=1,rt"), 400},
      {Get("/weather/%2E%2e/tlx/update?news=1,rt"), 400},
      {Get("/tlx/./update?news=1,rt"), 400},
      {"GET /tlx/ HTTP/2.0\r\nHost: a\r\n\r\n", 505},
      {"GET /tlx/ HTTP/1.1\r\nHost: a\r\n Folded: line\r\n\r\n", 400},
      {"GET /tlx/ HTTP/1.1\r\nHost : a\r\n\r\n", 400},
      {"GET  /tlx/ HTTP/1.1\r\nHost: a\r\n\r\n", 400},
      {std::string("GET /tlx/\0 HTTP/1.1\r\nHost: a\r\n\r\n", 33), 400},
  };
  std::vector<int> expected;
  for (const auto& row : rows) {
    // Two seconds: a refusal that waits for a time-out fails here.
    const std::vector<HttpReply> replies = HttpExchangeAll(port_, row.request, 2000);
    ASSERT_EQ(replies.size(), 1u) << row.request.substr(0, 60);
    EXPECT_EQ(replies[0].status, row.status) << row.request.substr(0, 60);
    if (row.status == 200) EXPECT_EQ(replies[0].body[0], '\x0E') << row.request.substr(0, 60);
    expected.push_back(row.status);
  }
  for (int i = 0; i < 100 && LoggedStatuses(Log()).size() < expected.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(LoggedStatuses(Log()), expected) << "one line per request, refusals too";
}

TEST_F(HostileClientTest, RangeIsIgnoredSoTheFeedIsNeverCutOrMultiplied) {
  StartServer();
  const std::string target = "/tlx/update?stocks=INTC,MSFT&news=10,rt,rb,rc";
  const HttpReply plain = HttpExchange(port_, Get(target, "Connection: close\r\n"));
  ASSERT_EQ(plain.status, 200);
  ASSERT_GT(plain.body.size(), 100u);
  std::string many = "bytes=0-";
  for (int i = 0; i < 2700; ++i) many += ",0-";
  const std::string ranges[] = {"bytes=0-9", "bytes=-10", "bytes=5-", many.substr(0, 12000)};
  for (const std::string& range : ranges) {
    const HttpReply reply =
        HttpExchange(port_, Get(target, "Range: " + range + "\r\nConnection: close\r\n"));
    EXPECT_EQ(reply.status, 200) << range.substr(0, 20);
    EXPECT_EQ(reply.body, plain.body) << range.substr(0, 20);
    EXPECT_EQ(reply.Header("Content-Range"), "") << range.substr(0, 20);
  }
}

TEST_F(HostileClientTest, EveryAnswerIsDatedAndA405SaysWhatIsAllowed) {
  ServerConfig config;
  config.maxRequestsPerConnection = 2;
  StartServer(config);
  const std::regex imfDate(
      "(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-9]{2} "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} GMT");
  const struct {
    std::string request;
    int status;
  } rows[] = {
      {Get("/tlx/update?news=1,rt", "Connection: close\r\n"), 200},
      {Get("/nowhere", "Connection: close\r\n"), 404},
      {"DELETE /tlx/ HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n", 405},
      {"OPTIONS * HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n", 405},
      {"GET /tlx/ HTTP/1.1\r\n\r\n", 400},
      {Get("/tlx/", "Content-Length: 3\r\n") + "abc", 413},
      {Get("/" + std::string(kMaxTargetBytes, 'a')), 414},
      {Get("/tlx/", "X-Long: " + std::string(40000, 'h') + "\r\n"), 431},
      {"GET /tlx/ HTTP/1.1\r\nHost: a\r\nContent-Length: many\r\n\r\n", 400},
      {"GET /tlx/ HTTP/9.9\r\nHost: a\r\n\r\n", 505},
  };
  for (const auto& row : rows) {
    const std::vector<HttpReply> replies = HttpExchangeAll(port_, row.request, 3000);
    ASSERT_FALSE(replies.empty()) << row.request.substr(0, 60);
    const HttpReply& reply = replies[0];
    EXPECT_EQ(reply.status, row.status) << row.request.substr(0, 60);
    EXPECT_TRUE(std::regex_match(reply.Header("Date"), imfDate))
        << row.request.substr(0, 60) << ": " << reply.Header("Date");
    if (row.status == 405) EXPECT_EQ(reply.Header("Allow"), "GET, HEAD");
  }
  // A kept-alive connection ends after its allowance of requests, with the last answer saying so.
  bool closed = false;
  const std::vector<HttpReply> replies =
      HttpExchangeAll(port_, Get("/tlx/") + Get("/tlx/") + Get("/tlx/"), 3000, &closed);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].Header("Connection"), "");
  EXPECT_EQ(replies[1].Header("Connection"), "close");
  EXPECT_TRUE(closed);
}

// Clients that take their time hold a connection each, never a thread: with fewer threads than
// slow clients, a new client is still answered.
TEST_F(HostileClientTest, SlowClientsDoNotStopService) {
  ServerConfig config;
  config.threads = 2;
  StartServer(config);
  constexpr int kSlow = 40;
  std::atomic<bool> stop{false};
  std::vector<int> trickling, polling;
  for (int i = 0; i < kSlow; ++i) {
    trickling.push_back(ConnectFrom(port_, "127.0.1." + std::to_string(i + 1)));
    polling.push_back(ConnectFrom(port_, "127.0.2." + std::to_string(i + 1)));
    ASSERT_GE(trickling.back(), 0);
    ASSERT_GE(polling.back(), 0);
  }
  // One header byte every 100 ms on each of the first; a kept-alive request every 200 ms on each
  // of the others.
  std::thread slow([&] {
    const std::string head = "GET /tlx/ HTTP/1.1\r\nHost: a\r\nX-Slow: " + std::string(200, 's');
    for (size_t step = 0; !stop && step < head.size(); ++step) {
      for (int fd : trickling) SendBytes(fd, head.substr(step, 1));
      if (step % 2 == 0) {
        for (int fd : polling) SendBytes(fd, Get("/quotes/q?s=INTC"));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (int i = 0; i < 5; ++i) {
    const HttpReply reply = HttpExchange(port_, Get("/tlx/update?news=1,rt", "Connection: close\r\n"),
                                         3000);
    EXPECT_EQ(reply.status, 200) << "a new client is answered while the slow ones hold on";
  }
  stop = true;
  slow.join();
  for (int fd : trickling) close(fd);
  for (int fd : polling) close(fd);
}

// The head has one deadline, counted from the connection (or the last answer), not renewed by
// each byte that trickles in; a client that sends nothing is closed by it too.
TEST_F(HostileClientTest, TheWholeHeadHasOneDeadline) {
  ServerConfig config;
  config.headerTimeoutSeconds = 1;
  config.idleTimeoutSeconds = 30;
  StartServer(config);
  const std::string head = "GET /tlx/ HTTP/1.1\r\nHost: a\r\nX-Slow: " + std::string(100, 's');
  for (const char* mode : {"trickle", "silent", "after an answer"}) {
    const int fd = ConnectFrom(port_, "127.0.0.1");
    ASSERT_GE(fd, 0);
    if (std::string(mode) == "after an answer") {
      ASSERT_TRUE(SendBytes(fd, Get("/tlx/")));
      EXPECT_EQ(ReadReplies(fd, 200).size(), 1u);
    }
    const Clock::time_point start = Clock::now();
    bool closed = false;
    for (size_t i = 0; i < head.size() && !closed; ++i) {
      if (std::string(mode) == "trickle") SendBytes(fd, head.substr(i, 1));
      closed = ClosedWithin(fd, 100);
    }
    const double seconds = SecondsSince(start);
    EXPECT_TRUE(closed) << mode;
    EXPECT_LT(seconds, 4.0) << mode << ": the deadline was renewed";
    EXPECT_GT(seconds, 0.3) << mode << ": closed before its deadline";
    close(fd);
  }
  EXPECT_EQ(TickerGet(port_, "/tlx/update?news=1,rt").status, 200);
}

TEST_F(HostileClientTest, OneAddressCannotTakeEveryConnection) {
  ServerConfig config;
  config.maxConnectionsPerAddress = 3;
  StartServer(config);
  std::vector<int> held;
  for (int i = 0; i < 3; ++i) held.push_back(ConnectFrom(port_, "127.0.0.1"));
  for (int fd : held) ASSERT_GE(fd, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  const int extra = ConnectFrom(port_, "127.0.0.1");
  ASSERT_GE(extra, 0);
  SendBytes(extra, Get("/tlx/"));
  bool closed = false;
  EXPECT_TRUE(ReadReplies(extra, 2000, &closed).empty());
  EXPECT_TRUE(closed) << "the fourth connection from one address is closed unanswered";
  close(extra);

  const int other = ConnectFrom(port_, "127.0.0.2");
  ASSERT_GE(other, 0);
  SendBytes(other, Get("/tlx/", "Connection: close\r\n"));
  const std::vector<HttpReply> replies = ReadReplies(other, 3000);
  ASSERT_EQ(replies.size(), 1u) << "another address is served";
  EXPECT_EQ(replies[0].status, 200);
  close(other);

  close(held.back());
  held.pop_back();
  int status = 0;
  for (int i = 0; i < 50 && status != 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    status = HttpExchange(port_, Get("/tlx/", "Connection: close\r\n"), 1000).status;
  }
  EXPECT_EQ(status, 200) << "a freed place is served again";
  for (int fd : held) close(fd);
}

// Behind a trusted proxy the cap per address does not count the proxy's own connections (they
// carry every client's requests); it counts the answers in progress for each client it names.
TEST_F(HostileClientTest, ATrustedProxyIsNotCappedButTheClientsItNamesAre) {
  folder_.Write("ion/big.bin", std::string(32 << 20, 'b'));
  ServerConfig config;
  config.maxConnectionsPerAddress = 3;
  config.trustedProxies = "127.0.0.1";
  config.ion = folder_.File("ion");
  StartServer(config);
  std::vector<std::unique_ptr<KeepAliveClient>> proxy;
  for (int i = 0; i < 10; ++i) {
    proxy.push_back(std::make_unique<KeepAliveClient>(port_, "127.0.0.1"));
    EXPECT_EQ(proxy.back()->Get("/quotes/q?s=INTC").status, 200) << "proxy connection " << i;
  }
  std::vector<int> readers;
  for (int i = 0; i < 3; ++i) {
    readers.push_back(ConnectFrom(port_, "127.0.0.1"));
    SendBytes(readers.back(), Get("/ion/big.bin", "X-Real-IP: 198.51.100.1\r\n"));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const HttpReply busy = HttpExchange(port_, Get("/quotes/q?s=INTC", "X-Real-IP: 198.51.100.1\r\n"));
  EXPECT_EQ(busy.status, 503);
  EXPECT_EQ(busy.Header("Retry-After"), "1");
  EXPECT_EQ(HttpExchange(port_, Get("/quotes/q?s=INTC", "X-Real-IP: 198.51.100.2\r\n")).status,
            200);
  for (int fd : readers) close(fd);
}

// Slow heads from a score of addresses, more than the server takes connections: past the
// budget for incomplete heads the oldest are closed, and complete requests are still served.
TEST_F(HostileClientTest, SlowHeadsGiveWayToCompleteRequests) {
  ServerConfig config;
  config.maxConnections = 100;
  config.maxIncompleteHeads = 50;
  config.headerTimeoutSeconds = 30;
  StartServer(config);
  std::vector<int> slow;
  for (int i = 0; i < 200; ++i) {
    slow.push_back(ConnectFrom(port_, "127.0.6." + std::to_string(1 + i % 20)));
    ASSERT_GE(slow.back(), 0);
    SendBytes(slow.back(), "GET /tlx/ HTTP/1.1\r\nHost: a\r\nX-Slow: ");
  }
  for (int i = 0; i < 5; ++i) {
    const HttpReply reply =
        HttpExchange(port_, Get("/tlx/update?news=1,rt", "Connection: close\r\n"), 3000);
    EXPECT_EQ(reply.status, 200) << "a complete request among the slow heads, " << i;
  }
  int closed = 0, open = 0;
  for (size_t i = 0; i < slow.size(); ++i) {
    const bool ended = ClosedWithin(slow[i], i < 100 ? 1000 : 20);
    if (i < 100) closed += ended ? 1 : 0;
    if (i >= 180) open += ended ? 0 : 1;
    close(slow[i]);
  }
  EXPECT_EQ(closed, 100) << "the oldest slow heads were closed";
  EXPECT_EQ(open, 20) << "the newest were kept";
}

TEST_F(HostileClientTest, ConnectionsOverTheLimitHearBusy) {
  ServerConfig config;
  config.maxConnections = 4;
  StartServer(config);
  std::vector<int> held;
  for (int i = 0; i < 4; ++i) held.push_back(ConnectFrom(port_, "127.0.3." + std::to_string(i + 1)));
  for (int fd : held) ASSERT_GE(fd, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  bool closed = false;
  const std::vector<HttpReply> busy =
      HttpExchangeAll(port_, Get("/tlx/update?news=1,rt"), 3000, &closed);
  ASSERT_EQ(busy.size(), 1u);
  EXPECT_EQ(busy[0].status, 503);
  EXPECT_EQ(busy[0].Header("Retry-After"), "1");
  EXPECT_TRUE(closed);

  for (int fd : held) close(fd);
  int status = 0;
  for (int i = 0; i < 50 && status != 200; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    status = HttpExchange(port_, Get("/tlx/", "Connection: close\r\n"), 1000).status;
  }
  EXPECT_EQ(status, 200);
}

// The accept queue of the listening socket, as the kernel reports it (what `ss -ltn` shows as
// Send-Q); -1 when not found.
int ListenBacklogOf(int port) {
  const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
  if (fd < 0) return -1;
  struct {
    nlmsghdr header;
    inet_diag_req_v2 request;
  } message{};
  message.header.nlmsg_len = sizeof message;
  message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  message.request.sdiag_family = AF_INET;
  message.request.sdiag_protocol = IPPROTO_TCP;
  message.request.idiag_states = 1u << TCP_LISTEN;
  int backlog = -1;
  if (send(fd, &message, sizeof message, 0) == static_cast<ssize_t>(sizeof message)) {
    alignas(nlmsghdr) char buffer[32768];
    bool done = false;
    while (!done) {
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      size_t offset = 0;
      while (!done && offset + sizeof(nlmsghdr) <= static_cast<size_t>(n)) {
        const auto* h = reinterpret_cast<const nlmsghdr*>(buffer + offset);
        if (h->nlmsg_len < sizeof(nlmsghdr) || offset + h->nlmsg_len > static_cast<size_t>(n)) {
          break;
        }
        if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
          done = true;
        } else {
          const auto* socket = static_cast<const inet_diag_msg*>(NLMSG_DATA(h));
          if (static_cast<int>(ntohs(socket->id.idiag_sport)) == port) {
            backlog = static_cast<int>(socket->idiag_wqueue);
          }
        }
        offset += NLMSG_ALIGN(h->nlmsg_len);
      }
    }
  }
  close(fd);
  return backlog;
}

TEST_F(HostileClientTest, TheListenBacklogIsTheConfiguredOne) {
  ServerConfig config;
  config.listenBacklog = 200;
  StartServer(config);
  EXPECT_EQ(ListenBacklogOf(port_), 200);
  server_->Stop();
  StartServer();
  std::ifstream limit("/proc/sys/net/core/somaxconn");
  int kernelLimit = 0;
  limit >> kernelLimit;
  EXPECT_EQ(ListenBacklogOf(port_), std::min(1024, kernelLimit)) << "the default";
}

// The program itself: a flood of header lines from several connections is cut at the head's
// limit, so the server's memory stays near what it was.
long PeakMemoryKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// The program on a free port with the sample content and `extra` arguments; its port, or 0.
int StartProgram(const std::vector<std::string>& extra, pid_t* pid, int* output) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  std::vector<std::string> args = {NEWSRAIL_SERVER_BINARY, "--port", "0", "--content",
                                   NEWSRAIL_SAMPLE_DIR};
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const bool spawned = posix_spawn(pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  *output = pipeEnds[0];
  std::string banner;
  char c;
  while (spawned && banner.find('\n') == std::string::npos && read(*output, &c, 1) == 1) {
    banner += c;
  }
  const size_t colon = banner.rfind(':');
  return colon == std::string::npos ? 0 : std::atoi(banner.c_str() + colon + 1);
}

void StopProgram(pid_t pid, int output) {
  kill(pid, SIGTERM);
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(output);
}

TEST(HostileClientProgram, AHeaderFloodIsCutAtTheHeadLimit) {
  pid_t pid;
  int output;
  const int port = StartProgram({}, &pid, &output);
  ASSERT_GT(port, 0);
  ASSERT_EQ(TickerGet(port, "/tlx/update?news=1,rt").status, 200);
  const long before = PeakMemoryKb(pid);

  constexpr size_t kFloodBytes = 64 << 20;
  std::vector<size_t> accepted(4);
  std::vector<int> statuses(4);
  std::vector<std::thread> flooders;
  for (int i = 0; i < 4; ++i) {
    flooders.emplace_back([&, i] {
      const int fd = ConnectFrom(port, "127.0.4." + std::to_string(i + 1));
      const timeval bound{5, 0};  // a server that stops reading without closing fails, not hangs
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
      std::string lines = "GET /tlx/ HTTP/1.1\r\nHost: a\r\n";
      while (lines.size() < 65536) lines += "X-Flood: " + std::string(100, 'f') + "\r\n";
      size_t sent = 0;
      while (sent < kFloodBytes && SendBytes(fd, lines)) sent += lines.size();
      accepted[i] = sent;
      const std::vector<HttpReply> replies = ReadReplies(fd, 2000);
      statuses[i] = replies.empty() ? 0 : replies[0].status;
      close(fd);
    });
  }
  for (std::thread& flooder : flooders) flooder.join();
  const long after = PeakMemoryKb(pid);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(statuses[i], 431) << i;
    EXPECT_LT(accepted[i], kFloodBytes) << i << ": the server kept reading";
  }
  EXPECT_LT(after - before, 16 * 1024) << "peak memory grew from " << before << " kB";
  EXPECT_EQ(TickerGet(port, "/tlx/update?news=1,rt").status, 200);
  StopProgram(pid, output);
}

// Readers that take an update file slowly cost the server a socket each, not a copy of the
// file: 200 of them on a 4 MB file leave its memory where it was, and others are served.
TEST(HostileClientProgram, SlowReadersOfAnUpdateFileCostNoCopies) {
  TempFolder folder;
  folder.Write("ion/ticker.ex_", std::string(4 << 20, 'p'));
  pid_t pid;
  int output;
  const int port = StartProgram({"--ion", folder.File("ion")}, &pid, &output);
  ASSERT_GT(port, 0);
  ASSERT_EQ(TickerGet(port, "/ion/ticker.ex_").body.size(), 4u << 20);
  const long before = PeakMemoryKb(pid);
  std::vector<int> readers;
  for (int i = 0; i < 200; ++i) {
    readers.push_back(ConnectFrom(port, "127.0.5." + std::to_string(1 + i % 20)));
    SendBytes(readers.back(), Get("/ion/ticker.ex_"));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(TickerGet(port, "/tlx/update?news=1,rt").status, 200) << "others are served";
  const long after = PeakMemoryKb(pid);
  EXPECT_LT(after - before, 32 * 1024) << "peak memory grew from " << before << " kB";
  for (int fd : readers) close(fd);
  StopProgram(pid, output);
}

}  // namespace
