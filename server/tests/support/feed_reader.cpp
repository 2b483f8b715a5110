// The ticker's feed walk: topic, kind, colour, text and link markers, references and ';'.
#include "feed_reader.h"

#include <strings.h>

#include "feed/codecs.h"

namespace {

void Recolour(const std::string& topic, int* color) {
  if (topic.size() < 2) return;
  if (topic[0] == 'r') {
    const std::string_view letters = "twbcpes";
    const size_t at = letters.find(topic[1]);
    if (at != std::string_view::npos) *color = static_cast<int>(at) + 1;
  } else if (topic[0] == 'w') {
    *color = 8;
  }
}

}  // namespace

ReadFeed ReadFeedLikeTheTicker(std::string_view input, bool accountMode) {
  // The feed ends at its first NUL; a NUL after the last byte makes look-ahead safe.
  const std::string bytes = std::string(input.substr(0, input.find('\0'))) + std::string(12, '\0');
  const size_t n = std::min(input.size(), input.find('\0'));
  ReadFeed feed;
  std::string topic;
  char kind = '1', previousKind = '2';
  int color = 0, savedColor = 0;
  bool sectionStart = false, pending = false;
  std::string out;
  size_t itemStart = 0, titleEnd = 0;

  auto append = [&](const std::string& link, int colorIndex, bool section, bool tall) {
    ReadItem item;
    item.topic = topic;
    item.text = out.substr(itemStart);
    item.title = out.substr(itemStart, titleEnd - itemStart);
    item.link = link;
    item.color = colorIndex;
    item.startsSection = section;
    item.tallFont = tall;
    feed.items.push_back(item);
  };

  size_t p = 0;
  while (p < n) {
    const unsigned char c = static_cast<unsigned char>(bytes[p]);
    if (c >= 30 && c <= 127) {
      ++p;
      continue;
    }
    switch (c) {
      case 0x0E:
        sectionStart = true;
        topic = bytes.substr(p + 1, 2);
        feed.topics.push_back(topic);
        if (topic == "ma") feed.mailAlert = true;
        p += 2;  // onto the code's second byte
        break;
      case 0x05:
        previousKind = kind;
        kind = bytes[p + 1];
        if (kind != previousKind) {
          ++p;
          if (color == 0 || !accountMode) Recolour(topic, &color);
        }
        if (!accountMode && kind == '1') color = 15;
        break;
      case 0x04:
        if (accountMode) {
          savedColor = color;
          int value = 0, digits = 0;
          while (digits < 2 && bytes[p + 1 + digits] >= '0' && bytes[p + 1 + digits] <= '9') {
            value = value * 10 + (bytes[p + 1 + digits] - '0');
            ++digits;
          }
          color = value;
          p += digits;
        }
        break;
      case 0x0B: {
        if (pending) append("", savedColor, false, previousKind != '1');
        pending = true;
        itemStart = out.size();
        ++p;  // past the marker
        if (!topic.empty() && topic[0] == 'q' && kind == '2') {
          char sign = 0;
          for (size_t q = p; q < n; ++q) {
            const unsigned char b = static_cast<unsigned char>(bytes[q]);
            if (b < 31 || b >= 128 || b == '|') break;
            if (b == '+' || b == '-') sign = static_cast<char>(b);
          }
          color = sign == '+' ? 10 : sign == '-' ? 9 : 11;
        }
        const size_t textStart = p;
        while (p < n) {
          const unsigned char b = static_cast<unsigned char>(bytes[p]);
          if (b <= 30 || b == '|') break;
          if (b == '&') {
            char decoded = ' ';
            DecodeHtmlEntity(&decoded, bytes.c_str() + p);
            bool semicolon = false;
            for (size_t k = 1; k <= 9 && p + k < n; ++k)
              semicolon = semicolon || bytes[p + k] == ';';
            if (semicolon) {
              out += decoded;
              size_t q = p + 1;
              while (q < n && bytes[q] != ';' && bytes[q] != '&') ++q;
              p = q;
            } else {
              out += '&';
              ++p;
            }
            continue;
          }
          if (b != ';') out += static_cast<char>(b);
          ++p;
        }
        titleEnd = out.size();
        const bool endedByText = p < n && bytes[p] == 0x0B;
        if (!endedByText && p > textStart && bytes[p - 1] == ':') out += "  ";
        const bool bullet = kind == '2' && strcasecmp(topic.c_str(), "qt") != 0 &&
                            strcasecmp(topic.c_str(), "wt") != 0 &&
                            strcasecmp(topic.c_str(), "pf") != 0;
        out += bullet ? "  \x95  " : "  ";
        // A text marker that ends the text is consumed; any other ending byte is acted on next.
        if (!endedByText) --p;
        break;
      }
      case 0x0D: {
        ++p;
        const size_t start = p;
        if (p < n) ++p;
        while (p < n) {
          const unsigned char b = static_cast<unsigned char>(bytes[p]);
          if (b < 31 || b >= 128 || b == '|') break;
          ++p;
        }
        pending = false;
        std::string link = bytes.substr(start, p - start);
        if (strncasecmp(link.c_str(), "http:", 5) != 0) link = "http://" + link;
        append(link, color, sectionStart, kind == '2');
        sectionStart = false;
        break;  // on the byte that ended the link, which is consumed below
      }
      default:
        break;
    }
    ++p;
  }
  return feed;
}

std::vector<ReadItem> ItemsOfTopic(const ReadFeed& feed, std::string_view topic) {
  std::vector<ReadItem> items;
  for (const ReadItem& item : feed.items) {
    if (item.topic == topic) items.push_back(item);
  }
  return items;
}
