// Fuzzes Base64Decode and its bounded form, and checks that encoding then decoding gives the
// text back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "feed/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';
  const size_t length = std::strlen(text.get());

  // The unbounded form with exactly the room its contract asks for.
  std::unique_ptr<char[]> decoded(new char[3 * length / 4 + 1]);
  Base64Decode(text.get(), decoded.get());

  const size_t capacity = size > 0 ? data[0] % 16 : 0;
  std::unique_ptr<char[]> small(new char[capacity > 0 ? capacity : 1]);
  const size_t written = Base64DecodeBounded(text.get(), small.get(), capacity);
  if (capacity > 0 && written >= capacity) __builtin_trap();

  std::unique_ptr<char[]> encoded(new char[4 * ((length + 2) / 3) + 1]);
  Base64Encode(text.get(), encoded.get());
  std::unique_ptr<char[]> back(new char[length + 1]);
  Base64Decode(encoded.get(), back.get());
  if (std::strcmp(back.get(), text.get()) != 0) __builtin_trap();
  return 0;
}
