// Login sessions: the cookie that the login sets names the account for later data requests.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

constexpr const char* kSessionCookie = "nrsession";

class SessionTable {
 public:
  explicit SessionTable(size_t capacity = 10000) : capacity_(capacity) {}

  // A new session for the user id; the oldest session goes when the table is full.
  std::string Create(const std::string& userId);
  // The user id of a session, if the session is known.
  std::optional<std::string> Find(std::string_view token) const;

 private:
  mutable std::mutex mutex_;
  size_t capacity_;
  std::unordered_map<std::string, std::string> users_;
  std::deque<std::string> order_;
};

// The value of the named cookie in a Cookie header ("a=1; nrsession=ab12"), or "".
std::string_view CookieValue(std::string_view header, std::string_view name);
