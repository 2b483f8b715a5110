// Mouse input of the ticker window: presses and releases on the panel's buttons, dragging the strip
// by hand, sliding the grip to change the width, moving the floating frame, the context menu, the
// jump to the next section or story, and the search box.
#include "window/mouse_win.h"

#include <cstdlib>
#include <cstring>

#include "desktop/link_rules.h"
#include "desktop/open_url_win.h"
#include "desktop/taskbar_win.h"
#include "base/dpi_scale.h"
#include "base/process_win.h"
#include "res/resource.h"
#include "shell/shutdown_win.h"
#include "strip/control_panel_win.h"
#include "strip/strip_paint_win.h"
#include "window/interaction.h"
#include "window/placement.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

// The link that a click at client x of the ticker window means: the item under the pointer, the
// sponsor's page, the portal's page or a search for the search box's text.
void OpenLinkAt(int x, int) {
  TickerWindowState& t = Ticker();
  RECT client;
  GetClientRect(t.tickerWindow, &client);
  const int w = client.right;

  char url[1100] = "";
  if (x > w - ScaleForDpi(65, t.dpi)) {
    // The right-hand end: the sponsor's page, the portal's page, or a search.
    if (t.sponsorPhase != 0 && t.searchShown == 0) {
      ReadSponsorKey("URL", "", url, 100);
    }
    if (url[0] == '\0') {
      BuildEndpointUrl(Settings(), Endpoint::kPortal, "/tlx/", url, sizeof url);
      if (t.searchShown != 0 && t.searchBox != nullptr) {
        char text[256] = "";
        GetWindowTextA(t.searchBox, text, sizeof text);
        char query[800];
        if (BuildSearchQuery(text, query, sizeof query) > 0) {
          char path[900];
          std::strcpy(path, "/bin/search?p=");
          std::strcat(path, query);
          std::strcat(path, "&a=i");
          BuildEndpointUrl(Settings(), Endpoint::kPortalSearch, path, url, sizeof url);
        }
      }
    }
  } else if (x >= 0) {
    ItemsView view = t.items.Read();
    const char* link = LinkUnderPointer(view, t.stripFlags.scrollOffset.load(), x);
    if (link == nullptr) return;
    std::strncpy(url, link, sizeof url - 1);
  } else {
    return;
  }

  RedrawWindow(t.tickerWindow, nullptr, nullptr, RDW_INVALIDATE);
  if (url[0] != '\0') OpenUrl(t.links, url);
}

