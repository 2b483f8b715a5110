// Reads RSS (0.9x, 1.0 and 2.0) and Atom (0.3 and 1.0) documents into headlines and links for
// the strip.
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
  std::string format;    // "rss", "rdf" or "atom"
  std::string encoding;  // the character encoding the bytes were read in
  std::vector<NewsItem> items;
  size_t untitled = 0;  // items dropped for want of a title
};

// Parses a document of news items, keeping at most maxItems in document order (feeds list the
// newest first). transportCharset is the charset the HTTP answer named, if any; it wins over the
// document's own declaration (a byte-order mark wins over both), and a document that names none
// has its encoding guessed. False, with *error saying why, when the bytes are not well-formed
// XML, are not RSS or Atom, or hold no item with a title. Document type declarations are never
// acted on: entities they declare stay unexpanded text, and nothing outside the bytes is read.
//
// Relative links resolve against the xml:base in effect, then, for Atom, the document's address
// (sourceAddress, when it is an http or https one) or else the feed's own link; for RSS the
// channel's link comes before the document's address. `localBase` stands in for the address
// of a document that has none (a file of the content folder: this server's own address), so
// that "/story/3" in it leads to this server's page.
bool ParseNewsDocument(std::string_view bytes, std::string_view sourceAddress, size_t maxItems,
                       NewsDocument* document, std::string* error,
                       std::string_view transportCharset = std::string_view(),
                       std::string_view localBase = std::string_view());

// The absolute form of a reference against a base address (RFC 3986: "..", "?q", "//host" and
// the rest), or the reference as it stands when it has a scheme of its own or the base has
// none.
std::string ResolveReference(std::string_view reference, std::string_view base);

// The address a story's link should have on the strip, or "" when there is none to give.
// "http://" addresses are kept (the scheme lower-cased); "https://" ones become "http://" ones,
// since the ticker takes any link not beginning "http:" as relative and would put "http://" in
// front of it; "//host/path" gets "http:"; other relative links are resolved against `base`
// (itself an http or https address); other schemes give "".
std::string NormalizeStoryLink(std::string_view link, std::string_view base);

// Bytes from base64 text; white space is skipped and decoding ends at '=' or at the first
// character that is not base64.
std::string DecodeBase64(std::string_view text);
