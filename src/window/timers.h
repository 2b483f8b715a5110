// The ticker window's timers and private messages, and the refresh period.
#pragma once

#include <cstdint>

constexpr uintptr_t kScrollTimer = 2;        // every 50 ms: scroll and paint the strip
constexpr uintptr_t kRefreshTimer = 3;       // every "News Refresh" minutes: start a refresh
constexpr uintptr_t kHousekeepingTimer = 4;  // every second
constexpr uint32_t kScrollPeriodMs = 50;
constexpr uint32_t kHousekeepingPeriodMs = 1000;

constexpr uint32_t kRestartRequestMessage = 0x0400 + 101;  // WM_USER+101: a new instance asks to end
constexpr uint32_t kShowItemMessage = 0x0400 + 103;        // WM_USER+103: wParam = slot index
// WM_APP+80: posted once the first strip is drawn (or by the first housekeeping tick, should no
// strip come): the start-up work that the first paint does not need.
constexpr uint32_t kFinishStartMessage = 0x8000 + 80;
// WM_APP+81: posted when the ticker window is made: its first refresh cycle. Not the menu's
// "Update now", whose repaint of the whole window would hold the cycle back until it is done.
constexpr uint32_t kFirstCycleMessage = 0x8000 + 81;
// WM_APP+78: writes a text report of the strip into the shared memory named kStripReportName,
// which the asker has created (kStripReportSize bytes): a first line "offset forward filled drawn",
// then one line per real item, "colorIndex|tallFont|startsSection|text|link". Answers 1 when
// written. For diagnostics and the end-to-end tests.
constexpr uint32_t kDescribeStripMessage = 0x8000 + 78;
// WM_APP+79: the default action of the screen reader's child wParam, run on the window's thread.
constexpr uint32_t kReadingActionMessage = 0x8000 + 79;
constexpr const char* kStripReportName = "NewsrailStripReport";
constexpr uint32_t kStripReportSize = 65536;

// "News Refresh" in minutes as a timer period. A missing value (0) would make the timer fire as
// fast as the system allows and a huge one would overflow the period: keep 1 minute to 1 day.
constexpr uint32_t RefreshPeriodMs(int32_t newsRefreshMinutes) {
  int32_t minutes = newsRefreshMinutes;
  if (minutes < 1) minutes = 1;
  if (minutes > 1440) minutes = 1440;
  return static_cast<uint32_t>(minutes) * 60000u;
}
