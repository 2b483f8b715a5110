// The software update check of the first refresh cycle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>

#include "net/http_transfer_win.h"
#include "strip/item_list.h"
#include "strip/strip_flags.h"
#include "strip/strip_paint_win.h"

// Whether the update check runs (it runs on the refresh worker; the housekeeping tick leaves the
// screen-saver bar alone meanwhile).
struct UpdateState {
  std::atomic<int32_t> running{0};
};

// What the update check needs from the rest of the program.
class UpdateCheckHost {
 public:
  // Nobody could answer while a screen saver runs, and nothing is installed unasked.
  virtual bool ScreenSaverRunning() = 0;
  // The update is installed: the program ends and the new one starts, unless a restart already
  // claimed the start at exit (then returns).
  virtual void HandOffAndEnd() = 0;

 protected:
  ~UpdateCheckHost() = default;
};

// The records the check works on, held by the ticker window's record, which also answers as host.
struct UpdateParts {
  UpdateState& update;
  TickerItemList& items;
  StripFlags& stripFlags;
  StripPaintCache& paint;
  UpdateCheckHost& host;
};

// Checks the update server for a newer program and, when the user agrees, hands off to it; the
// window owns the message box. 0 when "No AutoDial" is set and there is no connection, else 1
// (unless the process has ended to hand off). A null handle makes no request.
int CheckForUpdate(UpdateParts& parts, HWND ticker, const HttpSession& session);
