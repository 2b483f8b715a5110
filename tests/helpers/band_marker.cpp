// Stands in for the desk band library: leaves "band-loaded.txt" in its folder as soon as a process
// loads it, and "band-registered.txt" when its DllRegisterServer is called. A library that must
// never be loaded shows it was by the first file.
#include <windows.h>

namespace {

HINSTANCE module = nullptr;

void LeaveMark(const char* name) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  while (n > 0 && path[n - 1] != '\\') --n;
  if (n + lstrlenA(name) >= MAX_PATH) return;
  lstrcpyA(path + n, name);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    LeaveMark("band-loaded.txt");
  }
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  LeaveMark("band-registered.txt");
  return S_OK;
}
