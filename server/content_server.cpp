// Request routing, and cpp-httplib around it.
#include "content_server.h"

#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "data_request.h"
#include "portal_pages.h"
#include "query_text.h"

namespace {

constexpr const char* kFeedType = "text/plain; charset=windows-1252";
constexpr const char* kTextType = "text/plain; charset=windows-1252";
constexpr const char* kHtmlType = "text/html; charset=windows-1252";
constexpr std::string_view kDataPath = "/tlx/update";
constexpr std::string_view kLoginPath = "/config/tlxlogin";
constexpr std::string_view kUpdateFolder = "/ion/";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

HttpAnswer TextAnswer(int status, std::string body) {
  HttpAnswer answer;
  answer.status = status;
  answer.contentType = kTextType;
  answer.body = std::move(body);
  return answer;
}

}  // namespace

struct ContentServer::Http {
  httplib::Server server;
};

ContentOptions ContentOptionsFor(const ServerConfig& config) {
  ServerConfig resolved = config;
  ResolveContentPaths(&resolved);
  ContentOptions options;
  options.feeds = resolved.feeds;
  options.quotes = resolved.quotes;
  options.weather = resolved.weather;
  options.accounts = resolved.accounts;
  options.sponsorFile = resolved.sponsorFile;
  options.sponsorImage = resolved.sponsorImage;
  options.refreshInterval = std::chrono::seconds(resolved.refreshSeconds);
  options.fetch.timeoutSeconds = resolved.fetchTimeoutSeconds;
  options.fetch.maxBytes = resolved.fetchMaxBytes;
  return options;
}

ContentServer::ContentServer(ServerConfig config)
    : config_(std::move(config)),
      content_(ContentOptionsFor(config_), &log_),
      restartArmed_(config_.restartOnce) {}

ContentServer::~ContentServer() { Stop(); }

bool ContentServer::Start(std::string* error) {
  if (!config_.log.empty() && !log_.Open(config_.log)) {
    *error = "cannot open the log " + config_.log;
    return false;
  }
  if (!config_.sessionSecret.empty() && !sessionKeys_.LoadSecret(config_.sessionSecret, error)) {
    return false;
  }
  http_ = std::make_unique<Http>();
  httplib::Server& server = http_->server;
  const size_t threads = static_cast<size_t>(config_.threads);
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server.set_keep_alive_max_count(1000);
  server.set_keep_alive_timeout(5);
  server.set_read_timeout(5, 0);
  server.set_write_timeout(5, 0);
  server.set_payload_max_length(64 * 1024);
  server.set_tcp_nodelay(true);

  // Every request is routed here, before (and instead of) httplib's pattern routing.
  server.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        const std::string cookie = request.get_header_value("Cookie");
        const std::string realIp = request.get_header_value("X-Real-IP");
        HttpAnswer answer =
            Answer({request.method, request.target, cookie, request.remote_addr, realIp});
        response.status = answer.status;
        if (!answer.setCookie.empty()) response.set_header("Set-Cookie", answer.setCookie);
        response.set_header("Cache-Control", "no-cache");
        response.set_header("Pragma", "no-cache");
        response.set_content(std::move(answer.body), answer.contentType.c_str());
        return httplib::Server::HandlerResponse::Handled;
      });
  server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    const std::string_view target = request.target;
    const size_t mark = target.find('?');
    const std::string host = request.get_header_value("Host");
    const std::string referer = request.get_header_value("Referer");
    const std::string cookie = request.get_header_value("Cookie");
    const std::string userAgent = request.get_header_value("User-Agent");
    // WinINet may send several Accept headers; the log shows them all.
    std::string accept;
    for (size_t i = 0; i < request.get_header_value_count("Accept"); ++i) {
      if (i > 0) accept += ", ";
      accept += request.get_header_value("Accept", i);
    }
    RequestRecord record;
    record.method = request.method;
    record.path = target.substr(0, mark);
    record.query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    record.status = response.status;
    record.bytes = response.body.size();
    record.host = host;
    record.referer = referer;
    record.accept = accept;
    record.cookie = cookie;
    record.userAgent = userAgent;
    record.proxyAuthorization = request.has_header("Proxy-Authorization");
    record.authorization = request.has_header("Authorization");
    log_.LogRequest(record);
  });

  if (config_.port == 0) {
    port_ = server.bind_to_any_port(config_.bind);
    if (port_ <= 0) port_ = 0;
  } else if (server.bind_to_port(config_.bind, config_.port)) {
    port_ = config_.port;
  }
  if (port_ == 0) {
    *error = "cannot listen on " + config_.bind + ":" + std::to_string(config_.port);
    http_.reset();
    return false;
  }

  publicUrl_ = config_.publicUrl;
  if (publicUrl_.empty()) {
    const bool wildcard = config_.bind == "0.0.0.0" || config_.bind == "::";
    publicUrl_ = "http://" + (wildcard ? std::string("127.0.0.1") : config_.bind) + ":" +
                 std::to_string(port_);
  }
  content_.SetPublicUrl(publicUrl_);
  content_.Refresh(true);
  content_.StartRefreshing();

  auto finished = std::make_shared<std::atomic<bool>>(false);
  listener_ = std::thread([&server, finished] {
    server.listen_after_bind();
    *finished = true;
  });
  // stop() is ignored until the listener runs, so wait for it; the socket is bound already, so
  // clients that connect meanwhile wait in the backlog.
  while (!server.is_running() && !*finished) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (*finished) {
    *error = "the listener on port " + std::to_string(port_) + " stopped at once";
    Stop();
    return false;
  }
  return true;
}

