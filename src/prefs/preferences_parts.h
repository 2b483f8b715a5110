// What the preferences sheet works on and asks of the ticker window.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "desktop/open_url_win.h"
#include "feed/refresh_flags.h"
#include "settings/ticker_prefs.h"

// The open sheet, one at most; the ticker's record holds it.
struct PreferencesSheet {
  HWND window = nullptr;
  int32_t closed = 0;  // OK or Cancel ended the sheet; destroyed before the next message
  // A page changed something that needs new content; the housekeeping tick starts a refresh for
  // it once the sheet has gone. Atomic, as the other flags that a refresh answers to.
  std::atomic<int32_t> settingsChanged{0};
};

// What the pages ask of the ticker window after they stored something.
class PreferencesHost {
 public:
  // New colours: the strip's brush goes and the window is repainted.
  virtual void ColorsChanged() = 0;
  // "Bold Font" may have changed: the fonts are made again and the strip repainted at once.
  virtual void FontsChanged() = 0;
  // The Ticker tab stored its values: the refresh timer starts again with the period, and a
  // strip held by the pointer moves on when "Pause on Hover" went off.
  virtual void TickerTabApplied(int32_t newsRefreshMinutes, bool pauseOnHover) = 0;
  // The hotkeys or "Step Headlines" were stored: the strip takes them up at once. A hotkey that
  // another program holds is named in taken (empty when none is).
  virtual void ReadingKeysApplied(char* taken, size_t takenSize) = 0;

 protected:
  ~PreferencesHost() = default;
};

// What the sheet and its pages work on, each owned by its subsystem and held by the ticker
// window's record, which also answers as the host.
struct PreferencesParts {
  HWND& tickerWindow;
  PreferencesSheet& sheet;
  // The in-memory settings, shared with the refresh worker: copied under prefsLock only.
  std::mutex& prefsLock;
  TickerPrefs& prefs;
  RefreshFlags& refresh;
  BrowserLinks& links;
  HPEN& highlightPen;
  HPEN& shadowPen;
  PreferencesHost& host;
};
