// Tooltips.
#include "strip/tooltips_win.h"

void CreateTooltips(HWND, const RECT&) {}
void RelayToTooltips(HWND, UINT, WPARAM, LPARAM) {}
void SetLogoTip(const char*) {}
void SetStripTip() {}
void DestroyTooltips() {}
