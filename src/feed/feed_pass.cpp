// One feed pass, from the sponsor file to the parsed strip.
#include "feed/feed_pass.h"

#include <cstring>
#include <memory>
#include <new>

#include "feed/feed_request.h"
#include "feed/feed_wire.h"
#include "res/resource.h"

namespace {

// A cached or external feed is used when it starts with a control byte or '|'. The byte is
// compared as a signed char, so bytes from 0x80 up pass as well, as they always have.
bool StartsLikeFeed(const char* bytes) {
  const signed char first = static_cast<signed char>(bytes[0]);
  return first < 30 || first == '|';
}

std::unique_ptr<char[]> ZeroedBuffer(size_t size) {
  return std::unique_ptr<char[]>(new (std::nothrow) char[size]());
}

class FeedPass {
 public:
  FeedPass(FeedPassEnvironment& env, const FeedSettings& settings, const FeedTarget& target,
           char* textBuffer, size_t textCapacity)
      : env_(env), settings_(settings), target_(target), flags_(*target.refresh),
        textBuffer_(textBuffer), textCapacity_(textCapacity),
        cachePass_(flags_.loadFromCache.load() != 0) {}

  FeedResult Run() {
    if (Closing()) return FeedResult::kClosing;
    feed_ = ZeroedBuffer(kFeedBufferSize);
    picture_ = ZeroedBuffer(kPictureBufferSize);
    if (feed_ == nullptr || picture_ == nullptr) return FeedResult::kDone;
    char* feed = feed_.get();

    ReadSponsorKeys(env_, &keys_);
    parserSettings_.accountMode = settings_.accountMode;
    parserSettings_.mailAlertIcon = settings_.mailAlertIcon;
    parserSettings_.mailAlertSound = settings_.mailAlertSound;
    parserSettings_.otherMailSound = settings_.otherMailSound;
    parserSettings_.mailSoundIndex = settings_.mailSoundIndex;
    parserSettings_.otherMailSoundName = settings_.otherMailSoundName;
    parserSettings_.externalNews = keys_.externalNews;

    // The sponsor file: from its cache in a cache pass, else fetched (with the picture).
    size_t sponsorLength = 0;
    if (cachePass_) {
      const long n = ReadFile(kSponsorCacheFile, nullptr, feed, kFeedFileReadMax + 1);
      if (n >= 0) {
        sponsorLength = static_cast<size_t>(n);
      } else if (flags_.firstCycle.load()) {
        ShowStatus(IDS_CONTACTING_CAPTION, IDS_CONTACTING_MESSAGE);
      }
    } else {
      // An error page or a cut answer counts as nothing came: the picture file is made empty, as
      // for no answer at all, and the sponsor cache keeps what it held.
      if (NamesHttpAddress(keys_.image)) {
        const size_t n = FetchWhole(keys_.image, picture_.get(), kPictureBufferSize);
        if (Closing()) return FeedResult::kClosing;
        env_.WriteProgramFile(kSponsorPictureFile, picture_.get(), n);
      }
      if (keys_.news[0] != '\0') {
        const size_t n = FetchWhole(keys_.news, feed, kFeedBufferSize);
        if (Closing()) return FeedResult::kClosing;
        if (n > 0) {
          cacheNotSaved_ = !env_.WriteProgramFile(kSponsorCacheFile, feed, n);
          sponsorLength = n;
        }
      }
    }

    EncodeCredential(settings_.userId, encodedUserId_);
    EncodeCredential(settings_.password, encodedPassword_);

    if (sponsorLength > 0) {
      BuildSponsorItems(feed, sponsorLength, keys_.caption, keys_.captionUrl,
                        settings_.makerHomePage, target_);
      listRestarted_ = true;
    }

    // A cache pass parses "News.Dat" when it looks like a feed; otherwise it goes to the network.
    if (cachePass_) {
      const long n = ReadFile(kNewsCacheFile, nullptr, feed, kFeedFileReadMax + 1);
      if (n >= 0 && StartsLikeFeed(feed)) return Parse(static_cast<size_t>(n));
      if (n >= 0 || flags_.firstCycle.load()) {
        ShowStatus(IDS_CONTACTING_CAPTION, IDS_CONTACTING_MESSAGE);
      }
    }
    return FetchFeed();
  }

