// Fetching a news document over http or https, bounded in time and size.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

struct FetchLimits {
  long timeoutSeconds = 20;           // the whole transfer, connecting included
  size_t maxBytes = 2 * 1024 * 1024;  // of the body as received, after any decompression
};

// Fetches the body of an http:// or https:// address, following at most five redirects (to
// http or https only). False with *error saying why for any other scheme, a failed transfer, a
// status other than 2xx, a body over the limit, or when *cancel becomes true meanwhile. When
// charset is given it receives the charset the answer's Content-Type names ("" for none).
bool FetchUrl(const std::string& url, const FetchLimits& limits, const std::atomic<bool>* cancel,
              std::string* body, std::string* error, std::string* charset = nullptr);
