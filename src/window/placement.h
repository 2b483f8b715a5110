// Where the floating frame goes: the saved position and its validation, the caption position, the
// frame's rectangle and style at start-up, the docked width, and the registry writes of the
// placement commands. Pure arithmetic on sizes and flags.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/settings_table.h"
#include "base/rect.h"

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
  int32_t dpi = 96;  // the system's scale, which a frame not yet made is created at
};

constexpr WindowPosition kFallbackPosition{50, 50, 400, 40};
// The fallback position with its size scaled to `dpi`.
WindowPosition FallbackPosition(int32_t dpi);

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

// The end of a width drag of the docked ticker's grip, pressed and released at these screen x
// positions: the new "Ticker Size", or 0 when the width changed by 5 pixels or less. A
// tickerSize that divides the screen is taken as the width it gave.
int32_t DockedSizeAfterDrag(int32_t tickerSize, int32_t screenWidth, int32_t pressX,
                            int32_t releaseX);
