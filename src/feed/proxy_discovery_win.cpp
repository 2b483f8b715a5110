// Proxy discovery.
#include "feed/proxy_discovery_win.h"

#include <cstdio>

#include "window/ticker_state_win.h"

bool DiscoverProxy(char* buffer) {
  TickerWindowState& t = Ticker();
  std::lock_guard<std::mutex> guard(t.prefsLock);
  buffer[0] = '\0';
  if (t.prefs.httpProxy[0] == '\0' || t.prefs.proxyPort[0] == '\0') return false;
  std::snprintf(buffer, kProxyTextSize, "%s:%s", t.prefs.httpProxy, t.prefs.proxyPort);
  return true;
}
