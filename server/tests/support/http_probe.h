// A small blocking HTTP client on raw sockets, for tests and the benchmark: it sends exactly the
// bytes it is given (targets such as "/tlx/update&134501" or raw 0x95 bytes go out unchanged).
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct HttpReply {
  bool received = false;  // a whole status line, headers and body arrived
  int status = 0;
  std::string headers;  // the header block, CR LF separated
  std::string body;

  // The first header of that name (without regard to case), or "".
  std::string Header(std::string_view name) const;
};

// Sends `request` (a whole request, head and body) to 127.0.0.1:port and reads the reply until
// the server closes the connection or the body's Content-Length is reached.
HttpReply HttpExchange(int port, const std::string& request, int timeoutMs = 5000);

// A connection to 127.0.0.1:port made from `fromAddress`: every 127.x.y.z address is a client
// of its own to the server. -1 when it cannot be made.
int ConnectFrom(int port, const std::string& fromAddress);
bool SendBytes(int fd, const std::string& bytes);

// Every reply on fd, in order, until the server closes the connection (*closed true) or no byte
// comes for timeoutMs (*closed false); a reply cut short is left out.
std::vector<HttpReply> ReadReplies(int fd, int timeoutMs, bool* closed = nullptr);

// Sends `request` (several requests, perhaps) on one connection and reads every reply.
std::vector<HttpReply> HttpExchangeAll(int port, const std::string& request, int timeoutMs = 3000,
                                       bool* closed = nullptr);

// A GET as the ticker's WinINet sends it: HTTP/1.0, its user agent, Accept lines and referrer,
// plus extra header lines (each ending in CR LF).
HttpReply TickerGet(int port, const std::string& target, const std::string& extraHeaders = "");

// One kept-alive connection for many requests in turn.
class KeepAliveClient {
 public:
  // fromAddress: the loopback address to connect from; "" for the kernel's choice.
  explicit KeepAliveClient(int port, std::string fromAddress = "")
      : port_(port), fromAddress_(std::move(fromAddress)) {}
  ~KeepAliveClient();
  KeepAliveClient(const KeepAliveClient&) = delete;
  KeepAliveClient& operator=(const KeepAliveClient&) = delete;

  // An HTTP/1.1 GET on the open connection, reconnecting when the server has closed it.
  HttpReply Get(const std::string& target);

 private:
  bool Connect();
  int port_;
  std::string fromAddress_;
  int socket_ = -1;
  std::string pending_;  // bytes read past the last reply
};
