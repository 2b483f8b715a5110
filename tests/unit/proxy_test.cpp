// Proxy discovery over a registry kept in memory, the Proxy tab's texts, and where a credential
// dialog is placed.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "feed/proxy_discovery.h"
#include "prefs/dialog_position.h"
#include "prefs/proxy_entry.h"

namespace {

// Keys by their full path below HKEY_USERS; values by key path and name.
class FakeRegistry : public ProxyEnvironment {
 public:
  struct Value {
    bool number = false;
    uint32_t n = 0;
    std::string text;
  };

  bool win95 = false;
  std::vector<std::string> users;
  std::set<std::string> keys;
  std::map<std::string, std::map<std::string, Value>> values;
  std::string command;

  int opened = 0;
  int closed = 0;
  std::set<ProxyKey> live;

  bool Windows95Family() override { return win95; }
  bool UserKeyName(uint32_t index, char* name, size_t capacity) override {
    if (index >= users.size() || users[index].size() >= capacity) return false;
    std::strcpy(name, users[index].c_str());
    return true;
  }
  ProxyKey UsersRoot() override { return kRoot; }
  ProxyKey Open(ProxyKey parent, const char* name) override {
    EXPECT_TRUE(parent == kRoot || live.count(parent) == 1) << "opened below a closed key";
    const std::string path = parent == kRoot ? name : paths_[parent] + "\\" + name;
    if (keys.count(path) == 0) return 0;
    const ProxyKey key = next_++;
    paths_[key] = path;
    live.insert(key);
    ++opened;
    return key;
  }
  void Close(ProxyKey key) override {
    EXPECT_EQ(live.erase(key), 1u) << "closed twice or never opened";
    ++closed;
  }
  bool ReadNumber(ProxyKey key, const char* name, uint32_t* value) override {
    const Value* v = Find(key, name);
    if (v == nullptr || !v->number) return false;
    *value = v->n;
    return true;
  }
  bool ReadText(ProxyKey key, const char* name, char* buffer, size_t capacity) override {
    const Value* v = Find(key, name);
    if (v == nullptr || v->number || v->text.size() >= capacity) return false;
    std::strcpy(buffer, v->text.c_str());
    return true;
  }
  void BrowserCommand(char* out, size_t capacity) override {
    std::strncpy(out, command.c_str(), capacity - 1);
    out[capacity - 1] = '\0';
  }