void ContentServer::Stop() {
  if (http_ != nullptr) {
    http_->server.stop();
    if (listener_.joinable()) listener_.join();
    http_.reset();
  }
  content_.StopRefreshing();
}

bool ContentServer::TakeRestartNotice() {
  if (restartArmed_.exchange(false)) return true;
  // Removing the file is what claims the notice, so two requests never both get it.
  return !config_.restartFile.empty() && unlink(config_.restartFile.c_str()) == 0;
}

HttpAnswer ContentServer::Answer(const HttpQuestion& question) {
  const size_t mark = question.target.find('?');
  const std::string_view path = question.target.substr(0, mark);
  const std::string_view query =
      mark == std::string_view::npos ? std::string_view() : question.target.substr(mark + 1);

  if (question.method != "GET" && question.method != "HEAD") {
    return TextAnswer(405, "Only GET and HEAD are served here.\n");
  }
  // The account form puts the time stamp straight after the path with '&' and no '?'.
  if (path == kDataPath || StartsWith(path, std::string(kDataPath) + "&")) {
    return AnswerDataRequest(query, mark != std::string_view::npos, question.cookie);
  }
  if (path == kLoginPath) return AnswerLogin(query, ClientAddress(question));

  const SnapshotPointer content = content_.Snapshot();
  if (path == config_.sponsorPath || path == config_.sponsorImagePath) {
    const bool image = path == config_.sponsorImagePath;
    const std::string& bytes = image ? content->sponsorImage : content->sponsorText;
    if (bytes.empty()) return TextAnswer(404, "No sponsor file.\n");
    HttpAnswer answer;
    answer.contentType = image ? "image/bmp" : kTextType;
    answer.body = bytes;
    return answer;
  }
  if (StartsWith(path, kUpdateFolder)) return AnswerUpdateFile(path);
  PageAnswer page = PortalPage(*content, path, query);
  HttpAnswer answer;
  answer.status = page.status;
  answer.contentType = kHtmlType;
  answer.body = std::move(page.html);
  return answer;
}