namespace {

WNDPROC g_editProc = nullptr;

struct Client {
  int w, h;
};

Client ClientOf(HWND ticker) {
  RECT r;
  GetClientRect(ticker, &r);
  return Client{r.right, r.bottom};
}

int MouseX(LPARAM lParam) { return static_cast<int>(LOWORD(lParam)); }
int SignedX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int SignedY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// After the first interaction the ticker gives way to everything else on the machine.
void GoIdle() {
  SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

void ShowSavedCursor() {
  TickerWindowState& t = Ticker();
  if (t.savedCursor != nullptr) SetCursor(t.savedCursor);
}

void PostJump(HWND ticker, int kind) {
  const WPARAM serial = (static_cast<WPARAM>(Ticker().jumpSerial) + 1) & 0xFFFF;
  PostMessageA(ticker, WM_HSCROLL, MAKEWPARAM(kind, serial), 0);
}

void MoveFrameByOvershoot(HWND ticker, int x, int y, const Client& c) {
  TickerWindowState& t = Ticker();
  int dx = 0;
  int dy = 0;
  if (y < 0) {
    dy = y;
  } else if (y > c.h) {
    dy = y - c.h;
  } else if (x < 0) {
    dx = x;
  } else if (x > c.w) {
    dx = x - c.w;
  }
  RECT frame;
  GetWindowRect(t.frameWindow, &frame);
  SetWindowPos(t.frameWindow, nullptr, frame.left + dx, frame.top + dy, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  (void)ticker;
}

// The window whose middle line holds the pointer during a width drag, and its rectangle.
RECT WidthDragRect(HWND ticker) {
  const TickerWindowState& t = Ticker();
  RECT r;
  GetWindowRect(t.undocked != 0 ? t.frameWindow : ticker, &r);
  return r;
}

int WidthDragX(HWND ticker, int screenX) {
  RECT tickerRect;
  GetWindowRect(ticker, &tickerRect);
  return ClampWidthDragX(screenX, Ticker().undocked != 0, tickerRect.right);
}

// The floating frame's left edge to x, keeping its right edge, top and height.
void MoveFrameLeftEdge(int x, const RECT& r) {
  TickerWindowState& t = Ticker();
  const int frameX = GetSystemMetrics(SM_CXFRAME);
  SetWindowPos(t.frameWindow, nullptr, x - frameX, r.top, r.right - x + frameX, r.bottom - r.top,
               SWP_NOZORDER);
  t.stripFlags.listBusy = 0;
  InvalidateRect(t.frameWindow, nullptr, TRUE);
}

// The width follows the pointer between the drag's clamps. The pointer itself is left where the
// user moves it: under Wine each SetCursorPos, and a cursor clip, gives up the pointer grab that
// the press made, and a release outside the window then never arrives.
void WidthDrag(HWND ticker) {
  TickerWindowState& t = Ticker();
  POINT cursor;
  GetCursorPos(&cursor);
  const RECT r = WidthDragRect(ticker);
  const int m = r.top + (r.bottom - r.top) / 2 - 1;
  const int x = WidthDragX(ticker, cursor.x);
  if (x == t.lastResizePoint.x && m == t.lastResizePoint.y) return;

  if (t.undocked != 0) {
    MoveFrameLeftEdge(x, r);
  } else if (t.lastResizePoint.x != 0) {
    t.dock.dockedWidth -= x - t.lastResizePoint.x;  // dragging left widens the ticker
  }
  t.lastResizePoint = POINT{x, m};
}

// The end of a width drag, by a release at screen x, or by whatever took its place (a move
// without the button after a release that went elsewhere, another window taking the mouse). True
// when the program restarts with the docked ticker's new width.
bool EndWidthDrag(HWND ticker, int screenX) {
  TickerWindowState& t = Ticker();
  t.resizing = 0;  // first: letting go of the capture sends WM_CAPTURECHANGED back here
  if (GetCapture() == ticker) ReleaseCapture();
  t.stripFlags.listBusy = 0;
  const int x = WidthDragX(ticker, screenX);
  if (t.undocked == 0) {
    const int newSize = DockedSizeAfterDrag(t.tickerSize, GetSystemMetrics(SM_CXSCREEN),
                                            t.pressScreenX, x);
    if (newSize == 0) return false;
    Settings().WriteSetting(SettingId::kTickerSize, newSize);
    RemoveTrayPlaceholders(Ticker().dock);
    RestartProgram();
    return true;
  }
  // The frame follows moves; a release elsewhere than the last move still counts.
  if (t.lastResizePoint.x != 0 && x != t.lastResizePoint.x) {
    MoveFrameLeftEdge(x, WidthDragRect(ticker));
  }
  InvalidateRect(ticker, nullptr, TRUE);
  return false;
}

// Where a drag whose release never came stands: its last move, or its press.
int LastWidthDragX() {
  const TickerWindowState& t = Ticker();
  return t.lastResizePoint.x != 0 ? t.lastResizePoint.x : t.pressScreenX;
}

// The screen x of the pointer when the message being handled was sent.
int MessageScreenX() { return static_cast<short>(LOWORD(GetMessagePos())); }

// Buttons whose rectangle the pointer has left are drawn raised again.
void ButtonFeedback(HWND ticker, int x, int y, bool held, const PanelLayout& layout) {
  TickerWindowState& t = Ticker();
  auto leave = [&](const Rect& r, int32_t* flag) {
    if (r.Contains(x, y)) return;
    if (flag != nullptr) *flag = 1;
    InvalidatePanelRect(ticker, r, false);
    if (!held) {
      ReleaseCapture();
      GoIdle();
    }
  };
  leave(layout.logoFeedback, &t.logoButtonUp);
  leave(layout.searchLowerFeedback, nullptr);
  leave(layout.searchFeedback, &t.searchButtonUp);
  leave(layout.nextFeedback, &t.nextButtonUp);
}

LRESULT CALLBACK SearchBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RBUTTONUP) {
    // The context menu belongs to the ticker, also over the search box.
    PostMessageA(GetParent(box), WM_RBUTTONUP, wParam, lParam);
    return 0;
  }
  return CallWindowProcA(g_editProc, box, message, wParam, lParam);
}

void DestroySearchBox() {
  TickerWindowState& t = Ticker();
  DestroyWindow(t.searchBox);
  t.searchBox = nullptr;
  // Each box gets a font of its own; it goes with its box.
  if (t.searchFont != nullptr) DeleteObject(t.searchFont);
  t.searchFont = nullptr;
}

}  // namespace

