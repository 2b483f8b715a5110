// Request routing over the HTTP layer (http_server.h), and the request log's lines.
#include "content_server.h"

#include <unistd.h>

#include <chrono>
#include <ctime>

#include "data_request.h"
#include "portal_pages.h"
#include "query_text.h"
#include "update_files.h"

namespace {

constexpr const char* kFeedType = "text/plain; charset=windows-1252";
constexpr const char* kTextType = "text/plain; charset=windows-1252";
constexpr const char* kHtmlType = "text/html; charset=windows-1252";
constexpr const char* kAllowed = "GET, HEAD";
constexpr std::string_view kDataPath = "/tlx/update";
constexpr std::string_view kLoginPath = "/config/tlxlogin";
constexpr std::string_view kUpdateFolder = "/ion/";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

HttpAnswer TextAnswer(int status, std::string body) {
  HttpAnswer answer;
  answer.status = status;
  answer.contentType = kTextType;
  answer.body = std::move(body);
  return answer;
}

HttpAnswer MethodNotAllowed() {
  HttpAnswer answer = TextAnswer(405, "Only GET and HEAD are served here.\n");
  answer.allow = kAllowed;
  return answer;
}

}  // namespace

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
  if (!resolved.stateDir.empty()) options.passwordHistory = resolved.stateDir + "/password-changes";
  return options;
}

ContentServer::ContentServer(ServerConfig config)
    : config_(std::move(config)),
      content_(ContentOptionsFor(config_), &log_),
      loginGuard_([&] {
        LoginGuard::Limits limits;
        limits.instances = config_.instances;
        return limits;
      }()),
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
  if (!config_.stateDir.empty() && access(config_.stateDir.c_str(), W_OK | X_OK) != 0) {
    *error = "cannot write in the state folder " + config_.stateDir;
    return false;
  }
  HttpLimits limits;
  limits.threads = config_.threads;
  limits.maxConnections = config_.maxConnections;
  limits.maxConnectionsPerAddress = config_.maxConnectionsPerAddress;
  limits.maxIncompleteHeads = config_.maxIncompleteHeads;
  limits.headerTimeoutSeconds = config_.headerTimeoutSeconds;
  limits.idleTimeoutSeconds = config_.idleTimeoutSeconds;
  limits.maxHeadBytes = config_.maxHeadBytes;
  limits.maxRequestsPerConnection = config_.maxRequestsPerConnection;
  limits.listenBacklog = config_.listenBacklog;
  for (const std::string_view proxy : SplitList(config_.trustedProxies)) {
    limits.trustedProxies.emplace_back(proxy);
  }
  http_ = std::make_unique<HttpServer>(
      limits,
      [this](const HttpRequest& request) {
        return Answer({request.head.method, request.head.target, request.cookie, request.peer,
                       request.realIp, request.ifModifiedSince});
      },
      [this](const HttpRequest& request, const HttpAnswer& answer) { LogAnswer(request, answer); },
      [this] { log_.Flush(); });
  if (!http_->Start(config_.bind, config_.port, error)) {
    http_.reset();
    return false;
  }
  port_ = http_->Port();

  publicUrl_ = config_.publicUrl;
  if (publicUrl_.empty()) {
    const bool wildcard = config_.bind == "0.0.0.0" || config_.bind == "::";
    publicUrl_ = "http://" + (wildcard ? std::string("127.0.0.1") : config_.bind) + ":" +
                 std::to_string(port_);
  }
  content_.SetPublicUrl(publicUrl_);
  content_.Refresh(true);
  content_.StartRefreshing();
  return true;
}

void ContentServer::Stop() {
  if (http_ != nullptr) http_->Stop();
  http_.reset();
  content_.StopRefreshing();
}

void ContentServer::LogAnswer(const HttpRequest& request, const HttpAnswer& answer) {
  const std::string_view target = request.head.target;
  const size_t mark = target.find('?');
  RequestRecord record;
  record.method = request.head.method;
  record.path = target.substr(0, mark);
  record.query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
  record.status = answer.status;
  record.bytes = answer.BodyBytes();
  record.host = request.host;
  record.referer = request.referer;
  record.accept = request.accept;
  record.cookie = request.cookie;
  record.userAgent = request.userAgent;
  record.proxyAuthorization = request.proxyAuthorization;
  record.authorization = request.authorization;
  log_.LogRequest(record);
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

  if (question.method != "GET" && question.method != "HEAD") return MethodNotAllowed();
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
  if (StartsWith(path, kUpdateFolder)) return AnswerUpdateFile(path, question.ifModifiedSince);
  PageAnswer page = PortalPage(*content, path, query);
  HttpAnswer answer;
  answer.status = page.status;
  answer.contentType = kHtmlType;
  answer.body = std::move(page.html);
  return answer;
}

