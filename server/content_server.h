// The content server: routes every request the ticker and its browser make, over HTTP on a
// few event-loop threads (http_server.h), answering from the content store's current snapshot.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <string_view>

#include "content_store.h"
#include "http_server.h"
#include "request_log.h"
#include "server_config.h"
#include "sessions.h"

struct HttpQuestion {
  std::string_view method;
  std::string_view target;  // as on the request line: path, and '?' and query when there is one
  std::string_view cookie;  // the Cookie header
  std::string_view peer;    // the client's address as the socket gives it; "" when unknown
  std::string_view realIp;  // the X-Real-IP header, used only when `peer` is a trusted proxy
  std::string_view ifModifiedSince = {};  // the If-Modified-Since header
};

constexpr const char* kRestartAnswer = "Please restart";

class ContentServer {
 public:
  explicit ContentServer(ServerConfig config);
  ~ContentServer();
  ContentServer(const ContentServer&) = delete;
  ContentServer& operator=(const ContentServer&) = delete;

  // Opens the log, binds the port, loads the content and starts serving and refreshing.
  // False with *error when the log cannot be opened or the port cannot be bound.
  bool Start(std::string* error);
  // Stops serving and refreshing; waits for requests in progress. Safe to call twice.
  void Stop();
  // The bound port (useful with port 0); 0 before Start.
  int Port() const { return port_; }
  const std::string& PublicUrl() const { return publicUrl_; }

  // The answer to one request, as the HTTP layer sends it; no socket is involved.
  HttpAnswer Answer(const HttpQuestion& question);

  ContentStore& Content() { return content_; }
  RequestLog& Log() { return log_; }

 private:
  HttpAnswer AnswerDataRequest(std::string_view query, bool hasQuery, std::string_view cookie);
  std::shared_ptr<const std::string> PreparedFeed(const SnapshotPointer& content,
                                                  std::string_view query);
  HttpAnswer AnswerLogin(std::string_view query, const std::string& client);
  std::string ClientAddress(const HttpQuestion& question) const;
  HttpAnswer AnswerUpdateFile(std::string_view path, std::string_view ifModifiedSince);
  void LogAnswer(const HttpRequest& request, const HttpAnswer& answer);
  bool TakeRestartNotice();

  ServerConfig config_;
  RequestLog log_;
  ContentStore content_;
  SessionKeys sessionKeys_;
  LoginGuard loginGuard_;
  std::atomic<bool> restartArmed_;
  // Feeds composed for queries, kept while the snapshot they were composed from is current: the
  // tickers' queries differ mostly in their time stamps, and a feed's bytes stay the same until
  // the content changes.
  struct PreparedFeeds {
    std::mutex mutex;
    SnapshotPointer content;
    std::unordered_map<std::string, std::shared_ptr<const std::string>> feeds;  // by DataQueryKey
    size_t bytes = 0;
  } prepared_;
  std::unique_ptr<HttpServer> http_;
  int port_ = 0;
  std::string publicUrl_;
};

// ContentOptions from the server's settings (with the content paths resolved).
ContentOptions ContentOptionsFor(const ServerConfig& config);
