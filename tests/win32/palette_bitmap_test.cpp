// The palette-aware loader on the program's own pictures (linked into this test program): their
// sizes, their palette, and the background that follows the user's button face.
#include <windows.h>

#include <gtest/gtest.h>

#include "res/palette_bitmap_win.h"
#include "res/resource.h"

namespace {

TEST(PaletteBitmapLoader, LoadsTheAboutPicturesWithTheirPalette) {
  const struct {
    int id;
    int width, height;
  } pictures[] = {{IDB_ABOUT_BANNER, 206, 43}, {IDB_ABOUT_EMBLEM, 58, 52}};
  HMODULE module = GetModuleHandleA(nullptr);
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.id);
    HPALETTE palette = nullptr;
    HBITMAP bitmap = LoadPaletteBitmap(module, p.id, &palette);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(palette, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, p.width);
    EXPECT_EQ(info.bmHeight, p.height);
    WORD entries = 0;
    ASSERT_EQ(GetObjectA(palette, sizeof entries, &entries), static_cast<int>(sizeof entries));
    EXPECT_EQ(entries, 256);

    // The pictures' background is the button face, which becomes the user's.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_3DFACE));
    SelectObject(dc, old);
    DeleteDC(dc);
    const UINT face = GetNearestPaletteIndex(palette, GetSysColor(COLOR_3DFACE));
    PALETTEENTRY entry{};
    ASSERT_EQ(GetPaletteEntries(palette, face, 1, &entry), 1u);
    EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), GetSysColor(COLOR_3DFACE));
    DeleteObject(bitmap);
    DeleteObject(palette);
  }

  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  EXPECT_EQ(LoadPaletteBitmap(module, 9999, &palette), nullptr);
  EXPECT_EQ(palette, nullptr) << "a missing picture brings no palette";
}

}  // namespace
