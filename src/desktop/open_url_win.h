// Opening web pages in the user's browser.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "settings/endpoints.h"

// A page that no browser took (set wherever a page is opened, the refresh worker included); the
// next housekeeping tick says so on the strip.
struct BrowserLinks {
  std::atomic<int32_t> notOpened{0};
};

// Fills command (kBrowserCommandSize bytes) with the ".htm" class's open command, trimmed so that
// a URL can follow; leaves it as it was when the registry has none.
void GetBrowserCommand(char* command);
// Opens url in the browser; when nothing takes it, links.notOpened is set.
void OpenUrl(BrowserLinks& links, const char* url);
// A page of one of the configured servers.
void OpenEndpoint(BrowserLinks& links, Endpoint endpoint, const char* path);
