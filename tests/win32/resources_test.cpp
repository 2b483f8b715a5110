// The drawn resources as the program loads them: bitmaps through LoadImage with the 3-D colours
// mapped, cursors and icons through the user32 loaders, the mail chimes as raw WAVE data, and the
// manifest as the loader understood it. They are linked into this test program, so its own
// module holds them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "res/resource.h"
#include "support/program_texts.h"

namespace {

HMODULE Module() { return GetModuleHandleA(nullptr); }

struct ResourceBytes {
  const uint8_t* data = nullptr;
  DWORD size = 0;
};

ResourceBytes FindBytes(const char* name, const char* type) {
  ResourceBytes out;
  HRSRC found = FindResourceA(Module(), name, type);
  if (found == nullptr) return out;
  HGLOBAL loaded = LoadResource(Module(), found);
  if (loaded == nullptr) return out;
  out.data = static_cast<const uint8_t*>(LockResource(loaded));
  out.size = SizeofResource(Module(), found);
  return out;
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Dword(const uint8_t* p) { return Word(p) | static_cast<uint32_t>(Word(p + 2)) << 16; }

struct BitmapCase {
  int id;
  int width;
  int height;
};

// The control panel's bitmaps: drawn on the button face, which must follow the user's colours.
constexpr BitmapCase kPanelBitmaps[] = {
    {IDB_LOGO, 20, 13}, {IDB_MAIL, 19, 13}, {IDB_SEARCH, 11, 12}, {IDB_SEARCH_SHOWN, 11, 12}};
// The About page's 256-colour pictures.
constexpr BitmapCase kAboutPictures[] = {{162, 206, 43}, {169, 58, 52}};

COLORREF CornerPixel(HBITMAP bitmap) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF pixel = GetPixel(dc, 0, 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  return pixel;
}

TEST(Resources, PanelBitmapsLoadAtTheirSizesOnTheButtonFace) {
  for (const BitmapCase& c : kPanelBitmaps) {
    SCOPED_TRACE("bitmap " + std::to_string(c.id));
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(Module(), MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, c.height);
    DeleteObject(bitmap);

    // Only a colour table is remapped: a bitmap without one would keep a grey background
    // whatever the user's button colour is.
    HBITMAP dib = static_cast<HBITMAP>(LoadImageA(Module(), MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0,
                                                  0, LR_LOADMAP3DCOLORS | LR_CREATEDIBSECTION));
    ASSERT_NE(dib, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(dib, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_LE(section.dsBmih.biBitCount, 8);
    EXPECT_EQ(CornerPixel(dib), GetSysColor(COLOR_3DFACE));
    DeleteObject(dib);
  }
}

TEST(Resources, AboutPicturesAre256ColourBitmapsSharingOneColourTable) {
  const uint8_t* firstTable = nullptr;
  for (const BitmapCase& c : kAboutPictures) {
    SCOPED_TRACE("picture " + std::to_string(c.id));
    const UINT flags = LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(Module(), MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0, 0, flags));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, c.width);
    EXPECT_EQ(section.dsBm.bmHeight, c.height);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 8);
    EXPECT_EQ(CornerPixel(bitmap), GetSysColor(COLOR_3DFACE));
    DeleteObject(bitmap);

    // A full 256-entry colour table, the same in both: the About page draws both pictures with
    // the banner's palette.
    ResourceBytes raw = FindBytes(MAKEINTRESOURCEA(c.id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_NE(raw.data, nullptr);
    ASSERT_GE(raw.size, 40u + 1024u);
    BITMAPINFOHEADER header;
    std::memcpy(&header, raw.data, sizeof header);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 256) << header.biClrUsed;
    const DWORD stride = (static_cast<DWORD>(c.width) + 3) & ~3u;
    EXPECT_GE(raw.size, 40u + 1024u + stride * c.height);
    const uint8_t* table = raw.data + header.biSize;
    if (firstTable == nullptr) {
      firstTable = table;
    } else {
      EXPECT_EQ(std::memcmp(firstTable, table, 1024), 0);
    }
  }
}

struct CursorCase {
  int id;
  DWORD hotX;
  DWORD hotY;
};

TEST(Resources, CursorsAreMonochromeWithTheirHotSpotsOnAVisiblePixel) {
  for (const CursorCase& c : {CursorCase{IDCUR_HAND, 13, 0}, CursorCase{IDCUR_SIZING, 15, 15}}) {
    SCOPED_TRACE("cursor " + std::to_string(c.id));
    HCURSOR cursor = LoadCursorA(Module(), MAKEINTRESOURCEA(c.id));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, c.hotX);
    EXPECT_EQ(info.yHotspot, c.hotY);
    EXPECT_EQ(info.hbmColor, nullptr);  // monochrome: the mask holds both halves
    ASSERT_NE(info.hbmMask, nullptr);
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64);

    // The AND half is on top; a clear bit is a drawn pixel, so the pointer's tip can be seen.
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } bmi{};
    bmi.header.biSize = sizeof bmi.header;
    bmi.header.biWidth = 32;
    bmi.header.biHeight = -64;
    bmi.header.biPlanes = 1;
    bmi.header.biBitCount = 1;
    uint8_t bits[64 * 4] = {};
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(dc, info.hbmMask, 0, 64, bits, reinterpret_cast<BITMAPINFO*>(&bmi),
                        DIB_RGB_COLORS),
              64);
    ReleaseDC(nullptr, dc);
    const uint8_t andByte = bits[c.hotY * 4 + c.hotX / 8];
    EXPECT_EQ(andByte & (0x80 >> (c.hotX % 8)), 0);

    DeleteObject(info.hbmMask);
  }
}

