// Mouse input.
#include "window/mouse_win.h"

void OnTickerLeftDown(HWND, WPARAM, LPARAM) {}
void OnTickerMouseMove(HWND, WPARAM, LPARAM) {}
void OnTickerLeftUp(HWND, WPARAM, LPARAM) {}
void OnTickerDoubleClick(HWND, WPARAM, LPARAM) {}
void OnTickerRightDown(HWND, WPARAM, LPARAM) {}
void OnTickerRightUp(HWND, WPARAM, LPARAM) {}
void OnJumpRequest(HWND, WPARAM) {}
void ShowContextMenu(HWND) {}
void SearchBoxUpkeep(HWND) {}
void OnSearchBoxEnter(HWND) {}
