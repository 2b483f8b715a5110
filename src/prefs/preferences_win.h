// The preferences sheet.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// The open sheet, one at most; the ticker's record holds it.
struct PreferencesSheet {
  HWND window = nullptr;
  int32_t closed = 0;  // OK or Cancel ended the sheet; destroyed before the next message
  // A page changed something that needs new content; the housekeeping tick starts a refresh for
  // it once the sheet has gone. Atomic, as the other flags that a refresh answers to.
  std::atomic<int32_t> settingsChanged{0};
};

// Opens the modeless preferences sheet unless one is open.
void OpenPreferencesSheet(HWND ticker);

// A page refused its Apply: the OK being handled leaves the sheet open.
void NoteApplyRefused();
