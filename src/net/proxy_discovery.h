// Which proxy the program's own requests name: the one entered on the Proxy tab, else the manual
// proxy of Netscape Navigator when that is the default browser. The decision runs over a small
// reader of the registry, so that it can be followed without one.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kProxyTextSize = 260;   // "host:port" and its NUL
constexpr size_t kUserKeyNameSize = 100;  // a user key's name under HKEY_USERS: 99 characters
constexpr size_t kBrowserCommandBytes = 261;

// An open registry key as the reader hands it out; 0 is no key.
using ProxyKey = uintptr_t;

// What the decision asks of the machine. Every Open that returns a key is matched by one Close.
class ProxyEnvironment {
 public:
  virtual ~ProxyEnvironment() = default;
  // The Windows 95 family keeps its one user's settings under ".default".
  virtual bool Windows95Family() = 0;
  // The name of the user key at index under HKEY_USERS; false past the last one or for a name
  // that does not fit in capacity bytes.
  virtual bool UserKeyName(uint32_t index, char* name, size_t capacity) = 0;
  // HKEY_USERS itself: never closed.
  virtual ProxyKey UsersRoot() = 0;
  virtual ProxyKey Open(ProxyKey parent, const char* name) = 0;
  virtual void Close(ProxyKey key) = 0;
  // False when the value is missing, of another type or does not fit; the output is then as it
  // was.
  virtual bool ReadNumber(ProxyKey key, const char* name, uint32_t* value) = 0;
  virtual bool ReadText(ProxyKey key, const char* name, char* buffer, size_t capacity) = 0;
  // The default browser's open command (kBrowserCommandBytes bytes), empty when there is none.
  virtual void BrowserCommand(char* command, size_t capacity) = 0;
};

// The port of a proxy as typed or stored: decimal digits only, 1 to 65535; 0 for anything else.
uint32_t ParseProxyPort(const char* text);

// A host name that can stand in WinINet's proxy list: not empty, no space or control byte (a space
// would start a second entry).
bool UsableProxyHost(const char* host);

// Fills buffer (kProxyTextSize bytes) with "host:port" and returns true when a proxy is to be
// named: the in-memory host and port when both are usable, else the browser's settings. The buffer
// may be written when the answer is false.
bool DecideProxy(const char* host, const char* port, ProxyEnvironment& environment, char* buffer);
