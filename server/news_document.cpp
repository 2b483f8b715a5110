// RSS and Atom through pugixml: the document is read into UTF-8, parsed once, here, and only
// the headlines and links leave this file.
#include "news_document.h"

#include <pugixml.hpp>
#include <vector>

#include "document_charset.h"
#include "text_convert.h"

namespace {

// Elements are matched by local name, so that "atom:link" and "link" are the same element.
std::string_view LocalName(const pugi::xml_node& node) {
  std::string_view name = node.name();
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view localName) {
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element && LocalName(child) == localName) return child;
  }
  return pugi::xml_node();
}

std::string_view Trim(std::string_view text) {
  const char* kSpace = " \t\r\n";
  const size_t start = text.find_first_not_of(kSpace);
  if (start == std::string_view::npos) return std::string_view();
  const size_t end = text.find_last_not_of(kSpace);
  return text.substr(start, end - start + 1);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsHttpAddress(std::string_view text) {
  return StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://");
}

// A title's text is gathered up to this many bytes; a headline is cut far sooner.
constexpr size_t kTitleLimit = 16384;

// All character data under a node, in document order, without recursion (the depth of a hostile
// document is not ours to choose) and with a bound on how much is gathered.
std::string GatherText(const pugi::xml_node& node) {
  std::string text;
  pugi::xml_node current = node.first_child();
  while (current && current != node && text.size() < kTitleLimit) {
    if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
      text += current.value();
    }
    if (current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (current && current != node && !current.next_sibling()) current = current.parent();
    if (current && current != node) current = current.next_sibling();
  }
  return text;
}

void AppendEscaped(std::string_view text, std::string* html) {
  for (const char c : text) {
    if (c == '&') {
      *html += "&amp;";
    } else if (c == '<') {
      *html += "&lt;";
    } else if (c == '>') {
      *html += "&gt;";
    } else {
      *html += c;
    }
  }
}

// A title's content as HTML source for the HTML parser: elements that are HTML elements become
// tags again, others give only their text. Character data is markup itself when textIsMarkup
// (escaped HTML, as RSS and Atom "html" carry it), and text to escape otherwise (XHTML).
std::string TitleMarkup(const pugi::xml_node& title, bool textIsMarkup) {
  std::string html;
  pugi::xml_node current = title.first_child();
  while (current && current != title && html.size() < kTitleLimit) {
    bool descend = false;
    if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
      if (textIsMarkup) {
        html += current.value();
      } else {
        AppendEscaped(current.value(), &html);
      }
    } else if (current.type() == pugi::node_element) {
      const std::string name = Lower(LocalName(current));
      const HtmlElementKind kind = HtmlElementKindOf(name);
      if (kind != HtmlElementKind::kUnknown) html += "<" + name + ">";
      descend = static_cast<bool>(current.first_child());
      if (!descend && kind == HtmlElementKind::kContainer) html += "</" + name + ">";
    }
    if (descend) {
      current = current.first_child();
      continue;
    }
    while (current && current != title && !current.next_sibling()) {
      current = current.parent();
      if (!current || current == title) break;
      const std::string name = Lower(LocalName(current));
      if (HtmlElementKindOf(name) == HtmlElementKind::kContainer) html += "</" + name + ">";
    }
    if (current && current != title) current = current.next_sibling();
  }
  return html;
}

// A media type without its parameters, in lower case.
std::string MediaType(std::string_view type) { return Lower(Trim(type.substr(0, type.find(';')))); }

// Atom's own names and media types that are text; any other media type is carried in base64.
bool IsTextual(const std::string& type) {
  return type.find('/') == std::string::npos || StartsWithNoCase(type, "text/") ||
         EndsWith(type, "+xml") || EndsWith(type, "/xml");
}

