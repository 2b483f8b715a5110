// The feed pass's settings read from the store.
#include "feed/feed_settings.h"

#include "settings/endpoints.h"

void ReadFeedStoreSettings(SettingsStore& settings, FeedSettings* out) {
  settings.ReadTextValue(value_name::kAirports, out->airports);
  out->otherMailSound = settings.ReadSetting(SettingId::kOtherMailSound) != 0;
  out->mailSoundIndex = settings.ReadSetting(SettingId::kMailSoundIndex);
  settings.ReadTextValue(value_name::kOtherMailSoundName, out->otherMailSoundName);
  settings.ReadTextValue(value_name::kLoginServer, out->loginServer);
  settings.ReadTextValue(value_name::kDataServer, out->dataServer);

  // An address too long for its field is left empty rather than cut: a cut address would reach
  // some other page.
  BuildEndpointUrl(settings, Endpoint::kPortal, "/config/tlxlogin?login=", out->loginEndpoint,
                   sizeof out->loginEndpoint);
  BuildEndpointUrl(settings, Endpoint::kPublisherData, "/tlx/update", out->dataEndpoint,
                   sizeof out->dataEndpoint);
  BuildEndpointUrl(settings, Endpoint::kPortal, "/config/eval_suggest", out->accountSetupPage,
                   sizeof out->accountSetupPage);
  BuildEndpointUrl(settings, Endpoint::kMaker, "/", out->makerHomePage,
                   sizeof out->makerHomePage);
}
