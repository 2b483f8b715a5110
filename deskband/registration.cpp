// Self-registration: the class key with its in-process server, and the desk band category through
// the shell's component category manager, so that the band appears under the taskbar's Toolbars.
#include <windows.h>
#include <comcat.h>
#include <ole2.h>
#include <olectl.h>
#include <shlguid.h>
#include <shlwapi.h>

#include <cstring>

#include "deskband_ids.h"
#include "module.h"

namespace {

// Registration may be called by a program that has not started COM (the ticker loads the library
// and calls DllRegisterServer directly), or by one that has, in any threading model.
class ComScope {
 public:
  ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (started_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool started_;
};

bool SetText(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool WriteClassKey() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(ModuleInstance(), path, sizeof path);
  if (length == 0 || length >= sizeof path) return false;

  char keyPath[64] = "CLSID\\";
  std::strcat(keyPath, kVexloDeskBandClsidText);
  HKEY classKey = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &classKey, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  HKEY serverKey = nullptr;
  bool written = SetText(classKey, nullptr, kVexloDeskBandName) &&
                 RegCreateKeyExA(classKey, "InprocServer32", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_WRITE, nullptr, &serverKey, nullptr) == ERROR_SUCCESS;
  if (written) {
    written = SetText(serverKey, nullptr, path) && SetText(serverKey, "ThreadingModel", "Apartment");
    RegCloseKey(serverKey);
  }
  RegCloseKey(classKey);
  return written;
}

void DeleteClassKey() {
  char keyPath[64] = "CLSID\\";
  std::strcat(keyPath, kVexloDeskBandClsidText);
  SHDeleteKeyA(HKEY_CLASSES_ROOT, keyPath);
}

HRESULT SetDeskBandCategory(bool implemented) {
  ICatRegister* categories = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatRegister, reinterpret_cast<void**>(&categories));
  if (FAILED(hr)) return hr;
  CATID category = CATID_DeskBand;
  hr = implemented
           ? categories->RegisterClassImplCategories(kVexloDeskBandClsid, 1, &category)
           : categories->UnRegisterClassImplCategories(kVexloDeskBandClsid, 1, &category);
  categories->Release();
  return hr;
}

// Explorer keeps a list of the desk band category's classes per user and reads it instead of the
// registry while it exists; without it the band shows up (or goes) only after the next log-on.
void ForgetShellCategoryCache() {
  static const char* const kCaches[] = {
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
      "Component Categories\\{00021492-0000-0000-C000-000000000046}",
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
      "Component Categories64\\{00021492-0000-0000-C000-000000000046}",
  };
  for (const char* cache : kCaches) SHDeleteKeyA(HKEY_CURRENT_USER, cache);
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  ComScope com;
  if (!WriteClassKey()) {
    DeleteClassKey();
    return SELFREG_E_CLASS;
  }
  if (FAILED(SetDeskBandCategory(true))) {
    DeleteClassKey();
    return SELFREG_E_CLASS;
  }
  ForgetShellCategoryCache();
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  ComScope com;
  // Nothing registered is no failure: unregistering twice leaves the same registry.
  SetDeskBandCategory(false);
  DeleteClassKey();
  ForgetShellCategoryCache();
  return S_OK;
}
