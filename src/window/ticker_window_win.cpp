// The ticker window: creation, resize, timers, commands and the private messages.
#include "window/ticker_window_win.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "desktop/open_url_win.h"
#include "feed/codecs.h"
#include "feed/refresh_worker_win.h"
#include "prefs/credentials_win.h"
#include "prefs/hover_wheel_win.h"
#include "prefs/preferences_win.h"
#include "res/resource.h"
#include "settings/color_schemes.h"
#include "shell/process_win.h"
#include "shell/shutdown_win.h"
#include "strip/control_panel_win.h"
#include "strip/strip_paint_win.h"
#include "strip/tooltips_win.h"
#include "window/housekeeping_win.h"
#include "window/mouse_win.h"
#include "window/placement_commands_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

void ReplaceSpaces(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') *p = '+';
  }
}

// The account: the password is kept Base64-encoded; a plain one left by an older version is
// encoded and the plain value emptied. A user id without any password asks for one.
void LoadAccount(HWND ticker, SettingsStore& settings, TickerPrefs& prefs) {
  settings.ReadTextValue(value_name::kUserId, prefs.userId);
  ReplaceSpaces(prefs.userId);

  char encoded[kTextValueSize];
  settings.ReadTextValue(value_name::kEncodedPassword, encoded);
  if (encoded[0] != '\0') {
    Base64DecodeBounded(encoded, prefs.password, sizeof prefs.password);
  } else {
    settings.ReadTextValue(value_name::kPlainPassword, prefs.password);
    if (prefs.userId[0] != '\0' && prefs.password[0] == '\0') {
      AskAccountPassword(ticker, prefs.password, sizeof prefs.password);
    }
    // The registry text holds 99 characters: 72 password bytes encode into 96.
    char stored[kTextValueSize];
    char plain[73];
    std::strncpy(plain, prefs.password, sizeof plain - 1);
    plain[sizeof plain - 1] = '\0';
    Base64EncodeBounded(plain, stored, sizeof stored);
    settings.WriteTextValue(value_name::kEncodedPassword, stored);
    settings.WriteTextValue(value_name::kPlainPassword, "");
  }
  ReplaceSpaces(prefs.password);

  if (prefs.myVexlo != 0 && (prefs.userId[0] == '\0' || prefs.password[0] == '\0')) {
    prefs.myVexlo = 0;
    settings.WriteSetting(SettingId::kMyVexlo, 0);
  }
}

bool NoContentSelected(const TickerPrefs& p) {
  return p.usHeadlines == 0 && p.worldHeadlines == 0 && p.businessHeadlines == 0 &&
         p.politicsHeadlines == 0 && p.stockQuotes == 0 && p.sportsHeadlines == 0 &&
         p.entertainmentHeadlines == 0 && p.technologyHeadlines == 0 && p.weather == 0;
}

// The first run: nothing selected yet. Store a sensible selection and use it.
void ApplyFirstRunDefaults(SettingsStore& settings, TickerPrefs& p) {
  p.autoUpdate = 1;
  p.usHeadlines = 1;
  p.technologyHeadlines = 1;
  p.businessHeadlines = 1;
  p.weather = 1;
  p.stockQuotes = 1;
  p.showInScreenSaver = 1;
  p.tickerSpeed = 3;
  p.temperatureSystem = 1;
  p.smoothScrolling = 0;
  p.storiesPerTopic = 10;

  settings.WriteSetting(SettingId::kAutoUpdate, 1);
  settings.WriteSetting(SettingId::kUsHeadlines, 1);
  settings.WriteSetting(SettingId::kStockQuotes, 1);
  settings.WriteSetting(SettingId::kBoldFont, 1);
  settings.WriteSetting(SettingId::kShowInScreenSaver, 1);
  settings.WriteSetting(SettingId::kWeather, 1);
  settings.WriteSetting(SettingId::kBusinessHeadlines, 1);
  settings.WriteSetting(SettingId::kTechnologyHeadlines, 1);
  settings.WriteSetting(SettingId::kTemperatureSystem, 1);
  settings.WriteNumberValue(value_name::kNewsRefresh, 10);
  settings.WriteSetting(SettingId::kTickerSpeed, 3);
  settings.WriteTextValue(value_name::kAirports, "JFK,SFO,LAX");
  settings.WriteNumberValue("Stories per Topic", 10);
}

