// Pausing, the hotkeys, reading with the keyboard, the still strip and high contrast.
#include "window/access_win.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include "desktop/open_url_win.h"
#include "window/hover_wheel_win.h"
#include "res/resource.h"
#include "strip/keyboard_reading.h"
#include "strip/strip_geometry.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"
#include "window/accessible_win.h"
#include "window/mouse_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

#ifndef SPI_GETCLIENTAREAANIMATION
#define SPI_GETCLIENTAREAANIMATION 0x1042
#endif

namespace {

constexpr int kPauseHotkeyId = 1;
constexpr int kFocusHotkeyId = 2;

// User-interface thread only.
HWND g_previousForeground = nullptr;  // the window the keyboard goes back to on Esc
HWND g_pauseTip = nullptr;
char g_pauseTipText[160] = "";
Rect g_pauseTipRect;
HWND g_shortenedStripTip = nullptr;  // the strip tip whose tool stops left of the pause mark
LONG g_stripTipRight = 0;
char g_takenNotice[kItemTextSize] = "";  // a hotkey held elsewhere, said once on the strip
uint32_t g_seenGeneration = 0;
int32_t g_stepSetting = 0;

StripReading& Reading() { return Ticker().reading; }

ScrollArea CurrentArea() {
  TickerWindowState& t = Ticker();
  int box = -1;
  if (t.searchBox != nullptr) {
    RECT r;
    GetClientRect(t.searchBox, &r);
    box = r.right;
  }
  return ComputeScrollArea(t.clientWidth, box, t.dock.gripWidth, t.screenSaverWindow != nullptr,
                           t.dpi);
}

void RepaintStrip(HWND ticker) {
  if (Ticker().stripFlags.stripFilled.load() == 0) return;
  HDC dc = GetDC(ticker);
  PaintTickerStrip(Ticker(), dc, ticker);
  ReleaseDC(ticker, dc);
}

// Registers both hotkeys anew; the names of those another program holds go to `taken`.
void RegisterHotkeys(HWND ticker, char* taken, size_t capacity) {
  taken[0] = '\0';
  const struct {
    int id;
    SettingId setting;
  } keys[] = {{kPauseHotkeyId, SettingId::kPauseHotkey}, {kFocusHotkeyId, SettingId::kFocusHotkey}};
  for (const auto& key : keys) {
    UnregisterHotKey(ticker, key.id);
    const uint32_t value = static_cast<uint32_t>(Settings().ReadSetting(key.setting));
    const HotkeyParts parts = SplitHotkey(value);
    if (parts.none ||
        RegisterHotKey(ticker, key.id, parts.registerModifiers, parts.virtualKey) != FALSE) {
      continue;
    }
    char name[32];
    DescribeHotkey(value, name, sizeof name);
    const size_t used = std::strlen(taken);
    std::snprintf(taken + used, capacity - used, "%s%s", used > 0 ? ", " : "", name);
  }
}

Rect MarkRect() { return PauseMarkRect(CurrentArea().right, Ticker().clientHeight); }

// The pause mark's tip says how to resume; while it shows, the strip's own tip stops left of it.
void UpdatePauseTip(HWND ticker, bool hotkeyChanged) {
  TickerWindowState& t = Ticker();
  const bool paused = Reading().paused != 0;
  const Rect mark = paused ? MarkRect() : Rect{};
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = ticker;
  tool.uId = 1;
  tool.hinst = t.instance;
  tool.lpszText = g_pauseTipText;
  tool.rect = RECT{mark.left, mark.top, mark.right, mark.bottom};
  if (hotkeyChanged || g_pauseTip == nullptr) {
    const uint32_t value = static_cast<uint32_t>(Settings().ReadSetting(SettingId::kPauseHotkey));
    if (SplitHotkey(value).none) {
      LoadProgramText(IDS_PAUSED_TIP, g_pauseTipText, sizeof g_pauseTipText);
    } else {
      char hotkey[32];
      char format[sizeof g_pauseTipText];
      DescribeHotkey(value, hotkey, sizeof hotkey);
      LoadProgramText(IDS_PAUSED_TIP_KEY, format, sizeof format);
      std::snprintf(g_pauseTipText, sizeof g_pauseTipText, format, hotkey);
    }
  }
  if (g_pauseTip == nullptr) {
    g_pauseTip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, "", TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, ticker, nullptr, t.instance, nullptr);
    SendMessageA(g_pauseTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    g_pauseTipRect = mark;
  } else if (hotkeyChanged) {
    SendMessageA(g_pauseTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // Every housekeeping tick asks: the rectangle changes only with the window's size.
  if (!(mark == g_pauseTipRect)) {
    SendMessageA(g_pauseTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    g_pauseTipRect = mark;
  }

  std::lock_guard<std::mutex> guard(t.tooltips.lock);
  if (t.tooltips.stripTip == nullptr) return;
  if (g_shortenedStripTip != t.tooltips.stripTip) g_shortenedStripTip = nullptr;  // made anew, whole
  TOOLINFOA strip = {};
  strip.cbSize = TTTOOLINFOA_V2_SIZE;
  strip.hwnd = ticker;
  strip.uId = 1;
  if (SendMessageA(t.tooltips.stripTip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&strip)) == 0) return;
  if (paused && g_shortenedStripTip == nullptr) {
    g_stripTipRight = strip.rect.right;
    if (strip.rect.right > mark.left) strip.rect.right = mark.left;
    g_shortenedStripTip = t.tooltips.stripTip;
  } else if (!paused && g_shortenedStripTip != nullptr) {
    strip.rect.right = g_stripTipRight;
    g_shortenedStripTip = nullptr;
  } else {
    return;
  }
  SendMessageA(t.tooltips.stripTip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&strip));
}

// Windows always reports high contrast as available; a system that does not (Wine) keeps no
// such state behind SystemParametersInfo, and then the user's stored choice, which Windows keeps
// under "Control Panel\Accessibility\HighContrast", decides.
bool HighContrastOn() {
  HIGHCONTRASTA contrast = {};
  contrast.cbSize = sizeof contrast;
  if (SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
      (contrast.dwFlags & HCF_AVAILABLE) != 0) {
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  char flags[16] = "";
  DWORD size = sizeof flags - 1;
  DWORD type = 0;
  const bool read = RegQueryValueExA(key, "Flags", nullptr, &type, reinterpret_cast<BYTE*>(flags),
                                     &size) == ERROR_SUCCESS &&
                    type == REG_SZ;
  RegCloseKey(key);
  return read && (std::strtoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}

// The system's look: high contrast, and whether animations are wanted at all.
void RefreshLook(HWND ticker, bool colorsChanged) {
  TickerWindowState& t = Ticker();
  StripReading& r = t.reading;
  const bool high = HighContrastOn();
  BOOL animation = TRUE;
  if (!SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animation, 0)) animation = TRUE;
  const int32_t stepping = g_stepSetting != 0 || animation == FALSE ? 1 : 0;

  StripReading next = r;
  next.highContrast = high ? 1 : 0;
  next.stepping = stepping;
  next.windowColor = GetSysColor(COLOR_WINDOW);
  next.textColor = GetSysColor(COLOR_WINDOWTEXT);
  next.linkColor = GetSysColor(COLOR_HOTLIGHT);
  next.highlightColor = GetSysColor(COLOR_HIGHLIGHT);
  next.highlightTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
  const bool changed = colorsChanged || next.highContrast != r.highContrast ||
                       next.stepping != r.stepping || next.windowColor != r.windowColor ||
                       next.textColor != r.textColor || next.linkColor != r.linkColor ||
                       next.highlightColor != r.highlightColor;
  if (!changed) return;
  if (stepping != 0 && r.stepping == 0) {
    ItemsView view = t.items.Read();
    next.stepItem = ItemAtReadingPosition(view.items, view.itemCount, view.stripWidth,
                                          t.stripFlags.scrollOffset.load(), CurrentArea().left);
    next.stepElapsedMs = 0;
  }
  r = next;
  // The panel's pens are the system's 3-D colours, which may have changed with the rest.
  for (auto pen :
       {std::make_pair(&t.highlightPen, COLOR_BTNHIGHLIGHT),
        std::make_pair(&t.shadowPen, COLOR_BTNSHADOW), std::make_pair(&t.facePen, COLOR_BTNFACE)}) {
    if (*pen.first != nullptr) DeleteObject(*pen.first);
    *pen.first = CreatePen(PS_SOLID, 1, GetSysColor(pen.second));
  }
  DiscardBackgroundBrush(t.paintCache);
  InvalidateRect(ticker, nullptr, TRUE);
}

void EnterKeyboard(HWND ticker) {
  StripReading& r = Reading();
  if (r.keyboard != 0) return;
  r.keyboard = 1;
  int32_t index = r.stepping != 0 ? r.stepItem : -1;
  if (index < 0) {
    ItemsView view = Ticker().items.Read();
    index = ItemAtReadingPosition(view.items, view.itemCount, view.stripWidth,
                                  Ticker().stripFlags.scrollOffset.load(), CurrentArea().left);
  }
  FocusReadingItem(ticker, index);
}

void LeaveKeyboard(HWND ticker) {
  StripReading& r = Reading();
  if (r.keyboard == 0) return;
  r.keyboard = 0;
  r.focusItem = -1;
  RepaintStrip(ticker);
}

// The focus hotkey: the strip's window comes to the front and takes the keyboard.
void TakeKeyboard(HWND ticker) {
  HWND top = GetAncestor(ticker, GA_ROOT);
  HWND foreground = GetForegroundWindow();
  if (foreground != top && foreground != ticker) g_previousForeground = foreground;
  SetForegroundWindow(top);
  // In the taskbar the strip's top window is the shell's: the focus crosses threads only while
  // their input is attached.
  const DWORD own = GetCurrentThreadId();
  const DWORD host = GetWindowThreadProcessId(top, nullptr);
  const bool attached = host != own && AttachThreadInput(own, host, TRUE) != FALSE;
  SetFocus(ticker);
  if (attached) AttachThreadInput(own, host, FALSE);
  EnterKeyboard(ticker);
}

void GiveKeyboardBack(HWND ticker) {
  HWND previous = g_previousForeground;
  g_previousForeground = nullptr;
  if (previous != nullptr && IsWindow(previous)) SetForegroundWindow(previous);
  if (GetFocus() == ticker) SetFocus(nullptr);
  LeaveKeyboard(ticker);
}

bool OnReadingKey(HWND ticker, WPARAM key) {
  StripReading& r = Reading();
  if (r.keyboard == 0) return false;
  int32_t count = 0;
  {
    ItemsView view = Ticker().items.Read();
    count = view.itemCount;
  }
  const struct {
    WPARAM key;
    ReadingKey move;
  } moves[] = {{VK_LEFT, ReadingKey::kLeft},
               {VK_RIGHT, ReadingKey::kRight},
               {VK_HOME, ReadingKey::kHome},
               {VK_END, ReadingKey::kEnd}};
  for (const auto& m : moves) {
    if (key != m.key) continue;
    FocusReadingItem(ticker, MoveReadingItem(r.focusItem, count, m.move));
    return true;
  }
  switch (key) {
    case VK_RETURN: OpenReadingItem(ticker, r.focusItem); return true;
    case VK_ESCAPE: GiveKeyboardBack(ticker); return true;
    case VK_TAB:
      if (Ticker().searchBox != nullptr && IsWindowVisible(Ticker().searchBox)) {
        SetFocus(Ticker().searchBox);
      }
      return true;
    default: return false;
  }
}

// Puts the item into reading position; false when there is no such item.
bool PlaceItem(int32_t index, int32_t* clientX) {
  TickerWindowState& t = Ticker();
  ItemsView view = t.items.Read();
  if (index < 0 || index >= view.itemCount) return false;
  const TickerItem& item = view.items[index];
  const int32_t left = CurrentArea().left;
  const int32_t offset = ReadingOffset(item.x, left);
  t.stripFlags.scrollOffset = offset;
  t.reading.markX = item.x;
  t.reading.stepItem = index;
  if (clientX != nullptr) *clientX = ItemClientX(item.x, item.width, offset, view.stripWidth, left);
  return true;
}

}  // namespace

void StartReading(HWND ticker) {
  SettingsStore& settings = Settings();
  Reading().paused = settings.ReadSetting(SettingId::kPaused) != 0 ? 1 : 0;
  g_stepSetting = settings.ReadSetting(SettingId::kStepHeadlines);
  RefreshLook(ticker, true);
  char taken[100];
  RegisterHotkeys(ticker, taken, sizeof taken);
  if (taken[0] != '\0') {
    char format[kItemTextSize];
    LoadProgramText(IDS_HOTKEY_TAKEN, format, sizeof format);
    std::snprintf(g_takenNotice, sizeof g_takenNotice, format, taken);
  }
}

void EndReading(HWND ticker) {
  UnregisterHotKey(ticker, kPauseHotkeyId);
  UnregisterHotKey(ticker, kFocusHotkeyId);
  DisconnectStripAccessible();
  if (g_pauseTip != nullptr) DestroyWindow(g_pauseTip);
  g_pauseTip = nullptr;
}

void TogglePause(HWND ticker) {
  StripReading& r = Reading();
  r.paused = r.paused != 0 ? 0 : 1;
  Settings().WriteSetting(SettingId::kPaused, r.paused);
  UpdatePauseTip(ticker, false);
  InvalidateRect(ticker, nullptr, FALSE);
  RepaintStrip(ticker);
}

void FocusReadingItem(HWND ticker, int32_t index) {
  if (!PlaceItem(index, nullptr)) return;
  Reading().focusItem = index;
  RepaintStrip(ticker);
  NotifyWinEvent(EVENT_OBJECT_FOCUS, ticker, OBJID_CLIENT, index + 1);
}

void OpenReadingItem(HWND ticker, int32_t index) {
  int32_t x = 0;
  if (!PlaceItem(index, &x)) return;
  RepaintStrip(ticker);
  OpenLinkAt(x + 1, Ticker().clientHeight / 2);
}

bool RunReadingTick(HWND ticker) {
  TickerWindowState& t = Ticker();
  StripReading& r = t.reading;
  StripFlags& f = t.stripFlags;
  uint32_t generation = 0;
  int32_t count = 0;
  {
    ItemsView view = t.items.Read();
    generation = view.generation;
    count = view.itemCount;
  }
  if (generation != g_seenGeneration) {
    // A new list: announced once, never per step.
    g_seenGeneration = generation;
    if (r.focusItem >= count) r.focusItem = count > 0 ? 0 : -1;
    NotifyWinEvent(EVENT_OBJECT_REORDER, ticker, OBJID_CLIENT, CHILDID_SELF);
  }
  if (r.stepping == 0) return false;
  if (f.stripFilled.load() == 0 || f.listBusy.load() != 0) return true;
  if (r.keyboard != 0) {
    r.stepItem = r.focusItem;
  } else if (r.paused == 0 && !StripHeldByPointer()) {
    r.stepElapsedMs += kScrollPeriodMs;
    if (r.stepElapsedMs >= StepIntervalMs(t.prefs.tickerSpeed)) {
      r.stepElapsedMs = 0;
      r.stepItem = MoveReadingItem(r.stepItem, count, ReadingKey::kRight);
    }
  }
  if (r.stepItem < 0 || r.stepItem >= count) r.stepItem = 0;
  PlaceItem(r.stepItem, nullptr);
  RepaintStrip(ticker);
  return true;
}

void ReadingHousekeeping(HWND ticker) {
  TickerWindowState& t = Ticker();
  if (g_takenNotice[0] != '\0' && t.refresh.refreshRunning.load() == 0 &&
      t.stripFlags.stripFilled.load() != 0) {
    WindowMeasurer measurer(ticker, t.paintCache);
    ShowNoticeAhead(t.items, &measurer, t.stripFlags, g_takenNotice);
    g_takenNotice[0] = '\0';
  }
  RefreshLook(ticker, false);
  if (Reading().paused != 0) UpdatePauseTip(ticker, false);
}

void RelayToPauseTip(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_pauseTip == nullptr) return;
  MSG msg = {ticker, message, wParam, lParam, 0, {0, 0}};
  SendMessageA(g_pauseTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void ReadingSettingsChanged(HWND ticker, char* taken, size_t capacity) {
  g_stepSetting = Settings().ReadSetting(SettingId::kStepHeadlines);
  RegisterHotkeys(ticker, taken, capacity);
  RefreshLook(ticker, false);
  UpdatePauseTip(ticker, true);
}

LRESULT OnReadingMessage(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOTKEY:
      if (wParam == kPauseHotkeyId) TogglePause(ticker);
      if (wParam == kFocusHotkeyId) TakeKeyboard(ticker);
      return 0;
    case WM_KEYDOWN:
      if (OnReadingKey(ticker, wParam)) return 0;
      break;
    case WM_SETFOCUS: EnterKeyboard(ticker); return 0;
    case WM_KILLFOCUS: LeaveKeyboard(ticker); return 0;
    case WM_CONTEXTMENU: {
      // From the keyboard (Shift+F10, the menu key) the point is -1, -1: the menu then opens
      // under the reading position, where the keyboard user is, not wherever the mouse was left.
      if (static_cast<DWORD>(lParam) != 0xFFFFFFFF) {
        ShowContextMenu(ticker);
        return 0;
      }
      POINT at = {CurrentArea().left + 4, Ticker().clientHeight};
      ClientToScreen(ticker, &at);
      ShowContextMenu(ticker, &at);
      return 0;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: RefreshLook(ticker, message == WM_SYSCOLORCHANGE); return 0;
    case WM_GETOBJECT: return AnswerAccessibleRequest(ticker, wParam, lParam);
    case kReadingActionMessage:
      RunAccessibleAction(ticker, static_cast<int32_t>(wParam),
                          StripActions{FocusReadingItem, OpenReadingItem, OpenLinkAt});
      return 0;
    default: break;
  }
  return DefWindowProcA(ticker, message, wParam, lParam);
}