HttpAnswer ContentServer::AnswerUpdateFile(std::string_view path) {
  // The software update lives here: the ticker asks for "/ion/ticker.ex_" (whose Last-Modified
  // date marks the version), "/ion/update.txt", "/ion/vexlodb.dll" and "/ion/vinstall.exe".
  // Until those are published a 404 tells it that there is nothing newer.
  (void)path;
  return TextAnswer(404, "No update files are published.\n");
}

HttpAnswer ContentServer::AnswerDataRequest(std::string_view query, bool hasQuery,
                                            std::string_view cookie) {
  if (TakeRestartNotice()) return TextAnswer(200, kRestartAnswer);
  const SnapshotPointer content = content_.Snapshot();
  HttpAnswer answer;
  answer.contentType = kFeedType;
  if (hasQuery) {
    answer.body = ComposeFeed(*content, ParseDataQuery(query));
    return answer;
  }
  // No query: the account's own selection, found through the login's session cookie. Without a
  // valid session (expired, forged, from before a password change, or no login at all) the
  // ticker is asked to log in again, which is what it does on "Please restart".
  const std::time_t now = std::time(nullptr);
  const Account* account = nullptr;
  std::time_t expiry = 0;
  if (sessionKeys_.Check(CookieValue(cookie, kSessionCookie), content->accounts, now, &account,
                         &expiry) != SessionCheck::kValid ||
      !account->setupComplete) {
    return TextAnswer(200, kRestartAnswer);
  }
  if (sessionKeys_.ShouldRenew(expiry, now)) {
    answer.setCookie = SessionCookieHeader(sessionKeys_.Issue(*account, now));
  }
  answer.body = ComposeFeed(*content, SelectionForAccount(*account));
  return answer;
}

std::string ContentServer::ClientAddress(const HttpQuestion& question) const {
  const std::string peer(question.peer);
  if (question.realIp.empty() || question.realIp.size() > 64) return peer;
  for (const std::string_view proxy : SplitList(config_.trustedProxies)) {
    if (proxy == peer) return std::string(question.realIp);
  }
  return peer;
}

HttpAnswer ContentServer::AnswerLogin(std::string_view query, const std::string& client) {
  const std::vector<QueryPart> parts = SplitQuery(query);
  const QueryPart* login = FindQueryPart(parts, "login");
  const QueryPart* password = FindQueryPart(parts, "passwd");
  if (login == nullptr || password == nullptr) {
    return TextAnswer(200, "ERROR: the login needs an ID and a password.\n");
  }
  const SnapshotPointer content = content_.Snapshot();
  // '+' stays '+': the ticker sends spaces that way too, and CheckLogin treats both alike.
  const std::string userId = PercentDecode(login->value, false);
  const Account* named = FindAccount(content->accounts, userId);
  const std::string accountKey = named != nullptr ? named->userId : std::string();
  const auto now = LoginGuard::Clock::now();
  // Refused without looking at the password, so backing off costs a guesser every guess. The
  // ticker shows "ERROR:" answers as a bad login.
  if (!loginGuard_.Allowed(client, accountKey, now)) {
    return TextAnswer(200, "ERROR: too many failed logins; wait a few minutes and try again.\n");
  }
  const Account* account = nullptr;
  switch (CheckLogin(content->accounts, userId, PercentDecode(password->value, false), &account)) {
    case LoginResult::kOk: {
      loginGuard_.Succeeded(accountKey, now);
      HttpAnswer answer = TextAnswer(200, "OK\n");
      answer.setCookie = SessionCookieHeader(sessionKeys_.Issue(*account, std::time(nullptr)));
      return answer;
    }
    case LoginResult::kSetupIncomplete:
      loginGuard_.Succeeded(accountKey, now);
      return TextAnswer(200, "Your account set-up is incomplete: enter your preferences.\n");
    case LoginResult::kRefused:
      break;
  }
  loginGuard_.Failed(client, accountKey, now);
  return TextAnswer(200, "ERROR: unknown ID or wrong password.\n");
}
