// The strip for everyone: the pause that stays, the hotkeys, reading with the keyboard, one
// headline at a time when animations are off, and the system colours of high contrast.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Window creation: "Paused", "Step Headlines" and the system's look are read, the hotkeys
// registered. Window destruction: the hotkeys are given back.
void StartReading(HWND ticker);
void EndReading(HWND ticker);

// The messages of reading: WM_HOTKEY, the keys while the strip has the keyboard, WM_SETFOCUS and
// WM_KILLFOCUS, WM_CONTEXTMENU, WM_GETOBJECT, WM_SETTINGCHANGE and WM_SYSCOLORCHANGE.
LRESULT OnReadingMessage(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam);

// "Pause" in the menu and the pause hotkey: stops or resumes the strip, and stores it.
void TogglePause(HWND ticker);

// Every scroll tick, before scrolling: a new list is announced once; while stepping, the strip
// shows one item at a time and true is returned (nothing scrolls).
bool RunReadingTick(HWND ticker);
// Every housekeeping tick: a hotkey that could not be registered is said on the strip once, and
// the system's look is checked (a docked ticker gets no setting-change messages).
void ReadingHousekeeping(HWND ticker);
// Every mouse message: to the pause mark's tip.
void RelayToPauseTip(HWND ticker, UINT message, WPARAM wParam, LPARAM lParam);

// After the Ticker tab stored new hotkeys or "Step Headlines": registers the hotkeys again.
// Writes the names of those another program holds into `taken` (empty when none).
void ReadingSettingsChanged(HWND ticker, char* taken, size_t capacity);

// The keyboard's item and the default action of an item (also the screen reader's): the item is
// scrolled into reading position, and its link opens as a double click on it would open it.
void FocusReadingItem(HWND ticker, int32_t index);
void OpenReadingItem(HWND ticker, int32_t index);
