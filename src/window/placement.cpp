// Placement arithmetic for the floating frame.
#include "window/placement.h"

#include "base/taskbar_names.h"
#include "desktop/tray_layout.h"
#include "base/dpi_scale.h"

namespace {

// The plausibility test of a saved position; the caption mode skips it. The frame's height limit
// grows with the scale, and so does the highest height that is taken back.
bool IsPlausible(const WindowPosition& p, const ScreenMetrics& screen) {
  return p.width >= 28 && p.width <= screen.screenWidth + 25 && p.height >= 10 &&
         p.height <= ScaleForDpi(100, screen.dpi) && p.x >= -10 && p.x <= screen.screenWidth - 50 && p.y >= -10 &&
         p.y <= screen.workArea.bottom - 10;
}

}  // namespace

WindowPosition FallbackPosition(int32_t dpi) {
  WindowPosition p = kFallbackPosition;
  p.width = ScaleForDpi(p.width, dpi);
  p.height = ScaleForDpi(p.height, dpi);
  return p;
}

WindowPosition LoadWindowPosition(const WindowPosition& stored, bool fitToCaption,
                                  const ScreenMetrics& screen) {
  WindowPosition p = stored;
  if (!fitToCaption && p.height < 20) p.height = ScaleForDpi(26, screen.dpi);

  if (fitToCaption) {
    // The frame sits at the top of the work area and ends where three caption buttons and a
    // sizing border begin. A width below 50 (or negative) is not a usable caption strip.
    int32_t w = stored.width;
    if (w < 50) w = 150;
    // Nor can it be wider than the work area (a huge stored width would overflow below).
    const int32_t workWidth = screen.workArea.right - screen.workArea.left;
    if (w > workWidth && workWidth >= 150) w = workWidth;
    p.width = w;
    p.x = screen.workArea.right - (w + 3 * screen.captionButtonWidth + screen.frameWidth);
    p.y = screen.workArea.top;
    p.height = screen.captionHeight - 1;
    if (screen.hasMomWindow && screen.momWindow.bottom < 100 && screen.momWindow.left > 100) {
      p.x -= screen.momWindow.right - screen.momWindow.left;
    }
    if (p.x < 64) {
      p.width -= 64 - p.x;
      p.x = 64;
    }
    return p;
  }

  if (!IsPlausible(p, screen) || p.width < 20) p = FallbackPosition(screen.dpi);
  return p;
}

WindowPosition PositionToSave(const Rect& frame, bool fitToCaption,
                              const ScreenMetrics& screen) {
  WindowPosition p{frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top};
  if (!fitToCaption && !IsPlausible(p, screen)) p = FallbackPosition(screen.dpi);
  if (fitToCaption && p.x < 64) {
    p.width = p.width >= 0 ? p.width - p.x : p.width + p.x;
    p.x = 64;
  }
  return p;
}

Rect WidenBySizingBorder(const Rect& frame, const ScreenMetrics& screen) {
  Rect r = frame;
  r.top = r.top - screen.frameHeight + 1;
  r.bottom = r.bottom + screen.frameHeight - 1;
  r.left -= screen.frameWidth;
  r.right += screen.frameWidth;
  return r;
}

FrameCreation ComputeFrameCreation(const WindowPosition& saved, bool fitToCaption, bool alwaysOnTop,
                                   bool glueToDesktop, const ScreenMetrics& screen) {
  FrameCreation out;
  const WindowPosition& p = saved;
  const bool onScreen = p.x < screen.screenWidth - 30 && p.y < screen.screenHeight - 15 &&
                        p.y >= -9 && p.x >= -29;
  if (onScreen) {
    out.position = p;
    if (fitToCaption || (!alwaysOnTop && !glueToDesktop)) {
      out.thickFrame = !fitToCaption;
    } else {
      // On top or glued: no sizing border, so the frame takes only what lay inside the border the
      // position was saved with.
      out.position.y += screen.frameHeight - 1;
      out.position.height -= 2 * screen.frameHeight - 2;
      out.position.x += screen.frameWidth;
      out.position.width -= 2 * screen.frameWidth;
      out.thickFrame = false;
    }
    return out;
  }

  out.position.x = screen.screenWidth / 2 - screen.screenWidth / 4;
  out.position.y = screen.screenHeight / 2;
  out.position.width = screen.screenWidth - screen.screenWidth / 3;
  out.position.height = ScaleForDpi(28, screen.dpi);
  out.thickFrame = !(alwaysOnTop || glueToDesktop);
  return out;
}

