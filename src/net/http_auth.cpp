// Realm extraction and proxy password scrambling.
#include "net/http_auth.h"

#include <cstring>

namespace {

// The word and the '=' after it.
constexpr size_t kRealmWordSkip = 6;
// How far past the word and '=' the opening quote may be.
constexpr size_t kOpeningQuoteReach = 10;
// How far past the realm's first character the closing quote may be.
constexpr size_t kClosingQuoteReach = 50;

}  // namespace

char* ExtractRealm(char* headers) {
  if (headers == nullptr) return nullptr;
  char* word = std::strstr(headers, "realm");
  if (word == nullptr) word = std::strstr(headers, "REALM");
  if (word == nullptr) word = std::strstr(headers, "Realm");
  if (word == nullptr) return nullptr;

  // Each step stops at the NUL: a realm word at the very end leaves the empty realm.
  char* realm = word;
  for (size_t i = 0; i < kRealmWordSkip && *realm != '\0'; ++i) ++realm;
  for (size_t i = 0; i < kOpeningQuoteReach && *realm != '\0'; ++i) {
    if (*realm++ == '"') break;
  }
  if (*realm == '\0') return realm;

  // An empty quoted realm ends at its own first character.
  if (*realm == '"') {
    *realm = '\0';
    return realm;
  }
  char* p = realm + 1;
  for (size_t i = 0; i < kClosingQuoteReach && *p != '\0'; ++i, ++p) {
    if (*p == '"') {
      *p = '\0';
      break;
    }
  }
  return realm;
}

void ScrambleProxyPassword(char* text) {
  if (text == nullptr) return;
  for (size_t i = 0; i < std::strlen(text); ++i) {
    text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ ((i + 1) & 0xFF));
  }
}
