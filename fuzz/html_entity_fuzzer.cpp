// Fuzzes DecodeHtmlEntity on every reference text that can follow an '&'.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "feed/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // '&', the bytes, NUL: exactly sized, so a read past the NUL is caught.
  std::unique_ptr<char[]> text(new char[size + 2]);
  text[0] = '&';
  std::memcpy(text.get() + 1, data, size);
  text[size + 1] = '\0';
  char out[2] = {'X', '#'};
  DecodeHtmlEntity(out, text.get());
  if (out[1] != '#') __builtin_trap();  // exactly one byte written
  return 0;
}
