// The update hand-off: the copy "tlxtemp.exe" putting itself in the place of "Ticker.exe" and
// running the post-update step, and a start of "Ticker.exe" finishing what an interrupted
// hand-off left. The program file is replaced in one step (written beside, flushed, renamed over
// the old one), so that whatever stops a hand-off leaves one whole program; the marker
// "update.pending" makes the next start finish the rest.
#pragma once

#include <windows.h>

// The old program, about to end for the hand-off: marks it as under way. False if the mark could
// not be written.
bool MarkHandOffBegun();

// Runs as "tlxtemp.exe": checks itself against the manifest beside it, replaces "Ticker.exe",
// checks the result and runs the post-update step; the caller then restarts "Ticker.exe R". A copy
// that is not the manifest's program replaces nothing.
void FinishUpdateHandOff(const char* copyPath);

// At every start of "Ticker.exe": finishes or gives up a hand-off that was cut off, and removes
// what an update leaves. False when this process handed off to the copy again and must end now.
bool SettlePendingUpdate(bool restartStart);
