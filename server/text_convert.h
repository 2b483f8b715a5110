// Headline text for a single-byte strip: UTF-8 and HTML in, one clean line of Windows-1252 out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Windows-1252 bytes for a UTF-8 text. Characters without such a byte, and bytes that are not
// valid UTF-8 (each one), become '?'. Nothing else is changed.
std::string Utf8ToWindows1252(std::string_view utf8);

// The byte for one code point, or 0 when Windows-1252 has none. Code points below 0x80 map to
// themselves (0 included, so test the code point, not the result, for NUL).
unsigned char Windows1252Byte(char32_t codePoint);

// Removes markup: a '<' followed by a letter, '/', '!' or '?' through the next '>'. A '<' with
// no '>' after it stays, so "a < b" survives.
std::string StripMarkup(std::string_view html);

// Decodes HTML character references (the HTML 4 names with their ';', and decimal or hex
// numbers) to UTF-8. Unknown names stay as written; numbers that are no character become U+FFFD.
std::string DecodeHtmlReferences(std::string_view text);

// A headline as the strip shows it: markup and references removed when the text is HTML, every
// run of white space or control characters one space, no leading or trailing space, invisible
// characters (zero-width, combining marks) dropped, converted to Windows-1252, and cut to at
// most maxChars bytes at a word where one is near, ending in an ellipsis (0x85) when cut.
std::string CleanHeadline(std::string_view utf8, bool isHtml, size_t maxChars);
