// Whether a copy of the program was installed for one user alone: its folder lies inside that
// user's own application data. Such a copy keeps its settings and its desk band registration
// under the user's keys, whatever else the user may write.
#pragma once

// True when `path` is `folder` or lies beneath it. Both are Windows paths; letters compare
// without regard to case, "/" and "\" alike, a trailing separator on either side does not count
// and a leading "\\?\" is ignored. An empty folder contains nothing.
bool IsWithinFolder(const char* path, const char* folder);
