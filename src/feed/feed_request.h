// The addresses a feed pass requests (account login, data request, alternate and external news)
// and the reading of the login answer. Every address is assembled in a fixed field and cut, never
// overrun, when its parts are too long.
#pragma once

#include <cstddef>

#include "feed/feed_settings.h"

constexpr size_t kLoginAddressSize = 200;    // the login address, NUL included
constexpr size_t kRequestAddressSize = 500;  // the data request and alternate news addresses
constexpr size_t kEncodedCredentialSize = 49;  // an encoded user id or password: 48 characters

// `EncodeQueryValue` cut to 48 characters; an escape is never split.
size_t EncodeCredential(const char* text, char (&out)[kEncodedCredentialSize]);

// The "Login Server" value, or the portal's login endpoint when it is empty; then the encoded
// user id, "&passwd=" and the encoded password. Returns the length written (at most capacity-1).
size_t BuildLoginAddress(const FeedSettings& settings, const char* encodedUserId,
                         const char* encodedPassword, char* out, size_t capacity);

// The "Data Server" value, or the data endpoint when it is empty. Outside account mode the query
// follows: "?", "stocks=" and the symbols (then every '+' of the address so far becomes ','),
// "&", "weather=" with "f," or "c," and the airports, "&", "news=", the stories per topic, ","
// and the selected topic codes. In both modes "&" and the time `hhmmss` end the address.
size_t BuildDataRequestAddress(const FeedSettings& settings, const char* hhmmss, char* out,
                               size_t capacity);

// [Sponsor] "Alternate News" with the account in its query: "?ID=", the encoded user id,
// "&PASSWD=", the encoded password.
size_t BuildAlternateNewsAddress(const char* alternateNews, const char* encodedUserId,
                                 const char* encodedPassword, char* out, size_t capacity);

// [Sponsor] "External News", a backslash unless it ends with one, and "news.dat".
size_t BuildExternalNewsPath(const char* externalNews, char* out, size_t capacity);

// True when the text holds "http" or "HTTP" (the test for the sponsor picture and external news).
bool NamesHttpAddress(const char* text);

// What the portal's login answer means, by the first of these substrings it holds.
enum class LoginAnswer {
  kLoggedIn,     // "OK"
  kPreferences,  // "preferences": the account set-up is not complete
  kError,        // "ERROR:": bad user id or password
  kUnexpected,   // anything else: shown to the user, then treated as logged in
};

LoginAnswer ClassifyLoginAnswer(const char* answer);
