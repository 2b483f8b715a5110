// The tips of the strip, the logo button, the search button, the next-topic button and the grip.
#pragma once

#include <windows.h>

#include <cstddef>
#include <mutex>

#include "settings/settings_table.h"
#include "strip/panel_geometry.h"

constexpr size_t kLogoTipSize = 100;

// The tooltips' windows and texts; one member of the ticker's state.
struct TooltipRecord {
  HWND stripTip = nullptr, logoTip = nullptr, searchTip = nullptr, navigationTip = nullptr;
  // The logo tip's text and the strip tip's, the "Last Stock Update" stamp. Both outlive the tip
  // windows, which point at them and are recreated on every resize.
  char logoText[kLogoTipSize] = "";
  char lastStockUpdate[kTextValueSize] = "";
  // The refresh worker stamps the strip tip while the user-interface thread may be recreating
  // the tips: the handle and the stamp buffer are read and written under this lock.
  std::mutex lock;
  bool commonControlsReady = false;
};

// Replaces all tooltip windows for the panel's layout (made with the tools' top where the strip
// and logo tools start).
void CreateTooltips(TooltipRecord& tips, HWND ticker, const PanelLayout& layout);
void RelayToTooltips(const TooltipRecord& tips, HWND ticker, UINT message, WPARAM wParam,
                     LPARAM lParam);
// Copies the text into the logo tip's buffer and shows it on the logo button.
void SetLogoTip(TooltipRecord& tips, HWND ticker, const char* text);
// Stores a new "Last Stock Update" stamp (null: keep the stored one) and shows it on the strip.
// Safe to call from the refresh worker.
void SetStripTip(TooltipRecord& tips, HWND ticker, const char* stamp = nullptr);
void DestroyTooltips(TooltipRecord& tips);
