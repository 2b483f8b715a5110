// DiscoverProxy over the real registry: the browser's settings under HKEY_USERS, with keys
// missing and values of the wrong type or size, and the default browser's command.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "feed/proxy_discovery_win.h"
#include "window/ticker_state_win.h"

namespace {

const char kNavigator[] = "Software\\Netscape\\Netscape Navigator";
const char kBrowserClass[] = "NewsrailTestBrowser";

std::vector<std::string> UserKeys() {
  std::vector<std::string> names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(HKEY_USERS, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(name);
  }
  return names;
}

class RealRegistryProxy : public testing::Test {
 protected:
  void SetUp() override {
    users_ = UserKeys();
    ASSERT_GE(users_.size(), 2u) << ".Default and the user";
    ASSERT_EQ(GetVersion() & 0x80000000u, 0u) << "Wine reports the NT family";
    HKEY htm = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.htm", 0, KEY_READ, &htm) ==
        ERROR_SUCCESS) {
      DWORD size = sizeof savedHtm_ - 1;
      savedHtmFound_ = RegQueryValueExA(htm, nullptr, nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(savedHtm_), &size) == ERROR_SUCCESS;
      RegCloseKey(htm);
    }
    TickerWindowState& t = Ticker();
    t.prefs.httpProxy[0] = '\0';
    t.prefs.proxyPort[0] = '\0';
  }
  void TearDown() override {
    for (const std::string& user : users_) {
      SHDeleteKeyA(HKEY_USERS, (user + "\\Software\\Netscape").c_str());
    }
    if (savedHtmFound_) SetDefault("SOFTWARE\\Classes\\.htm", savedHtm_);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\Classes\\") + kBrowserClass).c_str());
  }

  static void SetBrowser(const char* command) {
    SetDefault("SOFTWARE\\Classes\\.htm", kBrowserClass);
    SetDefault((std::string("SOFTWARE\\Classes\\") + kBrowserClass + "\\shell\\open\\command").c_str(),
               command);
  }
  static void SetDefault(const char* path, const char* text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
  }

  std::vector<std::string> users_;
  char savedHtm_[260] = "";
  bool savedHtmFound_ = false;
};

// One raw value below the user's Navigator key: sub-key, name, type and bytes as stored.
struct Raw {
  const char* subKey;
  const char* name;
  DWORD type;
  std::string bytes;
};
std::string Dword(DWORD n) { return std::string(reinterpret_cast<const char*>(&n), sizeof n); }
std::string Sz(const std::string& text) { return text + '\0'; }

void Put(const std::string& user, const Raw& raw) {
  HKEY key = nullptr;
  const std::string path = user + "\\" + kNavigator + "\\" + raw.subKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_USERS, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, raw.name, 0, raw.type, reinterpret_cast<const BYTE*>(raw.bytes.data()),
                 static_cast<DWORD>(raw.bytes.size()));
  RegCloseKey(key);
}

