// The ticker window: creation, resize, timers, commands and the private messages.
#include "window/ticker_window_win.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "base/window_dpi_win.h"
#include "desktop/open_url_win.h"
#include "feed/codecs.h"
#include "feed/refresh_worker_win.h"
#include "net/credentials_win.h"
#include "window/hover_wheel_win.h"
#include "prefs/preferences_win.h"
#include "res/resource.h"
#include "settings/color_schemes.h"
#include "base/process_win.h"
#include "shell/shutdown_win.h"
#include "shell/startup_marks_win.h"
#include "strip/control_panel_win.h"
#include "strip/strip_paint_win.h"
#include "strip/tooltips_win.h"
#include "window/access_win.h"
#include "window/housekeeping_win.h"
#include "window/mouse_win.h"
#include "window/placement_commands_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

// A user id stored without any password: ask for one. Called before prefsLock is taken, since
// the modal dialog runs a message loop.
void AskMissingPassword(HWND ticker, SettingsStore& settings, char* password, size_t capacity) {
  if (ReadStoredAccount(settings).PasswordMissing()) AskAccountPassword(ticker, password, capacity);
}

// Hands LoadAccount the password that AskMissingPassword got before prefsLock was taken.
bool TakeAskedPassword(void* asked, char* password, size_t capacity) {
  lstrcpynA(password, static_cast<const char*>(asked), static_cast<int>(capacity));
  return true;
}

bool SponsorHasExternalNews() {
  char value[200];
  ReadSponsorKey("External News", "", value, sizeof value);
  return value[0] != '\0';
}