HttpAnswer ContentServer::AnswerUpdateFile(std::string_view path,
                                           std::string_view ifModifiedSince) {
  // The software update lives here: the ticker asks for "/ion/ticker.ex_" (whose Last-Modified
  // date marks the version), "/ion/update.txt", "/ion/vexlodb.dll" and "/ion/vinstall.exe", and
  // for each program file its signature, the same path with ".sig". Without a folder to serve a
  // 404 tells it that there is nothing newer.
  if (config_.ion.empty()) return TextAnswer(404, "No update files are published.\n");
  UpdateFile file;
  switch (OpenUpdateFile(config_.ion, path.substr(kUpdateFolder.size()), &file)) {
    case UpdateFileRead::kRead:
      break;
    case UpdateFileRead::kMissing:
      return TextAnswer(404, "No such update file.\n");
    case UpdateFileRead::kFailed:
      return TextAnswer(500, "The update file cannot be read.\n");
  }
  HttpAnswer answer;
  answer.contentType = EndsWith(path, ".txt") ? kTextType : "application/octet-stream";
  answer.lastModified = HttpDate(file.modified);
  std::time_t since = 0;
  if (!ifModifiedSince.empty() && ParseHttpDate(ifModifiedSince, &since) &&
      file.modified <= since) {
    answer.status = 304;
    return answer;
  }
  answer.file = std::move(file.file);
  return answer;
}

HttpAnswer ContentServer::AnswerDataRequest(std::string_view query, bool hasQuery,
                                            std::string_view cookie) {
  if (TakeRestartNotice()) return TextAnswer(200, kRestartAnswer);
  const SnapshotPointer content = content_.Snapshot();
  HttpAnswer answer;
  answer.contentType = kFeedType;
  if (hasQuery) {
    answer.prepared = PreparedFeed(content, query);
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

std::shared_ptr<const std::string> ContentServer::PreparedFeed(const SnapshotPointer& content,
                                                                std::string_view query) {
  // Bounded: past it the feeds kept are dropped, so a client that asks for a new selection
  // every time costs a composition each (as it would without them) and no more memory.
  constexpr size_t kMaxBytes = 4 << 20;
  constexpr size_t kEntryBytes = 64;  // what the table spends on an entry besides its bytes
  std::string key = DataQueryKey(query);
  {
    std::lock_guard<std::mutex> lock(prepared_.mutex);
    if (prepared_.content == content) {
      const auto found = prepared_.feeds.find(key);
      if (found != prepared_.feeds.end()) return found->second;
    }
  }
  auto feed = std::make_shared<const std::string>(ComposeFeed(*content, ParseDataQuery(query)));
  const size_t cost = kEntryBytes + key.size() + feed->size();
  std::lock_guard<std::mutex> lock(prepared_.mutex);
  if (prepared_.content != content || prepared_.bytes + cost > kMaxBytes) {
    prepared_.feeds.clear();
    prepared_.bytes = 0;
    prepared_.content = content;
  }
  if (prepared_.feeds.emplace(std::move(key), feed).second) prepared_.bytes += cost;
  return feed;
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
      loginGuard_.Succeeded(client, accountKey, now);
      HttpAnswer answer = TextAnswer(200, "OK\n");
      answer.setCookie = SessionCookieHeader(sessionKeys_.Issue(*account, std::time(nullptr)));
      return answer;
    }
    case LoginResult::kSetupIncomplete:
      loginGuard_.Succeeded(client, accountKey, now);
      return TextAnswer(200, "Your account set-up is incomplete: enter your preferences.\n");
    case LoginResult::kRefused:
      break;
  }
  loginGuard_.Failed(client, accountKey, now);
  return TextAnswer(200, "ERROR: unknown ID or wrong password.\n");
}