 private:
  // From the alternate or external source, or from the data server after an optional login.
  FeedResult FetchFeed() {
    char* feed = feed_.get();
    for (;;) {
      if (keys_.alternateNews[0] != '\0') {
        char address[kRequestAddressSize];
        BuildAlternateNewsAddress(keys_.alternateNews, encodedUserId_, encodedPassword_, address,
                                  sizeof address);
        return ParseFetched(Fetch(address, feed, kFeedBufferSize));
      }

      if (keys_.externalNews[0] != '\0') {
        char path[kRequestAddressSize];
        BuildExternalNewsPath(keys_.externalNews, path, sizeof path);
        if (NamesHttpAddress(path)) return ParseFetched(Fetch(path, feed, kFeedBufferSize));
        const long n = ReadFile(nullptr, path, feed, kFeedFileReadMax + 1);
        if (n >= 0) {
          if (StartsLikeFeed(feed)) return Parse(static_cast<size_t>(n));
          return FeedResult::kDone;  // not a feed: the strip stays as it is
        }
      }

      if (settings_.accountMode && (flags_.firstCycle.load() || flags_.loginRetry.load())) {
        char address[kLoginAddressSize];
        BuildLoginAddress(settings_, encodedUserId_, encodedPassword_, address, sizeof address);
        const size_t n = Fetch(address, feed, kFeedBufferSize);
        if (Closing()) return FeedResult::kClosing;
        if (n == 0) return FeedResult::kDone;
        switch (ClassifyLoginAnswer(feed)) {
          case LoginAnswer::kLoggedIn:
            break;
          case LoginAnswer::kPreferences:
            ShowStatus(IDS_SETUP_CAPTION, IDS_SETUP_MESSAGE);
            env_.OpenUrl(settings_.accountSetupPage);
            return FeedResult::kDone;
          case LoginAnswer::kError:
            ShowStatus(IDS_BAD_LOGIN_CAPTION, IDS_BAD_LOGIN_MESSAGE);
            return FeedResult::kDone;
          case LoginAnswer::kUnexpected:
            char caption[kProgramTextSize];
            LoadText(IDS_UNEXPECTED_LOGIN_CAPTION, caption);
            env_.ShowMessage(caption, feed);
            break;
        }
        flags_.loginRetry = 0;
      }

      char time[7] = {};
      env_.CurrentTimeHhmmss(time);
      time[6] = '\0';
      char address[kRequestAddressSize];
      BuildDataRequestAddress(settings_, time, address, sizeof address);
      // An error page (a 500, a busy server's 503) or a feed cut off on the way is no answer:
      // the cache and the strip of earlier news stay.
      const size_t n = FetchWhole(address, feed, kFeedBufferSize);
      if (Closing()) return FeedResult::kClosing;
      if (n == 0) {
        // No answer. A strip of earlier news stays as it is; but a strip that has nothing to show
        // yet (or only says it is contacting the server) says that nothing came.
        const TickerItemList& list = *target_.list;
        if (!listRestarted_ && (list.PendingCount() == 0 || list.HoldsStatusPair())) {
          ShowStatus(IDS_NO_DATA_CAPTION, IDS_NO_DATA_MESSAGE);
        }
        return Conclude(false, false);
      }
      flags_.feedReceived = 1;

      // The server asks once per process for a fresh login and request; that answer is not kept.
      if (std::strstr(feed, "Please restart") != nullptr && !flags_.restartNoticeSeen.load()) {
        flags_.loginRetry = 1;
        flags_.restartNoticeSeen = 1;
        continue;
      }
      // Only a feed replaces the cache, so that the next start still shows the last good news.
      if (feed[0] != kTopicMarker) {
        ShowStatus(IDS_NO_DATA_CAPTION, IDS_NO_DATA_MESSAGE);
        return FeedResult::kDone;
      }
      if (!env_.WriteProgramFile(kNewsCacheFile, feed, n) || cacheNotSaved_) {
        AnnounceCacheNotSaved();
      }
      return Parse(n);
    }
  }

  // An alternate or external answer is parsed untested; when nothing came the list is finished
  // with what it holds, as for an empty data answer.
  FeedResult ParseFetched(size_t n) {
    if (Closing()) return FeedResult::kClosing;
    if (n == 0) return Conclude(false, false);
    return Parse(n);
  }

  FeedResult Parse(size_t n) {
    const FeedParseOutcome outcome = ParseFeed(feed_.get(), n, listRestarted_, parserSettings_,
                                               target_, textBuffer_, textCapacity_);
    if (outcome.result == FeedResult::kClosing) return FeedResult::kClosing;
    return Conclude(outcome.mailSoundWanted, true);
  }

