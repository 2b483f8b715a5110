// The desk band: a window of class "VexloDeskBandClass" in the band site's rebar, which the ticker
// fills with its own window, and the COM interfaces through which the shell sites, sizes, shows
// and removes it.
#include "band_object.h"

#include <algorithm>

#include "deskband_ids.h"
#include "module.h"
#include "settings/install_scope_win.h"
#include "settings/settings_table.h"
#include "window/placement.h"

namespace {

bool g_classRegistered = false;

bool RegisterBandWindowClass(WNDPROC procedure) {
  if (g_classRegistered) return true;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = ModuleInstance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kVexloDeskBandWindowClass;
  g_classRegistered =
      RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return g_classRegistered;
}

// "Ticker Size" from the key the ticker itself uses: the machine's where this user may write it,
// else the user's. Opening the machine's key for full access is how the ticker makes that choice;
// a copy installed for one user (this library beside it) reads the user's key only.
bool ReadStoredTickerSize(int32_t* value) {
  const char* name = Describe(SettingId::kTickerSize).name;
  const bool userOnly = IsPerUserInstall(ModuleInstance());
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (userOnly && root == HKEY_LOCAL_MACHINE) continue;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) continue;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    const LONG rc =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
    *value = static_cast<int32_t>(data);
    return true;
  }
  return false;
}

// The width the ticker last had in the band (it stores "Ticker Size" whenever the band resizes
// it), read the way the ticker reads it at start-up, kept within the minimum and the screen.
int IdealBandWidth() {
  const int screen = std::max(GetSystemMetrics(SM_CXSCREEN), kBandMinWidth);
  int32_t stored = 0;
  if (!ReadStoredTickerSize(&stored)) stored = 0;
  const int32_t size = ChooseTickerSize(stored, screen).tickerSize;
  const int width = size >= 4 ? size : screen / std::max<int32_t>(size, 1);
  return std::clamp(width, kBandMinWidth, screen);
}

}  // namespace

void UnregisterBandWindowClass() {
  if (g_classRegistered) UnregisterClassA(kVexloDeskBandWindowClass, ModuleInstance());
  g_classRegistered = false;
}

DeskBand::DeskBand() { LockModule(); }

DeskBand::~DeskBand() {
  DestroyBandWindow();
  ReleaseSite();
  UnlockModule();
}

STDMETHODIMP DeskBand::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
      IsEqualIID(riid, IID_IDockingWindow) || IsEqualIID(riid, IID_IDeskBand)) {
    *object = static_cast<IDeskBand*>(this);
  } else if (IsEqualIID(riid, IID_IObjectWithSite)) {
    *object = static_cast<IObjectWithSite*>(this);
  } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStream)) {
    *object = static_cast<IPersistStream*>(this);
  } else if (IsEqualIID(riid, IID_IInputObject)) {
    *object = static_cast<IInputObject*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) DeskBand::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) DeskBand::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP DeskBand::GetWindow(HWND* window) {
  if (window == nullptr) return E_INVALIDARG;
  *window = window_;
  return window_ != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP DeskBand::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP DeskBand::ShowDW(BOOL show) {
  if (window_ != nullptr) ShowWindow(window_, show ? SW_SHOW : SW_HIDE);
  return S_OK;
}

STDMETHODIMP DeskBand::CloseDW(DWORD) {
  // Destroying the band window also destroys the ticker's window inside it, which ends the ticker.
  DestroyBandWindow();
  return S_OK;
}

STDMETHODIMP DeskBand::ResizeBorderDW(LPCRECT, IUnknown*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP DeskBand::GetBandInfo(DWORD, DWORD, DESKBANDINFO* info) {
  if (info == nullptr) return E_INVALIDARG;
  // The same sizes whatever the view mode: the strip only scrolls sideways, and start-up keeps the
  // ticker out of a taskbar at a side edge.
  if (info->dwMask & DBIM_MINSIZE) info->ptMinSize = {kBandMinWidth, kBandMinHeight};
  if (info->dwMask & DBIM_MAXSIZE) info->ptMaxSize = {-1, kBandMaxHeight};
  if (info->dwMask & DBIM_INTEGRAL) info->ptIntegral = {1, 1};
  if (info->dwMask & DBIM_ACTUAL) info->ptActual = {IdealBandWidth(), kBandIdealHeight};
  if (info->dwMask & DBIM_MODEFLAGS) info->dwModeFlags = DBIMF_NORMAL;
  // No title beside the band (the strip shows its own logo) and the rebar's own background.
  info->dwMask &= ~static_cast<DWORD>(DBIM_TITLE | DBIM_BKCOLOR);
  return S_OK;
}

STDMETHODIMP DeskBand::SetSite(IUnknown* site) {
  DestroyBandWindow();
  ReleaseSite();
  if (site == nullptr) return S_OK;

  HWND parent = nullptr;
  IOleWindow* oleWindow = nullptr;
  if (SUCCEEDED(site->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&oleWindow)))) {
    if (FAILED(oleWindow->GetWindow(&parent))) parent = nullptr;
    oleWindow->Release();
  }
  if (parent == nullptr || !RegisterBandWindowClass(WindowProc)) return E_FAIL;

  // Created hidden at the size the band asks for; ShowDW shows it and the rebar sizes it.
  window_ = CreateWindowExA(0, kVexloDeskBandWindowClass, "",
                            WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, IdealBandWidth(),
                            kBandIdealHeight, parent, nullptr, ModuleInstance(), this);
  if (window_ == nullptr) return E_FAIL;

  site->AddRef();
  site_ = site;
  if (FAILED(site->QueryInterface(IID_IInputObjectSite, reinterpret_cast<void**>(&inputSite_)))) {
    inputSite_ = nullptr;
  }
  return S_OK;
}

