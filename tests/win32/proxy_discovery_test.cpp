// DiscoverProxy over the real registry, where the in-memory table cannot look: the browser's keys
// under HKEY_USERS missing at each level, and values of the wrong type or size.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "net/proxy_discovery_win.h"

namespace {

std::string Dword(DWORD n) { return std::string(reinterpret_cast<const char*>(&n), sizeof n); }
std::string Sz(const std::string& text) { return text + '\0'; }

// One raw value below the user's "Netscape Navigator" key.
struct Raw {
  const char* subKey;
  const char* name;
  DWORD type;
  std::string bytes;
};

TEST(RealRegistryProxy, BrowserSettingsAsTheRegistryHoldsThem) {
  const std::vector<std::string> users = UserKeys();
  ASSERT_GE(users.size(), 2u) << ".Default and the user";
  ASSERT_EQ(GetVersion() & 0x80000000u, 0u) << "Wine reports the NT family";
  DefaultBrowser netscape("\"C:\\Program Files\\Netscape\\Program\\netscape.exe\" -h \"%1\"");

  const Raw type1 = {"Proxy Information", "Proxy Type", REG_DWORD, Dword(1)};
  const Raw host = {"Proxy Information", "HTTP_Proxy", REG_SZ, Sz("cache.example")};
  const Raw port = {"Proxy Information", "http_ProxyPort", REG_DWORD, Dword(3128)};
  const struct Row {
    const char* what;
    std::vector<Raw> values;
    bool first;        // written under the first user key instead of the last
    const char* key;   // an empty key made below the user's key
    bool answer;
    const char* text;
  } rows[] = {
      {"a manual HTTP proxy", {type1, host, port}, false, nullptr, true, "cache.example:3128"},
      {"the first user key is not the user's", {type1, host, port}, true, nullptr, false, ""},
      {"no Netscape key", {}, false, nullptr, false, ""},
      {"no Navigator key", {}, false, "Software\\Netscape", false, ""},
      {"no Proxy Information key",
       {{"Services", "SOCKS_Server", REG_SZ, Sz("socks.example")},
        {"Services", "SOCKS_ServerPort", REG_DWORD, Dword(1080)}},
       false, nullptr, false, ""},
      {"proxy type as a text", {{"Proxy Information", "Proxy Type", REG_SZ, Sz("1")}, host, port},
       false, nullptr, false, ""},
      {"proxy type as binary bytes",
       {{"Proxy Information", "Proxy Type", REG_BINARY, Dword(1)}, host, port}, false, nullptr,
       false, ""},
      {"proxy type as two bytes",
       {{"Proxy Information", "Proxy Type", REG_DWORD, std::string("\x01\x00", 2)}, host, port},
       false, nullptr, false, ""},
      {"the port as a text",
       {type1, host, {"Proxy Information", "http_ProxyPort", REG_SZ, Sz("3128")}}, false, nullptr,
       false, ""},
      {"the port as eight bytes",
       {type1, host, {"Proxy Information", "http_ProxyPort", REG_QWORD, Dword(3128) + Dword(0)}},
       false, nullptr, false, ""},
      {"the host as a number",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_DWORD, Dword(7)}, port}, false, nullptr,
       false, ""},
      {"the host as an expandable text",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_EXPAND_SZ, Sz("cache.example")}, port},
       false, nullptr, false, ""},
      {"the host stored without its NUL",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_SZ, "cache.example"}, port}, false,
       nullptr, true, "cache.example:3128"},
      {"a host longer than the buffer",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_SZ, Sz(std::string(300, 'h'))}, port},
       false, nullptr, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string user = row.first ? users.front() : users.back();
    for (const Raw& raw : row.values) {
      PutNavigatorValue(user, raw.subKey, raw.name, raw.type, raw.bytes);
    }
    if (row.key != nullptr) {
      HKEY key = nullptr;
      RegCreateKeyExA(HKEY_USERS, (user + "\\" + row.key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr);
      RegCloseKey(key);
    }
    char buffer[kProxyTextSize];
    EXPECT_EQ(DiscoverProxy("", "", buffer), row.answer);
    if (row.answer) {
      EXPECT_STREQ(buffer, row.text);
    }
    RemoveNavigatorSettings();
  }
}

}  // namespace
