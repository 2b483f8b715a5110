// Taskbar docking: the ticker as a child of the desk band's window, or over room that placeholder
// icons make in the notification area; and its place there once a second.
#include "desktop/taskbar_win.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <wininet.h>

#include <memory>
#include <new>

#include "net/http_transfer_win.h"
#include "net/proxy_discovery_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"
#include "settings/endpoints.h"
#include "base/process_win.h"
#include "settings/install_scope_win.h"
#include "update/signature_win.h"
#include "base/taskbar_names.h"
#include "desktop/tray_layout.h"
#include "settings/registry_store_win.h"

namespace {

constexpr const char* kBandLibrary = "vexlodb.dll";
// The download lands here first and takes the library's name only once its signature holds.
constexpr const char* kBandDownload = "vexlodb.new";
constexpr const char* kBandLibraryPath = "/ion/vexlodb.dll";
constexpr const char* kBandUserAgent = "Mozilla Compatible/2.0 (WinNT; I; TLX/2.0)";
// Room for the whole library: a build with its debugging information passes a megabyte, and a
// body that does not fit is refused rather than cut.
constexpr size_t kBandTransferBuffer = 8 * 1024 * 1024;
constexpr DWORD kBandSettleMs = 1000;

// The first child of the class, walking the children in order (names compared without case).
HWND ChildOfClass(HWND parent, const char* className) {
  if (parent == nullptr) return nullptr;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (WindowHasClass(child, className)) return child;
  }
  return nullptr;
}

int ClientWidth(HWND window) {
  RECT r = {0, 0, 0, 0};
  if (window != nullptr) GetClientRect(window, &r);
  return r.right;
}

// The clock is the area's first child; a window docked in the area is created in front of it,
// which leaves the clock as the next one.
HWND FindTrayClock(HWND area) {
  HWND clock = GetWindow(area, GW_CHILD);
  if (clock != nullptr && !WindowHasClass(clock, "TrayClockWClass")) {
    clock = GetWindow(clock, GW_HWNDNEXT);
  }
  return clock;
}

NOTIFYICONDATAA PlaceholderIcon(HWND taskbar, UINT id) {
  // The taskbar owns the icons, so clicks on them send this program nothing.
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  icon.hWnd = taskbar;
  icon.uID = id;
  icon.uFlags = NIF_ICON;
  icon.hIcon = LoadIconA(ProgramInstance(), MAKEINTRESOURCEA(IDI_TICKER));
  return icon;
}
#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the first shells take only the first record size");
#endif

// A "VexloDeskVexloDeskBandWindowClass" window in the taskbar's rebar or in a floating band bar's.
HWND FindBandWindow(HWND taskbar) {
  HWND rebar = ChildOfClass(taskbar, "ReBarWindow32");
  if (rebar != nullptr) {
    // A band that the shell is still creating gets its window meanwhile.
    PumpMessages(kBandSettleMs);
    if (HWND band = ChildOfClass(rebar, kVexloDeskBandWindowClass)) return band;
  }
  for (HWND bar = FindWindowExA(nullptr, nullptr, "BaseBar", nullptr); bar != nullptr;
       bar = FindWindowExA(nullptr, bar, "BaseBar", nullptr)) {
    if (HWND band = ChildOfClass(ChildOfClass(bar, "ReBarWindow32"), kVexloDeskBandWindowClass))
      return band;
  }
  return nullptr;
}

HWND DockInBand(TaskbarDock& dock, const char* tickerClass, int32_t tickerSize, HWND band,
                HWND taskbar) {
  RECT r;
  GetClientRect(band, &r);
  dock.inDeskBand = 1;
  dock.gripWidth = 0;
  dock.trayBaselinePending = 0;
  CreateWindowExA(0, tickerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, r.right,
                  r.bottom, band, nullptr, ProgramInstance(), nullptr);
  dock.dockedWidth = tickerSize;
  // A band in a floating bar without any taskbar still hosts the ticker.
  return taskbar != nullptr ? taskbar : band;
}

