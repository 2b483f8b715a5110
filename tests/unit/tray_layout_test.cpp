// Docking arithmetic: desk bands by shell version, and the notification area's room.
#include "desktop/tray_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(ShellHasDeskBands, From471On) {
  const struct {
    uint32_t major, minor;
    bool bands;
  } rows[] = {{0, 0, false}, {4, 0, false}, {4, 70, false}, {4, 71, true},
              {4, 72, true}, {5, 0, true},  {6, 0, true},   {3, 99, false}};
  for (const auto& row : rows) {
    EXPECT_EQ(ShellHasDeskBands(row.major, row.minor), row.bands) << row.major << "." << row.minor;
  }
}

TEST(TrayTargetWidth, PixelsOrADivisorOfTheScreen) {
  const struct {
    int32_t tickerSize, target;
  } rows[] = {{4, 4}, {341, 341}, {2, 512}, {1, 1024}, {0, 341}, {-7, 341}, {3, 341}};
  for (const auto& row : rows) {
    EXPECT_EQ(TrayTargetWidth(row.tickerSize, 1024), row.target) << row.tickerSize;
  }
}

// A notification area that grows by perIcon pixels per icon, at once or only later.
TEST(TrayGrowth, AddsIconsUntilTheAreaGrewByTheTargetOrNearlyFillsTheScreen) {
  const struct {
    const char* shell;
    int32_t target, perIcon, height;
    bool late;
    int32_t icons, iconWidth, dockedWidth;
  } rows[] = {
      {"grows at once", 200, 20, 24, false, 10, 20, 197},
      {"rounds up to whole icons", 190, 16, 24, false, 12, 16, 189},
      {"resizes late: height - 4 per icon", 200, 16, 24, true, 10, 20, 197},
      {"stops before width + 80 reaches the screen", 2000, 20, 24, false, 45, 20, 897},
      {"late and flat: the identifiers run out, still counted", 200, 16, 4, true, 200, 1, 0},
      {"adds one icon even for a tiny target", 1, 20, 24, false, 1, 20, 17},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.shell);
    const int32_t start = 54;
    TrayGrowth growth(start, row.target, 1024);
    int32_t added = 0;
    bool more = true;
    while (more && added < 1000) {
      ++added;
      more = growth.AddedIcon(row.late ? start : start + added * row.perIcon, row.height);
    }
    EXPECT_EQ(added, row.icons);
    EXPECT_EQ(growth.Icons(), row.icons);
    EXPECT_EQ(growth.TrayIconWidth(), row.iconWidth);
    EXPECT_EQ(growth.DockedWidth(), row.dockedWidth);
  }
}

TEST(LayOutTray, PlacesLeftOfTheClockAndNoticesOtherIcons) {
  auto input = [](int32_t n, int32_t baseline, bool pending) {
    TrayLayoutInput in;
    in.areaWidth = n;
    in.areaBottom = 766;
    in.clockNow = 50;
    in.clockWidth = 50;
    in.dockedWidth = 197;
    in.trayBaseline = baseline;
    in.trayBaselinePending = pending;
    in.tickCounter = 3;
    return in;
  };
  using A = TrayLayout::Action;
  struct Row {
    const char* what;
    TrayLayoutInput in;
    A action;
    int32_t x, baseline;
    bool pending;
  };
  std::vector<Row> rows = {
      {"captures the baseline", input(254, 0, true), A::kPlace, 7, 254, false},
      {"steady", input(254, 254, false), A::kPlace, 7, 254, false},
      {"not grown yet: no baseline and no restart", input(54, 0, true), A::kPlace, -193, 0, true},
      {"another icon came", input(274, 254, false), A::kRestart, 0, 254, false},
      {"an icon went", input(234, 254, false), A::kRestart, 0, 254, false},
  };
  Row r = {"during a refresh: wait, keep left of the new icon", input(274, 254, false), A::kPlace,
           7, 254, false};
  r.in.refreshRunning = true;
  rows.push_back(r);
  r = {"before the first tick counted", input(274, 254, false), A::kPlace, 7, 254, false};
  r.in.tickCounter = 0;
  rows.push_back(r);
  r = {"narrower area during a refresh", input(234, 254, false), A::kPlace, -13, 254, false};
  r.in.refreshRunning = true;
  rows.push_back(r);
  r = {"the clock narrowed", input(254, 254, false), A::kPlace, 27, 254, false};
  r.in.clockNow = 30;
  rows.push_back(r);
  r = {"the clock widened", input(254, 254, false), A::kPlace, 7, 254, false};
  r.in.clockNow = 70;
  rows.push_back(r);
  r = {"the taskbar hides below the screen", input(274, 254, false), A::kHidden, 0, 254, false};
  r.in.areaBottom = 768;
  rows.push_back(r);
  r = {"the bottom row of the screen is still shown", input(254, 254, false), A::kPlace, 7, 254,
       false};
  r.in.areaBottom = 767;
  rows.push_back(r);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const TrayLayout out = LayOutTray(row.in);
    EXPECT_EQ(out.action, row.action);
    if (row.action == A::kPlace) {
      EXPECT_EQ(out.x, row.x);
    }
    EXPECT_EQ(out.trayBaseline, row.baseline);
    EXPECT_EQ(out.trayBaselinePending, row.pending);
  }
}

}  // namespace
