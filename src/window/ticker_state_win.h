// The one process-wide record of the ticker window: its handles, mode and layout, interaction
// flags and the in-memory copies of the settings (portable part in ticker_prefs.h). Members that the
// refresh worker also touches are atomics (the subsystems' flags) or guarded by prefsLock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "net/http_transfer_win.h"
#include "desktop/open_url_win.h"
#include "desktop/taskbar_win.h"
#include "feed/refresh_worker_win.h"
#include "prefs/preferences_win.h"
#include "settings/registry_store_win.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"
#include "strip/item_list.h"
#include "strip/keyboard_reading.h"
#include "strip/strip_flags.h"
#include "update/update_win.h"
#include "strip/strip_paint_win.h"
#include "strip/control_panel_win.h"
#include "strip/tooltips_win.h"
#include "settings/ticker_prefs.h"
#include "res/program_resources_win.h"

struct TickerWindowState;

// What the refresh worker and the update check ask of the rest of the program, answered from the
// ticker's record.
class TickerRefreshHost : public RefreshHost, public UpdateCheckHost, public PreferencesHost {
 public:
  explicit TickerRefreshHost(TickerWindowState& t) : t_(t) {}
  void SnapshotSettings(FeedSettings* settings) override;
  void CopyProxy(char (&host)[kTextValueSize], char (&port)[kTextValueSize]) override;
  void ShowLastUpdate(const char* stamp) override;
  void CheckForUpdate(HWND window, const HttpSession& session) override;
  bool ScreenSaverRunning() override;
  void HandOffAndEnd() override;
  void ColorsChanged() override;
  void FontsChanged() override;
  void TickerTabApplied(int32_t newsRefreshMinutes, bool pauseOnHover) override;
  void ReadingKeysApplied(char* taken, size_t takenSize) override;

 private:
  TickerWindowState& t_;
};

struct TickerWindowState {
  // Handles and resources.
  HINSTANCE instance = nullptr;
  HWND tickerWindow = nullptr;
  HWND frameWindow = nullptr;
  HWND searchBox = nullptr;
  HFONT searchFont = nullptr;
  TooltipRecord tooltips;
  UINT_PTR scrollTimer = 0, refreshTimer = 0, housekeepingTimer = 0;
  HPEN highlightPen = nullptr, shadowPen = nullptr, facePen = nullptr;
  HCURSOR handCursor = nullptr, sizingCursor = nullptr, savedCursor = nullptr;
  char programDirectory[MAX_PATH] = "";  // up to and including the last backslash

  // Mode and layout.
  int32_t undocked = 0;
  int32_t screenSaverMode = 0;
  HWND screenSaverWindow = nullptr;
  int32_t screenSaverSwitch = 0;
  int32_t fitToCaption = 0;
  int32_t alwaysOnTop = 0;
  int32_t glueToDesktop = 0;
  int32_t tickerSize = 0;
  TaskbarDock dock;
  int32_t dpi = 96;  // the ticker window's scale: the control panel's sizes follow it

  // The client size as the last resize gave it (the scroll tick paints with it, without asking).
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;

  // Strip and interaction (user-interface thread only; cross-thread flags are in `flags`).
  int32_t reloadNeeded = 0;
  int32_t lastStripHeight = 0;
  int32_t jumpSerial = 0;
  int32_t searchShown = 0;
  int32_t sponsorPhase = 0;
  int32_t mailCycleCountdown = 10;
  int32_t tickCounter = 0;
  // What the first strip does not need (the tooltips, and with them the common controls) waits
  // until it has been drawn: 0 while it waits, 1 once done.
  int32_t startFinished = 0;
  int32_t logoButtonUp = 1, nextButtonUp = 1, searchButtonUp = 1;
  int32_t resizing = 0, dragging = 0, pressX = 0, lastDragX = 0, enterToggle = 0;
  POINT lastResizePoint = {0, 0};
  // Where a width drag began, on the screen: the docked ticker moves while its width changes,
  // so the press's client x means another place by the time of the release.
  int32_t pressScreenX = 0;

  // Guards prefs between the preference pages and the worker's snapshot of them. Lock order:
  // refreshLock (worker.refreshLock), then prefsLock, then the item list's publish lock. Held only
  // for copies: never across a dialog, a DDE conversation or a wait for the worker.
  std::mutex prefsLock;
  TickerPrefs prefs;

  // The HTTP transfers' credentials and last authentication answer (refresh worker only).
  HttpTransferState http;

  StripFlags stripFlags;
  TickerItemList items{stripFlags};
  RefreshFlags refresh;

  PreferencesSheet sheet;
  UpdateState update;
  BrowserLinks links;

  // The refresh worker's lock, window and thread (refresh_worker_win.h).
  RefreshWorkerState worker;

  // What the painter keeps between frames: memory context, fonts, brush, clip box.
  StripPaintCache paintCache;

  // Pause, the keyboard's item, one item at a time, high contrast (window/access_win.h).
  StripReading reading;

  // The subsystems' parts, wired together here: each call is handed the part it needs.
  TickerRefreshHost hosts{*this};
  RefreshParts refreshParts{worker, refresh, items, stripFlags, paintCache, http, links, hosts};
  UpdateParts updateParts{update, items, stripFlags, paintCache, hosts};
  PreferencesParts prefsParts{tickerWindow, sheet, prefsLock, prefs, refresh,
                              links, highlightPen, shadowPen, hosts};
};

// The process's one ticker.
TickerWindowState& Ticker();

// The strip's frame for window `ticker` as the record describes it, a frame painted with it, and
// the strip's fonts for the window's height and "Bold Font".
StripFrame TickerStripFrame(TickerWindowState& t, HWND ticker);
void PaintTickerStrip(TickerWindowState& t, HDC dc, HWND ticker);
void CreateTickerFonts(TickerWindowState& t, HWND ticker);

// The control panel's layout for a client area of w x h with the ticker's grip and flags (tipTop:
// where the strip and logo tooltips start), the layout of the window's current client area, and
// what the panel shows now.
PanelLayout TickerPanelLayout(int w, int h, int tipTop = 0);
PanelLayout TickerPanelLayout(HWND ticker);
PanelLook TickerPanelLook(TickerWindowState& t, HWND ticker);
