// The HTTP/1.x layer: epoll loops, bounded request heads, answers from memory or by sendfile.
//
// Bounds, and why each is here:
// - a head lives in one buffer of --max-head-bytes; nothing is parsed into further memory (no
//   table of header lines, cookies or query arguments), so a head of many small cookies or
//   arguments costs what its bytes cost and is answered like any other;
// - the whole head has one deadline, counted from the connection or the last answer, and the
//   connections still sending a head have one budget in all: past it the oldest is closed;
// - connections per client address, and in all (a few beyond the limit hear 503; past them
//   new connections wait in the listen backlog);
// - a file is sent from its descriptor, never read into memory.
//
// Connections waiting for a head are on one list, oldest first, under Shared::mutex; another
// loop may shut such a connection's socket down (its deadline or the budget), but only its own
// loop closes the descriptor, after taking it off the list under the same lock.
#include "http_server.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

OpenFile::~OpenFile() { close(fd); }

namespace {

// The processor time the calling thread has used.
int64_t ThreadCpuUs() {
  timespec time{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
  return int64_t{time.tv_sec} * 1000000 + time.tv_nsec / 1000;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

bool IsTokenChar(unsigned char c) {
  static const std::array<bool, 256> kToken = [] {
    std::array<bool, 256> token{};
    for (int b = 0x21; b < 0x7F; ++b) token[b] = std::strchr("\"(),/:;<=>?@[\\]{}", b) == nullptr;
    return token;
  }();
  return kToken[c];
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Whether a comma-separated header value lists `token` (without regard to case).
bool ListsToken(std::string_view list, std::string_view token) {
  while (!list.empty()) {
    const size_t comma = list.find(',');
    if (SameNoCase(TrimSpaces(list.substr(0, comma)), token)) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

// A "." or ".." segment, as the bytes stand or with its dots spelt %2e.
bool HasDotSegment(std::string_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view segment = path.substr(start, end - start);
    int dots = 0;
    while (!segment.empty() && dots < 3) {
      if (segment[0] == '.') {
        segment.remove_prefix(1);
      } else if (segment.size() >= 3 && segment[0] == '%' && segment[1] == '2' &&
                 (segment[2] == 'e' || segment[2] == 'E')) {
        segment.remove_prefix(3);
      } else {
        break;
      }
      ++dots;
    }
    if (segment.empty() && (dots == 1 || dots == 2)) return true;
    start = end + 1;
  }
  return false;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
  }
}

HttpAnswer Refusal(int status) {
  HttpAnswer answer;
  answer.status = status;
  answer.contentType = "text/plain; charset=windows-1252";
  switch (status) {
    case 414: answer.body = "The address is too long.\n"; break;
    case 431: answer.body = "The request head is too large.\n"; break;
    case 505: answer.body = "Only HTTP/1.0 and HTTP/1.1 are served.\n"; break;
    case 503:
      answer.body = "The server is busy; try again shortly.\n";
      answer.retryAfter = true;
      break;
    default: answer.body = "The request does not read as HTTP.\n"; break;
  }
  return answer;
}

// The processors this process may run on (its affinity, which a container or a service's
// CPUAffinity narrows), at least 1.
int ProcessorCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return std::max(1u, std::thread::hardware_concurrency());
}

// A few connections beyond the limit are still taken, so that their clients hear a 503 instead
// of waiting in the backlog for nothing; past them, the backlog holds them.
int HardConnectionLimit(const HttpLimits& limits) {
  return limits.maxConnections + std::max(4, limits.maxConnections / 16);
}

bool IsTrusted(const std::vector<std::string>& proxies, const std::string& peer) {
  return std::find(proxies.begin(), proxies.end(), peer) != proxies.end();
}

}  // namespace

std::optional<HttpAnswer> RefuseRequest(const RequestHead& head) {
  // Host names the site; two of them, or none where HTTP/1.1 requires one, leave it unclear
  // which site is meant, and a proxy in front may have picked the other one.
  auto text = [](int status, const char* body) {
    HttpAnswer answer = Refusal(status);
    answer.body = body;
    return answer;
  };
  if (head.hostHeaders > 1 || (head.version != "HTTP/1.0" && head.hostHeaders != 1)) {
    return text(400, "The request needs exactly one Host header.\n");
  }
  if (head.targetBytes > kMaxTargetBytes) return Refusal(414);
  if (head.transferEncoding || head.contentLengthHeaders > 1 || head.badContentLength) {
    return text(400, "A request body is not accepted here.\n");
  }
  if (head.contentLengthHeaders == 1 && head.contentLength > 0) {
    if (head.method != "GET" && head.method != "HEAD") {
      HttpAnswer answer = text(405, "Only GET and HEAD are served here.\n");
      answer.allow = "GET, HEAD";
      return answer;
    }
    return text(413, "A request body is not accepted here.\n");
  }
  if (HasDotSegment(head.target.substr(0, head.target.find('?')))) {
    return text(400, "The path holds a dot segment.\n");
  }
  return std::nullopt;
}

size_t FindHeadEnd(std::string_view bytes, size_t from) {
  for (size_t i = bytes.find('\n', from); i != std::string_view::npos;
       i = bytes.find('\n', i + 1)) {
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') return i + 2;
    if (i + 2 < bytes.size() && bytes[i + 1] == '\r' && bytes[i + 2] == '\n') return i + 3;
  }
  return 0;
}

int ParseRequestHead(std::string_view head, HttpRequest* request) {
  RequestHead& line = request->head;
  bool first = true, close = false, keepAlive = false;
  while (!head.empty()) {
    const size_t newline = head.find('\n');
    std::string_view text = head.substr(0, newline);
    head.remove_prefix(newline == std::string_view::npos ? head.size() : newline + 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos) return 400;
    if (first) {
      first = false;
      const size_t space1 = text.find(' ');
      const size_t space2 = space1 == std::string_view::npos ? space1 : text.find(' ', space1 + 1);
      if (space2 == std::string_view::npos || text.find(' ', space2 + 1) != std::string_view::npos) {
        return 400;
      }
      line.method = text.substr(0, space1);
      line.target = text.substr(space1 + 1, space2 - space1 - 1);
      line.targetBytes = line.target.size();
      line.version = text.substr(space2 + 1);
      if (line.method.empty() || line.method.size() > 32 || line.target.empty()) return 400;
      for (const char c : line.method) {
        if (!IsTokenChar(static_cast<unsigned char>(c))) return 400;
      }
      const std::string_view v = line.version;
      if (v.size() != 8 || v.substr(0, 5) != "HTTP/" || !std::isdigit((unsigned char)v[5]) ||
          v[6] != '.' || !std::isdigit((unsigned char)v[7])) {
        return 400;
      }
      if (v != "HTTP/1.0" && v != "HTTP/1.1") return 505;
      continue;
    }
    if (text.empty()) break;
    // A folded line (one starting with white space) is refused: proxies read it differently.
    const size_t colon = text.find(':');
    if (colon == 0 || colon == std::string_view::npos) return 400;
    const std::string_view name = text.substr(0, colon);
    for (const char c : name) {
      if (!IsTokenChar(static_cast<unsigned char>(c))) return 400;
    }
    const std::string_view value = TrimSpaces(text.substr(colon + 1));
    if (SameNoCase(name, "Host")) {
      if (line.hostHeaders++ == 0) request->host = value;
    } else if (SameNoCase(name, "Content-Length")) {
      if (line.contentLengthHeaders++ == 0) {
        line.badContentLength = value.empty() || value.size() > 18 ||
                                value.find_first_not_of("0123456789") != std::string_view::npos;
        if (!line.badContentLength) line.contentLength = std::stoull(std::string(value));
      }
    } else if (SameNoCase(name, "Transfer-Encoding")) {
      line.transferEncoding = true;
    } else if (SameNoCase(name, "Accept")) {
      if (!request->accept.empty()) request->accept += ", ";
      request->accept += value;
    } else if (SameNoCase(name, "Cookie")) {
      if (!request->cookie.empty()) request->cookie += "; ";
      request->cookie += value;
    } else if (SameNoCase(name, "Connection")) {
      close = close || ListsToken(value, "close");
      keepAlive = keepAlive || ListsToken(value, "keep-alive");
    } else if (SameNoCase(name, "Referer")) {
      if (request->referer.empty()) request->referer = value;
    } else if (SameNoCase(name, "User-Agent")) {
      if (request->userAgent.empty()) request->userAgent = value;
    } else if (SameNoCase(name, "X-Real-IP")) {
      if (request->realIp.empty()) request->realIp = value;
    } else if (SameNoCase(name, "If-Modified-Since")) {
      if (request->ifModifiedSince.empty()) request->ifModifiedSince = value;
    } else if (SameNoCase(name, "Proxy-Authorization")) {
      request->proxyAuthorization = true;
    } else if (SameNoCase(name, "Authorization")) {
      request->authorization = true;
    }
  }
  if (first) return 400;
  request->keepAlive = !close && (line.version == "HTTP/1.1" || keepAlive);
  return 0;
}

std::string HttpDate(std::time_t time) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday % 7],
                utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour,
                utc.tm_min, utc.tm_sec);
  return text;
}

