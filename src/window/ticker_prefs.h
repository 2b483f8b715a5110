// The portable part of the ticker's state: the strip colours and the in-memory copies of the
// settings that the worker and the preference pages share.
#pragma once

#include <cstdint>

#include "settings/settings_table.h"

constexpr int kStripColorCount = 12;

// Indexes of the strip colours in TickerPrefs::colors.
enum StripColor : int {
  kColorUsHeadlines,
  kColorWorldHeadlines,
  kColorBusinessHeadlines,
  kColorPoliticsHeadlines,
  kColorSportsHeadlines,
  kColorEntertainmentHeadlines,
  kColorTechnologyHeadlines,
  kColorQuoteUp,
  kColorQuoteDown,
  kColorQuoteNc,
  kColorSymbol,
  kColorBackground,
};

// In-memory copies of the settings, read when the window is created and changed by the
// preference pages. The worker reads them under prefsLock.
struct TickerPrefs {
  int32_t tickerSpeed = 2;
  int32_t smoothScrolling = 0;
  int32_t autoUpdate = 1;
  int32_t newsRefresh = 0;
  int32_t showInScreenSaver = 1;
  int32_t temperatureSystem = 1;
  int32_t myVexlo = 0;
  int32_t myVexloOnly = 0;
  int32_t usHeadlines = 0, worldHeadlines = 0, businessHeadlines = 0, politicsHeadlines = 0,
          technologyHeadlines = 0, sportsHeadlines = 0, entertainmentHeadlines = 0,
          stockQuotes = 0, weather = 0;
  int32_t storiesPerTopic = 0;
  char airports[kTextValueSize] = "";
  int32_t mailAlertIcon = 1;
  int32_t mailCycleLength = 5;
  int32_t mailAlertSound = 0;
  char httpProxy[kTextValueSize] = "";
  char proxyPort[kTextValueSize] = "";
  // The account, with every space turned into '+' as the login request sends it.
  char userId[kTextValueSize] = "";
  char password[200] = "";
  char stockSymbols[kSymbolListSize] = "";
  uint32_t colors[kStripColorCount] = {};  // COLORREFs, indexed by StripColor
};
