// Mouse input of the ticker window: hit zones, drags, the jump request, the context menu and the
// search box.
#pragma once

#include <windows.h>

void OnTickerLeftDown(HWND ticker, WPARAM wParam, LPARAM lParam);
void OnTickerMouseMove(HWND ticker, WPARAM wParam, LPARAM lParam);
void OnTickerLeftUp(HWND ticker, WPARAM wParam, LPARAM lParam);
// Another window took the mouse: a width drag ends there.
void OnTickerCaptureLost(HWND ticker);
void OnTickerDoubleClick(HWND ticker, WPARAM wParam, LPARAM lParam);
// Opens what a double click at client x means: the item's link, or at the right-hand end the
// sponsor's page, the portal's page or a search.
void OpenLinkAt(int x, int y);
void OnTickerRightDown(HWND ticker, WPARAM wParam, LPARAM lParam);
void OnTickerRightUp(HWND ticker, WPARAM wParam, LPARAM lParam);
void OnJumpRequest(HWND ticker, WPARAM wParam);
void ShowContextMenu(HWND owner, const POINT* at = nullptr);
void SearchBoxUpkeep(HWND ticker);
void OnSearchBoxEnter(HWND ticker);