bool ParseHttpDate(std::string_view text, std::time_t* time) {
  // Only the form HttpDate writes (IMF-fixdate), which is what clients send back.
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (text.size() != 29 || text[3] != ',' || text.substr(25) != " GMT") return false;
  const std::string digits = std::string(text.substr(5, 2)) + std::string(text.substr(12, 4)) +
                             std::string(text.substr(17, 2)) + std::string(text.substr(20, 2)) +
                             std::string(text.substr(23, 2));
  if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const char* month = std::strstr(kMonths, std::string(text.substr(8, 3)).c_str());
  if (month == nullptr || (month - kMonths) % 3 != 0) return false;
  std::tm utc{};
  utc.tm_mday = std::stoi(digits.substr(0, 2));
  utc.tm_mon = static_cast<int>((month - kMonths) / 3);
  utc.tm_year = std::stoi(digits.substr(2, 4)) - 1900;
  utc.tm_hour = std::stoi(digits.substr(6, 2));
  utc.tm_min = std::stoi(digits.substr(8, 2));
  utc.tm_sec = std::stoi(digits.substr(10, 2));
  if (utc.tm_mday < 1 || utc.tm_mday > 31 || utc.tm_hour > 23 || utc.tm_min > 59 ||
      utc.tm_sec > 60) {
    return false;
  }
  *time = timegm(&utc);
  return true;
}

