// Fuzzes the content server's reading of news documents: any bytes under any HTTP charset, and
// the headline clean-up on its own. Every headline must be one short line and every link one the
// strip can open.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "news_document.h"
#include "text_convert.h"

namespace {

void CheckHeadline(const std::string& title, size_t maxChars) {
  if (title.size() > maxChars) std::abort();
  for (const char c : title) {
    if (static_cast<unsigned char>(c) < 0x20) std::abort();
  }
  if (!title.empty() && (title.front() == ' ' || title.back() == ' ')) std::abort();
}

}  // namespace

// The first byte chooses the charset the answer names and whether the rest is a document or
// a bare title.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kCharsets[] = {"",          "",       "utf-8",        "koi8-r",
                                          "shift_jis", "utf-16", "windows-1252", "no-such-charset"};
  const uint8_t choice = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (choice & 0x80) {
    CheckHeadline(CleanHeadline(rest, (choice & 1) != 0, 40), 40);
    return 0;
  }
  NewsDocument document;
  std::string error;
  if (!ParseNewsDocument(rest, "http://fuzz.example/a/feed.xml", 100, &document, &error,
                         kCharsets[choice % 8])) {
    if (error.empty() || !document.items.empty()) std::abort();
    return 0;
  }
  if (document.items.empty() || document.items.size() > 100) std::abort();
  for (const NewsItem& item : document.items) {
    if (item.title.empty()) std::abort();
    CheckHeadline(item.title, kMaxHeadlineChars);
    if (!item.link.empty() && item.link.compare(0, 7, "http://") != 0) std::abort();
  }
  return 0;
}
