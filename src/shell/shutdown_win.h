// Ending the process: releasing the ticker window's resources, restarting with "R", and handing
// off to the update copy.
#pragma once

#include <windows.h>

void ShutdownTicker(HWND ticker);
[[noreturn]] void RestartProgram();
void RelaunchAtExit();
void HandOffAtExit();
// Registers HandOffAtExit unless another at-exit start is registered; false if one is.
bool RegisterHandOffAtExit();
