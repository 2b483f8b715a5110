// The housekeeping tick.
#include "window/housekeeping_win.h"

#include "window/ticker_state.h"

void RunHousekeepingTick(HWND) { ++Ticker().tickCounter; }
