// Reads RSS (0.9x, 1.0 and 2.0) and Atom documents into headlines and links for the strip.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The longest headline kept, in bytes of Windows-1252; longer ones are cut at a word.
constexpr size_t kMaxHeadlineChars = 200;

struct NewsItem {
  std::string title;  // Windows-1252, one clean line, never empty
  std::string link;   // an absolute "http://" address, or empty when the item had none usable
};

struct NewsDocument {
  std::string format;  // "rss", "rdf" or "atom"
  std::vector<NewsItem> items;
  size_t untitled = 0;  // items dropped for want of a title
};

// Parses a document of news items, keeping at most maxItems in document order (feeds list the
// newest first). False, with *error saying why, when the bytes are not well-formed XML, are not
// RSS or Atom, or hold no item with a title. Document type declarations are never acted on:
// entities they declare stay unexpanded text, and nothing outside the bytes is read.
bool ParseNewsDocument(std::string_view bytes, std::string_view sourceAddress, size_t maxItems,
                       NewsDocument* document, std::string* error);

// The address a story's link should have on the strip, or "" when there is none to give.
// "http://" addresses are kept (the scheme lower-cased); "https://" ones become "http://" ones,
// since the ticker takes any link not beginning "http:" as relative and would put "http://" in
// front of it; "//host/path" gets "http:"; other relative links are resolved against `base`
// (itself an http or https address); other schemes give "".
std::string NormalizeStoryLink(std::string_view link, std::string_view base);
