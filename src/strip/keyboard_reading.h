// Reading the strip without the mouse: the keyboard's moves from item to item, where an item
// stands to be read, the name a screen reader says for it, the still strip's step interval, the
// colours of high contrast, and the hotkeys' stored form.
#pragma once

#include <cstddef>
#include <cstdint>

#include "strip/item_list.h"
#include "base/rect.h"

// What the painter and the scroll tick need to know of pausing and reading. User-interface
// thread only.
struct StripReading {
  int32_t paused = 0;      // "Paused": stands still until the user resumes
  int32_t keyboard = 0;    // the keyboard has the strip (it stands still meanwhile)
  int32_t focusItem = -1;  // the keyboard's item, a real item's index
  int32_t stepping = 0;    // one item at a time instead of scrolling
  int32_t stepItem = 0;    // the item shown while stepping
  int32_t markX = 0;       // strip x of the focused or shown item
  uint32_t stepElapsedMs = 0;
  int32_t highContrast = 0;
  // The system colours in high contrast (COLORREFs).
  uint32_t windowColor = 0, textColor = 0, linkColor = 0, highlightColor = 0,
           highlightTextColor = 0;
};

// The strip moves only when neither the user's pause nor the keyboard holds it.
inline bool StripStandsStill(const StripReading& r) { return r.paused != 0 || r.keyboard != 0; }

enum class ReadingKey { kLeft, kRight, kHome, kEnd };

// The item the keyboard goes to from `current`; the strip is endless, so Left on the first item
// goes to the last and Right on the last to the first. -1 when there is no item; a current item
// outside the list counts as the first.
int32_t MoveReadingItem(int32_t current, int32_t itemCount, ReadingKey key);

// Pixels between the scroll area's left edge and an item in reading position.
constexpr int32_t kReadingMargin = 4;
// The offset that puts an item whose strip x is itemX into reading position.
inline int32_t ReadingOffset(int32_t itemX, int32_t areaLeft) {
  return itemX - areaLeft - kReadingMargin;
}

// The first real item that reaches past the reading position: the one being read now.
// -1 for an empty strip.
int32_t ItemAtReadingPosition(const TickerItem* items, int32_t itemCount, int32_t stripWidth,
                              int32_t offset, int32_t areaLeft);

// Where an item is drawn in the window (client x) for the offset: of its copies one strip width
// apart, the first that reaches past the reading position.
int32_t ItemClientX(int32_t itemX, int32_t itemWidth, int32_t offset, int32_t stripWidth,
                    int32_t areaLeft);

// Whether a slot drawn at strip x is the item at markX or one of its copies.
bool IsMarkedSlot(int32_t x, int32_t markX, int32_t stripWidth);

// The pause mark at the right end of the scroll area: two bars, 9 pixels wide in all.
Rect PauseMarkRect(int32_t areaRight, int32_t height);

// What a screen reader says for an item: its text without the strip's bullets and the spaces
// around them. Writes at most capacity-1 bytes and the NUL; returns the length.
size_t AccessibleItemName(const char* text, char* out, size_t capacity);

// Seconds between steps of the still strip, from "Ticker Speed" 1 (10 s) to 8 (3 s).
uint32_t StepIntervalMs(int32_t tickerSpeed);

// The colour an item's text is drawn in: its topic colour from the scheme, or in high contrast
// the window text, link or highlight text colour.
uint32_t ReadingTextColor(const StripReading& r, const TickerItem& item, uint32_t schemeColor,
                          bool focused);
// The strip's background: the scheme's, or in high contrast the window colour.
uint32_t ReadingBackground(const StripReading& r, uint32_t schemeBackground);

// Hotkeys are stored as the hotkey control gives them: the virtual key in the low byte, the
// HOTKEYF_ modifiers in the next; 0 is none.
constexpr uint32_t kHotkeyShift = 0x01;    // HOTKEYF_SHIFT
constexpr uint32_t kHotkeyControl = 0x02;  // HOTKEYF_CONTROL
constexpr uint32_t kHotkeyAlt = 0x04;      // HOTKEYF_ALT
constexpr uint32_t kHotkeyExt = 0x08;      // HOTKEYF_EXT
constexpr uint32_t PackHotkey(uint32_t virtualKey, uint32_t modifiers) {
  return (virtualKey & 0xFF) | ((modifiers & 0xFF) << 8);
}
constexpr uint32_t kDefaultPauseHotkey = PackHotkey('P', kHotkeyControl | kHotkeyAlt);
constexpr uint32_t kDefaultFocusHotkey = PackHotkey('N', kHotkeyControl | kHotkeyAlt);

// A stored value as RegisterHotKey takes it. `none` for 0, for a value without a key or with
// bits beyond the two bytes (a hand-edited value); registerModifiers are MOD_ALT (1),
// MOD_CONTROL (2) and MOD_SHIFT (4).
struct HotkeyParts {
  bool none;
  uint32_t virtualKey;
  uint32_t registerModifiers;
};
HotkeyParts SplitHotkey(uint32_t value);

// "Ctrl+Alt+P": letters, digits and F1 to F24 by name, other keys by number. "None" for none.
size_t DescribeHotkey(uint32_t value, char* out, size_t capacity);
