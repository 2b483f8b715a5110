// What the stand-in taskbar answers besides the shell's own messages, for the tests that ask it.
#pragma once

#include <windows.h>

constexpr UINT kIconCountMessage = WM_APP + 1;     // answers the number of icons
constexpr UINT kOwnIconCountMessage = WM_APP + 2;  // answers how many the taskbar window owns
constexpr int kStandInIconWidth = 20;              // each icon widens the area by this much
