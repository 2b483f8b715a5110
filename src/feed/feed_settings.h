// The settings one feed pass reads, copied by the refresh worker before the pass so that the pass
// never touches settings that the preference pages may be changing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_store.h"
#include "settings/ticker_prefs.h"

// Room for a resolved server address (base, service path and path).
constexpr size_t kFeedEndpointSize = 200;

struct FeedSettings : ContentSelection {
  // The account ("My Vexlo!"). User id and password are the in-memory forms: the password
  // already Base64-decoded from "Vexlo! EPassword", every space in both already turned into '+'.
  bool accountMode = false;
  char userId[kTextValueSize] = "";
  char password[200] = "";

  // Mail alerts.
  bool mailAlertIcon = false;                   // "Mail Alert Icon"
  bool mailAlertSound = false;                  // "Mail Alert Sound"
  bool otherMailSound = false;                  // "Other Mail Sound"
  int32_t mailSoundIndex = 0;                   // "Mail Sound Index"
  char otherMailSoundName[kTextValueSize] = "";  // "Other Mail Sound Name"

  // Where the requests go. An override, when set, replaces the endpoint it stands beside.
  char loginServer[kTextValueSize] = "";            // "Login Server"
  char dataServer[kTextValueSize] = "";             // "Data Server"
  char loginEndpoint[kFeedEndpointSize] = "";       // portal + "/config/tlxlogin?login="
  char dataEndpoint[kFeedEndpointSize] = "";        // publisher + "/tlx/update"
  char accountSetupPage[kFeedEndpointSize] = "";    // portal + "/config/eval_suggest"
  char makerHomePage[kFeedEndpointSize] = "";       // maker + "/": the sponsor caption's link
};

// Fills what the in-memory preference copies do not hold, straight from the store: "Airports"
// (read afresh), "Other Mail Sound", "Mail Sound Index", "Other Mail Sound Name", "Login Server",
// "Data Server", and the four resolved addresses. The caller fills the rest from its copies.
void ReadFeedStoreSettings(SettingsStore& settings, FeedSettings* out);
