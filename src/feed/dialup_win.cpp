// Dial-up connection management.
#include "feed/dialup_win.h"

// Dialling comes with the dial-up support; until then every fetch uses the connection as it is.
void DialIfNeeded() {}

void HangUpIfDialled() {}
