// The keyboard's moves, reading positions, spoken names, step intervals and hotkey values.
#include "strip/keyboard_reading.h"

#include <cstdio>

int32_t MoveReadingItem(int32_t current, int32_t itemCount, ReadingKey key) {
  if (itemCount <= 0) return -1;
  if (current < 0 || current >= itemCount) current = 0;
  switch (key) {
    case ReadingKey::kLeft: return current == 0 ? itemCount - 1 : current - 1;
    case ReadingKey::kRight: return current + 1 == itemCount ? 0 : current + 1;
    case ReadingKey::kHome: return 0;
    case ReadingKey::kEnd: return itemCount - 1;
  }
  return current;
}

int32_t ItemClientX(int32_t itemX, int32_t itemWidth, int32_t offset, int32_t stripWidth,
                    int32_t areaLeft) {
  const int64_t x = static_cast<int64_t>(itemX) - offset;
  if (stripWidth <= 0) return static_cast<int32_t>(x);
  // The right end brought into (reading position, reading position + stripWidth].
  const int64_t reading = static_cast<int64_t>(areaLeft) + kReadingMargin;
  int64_t folded = (x + itemWidth - reading - 1) % stripWidth;
  if (folded < 0) folded += stripWidth;
  return static_cast<int32_t>(reading + 1 + folded - itemWidth);
}

int32_t ItemAtReadingPosition(const TickerItem* items, int32_t itemCount, int32_t stripWidth,
                              int32_t offset, int32_t areaLeft) {
  int32_t best = -1;
  int32_t bestX = 0;
  for (int32_t i = 0; i < itemCount; ++i) {
    const int32_t x = ItemClientX(items[i].x, items[i].width, offset, stripWidth, areaLeft);
    if (best < 0 || x < bestX) {
      best = i;
      bestX = x;
    }
  }
  return best < 0 && itemCount > 0 ? 0 : best;
}

bool IsMarkedSlot(int32_t x, int32_t markX, int32_t stripWidth) {
  const int64_t d = static_cast<int64_t>(x) - markX;
  return stripWidth > 0 ? d % stripWidth == 0 : d == 0;
}

size_t AccessibleItemName(const char* text, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  size_t n = 0;
  bool space = false;
  for (const char* p = text; *p != '\0' && n + 1 < capacity; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0x95 || c <= ' ') {
      space = n > 0;  // a run of blanks and bullets is one space, none at the start
      continue;
    }
    if (space) {
      if (n + 2 >= capacity) break;
      out[n++] = ' ';
      space = false;
    }
    out[n++] = static_cast<char>(c);
  }
  out[n] = '\0';
  return n;
}

uint32_t StepIntervalMs(int32_t tickerSpeed) {
  int32_t speed = tickerSpeed;
  if (speed < 1) speed = 1;
  if (speed > 8) speed = 8;
  return static_cast<uint32_t>(11 - speed) * 1000u;
}

uint32_t ReadingTextColor(const StripReading& r, const TickerItem& item, uint32_t schemeColor,
                          bool focused) {
  if (r.highContrast == 0) return schemeColor;
  if (focused) return r.highlightTextColor;
  return item.link[0] != '\0' ? r.linkColor : r.textColor;
}

uint32_t ReadingBackground(const StripReading& r, uint32_t schemeBackground) {
  return r.highContrast != 0 ? r.windowColor : schemeBackground;
}

HotkeyParts SplitHotkey(uint32_t value) {
  const uint32_t key = value & 0xFF;
  const uint32_t f = (value >> 8) & 0xFF;
  if (key == 0 || (value >> 16) != 0) return HotkeyParts{true, 0, 0};
  uint32_t mods = 0;
  if ((f & kHotkeyAlt) != 0) mods |= 1;
  if ((f & kHotkeyControl) != 0) mods |= 2;
  if ((f & kHotkeyShift) != 0) mods |= 4;
  return HotkeyParts{false, key, mods};
}

size_t DescribeHotkey(uint32_t value, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  const HotkeyParts parts = SplitHotkey(value);
  char key[16];
  if (parts.none) {
    std::snprintf(out, capacity, "None");
  } else {
    const uint32_t k = parts.virtualKey;
    if ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9')) {
      std::snprintf(key, sizeof key, "%c", static_cast<char>(k));
    } else if (k >= 0x70 && k <= 0x87) {  // VK_F1 to VK_F24
      std::snprintf(key, sizeof key, "F%u", k - 0x6F);
    } else {
      std::snprintf(key, sizeof key, "Key %u", k);
    }
    std::snprintf(out, capacity, "%s%s%s%s", (parts.registerModifiers & 2) != 0 ? "Ctrl+" : "",
                  (parts.registerModifiers & 4) != 0 ? "Shift+" : "",
                  (parts.registerModifiers & 1) != 0 ? "Alt+" : "", key);
  }
  size_t n = 0;
  while (out[n] != '\0') ++n;
  return n;
}

Rect PauseMarkRect(int32_t areaRight, int32_t height) {
  return Rect{areaRight - 12, 3, areaRight - 3, height > 6 ? height - 3 : 3};
}
