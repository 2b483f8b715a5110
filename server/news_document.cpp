// RSS and Atom through pugixml: the document is parsed once, here, and only the headlines and
// links leave this file.
#include "news_document.h"

#include <cstring>
#include <pugixml.hpp>

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

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// All character data under a node, in document order, without recursion (the depth of a hostile
// document is not ours to choose) and with a bound on how much is gathered.
std::string GatherText(const pugi::xml_node& node) {
  constexpr size_t kLimit = 4096;
  std::string text;
  pugi::xml_node current = node.first_child();
  while (current && current != node && text.size() < kLimit) {
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

// An Atom text construct: type "text" (the default) is plain, "html" is escaped markup, "xhtml"
// is markup as elements.
std::string AtomTitle(const pugi::xml_node& title) {
  const std::string_view type = title.attribute("type").value();
  if (type == "xhtml") return CleanHeadline(GatherText(title), false, kMaxHeadlineChars);
  return CleanHeadline(GatherText(title), type == "html" || type == "text/html", kMaxHeadlineChars);
}

std::string AtomLink(const pugi::xml_node& entry) {
  std::string_view fallback;
  for (pugi::xml_node link = entry.first_child(); link; link = link.next_sibling()) {
    if (link.type() != pugi::node_element || LocalName(link) != "link") continue;
    const std::string_view href = link.attribute("href").value();
    if (href.empty()) continue;
    const std::string_view rel = link.attribute("rel").value();
    if (rel.empty() || rel == "alternate") return std::string(href);
    if (fallback.empty()) fallback = href;
  }
  return std::string(fallback);
}

std::string RssLink(const pugi::xml_node& item) {
  const std::string_view link = Trim(Child(item, "link").child_value());
  if (!link.empty()) return std::string(link);
  // A guid is the story's address unless it says otherwise.
  const pugi::xml_node guid = Child(item, "guid");
  if (guid && std::strcmp(guid.attribute("isPermaLink").value(), "false") != 0) {
    const std::string_view value = Trim(guid.child_value());
    if (StartsWithNoCase(value, "http://") || StartsWithNoCase(value, "https://")) {
      return std::string(value);
    }
  }
  return std::string();
}

void AddItem(std::string title, std::string_view link, std::string_view base,
             NewsDocument* document) {
  if (title.empty()) {
    ++document->untitled;
    return;
  }
  document->items.push_back({std::move(title), NormalizeStoryLink(Trim(link), base)});
}

}  // namespace

std::string NormalizeStoryLink(std::string_view link, std::string_view base) {
  link = Trim(link);
  if (link.empty()) return std::string();
  if (StartsWithNoCase(link, "http://")) return "http://" + std::string(link.substr(7));
  if (StartsWithNoCase(link, "https://")) return "http://" + std::string(link.substr(8));
  if (link.substr(0, 2) == "//") return "http:" + std::string(link);
  // Anything else with a scheme (mailto:, javascript:, ftp:) is no page for the strip.
  const size_t colon = link.find(':');
  const size_t slash = link.find('/');
  if (colon != std::string_view::npos && (slash == std::string_view::npos || colon < slash)) {
    return std::string();
  }
  base = Trim(base);
  const std::string absoluteBase = NormalizeStoryLink(base, std::string_view());
  if (absoluteBase.empty()) return std::string();
  const size_t hostEnd = absoluteBase.find('/', 7);
  const std::string origin = absoluteBase.substr(0, hostEnd);
  if (link[0] == '/') return origin + std::string(link);
  if (link[0] == '?' || link[0] == '#') {
    return absoluteBase.substr(0, absoluteBase.find(link[0])) + std::string(link);
  }
  if (hostEnd == std::string::npos) return origin + "/" + std::string(link);
  const std::string path = absoluteBase.substr(0, absoluteBase.find_first_of("?#"));
  return path.substr(0, path.rfind('/') + 1) + std::string(link);
}

bool ParseNewsDocument(std::string_view bytes, std::string_view sourceAddress, size_t maxItems,
                       NewsDocument* document, std::string* error) {
  *document = NewsDocument();
  pugi::xml_document xml;
  // The default options: no document type node is kept and no entity it declares is expanded.
  const pugi::xml_parse_result parsed =
      xml.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    *error = std::string("not well-formed XML: ") + parsed.description() + " at byte " +
             std::to_string(parsed.offset);
    return false;
  }
  const pugi::xml_node root = xml.document_element();
  const std::string_view rootName = LocalName(root);
  std::string base(sourceAddress);

  if (rootName == "feed") {
    document->format = "atom";
    for (pugi::xml_node link = root.child("link"); link; link = link.next_sibling("link")) {
      const std::string_view rel = link.attribute("rel").value();
      if (rel.empty() || rel == "alternate") base = link.attribute("href").value();
    }
    for (pugi::xml_node entry = root.first_child(); entry && document->items.size() < maxItems;
         entry = entry.next_sibling()) {
      if (entry.type() != pugi::node_element || LocalName(entry) != "entry") continue;
      AddItem(AtomTitle(Child(entry, "title")), AtomLink(entry), base, document);
    }
  } else if (rootName == "rss" || rootName == "RDF") {
    document->format = rootName == "rss" ? "rss" : "rdf";
    const pugi::xml_node channel = Child(root, "channel");
    const std::string_view channelLink = Trim(Child(channel, "link").child_value());
    if (!channelLink.empty()) base = std::string(channelLink);
    // RSS 2.0 keeps items in the channel, RSS 1.0 beside it, and some 0.9x feeds do either.
    for (const pugi::xml_node& parent : {channel, root}) {
      if (!parent) continue;
      for (pugi::xml_node item = parent.first_child(); item && document->items.size() < maxItems;
           item = item.next_sibling()) {
        if (item.type() != pugi::node_element || LocalName(item) != "item") continue;
        AddItem(CleanHeadline(GatherText(Child(item, "title")), true, kMaxHeadlineChars),
                RssLink(item), base, document);
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
