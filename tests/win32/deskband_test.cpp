// The desk band library under Wine: its self-registration read back through the registry and the
// category manager, its COM objects and what keeps the library loaded, the band window in a real
// rebar, its sizes, and the band host helper as the ticker will meet it.
#include <windows.h>
#include <comcat.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "deskband_ids.h"
#include "newsrail_version.h"
#include "win32/window_probe.h"

namespace {

const char kShellCategoryCache[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
    "Component Categories\\{00021492-0000-0000-C000-000000000046}\\Enum";
const char kTickerKey[] = "SOFTWARE\\Talmora\\Ticker";

// --dll= and --host= as Windows paths (Wine sees the Linux root as drive Z:).
std::string PathArgument(const char* prefix) {
  const size_t n = std::strlen(prefix);
  for (int i = 1; i < __argc; ++i) {
    if (std::strncmp(__argv[i], prefix, n) != 0) continue;
    std::string path = __argv[i] + n;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  return "";
}

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

HRESULT CallExport(HMODULE library, const char* name) {
  auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return entry != nullptr ? entry() : E_NOTIMPL;
}

// Loads the library and calls one of its registration exports, as the ticker does.
HRESULT CallLibrary(const char* exportName) {
  HMODULE library = LoadLibraryA(PathArgument("--dll=").c_str());
  if (library == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  const HRESULT hr = CallExport(library, exportName);
  FreeLibrary(library);
  return hr;
}

std::string ClassKeyPath(const char* subkey = nullptr) {
  std::string path = std::string("CLSID\\") + kVexloDeskBandClsidText;
  if (subkey != nullptr) path += std::string("\\") + subkey;
  return path;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string ReadText(const std::string& path, const char* name) {
  char text[MAX_PATH] = "";
  DWORD size = sizeof text;
  DWORD type = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return "(no key)";
  }
  const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : "(no value)";
}

// What the shell's category manager says about the band's class.
struct CategoryView {
  HRESULT isDeskBand = E_FAIL;
  bool listed = false;
};

CategoryView AskCategoryManager() {
  CategoryView view;
  ICatInformation* info = nullptr;
  if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICatInformation, reinterpret_cast<void**>(&info)))) {
    return view;
  }
  CATID category = CATID_DeskBand;
  view.isDeskBand = info->IsClassOfCategories(kVexloDeskBandClsid, 1, &category, 0, nullptr);
  IEnumCLSID* classes = nullptr;
  if (SUCCEEDED(info->EnumClassesOfCategories(1, &category, static_cast<ULONG>(-1), nullptr,
                                              &classes))) {
    CLSID clsid;
    ULONG fetched = 0;
    while (classes->Next(1, &clsid, &fetched) == S_OK && fetched == 1) {
      if (IsEqualCLSID(clsid, kVexloDeskBandClsid)) view.listed = true;
    }
    classes->Release();
  }
  info->Release();
  return view;
}

// A band site as the shell's: its window is the rebar; it counts its references and the focus
// notifications the band sends.
class TestSite final : public IOleWindow, public IInputObjectSite {
 public:
  explicit TestSite(HWND window, bool offersWindow = true)
      : window_(window), offersWindow_(offersWindow) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || (offersWindow_ && IsEqualIID(riid, IID_IOleWindow))) {
      *object = static_cast<IOleWindow*>(this);
    } else if (IsEqualIID(riid, IID_IInputObjectSite)) {
      *object = static_cast<IInputObjectSite*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP OnFocusChangeIS(IUnknown*, BOOL gained) override {
    (gained ? focusGained : focusLost)++;
    return S_OK;
  }
  ULONG references = 1;
  int focusGained = 0;
  int focusLost = 0;

 private:
  HWND window_;
  bool offersWindow_;
};

template <typename T>
T* Query(IUnknown* object, REFIID riid) {
  void* out = nullptr;
  return SUCCEEDED(object->QueryInterface(riid, &out)) ? static_cast<T*>(out) : nullptr;
}

IDeskBand* CreateBand() {
  IDeskBand* band = nullptr;
  CoCreateInstance(kVexloDeskBandClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeskBand,
                   reinterpret_cast<void**>(&band));
  return band;
}

class DeskBandTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    if (bar_ != nullptr) DestroyWindow(bar_);
    CoUninitialize();
  }

  // A top-level window with a real rebar in it, as the taskbar has; returns the rebar.
  HWND MakeRebar() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    bar_ = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP | WS_VISIBLE, 0, 700, 800, 40,
                           nullptr, nullptr, nullptr, nullptr);
    return CreateWindowExA(0, REBARCLASSNAMEA, "",
                           WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0, 800, 40,
                           bar_, nullptr, nullptr, nullptr);
  }

  HWND bar_ = nullptr;
};