void OnTickerLeftDown(HWND ticker, WPARAM, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  const PanelLayout layout = TickerPanelLayout(ticker);
  const int x = MouseX(lParam);
  t.stripFlags.listBusy = 1;
  t.lastResizePoint = POINT{0, 0};
  t.pressX = x;

  if (layout.buttons) {
    if (layout.searchZone.Contains(x)) {
      SetCapture(ticker);
      t.searchButtonUp = 0;
      InvalidatePanelRect(ticker, layout.searchPressRepaint, false);
    } else if (layout.nextTopicZone.Contains(x)) {
      SetCapture(ticker);
      t.nextButtonUp = 0;
      InvalidatePanelRect(ticker, layout.nextPressRepaint, false);
    }
  }
  if (x > layout.logoPressAfter) {
    SetCapture(ticker);
    t.logoButtonUp = 0;
    InvalidatePanelRect(ticker, layout.logoRepaint, true);
    t.resizing = 0;
  } else if (x > layout.gripPressAfter) {
    t.stripFlags.listBusy = 1;
    if (GetCursor() != t.sizingCursor) t.savedCursor = SetCursor(t.handCursor);
    SetCapture(ticker);
    t.resizing = 0;
  } else if (t.dock.inDeskBand == 0) {
    t.resizing = 1;
    POINT press = {x, 0};
    ClientToScreen(ticker, &press);
    t.pressScreenX = press.x;
    SetCapture(ticker);
  } else {
    t.resizing = 0;
  }
}

void OnTickerMouseMove(HWND ticker, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  const Client c = ClientOf(ticker);
  const int x = MouseX(lParam);
  const bool held = (wParam & MK_LBUTTON) != 0;

  if (t.savedCursor == nullptr) t.savedCursor = GetCursor();
  if (x != t.pressX && held) t.stripFlags.listBusy = 0;
  if (x < TickerPanelLayout(c.w, c.h).sizingCursorBefore) {
    SetCursor(t.sizingCursor);
  } else if (!held) {
    ShowSavedCursor();
  }

  if (t.resizing != 0) {
    // Without the button the release went elsewhere: the drag ends here all the same.
    if (!held) {
      EndWidthDrag(ticker, LastWidthDragX());
    } else if (GetCapture() == ticker) {
      WidthDrag(ticker);
    }
    return;
  }
  if (GetCapture() == ticker) {
    const int sx = SignedX(lParam);
    const int sy = SignedY(lParam);
    if (held && t.undocked != 0 && t.fitToCaption == 0 &&
        (sx < 0 || sy < 0 || sx > c.w || sy > c.h)) {
      MoveFrameByOvershoot(ticker, sx, sy, c);
      return;
    }
    ButtonFeedback(ticker, x, SignedY(lParam), held, TickerPanelLayout(c.w, c.h));
  }

  if (!held) {
    if (GetCursor() != t.sizingCursor) ShowSavedCursor();
    t.dragging = 0;
    t.stripFlags.listBusy = 0;
    t.lastDragX = 0;
    GoIdle();
    ReleaseCapture();
    return;
  }

  if (t.lastDragX == 0) t.lastDragX = x;
  const StripDrag drag =
      DragStrip(x, t.lastDragX, t.pressX, c.w, t.dock.gripWidth, t.stripFlags.scrollOffset.load(),
                t.items.StripWidth(), t.stripFlags.scrollForward.load(), t.dpi);
  switch (drag.outcome) {
    case StripDrag::kCancel:
      ShowSavedCursor();
      t.searchButtonUp = t.nextButtonUp = t.logoButtonUp = 1;
      InvalidateRect(ticker, nullptr, TRUE);
      t.stripFlags.listBusy = 0;
      t.lastDragX = 0;
      return;
    case StripDrag::kOutside:
      ShowSavedCursor();
      return;
    case StripDrag::kScroll:
      t.dragging = 1;
      if (GetCursor() != t.sizingCursor) SetCursor(t.handCursor);
      t.stripFlags.scrollForward = drag.scrollForward;
      t.stripFlags.scrollOffset = drag.offset;
      t.lastDragX = x;
      return;
  }
}

