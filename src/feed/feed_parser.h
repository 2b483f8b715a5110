// The feed parser: turns the content server's marker byte stream (and the cached copy of it) into
// strip items, and decides at the end of a pass whether the mail sound plays.
#pragma once

#include <cstddef>
#include <cstdint>

#include "feed/refresh_flags.h"
#include "strip/item_list.h"
#include "strip/strip_flags.h"

// The buffers of a refresh cycle and of one feed pass.
constexpr size_t kFeedTextBufferSize = 100000;  // item texts are assembled here, per cycle
constexpr size_t kFeedLinkFieldSize = 1000;     // the link of the current item

// Where a feed pass puts what it builds. All four must be set.
struct FeedTarget {
  TickerItemList* list;
  TextMeasurer* measurer;  // the ticker window's fonts; appends are skipped when it cannot measure
  StripFlags* strip;       // closing is read; status pairs write the list's flags
  RefreshFlags* refresh;   // mailAlertPending, mailSoundArmed and the cycle's flags
};

// How a parse or a whole feed pass ended.
enum class FeedResult {
  kDone,     // the pass ran to its end (or ended early in one of its defined ways)
  kClosing,  // the program is closing: the list was left unfinished and the worker should end
};

// The settings that steer the parse and its closing steps.
struct FeedParserSettings {
  bool accountMode = false;      // "My Vexlo!": honours colour markers, no caption recolouring
  bool mailAlertIcon = false;    // "Mail Alert Icon": an "ma" topic raises mailAlertPending
  bool mailAlertSound = false;   // "Mail Alert Sound": an "ma" topic asks for the sound
  bool otherMailSound = false;   // "Other Mail Sound": play the named file instead of a resource
  int32_t mailSoundIndex = 0;    // "Mail Sound Index": 0 "Sound1", 1 "Sound2", else none
  const char* otherMailSoundName = "";  // "Other Mail Sound Name"
  const char* externalNews = "";        // [Sponsor] "External News": prefix of relative links
};

struct FeedParseOutcome {
  FeedResult result = FeedResult::kDone;
  bool mailSoundWanted = false;  // the feed carried a mail alert and "Mail Alert Sound" is on
  bool textBufferFull = false;   // the texts did not fit the text buffer; the feed was cut there
};

// Parses the feed: the bytes up to its first NUL or `length`, whichever comes first (nothing is
// read at or past feed + length). Restarts the list unless `listRestarted` says the sponsor step
// already did, appends one item per linked text, and finishes the list.
//
// Item texts are assembled in `textBuffer` (`textCapacity` bytes, normally kFeedTextBufferSize),
// never past its end: a feed whose texts would not fit is cut where they stop fitting, as if it
// ended there. When flags->closing is seen the walk stops at once and returns kClosing without
// finishing the list.
FeedParseOutcome ParseFeed(const char* feed, size_t length, bool listRestarted,
                           const FeedParserSettings& settings, const FeedTarget& target,
                           char* textBuffer, size_t textCapacity);

// Which mail sound to play; the Win32 side plays it asynchronously.
enum class MailSoundKind {
  kNone,
  kResource,  // the program's WAVE resource `name` ("Sound1" or "Sound2")
  kFile,      // `name` is "Other Mail Sound Name": a sound alias or a file name
};

struct MailSound {
  MailSoundKind kind = MailSoundKind::kNone;
  const char* name = "";
};

constexpr const char* kMailSoundResource1 = "Sound1";
constexpr const char* kMailSoundResource2 = "Sound2";

// The sound the mail settings choose: the named file, else the program's sound by its index (0
// or 1; any other index plays nothing). Also what the Mail Alerts tab's Play button plays.
MailSound ChooseMailSound(bool otherMailSound, int32_t mailSoundIndex,
                          const char* otherMailSoundName);

// The closing steps of a pass: the sound plays when the pass wanted it, the sound is armed and
// this is not a cache pass, which disarms it; a network pass without a mail alert re-arms it.
// So a mail alert sounds once, and again only after a network pass without one.
MailSound DecideMailSound(const FeedParserSettings& settings, RefreshFlags& flags, bool cachePass,
                          bool mailSoundWanted);