namespace {

// inet_ntop's IPv4 form, without its trip through printf (every connection has an address).
std::string Ipv4Text(const unsigned char* bytes) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    const unsigned b = bytes[i];
    if (b >= 100) text += static_cast<char>('0' + b / 100);
    if (b >= 10) text += static_cast<char>('0' + b / 10 % 10);
    text += static_cast<char>('0' + b % 10);
  }
  return text;
}

}  // namespace

std::string AddressText(const void* storage) {
  const auto* address = static_cast<const sockaddr*>(storage);
  char text[INET6_ADDRSTRLEN] = "";
  if (address->sa_family == AF_INET) {
    return Ipv4Text(
        reinterpret_cast<const unsigned char*>(&static_cast<const sockaddr_in*>(storage)->sin_addr));
  } else if (address->sa_family == AF_INET6) {
    const in6_addr& v6 = static_cast<const sockaddr_in6*>(storage)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      return Ipv4Text(&v6.s6_addr[12]);
    } else {
      inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
  }
  return text;
}

struct HttpServer::Connection {
  int fd = -1;
  Loop* loop = nullptr;
  std::string peer;
  bool capped = false;     // counted against its address's cap
  bool overLimit = false;  // accepted above --max-connections: its request hears 503
  std::string in;          // the head being read, and bytes after it (pipelined requests)
  size_t scanned = 0;      // `in` holds no head end before this
  std::string out;         // the answer's head, and its body when that is in memory
  std::shared_ptr<const std::string> prepared;  // the body after `out`, when it is prepared
  size_t outSent = 0;      // of `out` and `prepared` together
  std::shared_ptr<const OpenFile> file;
  uint64_t fileSent = 0, fileBytes = 0;
  enum State { kReading, kWriting, kLingering } state = kReading;
  bool closeAfter = false;
  // Closing at once could reset the connection under an answer the client has not read yet:
  // after a refusal, or when bytes may follow the last request, it lingers instead.
  bool linger = false;
  bool noDelay = false;    // TCP_NODELAY set (once the connection is kept alive)
  uint32_t watched = 0;    // the epoll events asked for
  int requests = 0;
  int64_t lastActivityMs = 0;
  int64_t lingerUntilMs = 0;
  size_t lingered = 0;
  std::string reportedClient;  // counted for a trusted proxy's client while its answer goes out
  // On the list of connections waiting for a head; guarded by Shared::mutex.
  Connection* prev = nullptr;
  Connection* next = nullptr;
  bool waiting = false;
  bool dropped = false;  // taken off the list by another loop, its socket shut down
  int64_t waitingSinceMs = 0;
};

