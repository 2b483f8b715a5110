// Screen-saver mode.
#include "shell/screensaver_win.h"

bool CreateScreenSaverBar() {
  // Not built yet: start-up goes on with the ordinary hosts.
  return false;
}
