// Request routing, and libmicrohttpd around it.
//
// The HTTP layer runs a few event loops (one epoll loop a thread), so a slow or idle client holds
// a connection, never a thread. What a hostile client could otherwise take is bounded here: the
// bytes of a request head (the connection's memory pool), the time to send it (a deadline for the
// whole head, not per byte), the connections in all and per address, and the requests per
// connection. A request never carries a body, so no bytes after a head are ever read as a
// request of their own.
#include "content_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "data_request.h"
#include "update_files.h"
#include "portal_pages.h"
#include "query_text.h"

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

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::optional<HttpAnswer> RefuseRequest(const RequestHead& head) {
  // Host names the site; two of them, or none where HTTP/1.1 requires one, leave it unclear
  // which site is meant, and a proxy in front may have picked the other one.
  if (head.hostHeaders > 1 || (head.version != "HTTP/1.0" && head.hostHeaders != 1)) {
    return TextAnswer(400, "The request needs exactly one Host header.\n");
  }
  if (head.targetBytes > kMaxTargetBytes) return TextAnswer(414, "The address is too long.\n");
  if (head.transferEncoding || head.contentLengthHeaders > 1) {
    return TextAnswer(400, "A request body is not accepted here.\n");
  }
  if (head.contentLengthHeaders == 1 && head.contentLength > 0) {
    if (head.method != "GET" && head.method != "HEAD") return MethodNotAllowed();
    return TextAnswer(413, "A request body is not accepted here.\n");
  }
  return std::nullopt;
}

// One TCP connection. The library reports a connection closed (and it leaves `open`) before it
// closes the socket, so the watchdog, which shuts sockets down only under the same lock, never
// touches a descriptor number that has passed to another connection.
struct HttpConnection {
  int socket = -1;
  // When the connection began to wait for a request head (accepted, or its last answer sent);
  // 0 while a head is being answered.
  std::atomic<int64_t> waitingSinceMs{0};
  int requests = 0;
  std::string target;  // the raw target of the request being read
  std::string peer;    // the client's address, for the login back-off
};

struct ContentServer::Http {
  ContentServer* owner = nullptr;
  MHD_Daemon* daemon = nullptr;
  int64_t headerTimeoutMs = 0;
  std::atomic<int> connections{0};

  std::mutex mutex;  // guards `open` and `stopping`
  std::unordered_set<HttpConnection*> open;
  bool stopping = false;
  std::condition_variable wake;
  std::thread watchdog;

  static void OnConnection(void* cls, MHD_Connection* connection, void** socketContext,
                           MHD_ConnectionNotificationCode code);
  static void* OnRequestLine(void* cls, const char* uri, MHD_Connection* connection);
  static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url,
                              const char* method, const char* version, const char* uploadData,
                              size_t* uploadDataSize, void** requestContext);
  static void OnCompleted(void* cls, MHD_Connection* connection, void** requestContext,
                          MHD_RequestTerminationCode code);
  void WatchDeadlines();
};

namespace {

HttpConnection* ConnectionOf(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info == nullptr ? nullptr : static_cast<HttpConnection*>(info->socket_context);
}

// The request's header lines as the layer needs them: the first of each for the router and the
// log, counts for the checks, and every Accept line (WinINet may send several).
struct HeaderScan {
  RequestHead head;
  std::string_view host, referer, cookie, userAgent, realIp;
  std::string accept;
  bool proxyAuthorization = false;
  bool authorization = false;
};

bool NameIs(const char* key, const char* name) { return strcasecmp(key, name) == 0; }

MHD_Result ScanHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
  HeaderScan& scan = *static_cast<HeaderScan*>(cls);
  if (value == nullptr) value = "";
  if (NameIs(key, "Host")) {
    if (scan.head.hostHeaders++ == 0) scan.host = value;
  } else if (NameIs(key, "Content-Length")) {
    if (scan.head.contentLengthHeaders++ == 0) {
      // The library has already refused a value that does not read as a number.
      scan.head.contentLength = std::strtoull(value, nullptr, 10);
    }
  } else if (NameIs(key, "Transfer-Encoding")) {
    scan.head.transferEncoding = true;
  } else if (NameIs(key, "Accept")) {
    if (!scan.accept.empty()) scan.accept += ", ";
    scan.accept += value;
  } else if (NameIs(key, "Referer")) {
    if (scan.referer.empty()) scan.referer = value;
  } else if (NameIs(key, "Cookie")) {
    if (scan.cookie.empty()) scan.cookie = value;
  } else if (NameIs(key, "X-Real-IP")) {
    if (scan.realIp.empty()) scan.realIp = value;
  } else if (NameIs(key, "User-Agent")) {
    if (scan.userAgent.empty()) scan.userAgent = value;
  } else if (NameIs(key, "Proxy-Authorization")) {
    scan.proxyAuthorization = true;
  } else if (NameIs(key, "Authorization")) {
    scan.authorization = true;
  }
  return MHD_YES;
}

void FreeBody(void* body) { delete static_cast<std::string*>(body); }