void OnTickerLeftUp(HWND ticker, WPARAM, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  const PanelLayout layout = TickerPanelLayout(ticker);
  const int x = MouseX(lParam);
  const int y = SignedY(lParam);
  GoIdle();
  t.stripFlags.listBusy = 0;
  t.dragging = 0;

  if (t.resizing != 0) {
    const bool docked = t.undocked == 0;
    if (EndWidthDrag(ticker, MessageScreenX()) || docked) return;
  }

  t.pressX = 0;
  t.lastDragX = 0;
  ShowSavedCursor();

  if (layout.buttons) {
    if (layout.searchZone.Contains(x)) {
      ReleaseCapture();
      DiscardClipRegion(Ticker().paintCache);
      t.searchButtonUp = 1;
      t.stripFlags.listBusy = 0;
      t.searchShown = !t.searchShown;
      PostMessageA(ticker, WM_TIMER, kHousekeepingTimer, 0);
      InvalidatePanelRect(ticker, layout.searchReleaseRepaint, false);
      UpdateWindow(ticker);
    } else if (layout.nextTopicZone.Contains(x)) {
      ReleaseCapture();
      InvalidatePanelRect(ticker, layout.nextReleaseRepaint, false);
      t.nextButtonUp = 1;
      PostJump(ticker, 1);
    }
  }
  if (x > layout.logoReleaseAfter) {
    ReleaseCapture();
    InvalidatePanelRect(ticker, layout.logoRepaint, false);
    t.logoButtonUp = 1;
    if (layout.logoRepaint.Contains(x, y)) OpenLinkAt(x, y);
  }

  t.stripFlags.listBusy = 0;
  ShowSavedCursor();
  InvalidateRect(ticker, nullptr, FALSE);
}

void OnTickerCaptureLost(HWND ticker) {
  if (Ticker().resizing != 0) EndWidthDrag(ticker, LastWidthDragX());
}

void OnTickerDoubleClick(HWND ticker, WPARAM, LPARAM lParam) {
  const int x = MouseX(lParam);
  if (TickerPanelLayout(ticker).doubleClickZone.Contains(x)) OpenLinkAt(x, SignedY(lParam));
}

void OnTickerRightDown(HWND ticker, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  const PanelLayout layout = TickerPanelLayout(ticker);
  if (layout.nextTopicZone.Contains(MouseX(lParam))) {
    SetCapture(ticker);
    t.nextButtonUp = 0;
    InvalidatePanelRect(ticker, layout.nextRightPressRepaint, false);
  } else if (t.dock.inDeskBand != 0) {
    PostMessageA(GetParent(ticker), WM_RBUTTONDOWN, wParam, lParam);
  }
}

void OnTickerRightUp(HWND ticker, WPARAM wParam, LPARAM lParam) {
  TickerWindowState& t = Ticker();
  const PanelLayout layout = TickerPanelLayout(ticker);
  if (layout.nextTopicZone.Contains(MouseX(lParam)) && layout.buttons) {
    ReleaseCapture();
    InvalidatePanelRect(ticker, layout.nextRightReleaseRepaint, false);
    t.nextButtonUp = 1;
    PostJump(ticker, 0);
  } else if (t.dock.inDeskBand != 0) {
    PostMessageA(GetParent(ticker), WM_RBUTTONUP, wParam, lParam);
  } else {
    ShowContextMenu(ticker);
  }
}

void OnJumpRequest(HWND ticker, WPARAM wParam) {
  TickerWindowState& t = Ticker();
  const uint32_t serial = HIWORD(wParam);
  const bool nextSection = LOWORD(wParam) != 0;
  int32_t offset = 0;
  bool changed = false;
  {
    ItemsView view = t.items.Read();
    changed = ComputeJump(view, t.stripFlags.scrollOffset.load(),
                          IsNewerSerial(serial, static_cast<uint32_t>(t.jumpSerial)), nextSection,
                          t.stripFlags.scrollForward.load() != 0, &offset);
  }
  if (!changed) return;  // nothing to jump in before the first fill
  t.stripFlags.scrollOffset = offset;
  t.jumpSerial = static_cast<int32_t>(serial);
  t.stripFlags.pauseTicks = 0;
  UpdateWindow(ticker);
  SendMessageA(ticker, WM_TIMER, kScrollTimer, 0);
  UpdateWindow(ticker);
  t.stripFlags.pauseTicks = 9;  // the strip stands still for 450 ms at the new place
}

