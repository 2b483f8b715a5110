// Proxy discovery over a registry kept in memory, the Proxy tab's texts, and where a credential
// dialog is placed.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "net/proxy_discovery.h"
#include "base/dialog_position.h"
#include "prefs/proxy_entry.h"

namespace {

// The browser's settings of one user, as key levels below the user key ("" is the user key
// itself) and values by level and name.
class FakeRegistry : public ProxyEnvironment {
 public:
  struct Value {
    bool number = false;
    uint32_t n = 0;
    std::string text;
  };
  static constexpr const char* kInfo = "Software\\Netscape\\Netscape Navigator\\Proxy Information";
  static constexpr const char* kServices = "Software\\Netscape\\Netscape Navigator\\Services";

  // Netscape as the browser, with a manual proxy, for the last of two users.
  FakeRegistry() {
    for (const char* level : {"", "Software", "Software\\Netscape",
                              "Software\\Netscape\\Netscape Navigator", kInfo, kServices}) {
      keys.insert(level);
    }
    Number(kInfo, "Proxy Type", 1);
    Text(kInfo, "HTTP_Proxy", "cache.example");
    Number(kInfo, "http_ProxyPort", 3128);
  }
  void Number(const char* key, const char* name, uint32_t n) { values[key][name] = {true, n, ""}; }
  void Text(const char* key, const char* name, std::string t) { values[key][name] = {false, 0, t}; }
  void Socks() {
    values[kInfo].erase("HTTP_Proxy");
    Text(kServices, "SOCKS_Server", "socks.example");
    Number(kServices, "SOCKS_ServerPort", 1080);
  }

  bool win95 = false;
  std::vector<std::string> users = {".Default", "S-1"};
  std::string holder = "S-1";  // the user key that holds the settings
  std::set<std::string> keys;
  std::map<std::string, std::map<std::string, Value>> values;
  std::string command = "C:\\Program Files\\Netscape\\Program\\netscape.exe";
  int opened = 0;
  std::set<ProxyKey> live;

  bool Windows95Family() override { return win95; }
  bool UserKeyName(uint32_t index, char* name, size_t capacity) override {
    if (index >= users.size() || users[index].size() >= capacity) return false;
    std::strcpy(name, users[index].c_str());
    return true;
  }
  ProxyKey UsersRoot() override { return kRoot; }
  ProxyKey Open(ProxyKey parent, const char* name) override {
    std::string path;
    if (parent == kRoot) {
      if (name != holder) return 0;
    } else {
      EXPECT_EQ(live.count(parent), 1u) << "opened below a closed key";
      path = paths_[parent].empty() ? name : paths_[parent] + "\\" + name;
    }
    if (keys.count(path) == 0) return 0;
    paths_[++opened] = path;
    live.insert(opened);
    return opened;
  }
  void Close(ProxyKey key) override { EXPECT_EQ(live.erase(key), 1u) << "closed twice"; }
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
    if (k == values.end() || k->second.count(name) == 0) return nullptr;
    return &k->second[name];
  }
  std::map<ProxyKey, std::string> paths_;
};

using Change = void (*)(FakeRegistry&);

