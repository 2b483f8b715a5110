// A taskbar for the tests, where Wine shows none: a visible "Shell_TrayWnd" along the bottom of
// the screen with a real rebar and a notification area ("TrayNotifyWnd", clock
// "TrayClockWClass" at its right end) that grows by kIconWidth per icon added with
// Shell_NotifyIcon, which Wine delivers here as WM_COPYDATA with the NIM_ code in dwData.
//
//   taskbar_standin [--band=taskbar|basebar] [--hidden] [--delay=MS]
//
// --band    a "VexloDeskBandClass" window in the taskbar's rebar, or in a floating "BaseBar"
// --hidden  the taskbar hides below the screen's bottom edge, as an auto-hidden one does
// --delay   the notification area takes its new width only MS after the last icon change
//
// Messages to "Shell_TrayWnd": those of taskbar_standin.h; WM_CLOSE ends the program.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "taskbar_standin.h"
#include <set>
#include <utility>

namespace {

constexpr int kTaskbarHeight = 30;
constexpr int kAreaHeight = 24;  // less 4 is kIconWidth, what a shell that resizes late estimates
constexpr int kIconWidth = kStandInIconWidth;
constexpr int kClockWidth = 50;
constexpr int kAreaPadding = 4;
constexpr int kBandWidth = 300;
constexpr UINT_PTR kResizeTimer = 1;
constexpr UINT kCountMessage = kIconCountMessage;
constexpr UINT kOwnCountMessage = kOwnIconCountMessage;

HWND g_taskbar = nullptr;
HWND g_area = nullptr;
HWND g_clock = nullptr;
HWND g_rebar = nullptr;
DWORD g_delayMs = 0;
int g_shownIcons = 0;  // the icons the area's width shows
std::set<std::pair<uint32_t, uint32_t>> g_icons;  // (owner window, identifier)

// Lays out the area for `icons` icons at the taskbar's right end, the clock at the area's right
// end and the rebar over the rest.
void LayOut(int icons) {
  g_shownIcons = icons;
  RECT bar;
  GetClientRect(g_taskbar, &bar);
  const int width = kAreaPadding + icons * kIconWidth + kClockWidth;
  const int x = bar.right - 2 - width;
  MoveWindow(g_area, x, 3, width, kAreaHeight, TRUE);
  MoveWindow(g_clock, width - kClockWidth, 0, kClockWidth, kAreaHeight, TRUE);
  MoveWindow(g_rebar, 40, 2, x - 44 > 0 ? x - 44 : 0, kTaskbarHeight - 4, TRUE);
}

void IconsChanged() {
  if (g_delayMs == 0) {
    LayOut(static_cast<int>(g_icons.size()));
  } else {
    SetTimer(g_taskbar, kResizeTimer, g_delayMs, nullptr);  // restarts on every change
  }
}

LRESULT OnNotifyIcon(const COPYDATASTRUCT* data) {
  // Wine's record starts with the owner window (32 bits) and the identifier.
  if (data == nullptr || data->cbData < 8 || data->lpData == nullptr) return FALSE;
  uint32_t head[2];
  std::memcpy(head, data->lpData, sizeof head);
  const std::pair<uint32_t, uint32_t> key(head[0], head[1]);
  switch (data->dwData) {
    case NIM_ADD:
      if (!g_icons.insert(key).second) return FALSE;
      IconsChanged();
      return TRUE;
    case NIM_DELETE:
      if (g_icons.erase(key) == 0) return FALSE;
      IconsChanged();
      return TRUE;
    case NIM_MODIFY: return g_icons.count(key) != 0;
    default: return TRUE;
  }
}

LRESULT CountOwnIcons() {
  const uint32_t self = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(g_taskbar));
  LRESULT n = 0;
  for (const auto& icon : g_icons) n += icon.first == self ? 1 : 0;
  return n;
}

