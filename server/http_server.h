// The HTTP/1.x layer under the content server: a few epoll loops share the connections, read
// each request head into a buffer of fixed size, hand a complete head to the router and write
// its answer, from memory or straight from a file. Nothing a client sends is kept beyond its
// head buffer, and every request the layer refuses is answered and logged like any other.
#pragma once

#include <ctime>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A file answered from its descriptor (sendfile): a slow reader costs a socket buffer, never a
// copy of the file. The descriptor is closed with the last answer that uses it.
struct OpenFile {
  OpenFile(int descriptor, uint64_t bytes) : fd(descriptor), size(bytes) {}
  ~OpenFile();
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  const int fd;
  const uint64_t size;
};

struct HttpAnswer {
  int status = 200;
  std::string contentType;
  std::string body;
  // The body, instead of `body`, when set: one prepared copy that every answer shares while the
  // content it was made from is current, sent as it is.
  std::shared_ptr<const std::string> prepared;
  std::shared_ptr<const OpenFile> file;  // the body, instead of `body`, when set
  std::string setCookie;     // a Set-Cookie value, or ""
  std::string allow;         // the Allow value of a 405, or ""
  std::string lastModified;  // a Last-Modified value, or ""
  bool retryAfter = false;   // "Retry-After: 1": the server is busy

  uint64_t BodyBytes() const {
    return file != nullptr ? file->size : prepared != nullptr ? prepared->size() : body.size();
  }
};

// What the layer knows of a request's head before routing it.
struct RequestHead {
  std::string_view method;
  std::string_view version;  // "HTTP/1.0" or "HTTP/1.1"
  std::string_view target;   // as on the request line
  size_t targetBytes = 0;
  int hostHeaders = 0;
  int contentLengthHeaders = 0;
  uint64_t contentLength = 0;  // of the first Content-Length header
  bool badContentLength = false;
  bool transferEncoding = false;
};

// Longest request target served; longer ones get 414.
constexpr size_t kMaxTargetBytes = 8192;

// The answer to a request refused before routing (no body is read, and the connection closes
// after it), or nothing for one that may be routed. A request may carry no body: a body that is
// never read would otherwise be taken for the next request on the connection. A path with a
// "." or ".." segment (also spelt %2e) is refused too: a proxy in front resolves them before it
// chooses what to do with the request, so the path it acted on and the one passed on differ.
std::optional<HttpAnswer> RefuseRequest(const RequestHead& head);

// A request as the router and the log see it; the views point into the connection's buffer.
struct HttpRequest {
  RequestHead head;
  std::string_view host, referer, userAgent, realIp, ifModifiedSince;
  std::string cookie;  // every Cookie line, joined with "; "
  std::string accept;  // every Accept line (WinINet may send several), joined with ", "
  bool proxyAuthorization = false;
  bool authorization = false;
  bool keepAlive = false;  // the client lets the connection stay open after the answer
  std::string_view peer;   // the client's address as the socket gives it
};

// Parses a whole head (request line, header lines and the empty line, as `head` holds them
// exactly) into *request. 0 when it reads; else the status to refuse it with (400, 505).
int ParseRequestHead(std::string_view head, HttpRequest* request);

// Where the head that starts `bytes` ends (just past its empty line), looking from `from` on;
// 0 while it is incomplete. Lines may end in CR LF or LF alone.
size_t FindHeadEnd(std::string_view bytes, size_t from);

// "Tue, 05 Mar 2024 14:07:09 GMT", whatever the locale; and back (false when it does not read).
std::string HttpDate(std::time_t time);
bool ParseHttpDate(std::string_view text, std::time_t* time);

// The bounds of the layer; the server's options of the same names (server_config.h) say what
// each means and give the defaults.
struct HttpLimits {
  int threads = 0;  // 0: one per processor
  int maxConnections = 0;
  int maxConnectionsPerAddress = 0;
  // Connections still sending their request head (or idle between requests), in all; past it
  // the oldest of them is closed, so that complete requests are always served.
  int maxIncompleteHeads = 0;
  int headerTimeoutSeconds = 0;
  int idleTimeoutSeconds = 0;
  size_t maxHeadBytes = 0;
  int maxRequestsPerConnection = 0;
  int listenBacklog = 0;
  // Peers not capped per address: their X-Real-IP header names the client, and the cap counts
  // that client's answers in progress instead.
  std::vector<std::string> trustedProxies;
};

class HttpServer {
 public:
  using Router = std::function<HttpAnswer(const HttpRequest&)>;
  // Called for every answer, refusals included (with what the head gave before it was refused).
  using Logger = std::function<void(const HttpRequest&, const HttpAnswer&)>;
  // Called by a loop when it has answered what one wake-up brought: a log may gather its lines
  // until then and write them at once.
  using Answered = std::function<void()>;

  HttpServer(HttpLimits limits, Router router, Logger logger, Answered answered = nullptr);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds (a name is looked up once; "::" takes IPv4 too) and starts the loops.
  bool Start(const std::string& bind, int port, std::string* error);
  // Closes every connection and waits for the loops. Safe to call twice.
  void Stop();
  int Port() const { return port_; }

 private:
  struct Connection;
  struct Loop;
  struct Shared;

  HttpLimits limits_;
  Router router_;
  Logger logger_;
  Answered answered_;
  std::unique_ptr<Shared> shared_;
  std::vector<std::unique_ptr<Loop>> loops_;
  int listener_ = -1;
  int port_ = 0;
};

// The address as text ("192.0.2.1", "2001:db8::1"), an IPv4 address mapped into IPv6 as plain
// IPv4; "" for other families.
std::string AddressText(const void* sockaddrStorage);
