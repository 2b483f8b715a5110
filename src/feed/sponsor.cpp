// Sponsor keys and sponsor items.
#include "feed/sponsor.h"

#include <cstring>

#include "feed/bounded_text.h"

namespace {

// The bullet of the ANSI code page closes every sponsor entry.
constexpr char kSponsorTail[] = "  \x95";
constexpr const char* kDefaultCaption = "    Sponsor: ";

template <size_t N>
void ReadKey(SponsorKeySource& source, const char* key, char (&field)[N]) {
  field[0] = '\0';
  source.ReadSponsorKey(key, field, N);
  field[N - 1] = '\0';
}

}  // namespace

void ReadSponsorKeys(SponsorKeySource& source, SponsorKeys* keys) {
  ReadKey(source, "Image", keys->image);
  ReadKey(source, "news", keys->news);
  ReadKey(source, "Caption", keys->caption);
  ReadKey(source, "CaptionURL", keys->captionUrl);
  ReadKey(source, "Alternate News", keys->alternateNews);
  ReadKey(source, "External News", keys->externalNews);
}

size_t BuildSponsorDisplayText(const char* part, size_t partLength, char* out, size_t capacity) {
  const size_t tailLength = sizeof kSponsorTail - 1;
  if (capacity < 2 + tailLength + 1) {
    if (capacity > 0) out[0] = '\0';
    return 0;
  }
  // The part may use what is left after the two leading spaces, the tail and the NUL.
  BoundedText text(out, capacity - tailLength);
  text.Add("  ");
  bool inTag = false;
  for (size_t i = 0; i < partLength && !text.cut(); ++i) {
    const unsigned char c = static_cast<unsigned char>(part[i]);
    if (inTag) {
      if (c == '>') inTag = false;
    } else if (c == '<') {
      inTag = true;
    } else if (c >= 20) {
      text.AddChar(static_cast<char>(c));
    }
  }
  const size_t length = text.length();
  std::memcpy(out + length, kSponsorTail, tailLength + 1);
  return length + tailLength;
}

void BuildSponsorItems(const char* data, size_t length, const char* caption,
                       const char* captionUrl, const char* makerHomePage,
                       const FeedTarget& target) {
  target.list->Restart();

  char text[kSponsorTextSize];
  BoundedText captionText(text, sizeof text);
  if (caption != nullptr && caption[0] != '\0') {
    captionText.Add("  ");
    captionText.Add(caption);
  } else {
    captionText.Add(kDefaultCaption);
  }
  const char* captionLink =
      captionUrl != nullptr && captionUrl[0] != '\0' ? captionUrl : makerHomePage;
  target.list->Append(target.measurer, text, captionLink != nullptr ? captionLink : "", 15, 1, 0);

  if (data == nullptr) return;
  const void* nul = std::memchr(data, '\0', length);
  const size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - data)
                                    : length;

  char link[kFeedLinkFieldSize];
  size_t position = 0;
  while (position < end) {
    // The display part runs to the next '|', across line ends when a line has none; whatever
    // follows the last '|' line is not an entry.
    const void* bar = std::memchr(data + position, '|', end - position);
    if (bar == nullptr) break;
    const size_t barAt = static_cast<size_t>(static_cast<const char*>(bar) - data);
    BuildSponsorDisplayText(data + position, barAt - position, text, sizeof text);

    size_t linkEnd = barAt + 1;
    while (linkEnd < end && data[linkEnd] != '\r' && data[linkEnd] != '\n') ++linkEnd;
    BoundedText linkField(link, sizeof link);
    linkField.AddBytes(data + barAt + 1, linkEnd - barAt - 1);

    target.list->Append(target.measurer, text, link, 14, 0, 1);
    position = linkEnd + 1;  // past the CR or LF; the LF of a CR LF is then dropped as a control
  }
}
