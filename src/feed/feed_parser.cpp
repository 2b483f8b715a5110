// The feed parser: one linear walk over the marker stream; item texts are assembled in place in
// the pass's text buffer and copied once by the item list.
#include "feed/feed_parser.h"

#include <cstring>

#include "feed/bounded_text.h"
#include "feed/codecs.h"
#include "feed/feed_wire.h"

namespace {

// 0x95 is the bullet of the ANSI code page.
constexpr char kBulletSeparator[] = "  \x95  ";
constexpr char kPlainSeparator[] = "  ";

// Room an item needs in the text buffer past its text: two spaces after a closing ':', the longer
// separator and the NUL.
constexpr size_t kItemTailRoom = 2 + (sizeof kBulletSeparator - 1) + 1;

// A ';' this many bytes after an '&' or nearer closes a character reference.
constexpr size_t kReferenceReach = 9;

// DecodeHtmlEntity looks at most six bytes past the '&' (the longest names); near the end of the
// feed it gets a NUL-terminated copy so that it never reads past the feed.
constexpr size_t kEntityScratchSize = 8;

// Returned by a marker action when the walk cannot go on: the feed ends inside the marker's
// operand, or the text buffer is full.
constexpr size_t kStopWalk = static_cast<size_t>(-1);

bool EndsText(unsigned char c) { return c <= 30 || c == kLinkEnd; }
bool EndsLink(unsigned char c) { return c < 31 || c >= 128 || c == kLinkEnd; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const char* text, size_t length, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (length < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

class FeedWalk {
 public:
  FeedWalk(const unsigned char* feed, size_t end, const FeedParserSettings& settings,
           const FeedTarget& target, char* text, size_t textCapacity)
      : feed_(feed), end_(end), settings_(settings), target_(target), text_(text),
        textCapacity_(text != nullptr ? textCapacity : 0),
        externalNews_(settings.externalNews != nullptr ? settings.externalNews : "") {
    // A link marker before any text takes the empty text, not what an earlier pass left here.
    if (textCapacity_ > 0) text_[0] = '\0';
  }

  FeedParseOutcome Run() {
    FeedParseOutcome outcome;
    size_t i = 0;
    while (i < end_) {
      const unsigned char c = feed_[i];
      if (c >= 30 && c <= 127) {
        ++i;
        continue;
      }
      if (target_.strip->closing.load()) {
        outcome.result = FeedResult::kClosing;
        return outcome;
      }
      size_t next;
      switch (c) {
        case kTopicMarker: next = OnTopic(i); break;
        case kKindMarker: next = OnKind(i); break;
        case kColorMarker: next = OnColor(i); break;
        case kTextMarker: next = OnText(i); break;
        case kLinkMarker: next = OnLink(i); break;
        default: next = i + 1; break;
      }
      if (next == kStopWalk) break;
      i = next;
    }
    // A pending item without a link is dropped here.
    if (target_.strip->closing.load()) {
      outcome.result = FeedResult::kClosing;
      return outcome;
    }
    target_.list->Finish();
    outcome.mailSoundWanted = mailSoundWanted_;
    outcome.textBufferFull = textBufferFull_;
    return outcome;
  }

 private:
  // Each action returns where the walk goes on: past the byte that the action ended on.

  size_t OnTopic(size_t i) {
    sectionStart_ = true;
    if (end_ - i < 3) return kStopWalk;
    topic_[0] = static_cast<char>(feed_[i + 1]);
    topic_[1] = static_cast<char>(feed_[i + 2]);
    if (topic_[0] == 'm' && topic_[1] == 'a') {
      if (settings_.mailAlertIcon) target_.refresh->mailAlertPending = 1;
      if (settings_.mailAlertSound) mailSoundWanted_ = true;
    }
    return i + 3;
  }

  size_t OnKind(size_t i) {
    if (end_ - i < 2) return kStopWalk;
    previousKind_ = kind_;
    kind_ = static_cast<char>(feed_[i + 1]);
    size_t next = i + 1;
    if (kind_ != previousKind_) {
      next = i + 2;
      if (color_ == 0 || !settings_.accountMode) RecolorByTopic();
    }
    if (!settings_.accountMode && kind_ == kCaptionKind) color_ = 15;
    return next;
  }

  void RecolorByTopic() {
    if (topic_[0] == 'r') {
      switch (topic_[1]) {
        case 't': color_ = 1; break;
        case 'w': color_ = 2; break;
        case 'b': color_ = 3; break;
        case 'c': color_ = 4; break;
        case 'p': color_ = 5; break;
        case 'e': color_ = 6; break;
        case 's': color_ = 7; break;
        default: break;
      }
    } else if (topic_[0] == 'w') {
      color_ = 8;
    }
  }

  size_t OnColor(size_t i) {
    if (!settings_.accountMode) return i + 1;
    savedColor_ = color_;
    int32_t value = 0;
    size_t k = i + 1;
    while (k < end_ && k < i + 3 && feed_[k] >= '0' && feed_[k] <= '9') {
      value = value * 10 + (feed_[k] - '0');
      ++k;
    }
    color_ = value;
    return k;
  }

  size_t OnText(size_t i) {
    if (pending_) {
      target_.list->Append(target_.measurer, ItemText(), "", savedColor_, 0,
                           previousKind_ == kCaptionKind ? 0 : 1);
    }
    pending_ = true;
    itemStart_ = out_;
    size_t q = i + 1;

    if (topic_[0] == 'q' && kind_ == kContentKind) ColorQuoteRow(q);

    while (q < end_ && !EndsText(feed_[q])) {
      if (out_ + kItemTailRoom >= textCapacity_) {
        textBufferFull_ = true;
        return kStopWalk;
      }
      const char c = static_cast<char>(feed_[q]);
      if (c == '&') {
        q = CopyReference(q);
      } else if (c == ';') {
        ++q;  // never part of a text, inside a reference or not
      } else {
        text_[out_++] = c;
        ++q;
      }
    }
    if (out_ + kItemTailRoom > textCapacity_) {  // an empty text with no room for its tail
      textBufferFull_ = true;
      return kStopWalk;
    }

    size_t next;
    if (q < end_ && feed_[q] == kTextMarker) {
      next = q + 1;  // a text marker right after a text closes it and is used up
    } else {
      // The ending byte is acted on next. feed_[q - 1] is the text's last byte, or the marker
      // itself when the text is empty.
      next = q;
      if (feed_[q - 1] == ':') {
        text_[out_++] = ' ';
        text_[out_++] = ' ';
      }
    }

    const char* separator = kind_ == kContentKind && !TopicIs("qt") && !TopicIs("wt") && !TopicIs("pf")
                                ? kBulletSeparator
                                : kPlainSeparator;
    for (const char* s = separator; *s != '\0'; ++s) text_[out_++] = *s;
    text_[out_] = '\0';  // the next text overwrites it
    return next;
  }

  // The last sign in the row decides: up, down, or unchanged when the row has neither.
  void ColorQuoteRow(size_t q) {
    char sign = 0;
    for (size_t k = q; k < end_ && !EndsLink(feed_[k]); ++k) {
      if (feed_[k] == '+' || feed_[k] == '-') sign = static_cast<char>(feed_[k]);
    }
    color_ = sign == '+' ? 10 : sign == '-' ? 9 : 11;
  }

  // At an '&': the decoded byte stays when a ';' closes the reference within reach, and the walk
  // goes on at the next ';' or '&'; otherwise the '&' is an ordinary character.
  size_t CopyReference(size_t q) {
    bool closed = false;
    for (size_t k = q + 1; k < end_ && k <= q + kReferenceReach; ++k) {
      if (feed_[k] == ';') {
        closed = true;
        break;
      }
    }
    if (!closed) {
      text_[out_++] = '&';
      return q + 1;
    }
    const char* reference = reinterpret_cast<const char*>(feed_ + q);
    if (end_ - q < kEntityScratchSize) {
      char scratch[kEntityScratchSize] = {};
      std::memcpy(scratch, reference, end_ - q);
      DecodeHtmlEntity(&text_[out_], scratch);
    } else {
      DecodeHtmlEntity(&text_[out_], reference);
    }
    ++out_;
    size_t k = q + 1;
    while (feed_[k] != ';' && feed_[k] != '&') ++k;  // the ';' found above bounds this
    return k;
  }

  size_t OnLink(size_t i) {
    pending_ = false;
    const size_t start = i + 1;
    size_t q = start;
    if (q < end_) ++q;  // the first byte always belongs to the link
    while (q < end_ && !EndsLink(feed_[q])) ++q;

    char link[kFeedLinkFieldSize];
    BoundedText field(link, sizeof link);
    const char* relative = reinterpret_cast<const char*>(feed_ + start);
    const size_t length = q - start;
    if (StartsWithNoCase(relative, length, "http:")) {
      field.AddBytes(relative, length);
    } else if (externalNews_[0] != '\0') {
      field.Add(externalNews_);
      if (externalNews_[std::strlen(externalNews_) - 1] != '\\') field.AddChar('\\');
      field.AddBytes(relative, length);
    } else {
      field.Add("http://");
      field.AddBytes(relative, length);
    }

    target_.list->Append(target_.measurer, ItemText(), link, color_, sectionStart_ ? 1 : 0,
                         kind_ == kCaptionKind ? 0 : 1);
    sectionStart_ = false;
    return q < end_ ? q + 1 : end_;  // the byte that ended the link is used up
  }

  bool TopicIs(const char* code) const {
    return LowerAscii(topic_[0]) == code[0] && LowerAscii(topic_[1]) == code[1];
  }

  const char* ItemText() const { return textCapacity_ > 0 ? text_ + itemStart_ : ""; }

  const unsigned char* feed_;
  size_t end_;
  const FeedParserSettings& settings_;
  const FeedTarget& target_;
  char* text_;
  size_t textCapacity_;
  const char* externalNews_;

  // Defined starting values: no topic, colour 0 until a marker sets one.
  char topic_[2] = {0, 0};
  char kind_ = kCaptionKind;
  char previousKind_ = kContentKind;
  int32_t color_ = 0;
  int32_t savedColor_ = 0;
  bool sectionStart_ = false;
  bool pending_ = false;
  size_t itemStart_ = 0;
  size_t out_ = 0;
  bool mailSoundWanted_ = false;
  bool textBufferFull_ = false;
};

}  // namespace

FeedParseOutcome ParseFeed(const char* feed, size_t length, bool listRestarted,
                           const FeedParserSettings& settings, const FeedTarget& target,
                           char* textBuffer, size_t textCapacity) {
  if (!listRestarted) target.list->Restart();
  size_t end = 0;
  if (feed != nullptr) {
    const void* nul = std::memchr(feed, '\0', length);
    end = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - feed) : length;
  }
  FeedWalk walk(reinterpret_cast<const unsigned char*>(feed), end, settings, target, textBuffer,
                textCapacity);
  return walk.Run();
}

MailSound ChooseMailSound(bool otherMailSound, int32_t mailSoundIndex,
                          const char* otherMailSoundName) {
  MailSound sound;
  if (otherMailSound) {
    sound.kind = MailSoundKind::kFile;
    sound.name = otherMailSoundName != nullptr ? otherMailSoundName : "";
  } else if (mailSoundIndex == 0) {
    sound.kind = MailSoundKind::kResource;
    sound.name = kMailSoundResource1;
  } else if (mailSoundIndex == 1) {
    sound.kind = MailSoundKind::kResource;
    sound.name = kMailSoundResource2;
  }
  return sound;
}

MailSound DecideMailSound(const FeedParserSettings& settings, RefreshFlags& flags, bool cachePass,
                          bool mailSoundWanted) {
  MailSound sound;
  if (cachePass) return sound;
  if (mailSoundWanted && flags.mailSoundArmed.load()) {
    sound = ChooseMailSound(settings.otherMailSound, settings.mailSoundIndex,
                            settings.otherMailSoundName);
    flags.mailSoundArmed = 0;
  }
  if (!mailSoundWanted) flags.mailSoundArmed = 1;
  return sound;
}