struct HttpServer::Shared {
  std::mutex mutex;
  Connection* first = nullptr;  // waiting for a head, oldest first
  Connection* last = nullptr;
  int waitingCount = 0;
  int dropping = 0;  // shut down by Drop and not yet closed by their loops
  std::unordered_map<std::string, int> perAddress;
  std::unordered_map<std::string, int> perClient;
  std::atomic<int> connections{0};

  void Link(Connection* c, int64_t now) {
    c->waiting = true;
    c->waitingSinceMs = now;
    c->prev = last;
    c->next = nullptr;
    (last != nullptr ? last->next : first) = c;
    last = c;
    ++waitingCount;
  }
  void Unlink(Connection* c) {
    if (!c->waiting) return;
    (c->prev != nullptr ? c->prev->next : first) = c->next;
    (c->next != nullptr ? c->next->prev : last) = c->prev;
    c->prev = c->next = nullptr;
    c->waiting = false;
    --waitingCount;
  }
  // Its own loop sees the end of the stream and closes the connection.
  void Drop(Connection* c) {
    Unlink(c);
    c->dropped = true;
    ++dropping;
    shutdown(c->fd, SHUT_RDWR);
  }
};

struct HttpServer::Loop {
  HttpServer* server = nullptr;
  int epoll = -1;
  int wake = -1;
  bool listening = false;
  std::thread thread;
  std::unordered_set<Connection*> connections;
  int64_t nextTickMs = 0, nextIdleCheckMs = 0;
  // Which loop this is, and how busy it was over its last tick: its processor time in parts per
  // thousand of the time that passed (read by the next loop, to decide whether to take new
  // connections too).
  size_t index = 0;
  int64_t tickStartUs = 0, tickStartCpuUs = 0;
  std::atomic<int> busyPermille{0};
  std::atomic<int64_t> lastTickMs{0};
  std::time_t dateSecond = -1;
  std::string date;
  bool answered = false;  // in this wake-up

  // What became of a connection after an answer was written to it.
  enum class Sent { kClosed, kPending, kDone };

  void Run();
  void Tick(int64_t now);
  bool WantsConnections(int64_t now) const;
  void Listen(bool on);
  void Accept(int64_t now);
  void OnReadable(Connection* c, int64_t now);
  void Process(Connection* c, int64_t now);
  Sent Answer(Connection* c, const HttpRequest& request, HttpAnswer answer, bool closeAfter,
              size_t headBytes, int64_t now);
  Sent Flush(Connection* c, int64_t now);
  Sent Finished(Connection* c, int64_t now);
  void Watch(Connection* c, uint32_t events);
  void Close(Connection* c);
  const std::string& Date();
};

