// Start-up marks for the start-up benchmark. Its own build of the program (NEWSRAIL_STARTUP_MARKS)
// notes when each start-up step ended and, at the first strip drawn, writes the moments to
// "startup-marks.txt" beside the program; in the program itself a mark compiles to nothing.
#pragma once

#ifdef NEWSRAIL_STARTUP_MARKS
// step: what ended at this moment (a literal); the last one writes the file.
void StartupMark(const char* step, bool last = false);
#else
inline void StartupMark(const char*, bool = false) {}
#endif
