// The character encoding of a news document, found before it is parsed, and its text in UTF-8.
#pragma once

#include <string>
#include <string_view>

// The charset parameter of a Content-Type header value ("text/xml; charset=koi8-r" gives
// "koi8-r"), unquoted and trimmed; "" when there is none.
std::string CharsetFromContentType(std::string_view contentType);

// The encoding an XML declaration names ("" when there is no declaration or it names none).
// Only the first kilobyte is looked at.
std::string DeclaredXmlEncoding(std::string_view bytes);

// The document as UTF-8, without a byte-order mark. The encoding is taken from, in this order:
// a byte-order mark, the layout of "<?" in UTF-16 or UTF-32, transportCharset (the HTTP
// header's), the XML declaration, valid UTF-8, and else a guess from the bytes (uchardet),
// Windows-1252 when even that fails or when it guesses another Latin code page that reads no
// more of a short text as letters. Latin-1 and ASCII labels are read as Windows-1252, as
// browsers do; a label iconv does not know, or a UTF-16 or UTF-32 label on a document laid out
// in single bytes, is passed over. Bytes not valid in the encoding become U+FFFD each, except in
// UTF-8, where they are left for the headline's clean-up. *encoding tells which was used.
void DocumentToUtf8(std::string_view bytes, std::string_view transportCharset, std::string* utf8,
                    std::string* encoding);
