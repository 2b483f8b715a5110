// The feed's wire format: the single-byte markers that frame topics, row kinds, colours, texts
// and links. The ticker's parser, the content server's writer and the tests all take them from
// here. Each marker is also a string literal so that a test can paste it between literals:
// FEED_TOPIC "rt" FEED_KIND "2" FEED_TEXT "Headline" FEED_LINK "/a|".
#pragma once

#define FEED_TOPIC "\x0E"  // then the two-letter topic code
#define FEED_KIND "\x05"   // then '1' (caption rows) or '2' (content rows)
#define FEED_COLOR "\x04"  // then one or two decimal digits; honoured in account mode only
#define FEED_TEXT "\x0B"   // then the row's text, up to the next byte below 31 or '|'
#define FEED_LINK "\x0D"   // then the row's link, up to the next control byte, byte >= 128 or '|'

constexpr char kTopicMarker = FEED_TOPIC[0];
constexpr char kKindMarker = FEED_KIND[0];
constexpr char kColorMarker = FEED_COLOR[0];
constexpr char kTextMarker = FEED_TEXT[0];
constexpr char kLinkMarker = FEED_LINK[0];
constexpr char kLinkEnd = '|';  // ends a link, and with it the row

constexpr char kCaptionKind = '1';
constexpr char kContentKind = '2';