// The client's address as text ("127.0.0.1", "::1"); "" when the socket cannot say.
std::string PeerAddress(MHD_Connection* connection) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  if (info == nullptr || info->client_addr == nullptr) return "";
  char text[INET6_ADDRSTRLEN] = "";
  const sockaddr* address = info->client_addr;
  if (address->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
              sizeof text);
  }
  return text;
}

}  // namespace

void ContentServer::Http::OnConnection(void* cls, MHD_Connection* connection,
                                       void** socketContext, MHD_ConnectionNotificationCode code) {
  Http& http = *static_cast<Http*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    auto* state = new HttpConnection;
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info != nullptr) state->socket = info->connect_fd;
    state->peer = PeerAddress(connection);
    state->waitingSinceMs = NowMs();
    *socketContext = state;
    ++http.connections;
    std::lock_guard<std::mutex> lock(http.mutex);
    http.open.insert(state);
    return;
  }
  auto* state = static_cast<HttpConnection*>(*socketContext);
  if (state == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(http.mutex);
    http.open.erase(state);
  }
  delete state;
  *socketContext = nullptr;
  --http.connections;
}

void* ContentServer::Http::OnRequestLine(void*, const char* uri, MHD_Connection* connection) {
  // The library hands its handler the path decoded and the query split up; the router and the
  // log want the target as it came (the account form's "/tlx/update&134501" has no '?').
  if (HttpConnection* state = ConnectionOf(connection)) state->target = uri;
  return nullptr;
}

MHD_Result ContentServer::Http::OnRequest(void* cls, MHD_Connection* connection, const char*,
                                          const char* method, const char* version, const char*,
                                          size_t* uploadDataSize, void** requestContext) {
  Http& http = *static_cast<Http*>(cls);
  ContentServer& server = *http.owner;
  // The library calls this once when the head is in, then again when the (empty) body is: an
  // answer queued at the first call makes it drop the rest of the request and the connection.
  static int headSeen, answered;
  HttpConnection* state = ConnectionOf(connection);
  if (state == nullptr) return MHD_NO;
  if (*requestContext == &answered) {
    *uploadDataSize = 0;  // bytes the library read before closing; never looked at
    return MHD_YES;
  }
  HeaderScan scan;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, ScanHeader, &scan);
  const std::string_view target = state->target;
  scan.head.method = method;
  scan.head.version = version;
  scan.head.targetBytes = target.size();

  HttpAnswer answer;
  bool closeAfter = true;
  bool busy = false;
  if (*requestContext == nullptr) {
    state->waitingSinceMs = 0;
    ++state->requests;
    std::optional<HttpAnswer> refusal = RefuseRequest(scan.head);
    if (!refusal) {
      *requestContext = &headSeen;
      return MHD_YES;
    }
    answer = std::move(*refusal);
  } else if (http.connections.load() > server.config_.maxConnections) {
    // Connections above the limit (the library accepts a few more) are told to come back.
    answer = TextAnswer(503, "The server is busy; try again shortly.\n");
    busy = true;
  } else {
    answer = server.Answer({method, target, scan.cookie, state->peer, scan.realIp});
    closeAfter = state->requests >= server.config_.maxRequestsPerConnection;
  }
  *requestContext = &answered;

  const size_t mark = target.find('?');
  RequestRecord record;
  record.method = method;
  record.path = target.substr(0, mark);
  record.query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
  record.status = answer.status;
  record.bytes = answer.body.size();
  record.host = scan.host;
  record.referer = scan.referer;
  record.accept = scan.accept;
  record.cookie = scan.cookie;
  record.userAgent = scan.userAgent;
  record.proxyAuthorization = scan.proxyAuthorization;
  record.authorization = scan.authorization;
  server.log_.LogRequest(record);

  auto* body = new std::string(std::move(answer.body));
  MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
      body->size(), body->data(), FreeBody, body);
  if (response == nullptr) {
    delete body;
    return MHD_NO;
  }
  MHD_add_response_header(response, "Content-Type", answer.contentType.c_str());
  MHD_add_response_header(response, "Cache-Control", "no-cache");
  MHD_add_response_header(response, "Pragma", "no-cache");
  if (!answer.setCookie.empty()) {
    MHD_add_response_header(response, "Set-Cookie", answer.setCookie.c_str());
  }
  if (!answer.allow.empty()) MHD_add_response_header(response, "Allow", answer.allow.c_str());
  if (!answer.lastModified.empty()) {
    MHD_add_response_header(response, "Last-Modified", answer.lastModified.c_str());
  }
  if (busy) MHD_add_response_header(response, "Retry-After", "1");
  if (closeAfter) MHD_add_response_header(response, "Connection", "close");
  const MHD_Result queued =
      MHD_queue_response(connection, static_cast<unsigned int>(answer.status), response);
  MHD_destroy_response(response);
  return queued;
}