TEST(DeskBandRegistration, WritesTheClassAndTheCategoryAndTakesThemAway) {
  // The shell's cached list of desk bands would hide a newly registered band until the next log-on.
  HKEY cache = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kShellCategoryCache, &cache), ERROR_SUCCESS);
  RegCloseKey(cache);

  // Registered the way the ticker does it: without COM started on the calling thread.
  ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
  ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));

  HMODULE library = LoadLibraryA(PathArgument("--dll=").c_str());
  ASSERT_NE(library, nullptr);
  char modulePath[MAX_PATH];
  GetModuleFileNameA(library, modulePath, sizeof modulePath);
  FreeLibrary(library);

  struct Expected {
    const char* subkey;
    const char* name;
    std::string value;
  };
  const Expected values[] = {
      {nullptr, nullptr, kVexloDeskBandName},
      {"InprocServer32", nullptr, modulePath},
      {"InprocServer32", "ThreadingModel", "Apartment"},
  };
  for (const Expected& e : values) {
    EXPECT_EQ(ReadText(ClassKeyPath(e.subkey), e.name), e.value)
        << (e.subkey ? e.subkey : "") << " " << (e.name ? e.name : "(default)");
  }
  CategoryView registered = AskCategoryManager();
  EXPECT_EQ(registered.isDeskBand, S_OK);
  EXPECT_TRUE(registered.listed);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kShellCategoryCache));

  ASSERT_EQ(CallLibrary("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKeyPath()));
  CategoryView unregistered = AskCategoryManager();
  EXPECT_NE(unregistered.isDeskBand, S_OK);
  EXPECT_FALSE(unregistered.listed);
  IDeskBand* band = CreateBand();
  EXPECT_EQ(band, nullptr);
  if (band != nullptr) band->Release();
  EXPECT_EQ(CallLibrary("DllUnregisterServer"), S_OK);
  CoUninitialize();
}

// The library carries the program's version, so that the installer and a user comparing files
// see one product.
TEST(DeskBandLibrary, CarriesTheProgramsVersion) {
  const std::string path = PathArgument("--dll=");
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, &block[0]));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS,
            static_cast<DWORD>(NEWSRAIL_VERSION_MAJOR << 16 | NEWSRAIL_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS,
            static_cast<DWORD>(NEWSRAIL_VERSION_PATCH << 16 | NEWSRAIL_VERSION_BUILD));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST_F(DeskBandTest, AnswersForTheShellsInterfacesAndNoOthers) {
  IDeskBand* band = CreateBand();
  ASSERT_NE(band, nullptr);
  IUnknown* identity = Query<IUnknown>(band, IID_IUnknown);
  ASSERT_NE(identity, nullptr);

  struct Row {
    const char* name;
    IID iid;
    bool offered;
  };
  const Row rows[] = {
      {"IOleWindow", IID_IOleWindow, true},         {"IDockingWindow", IID_IDockingWindow, true},
      {"IDeskBand", IID_IDeskBand, true},           {"IObjectWithSite", IID_IObjectWithSite, true},
      {"IPersist", IID_IPersist, true},             {"IPersistStream", IID_IPersistStream, true},
      {"IInputObject", IID_IInputObject, true},     {"IDispatch", IID_IDispatch, false},
      {"IClassFactory", IID_IClassFactory, false},  {"IOleCommandTarget", IID_IOleCommandTarget, false},
  };
  for (const Row& row : rows) {
    void* out = reinterpret_cast<void*>(1);
    const HRESULT hr = band->QueryInterface(row.iid, &out);
    EXPECT_EQ(hr, row.offered ? S_OK : E_NOINTERFACE) << row.name;
    if (!row.offered) {
      EXPECT_EQ(out, nullptr) << row.name;
      continue;
    }
    if (FAILED(hr)) continue;
    // Every interface leads back to the one object.
    IUnknown* back = Query<IUnknown>(static_cast<IUnknown*>(out), IID_IUnknown);
    EXPECT_EQ(back, identity) << row.name;
    if (back != nullptr) back->Release();
    static_cast<IUnknown*>(out)->Release();
  }

  IPersistStream* persist = Query<IPersistStream>(band, IID_IPersistStream);
  ASSERT_NE(persist, nullptr);
  CLSID clsid = {};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kVexloDeskBandClsid));
  persist->Release();

  IUnknown* aggregated = nullptr;
  EXPECT_EQ(CoCreateInstance(kVexloDeskBandClsid, identity, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&aggregated)),
            CLASS_E_NOAGGREGATION);
  identity->Release();
  EXPECT_EQ(band->Release(), 0u);
}

