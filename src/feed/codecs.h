// Small text converters: HTML character references in feed texts, Base64 for the stored account
// password, and the query form of the user id and password.
#pragma once

#include <cstddef>

// Writes the one ANSI byte that the character reference at `text` (pointing at the '&') stands
// for at *out. Names match as prefixes with exact case; numeric references read up to three
// digits; anything unknown gives a space. Never reads past the text's NUL.
void DecodeHtmlEntity(char* out, const char* text);

// Base64 (RFC 2045 alphabet, '=' padding) of the text's bytes up to its NUL, NUL-terminated.
// Returns output; with a null text or output nothing is written and "" is returned.
// The output must hold 4 * ceil(n / 3) + 1 bytes.
char* Base64Encode(const char* text, char* output);

// The decoded bytes, NUL-terminated. A length that is not a multiple of 4, or a '=' as the second
// character of a group, gives the empty text; foreign characters count as zero bits.
// The output must hold 3 * n / 4 + 1 bytes.
char* Base64Decode(const char* text, char* output);

// Bounded forms: outputs of `capacity` bytes, never written past; a result that would not fit
// is cut at a whole group (encode) or byte (decode). Return the number of bytes written.
size_t Base64EncodeBounded(const char* text, char* output, size_t capacity);
size_t Base64DecodeBounded(const char* text, char* output, size_t capacity);

// Letters and digits are copied, a space or '+' becomes '+', every other byte "%XX" (uppercase
// hex). At most capacity-1 characters are written and an escape is never split; returns the length.
size_t EncodeQueryValue(const char* text, char* output, size_t capacity);
