// Entry points of the in-process server: DllMain, the class factory, DllGetClassObject and
// DllCanUnloadNow.
#include <windows.h>
#include <ole2.h>

#include <new>

#include "band_object.h"
#include "deskband_ids.h"
#include "module.h"

namespace {

HINSTANCE g_instance = nullptr;
LONG g_locks = 0;

// One factory for the whole process. Its references count as module locks, so a client that
// holds the factory keeps the library loaded even without LockServer.
class BandFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    LockModule();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    UnlockModule();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    DeskBand* band = new (std::nothrow) DeskBand();
    if (band == nullptr) return E_OUTOFMEMORY;
    // The band starts with one reference; the query adds the caller's, and a failed query
    // leaves none, which deletes it.
    const HRESULT hr = band->QueryInterface(riid, object);
    band->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }
};

BandFactory g_factory;

}  // namespace

HINSTANCE ModuleInstance() { return g_instance; }

void LockModule() { InterlockedIncrement(&g_locks); }

void UnlockModule() {
  // A client that unlocks more often than it locked must not wrap the count below zero, which
  // would keep the library loaded for ever.
  LONG seen = g_locks;
  while (seen > 0) {
    const LONG before = InterlockedCompareExchange(&g_locks, seen - 1, seen);
    if (before == seen) return;
    seen = before;
  }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Thread notifications stay on: the statically linked runtime relies on them.
    g_instance = instance;
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary (not at process end): the window procedure goes with the code.
    UnregisterBandWindowClass();
  }
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid,
                                                                          REFIID riid,
                                                                          LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kVexloDeskBandClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return g_locks == 0 ? S_OK : S_FALSE;
}
