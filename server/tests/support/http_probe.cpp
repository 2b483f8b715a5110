// Raw-socket HTTP exchanges.
#include "http_probe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

int ConnectLoopback(int port, const char* fromAddress = nullptr) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (fromAddress != nullptr) {
    // The port is picked at connect, so that many clients can share a source address.
    const int one = 1;
    setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    if (inet_pton(AF_INET, fromAddress, &source.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
      close(fd);
      return -1;
    }
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Reads more bytes into *buffer; false on end of stream, error or time-out.
bool ReadMore(int fd, std::string* buffer, int timeoutMs) {
  pollfd waiting{fd, POLLIN, 0};
  if (poll(&waiting, 1, timeoutMs) <= 0) return false;
  char chunk[16384];
  const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
  if (n <= 0) return false;
  buffer->append(chunk, static_cast<size_t>(n));
  return true;
}

// Takes one reply off the front of *buffer, reading more as needed. With no Content-Length the
// body runs to the end of the stream.
HttpReply ReadReply(int fd, std::string* buffer, int timeoutMs, bool* closed) {
  HttpReply reply;
  *closed = false;
  size_t headEnd;
  while ((headEnd = buffer->find("\r\n\r\n")) == std::string::npos) {
    if (!ReadMore(fd, buffer, timeoutMs)) {
      *closed = true;
      return reply;
    }
  }
  reply.headers = buffer->substr(0, headEnd + 2);
  buffer->erase(0, headEnd + 4);
  if (reply.headers.compare(0, 5, "HTTP/") != 0) return reply;
  reply.status = std::atoi(reply.headers.c_str() + reply.headers.find(' ') + 1);
  const std::string length = reply.Header("Content-Length");
  if (length.empty()) {
    while (ReadMore(fd, buffer, timeoutMs)) {
    }
    *closed = true;
    reply.body = std::move(*buffer);
    buffer->clear();
    reply.received = true;
    return reply;
  }
  const size_t size = std::strtoul(length.c_str(), nullptr, 10);
  while (buffer->size() < size) {
    if (!ReadMore(fd, buffer, timeoutMs)) {
      *closed = true;
      return reply;
    }
  }
  reply.body = buffer->substr(0, size);
  buffer->erase(0, size);
  reply.received = true;
  return reply;
}

}  // namespace

std::string HttpReply::Header(std::string_view name) const {
  size_t start = 0;
  while (start < headers.size()) {
    size_t end = headers.find("\r\n", start);
    if (end == std::string::npos) end = headers.size();
    const std::string_view line = std::string_view(headers).substr(start, end - start);
    const size_t colon = line.find(':');
    if (colon == name.size() && strncasecmp(line.data(), name.data(), name.size()) == 0) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      return std::string(value);
    }
    start = end + 2;
  }
  return std::string();
}

HttpReply HttpExchange(int port, const std::string& request, int timeoutMs) {
  HttpReply reply;
  const int fd = ConnectLoopback(port);
  if (fd < 0) return reply;
  std::string buffer;
  bool closed;
  if (SendAll(fd, request)) reply = ReadReply(fd, &buffer, timeoutMs, &closed);
  close(fd);
  return reply;
}

int ConnectFrom(int port, const std::string& fromAddress) {
  return ConnectLoopback(port, fromAddress.c_str());
}

bool SendBytes(int fd, const std::string& bytes) { return SendAll(fd, bytes); }

std::vector<HttpReply> ReadReplies(int fd, int timeoutMs, bool* closed) {
  std::vector<HttpReply> replies;
  std::string buffer;
  bool ended = false;
  for (;;) {
    HttpReply reply = ReadReply(fd, &buffer, timeoutMs, &ended);
    if (reply.received) replies.push_back(std::move(reply));
    if (ended || !reply.received) break;
  }
  if (closed != nullptr) {
    // ReadReply stops on a time-out as on the end of the stream; tell them apart.
    char byte;
    const ssize_t n = recv(fd, &byte, 1, MSG_DONTWAIT);
    *closed = ended && (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK));
  }
  return replies;
}

std::vector<HttpReply> HttpExchangeAll(int port, const std::string& request, int timeoutMs,
                                       bool* closed) {
  std::vector<HttpReply> replies;
  const int fd = ConnectLoopback(port);
  if (fd < 0) return replies;
  SendAll(fd, request);  // the server may close before taking all of it; read what it said
  replies = ReadReplies(fd, timeoutMs, closed);
  close(fd);
  return replies;
}

HttpReply TickerGet(int port, const std::string& target, const std::string& extraHeaders) {
  return HttpExchange(port, "GET " + target +
                                " HTTP/1.0\r\n"
                                "User-Agent: Mozilla/4.01 [en] (Win95; I)\r\n"
                                "Host: 127.0.0.1:" +
                                std::to_string(port) +
                                "\r\n"
                                "Referer: testpc\r\n"
                                "Accept: */*, text/plain, text/html\r\n" +
                                extraHeaders + "\r\n");
}

KeepAliveClient::~KeepAliveClient() {
  if (socket_ >= 0) close(socket_);
}

bool KeepAliveClient::Connect() {
  if (socket_ >= 0) close(socket_);
  pending_.clear();
  socket_ = ConnectLoopback(port_, fromAddress_.empty() ? nullptr : fromAddress_.c_str());
  return socket_ >= 0;
}

HttpReply KeepAliveClient::Get(const std::string& target) {
  const std::string request = "GET " + target +
                              " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                              "\r\nAccept: */*\r\n\r\n";
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (socket_ < 0 && !Connect()) return HttpReply();
    bool closed = false;
    HttpReply reply;
    if (SendAll(socket_, request)) reply = ReadReply(socket_, &pending_, 5000, &closed);
    if (reply.received) {
      if (closed || reply.Header("Connection") == "close") {
        close(socket_);
        socket_ = -1;
      }
      return reply;
    }
    // The server closed a kept-alive connection between requests: try once on a new one.
    close(socket_);
    socket_ = -1;
  }
  return HttpReply();
}