STDMETHODIMP DeskBand::GetSite(REFIID riid, void** site) {
  if (site == nullptr) return E_POINTER;
  *site = nullptr;
  if (site_ == nullptr) return E_FAIL;
  return site_->QueryInterface(riid, site);
}

STDMETHODIMP DeskBand::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = kVexloDeskBandClsid;
  return S_OK;
}

// The band keeps nothing of its own: the ticker stores its settings in the registry.
STDMETHODIMP DeskBand::IsDirty() { return S_FALSE; }
STDMETHODIMP DeskBand::Load(IStream*) { return S_OK; }
STDMETHODIMP DeskBand::Save(IStream*, BOOL) { return S_OK; }

STDMETHODIMP DeskBand::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

STDMETHODIMP DeskBand::UIActivateIO(BOOL activate, MSG*) {
  if (activate && window_ != nullptr) SetFocus(window_);
  return S_OK;
}

STDMETHODIMP DeskBand::HasFocusIO() {
  if (window_ == nullptr) return S_FALSE;
  const HWND focus = GetFocus();
  return focus != nullptr && (focus == window_ || IsChild(window_, focus)) ? S_OK : S_FALSE;
}

STDMETHODIMP DeskBand::TranslateAcceleratorIO(MSG*) { return S_FALSE; }

void DeskBand::OnSize(int width, int height) {
  // The rebar sizes the band; the ticker's window inside follows so that it always fills it.
  for (HWND child = ::GetWindow(window_, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    SetWindowPos(child, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void DeskBand::OnFocusChange(bool gained) {
  // The site moves the keyboard focus between bands and needs to hear when the band takes it.
  if (inputSite_ != nullptr) {
    inputSite_->OnFocusChangeIS(static_cast<IDeskBand*>(this), gained ? TRUE : FALSE);
  }
}

void DeskBand::DestroyBandWindow() {
  if (window_ == nullptr) return;
  const HWND window = window_;
  window_ = nullptr;
  DestroyWindow(window);
}

void DeskBand::ReleaseSite() {
  if (inputSite_ != nullptr) inputSite_->Release();
  inputSite_ = nullptr;
  if (site_ != nullptr) site_->Release();
  site_ = nullptr;
}

LRESULT CALLBACK DeskBand::WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* band = reinterpret_cast<DeskBand*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (band != nullptr) {
    switch (message) {
      case WM_SIZE: band->OnSize(LOWORD(lp), HIWORD(lp)); return 0;
      case WM_SETFOCUS: band->OnFocusChange(true); break;
      case WM_KILLFOCUS:
        // Focus moving into the ticker's own window (its search box) stays inside the band.
        if (!IsChild(window, reinterpret_cast<HWND>(wp))) band->OnFocusChange(false);
        break;
      case WM_NCDESTROY:
        // Destroyed with its parent rather than by the band: forget the handle.
        if (band->window_ == window) band->window_ = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
      default: break;
    }
  }
  return DefWindowProcA(window, message, wp, lp);
}
