// The refresh worker: one thread per refresh cycle, which opens an Internet handle, runs the feed
// passes that rebuild the strip, stamps the time of the last update and closes everything again.
#include "feed/refresh_worker_win.h"

#include <mmsystem.h>
#include <process.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "feed/dialup_win.h"
#include "feed/feed_pass.h"
#include "feed/http_transfer_win.h"
#include "feed/proxy_discovery_win.h"
#include "res/resource.h"
#include "settings/install_scope_win.h"
#include "shell/process_win.h"
#include "strip/strip_paint_win.h"
#include "strip/tooltips_win.h"
#include "update/update_win.h"
#include "desktop/open_url_win.h"
#include "window/ticker_state_win.h"

namespace {

constexpr const char* kUserAgent = "Mozilla/4.01 [en] (Win95; I)";

// A status pair from two entries of the string table.
void ShowTextPair(TickerItemList& list, TextMeasurer* measurer, SharedFlags& flags, int captionId,
                  int messageId) {
  char caption[kProgramTextSize];
  char message[kProgramTextSize];
  LoadProgramText(captionId, caption, sizeof caption);
  LoadProgramText(messageId, message, sizeof message);
  ShowStatusPair(list, measurer, flags, caption, message);
}

// What a feed pass asks of Windows, on this cycle's Internet handle.
class WorkerEnvironment : public FeedPassEnvironment {
 public:
  explicit WorkerEnvironment(HINTERNET internet) : internet_(internet) {}

  size_t HttpGet(const char* url, char* buffer, size_t capacity, HttpAnswer* answer) override {
    return HttpGetUrl(internet_, url, buffer, capacity, answer);
  }

  long ReadProgramFile(const char* name, char* buffer, size_t capacity) override {
    char path[MAX_PATH];
    if (!DataFilePath(name, path, sizeof path)) return -1;
    return ReadPathFile(path, buffer, capacity);
  }

  long ReadPathFile(const char* path, char* buffer, size_t capacity) override {
    if (capacity == 0) return -1;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return -1;
    const size_t n = std::fread(buffer, 1, capacity - 1, file);
    std::fclose(file);
    buffer[n] = '\0';
    return static_cast<long>(n);
  }

  // A cache file is never left half written.
  bool WriteProgramFile(const char* name, const char* bytes, size_t count) override {
    char path[MAX_PATH];
    return DataFilePath(name, path, sizeof path) && ReplaceFileWith(path, bytes, count);
  }

  void ReadSponsorKey(const char* key, char* out, size_t capacity) override {
    ::ReadSponsorKey(key, "", out, capacity);
  }

  void OpenUrl(const char* url) override { ::OpenUrl(url); }

  void LoadText(int id, char* out, size_t capacity) override {
    LoadProgramText(id, out, capacity);
  }

  void ShowMessage(const char* caption, const char* text) override {
    MessageBoxA(nullptr, text, caption, MB_OK);
  }

  void CurrentTimeHhmmss(char out[7]) override {
    if (GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, nullptr,
                       "HHmmss", out, 7) == 0) {
      std::strcpy(out, "000000");
    }
  }

  void PlayMailSound(const MailSound& sound) override { ::PlayMailSound(sound); }

 private:
  HINTERNET internet_;
};

// The settings of one pass, copied while the preference pages cannot change them.
void SnapshotSettings(FeedSettings* s) {
  TickerWindowState& t = Ticker();
  {
    std::lock_guard<std::mutex> guard(t.prefsLock);
    const TickerPrefs& p = t.prefs;
    s->accountMode = p.myVexlo != 0;
    std::strcpy(s->userId, p.userId);
    std::strcpy(s->password, p.password);
    static_cast<ContentSelection&>(*s) = p.content;
    s->mailAlertIcon = p.mailAlertIcon != 0;
    s->mailAlertSound = p.mailAlertSound != 0;
  }
  ReadFeedStoreSettings(Settings(), s);
}

// One pass into the ticker's list; the settings are read afresh for it.
FeedResult RunPass(WorkerEnvironment& env, HWND window, char* text) {
  TickerWindowState& t = Ticker();
  auto settings = std::make_unique<FeedSettings>();
  SnapshotSettings(settings.get());
  WindowMeasurer measurer(window);
  const FeedTarget target{&t.items, &measurer, &t.flags};
  return RunFeedPass(env, *settings, target, text, kFeedTextBufferSize);
}

// "Last Updated:  " with the long date, two spaces and the time without seconds.
void StampLastUpdate() {
  TickerWindowState& t = Ticker();
  char stamp[256] = "";
  LoadStringA(t.instance, IDS_LAST_UPDATED, stamp, 64);
  size_t n = std::strlen(stamp);
  n += GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, nullptr, nullptr, stamp + n,
                      static_cast<int>(sizeof stamp - n - 4));
  if (n > 0 && stamp[n - 1] == '\0') --n;
  std::strcpy(stamp + n, "  ");
  n += 2;
  GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, stamp + n,
                 static_cast<int>(sizeof stamp - n));
  stamp[kTextValueSize - 1] = '\0';
  Settings().WriteTextValue(value_name::kLastStockUpdate, stamp);
  SetStripTip(stamp);
}

