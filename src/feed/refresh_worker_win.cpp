// The refresh worker: one thread per refresh cycle, which runs the feed passes that rebuild the
// strip on an Internet handle of its own, stamps the time of the last update and closes everything
// again.
#include "feed/refresh_worker_win.h"

#include <mmsystem.h>
#include <process.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "base/process_win.h"
#include "settings/install_scope_win.h"
#include "desktop/open_url_win.h"
#include "feed/feed_pass.h"
#include "net/dialup_win.h"
#include "net/http_transfer_win.h"
#include "net/proxy_discovery_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"
#include "settings/registry_store_win.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"

namespace {

constexpr const char* kUserAgent = "Mozilla/4.01 [en] (Win95; I)";

// A status pair from two entries of the string table.
void ShowTextPair(TickerItemList& list, TextMeasurer* measurer, StripFlags& flags, int captionId,
                  int messageId) {
  char caption[kProgramTextSize];
  char message[kProgramTextSize];
  LoadProgramText(captionId, caption, sizeof caption);
  LoadProgramText(messageId, message, sizeof message);
  ShowStatusPair(list, measurer, flags, caption, message);
}

// The cycle's Internet handle, opened when first needed: opening it loads the internet library
// and several more, which the first cycle's cached strip can be drawn without.
class CycleInternet {
 public:
  explicit CycleInternet(RefreshHost& host) : host_(host) {}
  CycleInternet(const CycleInternet&) = delete;
  CycleInternet& operator=(const CycleInternet&) = delete;
  ~CycleInternet() { Close(); }

