// Proxy discovery: the Proxy tab's values, else Netscape Navigator's manual proxy.
#include "net/proxy_discovery.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Enough for any real HKEY_USERS; a registry that never ends the enumeration still stops.
constexpr uint32_t kMaxUserKeys = 4096;

// One opened key, closed when the guard goes, on every path.
class KeyGuard {
 public:
  KeyGuard(ProxyEnvironment& environment, ProxyKey parent, const char* name)
      : environment_(environment), key_(parent != 0 ? environment.Open(parent, name) : 0) {}
  ~KeyGuard() {
    if (key_ != 0) environment_.Close(key_);
  }
  KeyGuard(const KeyGuard&) = delete;
  KeyGuard& operator=(const KeyGuard&) = delete;
  ProxyKey get() const { return key_; }

 private:
  ProxyEnvironment& environment_;
  ProxyKey key_;
};

bool ChooseUserKey(ProxyEnvironment& environment, char (&name)[kUserKeyNameSize]) {
  if (environment.Windows95Family()) {
    std::strcpy(name, ".default");
    return true;
  }
  name[0] = '\0';
  char candidate[kUserKeyNameSize];
  for (uint32_t i = 0; i < kMaxUserKeys; ++i) {
    candidate[0] = '\0';
    if (!environment.UserKeyName(i, candidate, sizeof candidate)) break;
    candidate[sizeof candidate - 1] = '\0';
    std::strcpy(name, candidate);
  }
  return name[0] != '\0';
}

bool NamesNetscape(const char* command) {
  static const char kWord[] = "NETSCAPE";
  const size_t n = sizeof kWord - 1;
  for (const char* p = command; *p != '\0'; ++p) {
    size_t i = 0;
    while (i < n && p[i] != '\0' &&
           std::toupper(static_cast<unsigned char>(p[i])) == static_cast<unsigned char>(kWord[i])) {
      ++i;
    }
    if (i == n) return true;
  }
  return false;
}

// "host:port" from a host value and a port number of the browser's settings; false when either
// cannot be used or the pair does not fit.
bool JoinBrowserProxy(ProxyEnvironment& environment, ProxyKey key, const char* hostName,
                      const char* portName, char* buffer) {
  char host[kProxyTextSize] = "";
  environment.ReadText(key, hostName, host, sizeof host);
  host[sizeof host - 1] = '\0';
  uint32_t port = 0;
  environment.ReadNumber(key, portName, &port);
  if (!UsableProxyHost(host) || port == 0 || port > 65535) return false;
  const int written = std::snprintf(buffer, kProxyTextSize, "%s:%u", host, port);
  return written > 0 && static_cast<size_t>(written) < kProxyTextSize;
}

}  // namespace

uint32_t ParseProxyPort(const char* text) {
  if (text == nullptr || text[0] == '\0') return 0;
  uint32_t value = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + static_cast<uint32_t>(*p - '0');
    if (value > 65535) return 0;
  }
  return value;
}

bool UsableProxyHost(const char* host) {
  if (host == nullptr || host[0] == '\0') return false;
  for (const char* p = host; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c <= ' ' || c == 127) return false;
  }
  return true;
}

bool DecideProxy(const char* host, const char* port, ProxyEnvironment& environment, char* buffer) {
  buffer[0] = '\0';
  if (UsableProxyHost(host) && ParseProxyPort(port) != 0) {
    const int written = std::snprintf(buffer, kProxyTextSize, "%s:%s", host, port);
    if (written > 0 && static_cast<size_t>(written) < kProxyTextSize) return true;
    buffer[0] = '\0';
  }

  char user[kUserKeyNameSize];
  if (!ChooseUserKey(environment, user)) return false;
  const KeyGuard userKey(environment, environment.UsersRoot(), user);
  const KeyGuard software(environment, userKey.get(), "Software");
  const KeyGuard netscape(environment, software.get(), "Netscape");
  const KeyGuard navigator(environment, netscape.get(), "Netscape Navigator");
  const KeyGuard information(environment, navigator.get(), "Proxy Information");
  if (information.get() == 0) return false;

  char command[kBrowserCommandBytes] = "";
  environment.BrowserCommand(command, sizeof command);
  command[sizeof command - 1] = '\0';
  if (!NamesNetscape(command)) return false;

  uint32_t type = 0;
  if (!environment.ReadNumber(information.get(), "Proxy Type", &type) || type != 1) return false;

  if (JoinBrowserProxy(environment, information.get(), "HTTP_Proxy", "http_ProxyPort", buffer)) {
    return true;
  }
  buffer[0] = '\0';
  const KeyGuard services(environment, navigator.get(), "Services");
  if (services.get() == 0) return false;
  if (JoinBrowserProxy(environment, services.get(), "SOCKS_Server", "SOCKS_ServerPort", buffer)) {
    return true;
  }
  buffer[0] = '\0';
  return false;
}
