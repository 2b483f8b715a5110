// The sponsor: the optional overrides in "sponsor.ini" and the items built from the sponsor file
// (display text, '|', link per line) that lead the strip.
#pragma once

#include <cstddef>

#include "feed/feed_parser.h"

// Reads one key of section [Sponsor] of "sponsor.ini" beside the program. Section and key names
// match without regard to case. Fills out with a NUL-terminated text of at most capacity-1
// bytes, the empty text when the file, the section or the key is missing.
class SponsorKeySource {
 public:
  virtual ~SponsorKeySource() = default;
  virtual void ReadSponsorKey(const char* key, char* out, size_t capacity) = 0;
};

// The keys a feed pass uses, each field as long as the longest value used plus the NUL.
struct SponsorKeys {
  char image[100];          // "Image": the sponsor picture's address, used when it holds "http"
  char news[499];           // "news": the sponsor file's address
  char caption[499];        // "Caption": text of the caption item
  char captionUrl[299];     // "CaptionURL": link of the caption item
  char alternateNews[100];  // "Alternate News": a feed that replaces the portal's
  char externalNews[100];   // "External News": folder or address prefix of "news.dat"
};

// Reads every key; each field ends up NUL-terminated even if the source misbehaves.
void ReadSponsorKeys(SponsorKeySource& source, SponsorKeys* keys);

// Longest sponsor display text, NUL included.
constexpr size_t kSponsorTextSize = 500;

// The display text of one entry: two spaces, the display part with every tag ('<' through the
// next '>') removed and every byte below 20 dropped, two spaces and the bullet 0x95. A part too
// long for `capacity` is cut so that the text still ends with its bullet. Returns the length.
size_t BuildSponsorDisplayText(const char* part, size_t partLength, char* out, size_t capacity);

// Restarts the list and appends the caption item (colour 15, section start, small font) and one
// item per entry of the sponsor file (colour 14, tall font), in file order. The data ends at its
// first NUL or at `length`. The caption is "  " + `caption`, or "    Sponsor: " when that is
// empty; its link is `captionUrl`, or `makerHomePage` when that is empty.
void BuildSponsorItems(const char* data, size_t length, const char* caption,
                       const char* captionUrl, const char* makerHomePage,
                       const FeedTarget& target);
