// Placement commands.
#include "window/placement_commands_win.h"

#include "desktop/taskbar_win.h"
#include "res/resource.h"
#include "shell/shutdown_win.h"
#include "window/placement.h"
#include "window/ticker_state_win.h"

void RunPlacementCommand(int commandId) {
  PlacementCommand command;
  switch (commandId) {
    case IDM_ALWAYS_ON_TOP: command = PlacementCommand::kAlwaysOnTop; break;
    case IDM_GLUE_TO_DESKTOP: command = PlacementCommand::kGlueToDesktop; break;
    case IDM_FIT_TO_CAPTION: command = PlacementCommand::kFitToCaption; break;
    default: return;
  }
  const TickerWindowState& t = Ticker();
  PlacementModes now;
  now.alwaysOnTop = t.alwaysOnTop != 0;
  now.glueToDesktop = t.glueToDesktop != 0;
  now.fitToCaption = t.fitToCaption != 0;
  for (const SettingWrite& write : PlacementCommandWrites(command, now)) {
    Settings().WriteSetting(write.id, write.value);
  }
  RestartProgram();
}

void ToggleTaskbarDocking() {
  // Without a taskbar the new process could only give up docking again, and on its way would
  // store the caption placement over the user's own; the menu greys the item, and this holds
  // for the command from anywhere else too.
  if (Ticker().undocked != 0 && !TaskbarToDockIn()) return;
  // `undocked` stays as it is, so a floating frame's position is saved on the way out.
  Settings().WriteSetting(SettingId::kDockInTaskbar, Ticker().undocked != 0 ? 0 : 1);
  RemoveTrayPlaceholders(Ticker().dock);
  RestartProgram();
}
