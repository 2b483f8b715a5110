// The placement commands of the context menu and the taskbar dock toggle. Each writes the
// registry and restarts the program, which builds the windows for the new mode.
#pragma once

void RunPlacementCommand(int commandId);
void ToggleTaskbarDocking();
