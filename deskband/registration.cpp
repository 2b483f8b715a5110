// Self-registration: the class key with its in-process server and the desk band category, so
// that the band appears under the taskbar's Toolbars. A copy installed for one user (in the user's
// application data) is registered for that user alone, under HKEY_CURRENT_USER\Software\Classes,
// which needs no administrator; so is a copy elsewhere when this process may not write the
// machine's classes. Otherwise the band is registered for every user of the machine.
#include <windows.h>
#include <olectl.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "deskband_ids.h"
#include "module.h"
#include "settings/install_scope_win.h"

namespace {

// The desk band category (CATID_DeskBand), as the shell's category manager stores it.
constexpr char kDeskBandCategory[] = "{00021492-0000-0000-C000-000000000046}";

HKEY ClassesRoot() {
  if (IsPerUserInstall(ModuleInstance())) return HKEY_CURRENT_USER;
  HKEY classes = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID", 0, KEY_CREATE_SUB_KEY,
                    &classes) != ERROR_SUCCESS) {
    return HKEY_CURRENT_USER;
  }
  RegCloseKey(classes);
  return HKEY_LOCAL_MACHINE;
}

std::string ClassKeyPath() {
  return std::string("Software\\Classes\\CLSID\\") + kVexloDeskBandClsidText;
}

bool SetText(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool CreateKey(HKEY parent, const std::string& path, HKEY* key) {
  return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                         nullptr, key, nullptr) == ERROR_SUCCESS;
}

bool WriteClassKey(HKEY root) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(ModuleInstance(), path, sizeof path);
  if (length == 0 || length >= sizeof path) return false;

  HKEY classKey = nullptr;
  if (!CreateKey(root, ClassKeyPath(), &classKey)) return false;
  HKEY serverKey = nullptr;
  HKEY categoryKey = nullptr;
  bool written = SetText(classKey, nullptr, kVexloDeskBandName) &&
                 CreateKey(classKey, "InprocServer32", &serverKey);
  if (written) {
    written = SetText(serverKey, nullptr, path) && SetText(serverKey, "ThreadingModel", "Apartment");
    RegCloseKey(serverKey);
  }
  if (written) {
    written = CreateKey(classKey, std::string("Implemented Categories\\") + kDeskBandCategory,
                        &categoryKey);
    if (written) RegCloseKey(categoryKey);
  }
  RegCloseKey(classKey);
  return written;
}

void DeleteClassKey(HKEY root) { SHDeleteKeyA(root, ClassKeyPath().c_str()); }

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
  const HKEY root = ClassesRoot();
  if (!WriteClassKey(root)) {
    DeleteClassKey(root);
    return SELFREG_E_CLASS;
  }
  ForgetShellCategoryCache();
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  // Nothing registered is no failure: unregistering twice leaves the same registry.
  DeleteClassKey(ClassesRoot());
  ForgetShellCategoryCache();
  return S_OK;
}
