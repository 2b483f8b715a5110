// Bitmaps read from untrusted bytes: every header that lies about a size or an offset gives no
// picture, and what is accepted points only at bytes that exist.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "res/palette_bitmap.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A .bmp file: file header, a header of headerSize bytes, `colors` table entries, the pixels.
struct BmpSpec {
  int32_t width = 5;
  int32_t height = 3;
  uint16_t bits = 8;
  uint32_t colorsUsed = 0;
  uint32_t tableEntries = 256;
  uint32_t headerSize = 40;
};

size_t RowBytes(const BmpSpec& s) { return (static_cast<size_t>(s.width) * s.bits + 31) / 32 * 4; }

Bytes MakeBmp(const BmpSpec& s) {
  const size_t rows = static_cast<size_t>(s.height < 0 ? -s.height : s.height);
  const size_t offset = 14 + s.headerSize + s.tableEntries * 4;
  Bytes b(offset + RowBytes(s) * rows, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, s.headerSize);
  Put32(b, 18, static_cast<uint32_t>(s.width));
  Put32(b, 22, static_cast<uint32_t>(s.height));
  Put16(b, 26, 1);
  Put16(b, 28, s.bits);
  Put32(b, 46, s.colorsUsed);
  for (uint32_t i = 0; i < s.tableEntries; ++i) {
    b[14 + s.headerSize + i * 4] = static_cast<uint8_t>(i);            // blue
    b[14 + s.headerSize + i * 4 + 1] = static_cast<uint8_t>(255 - i);  // green
    b[14 + s.headerSize + i * 4 + 2] = static_cast<uint8_t>(i / 2);    // red
  }
  for (size_t i = offset; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i);
  return b;
}

// The same picture as a bitmap resource holds it: no file header.
Bytes Packed(const Bytes& file) { return Bytes(file.begin() + 14, file.end()); }