// An Atom text construct. Atom 1.0 says "text" (the default), "html" (escaped markup) or
// "xhtml" (markup as elements); Atom 0.3 gives a media type and a mode: "xml" (the default),
// "escaped" or "base64".
std::string AtomTitle(const pugi::xml_node& title) {
  const std::string type = MediaType(title.attribute("type").value());
  const std::string mode = Lower(Trim(title.attribute("mode").value()));
  const bool xhtml = type == "xhtml" || type == "application/xhtml+xml";
  const bool html = xhtml || type == "html" || type == "text/html";
  if (mode == "base64" || !IsTextual(type)) {
    // The decoded bytes are taken as UTF-8: the construct names no charset of its own.
    return CleanHeadline(DecodeBase64(GatherText(title)), html, kMaxHeadlineChars);
  }
  if (html) {
    return CleanHeadline(TitleMarkup(title, !xhtml || mode == "escaped"), true, kMaxHeadlineChars);
  }
  return CleanHeadline(GatherText(title), false, kMaxHeadlineChars);
}

// The base address in effect at a node: the xml:base attributes from the root down, each
// resolved against the one outside it, the first against the document's base.
std::string BaseAt(const pugi::xml_node& node, const std::string& documentBase) {
  std::vector<std::string_view> bases;
  for (pugi::xml_node at = node; at && at.type() == pugi::node_element; at = at.parent()) {
    const pugi::xml_attribute base = at.attribute("xml:base");
    if (base) bases.push_back(base.value());
  }
  std::string base = documentBase;
  for (auto it = bases.rbegin(); it != bases.rend(); ++it) base = ResolveReference(*it, base);
  return base;
}

// A link relation, with the IANA registry's address form ("http://www.iana.org/assignments/
// relation/alternate") read as the short name.
std::string Relation(const pugi::xml_node& link) {
  std::string rel = Lower(Trim(link.attribute("rel").value()));
  const std::string registry = "http://www.iana.org/assignments/relation/";
  if (rel.compare(0, registry.size(), registry) == 0) rel.erase(0, registry.size());
  return rel;
}

// An entry's story address: an alternate link (or one without rel), else a related or via
// link, else the entry's id when that is a web address. Self, edit, enclosure, license and other
// links are never a story's page. "" leaves the choice to the topic page.
std::string AtomLink(const pugi::xml_node& entry, const std::string& documentBase) {
  for (const int tier : {0, 1}) {
    for (pugi::xml_node link = entry.first_child(); link; link = link.next_sibling()) {
      if (link.type() != pugi::node_element || LocalName(link) != "link") continue;
      const std::string rel = Relation(link);
      const bool wanted =
          tier == 0 ? rel.empty() || rel == "alternate" : rel == "related" || rel == "via";
      if (!wanted) continue;
      const std::string address =
          NormalizeStoryLink(link.attribute("href").value(), BaseAt(link, documentBase));
      if (!address.empty()) return address;
    }
  }
  const std::string_view id = Trim(Child(entry, "id").child_value());
  return IsHttpAddress(id) ? NormalizeStoryLink(id, std::string_view()) : std::string();
}

// An item's story address: the first link with text, else an Atom-style link element of the
// item, else a guid that is the story's address (as a guid is unless it says otherwise).
std::string RssLink(const pugi::xml_node& item, const std::string& documentBase) {
  for (pugi::xml_node link = item.first_child(); link; link = link.next_sibling()) {
    if (link.type() != pugi::node_element || LocalName(link) != "link") continue;
    const std::string_view text = Trim(link.child_value());
    if (text.empty()) continue;
    const std::string address = NormalizeStoryLink(text, BaseAt(link, documentBase));
    if (!address.empty()) return address;
  }
  for (pugi::xml_node link = item.first_child(); link; link = link.next_sibling()) {
    if (link.type() != pugi::node_element || LocalName(link) != "link") continue;
    const std::string rel = Relation(link);
    if (!rel.empty() && rel != "alternate") continue;
    const std::string address =
        NormalizeStoryLink(link.attribute("href").value(), BaseAt(link, documentBase));
    if (!address.empty()) return address;
  }
  const pugi::xml_node guid = Child(item, "guid");
  if (guid && Lower(Trim(guid.attribute("isPermaLink").value())) != "false") {
    const std::string_view value = Trim(guid.child_value());
    if (IsHttpAddress(value)) return NormalizeStoryLink(value, std::string_view());
  }
  return std::string();
}

