// Shutdown, restart with "R", and the hand-off to the update copy.
#include "shell/shutdown_win.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "feed/refresh_flags.h"
#include "feed/refresh_worker_state_win.h"
#include "res/resource.h"
#include "base/process_win.h"
#include "base/taskbar_names.h"
#include "base/program_files.h"
#include "strip/strip_paint_win.h"
#include "strip/tooltips_win.h"
#include "window/placement.h"
#include "window/placement_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

// Shutdown waits about 600 ms for the worker, then ends anyway (the fonts and items stay).
constexpr int kWorkerWaits = 12;
constexpr DWORD kWorkerWaitMs = 50;
// A restart waits for a running refresh so that the next process does not start while this one
// still writes the caches; a refresh holds a stuck connection no longer than its read deadline
// once `closing` is set, and after this bound the next process starts anyway.
constexpr int kRestartWaits = 600;  // 30 s

bool WaitForWorker(int waits) {
  return RefreshWorkerGate(Ticker().refresh).WaitIdle(waits, [] {
    AnswerSentMessages(kWorkerWaitMs);
  });
}

void StartProgramFile(const char* fileName, const char* argument) {
  char path[MAX_PATH];
  if (ProgramFilePath(fileName, path, sizeof path)) StartProgramAt(path, argument);
}

void SaveFramePositionIfFloating(bool onlyOutsideCaption) {
  TickerWindowState& t = Ticker();
  // The screen-saver bar's rectangle is never the floating frame's position.
  if (t.undocked == 0 || t.screenSaverSwitch != 0 || t.screenSaverMode != 0) return;
  if (onlyOutsideCaption && t.fitToCaption != 0) return;
  if (t.frameWindow == nullptr || !IsWindow(t.frameWindow)) return;
  SaveWindowPosition(FrameRectangleToSave());
}

void KillTickerTimer(HWND ticker, UINT_PTR* id) {
  if (*id != 0) {
    KillTimer(ticker, *id);
    *id = 0;
  }
}

template <typename Handle>
void DeleteGdiObject(Handle* handle) {
  if (*handle != nullptr) {
    DeleteObject(*handle);
    *handle = nullptr;
  }
}

}  // namespace

void ShutdownTicker(HWND ticker) {
  TickerWindowState& t = Ticker();
  t.stripFlags.listBusy = 1;
  SaveFramePositionIfFloating(false);

  KillTickerTimer(ticker, &t.scrollTimer);
  KillTickerTimer(ticker, &t.refreshTimer);
  KillTickerTimer(ticker, &t.housekeepingTimer);

  DeleteGdiObject(&t.searchFont);
  DeleteGdiObject(&t.highlightPen);
  DeleteGdiObject(&t.shadowPen);
  DeleteGdiObject(&t.facePen);

  DestroyTooltips(t.tooltips);
  ReleaseStripCaches(t.paintCache);

  t.stripFlags.closing = 1;
  RefreshWorkerGate(Ticker().refresh).Close();
  // A worker that is still running may still measure with the fonts and fill the list, and it
  // holds the lock.
  if (WaitForWorker(kWorkerWaits)) {
    DeleteStripFonts(t.paintCache);
    t.items.Release();
    DeleteRefreshLock(t.worker);
  }
}

void RestartProgram() {
  TickerWindowState& t = Ticker();
  // The next process starts on the desktop that holds the taskbar, not the screen saver's.
  if (!IsWin95Family()) FindWindowOnAnyDesktop(kTaskbarWindowClass);
  if (t.worker.restartBegun.exchange(1) == 0) {
    SaveFramePositionIfFloating(true);
    int32_t expected = 0;
    if (t.worker.exitStartRegistered.compare_exchange_strong(expected, 1)) {
      std::atexit(RelaunchAtExit);
    }
  }
  // Everything that waits happens here, before exit() begins: at exit no message runs any more.
  t.stripFlags.closing = 1;
  RefreshWorkerGate(Ticker().refresh).Close();
  WaitForWorker(kRestartWaits);
  EndProcess(0);
}

void RelaunchAtExit() { StartProgramFile(kProgramFileName, "R"); }

void HandOffAtExit() {
  std::fflush(nullptr);
  StartProgramFile("tlxtemp.exe", "R");
}

bool RegisterHandOffAtExit() {
  int32_t expected = 0;
  if (!Ticker().worker.exitStartRegistered.compare_exchange_strong(expected, 1)) return false;
  std::atexit(HandOffAtExit);
  return true;
}
