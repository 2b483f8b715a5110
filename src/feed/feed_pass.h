// One feed pass: where the strip's content comes from (cache files, sponsor file, alternate or
// external news, the portal after an account login, the data server), fetching or loading it,
// keeping the cache files, and parsing it into the item list. Portable: everything the pass needs
// from Windows comes through FeedPassEnvironment.
#pragma once

#include <cstddef>

#include "res/program_text.h"
#include "feed/feed_parser.h"
#include "feed/feed_settings.h"
#include "feed/sponsor.h"
#include "net/transfer_bounds.h"

// Buffers of one pass.
constexpr size_t kFeedBufferSize = 200000;    // sponsor file, then login answer, then the feed
constexpr size_t kFeedFileReadMax = 100000;   // bytes read from a file into the feed buffer
constexpr size_t kPictureBufferSize = 20000;  // the sponsor picture

// File names in the program's folder (for a copy installed for all users, in the user's own
// "%LOCALAPPDATA%\Newsrail", since only an administrator may write beside the program).
constexpr const char* kSponsorCacheFile = "Sponsor.Dat";
constexpr const char* kNewsCacheFile = "News.Dat";
constexpr const char* kSponsorPictureFile = "sponsor.bmp";

// What the pass asks of the Win32 side. Every call runs on the refresh worker and may block.
class FeedPassEnvironment : public SponsorKeySource {
 public:
  // `HttpGetUrl` on the cycle's Internet handle: stores at most capacity-1 body bytes and a NUL
  // after them, and returns the number stored. An answer longer than that is cut: the read stops
  // when the buffer is full. 0 means failure, a 404, or an empty answer. Stops early (returning
  // what it has) when `closing` is set. *answer tells the status and whether the body came whole
  // (a cut answer never did).
  virtual size_t HttpGet(const char* url, char* buffer, size_t capacity, HttpAnswer* answer) = 0;

  // Reads the file `name` in the program's folder ("Sponsor.Dat", "News.Dat"): at most
  // capacity-1 bytes, then a NUL. Returns the bytes stored, or -1 when the file cannot be opened.
  virtual long ReadProgramFile(const char* name, char* buffer, size_t capacity) = 0;

  // As ReadProgramFile, for a path exactly as [Sponsor] "External News" gives it (a folder of the
  // user's choice, or a relative path).
  virtual long ReadPathFile(const char* path, char* buffer, size_t capacity) = 0;

  // Creates the file `name` in the program's folder anew with exactly these bytes (none makes an
  // empty file), replacing the old one in one step. False when it cannot be written: the old file
  // stays, and the pass goes on.
  virtual bool WriteProgramFile(const char* name, const char* bytes, size_t count) = 0;

  // Opens the address in the user's browser (`OpenUrl`).
  virtual void OpenUrl(const char* url) = 0;

  // The text of string-table entry `id` (an IDS_ number of res/resource.h), NUL-terminated and
  // cut to capacity; the empty text when there is none. The texts live in the resource script so
  // that the program can be translated; tests read them from the same source.
  virtual void LoadText(int id, char* out, size_t capacity) = 0;

  // A message box without owner, OK button only. Blocks until the user answers.
  virtual void ShowMessage(const char* caption, const char* text) = 0;

  // The local time as six digits, hours in 24-hour form: "134501" at 13:45:01.
  virtual void CurrentTimeHhmmss(char out[7]) = 0;

  // Plays the sound asynchronously (PlaySoundA with SND_ASYNC, and SND_RESOURCE for kResource).
  // Never called with MailSoundKind::kNone; sound.name is valid only during the call.
  virtual void PlayMailSound(const MailSound& sound) = 0;
};

// The refresh worker's side, per cycle (the text buffer is kFeedTextBufferSize bytes, zeroed):
//
//   FeedSettings settings;                    // from the preference copies, under their lock,
//   ReadFeedStoreSettings(store, &settings);  // then the values read afresh from the store
//   FeedTarget target{&itemList, &measurer, &flags};
//   if (!flags.loadFromCache && flags.firstCycle && NewsCacheHoldsFeed(env)) {  // cache first
//     flags.loadFromCache = 1;
//     if (RunFeedPass(env, settings, target, text, size) == FeedResult::kClosing) -> end early
//     repaint the window now; flags.loadFromCache = 0; flags.stripFilled = 1;
//   }
//   if (RunFeedPass(env, settings, target, text, size) == FeedResult::kClosing) -> end early
//   flags.stripFilled = 1;
//
// "End early": release the text buffer, leave the lock, give back the worker gate and end the
// thread without touching the window; shutdown is waiting on the gate.

// True when "News.Dat" holds what a cache pass shows (it reads like a feed). The first cycle
// shows the cache before it goes to the network only then: a cache pass without one would fetch
// the feed itself, and the network pass after it the same feed again.
bool NewsCacheHoldsFeed(FeedPassEnvironment& env);

// Runs one pass. A cache pass when target.flags->loadFromCache is set, else a network pass.
// `textBuffer` is the cycle's text buffer (kFeedTextBufferSize bytes); the feed and picture
// buffers are the pass's own.
//
// Reads flags firstCycle and closing; writes feedReceived, loginRetry, restartNoticeSeen,
// mailAlertPending and mailSoundArmed; status pairs set stripFilled. The caller sets stripFilled
// after the pass as well (the list may have been finished without a status pair).
//
// Returns kClosing when it saw `closing` set: the pass stopped without finishing the list, wrote
// no file after the moment it noticed, and the worker should release its buffers, give back the
// worker gate and end its thread without touching the window again. Otherwise kDone, whatever the pass
// achieved: failures have been shown (status pairs, message box) or are silent, as designed.
FeedResult RunFeedPass(FeedPassEnvironment& env, const FeedSettings& settings,
                       const FeedTarget& target, char* textBuffer, size_t textCapacity);
