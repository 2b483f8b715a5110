// Which proxy the program's Internet handles name: the refresh cycle, the Proxy tab and the desk
// band download all ask here.
#pragma once

#include <cstddef>

#include "net/proxy_discovery.h"

// Writes "host:port" into buffer (kProxyTextSize bytes) and returns true when a proxy is to be
// named: the one entered on the Proxy tab, else Netscape Navigator's manual proxy when it is the
// default browser. False lets WinINet use the system's configuration (Internet Explorer's).
bool DiscoverProxy(char* buffer);

// The in-memory proxy host and port that DiscoverProxy prefers (each cut to the settings' text
// size); empty texts make it read the browser's settings again.
void SetProxyCopy(const char* host, const char* port);
