// The palette-aware bitmap loader. The resource's bytes are checked by ParsePackedDib first; GDI
// only ever sees a header built here and a pixel block whose size is known.
#include "res/palette_bitmap_win.h"

#include <cstring>
#include <vector>

namespace {

PaletteColor FromColorRef(COLORREF c) {
  return PaletteColor{GetRValue(c), GetGValue(c), GetBValue(c)};
}

// The colour table as the user sees it: what LR_LOADMAP3DCOLORS does to the greys.
uint32_t UserColors(const ParsedDib& dib, PaletteColor* colors) {
  const uint32_t count = DibPalette(dib, colors);
  ButtonGreys user;
  user.shadow = FromColorRef(GetSysColor(COLOR_3DSHADOW));
  user.face = FromColorRef(GetSysColor(COLOR_3DFACE));
  user.light = FromColorRef(GetSysColor(COLOR_3DLIGHT));
  MapButtonGreys(colors, count, user);
  return count;
}

HPALETTE PaletteFromColors(const PaletteColor* colors, uint32_t count) {
  if (count == 0) return nullptr;
  std::vector<unsigned char> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(count);
  for (uint32_t i = 0; i < count; ++i) {
    logical->palPalEntry[i].peRed = colors[i].red;
    logical->palPalEntry[i].peGreen = colors[i].green;
    logical->palPalEntry[i].peBlue = colors[i].blue;
    logical->palPalEntry[i].peFlags = 0;
  }
  return CreatePalette(logical);
}

HBITMAP CreateSection(HDC screen, const ParsedDib& dib, const PaletteColor* colors,
                      uint32_t count) {
  std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + kMaxDibColors * sizeof(RGBQUAD));
  BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(block.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = dib.width;
  info->bmiHeader.biHeight = dib.height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = dib.bitCount;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biClrUsed = count;
  for (uint32_t i = 0; i < count; ++i) {
    info->bmiColors[i].rgbRed = colors[i].red;
    info->bmiColors[i].rgbGreen = colors[i].green;
    info->bmiColors[i].rgbBlue = colors[i].blue;
  }
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr || pixels == nullptr) {
    if (bitmap != nullptr) DeleteObject(bitmap);
    return nullptr;
  }
  // A DIB section's rows are padded to four bytes, as the parsed rows are.
  std::memcpy(pixels, dib.bits, dib.imageBytes);
  GdiFlush();
  return bitmap;
}

}  // namespace

HPALETTE CreateDibPalette(const ParsedDib& dib, int* colors) {
  PaletteColor table[kMaxDibColors];
  const uint32_t count = UserColors(dib, table);
  if (colors != nullptr) *colors = static_cast<int>(count);
  return PaletteFromColors(table, count);
}

HBITMAP LoadPaletteBitmap(HMODULE module, int id, HPALETTE* palette) {
  if (palette != nullptr) *palette = nullptr;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (found == nullptr) return nullptr;
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  ParsedDib dib;
  if (bytes == nullptr || !ParsePackedDib(static_cast<const uint8_t*>(bytes), size, &dib)) {
    return nullptr;
  }

  PaletteColor colors[kMaxDibColors];
  const uint32_t count = UserColors(dib, colors);
  HDC screen = GetDC(nullptr);
  HPALETTE made = CreateDibPalette(dib, nullptr);
  HPALETTE previous = nullptr;
  if (made != nullptr) {
    previous = SelectPalette(screen, made, FALSE);
    RealizePalette(screen);
  }
  HBITMAP bitmap = CreateSection(screen, dib, colors, count);
  if (previous != nullptr) SelectPalette(screen, previous, FALSE);
  ReleaseDC(nullptr, screen);

  if (bitmap == nullptr || palette == nullptr) {
    if (made != nullptr) DeleteObject(made);
  } else {
    *palette = made;
  }
  return bitmap;
}
