// Screen-saver mode: the program restarts itself as a 40-pixel bar below the running screen
// saver, and restarts into its ordinary host when the screen saver ends.
#include "shell/screensaver_win.h"

#include <cstring>
#include <mutex>

#include "feed/feed_pass.h"
#include "res/resource.h"
#include "base/process_win.h"
#include "shell/shutdown_win.h"
#include "shell/startup_win.h"
#include "window/ticker_state_win.h"

namespace {

constexpr const char* kScreenSaverClass = "WindowsScreenSaverClass";
constexpr int kBarHeight = 40;
// The strip leaves this much of the bar's client area below it for the text lines.
constexpr int kTextLinesHeight = 9;

HDESK g_startDesktop = nullptr;

HDESK ThreadDesktop() { return GetThreadDesktop(GetCurrentThreadId()); }

}  // namespace

void RememberStartDesktop() { g_startDesktop = ThreadDesktop(); }

void ReturnToStartDesktop() {
  if (g_startDesktop != nullptr && ThreadDesktop() != g_startDesktop) {
    SetThreadDesktop(g_startDesktop);
  }
}

HWND FindScreenSaverWindow() {
  return IsWin95Family() ? FindWindowA(kScreenSaverClass, nullptr)
                         : FindWindowOnAnyDesktop(kScreenSaverClass);
}

HWND WatchForScreenSaver() {
  // Windows refuses to move a thread that owns windows; the check does not rely on that.
  const HDESK own = ThreadDesktop();
  HWND saver = FindScreenSaverWindow();
  if (ThreadDesktop() != own) SetThreadDesktop(own);
  return saver;
}

bool CreateScreenSaverBar() {
  TickerWindowState& t = Ticker();
  t.dock.inDeskBand = 0;
  t.dock.gripWidth = 0;
  t.dock.trayIconWidth = 0;
  // Where the thread could not move to the screen saver's desktop, the bar is made on the
  // thread's own: owned by the screen saver's window it still sits above it there.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  t.frameWindow = CreateWindowExA(0, kFrameClass, kBarTitle, WS_POPUP | WS_CLIPCHILDREN, 0,
                                  screenHeight - kBarHeight, screenWidth, kBarHeight,
                                  t.screenSaverWindow, nullptr, t.instance, nullptr);
  if (t.frameWindow == nullptr) return false;

  RECT client;
  GetClientRect(t.frameWindow, &client);
  CreateWindowExA(0, kTickerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, client.left,
                  client.top, client.right - client.left,
                  client.bottom - client.top - kTextLinesHeight, t.frameWindow, nullptr,
                  t.instance, nullptr);
  ShowWindow(t.frameWindow, SW_SHOWNOACTIVATE);
  SetWindowPos(t.screenSaverWindow, HWND_TOPMOST, 0, 0, screenWidth, screenHeight - client.bottom,
               SWP_NOMOVE | SWP_NOACTIVATE);
  SetWindowPos(t.frameWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return t.tickerWindow != nullptr && IsWindow(t.tickerWindow);
}

void EnterScreenSaverMode() {
  TickerWindowState& t = Ticker();
  // The floating frame's position is saved on the way out, for the return.
  t.screenSaverSwitch = 0;
  Settings().WriteSetting(SettingId::kScreenSaverMode, 1);
  ShutdownTicker(t.tickerWindow);
  if (t.undocked == 0) RemoveTrayPlaceholders(Ticker().dock);
  PostQuitMessage(0);
  RestartProgram();
}

void LeaveScreenSaverMode() {
  TickerWindowState& t = Ticker();
  t.screenSaverSwitch = 1;
  Settings().WriteSetting(SettingId::kScreenSaverMode, 0);
  ShutdownTicker(t.tickerWindow);
  RestartProgram();
}

void PaintScreenSaverBar(HWND frame, HDC dc, HFONT font) {
  TickerWindowState& t = Ticker();
  RECT client;
  GetClientRect(frame, &client);
  RECT strip = {0, 0, 0, 0};
  if (t.tickerWindow != nullptr) GetClientRect(t.tickerWindow, &strip);
  const int y = strip.bottom - 1;

  // The worker writes the stamp while this thread paints.
  char stamp[kTextValueSize];
  {
    std::lock_guard<std::mutex> guard(t.tooltips.lock);
    std::memcpy(stamp, t.tooltips.lastStockUpdate, sizeof stamp);
  }
  stamp[sizeof stamp - 1] = '\0';
  char notice[kProgramTextSize];
  LoadProgramText(IDS_DELAYED_NOTICE, notice, sizeof notice);

  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, OPAQUE);
  HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  TextOutA(dc, 0, y, stamp, static_cast<int>(std::strlen(stamp)));
  RECT lines = client;
  lines.top = y;
  DrawTextA(dc, notice, -1, &lines, DT_SINGLELINE | DT_RIGHT | DT_NOPREFIX);
  if (oldFont != nullptr) SelectObject(dc, oldFont);
}

void KeepBarOnScreenBottom(RECT* proposed) {
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (proposed->bottom - proposed->top != screenHeight) proposed->bottom = screenHeight;
}