TEST_F(RealRegistryProxy, BrowserSettingsAsTheRegistryHoldsThem) {
  const Raw type1 = {"Proxy Information", "Proxy Type", REG_DWORD, Dword(1)};
  const Raw host = {"Proxy Information", "HTTP_Proxy", REG_SZ, Sz("cache.example")};
  const Raw port = {"Proxy Information", "http_ProxyPort", REG_DWORD, Dword(3128)};
  const char* netscape = "\"C:\\Program Files\\Netscape\\Program\\netscape.exe\" -h \"%1\"";
  const struct Row {
    const char* what;
    std::vector<Raw> values;
    bool first;        // written under the first user key instead of the last
    const char* drop;  // a key removed again below the user's key
    const char* command;
    bool answer;
    const char* text;
  } rows[] = {
      {"a manual HTTP proxy", {type1, host, port}, false, nullptr, netscape, true,
       "cache.example:3128"},
      {"the first user's settings are not the user's", {type1, host, port}, true, nullptr,
       netscape, false, ""},
      {"no Netscape key", {type1, host, port}, false, "Software\\Netscape", netscape, false, ""},
      {"no Navigator key", {type1, host, port}, false, kNavigator, netscape, false, ""},
      {"no Proxy Information key",
       {{"Services", "SOCKS_Server", REG_SZ, Sz("socks.example")},
        {"Services", "SOCKS_ServerPort", REG_DWORD, Dword(1080)}},
       false, nullptr, netscape, false, ""},
      {"Explorer as the browser", {type1, host, port}, false, nullptr,
       "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome", false, ""},
      {"proxy type as a text", {{"Proxy Information", "Proxy Type", REG_SZ, Sz("1")}, host, port},
       false, nullptr, netscape, false, ""},
      {"proxy type as binary bytes",
       {{"Proxy Information", "Proxy Type", REG_BINARY, Dword(1)}, host, port}, false, nullptr,
       netscape, false, ""},
      {"proxy type as two bytes",
       {{"Proxy Information", "Proxy Type", REG_DWORD, std::string("\x01\x00", 2)}, host, port},
       false, nullptr, netscape, false, ""},
      {"the port as a text",
       {type1, host, {"Proxy Information", "http_ProxyPort", REG_SZ, Sz("3128")}}, false, nullptr,
       netscape, false, ""},
      {"the port as eight bytes",
       {type1, host, {"Proxy Information", "http_ProxyPort", REG_QWORD, Dword(3128) + Dword(0)}},
       false, nullptr, netscape, false, ""},
      {"the host as a number",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_DWORD, Dword(7)}, port}, false, nullptr,
       netscape, false, ""},
      {"the host as an expandable text",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_EXPAND_SZ, Sz("cache.example")}, port},
       false, nullptr, netscape, false, ""},
      {"the host stored without its NUL",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_SZ, "cache.example"}, port}, false,
       nullptr, netscape, true, "cache.example:3128"},
      {"a host longer than the buffer",
       {type1, {"Proxy Information", "HTTP_Proxy", REG_SZ, Sz(std::string(300, 'h'))}, port},
       false, nullptr, netscape, false, ""},
      {"SOCKS without an HTTP proxy",
       {type1, {"Services", "SOCKS_Server", REG_SZ, Sz("socks.example")},
        {"Services", "SOCKS_ServerPort", REG_DWORD, Dword(1080)}},
       false, nullptr, netscape, true, "socks.example:1080"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string user = row.first ? users_.front() : users_.back();
    for (const Raw& raw : row.values) Put(user, raw);
    if (row.drop != nullptr) SHDeleteKeyA(HKEY_USERS, (user + "\\" + row.drop).c_str());
    SetBrowser(row.command);

    char buffer[kProxyTextSize];
    EXPECT_EQ(DiscoverProxy(buffer), row.answer);
    if (row.answer) {
      EXPECT_STREQ(buffer, row.text);
    }
    for (const std::string& u : users_) {
      SHDeleteKeyA(HKEY_USERS, (u + "\\Software\\Netscape").c_str());
    }
  }
}

TEST_F(RealRegistryProxy, TheTabsValuesComeFirst) {
  Put(users_.back(), {"Proxy Information", "Proxy Type", REG_DWORD, Dword(1)});
  Put(users_.back(), {"Proxy Information", "HTTP_Proxy", REG_SZ, Sz("cache.example")});
  Put(users_.back(), {"Proxy Information", "http_ProxyPort", REG_DWORD, Dword(3128)});
  SetBrowser("C:\\Netscape\\netscape.exe %1");
  SetProxyCopy("proxy.local", "8080");
  char buffer[kProxyTextSize];
  EXPECT_TRUE(DiscoverProxy(buffer));
  EXPECT_STREQ(buffer, "proxy.local:8080");
  SetProxyCopy("", "");
  EXPECT_TRUE(DiscoverProxy(buffer));
  EXPECT_STREQ(buffer, "cache.example:3128") << "forgotten, the browser's settings count again";
}

}  // namespace
