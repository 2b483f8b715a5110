// Software update.
#include "update/update_win.h"

// The check comes with the software update; until then the installed program stays as it is.
void CheckForUpdate(HWND, HINTERNET) {}
