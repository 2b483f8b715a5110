// The About tab: the product's name and version from the program's own version resource, the two
// pictures drawn with their palette, the disclaimer and the copyright line. It stores nothing.
#include <windows.h>
#include <winver.h>

#include <cstring>
#include <vector>

#include "base/dpi_scale.h"
#include "base/window_dpi_win.h"
#include "prefs/about_text.h"
#include "prefs/pages_win.h"
#include "res/palette_bitmap_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"

namespace {

constexpr const char* kVersionStrings = "\\StringFileInfo\\040904b0\\";

// A text of the version information, bounded by the length the query reports.
bool QueryVersionText(const void* block, const char* entry, char* out, size_t capacity) {
  char path[64];
  lstrcpynA(path, kVersionStrings, sizeof path);
  lstrcatA(path, entry);
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block, path, &value, &length) || value == nullptr) return false;
  const char* text = static_cast<const char*>(value);
  size_t n = 0;
  while (n < length && n + 1 < capacity && text[n] != '\0') ++n;
  std::memcpy(out, text, n);
  out[n] = '\0';
  return true;
}

// Left as the template has it when the program carries no version information.
void ShowVersionLine(HWND page) {
  char program[257] = "";
  if (GetModuleFileNameA(nullptr, program, 256) == 0) return;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(program, &handle);
  if (size == 0) return;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(program, 0, size, block.data())) return;
  char name[128] = "";
  char version[64] = "";
  QueryVersionText(block.data(), "ProductName", name, sizeof name);
  QueryVersionText(block.data(), "ProductVersion", version, sizeof version);
  char between[32] = "";
  LoadProgramText(IDS_VERSION_BUILD, between, sizeof between);
  char line[256];
  FormatVersionLine(name, between, version, line, sizeof line);
  SetDlgItemTextA(page, IDC_VERSION_LINE, line);
}

// The pictures are drawn on the button face, which their loader turns into the user's; those
// pixels let the page show through. A mask and two inverting copies do that on every Windows,
// without TransparentBlt.
void DrawOnPage(HDC dc, int x, int y, int w, int h, HDC picture) {
  HDC maskDc = CreateCompatibleDC(dc);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  HGDIOBJ oldMask = SelectObject(maskDc, mask);
  const COLORREF oldBk = SetBkColor(picture, GetSysColor(COLOR_3DFACE));
  BitBlt(maskDc, 0, 0, w, h, picture, 0, 0, SRCCOPY);  // 1 where the face is
  SetBkColor(picture, oldBk);
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldDcBk = SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, x, y, w, h, picture, 0, 0, SRCINVERT);
  BitBlt(dc, x, y, w, h, maskDc, 0, 0, SRCAND);
  BitBlt(dc, x, y, w, h, picture, 0, 0, SRCINVERT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldDcBk);
  SelectObject(maskDc, oldMask);
  DeleteObject(mask);
  DeleteDC(maskDc);
}

// The picture grown with the page's scale. Its pixels are repeated, not averaged: an averaged
// edge would blend into the face colour that the mask lets the page show through.
void DrawScaledOnPage(HDC dc, int x, int y, int w, int h, HDC picture, int dpi) {
  const int scaledW = ScaleForDpi(w, dpi), scaledH = ScaleForDpi(h, dpi);
  if (scaledW == w && scaledH == h) {
    DrawOnPage(dc, x, y, w, h, picture);
    return;
  }
  if (scaledW <= 0 || scaledH <= 0) return;
  HDC scaled = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, scaledW, scaledH);
  if (scaled != nullptr && bitmap != nullptr) {
    HGDIOBJ old = SelectObject(scaled, bitmap);
    SetStretchBltMode(scaled, COLORONCOLOR);
    StretchBlt(scaled, 0, 0, scaledW, scaledH, picture, 0, 0, w, h, SRCCOPY);
    DrawOnPage(dc, x, y, scaledW, scaledH, scaled);
    SelectObject(scaled, old);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (scaled != nullptr) DeleteDC(scaled);
}

// The banner's palette serves both pictures: they were drawn with one colour table.
void DrawPicture(const DRAWITEMSTRUCT* item) {
  const int id = item->CtlID == IDC_ABOUT_BANNER ? IDB_ABOUT_BANNER : IDB_ABOUT_EMBLEM;
  HDC dc = item->hDC;
  // The page's own background (a themed tab's, or the plain dialog face): the page erases the
  // button's place itself, drawn as if the button were not there.
  HWND page = GetParent(item->hwndItem);
  POINT origin = {0, 0};
  MapWindowPoints(item->hwndItem, page, &origin, 1);
  POINT oldOrigin;
  SetViewportOrgEx(dc, -origin.x, -origin.y, &oldOrigin);
  if (SendMessageA(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0) {
    RECT r = item->rcItem;
    OffsetRect(&r, origin.x, origin.y);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  }
  SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);

  HMODULE module = ProgramInstance();
  HPALETTE palette = nullptr;
  HBITMAP banner = LoadPaletteBitmap(module, IDB_ABOUT_BANNER, &palette);
  HBITMAP picture = id == IDB_ABOUT_BANNER ? banner : LoadPaletteBitmap(module, id, nullptr);
  HDC memory = CreateCompatibleDC(dc);
  HPALETTE oldPalette = nullptr;
  HPALETTE oldMemoryPalette = nullptr;
  if (palette != nullptr) {
    oldPalette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    oldMemoryPalette = SelectPalette(memory, palette, TRUE);
  }
  if (picture != nullptr) {
    BITMAP size = {};
    GetObjectA(picture, sizeof size, &size);
    HGDIOBJ oldBitmap = SelectObject(memory, picture);
    DrawScaledOnPage(dc, item->rcItem.left, item->rcItem.top, size.bmWidth, size.bmHeight, memory,
                     WindowDpi(item->hwndItem));
    SelectObject(memory, oldBitmap);
  }
  if (palette != nullptr) {
    SelectPalette(memory, oldMemoryPalette, TRUE);
    SelectPalette(dc, oldPalette, TRUE);
  }
  DeleteDC(memory);
  if (picture != nullptr && picture != banner) DeleteObject(picture);
  if (banner != nullptr) DeleteObject(banner);
  if (palette != nullptr) DeleteObject(palette);
}

const PageSteps kSteps = {ShowVersionLine, nullptr, nullptr};

}  // namespace

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: KeepParts(page, lParam); return TRUE;
    case WM_NOTIFY: return AnswerPageNotify(page, reinterpret_cast<const NMHDR*>(lParam), kSteps);
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != IDC_ABOUT_BANNER && item->CtlID != IDC_ABOUT_EMBLEM) return FALSE;
      DrawPicture(item);
      return TRUE;
    }
    default: return FALSE;
  }
}