bool TickerFillsFrame(bool fitToCaption, bool alwaysOnTop, bool glueToDesktop, bool undocked) {
  return fitToCaption || (!alwaysOnTop && !glueToDesktop && undocked);
}

TickerSizeChoice ChooseTickerSize(int32_t stored, int32_t screenWidth) {
  TickerSizeChoice choice;
  if (stored == 1 || stored == 2) {
    choice.tickerSize = 3 - stored;
  } else if (stored >= 4) {
    choice.tickerSize = stored;
  } else {
    choice.tickerSize = screenWidth / 3;
    choice.dockedWidth = screenWidth / 3;
    choice.store = true;
  }
  return choice;
}

std::vector<SettingWrite> PlacementCommandWrites(PlacementCommand command,
                                                 const PlacementModes& now) {
  std::vector<SettingWrite> w;
  auto leaveCaption = [&w] {
    w.push_back({SettingId::kFitToCaption, 0});
    w.push_back({SettingId::kFollowCaption, 0});
  };
  switch (command) {
    case PlacementCommand::kAlwaysOnTop:
      if (!now.alwaysOnTop) {
        w.push_back({SettingId::kAlwaysOnTop, 1});
        if (now.glueToDesktop) w.push_back({SettingId::kAlwaysOnBottom, 0});
      } else {
        w.push_back({SettingId::kAlwaysOnTop, 0});
        if (now.fitToCaption) leaveCaption();
      }
      break;
    case PlacementCommand::kGlueToDesktop:
      if (!now.glueToDesktop) {
        w.push_back({SettingId::kAlwaysOnBottom, 1});
        if (now.alwaysOnTop) w.push_back({SettingId::kAlwaysOnTop, 0});
        if (now.fitToCaption) leaveCaption();
      } else {
        w.push_back({SettingId::kAlwaysOnBottom, 0});
      }
      break;
    case PlacementCommand::kFitToCaption:
      if (!now.fitToCaption) {
        w.push_back({SettingId::kFitToCaption, 1});
        if (now.glueToDesktop) w.push_back({SettingId::kAlwaysOnBottom, 0});
        if (!now.alwaysOnTop) w.push_back({SettingId::kAlwaysOnTop, 1});
      } else {
        leaveCaption();
      }
      break;
  }
  return w;
}

Rect LimitFrameSizing(const Rect& dragged, bool leftEdgeDragged, int32_t dpi) {
  const int32_t highest = ScaleForDpi(kBandMaxHeight, dpi);
  const int32_t lowest = ScaleForDpi(kBandMinHeight, dpi);
  const int32_t narrowest = ScaleForDpi(kBandMinWidth, dpi);
  Rect r = dragged;
  if (r.bottom - r.top > highest) r.bottom = r.top + highest;
  if (r.bottom - r.top < lowest) r.bottom = r.top + lowest;
  if (r.right - r.left < narrowest) {
    if (leftEdgeDragged) {
      r.left = r.right - narrowest;
    } else {
      r.right = r.left + narrowest;
    }
  }
  return r;
}

bool CaptionNeedsMove(const Rect& frame, const WindowPosition& place) {
  const int64_t off = static_cast<int64_t>(frame.right) - (static_cast<int64_t>(place.x) + place.width);
  return off > 10 || off < -10 || frame.top != place.y;
}

int32_t DockedSizeAfterDrag(int32_t tickerSize, int32_t screenWidth, int32_t pressX,
                            int32_t releaseX) {
  const int32_t width = TrayTargetWidth(tickerSize, screenWidth);
  const int32_t change = pressX - releaseX;  // dragging left widens the ticker
  if (change >= -5 && change <= 5) return 0;
  // Below 4 the stored value would read as a divisor of the screen width.
  return width + change >= 4 ? width + change : 4;
}
