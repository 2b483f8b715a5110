// Stands in for a web browser that serves DDE as "Iexplore": every request it receives is appended
// to the log file named on its command line as "topic|item". WM_CLOSE to its window ends it.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstring>

namespace {
DWORD g_instance = 0;
HSZ g_service = nullptr;
char g_log[MAX_PATH] = "dde-requests.txt";

void Record(HSZ topic, HSZ item) {
  char t[256] = "";
  char i[2048] = "";
  DdeQueryStringA(g_instance, topic, t, sizeof t, CP_WINANSI);
  DdeQueryStringA(g_instance, item, i, sizeof i, CP_WINANSI);
  if (std::FILE* f = std::fopen(g_log, "ab")) {
    std::fprintf(f, "%s|%s\n", t, i);
    std::fclose(f);
  }
}

HDDEDATA CALLBACK Serve(UINT type, UINT, HCONV, HSZ topic, HSZ item, HDDEDATA, ULONG_PTR,
                        ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT: return reinterpret_cast<HDDEDATA>(TRUE);
    case XTYP_REQUEST: {
      Record(topic, item);
      static const char kAnswer[] = "0x00000001";
      return DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(const_cast<char*>(kAnswer)),
                                 sizeof kAnswer, 0, item, CF_TEXT, 0);
    }
    default: return nullptr;
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (commandLine[0] != '\0') lstrcpynA(g_log, commandLine, sizeof g_log);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = "DdeBrowserStandIn";
  RegisterClassA(&wc);
  CreateWindowA("DdeBrowserStandIn", "dde browser", 0, 0, 0, 0, 0, nullptr, nullptr, instance,
                nullptr);
  if (DdeInitializeA(&g_instance, Serve, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS, 0) !=
      DMLERR_NO_ERROR) {
    return 1;
  }
  g_service = DdeCreateStringHandleA(g_instance, "Iexplore", CP_WINANSI);
  DdeNameService(g_instance, g_service, nullptr, DNS_REGISTER);
  SetTimer(nullptr, 0, 120000, nullptr);  // never outlive a forgotten test
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  DdeNameService(g_instance, g_service, nullptr, DNS_UNREGISTER);
  DdeUninitialize(g_instance);
  return 0;
}
