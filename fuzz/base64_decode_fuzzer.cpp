// Fuzzes Base64Decode and its bounded form, and checks that encoding then decoding gives the
// text back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "feed/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  const size_t length = std::strlen(text.get());

  // The owned form: at most three bytes per four characters.
  if (Base64Decode(text.get()).size() > 3 * (length / 4)) __builtin_trap();

  const size_t capacity = size > 0 ? data[0] % 16 : 0;
  std::unique_ptr<char[]> small(new char[capacity > 0 ? capacity : 1]);
  const size_t written = Base64DecodeBounded(text.get(), small.get(), capacity);
  if (capacity > 0 && written >= capacity) __builtin_trap();

  const std::string encoded = Base64Encode(text.get());
  if (Base64Decode(encoded.c_str()) != std::string(text.get(), length)) __builtin_trap();
  return 0;
}