HttpServer::HttpServer(HttpLimits limits, Router router, Logger logger, Answered answered)
    : limits_(std::move(limits)),
      router_(std::move(router)),
      logger_(std::move(logger)),
      answered_(std::move(answered)) {}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Start(const std::string& bind, int port, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (getaddrinfo(bind.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 ||
      found == nullptr) {
    *error = "cannot listen on " + bind + ": no such address";
    return false;
  }
  listener_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1, zero = 0;
  if (listener_ >= 0) {
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // "::" listens on IPv4 as well, as a wildcard bind is meant to; other IPv6 addresses not.
    if (found->ai_family == AF_INET6) {
      setsockopt(listener_, IPPROTO_IPV6, IPV6_V6ONLY, bind == "::" ? &zero : &one, sizeof one);
    }
  }
  const bool bound = listener_ >= 0 && ::bind(listener_, found->ai_addr, found->ai_addrlen) == 0 &&
                     listen(listener_, limits_.listenBacklog) == 0;
  freeaddrinfo(found);
  sockaddr_storage address{};
  socklen_t size = sizeof address;
  if (!bound || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    *error = "cannot listen on " + bind + ":" + std::to_string(port) + ": " + std::strerror(errno);
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    return false;
  }
  port_ = ntohs(address.ss_family == AF_INET6
                    ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                    : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
  shared_ = std::make_unique<Shared>();
  const int loops = limits_.threads > 0 ? limits_.threads : ProcessorCount();
  for (int i = 0; i < loops; ++i) {
    auto loop = std::make_unique<Loop>();
    loop->server = this;
    loop->epoll = epoll_create1(EPOLL_CLOEXEC);
    loop->wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = nullptr;
    epoll_ctl(loop->epoll, EPOLL_CTL_ADD, loop->wake, &event);
    loop->index = loops_.size();
    loop->lastTickMs = NowMs();
    loop->Listen(loop->index == 0);
    loops_.push_back(std::move(loop));
  }
  for (auto& loop : loops_) loop->thread = std::thread([l = loop.get()] { l->Run(); });
  return true;
}

void HttpServer::Stop() {
  for (auto& loop : loops_) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t woken = write(loop->wake, &one, sizeof one);
  }
  for (auto& loop : loops_) {
    if (loop->thread.joinable()) loop->thread.join();
    while (!loop->connections.empty()) loop->Close(*loop->connections.begin());
    close(loop->epoll);
    close(loop->wake);
  }
  loops_.clear();
  if (listener_ >= 0) close(listener_);
  listener_ = -1;
}

void HttpServer::Loop::Listen(bool on) {
  if (on == listening) return;
  listening = on;
  epoll_event event{};
  // EPOLLEXCLUSIVE: one loop wakes for a new connection, not all of them.
  event.events = EPOLLIN | EPOLLEXCLUSIVE;
  event.data.ptr = this;
  epoll_ctl(epoll, on ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, server->listener_, &event);
}

void HttpServer::Loop::Run() {
  epoll_event events[64];
  for (;;) {
    const int count = epoll_wait(epoll, events, 64, 100);
    const int64_t now = NowMs();
    for (int i = 0; i < count; ++i) {
      void* what = events[i].data.ptr;
      if (what == nullptr) return;  // woken to stop
      if (what == this) {
        Accept(now);
        continue;
      }
      auto* c = static_cast<Connection*>(what);
      if (connections.count(c) == 0) continue;  // closed by an earlier event of this batch
      if (c->state == Connection::kWriting) {
        if (Flush(c, now) == Sent::kDone && c->state == Connection::kReading && !c->in.empty()) {
          Process(c, now);  // a pipelined request already in
        }
      } else {
        OnReadable(c, now);
      }
    }
    if (answered && server->answered_ != nullptr) server->answered_();
    answered = false;
    if (now >= nextTickMs) Tick(now);
  }
}

void HttpServer::Loop::Tick(int64_t now) {
  nextTickMs = now + 100;
  const int64_t nowUs = now * 1000, cpuUs = ThreadCpuUs();
  if (nowUs > tickStartUs) {
    busyPermille = static_cast<int>(
        std::min<int64_t>(1000, (cpuUs - tickStartCpuUs) * 1000 / (nowUs - tickStartUs)));
  }
  tickStartUs = nowUs;
  tickStartCpuUs = cpuUs;
  lastTickMs = now;
  const HttpLimits& limits = server->limits_;
  Shared& shared = *server->shared_;
  {
    // The head's deadline is not renewed by bytes that trickle in.
    std::lock_guard<std::mutex> lock(shared.mutex);
    const int64_t deadline = int64_t{limits.headerTimeoutSeconds} * 1000;
    while (shared.first != nullptr && now - shared.first->waitingSinceMs >= deadline) {
      shared.Drop(shared.first);
    }
  }
  if (now >= nextIdleCheckMs) {
    nextIdleCheckMs = now + 1000;
    const int64_t idle = int64_t{limits.idleTimeoutSeconds} * 1000;
    std::vector<Connection*> stale;
    for (Connection* c : connections) {
      if (now - c->lastActivityMs >= idle ||
          (c->state == Connection::kLingering && now >= c->lingerUntilMs)) {
        stale.push_back(c);
      }
    }
    for (Connection* c : stale) Close(c);
  }
  Listen(WantsConnections(now));
}

// New connections go to the first loop while it has time for them: a busy loop finds its next
// events waiting, while waking an idle one costs more than answering a request does. A further
// loop takes new connections too once the loop before it has been busy most of a tick, or has
// not finished one for a while (it is stuck in something slow).
bool HttpServer::Loop::WantsConnections(int64_t now) const {
  if (server->shared_->connections.load() >= HardConnectionLimit(server->limits_)) return false;
  if (index == 0) return true;
  const Loop& before = *server->loops_[index - 1];
  return before.busyPermille >= (listening ? 400 : 750) || now - before.lastTickMs > 300;
}

void HttpServer::Loop::Accept(int64_t now) {
  const HttpLimits& limits = server->limits_;
  Shared& shared = *server->shared_;
  const int hardLimit = HardConnectionLimit(limits);
  for (int i = 0; i < 64; ++i) {
    if (shared.connections.load() >= hardLimit) {
      Listen(false);
      return;
    }
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    const int fd = accept4(server->listener_, reinterpret_cast<sockaddr*>(&address), &size,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors: stop taking connections until the next tick.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) Listen(false);
      return;
    }
    std::string peer = AddressText(&address);
    const bool trusted = IsTrusted(limits.trustedProxies, peer);
    auto* c = new Connection;
    {
      std::lock_guard<std::mutex> lock(shared.mutex);
      if (!trusted) {
        int& count = shared.perAddress[peer];
        if (count >= limits.maxConnectionsPerAddress) {
          // Closed unanswered: a client past its cap is not worth a read.
          close(fd);
          delete c;
          continue;
        }
        ++count;
        c->capped = true;
      }
      c->fd = fd;
      c->loop = this;
      c->peer = std::move(peer);
      c->lastActivityMs = now;
      ++shared.connections;
      shared.Link(c, now);
      if (shared.waitingCount > limits.maxIncompleteHeads && shared.first != c) {
        shared.Drop(shared.first);
      }
      // Connections already dropped are on their way out: they do not make this one too many.
      c->overLimit = shared.connections.load() - shared.dropping > limits.maxConnections;
    }
    connections.insert(c);
    epoll_event event{};
    event.events = c->watched = EPOLLIN;
    event.data.ptr = c;
    epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
  }
}

