// Ticker.exe against the content server on 127.0.0.1: the first start fetches and caches, a
// restart with "R" shows the cache without asking the server, the account login's answers, a
// server that is down, and a proxy that wants a password.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "feed/codecs.h"
#include "net/http_auth.h"
#include "win32/window_probe.h"

namespace {

class LiveContent : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeProgramFolder("live");
    ASSERT_TRUE(CopyInto(TickerExePath(), folder_ + "Ticker.exe"));
    for (const char* stale : {"News.Dat", "Sponsor.Dat", "sponsor.bmp", "sponsor.ini"}) {
      DeleteFileA((folder_ + stale).c_str());
    }
    // A plain floating frame, wide enough to see the strip.
    PlaceFloatingFrame(0, 200, 1000);
    WriteRegistryNumber("My Vexlo!", 0);
    DeleteRegistryValue("Last Stock Update");
  }

  void TearDown() override {
    EndStartedPrograms();
    server_.Stop();
  }

  // The content server with the sample content on a port of its own; the ticker is pointed at it.
  void StartServer(const std::string& extra = "") {
    scratch_ = MakeScratchFolder("server");
    std::string command = UnixArgument("--server=") + " --port 0 --port-file " + scratch_.unix +
                          "/port --log " + scratch_.unix + "/requests.log --content " +
                          UnixArgument("--content=") + " " + extra;
    ASSERT_TRUE(server_.Start(command));
    port_ = WaitForNumberInFile(scratch_.windows + "\\port", 20000);
    ASSERT_GT(port_, 0) << "the content server did not start: " << command;
    PointTickerAt("http://127.0.0.1:" + std::to_string(port_));
  }

  static void PointTickerAt(const std::string& base) {
    for (const char* server : {"Portal Server", "Publisher Server", "Update Server", "Maker Server"}) {
      WriteRegistryText(server, base.c_str());
    }
  }

  std::vector<std::string> ServerRequests(const std::string& path) {
    std::vector<std::string> lines;
    const std::string log = ReadWholeFile(scratch_.windows + "\\requests.log");
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = log.substr(start, end - start);
      if (line.find("path=" + path) != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  PROCESS_INFORMATION StartTicker(const std::string& arguments = "") {
    PROCESS_INFORMATION p = StartProgram(folder_ + "Ticker.exe", arguments);
    EXPECT_EQ(WaitForTickerFrame(p), "");
    return p;
  }

  // Waits for the strip to hold something that the predicate accepts; returns the last report.
  template <typename Accept>
  StripReport WaitForStrip(Accept accept, DWORD timeoutMs = 20000) {
    StripReport report;
    const bool accepted = WaitUntil(
        [&] {
          report = ReadStrip(FindTickerWindow());
          return report.answered && accept(report);
        },
        timeoutMs);
    if (!accepted) {
      // What the strip held instead, and what the server was asked.
      for (const std::string& text : report.Texts()) std::printf("strip: [%s]\n", text.c_str());
      for (const std::string& line : ServerRequests("/")) std::printf("server: %s\n", line.c_str());
    }
    return report;
  }

  static bool HasText(const StripReport& r, const std::string& text) {
    const auto texts = r.Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  static bool HasNews(const StripReport& r) {
    return std::any_of(r.items.begin(), r.items.end(),
                       [](const ReportedItem& i) { return i.colorIndex == 1 && i.tallFont; });
  }

  std::string folder_;
  ScratchFolder scratch_;
  UnixProgram server_;
  int port_ = 0;
};

TEST_F(LiveContent, TheFirstStartFetchesCachesAndShowsTheNewsInTheirColours) {
  StartServer();
  const std::string base = "http://127.0.0.1:" + std::to_string(port_);
  WriteWholeFile(folder_ + "sponsor.ini", "[Sponsor]\r\nnews=" + base + "/sponsor/news.txt\r\n" +
                                              "Image=" + base + "/sponsor/sponsor.bmp\r\n");
  StartTicker();
  // Nothing is cached yet: the first cycle goes to the network once, for the sponsor's items in
  // front and the feed after them.
  const StripReport report = WaitForStrip([](const StripReport& r) {
    return HasNews(r) && r.items[0].text == "    Sponsor: ";
  });
  ASSERT_TRUE(HasNews(report)) << "no top stories in the strip";

  // The caption of the sponsor items first, then the feed: captions in 15, quotes by their sign.
  EXPECT_EQ(report.items[0].text, "    Sponsor: ");
  EXPECT_EQ(report.items[0].colorIndex, 15);
  bool quoteUp = false, quoteDown = false, caption = false;
  for (const ReportedItem& item : report.items) {
    quoteUp |= item.colorIndex == 10;
    quoteDown |= item.colorIndex == 9;
    caption |= item.colorIndex == 15 && item.startsSection && item.text.find(':') != std::string::npos;
  }
  EXPECT_TRUE(quoteUp);
  EXPECT_TRUE(quoteDown);
  EXPECT_TRUE(caption);

  // The caches: byte-for-byte copies of what the server answered.
  const std::string news = ReadWholeFile(folder_ + "News.Dat");
  ASSERT_FALSE(news.empty());
  EXPECT_EQ(news[0], '\x0E');
  EXPECT_FALSE(ReadWholeFile(folder_ + "Sponsor.Dat").empty());
  EXPECT_EQ(ReadWholeFile(folder_ + "sponsor.bmp").substr(0, 2), "BM");

  // The stamp, in the registry and therefore in the strip's tip.
  char stamp[100] = "";
  ASSERT_TRUE(WaitUntil([&] { return ReadRegistryText("Last Stock Update", stamp, sizeof stamp); },
                        10000));
  // "Last Updated:  " (string 8), the long date, two spaces, the time without seconds; with the
  // pinned locale that is "Last Updated:  Tuesday, December 8, 2026  6:22 AM".
  const std::string text = stamp;
  EXPECT_EQ(text.rfind("Last Updated:  ", 0), 0u) << text;
  const size_t gap = text.find("  ", 15);
  ASSERT_NE(gap, std::string::npos) << text;
  char date[64] = "";
  GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_LONGDATE, nullptr, nullptr, date, sizeof date);
  EXPECT_EQ(text.substr(15, gap - 15), date);
  const std::string time = text.substr(gap + 2);
  EXPECT_TRUE(time.size() >= 7 && (time.find("AM") != std::string::npos ||
                                   time.find("PM") != std::string::npos))
      << time;
  EXPECT_EQ(std::count(time.begin(), time.end(), ':'), 1) << "no seconds: " << time;

  // One data request, also on the first start after an install, when there is no cache yet to
  // show before the network answers.
  EXPECT_EQ(ServerRequests("/tlx/update").size(), 1u);
  const std::string request = ServerRequests("/tlx/update")[0];
  EXPECT_NE(request.find("stocks=^DJI,^SPC,^IXIC,INTC,MSFT,VXLO&weather=f,JFK,SFO,LAX&news=10,rt,rb,rc,&"),
            std::string::npos)
      << request;
  EXPECT_NE(request.find("user-agent=Mozilla/4.01%20[en]%20(Win95;%20I)"), std::string::npos);

  // On screen: the quotes near the strip's start, rising in green and falling in red.
  HWND ticker = FindTickerWindow();
  bool red = false, green = false;
  WaitUntil(
      [&] {
        const PixelGrab g = GrabFromScreen(ticker);
        red |= g.Count(20, 0, g.width - 40, g.height, RGB(255, 0, 0)) > 20;
        green |= g.Count(20, 0, g.width - 40, g.height, RGB(0, 255, 0)) > 20;
        return red && green;
      },
      30000);
  EXPECT_TRUE(red);
  EXPECT_TRUE(green);

  // A restart with "R": the cached strip at once, and no request to the server. (The first
  // cycle ends with its update check; it is counted before the restart.)
  EXPECT_TRUE(WaitUntil([&] { return !ServerRequests("/ion/ticker.ex_").empty(); }, 30000));
  const size_t requests = ServerRequests("/").size();
  PostMessageA(FindTickerFrame(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([] { return FindTickerFrame() == nullptr; }, 10000));
  StartTicker("R");
  const StripReport cached = WaitForStrip(HasNews, 5000);
  EXPECT_TRUE(HasNews(cached));
  Sleep(2500);
  EXPECT_EQ(ServerRequests("/").size(), requests) << "a start with R asks the server nothing";
}

TEST_F(LiveContent, AServerThatIsDownSaysNoDataCame) {
  PointTickerAt("http://127.0.0.1:" + std::to_string(FreePort()));
  StartTicker();
  const StripReport report =
      WaitForStrip([](const StripReport& r) { return HasText(r, " No data received from Server...  "); });
  EXPECT_EQ(report.Texts(), (std::vector<std::string>{" No data received from Server...  ",
                                                      " Please check your proxy information.  "}));
}

void UseAccount(const char* user, const char* password) {
  WriteRegistryNumber("My Vexlo!", 1);
  WriteRegistryText("Vexlo! User ID", user);
  WriteRegistryText("Vexlo! EPassword", Base64Encode(password).c_str());
}

TEST_F(LiveContent, TheAccountLoginsFourAnswers) {
  StartServer();
  StartProgram(HelperPath("dde_browser.exe"), scratch_.windows + "\\browser.txt");

  // A wrong password.
  UseAccount("alice", "rabbit hole");
  StartTicker();
  StripReport r = WaitForStrip([](const StripReport& s) { return HasText(s, " Bad MyVexlo! Login...  "); });
  EXPECT_TRUE(HasText(r, " Please check your ID and PASSWORD in the ticker 'Preferences' dialog box.  "));
  ASSERT_FALSE(ServerRequests("/config/tlxlogin").empty());
  EXPECT_NE(ServerRequests("/config/tlxlogin")[0].find("query=login=alice&passwd=*"),
            std::string::npos);

  // An account whose set-up is not finished: the status, and the set-up page in the browser.
  UseAccount("carol", "tulip");
  StartTicker();
  r = WaitForStrip([](const StripReport& s) {
    return HasText(s, " Your MyVexlo! account setup is not complete...  ");
  });
  EXPECT_TRUE(HasText(r, " Please enter your account preferences in the browser window.  "));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return ReadWholeFile(scratch_.windows + "\\browser.txt").find("/config/eval_suggest") !=
               std::string::npos;
      },
      15000));

  // Logged in: the account's own selection, with the mail alert of an account with new mail.
  UseAccount("bob smith", "open sesame");
  StartTicker();
  r = WaitForStrip([](const StripReport& s) { return s.items.size() > 4; });
  EXPECT_GT(r.items.size(), 4u) << "the account's news";
  const std::vector<std::string> data = ServerRequests("/tlx/update&");
  ASSERT_FALSE(data.empty()) << "the account form of the data request has no query";
  EXPECT_EQ(data.back().find("cookie=-"), std::string::npos) << "the login's session travels";
  ASSERT_FALSE(ServerRequests("/config/tlxlogin").empty());
  EXPECT_NE(ServerRequests("/config/tlxlogin").back().find("query=login=bob+smith&passwd=*"),
            std::string::npos);
}

