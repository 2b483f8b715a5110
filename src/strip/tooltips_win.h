// The tips of the strip, the logo button, the search button, the next-topic button and the grip.
#pragma once

#include <windows.h>

#include <cstddef>
#include <mutex>

constexpr size_t kLogoTipSize = 100;

// What the tooltips keep besides their windows; one member of the ticker's state.
struct TooltipRecord {
  // The logo tip's text; the strip tip's text is the ticker's "Last Stock Update" buffer. Both
  // outlive the tip windows, which point at them and are recreated on every resize.
  char logoTip[kLogoTipSize] = "";
  // The refresh worker stamps the strip tip while the user-interface thread may be recreating
  // the tips: the handle and the stamp buffer are read and written under this lock.
  std::mutex lock;
  bool commonControlsReady = false;
};

// Replaces all tooltip windows for a client area of bounds.right x bounds.bottom; bounds.top is
// the top of the strip and logo tools.
void CreateTooltips(HWND ticker, const RECT& bounds);
void RelayToTooltips(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam);
// Copies the text into the logo tip's buffer and shows it on the logo button.
void SetLogoTip(const char* text);
const char* LogoTipText();
// Stores a new "Last Stock Update" stamp (null: keep the stored one) and shows it on the strip.
// Safe to call from the refresh worker.
void SetStripTip(const char* stamp = nullptr);
void DestroyTooltips();
