// Query splitting and %XX decoding.
#include "query_text.h"

#include <algorithm>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::vector<QueryPart> SplitQuery(std::string_view query) {
  std::vector<QueryPart> parts;
  size_t i = 0;
  while (i <= query.size()) {
    const size_t end = std::min(query.find('&', i), query.size());
    const std::string_view part = query.substr(i, end - i);
    if (!part.empty()) {
      QueryPart entry;
      const size_t equals = part.find('=');
      entry.name = part.substr(0, equals);
      if (equals != std::string_view::npos) {
        entry.value = part.substr(equals + 1);
        entry.hasValue = true;
      }
      parts.push_back(entry);
    }
    i = end + 1;
  }
  return parts;
}

const QueryPart* FindQueryPart(const std::vector<QueryPart>& parts, std::string_view name) {
  for (const QueryPart& part : parts) {
    if (part.name == name) return &part;
  }
  return nullptr;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string_view> SplitList(std::string_view text) {
  std::vector<std::string_view> entries;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = std::min(text.find_first_of(",+ \t", i), text.size());
    if (end > i) entries.push_back(text.substr(i, end - i));
    i = end + 1;
  }
  return entries;
}
