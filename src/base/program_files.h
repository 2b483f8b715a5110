// The program's own file name: what the update manifest lists, what a restart and a hand-off
// start, and what the update replaces.
#pragma once

constexpr const char* kProgramFileName = "Ticker.exe";
