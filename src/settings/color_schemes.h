// The ten named colour schemes and the loading and storing of the twelve strip colours.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/settings_store.h"

constexpr int kColorSchemeCount = 10;
constexpr int kStripColorValues = 12;

struct ColorScheme {
  const char* name;
  uint32_t us, worldAndTechnology, business, politics, sports, entertainment, symbol, quoteUp,
      quoteDown, quoteNc, background;
};

extern const ColorScheme kColorSchemes[kColorSchemeCount];

// A scheme's name as the Ticker tab's list shows it, in two columns: the name ("Neon on Blue",
// the spaces that padded it for a fixed-width font left out) and the kind in parentheses
// ("(VGA)"). A name without parentheses is all name. Both are cut to their capacities.
void SplitSchemeName(const char* name, char* label, size_t labelCapacity, char* kind,
                     size_t kindCapacity);

// The strip colours in the order the painter indexes them: US, World, Business, Politics, Sports,
// Entertainment, Technology, Quote UP, Quote DOWN, Quote NC, SYMBOL, Background.
extern const ColorId kStripColorIds[kStripColorValues];

// Reads all twelve colour values (SYMBOL, the quote colours and the background first, then the
// seven topic colours) into colors, indexed as kStripColorIds.
void LoadStripColors(SettingsStore& settings, uint32_t colors[kStripColorValues]);

// Stores n as "Color Scheme" and, for 0 to 9, the scheme's twelve colours; then reloads colors.
void ApplyColorScheme(SettingsStore& settings, int32_t n, uint32_t colors[kStripColorValues]);
