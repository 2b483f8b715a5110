// Program entry and start-up.
#include "shell/startup_win.h"

#include <shellapi.h>

#include <cstring>

#include "desktop/taskbar_win.h"
#include "prefs/preferences_win.h"
#include "base/process_win.h"
#include "base/taskbar_names.h"
#include "settings/registry_store_win.h"
#include "shell/screensaver_win.h"
#include "shell/shutdown_win.h"
#include "shell/startup_marks_win.h"
#include "update/hand_off_win.h"
#include "window/frame_window_win.h"
#include "window/placement_win.h"
#include "window/ticker_state_win.h"
#include "window/ticker_window_win.h"
#include "window/timers.h"

namespace {

constexpr int kMaxRestartRequests = 21;

// The first "Ticker" child among a window's children.
HWND FindTickerChild(HWND parent) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (WindowHasClass(child, kTickerClass)) return child;
  }
  return nullptr;
}

// The chain ReBarWindow32 -> VexloDeskBandClass -> Ticker under a bar window.
HWND FindTickerInBand(HWND bar) {
  HWND rebar = FindWindowExA(bar, nullptr, "ReBarWindow32", nullptr);
  if (rebar == nullptr) return nullptr;
  HWND band = FindWindowExA(rebar, nullptr, kVexloDeskBandWindowClass, nullptr);
  if (band == nullptr) return nullptr;
  return FindWindowExA(band, nullptr, kTickerClass, nullptr);
}

}  // namespace