void HttpServer::Loop::Watch(Connection* c, uint32_t events) {
  if (c->watched == events) return;
  c->watched = events;
  epoll_event event{};
  event.events = events;
  event.data.ptr = c;
  epoll_ctl(epoll, EPOLL_CTL_MOD, c->fd, &event);
}

void HttpServer::Loop::Close(Connection* c) {
  Shared& shared = *server->shared_;
  {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.Unlink(c);
    if (c->dropped) --shared.dropping;
    if (c->capped) {
      auto found = shared.perAddress.find(c->peer);
      if (found != shared.perAddress.end() && --found->second <= 0) shared.perAddress.erase(found);
    }
    if (!c->reportedClient.empty()) {
      auto found = shared.perClient.find(c->reportedClient);
      if (found != shared.perClient.end() && --found->second <= 0) shared.perClient.erase(found);
    }
    --shared.connections;
  }
  close(c->fd);
  connections.erase(c);
  delete c;
}

void HttpServer::Loop::OnReadable(Connection* c, int64_t now) {
  const size_t capacity = server->limits_.maxHeadBytes;
  char discard[16384];
  for (;;) {
    ssize_t n;
    if (c->state == Connection::kLingering) {
      // After a last answer: what the client still sends is read and dropped for a moment, so
      // that closing does not reset the connection before the client has read the answer.
      n = recv(c->fd, discard, sizeof discard, 0);
      if (n > 0) {
        c->lingered += static_cast<size_t>(n);
        if (c->lingered < 256 * 1024) continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
      Close(c);
      return;
    }
    if (c->in.size() >= capacity) break;
    if (c->in.capacity() < capacity) c->in.reserve(std::min(capacity, c->in.size() + 4096));
    const size_t room = std::min(capacity - c->in.size(), sizeof discard);
    n = recv(c->fd, discard, room, 0);
    if (n > 0) {
      c->in.append(discard, static_cast<size_t>(n));
      c->lastActivityMs = now;
      if (static_cast<size_t>(n) == room) continue;
      break;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
    Close(c);  // the end of the stream (a head never finished) or an error
    return;
  }
  Process(c, now);
}

void HttpServer::Loop::Process(Connection* c, int64_t now) {
  const HttpLimits& limits = server->limits_;
  Shared& shared = *server->shared_;
  // One request after another while whole heads are in (pipelining); each answer is written
  // before the next head is looked at.
  for (;;) {
    // Empty lines before a request line are allowed (some clients end a request with one).
    const size_t start = c->in.find_first_not_of("\r\n");
    if (start != 0) {
      c->in.erase(0, start == std::string::npos ? c->in.size() : start);
      c->scanned = 0;
    }
    const size_t end = FindHeadEnd(c->in, c->scanned >= 3 ? c->scanned - 3 : 0);
    HttpRequest request;
    request.peer = c->peer;
    std::optional<HttpAnswer> refusal;
    if (end == 0) {
      c->scanned = c->in.size();
      const bool lineUnfinished = c->in.find('\n') == std::string::npos;
      int status = 0;
      if (c->in.size() >= limits.maxHeadBytes) status = lineUnfinished ? 414 : 431;
      if (lineUnfinished && c->in.size() > kMaxTargetBytes + 64) status = 414;
      if (status == 0) return;
      // For the log, what the head gave so far: its method and target when they are in.
      std::string_view line(c->in);
      line = line.substr(0, line.find('\n'));
      const size_t space = line.find(' ');
      if (space != std::string_view::npos && space <= 32) {
        request.head.method = line.substr(0, space);
        request.head.target = line.substr(space + 1, line.find(' ', space + 1) - space - 1);
      }
      refusal = Refusal(status);
    }
    {
      std::lock_guard<std::mutex> lock(shared.mutex);
      if (c->dropped) {
        Close(c);
        return;
      }
      shared.Unlink(c);
    }
    if (end != 0) {
      ++c->requests;
      const int status = ParseRequestHead(std::string_view(c->in.data(), end), &request);
      refusal = status != 0 ? std::optional<HttpAnswer>(Refusal(status)) : RefuseRequest(request.head);
      if (!refusal && c->overLimit) refusal = Refusal(503);
      if (!refusal && !c->capped && !request.realIp.empty()) {
        // Behind a proxy the cap counts the answers in progress for the client the proxy names;
        // the proxy's own connections are not capped by its address.
        std::lock_guard<std::mutex> lock(shared.mutex);
        int& count = shared.perClient[std::string(request.realIp)];
        if (count >= limits.maxConnectionsPerAddress) {
          refusal = Refusal(503);
        } else {
          ++count;
          c->reportedClient = std::string(request.realIp);
        }
      }
    }
    const bool closeAfter = refusal || !request.keepAlive ||
                            c->requests >= limits.maxRequestsPerConnection;
    HttpAnswer answer = refusal ? std::move(*refusal) : server->router_(request);
    if (Answer(c, request, std::move(answer), closeAfter, end, now) != Sent::kDone ||
        c->state != Connection::kReading || c->in.empty()) {
      return;
    }
  }
}

const std::string& HttpServer::Loop::Date() {
  const std::time_t second = std::time(nullptr);
  if (second != dateSecond) {
    dateSecond = second;
    date = HttpDate(second);
  }
  return date;
}

HttpServer::Loop::Sent HttpServer::Loop::Answer(Connection* c, const HttpRequest& request,
                                                 HttpAnswer answer, bool closeAfter,
                                                 size_t headBytes, int64_t now) {
  const bool head = request.head.method == "HEAD";
  const uint64_t length = answer.BodyBytes();
  const bool body = !head && answer.status != 304;
  std::string& out = c->out;
  out.clear();
  out.reserve(256 + (body && answer.file == nullptr && answer.prepared == nullptr
                         ? answer.body.size()
                         : 0));
  out += "HTTP/1.1 ";
  out += std::to_string(answer.status);
  out += ' ';
  out += Reason(answer.status);
  out += "\r\nDate: ";
  out += Date();
  auto header = [&out](const char* name, std::string_view value) {
    out += "\r\n";
    out += name;
    out += ": ";
    out += value;
  };
  if (!answer.contentType.empty()) header("Content-Type", answer.contentType);
  if (answer.status != 304) header("Content-Length", std::to_string(length));
  out += "\r\nCache-Control: no-cache\r\nPragma: no-cache";
  if (!answer.setCookie.empty()) header("Set-Cookie", answer.setCookie);
  if (!answer.allow.empty()) header("Allow", answer.allow);
  if (!answer.lastModified.empty()) header("Last-Modified", answer.lastModified);
  if (answer.retryAfter) out += "\r\nRetry-After: 1";
  if (closeAfter) {
    out += "\r\nConnection: close";
  } else if (request.head.version == "HTTP/1.0") {
    out += "\r\nConnection: keep-alive";
  }
  out += "\r\n\r\n";
  if (body && answer.file == nullptr && answer.prepared == nullptr) out += answer.body;
  c->prepared = body ? answer.prepared : nullptr;
  c->outSent = 0;
  c->fileSent = 0;
  c->fileBytes = head || answer.status == 304 ? 0 : length;
  c->file = c->fileBytes > 0 ? answer.file : nullptr;
  c->closeAfter = closeAfter;
  // A client that asked for the close and sent nothing after its head has nothing in flight
  // that a close could turn into a reset; after a refusal, or a last answer the client did not
  // ask to be the last, more may be on its way.
  c->linger = closeAfter && (answer.status >= 400 || request.keepAlive || c->in.size() > headBytes);
  c->state = Connection::kWriting;
  server->logger_(request, answer);
  answered = true;
  // The head's bytes are done with (the request's views with them); what follows is the next
  // request's.
  c->in.erase(0, closeAfter ? c->in.size() : headBytes);
  c->scanned = 0;
  return Flush(c, now);
}

HttpServer::Loop::Sent HttpServer::Loop::Flush(Connection* c, int64_t now) {
  // The head and a prepared body go out in one call, as one segment when they fit.
  const size_t total = c->out.size() + (c->prepared != nullptr ? c->prepared->size() : 0);
  while (c->outSent < total) {
    iovec parts[2];
    size_t count = 0;
    if (c->outSent < c->out.size()) {
      parts[count++] = {c->out.data() + c->outSent, c->out.size() - c->outSent};
    }
    if (c->prepared != nullptr) {
      const size_t from = c->outSent > c->out.size() ? c->outSent - c->out.size() : 0;
      parts[count++] = {const_cast<char*>(c->prepared->data()) + from, c->prepared->size() - from};
    }
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = count;
    const ssize_t n = sendmsg(c->fd, &message, MSG_NOSIGNAL | (c->file != nullptr ? MSG_MORE : 0));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      Watch(c, EPOLLOUT);
      return Sent::kPending;
    }
    if (n <= 0) {
      Close(c);
      return Sent::kClosed;
    }
    c->outSent += static_cast<size_t>(n);
    c->lastActivityMs = now;
  }
  while (c->file != nullptr && c->fileSent < c->fileBytes) {
    off_t offset = static_cast<off_t>(c->fileSent);
    const ssize_t n = sendfile(c->fd, c->file->fd, &offset,
                               static_cast<size_t>(std::min<uint64_t>(c->fileBytes - c->fileSent,
                                                                      1 << 20)));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      Watch(c, EPOLLOUT);
      return Sent::kPending;
    }
    // A file cut short while it was sent ends the connection: its length is already promised.
    if (n <= 0) {
      Close(c);
      return Sent::kClosed;
    }
    c->fileSent += static_cast<uint64_t>(n);
    c->lastActivityMs = now;
  }
  return Finished(c, now);
}

