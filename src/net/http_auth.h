// The portable half of HTTP authentication: the realm named in an authentication answer's
// headers, and the scrambled storage form of the "Proxy Pass" setting.
#pragma once

#include <cstddef>

// Finds the realm in raw response headers (NUL-terminated) for the credentials dialog: the first
// of the words "realm", "REALM", "Realm" found; the text starts just after the first double quote
// within 10 characters past the word and its '=' and ends at the next double quote, which is
// looked for at most 50 characters further and is overwritten with a NUL. Without that closing
// quote the realm runs to the end of the headers; an empty quoted realm ("") is the empty text.
//
// Returns a pointer into `headers`, or null when no realm word is there. Reads nothing past the
// headers' NUL and writes nothing but that one closing quote.
char* ExtractRealm(char* headers);

// Scrambles or unscrambles (the same operation) a "Proxy Pass" text in place: the byte at
// position i is XORed with i+1. The length is measured again at every step, so a byte that turns
// into 0 ends the text there; that is the stored form, and a password holding the byte i+1 at
// position i is stored cut.
void ScrambleProxyPassword(char* text);