bool SponsorHasExternalNews() {
  char iniPath[MAX_PATH];
  if (!ProgramFilePath("sponsor.ini", iniPath, sizeof iniPath)) return false;
  char value[200];
  GetPrivateProfileStringA("SPONSOR", "External News", "", value, sizeof value, iniPath);
  return value[0] != '\0';
}

bool OnTickerCreate(HWND ticker) {
  TickerWindowState& t = Ticker();
  SettingsStore& settings = Settings();
  TickerPrefs& p = t.prefs;
  std::lock_guard<std::mutex> guard(t.prefsLock);

  t.tickerWindow = ticker;
  InitRefreshLock();
  t.flags.refreshRunning = 0;

  t.handCursor = LoadCursorA(t.instance, MAKEINTRESOURCEA(IDCUR_HAND));
  t.sizingCursor = LoadCursorA(t.instance, MAKEINTRESOURCEA(IDCUR_SIZING));
  t.savedCursor = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(t.savedCursor);

  if (settings.ReadSetting(SettingId::kRegisterForMyVexlo) != 0) {
    OpenEndpoint(Endpoint::kPortal, "/config/eval_register?new=1&lg=1&referer=my+Vexlo+ticker");
    settings.WriteSetting(SettingId::kRegisterForMyVexlo, 0);
  }

  LoadStripColors(settings, p.colors);
  t.highlightPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  t.shadowPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  t.facePen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));

  p.myVexlo = settings.ReadSetting(SettingId::kMyVexlo);
  p.usHeadlines = settings.ReadSetting(SettingId::kUsHeadlines);
  p.worldHeadlines = settings.ReadSetting(SettingId::kWorldHeadlines);
  p.businessHeadlines = settings.ReadSetting(SettingId::kBusinessHeadlines);
  p.politicsHeadlines = settings.ReadSetting(SettingId::kPoliticsHeadlines);
  p.technologyHeadlines = settings.ReadSetting(SettingId::kTechnologyHeadlines);
  p.sportsHeadlines = settings.ReadSetting(SettingId::kSportsHeadlines);
  p.entertainmentHeadlines = settings.ReadSetting(SettingId::kEntertainmentHeadlines);
  p.stockQuotes = settings.ReadSetting(SettingId::kStockQuotes);
  p.weather = settings.ReadSetting(SettingId::kWeather);
  p.showInScreenSaver = settings.ReadSetting(SettingId::kShowInScreenSaver);
  t.undocked = settings.ReadSetting(SettingId::kDockInTaskbar);
  p.smoothScrolling = settings.ReadSetting(SettingId::kSmoothScrolling);

  LoadAccount(ticker, settings, p);

  p.storiesPerTopic = settings.ReadNumberValue(value_name::kStoriesPerTopic);
  p.temperatureSystem = settings.ReadSetting(SettingId::kTemperatureSystem);
  settings.ReadTextValue(value_name::kAirports, p.airports);
  p.mailAlertIcon = settings.ReadSetting(SettingId::kMailAlertIcon);
  p.mailCycleLength = settings.ReadSetting(SettingId::kMailIconCycle);
  t.mailCycleCountdown = p.mailCycleLength;
  p.mailAlertSound = settings.ReadSetting(SettingId::kMailAlertSound);

  if (NoContentSelected(p)) ApplyFirstRunDefaults(settings, p);

  p.myVexloOnly = settings.ReadSetting(SettingId::kMyVexloOnly);
  CreateStripFonts(ticker);
  settings.LoadStockSymbols(p.stockSymbols);

  p.newsRefresh = settings.ReadNumberValue(value_name::kNewsRefresh);
  if (SponsorHasExternalNews()) {
    p.newsRefresh = 3;
    settings.WriteNumberValue(value_name::kNewsRefresh, 3);
  }

  p.autoUpdate = settings.ReadSetting(SettingId::kAutoUpdate);
  settings.ReadTextValue(value_name::kLastStockUpdate, t.lastStockUpdate);
  p.tickerSpeed = settings.ReadSetting(SettingId::kTickerSpeed);
  settings.ReadTextValue(value_name::kHttpProxy, p.httpProxy);
  settings.ReadTextValue(value_name::kProxyPort, p.proxyPort);

  t.alwaysOnTop = settings.ReadSetting(SettingId::kAlwaysOnTop);
  if (t.alwaysOnTop != 0 && t.undocked != 0 && t.screenSaverMode == 0 && t.frameWindow) {
    SetWindowPos(t.frameWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  t.glueToDesktop = settings.ReadSetting(SettingId::kAlwaysOnBottom);
  if (t.glueToDesktop != 0 && t.undocked != 0 && t.screenSaverWindow == nullptr && t.frameWindow) {
    SetWindowPos(t.frameWindow, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }

  t.scrollTimer = SetTimer(ticker, kScrollTimer, kScrollPeriodMs, nullptr);
  t.refreshTimer = SetTimer(ticker, kRefreshTimer, RefreshPeriodMs(p.newsRefresh), nullptr);
  t.housekeepingTimer = SetTimer(ticker, kHousekeepingTimer, kHousekeepingPeriodMs, nullptr);

  PostMessageA(ticker, WM_COMMAND, IDM_UPDATE_NOW, 0);
  return true;
}

void OnTickerDestroy(HWND ticker) {
  ShutdownTicker(ticker);
  RemoveTrayPlaceholders();
  EndProcess(0);
}

void OnTickerSize(HWND ticker, int width, int height) {
  TickerWindowState& t = Ticker();
  t.clientWidth = width;
  t.clientHeight = height;
  const RECT bounds = {0, 0, width, height};
  CreateTooltips(ticker, bounds);
  CreateStripFonts(ticker);
  if (t.inDeskBand != 0) {
    Settings().WriteSetting(SettingId::kTickerSize, width);
    t.dockedWidth = width;
    t.tickerSize = width;
  }
  if (height != t.lastStripHeight && t.flags.stripFilled.load() != 0) {
    t.reloadNeeded = 1;
    t.lastStripHeight = height;
  }
  DiscardClipRegion();
  InvalidateRect(ticker, nullptr, TRUE);
}

void OnTickerPaint(HWND ticker) {
  PAINTSTRUCT ps;
  BeginPaint(ticker, &ps);
  PaintControlPanel(ticker);
  EndPaint(ticker, &ps);
}

void OnRefreshTick(HWND ticker) {
  if (Ticker().prefs.autoUpdate != 0) StartRefreshWorker(ticker);
}

void OnScrollTimerTick(HWND ticker) {
  TickerWindowState& t = Ticker();
  RunScrollTick(ticker);
  if (t.frameWindow != nullptr && t.screenSaverWindow != nullptr) {
    // The screen-saver bar's text lines below the strip.
    RECT frame;
    RECT strip;
    GetClientRect(t.frameWindow, &frame);
    GetClientRect(ticker, &strip);
    frame.top = strip.bottom;
    InvalidateRect(t.frameWindow, &frame, FALSE);
  }
}

void OnTickerTimer(HWND ticker, WPARAM id) {
  switch (id) {
    case kScrollTimer: OnScrollTimerTick(ticker); break;
    case kRefreshTimer: OnRefreshTick(ticker); break;
    case kHousekeepingTimer: RunHousekeepingTick(ticker); break;
    default: break;
  }
}

void OpenMailAndRearm(HWND ticker) {
  TickerWindowState& t = Ticker();
  t.flags.mailAlertPending = 0;
  KillTimer(ticker, kRefreshTimer);
  t.refreshTimer = SetTimer(ticker, kRefreshTimer, RefreshPeriodMs(t.prefs.newsRefresh), nullptr);
  OpenEndpoint(Endpoint::kPortalMail, "");
  t.flags.mailSoundArmed = 1;
}

void DestroyHost() {
  TickerWindowState& t = Ticker();
  DestroyWindow(t.frameWindow != nullptr ? t.frameWindow : t.tickerWindow);
}

void RestartKeepingCaption() {
  SettingsStore& settings = Settings();
  settings.WriteSetting(SettingId::kFollowCaption, 0);
  settings.WriteSetting(SettingId::kFitToCaption, Ticker().fitToCaption);
  RestartProgram();
}

void OnTickerCommand(HWND ticker, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  if (HIWORD(wParam) == 0) {
    // A menu command: repaint everything once and draw the strip at once.
    InvalidateRect(ticker, nullptr, TRUE);
    UpdateWindow(ticker);
    SendMessageA(ticker, WM_TIMER, kScrollTimer, 0);
  }
  if (t.searchBox != nullptr && reinterpret_cast<HWND>(lParam) == t.searchBox &&
      HIWORD(wParam) == EN_VSCROLL) {
    OnSearchBoxEnter(ticker);
    return;
  }

  switch (LOWORD(wParam)) {
    case IDM_PREFERENCES: OpenPreferencesSheet(ticker); break;
    case IDM_EXIT:
      t.flags.closing = 1;
      DestroyHost();
      break;
    case IDM_UPDATE_NOW: StartRefreshWorker(ticker); break;
    case IDM_HELP: OpenEndpoint(Endpoint::kPortal, "/help/ticker/"); break;
    case IDM_TASKBAR_DOCK: ToggleTaskbarDocking(); break;
    case IDM_SEARCH_WINDOW:
      t.searchShown = !t.searchShown;
      PostMessageA(ticker, WM_TIMER, kHousekeepingTimer, 0);
      break;
    case IDM_PAGES: OpenEndpoint(Endpoint::kPortal, "/tlx/"); break;
    case IDM_OPEN_MAIL: OpenMailAndRearm(ticker); break;
    case IDM_ALWAYS_ON_TOP:
    case IDM_GLUE_TO_DESKTOP:
    case IDM_FIT_TO_CAPTION: RunPlacementCommand(LOWORD(wParam)); break;
    case IDM_RESTART: RestartKeepingCaption(); break;
    case IDM_PORTAL_HOME: OpenEndpoint(Endpoint::kPortal, "/"); break;
    case IDM_PORTAL_GAMES: OpenEndpoint(Endpoint::kPortalGames, "/games/"); break;
    case IDM_PORTAL_CHAT: OpenEndpoint(Endpoint::kPortalChat, "/"); break;
    case IDM_PORTAL_CLASSIFIEDS: OpenEndpoint(Endpoint::kPortalClassifieds, "//"); break;
    case IDM_PORTAL_BOARDS: OpenEndpoint(Endpoint::kPortalBoards, "/"); break;
    case IDM_PORTAL_EMAIL: OpenEndpoint(Endpoint::kPortalMail, "/"); break;
    case IDM_PORTAL_PERSONALIZE: OpenEndpoint(Endpoint::kPortal, "/"); break;
    case IDM_PORTAL_PERSONALS: OpenEndpoint(Endpoint::kPortalPersonals, ""); break;
    case IDM_PORTAL_QUOTES: OpenEndpoint(Endpoint::kPortalQuotes, "/"); break;
    case IDM_PORTAL_CALENDAR: OpenEndpoint(Endpoint::kPortalCalendar, "/"); break;
    case IDM_PORTAL_CLUBS: OpenEndpoint(Endpoint::kPortalClubs, "/"); break;
    default: break;
  }
}

void OnRestartRequest() {
  Ticker().tickCounter = 0;
  DestroyHost();
}

void OnShowItem(WPARAM slot) {
  TickerWindowState& t = Ticker();
  if (t.flags.closing.load() != 0) return;
  ItemsView view = t.items.Read();
  // Nothing is shown (before the first fill, or after a reset): no slot to scroll to.
  if (view.drawCount == 0 || slot > view.drawCount) return;
  if (const TickerItem* item = view.Slot(static_cast<uint32_t>(slot))) {
    t.flags.scrollOffset = item->x - 20;
  }
}

LRESULT OnDescribeStrip() {
  TickerWindowState& t = Ticker();
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kStripReportName);
  if (mapping == nullptr) return 0;  // nobody asked
  char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kStripReportSize));
  if (view == nullptr) {
    CloseHandle(mapping);
    return 0;
  }
  std::string report = std::to_string(t.flags.scrollOffset.load()) + " " +
                       std::to_string(t.flags.scrollForward.load()) + " " +
                       std::to_string(t.flags.stripFilled.load()) + "\n";
  {
    ItemsView view = t.items.Read();
    for (int32_t i = 0; i < view.itemCount && static_cast<uint32_t>(i) < view.slotCount; ++i) {
      const TickerItem& item = view.items[i];
      report += std::to_string(item.colorIndex) + "|" + std::to_string(item.tallFont) + "|" +
                std::to_string(item.startsSection) + "|" + item.text + "|" + item.link + "\n";
    }
  }
  const size_t n = report.size() < kStripReportSize - 1 ? report.size() : kStripReportSize - 1;
  std::memcpy(view, report.data(), n);
  view[n] = '\0';
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  return 1;
}

