// Placement commands.
#include "window/placement_commands_win.h"

#include "res/resource.h"
#include "shell/shutdown_win.h"
#include "window/ticker_state_win.h"

void RunPlacementCommand(int commandId) {
  TickerWindowState& t = Ticker();
  SettingsStore& s = Settings();
  // "Fit To Caption" always comes with "Always On Top"; "Always On Bottom" excludes both.
  switch (commandId) {
    case IDM_ALWAYS_ON_TOP:
      if (t.alwaysOnTop == 0) {
        s.WriteSetting(SettingId::kAlwaysOnTop, 1);
        if (t.glueToDesktop != 0) s.WriteSetting(SettingId::kAlwaysOnBottom, 0);
      } else {
        s.WriteSetting(SettingId::kAlwaysOnTop, 0);
        if (t.fitToCaption != 0) {
          s.WriteSetting(SettingId::kFitToCaption, 0);
          s.WriteSetting(SettingId::kFollowCaption, 0);
        }
      }
      break;
    case IDM_GLUE_TO_DESKTOP:
      if (t.glueToDesktop == 0) {
        s.WriteSetting(SettingId::kAlwaysOnBottom, 1);
        if (t.alwaysOnTop != 0) s.WriteSetting(SettingId::kAlwaysOnTop, 0);
        if (t.fitToCaption != 0) {
          s.WriteSetting(SettingId::kFitToCaption, 0);
          s.WriteSetting(SettingId::kFollowCaption, 0);
        }
      } else {
        s.WriteSetting(SettingId::kAlwaysOnBottom, 0);
      }
      break;
    case IDM_FIT_TO_CAPTION:
      if (t.fitToCaption == 0) {
        s.WriteSetting(SettingId::kFitToCaption, 1);
        if (t.glueToDesktop != 0) s.WriteSetting(SettingId::kAlwaysOnBottom, 0);
        if (t.alwaysOnTop == 0) s.WriteSetting(SettingId::kAlwaysOnTop, 1);
      } else {
        s.WriteSetting(SettingId::kFitToCaption, 0);
        s.WriteSetting(SettingId::kFollowCaption, 0);
      }
      break;
    default: return;
  }
  RestartProgram();
}

void ToggleTaskbarDocking() {
  // `undocked` stays as it is, so a floating frame's position is saved on the way out.
  Settings().WriteSetting(SettingId::kDockInTaskbar, Ticker().undocked != 0 ? 0 : 1);
  RemoveTrayPlaceholders();
  RestartProgram();
}
