// Opening web pages in the user's browser.
#pragma once

#include <windows.h>

#include "settings/endpoints.h"

void OpenUrl(const char* url);
// A page of one of the configured servers.
void OpenEndpoint(Endpoint endpoint, const char* path);
// The link that a click at client x of the ticker window means.
void OpenLinkAt(int x, int y);
