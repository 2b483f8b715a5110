// Docking arithmetic: whether the shell shows desk bands, and the room that placeholder icons make
// in the notification area for the docked ticker. Pure arithmetic on what the taskbar reports.
#pragma once

#include <cstdint>

// shell32 4.71 and later (as DllGetVersion reports it) can show desk bands.
bool ShellHasDeskBands(uint32_t major, uint32_t minor);

// The width the notification area must grow by for the docked ticker: tickerSize in pixels when
// 4 or more, else the screen width divided by it. A divisor that is not positive counts as 3.
int32_t TrayTargetWidth(int32_t tickerSize, int32_t screenWidth);

// Placeholder icons are numbered from 0; shutdown removes identifiers below this.
constexpr int32_t kMaxTrayPlaceholders = 200;

// Counts the room that placeholder icons make in the notification area, one icon at a time. A
// shell that resizes the area only later leaves its width unchanged: each icon then counts as the
// area's height less 4.
class TrayGrowth {
 public:
  TrayGrowth(int32_t startWidth, int32_t target, int32_t screenWidth)
      : start_(startWidth), estimate_(startWidth), width_(startWidth), target_(target),
        screenWidth_(screenWidth) {}
  // The area's client width and height after one more icon; true when another is wanted.
  bool AddedIcon(int32_t width, int32_t height);
  int32_t Icons() const { return icons_; }
  int32_t Grown() const { return width_ - start_; }
  // One icon's width (at least 1 once an icon was added), and the docked ticker's width over the
  // room made.
  int32_t TrayIconWidth() const;
  int32_t DockedWidth() const;

 private:
  int32_t start_, estimate_, width_, target_, screenWidth_;
  int32_t icons_ = 0;
};

// One layout of the docked ticker in the notification area, from what the tick measured.
struct TrayLayoutInput {
  int32_t areaWidth = 0;         // the notification area's client width now
  int32_t areaBottom = 0;        // its bottom edge, screen pixels
  int32_t screenHeight = 768;
  int32_t clockNow = 0;          // the clock's client width now
  int32_t clockWidth = 0;        // the clock's client width when docking
  int32_t dockedWidth = 0;
  int32_t trayBaseline = 0;
  bool trayBaselinePending = true;
  bool refreshRunning = false;
  int32_t tickCounter = 0;
};

struct TrayLayout {
  enum Action {
    kHidden,   // the taskbar hides below the screen: leave the ticker where it is
    kRestart,  // other programs' icons came or went: dock again in a new process
    kPlace,    // put the ticker at x
  } action = kPlace;
  int32_t x = 0;
  int32_t trayBaseline = 0;
  bool trayBaselinePending = true;
};

// The area's width is captured as the baseline once the placeholders show in it; until then no
// change can be told from the late growth of the area itself.
TrayLayout LayOutTray(const TrayLayoutInput& in);