// Before any message: mouse messages go to the tooltips, and a preferences sheet that has no
// page any more (closed by OK or Cancel) is destroyed.
void Prologue(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) {
    RelayToTooltips(ticker, message, wParam, lParam);
  }
  if (message == WM_MOUSEMOVE) NotePointerOnStrip(ticker);
  if (t.sheetWindow != nullptr && PropSheet_GetCurrentPageHwnd(t.sheetWindow) == nullptr) {
    DestroyWindow(t.sheetWindow);
    t.sheetWindow = nullptr;
  }
}

}  // namespace

LRESULT CALLBACK TickerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Prologue(window, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: return OnTickerCreate(window) ? 0 : -1;
    case WM_DESTROY: OnTickerDestroy(window); return 0;
    case WM_SIZE: OnTickerSize(window, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT: OnTickerPaint(window); return 0;
    case WM_ERASEBKGND:
      if (Ticker().dragging == 0) EraseStripBackground(reinterpret_cast<HDC>(wParam), window);
      return 1;
    case WM_TIMER: OnTickerTimer(window, wParam); return 0;
    case WM_COMMAND: OnTickerCommand(window, wParam, lParam); return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) DestroyWindow(window);
      return 0;
    case WM_HSCROLL: OnJumpRequest(window, wParam); return 0;
    case WM_MOUSEMOVE: OnTickerMouseMove(window, wParam, lParam); return 0;
    case WM_LBUTTONDOWN: OnTickerLeftDown(window, wParam, lParam); return 0;
    case WM_LBUTTONUP: OnTickerLeftUp(window, wParam, lParam); return 0;
    case WM_LBUTTONDBLCLK: OnTickerDoubleClick(window, wParam, lParam); return 0;
    case WM_RBUTTONDOWN: OnTickerRightDown(window, wParam, lParam); return 0;
    case WM_RBUTTONUP: OnTickerRightUp(window, wParam, lParam); return 0;
    case WM_MOUSELEAVE: NotePointerLeftStrip(); return 0;
    case WM_MOUSEWHEEL: OnStripWheel(wParam); return 0;
    case kRestartRequestMessage: OnRestartRequest(); return 0;
    case kShowItemMessage: OnShowItem(wParam); return 0;
    case kDescribeStripMessage: return OnDescribeStrip();
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}
