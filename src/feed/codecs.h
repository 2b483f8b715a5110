// Small text converters: HTML character references in feed texts, Base64 for the stored account
// password, and the query form of the user id and password.
#pragma once

#include <cstddef>
#include <string>

// Writes the one ANSI byte that the character reference at `text` (pointing at the '&') stands
// for at *out. Names match as prefixes with exact case; numeric references read up to three
// digits; anything unknown gives a space. Never reads past the text's NUL.
void DecodeHtmlEntity(char* out, const char* text);

// Base64 (RFC 2045 alphabet, '=' padding) of the text's bytes up to its NUL. The result is owned
// by the caller; a null text gives the empty text.
std::string Base64Encode(const char* text);

// The decoded bytes (a decoded zero byte stays in the result). A length that is not a multiple of
// 4, or a '=' as the second character of a group, gives the empty text; foreign characters count
// as zero bits. The result is owned by the caller; a null text gives the empty text.
std::string Base64Decode(const char* text);

// Into a caller's buffer of `capacity` bytes, never written past and always NUL-terminated when
// capacity > 0; a result that would not fit is cut at a whole group (encode) or byte (decode); a
// null text gives the empty text. Return the number of bytes written before the NUL.
size_t Base64EncodeBounded(const char* text, char* output, size_t capacity);
size_t Base64DecodeBounded(const char* text, char* output, size_t capacity);

// Letters and digits are copied, a space or '+' becomes '+', every other byte "%XX" (uppercase
// hex). At most capacity-1 characters are written and an escape is never split; returns the length.
size_t EncodeQueryValue(const char* text, char* output, size_t capacity);
