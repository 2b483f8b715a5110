// A ticker that never gives way: an "SSBar" window with a child that counts the restart requests
// it receives and ignores them. WM_APP+1 answers the count; WM_CLOSE ends it.
#include <windows.h>

#include "window/timers.h"

namespace {
LONG g_requests = 0;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kRestartRequestMessage: ++g_requests; return 0;
    case WM_APP + 1: return g_requests;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = instance;
  wc.lpszClassName = "SSBar";
  RegisterClassA(&wc);
  HWND frame = CreateWindowExA(WS_EX_TOOLWINDOW, "SSBar", "stubborn", WS_POPUP | WS_VISIBLE, 0, 0,
                               200, 20, nullptr, nullptr, instance, nullptr);
  CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, frame, nullptr, instance,
                  nullptr);
  SetTimer(frame, 1, 120000, nullptr);  // never outlive a forgotten test
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  return 0;
}