TEST_F(DeskBandTest, StaysLoadedWhileAnObjectOrALockLivesAndUnloadsAfter) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(kVexloDeskBandClsid, CLSCTX_INPROC_SERVER, nullptr,
                             IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  HMODULE library = GetModuleHandleA("vexlodb.dll");
  ASSERT_NE(library, nullptr);
  auto canUnload = [library] { return CallExport(library, "DllCanUnloadNow"); };
  void* object = nullptr;
  using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto getClassObject = reinterpret_cast<GetClassObjectFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
  ASSERT_NE(getClassObject, nullptr);
  EXPECT_EQ(getClassObject(CLSID_StdComponentCategoriesMgr, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE) << "the factory is held";

  IDeskBand* band = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDeskBand, reinterpret_cast<void**>(&band)),
            S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(band->AddRef(), 2u);
  EXPECT_EQ(band->Release(), 1u);
  EXPECT_EQ(canUnload(), S_FALSE) << "a band and a lock live";
  EXPECT_EQ(band->Release(), 0u);
  EXPECT_EQ(canUnload(), S_FALSE) << "a lock lives";
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleA("vexlodb.dll"), library);

  ASSERT_EQ(CoGetClassObject(kVexloDeskBandClsid, CLSCTX_INPROC_SERVER, nullptr,
                             IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK) << "one unlock too many must not pin the library";
  factory->Release();
  EXPECT_EQ(canUnload(), S_OK);
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleA("vexlodb.dll"), nullptr);
}

TEST_F(DeskBandTest, ShownBandIsAChildOfTheSiteWindowAndTracksTheFocus) {
  HWND rebar = MakeRebar();
  ASSERT_NE(rebar, nullptr);
  IDeskBand* band = CreateBand();
  ASSERT_NE(band, nullptr);
  IObjectWithSite* withSite = Query<IObjectWithSite>(band, IID_IObjectWithSite);
  ASSERT_NE(withSite, nullptr);

  TestSite windowless(nullptr, false);
  EXPECT_EQ(withSite->SetSite(static_cast<IOleWindow*>(&windowless)), E_FAIL);
  EXPECT_EQ(windowless.references, 1u);

  TestSite site(rebar);
  ASSERT_EQ(withSite->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
  IOleWindow* gotSite = nullptr;
  EXPECT_EQ(withSite->GetSite(IID_IOleWindow, reinterpret_cast<void**>(&gotSite)), S_OK);
  EXPECT_EQ(gotSite, static_cast<IOleWindow*>(&site));
  if (gotSite != nullptr) gotSite->Release();

  HWND window = nullptr;
  ASSERT_EQ(band->GetWindow(&window), S_OK);
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  EXPECT_STREQ(className, kVexloDeskBandWindowClass);
  EXPECT_EQ(GetParent(window), rebar);
  EXPECT_FALSE(IsWindowVisible(window));

  DESKBANDINFO info = {};
  info.dwMask = DBIM_ACTUAL;
  ASSERT_EQ(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, info.ptActual.x);
  EXPECT_EQ(client.bottom, info.ptActual.y);

  EXPECT_EQ(band->ShowDW(TRUE), S_OK);
  EXPECT_TRUE(IsWindowVisible(window));

  HWND ticker = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                client.bottom, window, nullptr, nullptr, nullptr);

  IInputObject* input = Query<IInputObject>(band, IID_IInputObject);
  ASSERT_NE(input, nullptr);
  SetFocus(bar_);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
  EXPECT_EQ(input->HasFocusIO(), S_OK);
  EXPECT_EQ(site.focusGained, 1);
  SetFocus(ticker);
  EXPECT_EQ(input->HasFocusIO(), S_OK) << "the ticker's window is inside the band";
  EXPECT_EQ(site.focusLost, 0);
  SetFocus(bar_);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  input->Release();

  EXPECT_EQ(band->ShowDW(FALSE), S_OK);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(band->CloseDW(0), S_OK);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(band->GetWindow(&window), E_FAIL);

  // A band whose rebar goes away first must not keep the dead window's handle.
  ASSERT_EQ(withSite->SetSite(static_cast<IOleWindow*>(&site)), S_OK);
  DestroyWindow(bar_);
  bar_ = nullptr;
  EXPECT_EQ(band->GetWindow(&window), E_FAIL);

  EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
  EXPECT_EQ(site.references, 1u) << "the band let go of its site";
  withSite->Release();
  EXPECT_EQ(band->Release(), 0u);
}