LRESULT CALLBACK TaskbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA: return OnNotifyIcon(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_TIMER:
      if (wParam == kResizeTimer) {
        KillTimer(window, kResizeTimer);
        LayOut(static_cast<int>(g_icons.size()));
      } else {
        DestroyWindow(window);  // never outlive a forgotten test
      }
      return 0;
    case kCountMessage: return static_cast<LRESULT>(g_icons.size());
    case kOwnCountMessage: return CountOwnIcons();
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void Register(HINSTANCE instance, const char* name, WNDPROC proc, int brush) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(brush + 1));
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

HWND MakeRebar(HWND parent, HINSTANCE instance, int x, int y, int width, int height) {
  return CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, "",
                         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
                             CCS_NODIVIDER | CCS_NORESIZE | RBS_VARHEIGHT,
                         x, y, width, height, parent, nullptr, instance, nullptr);
}

// The band window as a desk band's site gets it: a band of the rebar with the window as its child.
void AddBand(HWND rebar, HINSTANCE instance) {
  HWND band = CreateWindowExA(0, "VexloDeskBandClass", "", WS_CHILD | WS_VISIBLE, 0, 0,
                              kBandWidth, kAreaHeight, rebar, nullptr, instance, nullptr);
  REBARBANDINFOA info = {};
  info.cbSize = REBARBANDINFOA_V3_SIZE;
  info.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_STYLE;
  info.fStyle = RBBS_NOGRIPPER;
  info.hwndChild = band;
  info.cxMinChild = kBandWidth;
  info.cyMinChild = kAreaHeight;
  info.cx = kBandWidth;
  SendMessageA(rebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&info));
}

const char* Option(const char* commandLine, const char* name) {
  const char* at = std::strstr(commandLine, name);
  return at != nullptr ? at + std::strlen(name) : nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  const bool bandInTaskbar = Option(commandLine, "--band=taskbar") != nullptr;
  const bool bandInBaseBar = Option(commandLine, "--band=basebar") != nullptr;
  const bool hidden = Option(commandLine, "--hidden") != nullptr;
  if (const char* delay = Option(commandLine, "--delay=")) g_delayMs = std::strtoul(delay, nullptr, 10);

  Register(instance, "Shell_TrayWnd", TaskbarProc, COLOR_BTNFACE);
  Register(instance, "TrayNotifyWnd", PlainProc, COLOR_BTNFACE);
  Register(instance, "TrayClockWClass", PlainProc, COLOR_WINDOW);
  Register(instance, "VexloDeskBandClass", PlainProc, COLOR_INFOBK);
  Register(instance, "BaseBar", PlainProc, COLOR_BTNFACE);

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int top = hidden ? screenHeight - 2 : screenHeight - kTaskbarHeight;
  // Shown only once complete: a test takes the visible taskbar as ready.
  g_taskbar = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, top,
                              screenWidth, kTaskbarHeight, nullptr, nullptr, instance, nullptr);
  g_rebar = MakeRebar(g_taskbar, instance, 40, 2, 400, kTaskbarHeight - 4);
  g_area = CreateWindowExA(0, "TrayNotifyWnd", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                           0, 0, g_taskbar, nullptr, instance, nullptr);
  g_clock = CreateWindowExA(0, "TrayClockWClass", "12:00", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                            g_area, nullptr, instance, nullptr);
  LayOut(0);
  if (bandInTaskbar) AddBand(g_rebar, instance);
  if (bandInBaseBar) {
    HWND bar = CreateWindowExA(WS_EX_TOOLWINDOW, "BaseBar", "", WS_POPUP | WS_VISIBLE, 100, 100,
                               kBandWidth + 40, kTaskbarHeight, nullptr, nullptr, instance, nullptr);
    AddBand(MakeRebar(bar, instance, 0, 0, kBandWidth + 40, kTaskbarHeight), instance);
  }
  ShowWindow(g_taskbar, SW_SHOWNOACTIVATE);
  SetTimer(g_taskbar, 2, 300000, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
