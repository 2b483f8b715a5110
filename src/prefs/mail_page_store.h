// What the Mail Alerts tab shows and stores, apart from its window: the values it loads (and the
// sound file it proposes the first time) and the values its Apply writes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_store.h"

constexpr size_t kMailCycleChars = 10;
// The proposed sound, under the Windows directory.
constexpr const char* kDefaultMailSoundTail = "\\Media\\ding.wav";

// What the page shows when it becomes active.
struct MailPageShown {
  int32_t mailAlertIcon = 0;
  int32_t mailIconCycle = 0;
  int32_t mailAlertSound = 0;
  int32_t soundIndex = 0;
  bool otherSound = false;
  char soundPath[kTextValueSize] = "";
};

// Reads the page's values. A sound path never chosen becomes the Windows directory's
// "Media\ding.wav" and is stored as chosen; when that path would not fit a text value nothing is
// stored and the path stays empty.
void LoadMailPage(SettingsStore& settings, const char* windowsDirectory, MailPageShown* shown);

// Whether a picked file can become "Other Mail Sound Name": a path that a text value would cut
// would name another file, so it is refused whole.
bool MailSoundPathFits(const char* path);

// The page's controls as Apply reads them.
struct MailPageValues {
  bool mailAlertIcon = false;
  char mailIconCycle[kMailCycleChars + 1] = "";
  bool mailAlertSound = false;
  bool otherSound = false;
  int32_t soundIndex = 0;  // the list's selection; -1 for none
};
// What Apply leaves in memory for the running ticker.
struct MailPageStored {
  int32_t mailAlertIcon = 0;
  int32_t mailIconCycle = 0;
  int32_t mailAlertSound = 0;
};

// The interval as typed: an unsigned decimal number, blanks around it allowed, stored as typed
// even outside the arrows' range; anything else, an overflow included, is 0.
int32_t ParseMailCycle(const char* text);

// Stores "Mail Alert Icon", "Mail Icon Cycle", "Mail Alert Sound", "Other Mail Sound" and
// "Mail Sound Index", in that order, nothing checked.
void StoreMailPage(SettingsStore& settings, const MailPageValues& values, MailPageStored* stored);
