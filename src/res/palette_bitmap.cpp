// Device-independent bitmaps read from untrusted bytes, and the palette they bring.
#include "res/palette_bitmap.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr uint32_t kUncompressed = 0;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

bool KnownHeaderSize(uint32_t size) {
  // BITMAPINFOHEADER, the two with colour masks appended, BITMAPV4HEADER and BITMAPV5HEADER.
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The header and colour table at the start of `data`; on success *tableEnd is the offset just past
// the colour table, and everything but the pixels is filled in.
bool ParseHeader(const uint8_t* data, size_t size, ParsedDib* dib, size_t* tableEnd) {
  if (data == nullptr || size < kInfoHeaderBytes) return false;
  const uint32_t headerSize = U32(data);
  if (!KnownHeaderSize(headerSize) || headerSize > size) return false;
  const int32_t width = I32(data + 4);
  const int32_t height = I32(data + 8);
  const uint16_t planes = U16(data + 12);
  const uint16_t bitCount = U16(data + 14);
  const uint32_t compression = U32(data + 16);
  const uint32_t colorsUsed = U32(data + 32);

  if (planes != 1 || compression != kUncompressed) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return false;
  }
  if (width <= 0 || width > kMaxDibSide) return false;
  // Compared before any negation: -INT32_MIN does not exist.
  if (height == 0 || height > kMaxDibSide || height < -kMaxDibSide) return false;

  uint32_t colorCount = colorsUsed;
  if (bitCount <= 8) {
    const uint32_t most = 1u << bitCount;
    if (colorsUsed > most) return false;
    if (colorsUsed == 0) colorCount = most;
  } else if (colorsUsed > kMaxDibColors) {
    return false;
  }
  const size_t tableBytes = static_cast<size_t>(colorCount) * 4;
  if (tableBytes > size - headerSize) return false;

  const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  dib->width = width;
  dib->height = height;
  dib->bitCount = bitCount;
  dib->colorCount = colorCount;
  dib->colors = colorCount > 0 ? data + headerSize : nullptr;
  dib->rowBytes = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
  dib->imageBytes = dib->rowBytes * rows;
  *tableEnd = headerSize + tableBytes;
  return true;
}

}  // namespace

bool ParsePackedDib(const uint8_t* data, size_t size, ParsedDib* out) {
  *out = ParsedDib();
  ParsedDib dib;
  size_t tableEnd = 0;
  if (!ParseHeader(data, size, &dib, &tableEnd)) return false;
  if (dib.imageBytes > size - tableEnd) return false;
  dib.bits = data + tableEnd;
  *out = dib;
  return true;
}

bool ParseBmpFile(const uint8_t* data, size_t size, ParsedDib* out) {
  *out = ParsedDib();
  if (data == nullptr || size < kFileHeaderBytes || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixelOffset = U32(data + 10);
  ParsedDib dib;
  size_t tableEnd = 0;
  if (!ParseHeader(data + kFileHeaderBytes, size - kFileHeaderBytes, &dib, &tableEnd)) return false;
  // The pixels may not overlap the headers or the colour table, and must all be there.
  if (pixelOffset < kFileHeaderBytes + tableEnd || pixelOffset > size) return false;
  if (dib.imageBytes > size - pixelOffset) return false;
  dib.bits = data + pixelOffset;
  *out = dib;
  return true;
}

uint32_t DibPalette(const ParsedDib& dib, PaletteColor* out) {
  if (dib.bitCount > 8 || dib.colors == nullptr) return 0;
  const uint32_t count = dib.colorCount < kMaxDibColors ? dib.colorCount : kMaxDibColors;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = dib.colors + static_cast<size_t>(i) * 4;
    out[i].blue = entry[0];
    out[i].green = entry[1];
    out[i].red = entry[2];
  }
  return count;
}

void MapButtonGreys(PaletteColor* colors, uint32_t count, const ButtonGreys& user) {
  const PaletteColor shadow{128, 128, 128}, face{192, 192, 192}, light{223, 223, 223};
  for (uint32_t i = 0; i < count; ++i) {
    if (colors[i] == shadow) {
      colors[i] = user.shadow;
    } else if (colors[i] == face) {
      colors[i] = user.face;
    } else if (colors[i] == light) {
      colors[i] = user.light;
    }
  }
}
