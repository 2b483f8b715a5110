// The server table.
#include "settings/endpoints.h"

#include <cstdlib>
#include <cstring>

namespace {

// All portal services share the "Portal Server" base, each under a path of its own, so that one
// content server can stand in for the whole portal.
const EndpointInfo kEndpoints[] = {
    {Endpoint::kPortal, "Portal Server", ""},
    {Endpoint::kPortalMail, "Portal Server", "/mail"},
    {Endpoint::kPortalSearch, "Portal Server", "/search"},
    {Endpoint::kPortalQuotes, "Portal Server", "/quotes"},
    {Endpoint::kPortalGames, "Portal Server", "/play"},
    {Endpoint::kPortalChat, "Portal Server", "/chat"},
    {Endpoint::kPortalClassifieds, "Portal Server", "/classifieds"},
    {Endpoint::kPortalBoards, "Portal Server", "/boards"},
    {Endpoint::kPortalPersonals, "Portal Server", "/personals"},
    {Endpoint::kPortalCalendar, "Portal Server", "/calendar"},
    {Endpoint::kPortalClubs, "Portal Server", "/clubs"},
    {Endpoint::kPublisherData, "Publisher Server", ""},
    {Endpoint::kPublisherUpdate, "Update Server", ""},
    {Endpoint::kMaker, "Maker Server", ""},
};

bool Append(char* out, size_t capacity, size_t* used, const char* text) {
  const size_t n = std::strlen(text);
  if (*used + n + 1 > capacity) return false;
  std::memcpy(out + *used, text, n + 1);
  *used += n;
  return true;
}

}  // namespace

const EndpointInfo& DescribeEndpoint(Endpoint endpoint) {
  for (const EndpointInfo& info : kEndpoints) {
    if (info.endpoint == endpoint) return info;
  }
  std::abort();
}

bool BuildEndpointUrl(SettingsStore& settings, Endpoint endpoint, const char* path, char* out,
                      size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  const EndpointInfo& info = DescribeEndpoint(endpoint);
  char base[kTextValueSize];
  settings.ReadTextValue(info.overrideName, base);
  if (base[0] == '\0') std::strcpy(base, kDefaultServer);
  size_t length = std::strlen(base);
  while (length > 0 && base[length - 1] == '/') base[--length] = '\0';

  size_t used = 0;
  if (!Append(out, capacity, &used, base) || !Append(out, capacity, &used, info.servicePath) ||
      !Append(out, capacity, &used, path != nullptr ? path : "")) {
    out[0] = '\0';
    return false;
  }
  return true;
}