HWND FindRunningTicker() {
  const bool win95 = IsWin95Family();

  // 1. The floating frame; on the 95 family only one that has a child counts.
  HWND frame = win95 ? FindWindowA(kFrameClass, nullptr) : FindWindowOnAnyDesktop(kFrameClass);
  if (frame != nullptr && (!win95 || GetWindow(frame, GW_CHILD) != nullptr)) return frame;

  // 2. The notification area of the taskbar, or the taskbar itself.
  HWND taskbar = win95 ? FindWindowA(kTaskbarWindowClass, nullptr)
                       : FindWindowOnAnyDesktop(kTaskbarWindowClass);
  if (taskbar != nullptr) {
    for (HWND child = GetWindow(taskbar, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (WindowHasClass(child, "TrayNotifyWnd")) {
        if (HWND ticker = FindTickerChild(child)) return ticker;
      }
      if (WindowHasClass(child, kTickerClass)) return child;
    }
  }

  // 3. The desk band in the taskbar.
  if (HWND tray = FindWindowA(kTaskbarWindowClass, nullptr)) {
    if (HWND ticker = FindTickerInBand(tray)) return ticker;
  }

  // 4. The desk band in a floating toolbar.
  for (HWND bar = FindWindowExA(nullptr, nullptr, "BaseBar", nullptr); bar != nullptr;
       bar = FindWindowExA(nullptr, bar, "BaseBar", nullptr)) {
    if (HWND ticker = FindTickerInBand(bar)) return ticker;
  }
  return nullptr;
}

bool RegisterWindowClasses(HINSTANCE instance) {
  WNDCLASSA frame = {};
  frame.style = CS_DBLCLKS;
  frame.lpfnWndProc = FrameWindowProc;
  frame.hInstance = instance;
  frame.hIcon = LoadIconA(instance, "generic");
  frame.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  frame.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  frame.lpszClassName = kFrameClass;
  RegisterClassA(&frame);

  WNDCLASSA ticker = {};
  ticker.style = CS_DBLCLKS | CS_SAVEBITS;
  ticker.lpfnWndProc = TickerWindowProc;
  ticker.hInstance = instance;
  ticker.lpszClassName = kTickerClass;
  return RegisterClassA(&ticker) != 0;
}

bool StartInstance(HINSTANCE instance) {
  TickerWindowState& t = Ticker();
  t.instance = instance;
  GetProgramDirectory(t.programDirectory, sizeof t.programDirectory);

  char programPath[MAX_PATH];
  GetProgramPath(programPath, sizeof programPath);
  char upper[MAX_PATH];
  std::strcpy(upper, programPath);
  CharUpperA(upper);
  if (std::strstr(upper, "TLXTEMP") != nullptr) {
    FinishUpdateHandOff(programPath);
    RestartProgram();
  }
  // A hand-off that was cut off is finished (or handed to the copy again) before anything else.
  if (!SettlePendingUpdate(t.refresh.loadFromCache.load() != 0)) return false;
  StartupMark("update hand-off check");

  SettingsStore& settings = Settings();
  settings.CreateSettingsKey();
  // Start-up reads dozens of settings, one value at a time.
  const HeldSettingsKey heldKey;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);

  t.undocked = settings.ReadSetting(SettingId::kDockInTaskbar);
  if (t.undocked == 0) {
    if (TaskbarIsVertical()) {
      t.undocked = 1;
      settings.WriteSetting(SettingId::kDockInTaskbar, 1);
    }
  }

  const TickerSizeChoice size =
      ChooseTickerSize(settings.ReadSetting(SettingId::kTickerSize), screenWidth);
  t.tickerSize = size.tickerSize;
  if (size.store) {
    t.dock.dockedWidth = size.dockedWidth;
    settings.WriteSetting(SettingId::kTickerSize, size.tickerSize);
  }

  StartupMark("taskbar and size settings");

  t.screenSaverMode = settings.ReadSetting(SettingId::kScreenSaverMode);
  t.screenSaverWindow = FindScreenSaverWindow();
  if (t.screenSaverWindow == nullptr) t.screenSaverMode = 0;
  if (t.screenSaverMode != 0 && t.screenSaverWindow != nullptr) {
    if (CreateScreenSaverBar()) return t.tickerWindow != nullptr && IsWindow(t.tickerWindow);
  }
  // The searches may have moved the thread to the screen saver's or another ticker's desktop.
  ReturnToStartDesktop();
  StartupMark("screen-saver look-up");

  if (t.undocked == 0) {
    t.frameWindow = nullptr;
    char proxyHost[kTextValueSize];
    char proxyPort[kTextValueSize];
    CopyProxySetting(t.prefsLock, t.prefs, proxyHost, proxyPort);
    if (AttachToTaskbar(t.dock, kTickerClass, t.tickerSize, proxyHost, proxyPort,
                        t.stripFlags.closing) != nullptr) {
      // In the notification area: lay it out over the room at once rather than a second later.
      if (t.dock.inDeskBand == 0 && t.tickerWindow != nullptr) {
        SendMessageA(t.tickerWindow, WM_TIMER, kHousekeepingTimer, 0);
      }
      return t.tickerWindow != nullptr && IsWindow(t.tickerWindow);
    }
    // No taskbar host: the settings now say floating, fitted to the caption.
  }

  t.fitToCaption = settings.ReadSetting(SettingId::kFitToCaption);
  t.glueToDesktop = settings.ReadSetting(SettingId::kAlwaysOnBottom);
  t.alwaysOnTop = settings.ReadSetting(SettingId::kAlwaysOnTop);
  t.undocked = settings.ReadSetting(SettingId::kDockInTaskbar);
  if (t.fitToCaption) {
    t.alwaysOnTop = 1;
    t.glueToDesktop = 0;
    settings.WriteSetting(SettingId::kAlwaysOnTop, 1);
    settings.WriteSetting(SettingId::kAlwaysOnBottom, 0);
  }

  const ScreenMetrics screen = GatherScreenMetrics();
  const FrameCreation frame = ComputeFrameCreation(LoadWindowPosition(), t.fitToCaption != 0,
                                                   t.alwaysOnTop != 0, t.glueToDesktop != 0, screen);
  DWORD style = WS_POPUP | WS_VISIBLE;
  if (frame.thickFrame) style |= WS_THICKFRAME;
  // Made on top at once: moving it there once it is shown would restack it a second time.
  DWORD exStyle = WS_EX_TOOLWINDOW;
  if (t.alwaysOnTop != 0 && t.undocked != 0) exStyle |= WS_EX_TOPMOST;
  t.frameWindow = CreateWindowExA(exStyle, kFrameClass, kFrameTitle, style,
                                  frame.position.x, frame.position.y, frame.position.width,
                                  frame.position.height, nullptr, nullptr, instance, nullptr);
  if (t.frameWindow == nullptr) return false;
  StartupMark("placement settings, frame window");

  RECT client;
  GetClientRect(t.frameWindow, &client);
  if (!TickerFillsFrame(t.fitToCaption != 0, t.alwaysOnTop != 0, t.glueToDesktop != 0,
                        t.undocked != 0)) {
    InflateRect(&client, -1, -1);
  }
  CreateWindowExA(0, kTickerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, client.left,
                  client.top, client.right - client.left, client.bottom - client.top,
                  t.frameWindow, nullptr, instance, nullptr);
  StartupMark("ticker window created");
  return t.tickerWindow != nullptr && IsWindow(t.tickerWindow);
}

int RunTickerProgram(HINSTANCE instance, char* commandLine) {
  StartupMark("program and its libraries loaded");
  TickerWindowState& t = Ticker();
  RememberStartDesktop();
  CharUpperA(commandLine);
  t.refresh.loadFromCache = commandLine[0] == 'R' ? 1 : 0;
  t.refresh.feedReceived = 0;

  // A running ticker gives way; one that does not go away within 21 requests wins.
  HWND running = FindRunningTicker();
  const bool hadRunning = running != nullptr;
  int requests = 0;
  while (running != nullptr) {
    if (requests >= kMaxRestartRequests) return 0;
    PostMessageA(running, kRestartRequestMessage, 0, 0);
    ++requests;
    PumpMessages(250);
    Sleep(250);
    running = FindRunningTicker();
  }
  if (hadRunning) PumpMessages(500);
  StartupMark("running-instance search");

  if (!RegisterWindowClasses(instance)) return 0;
  StartupMark("window classes");
  if (!StartInstance(instance)) return 0;

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (t.sheet.window != nullptr && IsDialogMessageA(t.sheet.window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
