// Writes the ticker's feed: the single-byte stream of topic, kind, colour, text and link markers
// that answers a data request. Whatever the texts and links hold, the framing cannot break.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "feed/feed_wire.h"

// The ticker keeps 249 bytes of an item's text, and that includes the separator (up to five
// bytes) and the two spaces it adds after a trailing ':'. Texts are cut to this many characters
// as the ticker will show them (a reference such as "&amp;" counts as the one byte it becomes).
constexpr size_t kMaxTextChars = 240;
// The ticker keeps 201 bytes of a link; a longer one would arrive cut and lead nowhere, so such a
// link is refused rather than cut.
constexpr size_t kMaxLinkBytes = 200;
// The ticker reads a cached feed through a 100000-byte buffer, and its item texts share a
// 100000-byte buffer with the sponsor's; a feed stays well below both.
constexpr size_t kDefaultFeedBudget = 65536;

enum class RowKind { kCaption, kContent };

// One row's text and link, already in their feed form (see EncodeFeedText and EncodeFeedLink).
// Rows that many answers share are encoded once when content is loaded and appended as they are.
struct FeedRow {
  std::string text;
  std::string link;
};

// The feed form of a text given as Windows-1252 bytes. Bytes below 32 and 0x7F become spaces;
// '&', ';' and '|' become "&amp;", "&#59;" and "&#124;", which the ticker decodes back to the
// same byte ('&' would start a reference, ';' is dropped, '|' would end the row). Bytes of 128
// and above pass unchanged. The result is cut to kMaxTextChars characters.
std::string EncodeFeedText(std::string_view windows1252);

// The feed form of a link: bytes that would end it early or that a browser command line cannot
// take (controls, space, 0x7F and above, '|', '"', '<', '>', '\\', '^', '`', '{', '}') become
// %XX, and a '%' that does not start an escape becomes "%25". Nothing is cut.
std::string EncodeFeedLink(std::string_view link);

// Encodes a text and a link into *row. False, leaving *row alone, when the encoded text is empty
// or the encoded link is empty or longer than kMaxLinkBytes: such a row could not be read back.
bool MakeFeedRow(std::string_view windows1252Text, std::string_view link, FeedRow* row);

// Builds one feed in memory.
//
//   FeedWriter writer;
//   writer.BeginTopic("rt");
//   writer.CaptionRow("Top Stories:", "http://host/news/rt");
//   writer.ContentRow("Quake hits coast", "http://host/a");
//   std::string bytes = writer.Take();
//
// gives ‹TOPIC›rt‹KIND›1‹TEXT›Top Stories:‹LINK›http://host/news/rt|‹KIND›2‹TEXT›Quake hits
// coast‹LINK›http://host/a|
//
// A topic's marker, a kind change and a colour are written together with the next row, so a
// topic none of whose rows fit leaves no bytes behind. Open every topic with a caption row: the
// ticker recolours by topic only when the kind changes, and a topic opening with content rows
// after another topic's content rows would keep that topic's colour.
//
// The writer holds at most `budget` bytes. A row that does not fit is refused, and so is every
// row after it, so a full feed is still a whole prefix of what was asked for.
class FeedWriter {
 public:
  explicit FeedWriter(size_t budget = kDefaultFeedBudget);

  // Opens a topic. False, and rows are refused until the next good BeginTopic, when the code is
  // not two lowercase ASCII letters.
  bool BeginTopic(std::string_view code);
  // Gives the following rows the colour index (0 to 15; other values are ignored). Only an
  // account-mode ticker honours it, and there it must be set, since a colour other than 0 stops
  // the ticker's recolouring by topic.
  void SetColor(int colorIndex);

  // Encode and append one row; false when the row is refused (bad text or link, no open topic,
  // or no room).
  bool CaptionRow(std::string_view windows1252Text, std::string_view link);
  bool ContentRow(std::string_view windows1252Text, std::string_view link);
  // Appends a row already in feed form, as MakeFeedRow makes it.
  bool AppendRow(RowKind kind, const FeedRow& row);

  const std::string& Bytes() const { return bytes_; }
  std::string Take() { return std::move(bytes_); }
  bool Empty() const { return bytes_.empty(); }
  size_t RowCount() const { return rowCount_; }
  // True once a row has been refused for lack of room.
  bool Full() const { return full_; }

 private:
  std::string bytes_;
  size_t budget_;
  size_t rowCount_ = 0;
  bool full_ = false;
  bool topicOpen_ = false;
  bool topicWritten_ = false;
  char topicCode_[2] = {0, 0};
  char kind_ = 0;  // the kind last written in the open topic, 0 before its first row
  int pendingColor_ = -1;
};