  // Null when the handle could not be opened; it is tried once a cycle.
  HINTERNET Get() {
    if (tried_) return handle_;
    tried_ = true;
    char proxy[kProxyTextSize];
    char proxyHost[kTextValueSize];
    char proxyPort[kTextValueSize];
    host_.CopyProxy(proxyHost, proxyPort);
    handle_ = DiscoverProxy(proxyHost, proxyPort, proxy)
                  ? InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PROXY, proxy, nullptr, 0)
                  : InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (handle_ != nullptr) {
      DWORD timeout = 60000;
      DWORD retries = 3;
      InternetSetOptionA(handle_, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
      InternetSetOptionA(handle_, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
    }
    return handle_;
  }

  // Whatever the handle was, it is closed for good.
  void Close() {
    tried_ = true;
    if (handle_ != nullptr) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  RefreshHost& host_;
  HINTERNET handle_ = nullptr;
  bool tried_ = false;
};

// What a feed pass asks of Windows, on this cycle's Internet handle.
class WorkerEnvironment : public FeedPassEnvironment {
 public:
  WorkerEnvironment(const HttpSession& session, CycleInternet& internet, BrowserLinks& links)
      : session_(session), internet_(internet), links_(links) {}

  size_t HttpGet(const char* url, char* buffer, size_t capacity, HttpAnswer* answer) override {
    session_.internet = internet_.Get();
    return HttpGetUrl(session_, url, buffer, capacity, answer);
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

  void OpenUrl(const char* url) override { ::OpenUrl(links_, url); }

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
  HttpSession session_;
  CycleInternet& internet_;
  BrowserLinks& links_;
};

// Dialling says so on the strip of the window that the cycle works for.
class WorkerDialup : public DialupHost {
 public:
  WorkerDialup(RefreshParts& parts, HWND window) : parts_(parts), window_(window) {}
  bool FirstCycle() override { return parts_.refresh.firstCycle.load() != 0; }
  void ShowDialingStatus(const char* caption, const char* message) override {
    WindowMeasurer measurer(window_, parts_.paint);
    ShowStatusPair(parts_.items, &measurer, parts_.stripFlags, caption, message);
  }

 private:
  RefreshParts& parts_;
  HWND window_;
};

// One pass into the ticker's list; the settings are read afresh for it.
FeedResult RunPass(RefreshParts& parts, WorkerEnvironment& env, HWND window, char* text) {
  const HeldSettingsKey heldKey;
  auto settings = std::make_unique<FeedSettings>();
  parts.host.SnapshotSettings(settings.get());
  ReadFeedStoreSettings(Settings(), settings.get());
  WindowMeasurer measurer(window, parts.paint);
  const FeedTarget target{&parts.items, &measurer, &parts.stripFlags, &parts.refresh};
  return RunFeedPass(env, *settings, target, text, kFeedTextBufferSize);
}

// "Last Updated:  " with the long date, two spaces and the time without seconds.
void StampLastUpdate(RefreshHost& host) {
  char stamp[256] = "";
  LoadStringA(ProgramInstance(), IDS_LAST_UPDATED, stamp, 64);
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
  host.ShowLastUpdate(stamp);
}

unsigned __stdcall RefreshWorker(void* parameter) {
  RefreshParts& parts = *static_cast<RefreshParts*>(parameter);
  RefreshFlags& f = parts.refresh;
  RefreshWorkerState& w = parts.worker;
  HWND window = w.window;
  WorkerDialup dialup(parts, window);

  EnterCriticalSection(&w.refreshLock);
  std::unique_ptr<char[]> text(new (std::nothrow) char[kFeedTextBufferSize]());

  if (f.loadFromCache.load() != 0) {
    WindowMeasurer measurer(window, parts.paint);
    ShowTextPair(parts.items, &measurer, parts.stripFlags, IDS_CONTACTING_CAPTION,
                 IDS_CONTACTING_MESSAGE);
  }

  // The first cycle after an ordinary start draws the cached strip before the Internet handle is
  // opened; a cache that does not read like a feed leaves the strip to the network pass.
  CycleInternet internet(parts.host);
  const HttpSession session{nullptr, &parts.http, &parts.stripFlags.closing, window, &dialup};
  WorkerEnvironment env(session, internet, parts.links);
  const bool cacheFirst = text != nullptr && f.loadFromCache.load() == 0 &&
                          f.firstCycle.load() != 0 && NewsCacheHoldsFeed(env);
  bool closing = false;
  if (cacheFirst) {
    f.mailAlertPending = 0;
    f.loadFromCache = 1;
    closing = RunPass(parts, env, window, text.get()) == FeedResult::kClosing;
    if (!closing) {
      // Filled first, so that this paint draws the strip and not the panel alone.
      parts.stripFlags.stripFilled = 1;
      InvalidateRect(window, nullptr, TRUE);
      UpdateWindow(window);
      f.loadFromCache = 0;
    }
  }

  // A cycle started to show the cache (a restart) opens the handle only should its pass fetch.
  const bool needsInternet = f.loadFromCache.load() == 0;
  if (!closing && text != nullptr && (!needsInternet || internet.Get() != nullptr)) {
    if (!cacheFirst) f.mailAlertPending = 0;
    if (!cacheFirst && f.loadFromCache.load() == 0 && f.firstCycle.load() != 0) {
      // Nothing cached yet: the one network pass below fetches, meanwhile the strip says so.
      WindowMeasurer measurer(window, parts.paint);
      ShowTextPair(parts.items, &measurer, parts.stripFlags, IDS_CONTACTING_CAPTION,
                   IDS_CONTACTING_MESSAGE);
    }
    closing = RunPass(parts, env, window, text.get()) == FeedResult::kClosing;
    if (!closing) {
      parts.stripFlags.stripFilled = 1;
      // The new strip shows now rather than at the next scroll tick, up to 50 ms later: at start
      // that is the first strip a user sees. The paint draws at the current offset.
      InvalidateRect(window, nullptr, FALSE);
      if (f.feedReceived.load() != 0) StampLastUpdate(parts.host);
    }
  } else if (!closing && internet.Get() == nullptr) {
    char caption[kProgramTextSize];
    char message[kProgramTextSize * 2];
    LoadProgramText(IDS_NO_CONNECTION_CAPTION, caption, sizeof caption);
    LoadProgramText(IDS_NO_CONNECTION_TEXT, message, sizeof message);
    MessageBoxA(window, message, caption, MB_OK);
    WindowMeasurer measurer(window, parts.paint);
    ShowTextPair(parts.items, &measurer, parts.stripFlags, IDS_NO_DATA_CAPTION,
                 IDS_NO_DATA_MESSAGE);
  }
  text.reset();

  if (closing) {
    // The program is closing: leave the window alone and end at once, but do not leave a line
    // that this cycle dialled connected behind the program.
    internet.Close();
    HangUpIfDialled();
  } else {
    if (f.firstCycle.load() != 0 && f.loadFromCache.load() == 0) {
      parts.host.CheckForUpdate(window, HttpSession{internet.Get(), &parts.http,
                                                    &parts.stripFlags.closing, window, &dialup});
    }
    internet.Close();
    HangUpIfDialled();
    PumpMessages(1000);
    f.firstCycle = 0;
    f.loadFromCache = 0;
    parts.stripFlags.stripFilled = 1;
  }
  LeaveCriticalSection(&w.refreshLock);
  // The last act: from here on shutdown may delete the lock and free the fonts and the items, so
  // nothing of the process is touched after it.
  RefreshWorkerGate(f).Finished();
  return 0;
}

}  // namespace

void PlayMailSound(const MailSound& sound) {
  if (sound.kind == MailSoundKind::kResource) {
    PlaySoundA(sound.name, ProgramInstance(), SND_RESOURCE | SND_ASYNC);
  } else if (sound.kind == MailSoundKind::kFile) {
    PlaySoundA(sound.name, ProgramInstance(), SND_ASYNC);
  }
}

bool StartRefreshWorker(RefreshParts& parts, HWND ticker) {
  RefreshWorkerState& w = parts.worker;
  if (!w.lockReady || parts.stripFlags.closing.load() != 0) return false;
  // Claimed before the thread exists, so that shutdown never sees an idle gate with a worker on
  // its way; a request while a worker exists is dropped, not queued.
  WorkerGate gate = RefreshWorkerGate(parts.refresh);
  if (!gate.TryStart()) return false;
  w.window = ticker;
  HANDLE thread =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RefreshWorker, &parts, 0, nullptr));
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