 private:
  static constexpr ProxyKey kRoot = 0x80000003u;
  const Value* Find(ProxyKey key, const char* name) {
    EXPECT_EQ(live.count(key), 1u) << "read from a key that is not open";
    const auto k = values.find(paths_[key]);
    if (k == values.end()) return nullptr;
    const auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
  }
  ProxyKey next_ = 1;
  std::map<ProxyKey, std::string> paths_;
};

const char* const kLevels[] = {"", "\\Software", "\\Software\\Netscape",
                               "\\Software\\Netscape\\Netscape Navigator",
                               "\\Software\\Netscape\\Netscape Navigator\\Proxy Information"};
const char kServices[] = "\\Software\\Netscape\\Netscape Navigator\\Services";
const char kNetscape[] = "C:\\Program Files\\Netscape\\Program\\netscape.exe";
const char kExplorer[] = "C:\\Program Files\\Internet Explorer\\iexplore.exe";

// One value in the browser's settings: where ('i' the proxy information, 's' the services), its
// name, and a number or a text.
struct Setting {
  char where;
  const char* name;
  bool number;
  uint32_t n;
  std::string text;
};
Setting Num(char where, const char* name, uint32_t n) { return {where, name, true, n, ""}; }
Setting Txt(char where, const char* name, std::string text) {
  return {where, name, false, 0, std::move(text)};
}

TEST(DiscoverProxy, TheTabsValuesElseNetscapesManualProxy) {
  const std::string longHost(250, 'h');   // with ":3128" still fits the 260 bytes
  const std::string tooLong(256, 'h');    // a text that reads, but not with its port
  const std::vector<Setting> manual = {Num('i', "Proxy Type", 1),
                                       Txt('i', "HTTP_Proxy", "cache.example"),
                                       Num('i', "http_ProxyPort", 3128)};
  const std::vector<Setting> socksOnly = {Num('i', "Proxy Type", 1),
                                          Txt('s', "SOCKS_Server", "socks.example"),
                                          Num('s', "SOCKS_ServerPort", 1080)};
  const struct Row {
    const char* what;
    const char* host;
    const char* port;
    bool win95;
    std::vector<std::string> users;
    const char* holder;  // the user key that holds the browser's tree
    int depth;           // how many of its five levels exist
    bool services;
    std::vector<Setting> settings;
    const char* command;
    // expected
    bool answer;
    std::string text;
  } rows[] = {
      {"the tab's own values win", "proxy.local", "8080", false, {"S-1"}, "S-1", 5, false, manual,
       kNetscape, true, "proxy.local:8080"},
      {"a scheme stays with the host", "http://proxy.local", "80", false, {}, "", 0, false, {},
       kNetscape, true, "http://proxy.local:80"},
      {"a host without a port asks the browser", "proxy.local", "", false, {"S-1"}, "S-1", 5,
       false, manual, kNetscape, true, "cache.example:3128"},
      {"a port without a host asks the browser", "", "8080", false, {"S-1"}, "S-1", 5, false,
       manual, kNetscape, true, "cache.example:3128"},
      {"port 0 is no port", "proxy.local", "0", false, {}, "", 0, false, {}, kNetscape, false, ""},
      {"port 65536 is no port", "proxy.local", "65536", false, {}, "", 0, false, {}, kNetscape,
       false, ""},
      {"a port with a letter", "proxy.local", "80a", false, {}, "", 0, false, {}, kNetscape,
       false, ""},
      {"a host with a space", "proxy local", "80", false, {}, "", 0, false, {}, kNetscape, false,
       ""},
      {"NT: the last user key", "", "", false, {".Default", "S-1"}, "S-1", 5, false, manual,
       kNetscape, true, "cache.example:3128"},
      {"NT: not the first one", "", "", false, {".Default", "S-1"}, ".Default", 5, false, manual,
       kNetscape, false, ""},
      {"95: always .default", "", "", true, {".default", "S-1"}, ".default", 5, false, manual,
       kNetscape, true, "cache.example:3128"},
      {"95: not the enumerated ones", "", "", true, {"S-1"}, "S-1", 5, false, manual, kNetscape,
       false, ""},
      {"no user keys at all", "", "", false, {}, "S-1", 5, false, manual, kNetscape, false, ""},
      {"no user key", "", "", false, {"S-1"}, "S-1", 0, false, manual, kNetscape, false, ""},
      {"no Software", "", "", false, {"S-1"}, "S-1", 1, false, manual, kNetscape, false, ""},
      {"no Netscape", "", "", false, {"S-1"}, "S-1", 2, false, manual, kNetscape, false, ""},
      {"no Navigator", "", "", false, {"S-1"}, "S-1", 3, false, manual, kNetscape, false, ""},
      {"no Proxy Information", "", "", false, {"S-1"}, "S-1", 4, true, manual, kNetscape, false,
       ""},
      {"Explorer is the browser", "", "", false, {"S-1"}, "S-1", 5, false, manual, kExplorer,
       false, ""},
      {"no browser", "", "", false, {"S-1"}, "S-1", 5, false, manual, "", false, ""},
      {"the browser's name in any case", "", "", false, {"S-1"}, "S-1", 5, false, manual,
       "c:\\navigator\\NetScape.EXE -h", true, "cache.example:3128"},
      {"proxy type 0: direct", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 0), Txt('i', "HTTP_Proxy", "cache.example"),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
      {"proxy type 2: automatic", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 2), Txt('i', "HTTP_Proxy", "cache.example"),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
      {"proxy type as a text", "", "", false, {"S-1"}, "S-1", 5, false,
       {Txt('i', "Proxy Type", "1"), Txt('i', "HTTP_Proxy", "cache.example"),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
      {"the port in decimal without zeros", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", "cache.example"),
        Num('i', "http_ProxyPort", 80)},
       kNetscape, true, "cache.example:80"},
      {"SOCKS when there is no HTTP proxy", "", "", false, {"S-1"}, "S-1", 5, true, socksOnly,
       kNetscape, true, "socks.example:1080"},
      {"SOCKS, but no Services key", "", "", false, {"S-1"}, "S-1", 5, false, socksOnly,
       kNetscape, false, ""},
      {"neither proxy", "", "", false, {"S-1"}, "S-1", 5, true, {Num('i', "Proxy Type", 1)},
       kNetscape, false, ""},
      {"an HTTP proxy without a port: SOCKS", "", "", false, {"S-1"}, "S-1", 5, true,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", "cache.example"),
        Txt('s', "SOCKS_Server", "socks.example"), Num('s', "SOCKS_ServerPort", 1080)},
       kNetscape, true, "socks.example:1080"},
      {"a port stored as a text", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", "cache.example"),
        Txt('i', "http_ProxyPort", "3128")},
       kNetscape, false, ""},
      {"a port past 65535", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", "cache.example"),
        Num('i', "http_ProxyPort", 70000)},
       kNetscape, false, ""},
      {"a host stored as a number", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Num('i', "HTTP_Proxy", 7), Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
      {"a long host that fits with its port", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", longHost),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, true, longHost + ":3128"},
      {"a host too long for its port", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", tooLong),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
      {"a host longer than the buffer", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", std::string(400, 'h')),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
      {"a host with a control byte", "", "", false, {"S-1"}, "S-1", 5, false,
       {Num('i', "Proxy Type", 1), Txt('i', "HTTP_Proxy", "cache\texample"),
        Num('i', "http_ProxyPort", 3128)},
       kNetscape, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeRegistry registry;
    registry.win95 = row.win95;
    registry.users = row.users;
    registry.command = row.command;
    for (int level = 0; level < row.depth; ++level) {
      registry.keys.insert(std::string(row.holder) + kLevels[level]);
    }
    if (row.services) registry.keys.insert(std::string(row.holder) + kServices);
    for (const Setting& s : row.settings) {
      const std::string key = std::string(row.holder) + (s.where == 'i' ? kLevels[4] : kServices);
      FakeRegistry::Value v;
      v.number = s.number;
      v.n = s.n;
      v.text = s.text;
      registry.values[key][s.name] = v;
    }
    char buffer[kProxyTextSize + 16];
    std::memset(buffer, '#', sizeof buffer);
    const bool answer = DecideProxy(row.host, row.port, registry, buffer);
    EXPECT_EQ(answer, row.answer);
    if (row.answer) {
      EXPECT_EQ(std::string(buffer), row.text);
    }
    EXPECT_EQ(buffer[kProxyTextSize], '#') << "written past the buffer";
    EXPECT_TRUE(registry.live.empty()) << "a key left open";
    EXPECT_EQ(registry.opened, registry.closed);
  }
}

TEST(DiscoverProxy, TheTabsValuesOpenNoKey) {
  FakeRegistry registry;
  registry.users = {"S-1"};
  for (const char* level : kLevels) registry.keys.insert(std::string("S-1") + level);
  char buffer[kProxyTextSize];
  EXPECT_TRUE(DecideProxy("proxy.local", "8080", registry, buffer));
  EXPECT_EQ(registry.opened, 0);
}

TEST(ParseProxyPort, DigitsFromOneTo65535) {
  const struct {
    const char* text;
    uint32_t port;
  } rows[] = {{"80", 80},   {"1", 1},     {"65535", 65535}, {"08080", 8080}, {"0", 0},
              {"65536", 0}, {"99999999999", 0}, {"", 0},    {" 80", 0},      {"80 ", 0},
              {"-1", 0},    {"+80", 0},   {"8o", 0},        {"0x50", 0}};
  for (const auto& row : rows) EXPECT_EQ(ParseProxyPort(row.text), row.port) << row.text;
  EXPECT_EQ(ParseProxyPort(nullptr), 0u);
}

TEST(SplitProxyText, TheFirstColonOrTheOneAfterAScheme) {
  const struct {
    const char* text;
    bool split;
    const char* host;
    const char* port;
  } rows[] = {
      {"proxy.local:8080", true, "proxy.local", "8080"},
      {"http://proxy.local:8080", true, "http://proxy.local", "8080"},
      {"http://proxy.local", false, "", ""},  // only the scheme's colon
      {"proxy.local", false, "", ""},
      {"proxy.local:", true, "proxy.local", ""},
      {":8080", true, "", "8080"},
      {"a:b:c", true, "a", "b:c"},
      {"", false, "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    char host[32] = "";
    char port[32] = "";
    EXPECT_EQ(SplitProxyText(row.text, host, sizeof host, port, sizeof port), row.split);
    EXPECT_STREQ(host, row.host);
    EXPECT_STREQ(port, row.port);
  }
  // Fields smaller than the text are cut, never overrun.
  char host[5];
  char port[3];
  std::memset(host, '#', sizeof host);
  std::memset(port, '#', sizeof port);
  EXPECT_TRUE(SplitProxyText("proxy.local:8080", host, sizeof host, port, sizeof port));
  EXPECT_STREQ(host, "prox");
  EXPECT_STREQ(port, "80");
}

TEST(CheckProxyEntry, APortFromOneTo65535OrNothingAtAll) {
  const struct {
    const char* host;
    const char* port;
    ProxyEntryCheck check;
  } rows[] = {
      {"proxy.local", "8080", ProxyEntryCheck::kAccepted},
      {"", "", ProxyEntryCheck::kAccepted},  // no proxy of the user's own
      {"", "3128", ProxyEntryCheck::kAccepted},
      {"proxy.local", "", ProxyEntryCheck::kBadPort},
      {"proxy.local", "0", ProxyEntryCheck::kBadPort},
      {"proxy.local", "65536", ProxyEntryCheck::kBadPort},
      {"proxy.local", "80 80", ProxyEntryCheck::kBadPort},
      {"proxy.local", "http", ProxyEntryCheck::kBadPort},
      {"", "-5", ProxyEntryCheck::kBadPort},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CheckProxyEntry(row.host, row.port), row.check) << row.host << " / " << row.port;
  }
}

Rect R(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Rect r;
  r.left = left;
  r.top = top;
  r.right = right;
  r.bottom = bottom;
  return r;
}

TEST(CenteredPosition, CentredAndKeptOnItsMonitor) {
  const Rect primary = R(0, 0, 1024, 768);
  const Rect left = R(-1280, 0, 0, 1024);     // a second monitor left of the first
  const Rect above = R(0, -900, 1440, 0);     // and one above it
  const struct {
    const char* what;
    Rect window, reference, screen;
    Point at;
  } rows[] = {
      {"over the desktop", R(0, 0, 300, 200), primary, primary, {362, 284}},
      {"odd sizes round toward the reference's corner", R(0, 0, 301, 201), primary, primary,
       {361, 283}},
      {"over a small window", R(0, 0, 300, 200), R(100, 100, 200, 150), primary, {0, 25}},
      {"pushed back from the right and bottom", R(0, 0, 300, 200), R(900, 700, 1000, 760),
       primary, {724, 568}},
      {"wider and taller than the screen", R(0, 0, 1200, 900), primary, primary, {0, 0}},
      {"larger, over a window at the far side", R(0, 0, 1200, 900), R(900, 700, 1000, 760),
       primary, {0, 0}},
      {"on a monitor to the left", R(0, 0, 300, 200), left, left, {-790, 412}},
      {"left monitor, reference at its edge", R(0, 0, 300, 200), R(-1280, 0, -1200, 40), left,
       {-1280, 0}},
      {"on a monitor above", R(0, 0, 300, 200), above, above, {570, -550}},
      {"above, reference at its top edge", R(0, 0, 300, 200), R(1400, -900, 1440, -880), above,
       {1140, -900}},
      {"larger than a left monitor", R(0, 0, 1400, 1100), left, left, {-1280, 0}},
      {"extreme rectangles do not overflow", R(INT32_MIN, 0, INT32_MAX, 10),
       R(INT32_MIN, 0, INT32_MAX, 10), primary, {0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Point at = CenteredPosition(row.window, row.reference, row.screen);
    EXPECT_EQ(at.x, row.at.x);
    EXPECT_EQ(at.y, row.at.y);
  }
}

}  // namespace
