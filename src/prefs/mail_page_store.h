// What the Mail Alerts tab does apart from its window and its bound controls: the sound file it
// proposes the first time, what it accepts as a picked file, and the interval as typed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_store.h"

constexpr size_t kMailCycleChars = 10;
// The proposed sound, under the Windows directory.
constexpr const char* kDefaultMailSoundTail = "\\Media\\ding.wav";

// The sound file the page shows. A path never chosen becomes the Windows directory's
// "Media\ding.wav" and is stored as chosen; when that path would not fit a text value nothing is
// stored and the path stays empty.
void LoadMailSoundPath(SettingsStore& settings, const char* windowsDirectory,
                       char (&path)[kTextValueSize]);

// Whether a picked file can become "Other Mail Sound Name": a path that a text value would cut
// would name another file, so it is refused whole.
bool MailSoundPathFits(const char* path);

// The interval as typed: an unsigned decimal number, blanks around it allowed, stored as typed
// even outside the arrows' range; anything else, an overflow included, is 0.
int32_t ParseMailCycle(const char* text);