TEST_F(DeskBandTest, BandInfoTakesItsWidthFromTheStoredTickerSize) {
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  struct Row {
    HKEY root;
    DWORD type;
    DWORD stored;  // 0xDEAD: no value at all
    int width;
  };
  const Row rows[] = {
      {HKEY_LOCAL_MACHINE, REG_DWORD, 0xDEAD, screen / 3},
      {HKEY_LOCAL_MACHINE, REG_DWORD, 0, screen / 3},
      {HKEY_LOCAL_MACHINE, REG_DWORD, 1, screen / 2},  // the older coding: half the screen
      {HKEY_LOCAL_MACHINE, REG_DWORD, 2, screen},
      {HKEY_LOCAL_MACHINE, REG_DWORD, 3, screen / 3},  // a divisor of 0
      {HKEY_LOCAL_MACHINE, REG_DWORD, 500, 500},
      {HKEY_LOCAL_MACHINE, REG_DWORD, 40, kBandMinWidth},
      {HKEY_LOCAL_MACHINE, REG_DWORD, 5000, screen},
      {HKEY_LOCAL_MACHINE, REG_DWORD, 0xFFFFFFFF, screen / 3},
      {HKEY_LOCAL_MACHINE, REG_SZ, 500, screen / 3},
      {HKEY_CURRENT_USER, REG_DWORD, 450, 450},  // no machine key: the user's
  };
  IDeskBand* band = CreateBand();
  ASSERT_NE(band, nullptr);
  for (const Row& row : rows) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTickerKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTickerKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(row.root, kTickerKey, &key), ERROR_SUCCESS);
    if (row.stored != 0xDEAD) {
      const char text[] = "500";
      RegSetValueExA(key, "Ticker Size", 0, row.type,
                     row.type == REG_SZ ? reinterpret_cast<const BYTE*>(text)
                                        : reinterpret_cast<const BYTE*>(&row.stored),
                     row.type == REG_SZ ? sizeof text : sizeof row.stored);
    }
    RegCloseKey(key);

    DESKBANDINFO info = {};
    info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                  DBIM_MODEFLAGS | DBIM_BKCOLOR;
    ASSERT_EQ(band->GetBandInfo(7, DBIF_VIEWMODE_NORMAL, &info), S_OK);
    EXPECT_EQ(info.ptActual.x, row.width) << "stored " << row.stored << " type " << row.type;
    EXPECT_EQ(info.ptActual.y, kBandIdealHeight);
    EXPECT_EQ(info.ptMinSize.x, kBandMinWidth);
    EXPECT_EQ(info.ptMinSize.y, kBandMinHeight);
    EXPECT_EQ(info.ptMaxSize.y, kBandMaxHeight);
    EXPECT_EQ(info.dwModeFlags, static_cast<DWORD>(DBIMF_NORMAL));
    EXPECT_EQ(info.dwMask & (DBIM_TITLE | DBIM_BKCOLOR), 0u) << "no title, the rebar's background";
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTickerKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, kTickerKey);

  // Only what is asked for is written.
  DESKBANDINFO info = {};
  info.dwMask = DBIM_MINSIZE;
  info.ptActual = {-7, -7};
  ASSERT_EQ(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info), S_OK);
  EXPECT_EQ(info.ptActual.x, -7);
  EXPECT_EQ(info.ptMinSize.x, kBandMinWidth);
  EXPECT_EQ(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, nullptr), E_INVALIDARG);
  band->Release();
}

