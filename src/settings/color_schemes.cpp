// Colour schemes.
#include "settings/color_schemes.h"

namespace {
constexpr uint32_t C(uint32_t r, uint32_t g, uint32_t b) { return MakeColor(r, g, b); }
}  // namespace

// The names are shown as they stand in the Ticker tab's list, spacing included.
const ColorScheme kColorSchemes[kColorSchemeCount] = {
    {"Neon on Black (VGA)", C(255, 255, 0), C(0, 255, 255), C(0, 255, 0), C(192, 192, 192),
     C(255, 0, 0), C(255, 0, 255), C(255, 255, 255), C(0, 255, 0), C(255, 0, 0), C(255, 255, 0),
     C(0, 0, 0)},
    {"Neon on Blue  (VGA)", C(255, 255, 0), C(0, 255, 255), C(0, 255, 0), C(192, 192, 192),
     C(255, 0, 0), C(255, 0, 255), C(255, 255, 255), C(0, 255, 0), C(255, 0, 0), C(255, 255, 0),
     C(0, 0, 128)},
    {"Subtle Gray   (VGA)", C(0, 0, 128), C(0, 128, 128), C(0, 128, 0), C(128, 128, 128),
     C(128, 0, 0), C(128, 0, 128), C(0, 0, 0), C(0, 128, 0), C(128, 0, 0), C(255, 255, 0),
     C(192, 192, 192)},
    {"Slate  (Hi-Color)", C(48, 48, 48), C(48, 48, 48), C(48, 48, 48), C(48, 48, 48),
     C(48, 48, 48), C(48, 48, 48), C(96, 96, 96), C(30, 80, 30), C(80, 30, 30), C(48, 48, 48),
     C(192, 192, 192)},
    {"Wheat  (Hi-Color)", C(64, 48, 48), C(64, 48, 48), C(64, 48, 48), C(64, 48, 48),
     C(64, 48, 48), C(64, 48, 48), C(128, 96, 96), C(64, 128, 48), C(128, 48, 48),
     C(128, 128, 48), C(216, 204, 184)},
    {"Lilac  (Hi-Color)", C(64, 64, 136), C(64, 64, 136), C(64, 64, 136), C(64, 64, 136),
     C(64, 64, 136), C(64, 64, 136), C(0, 0, 0), C(48, 128, 48), C(128, 48, 48), C(128, 128, 48),
     C(176, 168, 216)},
    {"Maple  (Hi-Color)", C(125, 100, 38), C(125, 100, 38), C(125, 100, 38), C(125, 100, 38),
     C(125, 100, 38), C(125, 100, 38), C(200, 70, 20), C(48, 128, 48), C(128, 48, 48),
     C(128, 128, 48), C(232, 216, 176)},
    {"Marine (Hi-Color)", C(48, 92, 88), C(48, 92, 88), C(48, 92, 88), C(48, 92, 88),
     C(48, 92, 88), C(48, 92, 88), C(0, 0, 128), C(48, 128, 48), C(128, 48, 48), C(128, 128, 48),
     C(136, 192, 184)},
    {"Rose   (Hi-Color)", C(128, 76, 88), C(128, 76, 88), C(128, 76, 88), C(128, 76, 88),
     C(128, 76, 88), C(128, 76, 88), C(35, 80, 235), C(48, 128, 48), C(128, 48, 48),
     C(128, 128, 48), C(208, 176, 184)},
    {"Spruce (Hi-Color)", C(56, 96, 64), C(56, 96, 64), C(56, 96, 64), C(56, 96, 64),
     C(56, 96, 64), C(56, 96, 64), C(85, 70, 60), C(48, 128, 48), C(128, 48, 48),
     C(128, 128, 48), C(160, 200, 168)},
};

const ColorId kStripColorIds[kStripColorValues] = {
    ColorId::kUsHeadlines,       ColorId::kWorldHeadlines, ColorId::kBusinessHeadlines,
    ColorId::kPoliticsHeadlines, ColorId::kSportsHeadlines, ColorId::kEntertainmentHeadlines,
    ColorId::kTechnologyHeadlines, ColorId::kQuoteUp,      ColorId::kQuoteDown,
    ColorId::kQuoteNc,           ColorId::kSymbol,         ColorId::kBackground,
};

void LoadStripColors(SettingsStore& settings, uint32_t colors[kStripColorValues]) {
  // Read in the stored program's order; the order matters only to a store that counts reads.
  static const int kLoadOrder[kStripColorValues] = {10, 7, 8, 9, 11, 0, 1, 2, 3, 4, 5, 6};
  for (int index : kLoadOrder) colors[index] = settings.ReadColorSetting(kStripColorIds[index]);
}

void ApplyColorScheme(SettingsStore& settings, int32_t n, uint32_t colors[kStripColorValues]) {
  settings.WriteColorSetting(ColorId::kColorScheme, static_cast<uint32_t>(n));
  if (n >= 0 && n < kColorSchemeCount) {
    const ColorScheme& s = kColorSchemes[n];
    settings.WriteColorSetting(ColorId::kUsHeadlines, s.us);
    settings.WriteColorSetting(ColorId::kWorldHeadlines, s.worldAndTechnology);
    settings.WriteColorSetting(ColorId::kBusinessHeadlines, s.business);
    settings.WriteColorSetting(ColorId::kPoliticsHeadlines, s.politics);
    settings.WriteColorSetting(ColorId::kSportsHeadlines, s.sports);
    settings.WriteColorSetting(ColorId::kEntertainmentHeadlines, s.entertainment);
    settings.WriteColorSetting(ColorId::kTechnologyHeadlines, s.worldAndTechnology);
    settings.WriteColorSetting(ColorId::kSymbol, s.symbol);
    settings.WriteColorSetting(ColorId::kQuoteUp, s.quoteUp);
    settings.WriteColorSetting(ColorId::kQuoteDown, s.quoteDown);
    settings.WriteColorSetting(ColorId::kBackground, s.background);
    settings.WriteColorSetting(ColorId::kQuoteNc, s.quoteNc);
  }
  LoadStripColors(settings, colors);
}

namespace {

void CopyCut(const char* from, size_t length, char* to, size_t capacity) {
  if (to == nullptr || capacity == 0) return;
  if (length > capacity - 1) length = capacity - 1;
  for (size_t i = 0; i < length; ++i) to[i] = from[i];
  to[length] = '\0';
}

}  // namespace

void SplitSchemeName(const char* name, char* label, size_t labelCapacity, char* kind,
                     size_t kindCapacity) {
  if (name == nullptr) name = "";
  size_t length = 0;
  size_t open = static_cast<size_t>(-1);
  for (; name[length] != '\0'; ++length) {
    if (name[length] == '(') open = length;
  }
  const size_t labelEnd = open != static_cast<size_t>(-1) ? open : length;
  size_t end = labelEnd;
  while (end > 0 && name[end - 1] == ' ') --end;
  CopyCut(name, end, label, labelCapacity);
  CopyCut(name + labelEnd, length - labelEnd, kind, kindCapacity);
}
