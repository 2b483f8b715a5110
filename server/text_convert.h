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

// The text a browser would show for an HTML fragment (UTF-8 in and out), read by libxml2's HTML
// parser: character references decoded, comments, scripts, styles and other elements that are
// never displayed left out, and a space where a block element or a line break separates words.
// White space is not collapsed here, and block elements may leave spaces at either end.
std::string HtmlToText(std::string_view html);

// How an element name reads as HTML, so that markup found as XML elements can be handed to the
// HTML parser as tags: unknown names are passed over (only their text counts).
enum class HtmlElementKind { kUnknown, kVoid, kContainer };
HtmlElementKind HtmlElementKindOf(std::string_view name);

// A headline as the strip shows it: the text of the HTML when isHtml, every run of white space or
// control characters one space, no leading or trailing space, invisible characters (zero-width,
// leftover combining marks) dropped, composed (NFC), characters Windows-1252 lacks spelled in
// Latin letters where a transliteration exists ('?' where none does), and cut to at most maxChars
// bytes at a word where one is near, ending in an ellipsis (0x85) when cut. C1 controls are
// taken as the Windows-1252 characters they were mistaken for.
std::string CleanHeadline(std::string_view utf8, bool isHtml, size_t maxChars);
