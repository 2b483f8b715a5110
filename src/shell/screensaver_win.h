// Running the strip as a bar on the screen saver's desktop.
#pragma once

// Creates the screen-saver bar and its ticker window; false when it could not.
bool CreateScreenSaverBar();