TEST(DiscoverProxy, TheTabsValuesElseNetscapesManualProxy) {
  using R = FakeRegistry;
  const std::string cache = "cache.example:3128";
  const struct Row {
    const char* what;
    const char* host;
    const char* port;
    Change change;
    bool answer;
    std::string text;
  } rows[] = {
      {"the tab's own values win", "proxy.local", "8080", nullptr, true, "proxy.local:8080"},
      {"a scheme stays with the host", "http://proxy.local", "80", nullptr, true,
       "http://proxy.local:80"},
      {"a host without a port asks the browser", "proxy.local", "", nullptr, true, cache},
      {"a port out of range asks the browser", "proxy.local", "65536", nullptr, true, cache},
      {"a host with a space asks the browser", "proxy local", "80", nullptr, true, cache},
      {"the last user key, not the first", "", "",
       [](R& r) { r.users = {"S-1", ".Default"}; }, false, ""},
      {"no user keys at all", "", "", [](R& r) { r.users.clear(); }, false, ""},
      {"the 95 family reads .default", "", "",
       [](R& r) { r.win95 = true, r.holder = ".default"; }, true, cache},
      {"the 95 family reads nothing else", "", "", [](R& r) { r.win95 = true; }, false, ""},
      {"no Software", "", "", [](R& r) { r.keys.erase("Software"); }, false, ""},
      {"no Netscape", "", "", [](R& r) { r.keys.erase("Software\\Netscape"); }, false, ""},
      {"no Navigator", "", "",
       [](R& r) { r.keys.erase("Software\\Netscape\\Netscape Navigator"); }, false, ""},
      {"no Proxy Information", "", "", [](R& r) { r.keys.erase(R::kInfo); }, false, ""},
      {"Explorer is the browser", "", "",
       [](R& r) { r.command = "C:\\Program Files\\Internet Explorer\\iexplore.exe"; }, false, ""},
      {"no browser", "", "", [](R& r) { r.command.clear(); }, false, ""},
      {"the browser's name in any case", "", "", [](R& r) { r.command = "c:\\NetScape.EXE -h"; },
       true, cache},
      {"proxy type 0: direct", "", "", [](R& r) { r.Number(R::kInfo, "Proxy Type", 0); }, false,
       ""},
      {"proxy type 2: automatic", "", "", [](R& r) { r.Number(R::kInfo, "Proxy Type", 2); },
       false, ""},
      {"proxy type as a text", "", "", [](R& r) { r.Text(R::kInfo, "Proxy Type", "1"); }, false,
       ""},
      {"the port in decimal", "", "", [](R& r) { r.Number(R::kInfo, "http_ProxyPort", 80); },
       true, "cache.example:80"},
      {"a port past 65535", "", "", [](R& r) { r.Number(R::kInfo, "http_ProxyPort", 70000); },
       false, ""},
      {"a port stored as a text", "", "",
       [](R& r) { r.Text(R::kInfo, "http_ProxyPort", "3128"); }, false, ""},
      {"a host stored as a number", "", "", [](R& r) { r.Number(R::kInfo, "HTTP_Proxy", 7); },
       false, ""},
      {"SOCKS when there is no HTTP proxy", "", "", [](R& r) { r.Socks(); }, true,
       "socks.example:1080"},
      {"SOCKS without its key", "", "", [](R& r) { r.Socks(), r.keys.erase(R::kServices); }, false,
       ""},
      {"an HTTP proxy without a port gives way to SOCKS", "", "",
       [](R& r) {
         r.Socks();
         r.Text(R::kInfo, "HTTP_Proxy", "cache.example");
         r.values[R::kInfo].erase("http_ProxyPort");
       },
       true, "socks.example:1080"},
      {"a long host that fits with its port", "", "",
       [](R& r) { r.Text(R::kInfo, "HTTP_Proxy", std::string(250, 'h')); }, true,
       std::string(250, 'h') + ":3128"},
      {"a host too long for its port", "", "",
       [](R& r) { r.Text(R::kInfo, "HTTP_Proxy", std::string(256, 'h')); }, false, ""},
      {"a host longer than the buffer", "", "",
       [](R& r) { r.Text(R::kInfo, "HTTP_Proxy", std::string(400, 'h')); }, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakeRegistry registry;
    if (row.change != nullptr) row.change(registry);
    char buffer[kProxyTextSize + 16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(DecideProxy(row.host, row.port, registry, buffer), row.answer);
    if (row.answer) {
      EXPECT_EQ(std::string(buffer), row.text);
    }
    EXPECT_EQ(buffer[kProxyTextSize], '#') << "written past the buffer";
    EXPECT_TRUE(registry.live.empty()) << "a key left open";
    if (row.answer && row.text == std::string(row.host) + ":" + row.port) {
      EXPECT_EQ(registry.opened, 0) << "the tab's values open no key";
    }
  }
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

TEST(BesideStripPosition, BelowOrAboveTheStripAndWhollyOnTheWorkArea) {
  const Rect work = R(0, 0, 1024, 738);  // a taskbar 30 pixels high at the bottom
  const Rect sheet = R(0, 0, 404, 433);
  const struct {
    const char* what;
    Rect window, strip, work;
    Point at;
  } rows[] = {
      {"a first-run strip at the top right: below it, pulled in from the right", sheet,
       R(685, 0, 835, 18), work, {620, 18}},
      {"a strip near the bottom: above it", sheet, R(0, 560, 1000, 590), work, {0, 127}},
      {"a strip in the middle with room below", sheet, R(100, 200, 800, 230), work, {100, 230}},
      {"no room either side: the larger side, still on the work area", sheet,
       R(100, 300, 800, 330), work, {100, 305}},
      {"a strip half off the left edge", sheet, R(-300, 100, 200, 130), work, {0, 130}},
      {"the docked strip in a taskbar below the work area", sheet, R(700, 738, 1024, 768), work,
       {620, 305}},
      {"on a second monitor to the left", sheet, R(-1000, 0, -600, 30), R(-1280, 0, 0, 1024),
       {-1000, 30}},
      {"a sheet larger than the work area keeps to its top left", R(0, 0, 1100, 800),
       R(100, 100, 300, 130), work, {0, 0}},
      {"extreme rectangles do not overflow", sheet, R(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX),
       work, {0, 305}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Point at = BesideStripPosition(row.window, row.strip, row.work);
    EXPECT_EQ(at.x, row.at.x);
    EXPECT_EQ(at.y, row.at.y);
  }
}

}  // namespace