HttpServer::Loop::Sent HttpServer::Loop::Finished(Connection* c, int64_t now) {
  Shared& shared = *server->shared_;
  c->file.reset();
  c->prepared.reset();
  c->out.clear();
  // A head's worth stays for the next answer; a body copied in is not kept by an idle connection.
  if (c->out.capacity() > 1024) c->out.shrink_to_fit();
  if (c->closeAfter && !c->linger) {
    Close(c);
    return Sent::kClosed;
  }
  bool dropped;
  {
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (!c->reportedClient.empty()) {
      auto found = shared.perClient.find(c->reportedClient);
      if (found != shared.perClient.end() && --found->second <= 0) shared.perClient.erase(found);
      c->reportedClient.clear();
    }
    dropped = c->dropped;
    // The deadline for the next head on a kept-alive connection starts now.
    if (!c->closeAfter && !dropped) shared.Link(c, now);
  }
  if (dropped && !c->closeAfter) {
    Close(c);
    return Sent::kClosed;
  }
  if (c->closeAfter) {
    shutdown(c->fd, SHUT_WR);
    c->state = Connection::kLingering;
    c->lingerUntilMs = now + 2000;
    c->in.clear();
    c->in.shrink_to_fit();
    Watch(c, EPOLLIN);
    return Sent::kDone;
  }
  if (!c->noDelay) {
    // Answers go out whole, but on a kept-alive connection the last small segment of one answer
    // must not wait for the client's acknowledgement of the one before.
    const int one = 1;
    setsockopt(c->fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    c->noDelay = true;
  }
  c->state = Connection::kReading;
  Watch(c, EPOLLIN);
  return Sent::kDone;
}