bool FileOpensForReading(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Fetches the library and its signature into the download name; true when both arrived.
bool DownloadBandLibrary(const char* target, const char* signature, const char* proxyHost,
                         const char* proxyPort, const std::atomic<int32_t>& closing) {
  SettingsStore& settings = Settings();
  const Endpoint server =
      settings.ReadSetting(SettingId::kMyVexlo) != 0 ? Endpoint::kPortal : Endpoint::kMaker;
  char url[1024];
  char signatureUrl[1024 + 4];
  if (!BuildEndpointUrl(settings, server, kBandLibraryPath, url, sizeof url)) return false;
  lstrcpyA(signatureUrl, url);
  lstrcatA(signatureUrl, ".sig");

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBandTransferBuffer]);
  if (!buffer) return false;
  char proxy[kProxyTextSize] = "";
  const bool viaProxy = DiscoverProxy(proxyHost, proxyPort, proxy);
  HINTERNET internet =
      InternetOpenA(kBandUserAgent, viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                    viaProxy ? proxy : nullptr, nullptr, 0);
  if (internet == nullptr) return false;
  // Before the ticker window exists: no credentials dialog has an owner, and nothing dials.
  HttpTransferState transfers;
  const HttpSession session{internet, &transfers, &closing, nullptr, nullptr};
  const bool fetched =
      DownloadUrlToFile(session, url, buffer.get(), kBandTransferBuffer, target, nullptr) != 0 &&
      DownloadUrlToFile(session, signatureUrl, buffer.get(), kBandTransferBuffer, signature,
                        nullptr) != 0;
  InternetCloseHandle(internet);
  return fetched;
}

// The band library beside the program, fetched and registered when it is missing. Nothing that
// fails the publisher's signature is kept, loaded or registered.
void EnsureBandLibrary(const char* proxyHost, const char* proxyPort,
                       const std::atomic<int32_t>& closing) {
  char library[MAX_PATH];
  char download[MAX_PATH];
  char signature[MAX_PATH];
  if (!ProgramFilePath(kBandLibrary, library, sizeof library) ||
      !ProgramFilePath(kBandDownload, download, sizeof download) ||
      lstrlenA(download) + 4 >= MAX_PATH) {
    return;
  }
  // A copy installed for all users has the library from the setup; only an administrator could
  // put a missing one beside it.
  if (FileOpensForReading(library) || IsAllUsersInstall()) return;
  lstrcpyA(signature, download);
  lstrcatA(signature, ".sig");

  char librarySignature[MAX_PATH + 4];
  lstrcpyA(librarySignature, library);
  lstrcatA(librarySignature, ".sig");
  // The signature stays beside the library, as the update leaves it, so that the library can be
  // checked again whenever it is to be loaded.
  const bool trusted = DownloadBandLibrary(download, signature, proxyHost, proxyPort, closing) &&
                       VerifyPublisherSignature(download) &&
                       MoveFileExA(download, library, MOVEFILE_REPLACE_EXISTING) != 0 &&
                       MoveFileExA(signature, librarySignature, MOVEFILE_REPLACE_EXISTING) != 0;
  DeleteFileA(download);
  DeleteFileA(signature);
  if (trusted) RegisterBandLibrary(library);
}

HWND DockInNotificationArea(TaskbarDock& dock, const char* tickerClass, int32_t tickerSize,
                            HWND taskbar) {
  if (taskbar == nullptr) return nullptr;
  // Icons left over from a run that did not end cleanly.
  LockWindowUpdate(taskbar);
  DeletePlaceholderIcons(taskbar, kMaxTrayPlaceholders + 1);
  LockWindowUpdate(nullptr);

  HWND area = ChildOfClass(taskbar, "TrayNotifyWnd");
  if (area == nullptr) return nullptr;
  dock.clockWidth = ClientWidth(FindTrayClock(area));

  LockWindowUpdate(taskbar);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  TrayGrowth growth(ClientWidth(area), TrayTargetWidth(tickerSize, screenWidth), screenWidth);
  for (UINT id = 0;; ++id) {
    NOTIFYICONDATAA icon = PlaceholderIcon(taskbar, id);
    Shell_NotifyIconA(NIM_ADD, &icon);
    RECT r;
    GetClientRect(area, &r);
    if (!growth.AddedIcon(r.right, r.bottom)) break;
  }
  dock.trayIconWidth = growth.TrayIconWidth();
  dock.dockedWidth = growth.DockedWidth();
  LockWindowUpdate(nullptr);

  CreateWindowExA(0, tickerClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, area,
                  nullptr, ProgramInstance(), nullptr);
  return area;
}

}  // namespace

void GetShellVersion(DWORD* major, DWORD* minor) {
  *major = 0;
  *minor = 0;
  HMODULE shell = LoadLibraryA("shell32.dll");
  if (shell == nullptr) return;
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")));
  if (getVersion == nullptr) {
    *major = 4;
  } else {
    DLLVERSIONINFO info = {};
    info.cbSize = 20;
    if (SUCCEEDED(getVersion(&info))) {
      *major = info.dwMajorVersion;
      *minor = info.dwMinorVersion;
    }
  }
  FreeLibrary(shell);
}

