// Reading the strip without the mouse: the keyboard's moves over a strip of three items, and the
// names, step intervals and hotkey values that reading rests on.
#include "strip/keyboard_reading.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TickerItem Item(int32_t x, int32_t width, const char* link = "") {
  TickerItem item = {};
  item.x = x;
  item.width = width;
  std::strcpy(item.link, link);
  return item;
}

TEST(KeyboardReading, MovesNamesIntervalsAndHotkeys) {
  using K = ReadingKey;
  const struct {
    int32_t current, count;
    K key;
    int32_t to;
  } moves[] = {
      {0, 3, K::kRight, 1},  {2, 3, K::kRight, 0}, {0, 3, K::kLeft, 2},  {1, 3, K::kLeft, 0},
      {1, 3, K::kHome, 0},   {1, 3, K::kEnd, 2},   {7, 3, K::kRight, 1}, {-1, 3, K::kLeft, 2},
      {0, 0, K::kRight, -1}, {0, 1, K::kLeft, 0},
  };
  for (const auto& m : moves) {
    EXPECT_EQ(MoveReadingItem(m.current, m.count, m.key), m.to) << m.current << " of " << m.count;
  }

  // Three items on a strip 600 wide; the scroll area starts at 20.
  const TickerItem items[] = {Item(0, 200), Item(200, 150), Item(350, 250, "http://a")};
  const struct {
    int32_t offset, reading, clientX0, clientX2;
  } places[] = {
      {0, 0, 0, 350},
      {-20, 0, 20, 370},
      {190, 1, 410, 160},
      {590, 0, 10, 360},
      {ReadingOffset(350, 20), 2, 274, 24},
      {-600, 0, 0, 350},
  };
  for (const auto& p : places) {
    EXPECT_EQ(ItemAtReadingPosition(items, 3, 600, p.offset, 20), p.reading) << p.offset;
    EXPECT_EQ(ItemClientX(items[0].x, 200, p.offset, 600, 20), p.clientX0) << p.offset;
    EXPECT_EQ(ItemClientX(items[2].x, 250, p.offset, 600, 20), p.clientX2) << p.offset;
  }
  EXPECT_EQ(ItemAtReadingPosition(items, 0, 0, 0, 20), -1);
  EXPECT_TRUE(IsMarkedSlot(950, 350, 600));
  EXPECT_FALSE(IsMarkedSlot(951, 350, 600));
  EXPECT_TRUE(IsMarkedSlot(5, 5, 0));

  const struct {
    const char* text;
    size_t capacity;
    const char* name;
  } names[] = {
      {"Markets rally  \x95  ", 100, "Markets rally"},
      {"Business:    ", 100, "Business:"},
      {"  INTC 31.5 +0.25  ", 100, "INTC 31.5 +0.25"},
      {"Sponsor text  \x95", 100, "Sponsor text"},
      {"a \x95 b\t\x01 c", 100, "a b c"},
      {"abcdef", 4, "abc"},
      {"ab cd", 4, "ab"},
      {"  \x95  ", 100, ""},
  };
  for (const auto& n : names) {
    char out[100];
    EXPECT_EQ(AccessibleItemName(n.text, out, n.capacity), std::strlen(n.name));
    EXPECT_STREQ(out, n.name);
  }

  const int32_t speeds[] = {-5, 1, 2, 5, 8, 99};
  const uint32_t intervals[] = {10000, 10000, 9000, 6000, 3000, 3000};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(StepIntervalMs(speeds[i]), intervals[i]);

  StripReading r;
  r.textColor = 1, r.linkColor = 2, r.highlightTextColor = 3, r.windowColor = 4;
  EXPECT_EQ(ReadingTextColor(r, items[2], 77, true), 77u);
  EXPECT_EQ(ReadingBackground(r, 88), 88u);
  r.highContrast = 1;
  EXPECT_EQ(ReadingTextColor(r, items[0], 77, false), 1u);
  EXPECT_EQ(ReadingTextColor(r, items[2], 77, false), 2u);
  EXPECT_EQ(ReadingTextColor(r, items[2], 77, true), 3u);
  EXPECT_EQ(ReadingBackground(r, 88), 4u);

  const struct {
    uint32_t value;
    bool none;
    uint32_t key, mods;
    const char* name;
  } hotkeys[] = {
      {kDefaultPauseHotkey, false, 'P', 3, "Ctrl+Alt+P"},
      {0x064E, false, 'N', 3, "Ctrl+Alt+N"},
      {PackHotkey(0x7B, kHotkeyShift), false, 0x7B, 4, "Shift+F12"},
      {PackHotkey(0x25, kHotkeyExt), false, 0x25, 0, "Key 37"},
      {0, true, 0, 0, "None"},
      {0x0600, true, 0, 0, "None"},
      {0x10650, true, 0, 0, "None"},
  };
  for (const auto& h : hotkeys) {
    const HotkeyParts parts = SplitHotkey(h.value);
    EXPECT_EQ(parts.none, h.none) << h.value;
    EXPECT_EQ(parts.virtualKey, h.key) << h.value;
    EXPECT_EQ(parts.registerModifiers, h.mods) << h.value;
    char name[32];
    DescribeHotkey(h.value, name, sizeof name);
    EXPECT_STREQ(name, h.name);
  }
  EXPECT_EQ(kDefaultFocusHotkey, 0x064Eu);
}

}  // namespace
