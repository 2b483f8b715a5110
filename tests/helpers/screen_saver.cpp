// A screen saver as the ticker sees one: a black "WindowsScreenSaverClass" window over the whole
// screen. With the argument "desktop=NAME" the window is made on a new desktop of that name, as
// Windows NT runs screen savers. WM_CLOSE ends it, as a key press ends a real one.
#include <windows.h>

#include <cstring>

namespace {
LRESULT CALLBACK SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (const char* name = std::strstr(commandLine, "desktop=")) {
    HDESK desktop = CreateDesktopA(name + 8, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop != nullptr) SetThreadDesktop(desktop);
  }
  WNDCLASSA wc = {};
  wc.lpfnWndProc = SaverProc;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "WindowsScreenSaverClass";
  RegisterClassA(&wc);
  HWND saver = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Screen saver",
                               WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                               GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance, nullptr);
  SetTimer(saver, 1, 180000, nullptr);  // never outlive a forgotten test
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  return 0;
}
