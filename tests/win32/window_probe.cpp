// Window probes for tests.
#include "win32/window_probe.h"

#include <cstring>

namespace {
const char kKey[] = "SOFTWARE\\Talmora\\Ticker";

HKEY OpenTickerKey(REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, access, &key) == ERROR_SUCCESS) return key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, access, &key) == ERROR_SUCCESS) return key;
  return nullptr;
}
}  // namespace

COLORREF PixelGrab::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const uint32_t p = bits[static_cast<size_t>(y) * width + x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int PixelGrab::Count(int left, int top, int right, int bottom, COLORREF color) const {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (At(x, y) == color) ++n;
    }
  }
  return n;
}

PixelGrab GrabDc(HDC source, int width, int height) {
  PixelGrab grab;
  if (width <= 0 || height <= 0) return grab;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) return grab;
  HDC memory = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  GdiFlush();
  grab.width = width;
  grab.height = height;
  grab.bits.assign(static_cast<const uint32_t*>(bits),
                   static_cast<const uint32_t*>(bits) + static_cast<size_t>(width) * height);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(dib);
  return grab;
}

PixelGrab GrabClient(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  HDC dc = GetDC(window);
  PixelGrab grab = GrabDc(dc, r.right, r.bottom);
  ReleaseDC(window, dc);
  return grab;
}

HWND FindTopLevel(const char* className, const char* title) {
  return FindWindowA(className, title);
}

HWND FindChild(HWND parent, const char* className) {
  return FindWindowExA(parent, nullptr, className, nullptr);
}

RECT ClientRectOnScreen(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

bool ReadRegistryNumber(const char* name, DWORD* value) {
  HKEY key = OpenTickerKey(KEY_READ);
  if (key == nullptr) return false;
  DWORD type = 0;
  DWORD size = sizeof *value;
  const LONG rc =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD;
}

bool ReadRegistryText(const char* name, char* buffer, DWORD capacity) {
  HKEY key = OpenTickerKey(KEY_READ);
  buffer[0] = '\0';
  if (key == nullptr) return false;
  DWORD type = 0;
  DWORD size = capacity - 1;
  const LONG rc =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return false;
  buffer[size] = '\0';
  return true;
}

void WriteRegistryNumber(const char* name, DWORD value) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void WriteRegistryText(const char* name, const char* text) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(key);
}

void DeleteRegistryValue(const char* name) {
  HKEY key = OpenTickerKey(KEY_ALL_ACCESS);
  if (key == nullptr) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}