// A dialog centred over the desktop, the whole of it on the screen.
bool CentredOnScreen(HWND dialog) {
  RECT r;
  GetWindowRect(dialog, &r);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  return r.left == (width - (r.right - r.left)) / 2 && r.top == (height - (r.bottom - r.top)) / 2 &&
         r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

TEST_F(LiveContent, AProxyThatWantsAPasswordGetsOneFromTheDialog) {
  StartServer();
  Tinyproxy proxy;
  ASSERT_TRUE(proxy.Start("proxy", "BasicAuth newsuser s3cret\n"));
  WriteRegistryText("HTTP Proxy", "127.0.0.1");
  WriteRegistryText("Proxy Port", proxy.Port().c_str());
  DeleteRegistryValue("Proxy ID");
  DeleteRegistryValue("Proxy Pass");

  StartProgram(folder_ + "Ticker.exe");
  HWND dialog = nullptr;
  // Visible means initialised: the dialog fills in its fields before it shows.
  ASSERT_TRUE(WaitUntil(
      [&] {
        dialog = FindWindowA(nullptr, "Enter Network Password");
        return dialog != nullptr && IsWindowVisible(dialog);
      },
      30000));
  char realm[100] = "";
  GetDlgItemTextA(dialog, 1099, realm, sizeof realm);
  EXPECT_STREQ(realm, "Tinyproxy") << "the realm of the proxy's answer";
  EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, 1051), GWL_STYLE) & ES_PASSWORD, 0)
      << "the password is masked";
  EXPECT_TRUE(CentredOnScreen(dialog));
  SetDlgItemTextA(dialog, 1049, "newsuser");
  SetDlgItemTextA(dialog, 1051, "s3cret");
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

  ASSERT_TRUE(WaitUntil([&] { return !ServerRequests("/tlx/update").empty(); }, 30000))
      << "the retry through the proxy reaches the server";
  const StripReport report = WaitForStrip(HasNews);
  EXPECT_TRUE(HasNews(report));

  char user[100] = "";
  char pass[100] = "";
  ASSERT_TRUE(ReadRegistryText("Proxy ID", user, sizeof user));
  ASSERT_TRUE(ReadRegistryText("Proxy Pass", pass, sizeof pass));
  EXPECT_STREQ(user, "newsuser");
  EXPECT_STRNE(pass, "s3cret") << "stored scrambled";
  ScrambleProxyPassword(pass);
  EXPECT_STREQ(pass, "s3cret");
}

}  // namespace