// Runs the band host with its output in a pipe; the output and exit code come with Finish.
class HostRun {
 public:
  bool Start(const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE write = nullptr;
    if (!CreatePipe(&read_, &write, &inherit, 0)) return false;
    SetHandleInformation(read_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    std::string line = "\"" + PathArgument("--host=") + "\" " + arguments;
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process_) != 0;
    CloseHandle(write);
    return started;
  }
  // Waits for the host to end while this thread keeps answering its windows' messages.
  DWORD Finish(std::string* output) {
    WaitUntil([this] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
              20000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    if (code == STILL_ACTIVE) TerminateProcess(process_.hProcess, 99);
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(read_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      output->append(buffer, got);
    }
    return code;
  }
  ~HostRun() {
    if (process_.hProcess != nullptr) {
      TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    if (read_ != nullptr) CloseHandle(read_);
  }

 private:
  HANDLE read_ = nullptr;
  PROCESS_INFORMATION process_ = {};
};

// The band window inside the first top-level of the class that has one, found the way the
// ticker looks: the top-level's "ReBarWindow32", and in that a "VexloDeskBandClass".
HWND FindBandUnder(const char* topClass) {
  for (HWND top : FindTopLevels(topClass)) {
    if (HWND band = FindChild(FindChild(top, "ReBarWindow32"), kVexloDeskBandWindowClass)) {
      return band;
    }
  }
  return nullptr;
}

TEST_F(DeskBandTest, BandHostShowsTheBandWhereTheTickerLooksForIt) {
  // A taskbar of this process's own for the host to use, as the taskbar stand-in will be used.
  const char kOwnTray[] = "NewsrailTestTray";
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = kOwnTray;
  RegisterClassA(&wc);
  HWND tray = CreateWindowExA(WS_EX_TOOLWINDOW, kOwnTray, "", WS_POPUP | WS_VISIBLE, 0, 730,
                              1024, 38, nullptr, nullptr, nullptr, nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_COOL_CLASSES};
  InitCommonControlsEx(&controls);
  HWND trayRebar = CreateWindowExA(0, REBARCLASSNAMEA, "",
                                   WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, 0,
                                   600, 34, tray, nullptr, nullptr, nullptr);
  ASSERT_NE(trayRebar, nullptr);

  struct Row {
    const char* arguments;
    const char* topClass;
    const char* closer;  // the top-level whose closing ends the host
  };
  const Row rows[] = {
      {"--bar=taskbar", "Shell_TrayWnd", "Shell_TrayWnd"},
      {"--bar=basebar", "BaseBar", "BaseBar"},
      {"--parent=NewsrailTestTray", kOwnTray, "VexloBandHost"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    HostRun host;
    ASSERT_TRUE(host.Start(std::string(row.arguments) + " --stay"));
    HWND band = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (band = FindBandUnder(row.topClass)) != nullptr; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(band) != 0; }, 5000));
    RECT client;
    GetClientRect(band, &client);
    EXPECT_GE(client.bottom, kBandMinHeight);
    EXPECT_GE(client.right, kBandMinWidth);
    if (GetParent(band) == trayRebar) {
      EXPECT_EQ(client.bottom, 34) << "as high as the rebar";
    }

    // The ticker's window, in another process as in the real taskbar; it follows the band.
    HWND ticker = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                  client.bottom, band, nullptr, nullptr, nullptr);
    ASSERT_NE(ticker, nullptr);
    SetWindowPos(band, nullptr, 0, 0, 333, 27, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitUntil([&] {
      GetClientRect(ticker, &client);
      return client.right == 333 && client.bottom == 27;
    }, 5000)) << client.right << "x" << client.bottom;

    PostMessageA(FindTopLevel(row.closer), WM_CLOSE, 0, 0);
    std::string output;
    EXPECT_EQ(host.Finish(&output), 0u) << output;
    EXPECT_NE(output.find("shown class=VexloDeskBandClass parent=ReBarWindow32 visible=1"),
              std::string::npos) << output;
    EXPECT_NE(output.find("released site-refs=1 unloaded=1"), std::string::npos) << output;
    // Destroyed by this thread's own message loop, as the ticker's window would be by the ticker's.
    EXPECT_TRUE(WaitUntil([&] { return IsWindow(ticker) == 0; }, 5000))
        << "the ticker's window goes with the band";
  }
  DestroyWindow(tray);
}

}  // namespace
