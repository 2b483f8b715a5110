// The content server that the ticker talks to unless a setting names another, and the port the
// server listens on unless told otherwise: one number for both sides.
#pragma once

#define NEWSRAIL_DEFAULT_PORT 18471
#define NEWSRAIL_TEXT_OF(x) #x
#define NEWSRAIL_TEXT(x) NEWSRAIL_TEXT_OF(x)

constexpr int kDefaultServerPort = NEWSRAIL_DEFAULT_PORT;
constexpr const char* kDefaultServer = "http://127.0.0.1:" NEWSRAIL_TEXT(NEWSRAIL_DEFAULT_PORT);
