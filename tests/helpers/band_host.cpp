// Hosts the desk band the way the shell does: creates the registered band class through COM,
// sites it in a rebar ("ReBarWindow32") of a taskbar or of a floating band bar, adds its window
// to the rebar and shows it. Prints what it saw; the exit status says whether the band window
// stood where the ticker looks for it.
//
//   band_host [--register=DLL] [--bar=taskbar|basebar] [--parent=CLASS] [--stay]
//
// --register  call DllRegisterServer of this library first (as the ticker does after a download)
// --bar       the top-level made here: "Shell_TrayWnd" (taskbar, the default) or "BaseBar"
// --parent    use the rebar of an existing top-level window of this class (a taskbar stand-in)
//             instead of making one; the band window is then placed by hand, since a rebar of
//             another process cannot be sent a band
// --stay      keep the band shown until the bar is closed (WM_CLOSE); with --parent, until the
//             top-level "VexloBandHost" window made here is closed or the parent rebar goes away
//
// Output: a line "shown class=... parent=... visible=... x= y= width= height= min=WxH max=WxH
// actual=WxH", and after the band is released "released site-refs=N unloaded=0|1".
// Exit status: 0 all well; 2 registration failed; 3 no rebar; 4 the band class could not be
// created; 5 SetSite failed; 6 the band window is not a visible "VexloDeskBandClass" child of
// the rebar; 7 the band kept a reference to its site or the library stayed loaded.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>

#include "deskband_ids.h"

namespace {

constexpr char kHostWindowClass[] = "VexloBandHost";
constexpr UINT_PTR kParentWatchTimer = 1;

// What a band site offers a band: its window (the rebar) and focus notifications.
class BandSite final : public IOleWindow, public IInputObjectSite {
 public:
  explicit BandSite(HWND rebar) : rebar_(rebar) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow)) {
      *object = static_cast<IOleWindow*>(this);
    } else if (IsEqualIID(riid, IID_IInputObjectSite)) {
      *object = static_cast<IInputObjectSite*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  // Owned by main for the whole run: the count is only watched, never frees.
  STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&references_); }
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_INVALIDARG;
    *window = rebar_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }
  LONG References() const { return references_; }

 private:
  HWND rebar_;
  LONG references_ = 1;
};

const char* Option(int argc, char** argv, const char* prefix) {
  const size_t n = std::strlen(prefix);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], prefix, n) == 0) return argv[i] + n;
  }
  return nullptr;
}

bool Register(const char* path) {
  HMODULE library = LoadLibraryA(path);
  if (library == nullptr) return false;
  using RegisterFunction = HRESULT(STDAPICALLTYPE*)();
  auto entry = reinterpret_cast<RegisterFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
  const bool registered = entry != nullptr && SUCCEEDED(entry());
  FreeLibrary(library);
  return registered;
}

LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_SIZE:
      // The rebar fills the bar, as in the taskbar.
      if (HWND rebar = FindWindowExA(window, nullptr, REBARCLASSNAMEA, nullptr)) {
        MoveWindow(rebar, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      }
      return 0;
    case WM_TIMER:
      if (wp == kParentWatchTimer && !IsWindow(reinterpret_cast<HWND>(
                                         GetWindowLongPtrA(window, GWLP_USERDATA)))) {
        DestroyWindow(window);
      }
      return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wp, lp);
  }
}

HWND MakeTopLevel(const char* className, DWORD style, int x, int y, int width, int height) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = BarProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, className, "", style, x, y, width,
                         height, nullptr, nullptr, wc.hInstance, nullptr);
}

HWND MakeRebar(HWND bar) {
  RECT client;
  GetClientRect(bar, &client);
  return CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, "",
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                             RBS_BANDBORDERS | CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE,
                         0, 0, client.right, client.bottom, bar, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

// The rebar of the first top-level window of the class that has one (the shell may keep a hidden
// window of the same class without a rebar); waits up to ten seconds for it to appear.
HWND FindForeignRebar(const char* className) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (HWND top = FindWindowExA(nullptr, nullptr, className, nullptr); top != nullptr;
         top = FindWindowExA(nullptr, top, className, nullptr)) {
      if (HWND rebar = FindWindowExA(top, nullptr, REBARCLASSNAMEA, nullptr)) return rebar;
    }
    Sleep(100);
  }
  return nullptr;
}