void ShowContextMenu(HWND owner, const POINT* at) {
  TickerWindowState& t = Ticker();
  DWORD major = 0;
  DWORD minor = 0;
  GetShellVersion(&major, &minor);
  const int id = (major < 4 || minor <= 70) ? IDM_CONTEXT_OLD_SHELL : IDM_CONTEXT_NEW_SHELL;
  HMENU menu = LoadMenuA(t.instance, MAKEINTRESOURCEA(id));
  HMENU popup = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
  if (popup == nullptr) RestartProgram();

  if (t.refresh.refreshRunning.load() != 0) {
    EnableMenuItem(popup, IDM_UPDATE_NOW, MF_BYCOMMAND | MF_GRAYED);
  }
  if (t.undocked != 0 && !TaskbarToDockIn()) {
    EnableMenuItem(popup, IDM_TASKBAR_DOCK, MF_BYCOMMAND | MF_GRAYED);
  }
  CheckMenuItem(popup, IDM_PAUSE,
                MF_BYCOMMAND | (t.reading.paused != 0 ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(popup, IDM_SEARCH_WINDOW,
                MF_BYCOMMAND | (t.searchShown != 0 ? MF_CHECKED : MF_UNCHECKED));

  if (t.undocked != 0) {
    const struct {
      int string;
      int command;
      int32_t checked;
    } placements[] = {{IDS_ALWAYS_ON_TOP, IDM_ALWAYS_ON_TOP, t.alwaysOnTop},
                      {IDS_GLUE_TO_DESKTOP, IDM_GLUE_TO_DESKTOP, t.glueToDesktop},
                      {IDS_FIT_TO_CAPTION, IDM_FIT_TO_CAPTION, t.fitToCaption}};
    for (const auto& p : placements) {
      char text[64] = "";
      LoadStringA(t.instance, p.string, text, sizeof text);
      MENUITEMINFOA item = {};
      item.cbSize = sizeof item;
      item.fMask = MIIM_TYPE | MIIM_ID | MIIM_STATE;
      item.fType = MFT_STRING;
      item.fState = p.checked != 0 ? MFS_CHECKED : MFS_UNCHECKED;
      item.wID = static_cast<UINT>(p.command);
      item.dwTypeData = text;
      InsertMenuItemA(popup, IDM_PREFERENCES, FALSE, &item);
    }
    MENUITEMINFOA separator = {};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_TYPE;
    separator.fType = MFT_SEPARATOR;
    InsertMenuItemA(popup, IDM_PREFERENCES, FALSE, &separator);
  }

  POINT cursor;
  if (at != nullptr) {
    cursor = *at;
  } else {
    GetCursorPos(&cursor);
  }
  if (t.screenSaverMode == 0) {
    // The menu closes when the user clicks elsewhere only if its owner is in the foreground.
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
  }
  DestroyMenu(menu);
}

void SearchBoxUpkeep(HWND ticker) {
  TickerWindowState& t = Ticker();
  const Client c = ClientOf(ticker);
  if (t.searchBox == nullptr && t.searchShown != 0) {
    t.searchBox = CreateWindowExA(
        0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL |
                           ES_AUTOHSCROLL,
        0, 0, 1, 1, ticker, nullptr, t.instance, nullptr);
    if (t.searchBox != nullptr) {
      t.searchFont = CreateFontA(c.h - 4, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_CHARACTER_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                 VARIABLE_PITCH, "Arial");
      SendMessageA(t.searchBox, WM_SETFONT, reinterpret_cast<WPARAM>(t.searchFont), TRUE);
      SetFocus(t.searchBox);
      g_editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
          t.searchBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SearchBoxProc)));
    }
  }
  if (t.searchBox != nullptr && t.screenSaverWindow == nullptr) {
    const Rect r =
        SearchBoxRect(c.w, c.h, t.dock.gripWidth, t.searchShown != 0, t.undocked != 0, t.dpi);
    SetWindowPos(t.searchBox, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_SHOWWINDOW);
  } else if (t.searchBox != nullptr) {
    ShowWindow(t.searchBox, SW_HIDE);
  }
  if (t.searchBox != nullptr && t.searchShown == 0) DestroySearchBox();
}

void OnSearchBoxEnter(HWND ticker) {
  TickerWindowState& t = Ticker();
  // The Enter key scrolls the multi-line box; every second notification is the one that counts.
  if (t.enterToggle == 0) OpenLinkAt(ClientOf(ticker).w - 1, 1);
  t.enterToggle = !t.enterToggle;
  SendMessageA(t.searchBox, EM_SCROLL, SB_LINEUP, 0);
}