bool OnTickerCreate(HWND ticker) {
  TickerWindowState& t = Ticker();
  SettingsStore& settings = Settings();
  TickerPrefs& p = t.prefs;

  t.tickerWindow = ticker;
  t.dpi = WindowDpi(ticker);
  InitRefreshLock(Ticker().worker);

  t.handCursor = LoadCursorA(t.instance, MAKEINTRESOURCEA(IDCUR_HAND));
  t.sizingCursor = LoadCursorA(t.instance, MAKEINTRESOURCEA(IDCUR_SIZING));
  t.savedCursor = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(t.savedCursor);
  StartupMark("ticker window: cursors");

  if (settings.ReadSetting(SettingId::kRegisterForMyVexlo) != 0) {
    OpenEndpoint(Ticker().links, Endpoint::kPortal,
                 "/config/eval_register?new=1&lg=1&referer=my+Vexlo+ticker");
    settings.WriteSetting(SettingId::kRegisterForMyVexlo, 0);
  }
  // The browser's DDE conversation above and the password dialog here run before prefsLock is
  // taken: both pump messages, and no lock is held across them.
  char askedPassword[sizeof p.password] = "";
  AskMissingPassword(ticker, settings, askedPassword, sizeof askedPassword);
  std::lock_guard<std::mutex> guard(t.prefsLock);
  StartupMark("ticker window: registration, password check");

  LoadStripColors(settings, p.colors);
  t.highlightPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  t.shadowPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  t.facePen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));

  ReadTickerPrefs(settings, &p);
  t.undocked = settings.ReadSetting(SettingId::kDockInTaskbar);

  LoadAccount(settings, &p, TakeAskedPassword, askedPassword);

  t.mailCycleCountdown = p.mailCycleLength;
  if (NoContentSelected(p.content)) ApplyFirstRunDefaults(settings, &p);
  StartupMark("ticker window: colours, preferences, account");

  CreateTickerFonts(Ticker(), ticker);
  StartupMark("ticker window: fonts");
  if (SponsorHasExternalNews()) {
    p.newsRefresh = 3;
    settings.WriteSetting(SettingId::kNewsRefresh, 3);
  }
  settings.ReadTextValue(value_name::kLastStockUpdate, t.tooltips.lastStockUpdate);

  t.alwaysOnTop = settings.ReadSetting(SettingId::kAlwaysOnTop);
  if (t.alwaysOnTop != 0 && t.undocked != 0 && t.screenSaverMode == 0 && t.frameWindow &&
      (GetWindowLongA(t.frameWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
    SetWindowPos(t.frameWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  t.glueToDesktop = settings.ReadSetting(SettingId::kAlwaysOnBottom);
  if (t.glueToDesktop != 0 && t.undocked != 0 && t.screenSaverWindow == nullptr && t.frameWindow) {
    SetWindowPos(t.frameWindow, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }

  t.scrollTimer = SetTimer(ticker, kScrollTimer, kScrollPeriodMs, nullptr);
  t.refreshTimer = SetTimer(ticker, kRefreshTimer, RefreshPeriodMs(p.newsRefresh), nullptr);
  t.housekeepingTimer = SetTimer(ticker, kHousekeepingTimer, kHousekeepingPeriodMs, nullptr);

  StartReading(ticker);
  PostMessageA(ticker, kFirstCycleMessage, 0, 0);
  StartupMark("ticker window: sponsor, placement, timers");
  return true;
}

void OnTickerDestroy(HWND ticker) {
  EndReading(ticker);
  ShutdownTicker(ticker);
  RemoveTrayPlaceholders(Ticker().dock);
  EndProcess(0);
}

void OnTickerSize(HWND ticker, int width, int height) {
  TickerWindowState& t = Ticker();
  t.clientWidth = width;
  t.clientHeight = height;
  if (t.startFinished != 0) CreateTooltips(t.tooltips, ticker, TickerPanelLayout(width, height, 0));
  CreateTickerFonts(Ticker(), ticker);
  StartupMark("ticker window size: fonts");
  if (t.dock.inDeskBand != 0) {
    Settings().WriteSetting(SettingId::kTickerSize, width);
    t.dock.dockedWidth = width;
    t.tickerSize = width;
  }
  if (height != t.lastStripHeight && t.stripFlags.stripFilled.load() != 0) {
    t.reloadNeeded = 1;
    t.lastStripHeight = height;
  }
  DiscardClipRegion(Ticker().paintCache);
  InvalidateRect(ticker, nullptr, TRUE);
}

// The panel, and the strip at once: after a resize or an uncovering the strip would otherwise
// stay erased until the next scroll tick, which a held button or a pause holds back.
void OnTickerPaint(HWND ticker) {
  PAINTSTRUCT ps;
  BeginPaint(ticker, &ps);
  PaintControlPanel(ticker, TickerPanelLook(Ticker(), ticker));
  if (Ticker().stripFlags.stripFilled.load() != 0) PaintTickerStrip(Ticker(), ps.hdc, ticker);
  EndPaint(ticker, &ps);
  StartupMark("first paint of the panel");
}

void OnRefreshTick(HWND ticker) {
  if (Ticker().prefs.autoUpdate != 0) StartRefreshWorker(Ticker().refreshParts, ticker);
}

void OnScrollTimerTick(HWND ticker) {
  TickerWindowState& t = Ticker();
  if (!RunReadingTick(ticker)) {
    const ScrollStep step = StripHeldByPointer() || StripStandsStill(t.reading)
                                ? kStandStill
                                : ComputeScrollStep(t.prefs.tickerSpeed, t.prefs.smoothScrolling);
    RunScrollTick(ticker, t.paintCache, t.items, t.stripFlags, TickerStripFrame(t, ticker), step);
  }
  if (t.startFinished == 0 && t.stripFlags.stripFilled.load() != 0) {
    StartupMark("cache read, first strip drawn", true);
    PostMessageA(ticker, kFinishStartMessage, 0, 0);
  }
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
    case kHousekeepingTimer:
      RunHousekeepingTick(ticker);
      ReadingHousekeeping(ticker);
      break;
    default: break;
  }
}

void OpenMailAndRearm(HWND ticker) {
  TickerWindowState& t = Ticker();
  t.refresh.mailAlertPending = 0;
  KillTimer(ticker, kRefreshTimer);
  t.refreshTimer = SetTimer(ticker, kRefreshTimer, RefreshPeriodMs(t.prefs.newsRefresh), nullptr);
  OpenEndpoint(Ticker().links, Endpoint::kPortalMail, "");
  t.refresh.mailSoundArmed = 1;
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
    case IDM_PREFERENCES: OpenPreferencesSheet(Ticker().prefsParts, ticker); break;
    case IDM_EXIT:
      t.stripFlags.closing = 1;
      DestroyHost();
      break;
    case IDM_UPDATE_NOW: StartRefreshWorker(Ticker().refreshParts, ticker); break;
    case IDM_PAUSE: TogglePause(ticker); break;
    case IDM_HELP: OpenEndpoint(Ticker().links, Endpoint::kPortal, "/help/ticker/"); break;
    case IDM_TASKBAR_DOCK: ToggleTaskbarDocking(); break;
    case IDM_SEARCH_WINDOW:
      t.searchShown = !t.searchShown;
      PostMessageA(ticker, WM_TIMER, kHousekeepingTimer, 0);
      break;
    case IDM_PAGES: OpenEndpoint(Ticker().links, Endpoint::kPortal, "/tlx/"); break;
    case IDM_OPEN_MAIL: OpenMailAndRearm(ticker); break;
    case IDM_ALWAYS_ON_TOP:
    case IDM_GLUE_TO_DESKTOP:
    case IDM_FIT_TO_CAPTION: RunPlacementCommand(LOWORD(wParam)); break;
    case IDM_RESTART: RestartKeepingCaption(); break;
    case IDM_PORTAL_HOME: OpenEndpoint(Ticker().links, Endpoint::kPortal, "/"); break;
    case IDM_PORTAL_GAMES: OpenEndpoint(Ticker().links, Endpoint::kPortalGames, "/games/"); break;
    case IDM_PORTAL_CHAT: OpenEndpoint(Ticker().links, Endpoint::kPortalChat, "/"); break;
    case IDM_PORTAL_CLASSIFIEDS:
      OpenEndpoint(Ticker().links, Endpoint::kPortalClassifieds, "//");
      break;
    case IDM_PORTAL_BOARDS: OpenEndpoint(Ticker().links, Endpoint::kPortalBoards, "/"); break;
    case IDM_PORTAL_EMAIL: OpenEndpoint(Ticker().links, Endpoint::kPortalMail, "/"); break;
    case IDM_PORTAL_PERSONALIZE: OpenEndpoint(Ticker().links, Endpoint::kPortal, "/"); break;
    case IDM_PORTAL_PERSONALS: OpenEndpoint(Ticker().links, Endpoint::kPortalPersonals, ""); break;
    case IDM_PORTAL_QUOTES: OpenEndpoint(Ticker().links, Endpoint::kPortalQuotes, "/"); break;
    case IDM_PORTAL_CALENDAR: OpenEndpoint(Ticker().links, Endpoint::kPortalCalendar, "/"); break;
    case IDM_PORTAL_CLUBS: OpenEndpoint(Ticker().links, Endpoint::kPortalClubs, "/"); break;
    default: break;
  }
}

// The tooltips (and the common controls they load) for the client size the window has now: the
// ticker's resizes before this point skipped them. A resize of the frame makes them itself.
void FinishStart(HWND ticker) {
  TickerWindowState& t = Ticker();
  if (t.startFinished != 0) return;
  t.startFinished = 1;
  if (t.tooltips.stripTip == nullptr) {
    CreateTooltips(t.tooltips, ticker, TickerPanelLayout(t.clientWidth, t.clientHeight, 0));
  }
}

void OnRestartRequest() {
  Ticker().tickCounter = 0;
  DestroyHost();
}

void OnShowItem(WPARAM slot) {
  TickerWindowState& t = Ticker();
  if (t.stripFlags.closing.load() != 0) return;
  ItemsView view = t.items.Read();
  // Nothing is shown (before the first fill, or after a reset): no slot to scroll to.
  if (view.drawCount == 0 || slot > view.drawCount) return;
  if (const TickerItem* item = view.Slot(static_cast<uint32_t>(slot))) {
    t.stripFlags.scrollOffset = item->x - 20;
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
  std::string report = std::to_string(t.stripFlags.scrollOffset.load()) + " " +
                       std::to_string(t.stripFlags.scrollForward.load()) + " " +
                       std::to_string(t.stripFlags.stripFilled.load()) + " ";
  {
    ItemsView view = t.items.Read();
    // Whether the list reported is the one last drawn on the window.
    report += std::string(t.paintCache.drawnGeneration == view.generation ? "1" : "0") + "\n";
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

// Before any message: mouse messages go to the tooltips, and a preferences sheet that OK or
// Cancel ended is destroyed.
void Prologue(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  if (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) {
    RelayToTooltips(Ticker().tooltips, ticker, message, wParam, lParam);
    RelayToPauseTip(ticker, message, wParam, lParam);
  }
  if (message == WM_MOUSEMOVE) NotePointerOnStrip(ticker);
  if (t.sheet.window != nullptr && (t.sheet.closed != 0 || !IsWindow(t.sheet.window))) {
    DestroyWindow(t.sheet.window);
    t.sheet.window = nullptr;
    t.sheet.closed = 0;
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
      if (Ticker().dragging == 0)
        EraseStripBackground(
            reinterpret_cast<HDC>(wParam), window,
            ReadingBackground(Ticker().reading, Ticker().prefs.colors[kColorBackground]));
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
    case WM_CAPTURECHANGED: OnTickerCaptureLost(window); return 0;
    case WM_LBUTTONDBLCLK: OnTickerDoubleClick(window, wParam, lParam); return 0;
    case WM_RBUTTONDOWN: OnTickerRightDown(window, wParam, lParam); return 0;
    case WM_RBUTTONUP: OnTickerRightUp(window, wParam, lParam); return 0;
    case WM_MOUSELEAVE: NotePointerLeftStrip(); return 0;
    case WM_MOUSEWHEEL: OnStripWheel(wParam); return 0;
    case kRestartRequestMessage: OnRestartRequest(); return 0;
    case kShowItemMessage: OnShowItem(wParam); return 0;
    case kFinishStartMessage: FinishStart(window); return 0;
    case kFirstCycleMessage:
      StartRefreshWorker(Ticker().refreshParts, window);
      StartupMark("refresh worker started");
      return 0;
    case kDescribeStripMessage: return OnDescribeStrip();
    case WM_HOTKEY:
    case WM_KEYDOWN:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_CONTEXTMENU:
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_GETOBJECT:
    case kReadingActionMessage: return OnReadingMessage(window, message, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}
