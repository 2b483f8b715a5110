// Opening links.
#include "desktop/open_url_win.h"

#include "window/ticker_state.h"

void OpenUrl(const char*) {}

void OpenEndpoint(Endpoint endpoint, const char* path) {
  char url[1024];
  if (BuildEndpointUrl(Settings(), endpoint, path, url, sizeof url)) OpenUrl(url);
}

void OpenLinkAt(int, int) {}