void AddToRebar(HWND rebar, HWND bandWindow, const DESKBANDINFO& info) {
  REBARBANDINFOA band = {};
  band.cbSize = sizeof band;
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE | RBBIM_ID;
  band.hwndChild = bandWindow;
  band.cxMinChild = info.ptMinSize.x;
  band.cyMinChild = info.ptActual.y;
  band.cx = info.ptActual.x;
  band.cxIdeal = info.ptActual.x;
  band.wID = 1;
  SendMessageA(rebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

void ReportShown(HWND bandWindow, const DESKBANDINFO& info) {
  char own[64] = "";
  char parent[64] = "";
  RECT r = {};
  if (bandWindow != nullptr) {
    GetClassNameA(bandWindow, own, sizeof own);
    GetClassNameA(GetParent(bandWindow), parent, sizeof parent);
    GetWindowRect(bandWindow, &r);
    MapWindowPoints(nullptr, GetParent(bandWindow), reinterpret_cast<POINT*>(&r), 2);
  }
  std::printf("shown class=%s parent=%s visible=%d x=%ld y=%ld width=%ld height=%ld "
              "min=%ldx%ld max=%ldx%ld actual=%ldx%ld\n",
              own, parent, bandWindow != nullptr && IsWindowVisible(bandWindow) ? 1 : 0, r.left,
              r.top, r.right - r.left, r.bottom - r.top, info.ptMinSize.x, info.ptMinSize.y,
              info.ptMaxSize.x, info.ptMaxSize.y, info.ptActual.x, info.ptActual.y);
  std::fflush(stdout);
}

void RunUntilClosed(IDeskBand* band) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // The shell gives a band with the focus the first look at its keys.
    IInputObject* input = nullptr;
    bool handled = false;
    if (SUCCEEDED(band->QueryInterface(IID_IInputObject, reinterpret_cast<void**>(&input)))) {
      handled = input->HasFocusIO() == S_OK && input->TranslateAcceleratorIO(&msg) == S_OK;
      input->Release();
    }
    if (handled) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

int Run(int argc, char** argv) {
  const char* libraryPath = Option(argc, argv, "--register=");
  if (libraryPath != nullptr && !Register(libraryPath)) return 2;

  const char* parentClass = Option(argc, argv, "--parent=");
  const char* barKind = Option(argc, argv, "--bar=");
  const bool stay = Option(argc, argv, "--stay") != nullptr;
  HWND rebar = nullptr;
  HWND host = nullptr;
  if (parentClass != nullptr) {
    rebar = FindForeignRebar(parentClass);
    if (rebar != nullptr && stay) {
      host = MakeTopLevel(kHostWindowClass, WS_POPUP, 0, 0, 1, 1);
      SetWindowLongPtrA(host, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(rebar));
      SetTimer(host, kParentWatchTimer, 250, nullptr);
    }
  } else {
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    const int sh = GetSystemMetrics(SM_CYSCREEN);
    host = barKind != nullptr && std::strcmp(barKind, "basebar") == 0
               ? MakeTopLevel("BaseBar", WS_POPUP | WS_BORDER | WS_VISIBLE, 100, 100, 480, 40)
               : MakeTopLevel("Shell_TrayWnd", WS_POPUP | WS_VISIBLE, 0, sh - 32, sw, 32);
    if (host != nullptr) rebar = MakeRebar(host);
  }
  if (rebar == nullptr) return 3;

  BandSite site(rebar);
  IDeskBand* band = nullptr;
  if (FAILED(CoCreateInstance(kVexloDeskBandClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand,
                              reinterpret_cast<void**>(&band)))) {
    return 4;
  }
  IObjectWithSite* withSite = nullptr;
  if (FAILED(band->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite))) ||
      FAILED(withSite->SetSite(static_cast<IOleWindow*>(&site)))) {
    if (withSite != nullptr) withSite->Release();
    band->Release();
    return 5;
  }

  DESKBANDINFO info = {};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                DBIM_MODEFLAGS | DBIM_BKCOLOR;
  band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info);
  HWND bandWindow = nullptr;
  band->GetWindow(&bandWindow);
  if (bandWindow != nullptr) {
    if (parentClass == nullptr) {
      AddToRebar(rebar, bandWindow, info);
    } else {
      RECT client;
      GetClientRect(rebar, &client);
      const int height = client.bottom >= info.ptMinSize.y ? client.bottom : info.ptActual.y;
      SetWindowPos(bandWindow, nullptr, 0, 0, info.ptActual.x, height, SWP_NOZORDER);
    }
  }
  band->ShowDW(TRUE);

  char className[64] = "";
  if (bandWindow != nullptr) GetClassNameA(bandWindow, className, sizeof className);
  const bool placed = bandWindow != nullptr && GetParent(bandWindow) == rebar &&
                      std::strcmp(className, kVexloDeskBandWindowClass) == 0 &&
                      IsWindowVisible(bandWindow);
  ReportShown(bandWindow, info);

  if (stay && placed) RunUntilClosed(band);

  // Taken down in the shell's order: hide, close, unsite, release.
  band->ShowDW(FALSE);
  band->CloseDW(0);
  withSite->SetSite(nullptr);
  withSite->Release();
  band->Release();
  if (host != nullptr && IsWindow(host)) DestroyWindow(host);
  CoFreeUnusedLibraries();
  const bool unloaded = GetModuleHandleA("vexlodb.dll") == nullptr;
  std::printf("released site-refs=%ld unloaded=%d\n", site.References(), unloaded ? 1 : 0);
  std::fflush(stdout);
  if (!placed) return 6;
  return site.References() == 1 && unloaded ? 0 : 7;
}

}  // namespace

int main(int argc, char** argv) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 4;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  const int status = Run(argc, argv);
  CoUninitialize();
  return status;
}
