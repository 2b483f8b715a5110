// The one process-wide record of the ticker window: its handles, mode and layout, interaction
// flags and the in-memory copies of the settings (portable part in ticker_prefs.h). Members that the
// refresh worker also touches are atomics (in SharedFlags) or guarded by prefsLock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "feed/http_transfer_win.h"
#include "feed/refresh_worker_win.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"
#include "shell/shared_flags.h"
#include "strip/item_list.h"
#include "strip/keyboard_reading.h"
#include "strip/strip_paint_win.h"
#include "strip/tooltips_win.h"
#include "window/ticker_prefs.h"

struct TickerWindowState {
  // Handles and resources.
  HINSTANCE instance = nullptr;
  HWND tickerWindow = nullptr;
  HWND frameWindow = nullptr;
  HWND sheetWindow = nullptr;
  int32_t sheetClosed = 0;  // OK or Cancel ended the sheet; destroyed before the next message
  HWND searchBox = nullptr;
  HFONT searchFont = nullptr;
  HWND stripTip = nullptr, logoTip = nullptr, searchTip = nullptr, navigationTip = nullptr;
  TooltipRecord tooltips;
  UINT_PTR scrollTimer = 0, refreshTimer = 0, housekeepingTimer = 0;
  HPEN highlightPen = nullptr, shadowPen = nullptr, facePen = nullptr;
  HCURSOR handCursor = nullptr, sizingCursor = nullptr, savedCursor = nullptr;
  char programDirectory[MAX_PATH] = "";  // up to and including the last backslash

  // Mode and layout.
  int32_t undocked = 0;
  int32_t inDeskBand = 0;
  int32_t screenSaverMode = 0;
  HWND screenSaverWindow = nullptr;
  int32_t screenSaverSwitch = 0;
  int32_t fitToCaption = 0;
  int32_t alwaysOnTop = 0;
  int32_t glueToDesktop = 0;
  int32_t tickerSize = 0;
  int32_t dockedWidth = 0;
  int32_t gripWidth = 10;
  int32_t trayIconWidth = 0;
  int32_t trayBaseline = 0;
  int32_t trayBaselinePending = 1;
  int32_t clockWidth = 0;
  int32_t trayLastX = 0;

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
  int32_t logoButtonUp = 1, nextButtonUp = 1, searchButtonUp = 1;
  int32_t resizing = 0, dragging = 0, pressX = 0, lastDragX = 0, enterToggle = 0;
  POINT lastResizePoint = {0, 0};
  // Where a width drag began, on the screen: the docked ticker moves while its width changes,
  // so the press's client x means another place by the time of the release.
  int32_t pressScreenX = 0;

  // The "Last Stock Update" text that the strip's tooltip shows; written by the worker.
  char lastStockUpdate[kTextValueSize] = "";

  // Guards prefs between the preference pages and the worker's snapshot of them. Lock order:
  // refreshLock (worker.refreshLock), then prefsLock, then the item list's publish lock. Held only
  // for copies: never across a dialog, a DDE conversation or a wait for the worker.
  std::mutex prefsLock;
  TickerPrefs prefs;

  // The HTTP transfers' credentials and last authentication answer (refresh worker only).
  HttpTransferState http;

  SharedFlags flags;
  TickerItemList items{flags};

  // The refresh worker's lock, window and thread (refresh_worker_win.h).
  RefreshWorkerState worker;

  // What the painter keeps between frames: memory context, fonts, brush, clip box.
  StripPaintCache paintCache;

  // Pause, the keyboard's item, one item at a time, high contrast (window/access_win.h).
  StripReading reading;
};

// The process's one ticker.
TickerWindowState& Ticker();

// The settings store over the registry key.
SettingsStore& Settings();

// The text of string-table entry `id` (res/string_table.inc), NUL-terminated and cut to
// capacity; the empty text when the entry is missing.
void LoadProgramText(int id, char* out, size_t capacity);
