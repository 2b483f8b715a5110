// Docking arithmetic for the desk band and the notification area.
#include "desktop/tray_layout.h"

bool ShellHasDeskBands(uint32_t major, uint32_t minor) {
  return (major > 3 && minor > 70) || major > 4;
}

int32_t TrayTargetWidth(int32_t tickerSize, int32_t screenWidth) {
  if (tickerSize >= 4) return tickerSize;
  return screenWidth / (tickerSize > 0 ? tickerSize : 3);
}

bool TrayGrowth::AddedIcon(int32_t width, int32_t height) {
  ++icons_;
  if (width == start_) {
    // Not resized yet: count the icon as square-ish, the area's height less its border.
    estimate_ += height - 4;
    width = estimate_;
  }
  width_ = width;
  if (icons_ >= kMaxTrayPlaceholders) return false;
  return width_ - start_ < target_ && width_ + 80 < screenWidth_;
}

int32_t TrayGrowth::TrayIconWidth() const {
  if (icons_ == 0) return 0;
  // Shutdown takes 0 to mean that no icons were added: never report 0 once some were.
  const int32_t w = Grown() / icons_;
  return w > 0 ? w : 1;
}

int32_t TrayGrowth::DockedWidth() const {
  const int32_t w = Grown() - 3;
  return w > 0 ? w : 0;
}

TrayLayout LayOutTray(const TrayLayoutInput& in) {
  TrayLayout out;
  out.trayBaseline = in.trayBaseline;
  out.trayBaselinePending = in.trayBaselinePending;
  if (in.areaBottom + 1 > in.screenHeight) {
    out.action = TrayLayout::kHidden;
    return out;
  }
  const int32_t n = in.areaWidth;
  if (n > in.dockedWidth && out.trayBaselinePending) {
    out.trayBaseline = n;
    out.trayBaselinePending = false;
  }
  if (!out.trayBaselinePending && n != out.trayBaseline && !in.refreshRunning &&
      in.tickCounter > 0) {
    out.action = TrayLayout::kRestart;
    return out;
  }
  const int32_t k = in.clockWidth < in.clockNow ? in.clockWidth : in.clockNow;
  int32_t e = out.trayBaselinePending ? 0 : n - out.trayBaseline;
  if (e < 0) e = 0;
  out.x = n - (in.dockedWidth + k + e);
  out.action = TrayLayout::kPlace;
  return out;
}
