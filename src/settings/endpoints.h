// Where the servers are: one table of default base addresses, each with one registry override.
// The defaults point at the local content server that ./run.sh starts.
#pragma once

#include <cstddef>

#include "settings/default_server.h"
#include "settings/settings_store.h"

enum class Endpoint {
  kPortal,           // login, account set-up, registration, help, personal page, home page
  kPortalMail,       // the portal's mail service
  kPortalSearch,     // the portal's search server
  kPortalQuotes,     // the portal's quote server (symbol look-up)
  kPortalGames,
  kPortalChat,
  kPortalClassifieds,
  kPortalBoards,
  kPortalPersonals,
  kPortalCalendar,
  kPortalClubs,
  kPublisherData,    // the data request
  kPublisherUpdate,  // update check and installer when an account is used
  kMaker,            // the maker's home page, update files and desk band library
};

struct EndpointInfo {
  Endpoint endpoint;
  const char* overrideName;  // the registry text value that replaces the default base
  const char* servicePath;   // where the service lives on that base
};

const EndpointInfo& DescribeEndpoint(Endpoint endpoint);

// base (the override, else kDefaultServer, without a trailing '/'), service path and path into
// out. False, with out holding the empty text, when the result does not fit.
bool BuildEndpointUrl(SettingsStore& settings, Endpoint endpoint, const char* path, char* out,
                      size_t capacity);
