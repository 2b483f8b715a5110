// The frame window: hosts the floating ticker, draws its one-pixel border, limits its size and
// keeps a glued frame at the bottom of the z-order.
#include "window/frame_window_win.h"

#include "base/process_win.h"
#include "base/window_dpi_win.h"
#include "shell/screensaver_win.h"
#include "strip/strip_paint_win.h"
#include "strip/tooltips_win.h"
#include "window/placement.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

// WM_DPICHANGED, which this build's Windows version does not declare.
constexpr UINT kDpiChanged = 0x02E0;

HFONT g_frameFont = nullptr;
int g_lastClientHeight = 0;

void OnFrameSize(HWND frame, WPARAM kind) {
  TickerWindowState& t = Ticker();
  if (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED) return;
  if (t.tickerWindow == nullptr || !IsWindow(t.tickerWindow)) return;
  RECT client;
  GetClientRect(frame, &client);
  RECT r = client;
  if (t.fitToCaption == 0) InflateRect(&r, -1, -1);
  if (t.screenSaverWindow != nullptr) r.bottom -= 7;
  SetWindowPos(t.tickerWindow, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(t.tickerWindow, nullptr, TRUE);
  CreateTooltips(
      t.tooltips, t.tickerWindow,
      TickerPanelLayout(r.right - r.left, r.bottom - r.top, t.fitToCaption == 0 ? 1 : 0));
  CreateTickerFonts(t, t.tickerWindow);
  if (client.bottom != g_lastClientHeight) {
    t.refresh.loadFromCache = 1;
    g_lastClientHeight = client.bottom;
  }
}

void OnFramePaint(HWND frame) {
  TickerWindowState& t = Ticker();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(frame, &ps);
  if (t.screenSaverWindow != nullptr) {
    PaintScreenSaverBar(frame, dc, g_frameFont);
  } else if (t.shadowPen != nullptr) {
    RECT r;
    GetClientRect(frame, &r);
    HGDIOBJ old = SelectObject(dc, t.shadowPen);
    MoveToEx(dc, 0, r.bottom, nullptr);
    LineTo(dc, 0, r.top);
    LineTo(dc, r.right - 1, r.top);
    LineTo(dc, r.right - 1, r.bottom - 1);
    LineTo(dc, 0, r.bottom - 1);
    SelectObject(dc, old);
  }
  EndPaint(frame, &ps);
}

void OnFrameSizing(HWND frame, WPARAM edge, RECT* r) {
  const bool fromLeft = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
  const Rect limited =
      LimitFrameSizing(Rect{r->left, r->top, r->right, r->bottom}, fromLeft, WindowDpi(frame));
  *r = RECT{limited.left, limited.top, limited.right, limited.bottom};
}

// Moved to a monitor of another scale: the panel follows it, and the frame takes the size Windows
// suggests. The scroll area ends at the buttons, so its clip is made again.
void OnFrameDpiChanged(HWND frame, int dpi, const RECT* suggested) {
  TickerWindowState& t = Ticker();
  t.dpi = dpi;
  DiscardClipRegion(t.paintCache);
  if (t.tickerWindow != nullptr) InvalidateRect(t.tickerWindow, nullptr, TRUE);
  SetWindowPos(frame, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

LRESULT CALLBACK FrameWindowProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  switch (message) {
    case WM_CREATE:
      g_frameFont = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH, "Arial");
      return 0;
    case WM_DESTROY:
      if (g_frameFont != nullptr) DeleteObject(g_frameFont);
      g_frameFont = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
    case kRestartRequestMessage:
      t.tickCounter = 0;
      DestroyWindow(frame);
      return 0;
    case WM_SIZE: OnFrameSize(frame, wParam); return 0;
    case WM_PAINT: OnFramePaint(frame); return 0;
    case WM_WINDOWPOSCHANGING:
      if (t.glueToDesktop != 0 && t.undocked != 0 && t.screenSaverWindow == nullptr) {
        reinterpret_cast<WINDOWPOS*>(lParam)->hwndInsertAfter = HWND_BOTTOM;
        return 0;
      }
      break;
    case WM_MOVING:
      if (t.screenSaverWindow == nullptr) break;
      KeepBarOnScreenBottom(reinterpret_cast<RECT*>(lParam));
      return TRUE;
    case WM_SIZING: OnFrameSizing(frame, wParam, reinterpret_cast<RECT*>(lParam)); return TRUE;
    case kDpiChanged:
      OnFrameDpiChanged(frame, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
      // Sent to top-level windows only: the strip follows high contrast at once.
      if (t.tickerWindow != nullptr) SendMessageA(t.tickerWindow, message, wParam, lParam);
      break;
    case WM_MOUSEWHEEL: {
      // The wheel goes to the focus window, the frame; the strip under the pointer takes it.
      const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (t.tickerWindow != nullptr && WindowFromPoint(at) == t.tickerWindow) {
        return SendMessageA(t.tickerWindow, message, wParam, lParam);
      }
      break;
    }
    default: break;
  }
  return DefWindowProcA(frame, message, wParam, lParam);
}
