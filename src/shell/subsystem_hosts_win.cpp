// What the refresh worker, the update check and the preference pages ask of the rest of the
// program, answered from the ticker's record: the one place where the subsystems meet.
#include <cstring>
#include <mutex>

#include "base/process_win.h"
#include "shell/shutdown_win.h"
#include "window/access_win.h"
#include "window/hover_wheel_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

void TickerRefreshHost::SnapshotSettings(FeedSettings* s) {
  std::lock_guard<std::mutex> guard(t_.prefsLock);
  const TickerPrefs& p = t_.prefs;
  s->accountMode = p.myVexlo != 0;
  std::strcpy(s->userId, p.userId);
  std::strcpy(s->password, p.password);
  static_cast<ContentSelection&>(*s) = p.content;
  s->mailAlertIcon = p.mailAlertIcon != 0;
  s->mailAlertSound = p.mailAlertSound != 0;
}

void TickerRefreshHost::CopyProxy(char (&host)[kTextValueSize], char (&port)[kTextValueSize]) {
  CopyProxySetting(t_.prefsLock, t_.prefs, host, port);
}

void TickerRefreshHost::ShowLastUpdate(const char* stamp) {
  SetStripTip(t_.tooltips, t_.tickerWindow, stamp);
}

void TickerRefreshHost::CheckForUpdate(HWND window, const HttpSession& session) {
  ::CheckForUpdate(t_.updateParts, window, session);
}

bool TickerRefreshHost::ScreenSaverRunning() {
  // Written by the housekeeping tick on the user-interface thread.
  return __atomic_load_n(&t_.screenSaverWindow, __ATOMIC_RELAXED) != nullptr;
}

void TickerRefreshHost::HandOffAndEnd() {
  RemoveTrayPlaceholders(t_.dock);
  // Another at-exit start (a restart under way) wins; the marker makes that start hand off.
  if (RegisterHandOffAtExit()) EndProcess(0);
}

void TickerRefreshHost::ColorsChanged() {
  DiscardBackgroundBrush(t_.paintCache);
  if (t_.tickerWindow != nullptr) InvalidateRect(t_.tickerWindow, nullptr, TRUE);
}

void TickerRefreshHost::FontsChanged() {
  HWND ticker = t_.tickerWindow;
  if (ticker == nullptr) return;
  CreateTickerFonts(t_, ticker);
  InvalidateRect(ticker, nullptr, TRUE);
  UpdateWindow(ticker);
}

void TickerRefreshHost::ReadingKeysApplied(char* taken, size_t takenSize) {
  if (t_.tickerWindow != nullptr) ReadingSettingsChanged(t_.tickerWindow, taken, takenSize);
}

void TickerRefreshHost::TickerTabApplied(int32_t newsRefreshMinutes, bool pauseOnHover) {
  NotePauseOnHover(pauseOnHover);
  HWND ticker = t_.tickerWindow;
  if (ticker == nullptr) return;
  KillTimer(ticker, kRefreshTimer);
  t_.refreshTimer = SetTimer(ticker, kRefreshTimer, RefreshPeriodMs(newsRefreshMinutes), nullptr);
}
