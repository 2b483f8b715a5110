// Session tokens are 128 random bits; the table is bounded so that logins cannot grow it.
#include "sessions.h"

#include <random>

std::string SessionTable::Create(const std::string& userId) {
  static const char kHex[] = "0123456789abcdef";
  std::random_device random;
  std::string token;
  for (int i = 0; i < 4; ++i) {
    uint32_t bits = random();
    for (int k = 0; k < 8; ++k, bits >>= 4) token += kHex[bits & 15];
  }
  std::lock_guard<std::mutex> lock(mutex_);
  while (users_.size() >= capacity_ && !order_.empty()) {
    users_.erase(order_.front());
    order_.pop_front();
  }
  users_[token] = userId;
  order_.push_back(token);
  return token;
}

std::optional<std::string> SessionTable::Find(std::string_view token) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = users_.find(std::string(token));
  if (found == users_.end()) return std::nullopt;
  return found->second;
}

std::string_view CookieValue(std::string_view header, std::string_view name) {
  size_t i = 0;
  while (i < header.size()) {
    size_t end = header.find(';', i);
    if (end == std::string_view::npos) end = header.size();
    std::string_view pair = header.substr(i, end - i);
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && pair.substr(0, equals) == name) {
      std::string_view value = pair.substr(equals + 1);
      while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
      return value;
    }
    i = end + 1;
  }
  return std::string_view();
}
