// The deployment for many users, for real, as the README's recipe makes it: two
// newsrail_server programs behind nginx with the configuration of server/deploy/nginx.conf,
// talked to with libcurl and loaded with wrk. Also the program's log handling on SIGHUP, which
// only a running program shows.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "support/temp_folder.h"
#include "feed/feed_wire.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

struct Reply {
  long status = 0;
  std::string body;
  std::map<std::string, std::string> headers;  // names in lower case

  std::string Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
  }
};

size_t KeepBody(char* data, size_t size, size_t count, void* reply) {
  static_cast<Reply*>(reply)->body.append(data, size * count);
  return size * count;
}

size_t KeepHeader(char* data, size_t size, size_t count, void* reply) {
  const std::string line(data, size * count);
  const size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    value.erase(value.find_last_not_of("\r\n ") + 1);
    static_cast<Reply*>(reply)->headers[name] = value;
  }
  return size * count;
}

// A GET as the ticker would make it; the user agent marks the request in the instances' logs.
Reply Get(int port, const std::string& target, const std::string& cookie = "",
          const std::string& userAgent = "deploy-test",
          const std::vector<std::string>& headers = {}) {
  Reply reply;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return reply;
  curl_slist* lines = nullptr;
  for (const std::string& header : headers) lines = curl_slist_append(lines, header.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, lines);
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + target;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 5000L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
  if (!cookie.empty()) curl_easy_setopt(curl, CURLOPT_COOKIE, cookie.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, KeepBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
  if (curl_easy_perform(curl) == CURLE_OK) {
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  }
  curl_easy_cleanup(curl);
  curl_slist_free_all(lines);
  return reply;
}

bool IsFeed(const Reply& reply) {
  return reply.status == 200 && !reply.body.empty() && reply.body[0] == kTopicMarker;
}

// A child process whose output goes to a file; stopped (and waited for) at the end.
class Child {
 public:
  Child(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() { Stop(SIGTERM); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running() {
    if (pid_ <= 0) return false;
    if (waitpid(pid_, &status_, WNOHANG) == 0) return true;
    pid_ = -1;  // reaped: its number may go to another process
    return false;
  }
  // Sends `signal`, and SIGKILL if it has not ended within five seconds.
  void Stop(int signal) {
    if (pid_ <= 0) return;
    kill(pid_, signal);
    for (int i = 0; i < 500; ++i) {
      if (waitpid(pid_, &status_, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(10ms);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
};

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 10000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

int FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  close(probe);
  return port;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// A work folder in the build tree, removed afterwards.
class WorkFolder {
 public:
  WorkFolder() {
    std::filesystem::create_directories(NEWSRAIL_DEPLOY_WORK_DIR);
    std::string pattern = std::string(NEWSRAIL_DEPLOY_WORK_DIR) + "/run-XXXXXX";
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~WorkFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

class Instance {
 public:
  Instance(const WorkFolder& work, const std::string& name) : log_(work.File(name + ".log")) {
    const std::string portFile = work.File(name + ".port");
    child_ = std::make_unique<Child>(
        std::vector<std::string>{NEWSRAIL_SERVER_BINARY, "--port", "0", "--port-file", portFile,
                                 "--content", NEWSRAIL_SAMPLE_DIR, "--log", log_,
                                 "--session-secret", work.File("session-secret"),
                                 "--trusted-proxy", "127.0.0.1", "--instances", "2",
                                 "--restart-file", work.File("restart-now")},
        work.File(name + ".out"));
    WaitFor([&] { return !ReadWholeFile(portFile).empty(); });
    port_ = std::atoi(ReadWholeFile(portFile).c_str());
  }
  int Port() const { return port_; }
  const std::string& LogPath() const { return log_; }
  std::string Log() const { return ReadWholeFile(log_); }
  Child& Process() { return *child_; }
  // Whether a request line of this instance's log carries the user agent `mark`; Served waits
  // a little for it, since the server writes the line just after answering.
  bool Served(const std::string& mark) const {
    return WaitFor([&] { return Logged(mark); }, 1000ms);
  }
  bool Logged(const std::string& mark) const {
    return Log().find(" user-agent=" + mark + " ") != std::string::npos;
  }

 private:
  std::string log_;
  std::unique_ptr<Child> child_;
  int port_ = 0;
};

class DeployTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(work_.Path().empty());
    // nginx's workers drop to "nobody" when started by root; this folder must stay theirs to
    // reach.
    chmod(work_.Path().c_str(), 0755);
    std::ofstream(work_.File("session-secret")) << "a secret both instances read\n";
    first_ = std::make_unique<Instance>(work_, "first");
    second_ = std::make_unique<Instance>(work_, "second");
    ASSERT_GT(first_->Port(), 0) << ReadWholeFile(work_.File("first.out"));
    ASSERT_GT(second_->Port(), 0) << ReadWholeFile(work_.File("second.out"));
  }

  void StartProxy() {
    // The free port is found by binding and letting go, so another program may take it in
    // between: then nginx ends at once, and it gets another go on another port.
    for (int attempt = 0; attempt < 3; ++attempt) {
      proxyPort_ = FreePort();
      ASSERT_GT(proxyPort_, 0);
      std::string config = ReadWholeFile(NEWSRAIL_NGINX_TEMPLATE);
      ASSERT_NE(config.find("@SERVER2@"), std::string::npos);
      config = Replaced(config, "@PREFIX@", work_.Path());
      config = Replaced(config, "@LISTEN@", "127.0.0.1:" + std::to_string(proxyPort_));
      config = Replaced(config, "@SERVER1@", "127.0.0.1:" + std::to_string(first_->Port()));
      config = Replaced(config, "@SERVER2@", "127.0.0.1:" + std::to_string(second_->Port()));
      std::ofstream(work_.File("nginx.conf")) << config;
      // As the recipe has it: a umask that keeps the logs from other users.
      proxy_ = std::make_unique<Child>(
          std::vector<std::string>{"/bin/sh", "-c",
                                   "umask 027 && exec /usr/sbin/nginx -p \"$0\" -c \"$0/nginx.conf\" "
                                   "-e \"$0/error.log\" -g 'daemon off;'",
                                   work_.Path()},
          work_.File("nginx.out"));
      if (WaitFor([&] { return !proxy_->Running() || Get(proxyPort_, "/").status == 200; }) &&
          proxy_->Running()) {
        return;
      }
      proxy_.reset();
    }
    FAIL() << "nginx did not start: " << ReadWholeFile(work_.File("nginx.out"))
           << ReadWholeFile(work_.File("error.log"));
  }

  void TearDown() override {
    // SIGQUIT: nginx finishes what it is doing and ends, with its workers.
    if (proxy_ != nullptr) proxy_->Stop(SIGQUIT);
  }

  // Which instance logged the request marked `mark`: 1, 2, 3 for both, 0 for neither.
  int ServedBy(const std::string& mark) const {
    WaitFor([&] { return first_->Logged(mark) || second_->Logged(mark); }, 2000ms);
    return (first_->Logged(mark) ? 1 : 0) + (second_->Logged(mark) ? 2 : 0);
  }

  WorkFolder work_;
  std::unique_ptr<Instance> first_, second_;
  std::unique_ptr<Child> proxy_;
  int proxyPort_ = 0;
};

TEST_F(DeployTest, LoginOnOneInstanceServesTheDataRequestOnTheOther) {
  ASSERT_NO_FATAL_FAILURE(StartProxy());
  int crossed = 0;
  for (int round = 0; round < 4; ++round) {
    const std::string login = "login-" + std::to_string(round);
    const std::string data = "data-" + std::to_string(round);
    const Reply answer =
        Get(proxyPort_, "/config/tlxlogin?login=bob+smith&passwd=open+sesame", "", login);
    ASSERT_EQ(answer.status, 200);
    ASSERT_NE(answer.body.find("OK"), std::string::npos) << answer.body;
    const std::string setCookie = answer.Header("set-cookie");
    const std::string cookie = setCookie.substr(0, setCookie.find(';'));
    const Reply feed = Get(proxyPort_, "/tlx/update&13450" + std::to_string(round), cookie, data);
    EXPECT_TRUE(IsFeed(feed)) << round << ": " << feed.body;
    EXPECT_EQ(feed.headers.count("x-cache-status"), 0u) << "the account form is never cached";

    const int loginBy = ServedBy(login), dataBy = ServedBy(data);
    EXPECT_TRUE(loginBy == 1 || loginBy == 2) << "one instance answers the login: " << loginBy;
    EXPECT_TRUE(dataBy == 1 || dataBy == 2) << "one instance answers the data: " << dataBy;
    if (loginBy != dataBy) ++crossed;
  }
  EXPECT_GE(crossed, 2) << "nginx takes turns between the instances";
  // Neither instance's log holds the password.
  const std::string logs = first_->Log() + second_->Log();
  EXPECT_EQ(logs.find("sesame"), std::string::npos);
  EXPECT_NE(logs.find("query=login=bob+smith&passwd=*"), std::string::npos) << logs;
}

TEST_F(DeployTest, ProxyKeepsFeedsByTheQueryWithoutItsTimeStamp) {
  ASSERT_NO_FATAL_FAILURE(StartProxy());
  const std::string query = "/tlx/update?stocks=INTC,MSFT&weather=f,JFK&news=3,rt,rc,&";
  const Reply first = Get(proxyPort_, query + "134501", "", "cache-1");
  ASSERT_TRUE(IsFeed(first)) << first.body;
  EXPECT_EQ(first.Header("x-cache-status"), "MISS");
  const Reply second = Get(proxyPort_, query + "134502", "", "cache-2");
  EXPECT_EQ(second.Header("x-cache-status"), "HIT");
  EXPECT_EQ(second.body, first.body);
  EXPECT_EQ(second.Header("cache-control"), "no-cache") << "the ticker still must not keep it";
  const int firstBy = ServedBy("cache-1");
  EXPECT_TRUE(firstBy == 1 || firstBy == 2) << firstBy;
  EXPECT_EQ(ServedBy("cache-2"), 0) << "the second came from the cache";

  const Reply other = Get(proxyPort_, "/tlx/update?stocks=INTC&news=3,rt,&134503");
  EXPECT_TRUE(IsFeed(other));
  EXPECT_EQ(other.Header("x-cache-status"), "MISS") << "another selection is another feed";

  // A restart notice is for one ticker: the next request with that query gets a feed. Both
  // instances watch the same file; the one that removes it gives the notice.
  const std::string restarted = "/tlx/update?stocks=VXLO&news=2,rw,&";
  std::ofstream(work_.File("restart-now")) << "";
  const Reply notice = Get(proxyPort_, restarted + "101010");
  EXPECT_EQ(notice.body, "Please restart");
  EXPECT_FALSE(std::filesystem::exists(work_.File("restart-now")));
  const Reply after = Get(proxyPort_, restarted + "101011");
  EXPECT_TRUE(IsFeed(after)) << after.body;
  EXPECT_EQ(after.Header("x-cache-status"), "MISS");
}

// wrk's summary: requests, and those that failed (not 2xx or 3xx, or a socket error).
struct LoadResult {
  long requests = 0;
  long failed = 0;
};

LoadResult ReadWrkSummary(const std::string& text) {
  LoadResult result;
  const size_t requests = text.find(" requests in ");
  if (requests != std::string::npos) {
    result.requests = std::atol(text.c_str() + text.rfind('\n', requests) + 1);
  }
  const size_t errors = text.find("Socket errors:");
  if (errors != std::string::npos) {
    for (const char* kind : {"connect ", "read ", "write ", "timeout "}) {
      result.failed += std::atol(text.c_str() + text.find(kind, errors) + std::strlen(kind));
    }
  }
  const size_t bad = text.find("Non-2xx or 3xx responses:");
  if (bad != std::string::npos) result.failed += std::atol(text.c_str() + bad + 25);
  return result;
}

// 300 connections at once through the proxy, all from one address: the instances do not cap
// the proxy, and a login in the middle of it is answered.
TEST_F(DeployTest, ThreeHundredConnectionsThroughTheProxyAreServed) {
  ASSERT_NO_FATAL_FAILURE(StartProxy());
  Child load({"/usr/bin/wrk", "-t2", "-c300", "-d4s",
              "http://127.0.0.1:" + std::to_string(proxyPort_) + "/quotes/q?s=INTC"},
             work_.File("wrk.out"));
  std::this_thread::sleep_for(1500ms);
  const Reply login = Get(proxyPort_, "/config/tlxlogin?login=alice&passwd=wonderland");
  EXPECT_EQ(login.status, 200);
  EXPECT_NE(login.body.find("OK"), std::string::npos) << login.body;
  ASSERT_TRUE(WaitFor([&] { return !load.Running(); }, 30000ms));
  const std::string summary = ReadWholeFile(work_.File("wrk.out"));
  const LoadResult result = ReadWrkSummary(summary);
  EXPECT_GT(result.requests, 1000) << summary;
  EXPECT_LT(result.failed * 1000, result.requests) << "under 0.1 % failed\n" << summary;
  EXPECT_LT(std::filesystem::file_size(work_.File("error.log")), 100000u)
      << ReadWholeFile(work_.File("error.log")).substr(0, 2000);
}

// A request the instances refuse is answered with a 4xx (by them or by nginx), and nginx does
// not take the instances for dead: the requests after it are all answered.
TEST_F(DeployTest, ABadRequestDoesNotTakeTheDeploymentDown) {
  ASSERT_NO_FATAL_FAILURE(StartProxy());
  std::string pairs = "c=v", arguments;
  for (int i = 0; i < 250; ++i) pairs += "; c" + std::to_string(i) + "=v";
  for (int i = 0; i < 300; ++i) arguments += "&a" + std::to_string(i) + "=" + std::to_string(i);
  std::vector<std::string> cookieLines;
  for (int i = 0; i < 200; ++i) cookieLines.push_back("Cookie: a" + std::to_string(i) + "=b");
  const struct {
    const char* name;
    std::string target;
    std::vector<std::string> headers;
  } rows[] = {
      {"250 cookie pairs", "/quotes/q?s=INTC", {"Cookie: " + pairs}},
      {"200 Cookie lines", "/quotes/q?s=INTC", cookieLines},
      {"a 16 KB cookie", "/quotes/q?s=INTC", {"Cookie: x=" + std::string(16384, 'y')}},
      {"300 query arguments", "/tlx/update?news=1,rt" + arguments, {}},
      {"a dot segment", "/config/../quotes/q?s=INTC", {}},
  };
  for (const auto& row : rows) {
    const Reply bad = Get(proxyPort_, row.target, "", "bad", row.headers);
    EXPECT_TRUE(bad.status == 200 || (bad.status >= 400 && bad.status < 500))
        << row.name << ": " << bad.status;
    for (int i = 0; i < 20; ++i) {
      EXPECT_EQ(Get(proxyPort_, "/quotes/q?s=MSFT").status, 200) << row.name << ", request " << i;
    }
  }
}

// No password reaches a file nginx writes, also when an instance fails during a login; the
// logs are not for other users.
TEST_F(DeployTest, NoPasswordInAnyFileNginxWrote) {
  ASSERT_NO_FATAL_FAILURE(StartProxy());
  EXPECT_NE(Get(proxyPort_, "/config/tlxlogin?login=alice&passwd=wonderland").body.find("OK"),
            std::string::npos);
  Get(proxyPort_, "/config/tlxlogin?login=alice&passwd=guess-one");
  Get(proxyPort_, "/config/tlxlogin?PASSWD=guess-two&login=alice");
  Get(proxyPort_, "/tlx/update?news=1,rt&passwd=guess-three&123456");
  Get(proxyPort_, "/config/eval_suggest?login=dora&passwd=guess-four");
  second_->Process().Stop(SIGKILL);
  for (int i = 0; i < 4; ++i) Get(proxyPort_, "/config/tlxlogin?login=bob&passwd=guess-five");
  Get(proxyPort_, "/");
  proxy_->Stop(SIGQUIT);  // everything written out

  std::vector<std::string> files = {work_.File("access.log"), work_.File("error.log"),
                                    work_.File("nginx.out"), work_.File("nginx.pid")};
  for (const auto& entry : std::filesystem::recursive_directory_iterator(work_.Path())) {
    const std::string name = entry.path().filename().string();
    const std::string parent = entry.path().parent_path().filename().string();
    if (entry.is_regular_file() && entry.path().string().find("/cache/") != std::string::npos) {
      files.push_back(entry.path().string());
    }
    if (entry.is_regular_file() && parent.size() > 5 && parent.substr(parent.size() - 5) == "_temp") {
      files.push_back(entry.path().string());
    }
  }
  for (const std::string& file : files) {
    const std::string text = ReadWholeFile(file);
    for (const char* secret : {"wonderland", "guess-"}) {
      EXPECT_EQ(text.find(secret), std::string::npos) << file << " holds " << secret;
    }
  }
  EXPECT_NE(ReadWholeFile(work_.File("access.log")).find("/config/tlxlogin?(hidden)"),
            std::string::npos);
  for (const char* log : {"access.log", "error.log"}) {
    struct stat status;
    ASSERT_EQ(stat(work_.File(log).c_str(), &status), 0) << log;
    EXPECT_EQ(status.st_mode & 027, 0u) << log << " is " << std::oct << (status.st_mode & 0777);
  }
}

// The feed's path never serves a page: not when the client's path walks there from another
// one, and not from the cache afterwards.
TEST_F(DeployTest, TheFeedsPathNeverServesAPage) {
  ASSERT_NO_FATAL_FAILURE(StartProxy());
  const std::string query = "?stocks=INTC&news=2,rt,&";
  const char* const paths[] = {"/weather/../tlx/update", "/weather/%2e%2e/tlx/update",
                               "/tlx/./update", "/tlx//update", "/tlx/update"};
  int stamp = 111111;
  for (const char* path : paths) {
    for (int i = 0; i < 2; ++i) {
      const Reply reply = Get(proxyPort_, path + query + std::to_string(stamp++));
      EXPECT_TRUE(IsFeed(reply)) << path << ": " << reply.status << " " << reply.body.substr(0, 60);
      EXPECT_EQ(reply.Header("content-type").find("html"), std::string::npos) << path;
    }
  }
  const Reply page = Get(proxyPort_, "/weather/../tlx/update&123456");
  EXPECT_EQ(page.body.find("<html"), std::string::npos) << page.status;
}

TEST_F(DeployTest, ProgramReopensItsLogOnSighup) {
  Instance& instance = *first_;
  ASSERT_TRUE(IsFeed(Get(instance.Port(), "/tlx/update?news=2,rt,&120000", "", "before-hup")));
  ASSERT_TRUE(instance.Served("before-hup"));
  const std::string moved = instance.LogPath() + ".1";
  ASSERT_EQ(std::rename(instance.LogPath().c_str(), moved.c_str()), 0);
  ASSERT_EQ(kill(instance.Process().Pid(), SIGHUP), 0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(instance.LogPath()); }))
      << "the log is opened anew";
  EXPECT_TRUE(instance.Process().Running()) << "SIGHUP does not end the server";
  ASSERT_TRUE(IsFeed(Get(instance.Port(), "/tlx/update?news=2,rt,&120001", "", "after-hup")));
  EXPECT_TRUE(instance.Served("after-hup"));
  EXPECT_EQ(ReadWholeFile(moved).find("after-hup"), std::string::npos);
  EXPECT_NE(ReadWholeFile(moved).find("before-hup"), std::string::npos);
  struct stat status;
  ASSERT_EQ(stat(instance.LogPath().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

}  // namespace
