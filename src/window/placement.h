// Where the floating frame goes: the saved position and its validation, the caption position, the
// frame's rectangle and style at start-up, the docked width, and the registry writes of the
// placement commands. Pure arithmetic on sizes and flags.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/settings_table.h"
#include "strip/rect.h"

struct WindowPosition {
  int32_t x = 0, y = 0, width = 0, height = 0;
};

// What the system reports about the screen, gathered by the Windows side.
struct ScreenMetrics {
  int32_t screenWidth = 1024;
  int32_t screenHeight = 768;
  Rect workArea{0, 0, 1024, 768};
  int32_t captionButtonWidth = 18;  // SM_CXSIZE
  int32_t frameWidth = 4;           // SM_CXFRAME
  int32_t frameHeight = 4;          // SM_CYFRAME
  int32_t captionHeight = 19;       // SM_CYCAPTION
  bool hasMomWindow = false;        // a "MOM Class" window and its rectangle
  Rect momWindow;
};

constexpr WindowPosition kFallbackPosition{50, 50, 400, 40};

// The four stored values ("Ticker X", "Y", "Width", "Height"; unreadable ones as 0) made into the
// position the frame is created at.
WindowPosition LoadWindowPosition(const WindowPosition& stored, bool fitToCaption,
                                  const ScreenMetrics& screen);

// The position to store for a frame rectangle in screen pixels.
WindowPosition PositionToSave(const Rect& frame, bool fitToCaption, const ScreenMetrics& screen);

// The frame rectangle of a glued or topmost frame widened by the sizing border, the reverse of the
// shrink that start-up applies to such frames.
Rect WidenBySizingBorder(const Rect& frame, const ScreenMetrics& screen);

struct FrameCreation {
  WindowPosition position;
  bool thickFrame = false;  // WS_THICKFRAME besides WS_POPUP | WS_VISIBLE
};

// The frame window's rectangle and style at start-up: the saved position when it lies on the
// screen, else a default place in the middle of the screen.
FrameCreation ComputeFrameCreation(const WindowPosition& saved, bool fitToCaption, bool alwaysOnTop,
                                   bool glueToDesktop, const ScreenMetrics& screen);

// Whether the ticker window covers the frame's whole client area (else it is inset by one pixel and
// the frame draws a border around it).
bool TickerFillsFrame(bool fitToCaption, bool alwaysOnTop, bool glueToDesktop, bool undocked);

struct TickerSizeChoice {
  int32_t tickerSize = 0;
  int32_t dockedWidth = 0;  // set only when the size was missing (else the docking computes it)
  bool store = false;       // write tickerSize back as "Ticker Size"
};

// "Ticker Size" as stored: a pixel width when 4 or more, 1 and 2 an older coding of a divisor of
// the screen width. 0, 3 (which would mean a divisor of 0) and negative values count as missing and
// become a third of the screen width.
TickerSizeChoice ChooseTickerSize(int32_t stored, int32_t screenWidth);

// The placement commands of the context menu.
enum class PlacementCommand { kAlwaysOnTop, kGlueToDesktop, kFitToCaption };

struct PlacementModes {
  bool alwaysOnTop = false;
  bool glueToDesktop = false;
  bool fitToCaption = false;
};

struct SettingWrite {
  SettingId id;
  int32_t value;
};

// The registry writes, in order, that toggle one placement mode from the modes in force; the
// program then restarts into the new mode. "Fit To Caption" always comes with "Always On Top";
// "Always On Bottom" excludes both.
std::vector<SettingWrite> PlacementCommandWrites(PlacementCommand command,
                                                 const PlacementModes& now);

// The floating frame being sized (WM_SIZING): 20 to 50 pixels high, at least 150 wide at 96 DPI,
// scaled to the window's `dpi`. A frame dragged by a left edge or corner grows to the left, else
// to the right.
Rect LimitFrameSizing(const Rect& dragged, bool leftEdgeDragged, int32_t dpi = 96);

// The caption ticker has left its place (the work area or the "MOM Class" window moved): its
// right edge is more than 10 pixels off, or its top differs.
bool CaptionNeedsMove(const Rect& frame, const WindowPosition& place);

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

// The end of a width drag of the docked ticker's grip, pressed and released at these screen x
// positions: the new "Ticker Size", or 0 when the width changed by 5 pixels or less. A
// tickerSize that divides the screen is taken as the width it gave.
int32_t DockedSizeAfterDrag(int32_t tickerSize, int32_t screenWidth, int32_t pressX,
                            int32_t releaseX);
