// The least a Win32 program can do on screen: one window the size of the ticker's frame, painted
// once. The start-up benchmark times it beside Ticker.exe under the same Wine, which takes Wine's
// own start-up cost out of the comparison. After its first paint the title becomes "Painted".
//
// With the argument "tick" it also copies a prepared 1024 x 28 picture to the window every 50 ms,
// three pixels further each time: the floor under what scrolling a strip can cost under Wine.
#include <windows.h>

namespace {

HDC frameDc = nullptr;
int shift = 0;

void CopyFrame(HWND window) {
  HDC dc = GetDC(window);
  BitBlt(dc, 0, 1, 1024, 28, frameDc, shift, 0, SRCCOPY);
  ReleaseDC(window, dc);
  shift = (shift + 3) % 1024;
}

void PrepareFrame(HWND window) {
  HDC dc = GetDC(window);
  frameDc = CreateCompatibleDC(dc);
  SelectObject(frameDc, CreateCompatibleBitmap(dc, 2048, 28));
  ReleaseDC(window, dc);
  for (int x = 0; x < 2048; x += 64) TextOutA(frameDc, x, 4, "Headline", 8);
}

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      SetTextColor(dc, RGB(255, 255, 255));
      SetBkMode(dc, TRANSPARENT);
      TextOutA(dc, 20, 4, "Headline", 8);
      EndPaint(window, &ps);
      GdiFlush();
      char title[16];
      GetWindowTextA(window, title, sizeof title);
      if (lstrcmpA(title, "Painted") != 0) SetWindowTextA(window, "Painted");
      return 0;
    }
    case WM_TIMER: CopyFrame(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  WNDCLASSA c = {};
  c.lpfnWndProc = BareWindowProc;
  c.hInstance = instance;
  c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  c.lpszClassName = "NewsrailBareWindow";
  if (RegisterClassA(&c) == 0) return 1;
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, c.lpszClassName, "Bare", WS_POPUP, 0, 300, 1026,
                                30, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (lstrcmpA(arguments, "tick") == 0) {
    PrepareFrame(window);
    SetTimer(window, 1, 50, nullptr);
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