void ContentServer::Http::OnCompleted(void*, MHD_Connection* connection, void**,
                                      MHD_RequestTerminationCode) {
  // The answer is out: the deadline for the next head on a kept-alive connection starts now.
  if (HttpConnection* state = ConnectionOf(connection)) state->waitingSinceMs = NowMs();
}

void ContentServer::Http::WatchDeadlines() {
  std::unique_lock<std::mutex> lock(mutex);
  while (!stopping) {
    wake.wait_for(lock, std::chrono::milliseconds(100));
    const int64_t now = NowMs();
    for (HttpConnection* state : open) {
      const int64_t since = state->waitingSinceMs.load();
      if (since != 0 && now - since >= headerTimeoutMs && state->socket >= 0) {
        // The library sees the end of the stream and closes the connection itself.
        shutdown(state->socket, SHUT_RDWR);
        state->waitingSinceMs = 0;
      }
    }
  }
}

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
  // A name is looked up once; "::" listens on IPv4 as well, as a wildcard bind is meant to.
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (getaddrinfo(config_.bind.c_str(), std::to_string(config_.port).c_str(), &hints, &found) != 0 ||
      found == nullptr) {
    *error = "cannot listen on " + config_.bind + ": no such address";
    return false;
  }
  sockaddr_storage address{};
  std::memcpy(&address, found->ai_addr, std::min<size_t>(found->ai_addrlen, sizeof address));
  unsigned int flags = MHD_USE_EPOLL_INTERNAL_THREAD;
  if (found->ai_family == AF_INET6) {
    flags |= config_.bind == "::" ? MHD_USE_DUAL_STACK : MHD_USE_IPv6;
  }
  freeaddrinfo(found);

  http_ = std::make_unique<Http>();
  Http& http = *http_;
  http.owner = this;
  http.headerTimeoutMs = int64_t{config_.headerTimeoutSeconds} * 1000;
  // A few connections beyond the limit are still taken, so that their clients hear a 503
  // instead of waiting in the backlog for nothing.
  const int over = std::max(4, config_.maxConnections / 16);
  const int threads = config_.threads;
  MHD_OptionItem options[] = {
      {MHD_OPTION_SOCK_ADDR, 0, &address},
      {MHD_OPTION_LISTENING_ADDRESS_REUSE, 1, nullptr},
      {MHD_OPTION_LISTEN_BACKLOG_SIZE, config_.listenBacklog, nullptr},
      // The library wants a connection or more for each of its threads.
      {MHD_OPTION_CONNECTION_LIMIT,
       static_cast<intptr_t>(std::max(config_.maxConnections + over, threads)), nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, config_.maxConnectionsPerAddress, nullptr},
      {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(config_.maxHeadBytes), nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, config_.idleTimeoutSeconds, nullptr},
      {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
      {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&Http::OnConnection), &http},
      {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&Http::OnRequestLine), &http},
      {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&Http::OnCompleted), &http},
      {threads > 1 ? MHD_OPTION_THREAD_POOL_SIZE : MHD_OPTION_END, threads, nullptr},
      {MHD_OPTION_END, 0, nullptr},
  };
  http.daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &Http::OnRequest, &http,
                                 MHD_OPTION_ARRAY, options, MHD_OPTION_END);
  const MHD_DaemonInfo* bound =
      http.daemon == nullptr ? nullptr : MHD_get_daemon_info(http.daemon, MHD_DAEMON_INFO_BIND_PORT);
  if (bound == nullptr || bound->port == 0) {
    *error = "cannot listen on " + config_.bind + ":" + std::to_string(config_.port);
    if (http.daemon != nullptr) MHD_stop_daemon(http.daemon);
    http_.reset();
    return false;
  }
  port_ = bound->port;
  http.watchdog = std::thread([&http] { http.WatchDeadlines(); });

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
  if (http_ != nullptr) {
    // Stopping the daemon closes every connection (and so empties `open`) before the watchdog
    // is told to end.
    MHD_stop_daemon(http_->daemon);
    {
      std::lock_guard<std::mutex> lock(http_->mutex);
      http_->stopping = true;
    }
    http_->wake.notify_all();
    http_->watchdog.join();
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
  // date marks the version), "/ion/update.txt", "/ion/vexlodb.dll" and "/ion/vinstall.exe", and
  // for each program file its signature, the same path with ".sig". Without a folder to serve a
  // 404 tells it that there is nothing newer.
  if (config_.ion.empty()) return TextAnswer(404, "No update files are published.\n");
  UpdateFile file;
  switch (ReadUpdateFile(config_.ion, path.substr(kUpdateFolder.size()), &file)) {
    case UpdateFileRead::kRead:
      break;
    case UpdateFileRead::kMissing:
      return TextAnswer(404, "No such update file.\n");
    case UpdateFileRead::kFailed:
      return TextAnswer(500, "The update file cannot be read.\n");
  }
  HttpAnswer answer;
  answer.contentType = EndsWith(path, ".txt") ? kTextType : "application/octet-stream";
  answer.body = std::move(file.bytes);
  answer.lastModified = HttpDate(file.modified);
  return answer;
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
