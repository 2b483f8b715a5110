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

PixelGrab GrabFromScreen(HWND window) {
  const RECT r = ClientRectOnScreen(window);
  HDC screen = GetDC(nullptr);
  PixelGrab grab;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width > 0 && height > 0) {
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    grab = GrabDc(memory, width, height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
  }
  ReleaseDC(nullptr, screen);
  return grab;
}

namespace {
bool HasClass(HWND window, const char* className) {
  char name[101];
  return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, className) == 0;
}

struct TopLevelSearch {
  const char* className;
  const char* title;
  std::vector<HWND>* found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TopLevelSearch*>(context);
  if (!HasClass(window, search->className)) return TRUE;
  if (search->title != nullptr) {
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    if (lstrcmpA(title, search->title) != 0) return TRUE;
  }
  search->found->push_back(window);
  return TRUE;
}
}  // namespace

// By enumeration and class name: Wine's FindWindow by class can miss a class that another
// process registered after an earlier registration of the same name went away.
std::vector<HWND> FindTopLevels(const char* className, const char* title) {
  std::vector<HWND> found;
  TopLevelSearch search{className, title, &found};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return found;
}

HWND FindTopLevel(const char* className, const char* title) {
  const std::vector<HWND> found = FindTopLevels(className, title);
  return found.empty() ? nullptr : found.front();
}

HWND FindChild(HWND parent, const char* className) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (HasClass(child, className)) return child;
  }
  return nullptr;
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