TEST(PaletteBitmap, AcceptsWholePicturesAndPointsAtTheirPixels) {
  struct Row {
    const char* what;
    BmpSpec spec;
    uint32_t colorCount;
  };
  const Row rows[] = {
      {"8 bits, full table", {}, 256},
      {"8 bits, short table", {5, 3, 8, 16, 16, 40}, 16},
      {"top-down", {5, -3, 8, 0, 256, 40}, 256},
      {"4 bits", {7, 2, 4, 0, 16, 40}, 16},
      {"1 bit", {9, 2, 1, 0, 2, 40}, 2},
      {"24 bits, no table", {3, 3, 24, 0, 0, 40}, 0},
      {"32 bits, V5 header", {2, 2, 32, 0, 0, 124}, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const Bytes file = MakeBmp(r.spec);
    ParsedDib dib;
    ASSERT_TRUE(ParseBmpFile(file.data(), file.size(), &dib));
    EXPECT_EQ(dib.width, r.spec.width);
    EXPECT_EQ(dib.height, r.spec.height);
    EXPECT_EQ(dib.colorCount, r.colorCount);
    EXPECT_EQ(dib.rowBytes, RowBytes(r.spec));
    EXPECT_EQ(dib.bits + dib.imageBytes, file.data() + file.size()) << "the pixels end the file";

    const Bytes packed = Packed(file);
    ParsedDib fromResource;
    ASSERT_TRUE(ParsePackedDib(packed.data(), packed.size(), &fromResource));
    EXPECT_EQ(fromResource.bits - packed.data(), dib.bits - file.data() - 14);
    EXPECT_EQ(fromResource.imageBytes, dib.imageBytes);
  }
}

TEST(PaletteBitmap, RefusesHeadersThatLie) {
  struct Row {
    const char* what;
    std::function<void(Bytes&)> spoil;
  };
  const Row rows[] = {
      {"empty", [](Bytes& b) { b.clear(); }},
      {"file header only", [](Bytes& b) { b.resize(14); }},
      {"info header cut", [](Bytes& b) { b.resize(14 + 39); }},
      {"colour table cut", [](Bytes& b) { b.resize(14 + 40 + 100); }},
      {"last pixel missing", [](Bytes& b) { b.pop_back(); }},
      {"no BM", [](Bytes& b) { b[0] = 'X'; }},
      {"core header", [](Bytes& b) { Put32(b, 14, 12); }},
      {"header past the data", [](Bytes& b) { Put32(b, 14, 0x7FFFFFF0); }},
      {"V5 header cut", [](Bytes& b) { Put32(b, 14, 124); b.resize(14 + 100); }},
      {"odd header size", [](Bytes& b) { Put32(b, 14, 64); }},
      {"zero width", [](Bytes& b) { Put32(b, 18, 0); }},
      {"negative width", [](Bytes& b) { Put32(b, 18, static_cast<uint32_t>(-5)); }},
      {"huge width", [](Bytes& b) { Put32(b, 18, 0x40000000); }},
      {"zero height", [](Bytes& b) { Put32(b, 22, 0); }},
      {"most negative height", [](Bytes& b) { Put32(b, 22, 0x80000000u); }},
      {"height past the pixels", [](Bytes& b) { Put32(b, 22, 4); }},
      {"two planes", [](Bytes& b) { Put16(b, 26, 2); }},
      {"16 bits", [](Bytes& b) { Put16(b, 28, 16); }},
      {"zero bits", [](Bytes& b) { Put16(b, 28, 0); }},
      {"run-length compressed", [](Bytes& b) { Put32(b, 30, 1); }},
      {"bit fields", [](Bytes& b) { Put32(b, 30, 3); }},
      {"more colours than 8 bits hold", [](Bytes& b) { Put32(b, 46, 257); }},
      {"colour count that wraps", [](Bytes& b) { Put32(b, 46, 0x40000001); }},
      {"pixels inside the table", [](Bytes& b) { Put32(b, 10, 14 + 40 + 1000); }},
      {"pixels past the end", [](Bytes& b) { Put32(b, 10, static_cast<uint32_t>(b.size()) - 4); }},
      {"pixel offset wraps", [](Bytes& b) { Put32(b, 10, 0xFFFFFFFFu); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Bytes file = MakeBmp(BmpSpec());
    r.spoil(file);
    ParsedDib dib;
    dib.width = 99;
    // A copy of exactly the spoilt size, so that AddressSanitizer sees any read past it.
    std::vector<uint8_t> exact(file);
    EXPECT_FALSE(ParseBmpFile(exact.data(), exact.size(), &dib));
    EXPECT_EQ(dib.bits, nullptr);
    EXPECT_EQ(dib.width, 0) << "a refused picture leaves nothing behind";
  }
  ParsedDib dib;
  EXPECT_FALSE(ParseBmpFile(nullptr, 100, &dib));
  EXPECT_FALSE(ParsePackedDib(nullptr, 100, &dib));
  // A resource's size counts: the same bytes one short are refused.
  const Bytes packed = Packed(MakeBmp(BmpSpec()));
  EXPECT_FALSE(ParsePackedDib(packed.data(), packed.size() - 1, &dib));
}

TEST(PaletteBitmap, ThePaletteIsTheColourTableWithTheUsersButtonGreys) {
  BmpSpec spec;
  spec.colorsUsed = 4;
  spec.tableEntries = 4;
  Bytes file = MakeBmp(spec);
  const size_t table = 14 + 40;
  const uint8_t greys[4][3] = {{128, 128, 128}, {192, 192, 192}, {223, 223, 223}, {192, 192, 191}};
  for (int i = 0; i < 4; ++i) {
    for (int c = 0; c < 3; ++c) file[table + i * 4 + c] = greys[i][c];
  }
  ParsedDib dib;
  ASSERT_TRUE(ParseBmpFile(file.data(), file.size(), &dib));
  PaletteColor colors[kMaxDibColors];
  ASSERT_EQ(DibPalette(dib, colors), 4u);
  EXPECT_EQ(colors[3], (PaletteColor{191, 192, 192})) << "stored blue, green, red";
  ButtonGreys user{{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  MapButtonGreys(colors, 4, user);
  EXPECT_EQ(colors[0], user.shadow);
  EXPECT_EQ(colors[1], user.face);
  EXPECT_EQ(colors[2], user.light);
  EXPECT_EQ(colors[3], (PaletteColor{191, 192, 192})) << "a grey near the face stays";

  const Bytes truecolor = MakeBmp(BmpSpec{3, 3, 24, 0, 0, 40});
  ASSERT_TRUE(ParseBmpFile(truecolor.data(), truecolor.size(), &dib));
  EXPECT_EQ(DibPalette(dib, colors), 0u) << "no palette past 8 bits";
}

}  // namespace
