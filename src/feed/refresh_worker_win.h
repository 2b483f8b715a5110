// The refresh worker: one thread per refresh cycle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>

#include "feed/feed_parser.h"
#include "desktop/open_url_win.h"
#include "feed/feed_settings.h"
#include "feed/refresh_flags.h"
#include "feed/refresh_worker_state_win.h"
#include "net/http_transfer_win.h"
#include "settings/settings_store.h"
#include "strip/item_list.h"
#include "strip/strip_flags.h"
#include "strip/strip_paint_win.h"

// What a cycle needs from the rest of the program; the ticker window's record answers.
class RefreshHost {
 public:
  // The settings of one pass, and the Proxy tab's host and port, copied while the preference
  // pages cannot change them.
  virtual void SnapshotSettings(FeedSettings* settings) = 0;
  virtual void CopyProxy(char (&host)[kTextValueSize], char (&port)[kTextValueSize]) = 0;
  // "Last Updated: ..." after a pass that received the feed: the strip's tooltip shows it.
  virtual void ShowLastUpdate(const char* stamp) = 0;
  // The first cycle's look for a newer program, on the cycle's Internet handle.
  virtual void CheckForUpdate(HWND window, const HttpSession& session) = 0;

 protected:
  ~RefreshHost() = default;
};

// The records a cycle works on, each owned by its subsystem and held by the ticker window's
// record, which also answers as the host.
struct RefreshParts {
  RefreshWorkerState& worker;
  RefreshFlags& refresh;
  TickerItemList& items;
  StripFlags& stripFlags;
  StripPaintCache& paint;
  HttpTransferState& http;
  BrowserLinks& links;
  RefreshHost& host;
};

// Starts a refresh cycle unless a worker exists or the program is closing; true when one started.
// The parts outlive the worker (they live as long as the process).
bool StartRefreshWorker(RefreshParts& parts, HWND ticker);

// Plays a mail sound asynchronously: a program sound as a resource, anything else as a sound alias
// or a file name.
void PlayMailSound(const MailSound& sound);