TEST(Resources, IconsHaveALargeAndASmallImage) {
  const char* const names[] = {MAKEINTRESOURCEA(IDI_TICKER), "generic"};
  for (const char* name : names) {
    const std::string label = IS_INTRESOURCE(name) ? std::to_string(IDI_TICKER) : name;
    SCOPED_TRACE("icon " + label);
    HICON icon = LoadIconA(Module(), name);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_TRUE(info.fIcon);
    ASSERT_NE(info.hbmColor, nullptr);
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // The notification area and small captions ask for 16 x 16: the group must hold that
    // image itself, not leave it to be shrunk from the large one.
    ResourceBytes group = FindBytes(name, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_NE(group.data, nullptr);
    ASSERT_GE(group.size, 6u);
    const uint16_t count = Word(group.data + 4);
    ASSERT_GE(group.size, 6u + 14u * count);
    bool has32 = false, has16 = false;
    for (uint16_t i = 0; i < count; ++i) {
      const uint8_t* entry = group.data + 6 + 14 * i;
      has32 |= entry[0] == 32 && entry[1] == 32;
      has16 |= entry[0] == 16 && entry[1] == 16;
      EXPECT_GE(Word(entry + 6), 4) << "colour icons, 16 or 256 colours";
    }
    EXPECT_TRUE(has32);
    EXPECT_TRUE(has16);

    HICON smallIcon = static_cast<HICON>(LoadImageA(Module(), name, IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(smallIcon, nullptr);
    ASSERT_TRUE(GetIconInfo(smallIcon, &info));
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(smallIcon);
  }
}

struct Wave {
  uint16_t format = 0, channels = 0, bits = 0;
  uint32_t rate = 0, byteRate = 0;
  const uint8_t* samples = nullptr;
  uint32_t dataSize = 0;
};

// Walks the RIFF chunks, refusing any that would run past the resource.
bool ParseWave(const ResourceBytes& raw, Wave* wave) {
  if (raw.size < 12 || std::memcmp(raw.data, "RIFF", 4) != 0 ||
      std::memcmp(raw.data + 8, "WAVE", 4) != 0 || Dword(raw.data + 4) + 8 > raw.size) {
    return false;
  }
  const uint8_t* end = raw.data + 8 + Dword(raw.data + 4);
  for (const uint8_t* p = raw.data + 12; p + 8 <= end;) {
    const uint32_t size = Dword(p + 4);
    const uint8_t* body = p + 8;
    if (size > static_cast<uint32_t>(end - body)) return false;
    if (std::memcmp(p, "fmt ", 4) == 0 && size >= 16) {
      wave->format = Word(body);
      wave->channels = Word(body + 2);
      wave->rate = Dword(body + 4);
      wave->byteRate = Dword(body + 8);
      wave->bits = Word(body + 14);
    } else if (std::memcmp(p, "data", 4) == 0) {
      wave->samples = body;
      wave->dataSize = size;
    }
    p = body + size + (size & 1);
  }
  return wave->format != 0 && wave->samples != nullptr;
}

TEST(Resources, MailChimesAreShortPcmWaves) {
  const uint8_t* first = nullptr;
  uint32_t firstSize = 0;
  // The program asks for "Sound1" and "Sound2": resource names are matched without case.
  for (const char* name : {"Sound1", "SOUND2"}) {
    SCOPED_TRACE(name);
    ResourceBytes raw = FindBytes(name, "WAVE");
    ASSERT_NE(raw.data, nullptr);
    Wave wave;
    ASSERT_TRUE(ParseWave(raw, &wave));
    EXPECT_EQ(wave.format, 1);  // PCM
    EXPECT_EQ(wave.channels, 1);
    EXPECT_TRUE(wave.rate == 11025 || wave.rate == 22050) << wave.rate;
    ASSERT_TRUE(wave.bits == 8 || wave.bits == 16) << wave.bits;
    EXPECT_EQ(wave.byteRate, wave.rate * wave.bits / 8);
    const double seconds = static_cast<double>(wave.dataSize) / (wave.rate * wave.bits / 8);
    EXPECT_LE(seconds, 1.0);
    EXPECT_GE(seconds, 0.2);

    // Audible, and ending at rest so that the last sample does not click.
    int peak = 0, last = 0;
    const uint32_t count = wave.dataSize / (wave.bits / 8);
    for (uint32_t i = 0; i < count; ++i) {
      const int value = wave.bits == 16 ? static_cast<int16_t>(Word(wave.samples + 2 * i))
                                        : (wave.samples[i] - 128) * 256;
      peak = value > peak ? value : (-value > peak ? -value : peak);
      last = value;
    }
    EXPECT_GT(peak, 32768 / 4);
    EXPECT_LT(last < 0 ? -last : last, 32768 / 100);

    if (first == nullptr) {
      first = wave.samples;
      firstSize = wave.dataSize;
    } else {
      EXPECT_FALSE(firstSize == wave.dataSize && std::memcmp(first, wave.samples, firstSize) == 0)
          << "the two chimes are the same";
    }
  }
}

// The string table the program loads is the one the texts' source describes, entry for entry and
// byte for byte (trailing spaces included).
TEST(Resources, TheStringTableHoldsEveryProgramText) {
  for (const ProgramTextRow& row : kProgramTexts) {
    char loaded[1024] = "";
    const int n = LoadStringA(Module(), static_cast<UINT>(row.id), loaded, sizeof loaded);
    EXPECT_EQ(n, static_cast<int>(std::strlen(row.text))) << row.id;
    EXPECT_STREQ(loaded, row.text) << row.id;
  }
}

}  // namespace

// Windows draws the caption buttons of every window, message box and installer page with the
// symbols of the Marlett font; where the prefix lacks it (Debian's fonts-wine), Wine falls back to
// a text font and the close button reads "r".
TEST(Resources, TheCaptionButtonsSymbolFontIsInstalled) {
  HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH, "Marlett");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = "";
  GetTextFaceA(dc, sizeof face, face);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  EXPECT_STREQ(face, "Marlett");
}

// The program's manifest comes into this test program with the other resources, so the loader
// takes it when the process starts, as it does for Ticker.exe (a manifest it cannot read stops a
// program from starting on Windows): the common controls come from the side-by-side store, not
// the system folder, and the settings read back are the manifest's.
TEST(Resources, TheLoaderTakesTheManifest) {
  char controls[MAX_PATH] = "";
  GetModuleFileNameA(LoadLibraryA("comctl32.dll"), controls, MAX_PATH);
  EXPECT_NE(std::string(controls).find("common-controls_6595b64144ccf1df_6."), std::string::npos)
      << controls;

  // Asked of kernel32 by name: Windows 7 and Wine have it, the headers of this build's Windows
  // version do not declare it.
  using QuerySettings = BOOL(WINAPI*)(DWORD, HANDLE, const wchar_t*, const wchar_t*, wchar_t*,
                                      SIZE_T, SIZE_T*);
  auto query = reinterpret_cast<QuerySettings>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
  ASSERT_NE(query, nullptr);
  wchar_t awareness[64] = L"";
  ASSERT_TRUE(query(0, nullptr, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                    L"dpiAwareness", awareness, 64, nullptr));
  EXPECT_STREQ(awareness, L"PerMonitorV2,System");
}
