// Looking at real windows from a test: finding them, reading their pixels and rectangles, and
// waiting for something to happen while messages keep flowing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

// A copy of a window's client area (or of a device context's bitmap), 32 bits per pixel.
class PixelGrab {
 public:
  int width = 0;
  int height = 0;
  // The pixel as a COLORREF (red in the low byte); CLR_INVALID outside the grab.
  COLORREF At(int x, int y) const;
  // How many pixels of the rectangle [left, right) x [top, bottom) have the colour.
  int Count(int left, int top, int right, int bottom, COLORREF color) const;
  std::vector<uint32_t> bits;  // 0x00RRGGBB, top row first
};

// The client area as shown on screen (BitBlt from the window's device context).
PixelGrab GrabClient(HWND window);
// The window's client area as the screen shows it (works for other processes' windows).
PixelGrab GrabFromScreen(HWND window);
// What a device context holds in the given size (BitBlt from the DC).
PixelGrab GrabDc(HDC dc, int width, int height);

// The first top-level window of the class (and title, when given), or null; and all of them.
HWND FindTopLevel(const char* className, const char* title = nullptr);
std::vector<HWND> FindTopLevels(const char* className, const char* title = nullptr);
// The first child of the class, or null.
HWND FindChild(HWND parent, const char* className);

RECT ClientRectOnScreen(HWND window);

// Pumps messages until the condition holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Reads a number or text straight from the ticker's registry key (HKLM, else HKCU).
bool ReadRegistryNumber(const char* name, DWORD* value);
bool ReadRegistryText(const char* name, char* buffer, DWORD capacity);
void WriteRegistryNumber(const char* name, DWORD value);
void WriteRegistryText(const char* name, const char* text);
void DeleteRegistryValue(const char* name);
