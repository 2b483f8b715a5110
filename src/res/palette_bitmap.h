// Reading device-independent bitmaps from bytes that may be truncated or hostile: a packed DIB
// (as a bitmap resource holds it) or a whole .bmp file. Every size and offset is checked against
// the bytes given; the result only points into them, and only at bytes that exist.
#pragma once

#include <cstddef>
#include <cstdint>

struct PaletteColor {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const PaletteColor& o) const {
    return red == o.red && green == o.green && blue == o.blue;
  }
};

// The largest side accepted; far beyond any picture of the program, small enough that a row's
// and the image's byte counts cannot overflow.
constexpr int32_t kMaxDibSide = 16384;
constexpr uint32_t kMaxDibColors = 256;

struct ParsedDib {
  int32_t width = 0;
  int32_t height = 0;     // as stored: negative for a top-down picture
  uint16_t bitCount = 0;  // 1, 4, 8, 24 or 32, uncompressed
  uint32_t colorCount = 0;  // entries in the colour table (0 for 24 and 32 bits without one)
  const uint8_t* colors = nullptr;  // colorCount entries of blue, green, red, reserved
  const uint8_t* bits = nullptr;    // rowBytes * |height| bytes of pixels
  size_t rowBytes = 0;              // one row, padded to four bytes
  size_t imageBytes = 0;
};

// A packed DIB: a BITMAPINFOHEADER (or a larger V4/V5 header), its colour table, then the pixels.
// False, leaving *out empty, for anything this reader does not take: another header, compression,
// a bit count other than 1, 4, 8, 24 or 32, a side of 0 or past kMaxDibSide, a colour table larger
// than the bit count allows, or fewer bytes than the header, table and pixels need.
bool ParsePackedDib(const uint8_t* data, size_t size, ParsedDib* out);

// A .bmp file: the 14-byte file header ("BM", the pixels' offset), then a packed DIB whose pixels
// start at that offset, which must lie past the colour table. The file's own size field is not
// trusted; the bytes given are.
bool ParseBmpFile(const uint8_t* data, size_t size, ParsedDib* out);

// The logical palette a parsed picture brings: its colour table for 8 bits per pixel or fewer,
// else none. Returns the number of entries written to out (room for kMaxDibColors).
uint32_t DibPalette(const ParsedDib& dib, PaletteColor* out);

// The three greys of the button colours that the program's pictures use (shadow, face, light),
// replaced by the user's own, so that a picture's background is the user's button face.
struct ButtonGreys {
  PaletteColor shadow, face, light;
};
void MapButtonGreys(PaletteColor* colors, uint32_t count, const ButtonGreys& user);
