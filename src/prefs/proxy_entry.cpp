// The Proxy tab's texts.
#include "prefs/proxy_entry.h"

#include <cstring>

#include "net/proxy_discovery.h"

namespace {

void CopyCut(const char* from, size_t length, char* to, size_t capacity) {
  if (capacity == 0) return;
  if (length > capacity - 1) length = capacity - 1;
  std::memcpy(to, from, length);
  to[length] = '\0';
}

}  // namespace

bool SplitProxyText(const char* text, char* host, size_t hostCapacity, char* port,
                    size_t portCapacity) {
  if (text == nullptr) return false;
  const char* colon = std::strchr(text, ':');
  if (colon != nullptr && colon[1] == '/') colon = std::strchr(colon + 1, ':');
  if (colon == nullptr) return false;
  CopyCut(text, static_cast<size_t>(colon - text), host, hostCapacity);
  CopyCut(colon + 1, std::strlen(colon + 1), port, portCapacity);
  return true;
}

ProxyEntryCheck CheckProxyEntry(const char* host, const char* port) {
  if (host[0] == '\0' && port[0] == '\0') return ProxyEntryCheck::kAccepted;
  return ParseProxyPort(port) != 0 ? ProxyEntryCheck::kAccepted : ProxyEntryCheck::kBadPort;
}
