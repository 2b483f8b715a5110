// Which proxy the program's Internet handles name: the refresh cycle, the Proxy tab and the desk
// band download all ask here.
#pragma once

#include <cstddef>

#include "net/proxy_discovery.h"

// Writes "host:port" into buffer (kProxyTextSize bytes) and returns true when a proxy is to be
// named: the one entered on the Proxy tab (host and port, the program's copies), else Netscape
// Navigator's manual proxy when it is the default browser. Empty copies make it read the browser's
// settings; false lets WinINet use the system's configuration (Internet Explorer's).
bool DiscoverProxy(const char* host, const char* port, char* buffer);