unsigned __stdcall RefreshWorker(void*) {
  TickerWindowState& t = Ticker();
  SharedFlags& f = t.flags;
  RefreshWorkerState& w = t.worker;
  HWND window = w.window;

  EnterCriticalSection(&w.refreshLock);
  std::unique_ptr<char[]> text(new (std::nothrow) char[kFeedTextBufferSize]());

  if (f.loadFromCache.load() != 0) {
    WindowMeasurer measurer(window);
    ShowTextPair(t.items, &measurer, f, IDS_CONTACTING_CAPTION, IDS_CONTACTING_MESSAGE);
  }

  char proxy[kProxyTextSize];
  HINTERNET internet =
      DiscoverProxy(proxy)
          ? InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PROXY, proxy, nullptr, 0)
          : InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);

  bool closing = false;
  if (internet != nullptr && text != nullptr) {
    DWORD timeout = 60000;
    DWORD retries = 3;
    InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
    f.mailAlertPending = 0;
    WorkerEnvironment env(internet);

    if (f.loadFromCache.load() == 0 && f.firstCycle.load() != 0 && !NewsCacheHoldsFeed(env)) {
      // Nothing cached yet: the one network pass below fetches, meanwhile the strip says so.
      WindowMeasurer measurer(window);
      ShowTextPair(t.items, &measurer, f, IDS_CONTACTING_CAPTION, IDS_CONTACTING_MESSAGE);
    } else if (f.loadFromCache.load() == 0 && f.firstCycle.load() != 0) {
      // The first cycle after an ordinary start: the cached strip at once, the network after.
      f.loadFromCache = 1;
      closing = RunPass(env, window, text.get()) == FeedResult::kClosing;
      if (!closing) {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        f.loadFromCache = 0;
        f.stripFilled = 1;
      }
    }
    if (!closing) {
      closing = RunPass(env, window, text.get()) == FeedResult::kClosing;
      if (!closing) {
        f.stripFilled = 1;
        if (f.feedReceived.load() != 0) StampLastUpdate();
      }
    }
  } else if (internet == nullptr) {
    char caption[kProgramTextSize];
    char message[kProgramTextSize * 2];
    LoadProgramText(IDS_NO_CONNECTION_CAPTION, caption, sizeof caption);
    LoadProgramText(IDS_NO_CONNECTION_TEXT, message, sizeof message);
    MessageBoxA(window, message, caption, MB_OK);
    WindowMeasurer measurer(window);
    ShowTextPair(t.items, &measurer, f, IDS_NO_DATA_CAPTION, IDS_NO_DATA_MESSAGE);
  }
  text.reset();

  if (closing) {
    // The program is closing: leave the window alone and end at once, but do not leave a line
    // that this cycle dialled connected behind the program.
    if (internet != nullptr) InternetCloseHandle(internet);
    HangUpIfDialled();
  } else {
    if (f.firstCycle.load() != 0 && f.loadFromCache.load() == 0) CheckForUpdate(window, internet);
    if (internet != nullptr) InternetCloseHandle(internet);
    HangUpIfDialled();
    PumpMessages(1000);
    f.firstCycle = 0;
    f.loadFromCache = 0;
    f.stripFilled = 1;
  }
  LeaveCriticalSection(&w.refreshLock);
  // The last act: from here on shutdown may delete the lock and free the fonts and the items, so
  // nothing of the process is touched after it.
  RefreshWorkerGate().Finished();
  return 0;
}

}  // namespace

WorkerGate RefreshWorkerGate() { return WorkerGate(Ticker().flags.refreshRunning); }

void InitRefreshLock() {
  RefreshWorkerState& w = Ticker().worker;
  if (!w.lockReady) InitializeCriticalSection(&w.refreshLock);
  w.lockReady = true;
}

void DeleteRefreshLock() {
  RefreshWorkerState& w = Ticker().worker;
  if (w.lockReady) DeleteCriticalSection(&w.refreshLock);
  w.lockReady = false;
}

void PlayMailSound(const MailSound& sound) {
  if (sound.kind == MailSoundKind::kResource) {
    PlaySoundA(sound.name, Ticker().instance, SND_RESOURCE | SND_ASYNC);
  } else if (sound.kind == MailSoundKind::kFile) {
    PlaySoundA(sound.name, Ticker().instance, SND_ASYNC);
  }
}

bool StartRefreshWorker(HWND ticker) {
  TickerWindowState& t = Ticker();
  RefreshWorkerState& w = t.worker;
  if (!w.lockReady || t.flags.closing.load() != 0) return false;
  // Claimed before the thread exists, so that shutdown never sees an idle gate with a worker on
  // its way; a request while a worker exists is dropped, not queued.
  WorkerGate gate = RefreshWorkerGate();
  if (!gate.TryStart()) return false;
  w.window = ticker;
  HANDLE thread =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RefreshWorker, nullptr, 0, nullptr));
  if (thread == nullptr) {
    // Without a thread no cycle runs: leave the way open for the next request.
    gate.Finished();
    return false;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
  if (w.thread != nullptr) CloseHandle(w.thread);
  w.thread = thread;
  return true;
}