HWND AttachToTaskbar(TaskbarDock& dock, const char* tickerClass, int32_t tickerSize,
                     const char* proxyHost, const char* proxyPort,
                     const std::atomic<int32_t>& closing) {
  HWND taskbar = FindWindowA(kTaskbarWindowClass, nullptr);
  if (HWND band = FindBandWindow(taskbar)) {
    return DockInBand(dock, tickerClass, tickerSize, band, taskbar);
  }

  DWORD major = 0;
  DWORD minor = 0;
  GetShellVersion(&major, &minor);
  const bool deskBands = ShellHasDeskBands(major, minor);
  if (deskBands) EnsureBandLibrary(proxyHost, proxyPort, closing);

  SettingsStore& settings = Settings();
  if (deskBands && settings.ReadNumberValue(value_name::kIeWarning) <= 3) {
    // The band is in the taskbar's toolbar list from now on; until the user shows it the ticker
    // floats on the caption.
    settings.WriteSetting(SettingId::kFitToCaption, 1);
    settings.WriteSetting(SettingId::kDockInTaskbar, 1);
    settings.WriteSetting(SettingId::kAlwaysOnTop, 1);
    return nullptr;
  }
  return DockInNotificationArea(dock, tickerClass, tickerSize, taskbar);
}

void RemoveTrayPlaceholders(const TaskbarDock& dock) {
  if (dock.inDeskBand != 0 || dock.trayIconWidth == 0) return;
  HWND taskbar = FindWindowA(kTaskbarWindowClass, nullptr);
  LockWindowUpdate(taskbar);
  DeletePlaceholderIcons(taskbar, kMaxTrayPlaceholders);
  LockWindowUpdate(nullptr);
}

void DeletePlaceholderIcons(HWND taskbar, UINT count) {
  for (UINT id = 0; id < count; ++id) {
    NOTIFYICONDATAA icon = PlaceholderIcon(taskbar, id);
    Shell_NotifyIconA(NIM_DELETE, &icon);
  }
}

TrayPlacement LayOutInNotificationArea(TaskbarDock& dock, HWND ticker, bool refreshRunning,
                                       int32_t tickCounter) {
  SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);

  HWND area = ChildOfClass(FindWindowA(kTaskbarWindowClass, nullptr), "TrayNotifyWnd");
  // Only a ticker that this area hosts is laid out in it.
  if (area == nullptr || GetParent(ticker) != area) return TrayPlacement::kPlaced;

  RECT areaOnScreen;
  RECT areaClient;
  GetWindowRect(area, &areaOnScreen);
  GetClientRect(area, &areaClient);
  TrayLayoutInput in;
  in.areaWidth = areaClient.right;
  in.areaBottom = areaOnScreen.bottom;
  in.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  in.clockNow = ClientWidth(FindTrayClock(area));
  in.clockWidth = dock.clockWidth;
  in.dockedWidth = dock.dockedWidth;
  in.trayBaseline = dock.trayBaseline;
  in.trayBaselinePending = dock.trayBaselinePending != 0;
  in.refreshRunning = refreshRunning;
  in.tickCounter = tickCounter;
  const TrayLayout out = LayOutTray(in);
  dock.trayBaseline = out.trayBaseline;
  dock.trayBaselinePending = out.trayBaselinePending ? 1 : 0;

  switch (out.action) {
    case TrayLayout::kHidden: return TrayPlacement::kHidden;
    case TrayLayout::kRestart: return TrayPlacement::kRestart;
    case TrayLayout::kPlace: break;
  }
  SetWindowPos(ticker, nullptr, out.x, 0, dock.dockedWidth, areaClient.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (out.x != dock.trayLastX) InvalidateRect(ticker, nullptr, TRUE);
  dock.trayLastX = out.x;
  return TrayPlacement::kPlaced;
}

bool TaskbarToDockIn() {
  HWND taskbar = FindWindowA(kTaskbarWindowClass, nullptr);
  return ChildOfClass(taskbar, "TrayNotifyWnd") != nullptr ||
         ChildOfClass(taskbar, "ReBarWindow32") != nullptr;
}

bool TaskbarIsVertical() {
  APPBARDATA bar = {};
  bar.cbSize = sizeof bar;
  return SHAppBarMessage(ABM_GETTASKBARPOS, &bar) != 0 &&
         bar.rc.right - bar.rc.left < GetSystemMetrics(SM_CXSCREEN) - 100;
}
