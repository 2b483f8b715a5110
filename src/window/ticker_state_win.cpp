// The process's ticker record. It lives until the process is gone: a refresh
// worker may still be running while exit() runs the static destructors, so it is never
// destroyed.
#include "window/ticker_state_win.h"

#include <cstring>

#include "shell/shutdown_win.h"
#include "base/process_win.h"

TickerWindowState& Ticker() {
  static TickerWindowState* state = new TickerWindowState;
  return *state;
}

void CopyProxySetting(TickerWindowState& t, char (&host)[kTextValueSize],
                      char (&port)[kTextValueSize]) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  std::memcpy(host, t.prefs.httpProxy, sizeof host);
  std::memcpy(port, t.prefs.proxyPort, sizeof port);
  host[sizeof host - 1] = '\0';
  port[sizeof port - 1] = '\0';
}

void SetProxySetting(TickerWindowState& t, const char* host, const char* port) {
  std::lock_guard<std::mutex> guard(t.prefsLock);
  lstrcpynA(t.prefs.httpProxy, host, sizeof t.prefs.httpProxy);
  lstrcpynA(t.prefs.proxyPort, port, sizeof t.prefs.proxyPort);
}

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
  CopyProxySetting(t_, host, port);
}

void TickerRefreshHost::ShowLastUpdate(const char* stamp) { SetStripTip(stamp); }

void TickerRefreshHost::CheckForUpdate(HWND window, const HttpSession& session) {
  ::CheckForUpdate(t_.updateParts, window, session);
}

bool TickerRefreshHost::ScreenSaverRunning() {
  // Written by the housekeeping tick on the user-interface thread.
  return __atomic_load_n(&t_.screenSaverWindow, __ATOMIC_RELAXED) != nullptr;
}

void TickerRefreshHost::HandOffAndEnd() {
  RemoveTrayPlaceholders();
  // Another at-exit start (a restart under way) wins; the marker makes that start hand off.
  if (RegisterHandOffAtExit()) EndProcess(0);
}
