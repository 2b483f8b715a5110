// The strip under the pointer: pause on hover and the speed wheel.
#include "window/hover_wheel_win.h"

#include "prefs/pref_rules.h"
#include "window/ticker_state_win.h"

namespace {

// User-interface thread only: the mouse messages and the scroll tick both run there.
bool g_tracking = false;
bool g_held = false;
int32_t g_pendingWheel = 0;

}  // namespace

bool ReadPauseOnHover() { return Settings().ReadSetting(SettingId::kPauseOnHover) != 0; }

void NotePauseOnHover(bool on) { g_held = g_held && on; }

void NotePointerOnStrip(HWND ticker) {
  if (g_tracking) return;
  TRACKMOUSEEVENT track = {};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = ticker;
  g_tracking = TrackMouseEvent(&track) != 0;
  // Read once per visit, not per move: a change on the Ticker tab counts from the next visit.
  g_held = g_tracking && ReadPauseOnHover();
}

void NotePointerLeftStrip() {
  g_tracking = false;
  g_held = false;
}

bool StripHeldByPointer() { return g_held; }

void OnStripWheel(WPARAM wParam) {
  const int32_t delta = static_cast<short>(HIWORD(wParam));
  TickerWindowState& t = Ticker();
  int32_t before = 0;
  {
    std::lock_guard<std::mutex> guard(t.prefsLock);
    before = t.prefs.tickerSpeed;
  }
  const int32_t after = SpeedAfterWheel(before, delta, &g_pendingWheel);
  if (after == before) return;
  {
    std::lock_guard<std::mutex> guard(t.prefsLock);
    t.prefs.tickerSpeed = after;
  }
  Settings().WriteSetting(SettingId::kTickerSpeed, after);
}
