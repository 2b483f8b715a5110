// The desk band object: what the shell's band site creates, sites in its rebar and shows.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

class DeskBand final : public IDeskBand,
                       public IObjectWithSite,
                       public IPersistStream,
                       public IInputObject {
 public:
  DeskBand();
  DeskBand(const DeskBand&) = delete;
  DeskBand& operator=(const DeskBand&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

  // IDockingWindow
  STDMETHODIMP ShowDW(BOOL show) override;
  STDMETHODIMP CloseDW(DWORD reserved) override;
  STDMETHODIMP ResizeBorderDW(LPCRECT border, IUnknown* site, BOOL reserved) override;

  // IDeskBand
  STDMETHODIMP GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) override;

  // IObjectWithSite
  STDMETHODIMP SetSite(IUnknown* site) override;
  STDMETHODIMP GetSite(REFIID riid, void** site) override;

  // IPersist, IPersistStream
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* stream) override;
  STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

  // IInputObject
  STDMETHODIMP UIActivateIO(BOOL activate, MSG* message) override;
  STDMETHODIMP HasFocusIO() override;
  STDMETHODIMP TranslateAcceleratorIO(MSG* message) override;

 private:
  ~DeskBand();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp);
  void OnSize(int width, int height);
  void OnFocusChange(bool gained);
  void DestroyBandWindow();
  void ReleaseSite();

  LONG references_ = 1;
  HWND window_ = nullptr;
  IUnknown* site_ = nullptr;
  IInputObjectSite* inputSite_ = nullptr;
};

// Called when the library is unloaded: the class must not outlive its window procedure.
void UnregisterBandWindowClass();
