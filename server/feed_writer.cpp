// The feed's byte form: escaping of texts and links, and the markers around them.
#include "feed_writer.h"

#include <cstring>

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool LinkByteNeedsEscape(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return true;
  return std::strchr("|\"<>\\^`{}", c) != nullptr;
}

// A FeedRow is a plain struct, so its bytes are checked here once more rather than trusted.
bool IsFramingSafe(const FeedRow& row) {
  if (row.text.empty() || row.link.empty() || row.link.size() > kMaxLinkBytes) return false;
  for (const char ch : row.text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == '|') return false;
  }
  for (const char ch : row.link) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || c == '|') return false;
  }
  return true;
}

}  // namespace

std::string EncodeFeedText(std::string_view windows1252) {
  std::string out;
  out.reserve(windows1252.size() + 8);
  size_t chars = 0;
  for (const char ch : windows1252) {
    if (chars == kMaxTextChars) break;
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      out += ' ';
    } else if (c == '&') {
      // The ticker decodes "amp" to '&' and, seeing the ';' within reach, skips the reference.
      out += "&amp;";
    } else if (c == ';') {
      // A bare ';' is never copied by the ticker; a numeric reference brings it back.
      out += "&#59;";
    } else if (c == '|') {
      out += "&#124;";
    } else {
      out += ch;
    }
    ++chars;
  }
  return out;
}

std::string EncodeFeedLink(std::string_view link) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(link.size());
  for (size_t i = 0; i < link.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(link[i]);
    const bool strayPercent =
        c == '%' && !(i + 2 < link.size() && IsHexDigit(link[i + 1]) && IsHexDigit(link[i + 2]));
    if (LinkByteNeedsEscape(c) || strayPercent) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool MakeFeedRow(std::string_view windows1252Text, std::string_view link, FeedRow* row) {
  std::string text = EncodeFeedText(windows1252Text);
  std::string encodedLink = EncodeFeedLink(link);
  if (text.empty() || encodedLink.empty() || encodedLink.size() > kMaxLinkBytes) return false;
  row->text = std::move(text);
  row->link = std::move(encodedLink);
  return true;
}

FeedWriter::FeedWriter(size_t budget) : budget_(budget) {}

bool FeedWriter::BeginTopic(std::string_view code) {
  topicOpen_ =
      code.size() == 2 && code[0] >= 'a' && code[0] <= 'z' && code[1] >= 'a' && code[1] <= 'z';
  topicWritten_ = false;
  kind_ = 0;
  if (!topicOpen_) return false;
  topicCode_[0] = code[0];
  topicCode_[1] = code[1];
  return true;
}

void FeedWriter::SetColor(int colorIndex) {
  if (colorIndex >= 0 && colorIndex <= 15) pendingColor_ = colorIndex;
}

bool FeedWriter::CaptionRow(std::string_view windows1252Text, std::string_view link) {
  FeedRow row;
  return MakeFeedRow(windows1252Text, link, &row) && AppendRow(RowKind::kCaption, row);
}

bool FeedWriter::ContentRow(std::string_view windows1252Text, std::string_view link) {
  FeedRow row;
  return MakeFeedRow(windows1252Text, link, &row) && AppendRow(RowKind::kContent, row);
}

bool FeedWriter::AppendRow(RowKind kind, const FeedRow& row) {
  if (!topicOpen_ || full_ || !IsFramingSafe(row)) return false;
  const char kindChar = kind == RowKind::kCaption ? kCaptionKind : kContentKind;
  const bool writeTopic = !topicWritten_;
  const bool writeKind = kind_ != kindChar;
  const bool writeColor = pendingColor_ >= 0;
  const size_t size = (writeTopic ? 3 : 0) + (writeKind ? 2 : 0) + (writeColor ? 3 : 0) + 1 +
                      row.text.size() + 1 + row.link.size() + 1;
  if (bytes_.size() + size > budget_) {
    full_ = true;
    return false;
  }
  if (writeTopic) {
    bytes_ += kTopicMarker;
    bytes_.append(topicCode_, 2);
    topicWritten_ = true;
  }
  if (writeKind) {
    bytes_ += kKindMarker;
    bytes_ += kindChar;
    kind_ = kindChar;
  }
  if (writeColor) {
    // Always two digits: the ticker reads one or two, and a fixed width leaves nothing to guess.
    bytes_ += kColorMarker;
    bytes_ += static_cast<char>('0' + pendingColor_ / 10);
    bytes_ += static_cast<char>('0' + pendingColor_ % 10);
    pendingColor_ = -1;
  }
  bytes_ += kTextMarker;
  bytes_ += row.text;
  bytes_ += kLinkMarker;
  bytes_ += row.link;
  bytes_ += kLinkEnd;
  ++rowCount_;
  return true;
}
