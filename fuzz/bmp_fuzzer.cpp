// Fuzzes the bitmap reader: a .bmp file and the same bytes as a bitmap resource. Whatever is
// accepted must lie inside the input; reading all of it lets AddressSanitizer check that.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "res/palette_bitmap.h"

namespace {

void Touch(const ParsedDib& dib, const uint8_t* data, size_t size) {
  if (dib.bits == nullptr) __builtin_trap();
  if (dib.bits < data || dib.imageBytes > size || dib.bits > data + size - dib.imageBytes) {
    __builtin_trap();
  }
  if (dib.width <= 0 || dib.height == 0 || dib.rowBytes == 0) __builtin_trap();
  volatile uint8_t sum = 0;
  for (size_t i = 0; i < dib.imageBytes; ++i) sum = sum + dib.bits[i];
  PaletteColor colors[kMaxDibColors];
  const uint32_t count = DibPalette(dib, colors);
  if (count > kMaxDibColors) __builtin_trap();
  MapButtonGreys(colors, count, ButtonGreys{});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so that a read one byte past the input is caught.
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size > 0 ? size : 1]);
  if (size > 0) std::memcpy(copy.get(), data, size);
  ParsedDib dib;
  if (ParseBmpFile(copy.get(), size, &dib)) Touch(dib, copy.get(), size);
  if (ParsePackedDib(copy.get(), size, &dib)) Touch(dib, copy.get(), size);
  if (size > 14 && ParsePackedDib(copy.get() + 14, size - 14, &dib)) {
    Touch(dib, copy.get() + 14, size - 14);
  }
  return 0;
}
