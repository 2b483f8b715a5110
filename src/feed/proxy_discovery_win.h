// Which proxy the refresh cycle names when it opens its Internet handle.
#pragma once

#include <cstddef>

constexpr size_t kProxyTextSize = 260;

// Writes "host:port" into buffer (kProxyTextSize bytes) and returns true when the user entered
// both a proxy host and a port; false lets WinINet use the system's configuration.
bool DiscoverProxy(char* buffer);