  // The end of a pass that built a strip: finish the list (unless the parse did) and settle the
  // mail sound.
  FeedResult Conclude(bool mailSoundWanted, bool listFinished) {
    if (Closing()) return FeedResult::kClosing;
    if (!listFinished) target_.list->Finish();
    const MailSound sound = DecideMailSound(parserSettings_, flags_, cachePass_, mailSoundWanted);
    if (sound.kind != MailSoundKind::kNone) env_.PlayMailSound(sound);
    return FeedResult::kDone;
  }

  // Fetches into the buffer and NUL-terminates what came, whatever the environment reported.
  size_t Fetch(const char* url, char* buffer, size_t capacity, HttpAnswer* answer = nullptr) {
    HttpAnswer ignored;
    size_t n = env_.HttpGet(url, buffer, capacity, answer != nullptr ? answer : &ignored);
    if (n > capacity - 1) n = capacity - 1;
    buffer[n] = '\0';
    return n;
  }

  // As Fetch, but anything other than a whole 200 answer counts as nothing (0).
  size_t FetchWhole(const char* url, char* buffer, size_t capacity) {
    HttpAnswer answer;
    const size_t n = Fetch(url, buffer, capacity, &answer);
    if (answer.status == 200 && answer.whole) return n;
    buffer[0] = '\0';
    return 0;
  }

  // A program folder that cannot be written: said once per run, ahead of the news, rather than
  // caching silently no more.
  void AnnounceCacheNotSaved() {
    if (flags_.cacheNoticeShown.exchange(1) != 0) return;
    if (!listRestarted_) target_.list->Restart();
    listRestarted_ = true;
    char text[kProgramTextSize];
    LoadText(IDS_CACHE_NOT_SAVED, text);
    target_.list->Append(target_.measurer, text, "", 15, 1, 1);
  }

  // A program file by name, or a file by path; -1 when missing. NUL-terminated like Fetch.
  long ReadFile(const char* name, const char* path, char* buffer, size_t capacity) {
    long n = name != nullptr ? env_.ReadProgramFile(name, buffer, capacity)
                             : env_.ReadPathFile(path, buffer, capacity);
    if (n < 0) return -1;
    if (static_cast<size_t>(n) > capacity - 1) n = static_cast<long>(capacity - 1);
    buffer[n] = '\0';
    return n;
  }

  // A text of the string table, NUL-terminated whatever the environment wrote.
  void LoadText(int id, char (&out)[kProgramTextSize]) {
    out[0] = '\0';
    env_.LoadText(id, out, sizeof out);
    out[sizeof out - 1] = '\0';
  }

  // A status pair empties the list, sponsor items included; the feed parsed after it must then
  // start the list afresh rather than follow the status pair.
  void ShowStatus(int captionId, int messageId) {
    char caption[kProgramTextSize];
    char message[kProgramTextSize];
    LoadText(captionId, caption);
    LoadText(messageId, message);
    ShowStatusPair(*target_.list, target_.measurer, *target_.strip, caption, message);
    listRestarted_ = false;
  }

  bool Closing() const { return target_.strip->closing.load() != 0; }

  FeedPassEnvironment& env_;
  const FeedSettings& settings_;
  const FeedTarget& target_;
  RefreshFlags& flags_;
  char* textBuffer_;
  size_t textCapacity_;
  const bool cachePass_;

  std::unique_ptr<char[]> feed_;
  std::unique_ptr<char[]> picture_;
  SponsorKeys keys_{};
  FeedParserSettings parserSettings_;
  char encodedUserId_[kEncodedCredentialSize] = "";
  char encodedPassword_[kEncodedCredentialSize] = "";
  bool listRestarted_ = false;
  bool cacheNotSaved_ = false;  // "Sponsor.Dat" could not be written this pass
};

}  // namespace

bool NewsCacheHoldsFeed(FeedPassEnvironment& env) {
  char first[2] = "";
  const long n = env.ReadProgramFile(kNewsCacheFile, first, sizeof first);
  first[sizeof first - 1] = '\0';
  return n >= 0 && StartsLikeFeed(first);
}

FeedResult RunFeedPass(FeedPassEnvironment& env, const FeedSettings& settings,
                       const FeedTarget& target, char* textBuffer, size_t textCapacity) {
  FeedPass pass(env, settings, target, textBuffer, textCapacity);
  return pass.Run();
}
