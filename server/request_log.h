// The server's log: one line per request, and notes on content that could not be used.
//
// Request lines read
//   2024-05-01T13:45:01.123Z request method=GET path=/tlx/update query=stocks=INTC,MSFT&134501
//     status=200 bytes=812 host=127.0.0.1:18471 referer=pc1 accept=*/*,%20text/plain cookie=-
//     user-agent=Mozilla/4.01%20[en]%20(Win95;%20I) proxy-authorization=no authorization=no
// (on one line) and note lines
//   2024-05-01T13:45:01.123Z note news/broken.rss: not well-formed XML: ... at byte 120
// Values are escaped so that a line always splits at spaces into name=value fields: bytes up to
// the space, '%' and 0x7F and above become %XX. A missing value is "-".
// Secrets never reach the file: a query's passwd value is written "*", and the session cookie's
// value as a short tag ("nrsession=#1a2b3c4d") that tells sessions apart but cannot be replayed.
// The file is created readable by its owner only, and reopened by Reopen (on SIGHUP) after
// logrotate has moved it away. Request lines are gathered in memory and written whole, a batch
// at a time, when the server calls Flush (each time a loop has answered what it was woken
// for); notes are written at once.
#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

struct RequestRecord {
  std::string_view method;
  std::string_view path;   // the request target up to its '?'
  std::string_view query;  // after the '?'; empty when there is none
  int status = 0;
  size_t bytes = 0;  // body bytes sent
  std::string_view host, referer, accept, cookie, userAgent;
  bool proxyAuthorization = false;
  bool authorization = false;
};

class RequestLog {
 public:
  // Request lines go to the file at `path` when one is given; notes go there too, and to
  // standard error when there is no file. False when the file cannot be opened.
  bool Open(const std::string& path);
  // Opens the file at the path given to Open anew; false (keeping the old file) when it cannot.
  bool Reopen();
  ~RequestLog();

  void LogRequest(const RequestRecord& record);
  void Note(std::string_view text);
  // Writes the request lines gathered so far.
  void Flush();

  // The escaped form of a value as it appears in a line.
  static std::string Escape(std::string_view value);
  // A query with every passwd value (name compared without regard to case) written "*".
  static std::string HidePasswords(std::string_view query);
  // A Cookie header with the session cookie's value replaced by its tag.
  static std::string HideSession(std::string_view cookie);

 private:
  void WriteLine(const std::string& line, bool now);
  void WritePending();  // with mutex_ held

  std::mutex mutex_;
  std::string pending_;  // whole request lines not yet written
  std::FILE* file_ = nullptr;
  std::string path_;
  std::atomic<bool> hasFile_{false};
};
