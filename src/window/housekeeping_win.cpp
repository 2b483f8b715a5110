// The once-a-second housekeeping tick: what the ticker watches rather than is told.
#include "window/housekeeping_win.h"

#include <shellapi.h>

#include <cstdlib>

#include "desktop/taskbar_win.h"
#include "feed/refresh_worker_win.h"
#include "res/resource.h"
#include "base/process_win.h"
#include "shell/screensaver_win.h"
#include "shell/shutdown_win.h"
#include "shell/startup_win.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"
#include "strip/tooltips_win.h"
#include "window/mouse_win.h"
#include "window/placement_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

// Another ticker has taken the place of this one. An empty search does not count: the search
// across desktops can fail while this ticker still runs.
bool AnotherTickerTookOver(const TickerWindowState& t) {
  HWND running = FindRunningTicker();
  return running != nullptr && running != t.tickerWindow && running != t.frameWindow;
}

bool TaskbarTurnedVertical(const TickerWindowState& t) {
  return t.undocked == 0 && TaskbarIsVertical();
}

int32_t PhaseLength(const TickerWindowState& t) {
  return LogoPhaseLength(t.prefs, t.refresh.mailAlertPending.load() != 0);
}

void FlipLogoPhase(HWND ticker, const char* tip, int32_t phase) {
  TickerWindowState& t = Ticker();
  SetLogoTip(t.tooltips, ticker, tip);
  t.mailCycleCountdown = PhaseLength(t) - 1;
  t.sponsorPhase = phase;
  InvalidateRect(ticker, nullptr, FALSE);
  t.dragging = 0;
  UpdateWindow(ticker);
}

void CycleLogoButton(HWND ticker) {
  TickerWindowState& t = Ticker();
  if (t.mailCycleCountdown >= 0) return;
  char alternate[101];
  ReadSponsorKey("Alternate News", "", alternate, sizeof alternate);
  if (alternate[0] != '\0' || t.sponsorPhase == 0) {
    char toolhelp[101];
    ReadSponsorKey("Toolhelp", "Vexlo!", toolhelp, sizeof toolhelp);
    FlipLogoPhase(ticker, toolhelp, !t.sponsorPhase);
  } else {
    char pages[101] = "";
    LoadStringA(t.instance, IDS_PAGES_MENU, pages, sizeof pages);
    FlipLogoPhase(ticker, pages, 0);
  }
}

// Keeps a caption ticker on the caption when the work area or a neighbour moves.
void KeepOnCaption() {
  TickerWindowState& t = Ticker();
  if (t.frameWindow == nullptr) return;
  const WindowPosition p = LoadWindowPosition();
  RECT f;
  GetWindowRect(t.frameWindow, &f);
  if (CaptionNeedsMove(Rect{f.left, f.top, f.right, f.bottom}, p)) {
    SetWindowPos(t.frameWindow, HWND_TOPMOST, p.x, p.y, p.width, p.height, SWP_SHOWWINDOW);
  }
}

}  // namespace

void RunHousekeepingTick(HWND ticker) {
  TickerWindowState& t = Ticker();
  StripFlags& f = t.stripFlags;
  RefreshFlags& r = t.refresh;
  SetProcessShutdownParameters(0x80, SHUTDOWN_NORETRY);
  // No strip within the first second (nothing cached, a slow network): the start finishes anyway.
  if (t.startFinished == 0) PostMessageA(ticker, kFinishStartMessage, 0, 0);

  if (AnotherTickerTookOver(t)) {
    ShutdownTicker(ticker);
    EndProcess(0);
  }
  // Kept until a worker takes it: a cycle still running when the sheet closes does not see the
  // new preferences, so the next tick after it ends starts another.
  if (t.sheet.settingsChanged.load() != 0 && t.sheet.window == nullptr &&
      StartRefreshWorker(t.refreshParts, ticker)) {
    t.sheet.settingsChanged = 0;
  }
  if (r.refreshRunning.load() == 0 && t.reloadNeeded != 0) {
    // The strip's height changed: rebuild it from the cache with the new fonts.
    r.loadFromCache = 1;
    StartRefreshWorker(t.refreshParts, ticker);
    t.reloadNeeded = 0;
  }
  ++t.tickCounter;
  // A page that no browser took: said once on the strip, which no worker is rebuilding now.
  if (t.links.notOpened.load() != 0 && r.refreshRunning.load() == 0) {
    t.links.notOpened = 0;
    char text[kItemTextSize];
    LoadProgramText(IDS_LINK_NOT_OPENED, text, sizeof text);
    WindowMeasurer measurer(ticker, t.paintCache);
    ShowNoticeAhead(t.items, &measurer, f, text);
    f.scrollOffset = -20;  // as a jump to it would: 20 pixels in from the left
  }

  if (TaskbarTurnedVertical(t)) {
    Settings().WriteSetting(SettingId::kDockInTaskbar, 1);
    KillTimer(ticker, t.housekeepingTimer);
    t.housekeepingTimer = 0;
    RestartProgram();
  }

  --t.mailCycleCountdown;
  const bool barOnScreenSaver = t.screenSaverMode != 0 && t.screenSaverWindow != nullptr;
  if (barOnScreenSaver || t.undocked != 0 || t.dock.trayBaselinePending == 0)
    CycleLogoButton(ticker);

  if (t.prefs.showInScreenSaver != 0) {
    t.screenSaverWindow = WatchForScreenSaver();
  } else {
    t.screenSaverWindow = nullptr;
  }
  if (t.screenSaverMode != 0 && t.screenSaverWindow == nullptr) LeaveScreenSaverMode();
  if (t.screenSaverMode == 0 && t.screenSaverWindow != nullptr && t.update.running.load() == 0) {
    EnterScreenSaverMode();
  }

  if (t.fitToCaption != 0 && t.screenSaverWindow == nullptr) KeepOnCaption();
  if (t.undocked == 0 && t.screenSaverWindow == nullptr && t.dock.inDeskBand == 0) {
    switch (LayOutInNotificationArea(t.dock, ticker, r.refreshRunning.load() != 0, t.tickCounter)) {
      case TrayPlacement::kHidden: return;  // the taskbar hides below the screen
      case TrayPlacement::kRestart:
        KillTimer(ticker, t.housekeepingTimer);
        t.housekeepingTimer = 0;
        RemoveTrayPlaceholders(Ticker().dock);
        RestartProgram();
      case TrayPlacement::kPlaced: break;
    }
  }
  SearchBoxUpkeep(ticker);
}