void AddItem(std::string title, std::string link, NewsDocument* document) {
  if (title.empty()) {
    ++document->untitled;
    return;
  }
  document->items.push_back({std::move(title), std::move(link)});
}

size_t SchemeEnd(std::string_view reference) {
  if (reference.empty() || !((reference[0] | 0x20) >= 'a' && (reference[0] | 0x20) <= 'z')) {
    return std::string_view::npos;
  }
  for (size_t i = 1; i < reference.size(); ++i) {
    const char c = reference[i];
    if (c == ':') return i;
    const bool schemeChar = ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || (c >= '0' && c <= '9') ||
                            c == '+' || c == '-' || c == '.';
    if (!schemeChar) break;
  }
  return std::string_view::npos;
}

// RFC 3986's remove_dot_segments, segment by segment.
std::string RemoveDotSegments(std::string_view path) {
  const bool absolute = !path.empty() && path[0] == '/';
  if (absolute) path.remove_prefix(1);
  std::vector<std::string_view> segments;
  while (true) {
    const size_t slash = path.find('/');
    const std::string_view segment = path.substr(0, slash);
    const bool last = slash == std::string_view::npos;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.push_back(std::string_view());
    } else if (segment == ".") {
      if (last) segments.push_back(std::string_view());
    } else {
      segments.push_back(segment);
    }
    if (last) break;
    path.remove_prefix(slash + 1);
  }
  std::string out = absolute ? "/" : "";
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) out += '/';
    out += segments[i];
  }
  return out;
}

}  // namespace

