// The Proxy tab's texts: a discovered "host:port" split into the tab's two fields, and what the
// tab accepts on Apply.
#pragma once

#include <cstddef>

constexpr size_t kProxyFieldChars = 199;  // what the tab reads from each field

// Splits a proxy text at its first ':', or, when that ':' starts "//" (a scheme such as "http:"),
// at the next one, so the scheme stays with the host. False, and both fields untouched, when no
// such ':' exists. Each part is cut to capacity-1 bytes.
bool SplitProxyText(const char* text, char* host, size_t hostCapacity, char* port,
                    size_t portCapacity);

enum class ProxyEntryCheck {
  kAccepted,
  kBadPort,  // not a number from 1 to 65535, or missing beside a host
};

// Both fields empty clears the proxy; otherwise the port must be a number from 1 to 65535.
ProxyEntryCheck CheckProxyEntry(const char* host, const char* port);
