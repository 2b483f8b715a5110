// Fuzzes realm extraction from raw headers, and the "Proxy Pass" scrambling.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "net/http_auth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> headers(new char[size + 1]);
  std::memcpy(headers.get(), data, size);
  headers[size] = '\0';
  const size_t length = std::strlen(headers.get());

  const char* realm = ExtractRealm(headers.get());
  if (realm != nullptr) {
    if (realm < headers.get() || realm > headers.get() + length) __builtin_trap();
    volatile size_t realmLength = std::strlen(realm);
    (void)realmLength;
  }

  // Scrambling twice gives back the start of the text: all of it unless a byte met its key.
  std::unique_ptr<char[]> original(new char[size + 1]);
  std::memcpy(original.get(), data, size);
  original[size] = '\0';
  std::unique_ptr<char[]> password(new char[size + 1]);
  std::memcpy(password.get(), original.get(), size + 1);
  ScrambleProxyPassword(password.get());
  ScrambleProxyPassword(password.get());
  const size_t kept = std::strlen(password.get());
  if (std::memcmp(password.get(), original.get(), kept) != 0) __builtin_trap();
  return 0;
}