std::string DecodeBase64(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  unsigned buffer = 0;
  int bits = 0;
  for (const char c : text) {
    int value;
    if (c >= 'A' && c <= 'Z') {
      value = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
      value = c - 'a' + 26;
    } else if (c >= '0' && c <= '9') {
      value = c - '0' + 52;
    } else if (c == '+' || c == '-') {
      value = 62;
    } else if (c == '/' || c == '_') {
      value = 63;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      continue;
    } else {
      break;
    }
    buffer = (buffer << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

std::string ResolveReference(std::string_view reference, std::string_view base) {
  reference = Trim(reference);
  base = Trim(base);
  if (SchemeEnd(reference) != std::string_view::npos) return std::string(reference);
  const size_t schemeEnd = SchemeEnd(base);
  if (schemeEnd == std::string_view::npos) return std::string(reference);
  const std::string scheme = Lower(base.substr(0, schemeEnd));
  std::string_view rest = base.substr(schemeEnd + 1);
  rest = rest.substr(0, rest.find('#'));
  std::string_view authority;
  bool hasAuthority = false;
  if (rest.substr(0, 2) == "//") {
    hasAuthority = true;
    const size_t end = rest.find_first_of("/?", 2);
    authority = rest.substr(2, end == std::string_view::npos ? end : end - 2);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  const size_t queryAt = rest.find('?');
  const std::string_view basePath = rest.substr(0, queryAt);
  const std::string_view baseQuery =
      queryAt == std::string_view::npos ? std::string_view() : rest.substr(queryAt);

  if (reference.substr(0, 2) == "//") return scheme + ":" + std::string(reference);
  const size_t refTail = reference.find_first_of("?#");
  const std::string_view refPath = reference.substr(0, refTail);
  const std::string_view refTailText =
      refTail == std::string_view::npos ? std::string_view() : reference.substr(refTail);
  std::string path;
  std::string tail(refTailText);
  if (refPath.empty()) {
    path = std::string(basePath);
    if (tail.empty() || tail[0] == '#') tail = std::string(baseQuery) + tail;
  } else if (refPath[0] == '/') {
    path = RemoveDotSegments(refPath);
  } else if (hasAuthority && basePath.empty()) {
    path = RemoveDotSegments("/" + std::string(refPath));
  } else {
    const size_t slash = basePath.rfind('/');
    const std::string merged =
        (slash == std::string_view::npos ? std::string()
                                         : std::string(basePath.substr(0, slash + 1))) +
        std::string(refPath);
    path = RemoveDotSegments(merged);
  }
  return scheme + ":" + (hasAuthority ? "//" + std::string(authority) : std::string()) + path +
         tail;
}

std::string NormalizeStoryLink(std::string_view link, std::string_view base) {
  link = Trim(link);
  if (link.empty()) return std::string();
  std::string resolved = ResolveReference(link, base);
  if (resolved.compare(0, 2, "//") == 0) resolved.insert(0, "http:");
  if (StartsWithNoCase(resolved, "http://")) return "http://" + resolved.substr(7);
  if (StartsWithNoCase(resolved, "https://")) return "http://" + resolved.substr(8);
  // Anything else (mailto:, javascript:, ftp:, a link left relative) is no page for the strip.
  return std::string();
}

bool ParseNewsDocument(std::string_view bytes, std::string_view sourceAddress, size_t maxItems,
                       NewsDocument* document, std::string* error,
                       std::string_view transportCharset, std::string_view localBase) {
  *document = NewsDocument();
  std::string utf8;
  DocumentToUtf8(bytes, transportCharset, &utf8, &document->encoding);
  pugi::xml_document xml;
  // The default options: no document type node is kept and no entity it declares is expanded.
  // The encoding is given, so the declaration's (already acted on) is not read again.
  const pugi::xml_parse_result parsed =
      xml.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!parsed) {
    *error = std::string("not well-formed XML: ") + parsed.description() + " at byte " +
             std::to_string(parsed.offset);
    return false;
  }
  const pugi::xml_node root = xml.document_element();
  const std::string_view rootName = LocalName(root);
  const std::string address =
      IsHttpAddress(Trim(sourceAddress)) ? std::string(Trim(sourceAddress)) : std::string();
  const std::string fallback = address.empty() ? std::string(localBase) : address;

  if (rootName == "feed") {
    document->format = "atom";
    // A file read from disk has no address of its own; the feed's link stands in for it.
    std::string base = address;
    if (base.empty()) {
      for (pugi::xml_node link = root.first_child(); link; link = link.next_sibling()) {
        if (link.type() != pugi::node_element || LocalName(link) != "link") continue;
        const std::string rel = Relation(link);
        if (rel.empty() || rel == "alternate") {
          base = ResolveReference(link.attribute("href").value(), BaseAt(link, fallback));
          break;
        }
      }
    }
    if (!IsHttpAddress(base)) base = fallback;
    for (pugi::xml_node entry = root.first_child(); entry && document->items.size() < maxItems;
         entry = entry.next_sibling()) {
      if (entry.type() != pugi::node_element || LocalName(entry) != "entry") continue;
      AddItem(AtomTitle(Child(entry, "title")), AtomLink(entry, base), document);
    }
  } else if (rootName == "rss" || rootName == "RDF") {
    document->format = rootName == "rss" ? "rss" : "rdf";
    const pugi::xml_node channel = Child(root, "channel");
    const pugi::xml_node channelLink = Child(channel, "link");
    std::string base = fallback;
    if (!Trim(channelLink.child_value()).empty()) {
      const std::string resolved =
          ResolveReference(channelLink.child_value(), BaseAt(channelLink, fallback));
      if (IsHttpAddress(resolved)) base = resolved;
    }
    // RSS 2.0 keeps items in the channel, RSS 1.0 beside it, and some 0.9x feeds do either.
    for (const pugi::xml_node& parent : {channel, root}) {
      if (!parent) continue;
      for (pugi::xml_node item = parent.first_child(); item && document->items.size() < maxItems;
           item = item.next_sibling()) {
        if (item.type() != pugi::node_element || LocalName(item) != "item") continue;
        AddItem(CleanHeadline(TitleMarkup(Child(item, "title"), true), true, kMaxHeadlineChars),
                RssLink(item, base), document);
      }
    }
  } else {
    *error = "not RSS or Atom: the root element is <" + std::string(root.name()) + ">";
    return false;
  }

  if (document->items.empty()) {
    *error = document->untitled > 0
                 ? "no item has a title (" + std::to_string(document->untitled) + " untitled)"
                 : "the document holds no items";
    return false;
  }
  return true;
}
