// The preference pages' rules: which pages exist, whole-entry matching and editing of the symbol
// list, numbers and texts as stored, the Ticker tab's Apply, the topic check and the wheel.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "prefs/pref_rules.h"

namespace {

std::vector<PageKind> Pages(const PageList& list) {
  return std::vector<PageKind>(list.pages, list.pages + list.count);
}

using P = PageKind;

TEST(PrefRules, PagesOfTheSheet) {
  const std::vector<P> all = {P::kTicker, P::kNews, P::kQuotes, P::kMailAlerts, P::kProxy, P::kAbout};
  const std::vector<P> four = {P::kTicker, P::kMailAlerts, P::kProxy, P::kAbout};
  const std::vector<P> rebuiltAll = {P::kTicker, P::kNews, P::kQuotes, P::kProxy, P::kMailAlerts, P::kAbout};
  const std::vector<P> rebuiltFour = {P::kTicker, P::kProxy, P::kMailAlerts, P::kAbout};
  const struct {
    bool myVexlo, sponsor;
    std::vector<P> atOpen, afterSwitch;
  } cases[] = {
      {false, false, all, rebuiltAll},
      {true, false, four, rebuiltFour},
      {false, true, four, rebuiltFour},
      {true, true, four, rebuiltFour},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Pages(PagesAtOpen(c.myVexlo, c.sponsor)), c.atOpen) << c.myVexlo << c.sponsor;
    EXPECT_EQ(Pages(PagesAfterAccountSwitch(c.myVexlo, c.sponsor)), c.afterSwitch)
        << c.myVexlo << c.sponsor;
  }
}

TEST(PrefRules, WholeEntryMatching) {
  const struct {
    const char* list;
    const char* symbol;
    int at;
  } cases[] = {
      {"INTC+MSFT", "MSFT", 5},
      {"INTC+MSFT", "INTC", 0},
      {"INTC+MSFT", "INT", -1},   // the start of a longer symbol
      {"INTC+MSFT", "SFT", -1},   // the end of one
      {"INTC+MSFT", "NTC", -1},   // the middle of one
      {"INTC+MSFT", "INTC+MSFT", 0},
      {"MSFTX+MSFT", "MSFT", 6},  // a later whole entry after a partial one
      {"AMSFT+MSFTB+MSFT+C", "MSFT", 12},
      {"A+B+C", "B", 2},
      {"", "A", -1},
      {"A", "", -1},
      {"+A", "A", 1},
      {"^DJI+^SPC", "^SPC", 5},
      {"intc", "INTC", -1},  // the list is upper case; matching is exact
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindWholeEntry(c.list, c.symbol), c.at) << c.list << " / " << c.symbol;
  }
}

TEST(PrefRules, AddingSymbols) {
  const std::string full190(190, 'A');  // one entry of 190 characters
  const struct {
    std::string list;
    const char* symbol;
    SymbolEdit result;
    std::string after;
  } cases[] = {
      {"INTC+MSFT", "INT", SymbolEdit::kDone, "INTC+MSFT+INT"},
      {"INTC+MSFT", "MSFT", SymbolEdit::kAlreadyListed, "INTC+MSFT"},
      {"", "IBM", SymbolEdit::kDone, "IBM"},  // no empty first entry
      {"INTC", "", SymbolEdit::kEmpty, "INTC"},
      {"INTC", "A+B", SymbolEdit::kInvalid, "INTC"},
      {"INTC", "A B", SymbolEdit::kInvalid, "INTC"},
      {"INTC", "A,B", SymbolEdit::kInvalid, "INTC"},
      {"INTC", "A\tB", SymbolEdit::kInvalid, "INTC"},
      {"INTC", "\xC4X", SymbolEdit::kInvalid, "INTC"},
      {"INTC", "ABCDEFGHIJ", SymbolEdit::kInvalid, "INTC"},  // ten characters
      {"INTC", "ABCDEFGHI", SymbolEdit::kDone, "INTC+ABCDEFGHI"},
      // 190 + '+' + 8 = 199 fits; 190 + '+' + 9 = 200 does not.
      {full190, "BCDEFGHI", SymbolEdit::kDone, full190 + "+BCDEFGHI"},
      {full190, "BCDEFGHIJ", SymbolEdit::kNoRoom, full190},
      {std::string(199, 'A'), "B", SymbolEdit::kNoRoom, std::string(199, 'A')},
      {std::string(198, 'A'), "B", SymbolEdit::kNoRoom, std::string(198, 'A')},
      {std::string(197, 'A'), "B", SymbolEdit::kDone, std::string(197, 'A') + "+B"},
  };
  for (const auto& c : cases) {
    char list[kSymbolListSize];
    std::memset(list, 'Z', sizeof list);
    std::strcpy(list, c.list.c_str());
    EXPECT_EQ(AddSymbol(list, c.symbol), c.result) << c.list << " + " << c.symbol;
    EXPECT_EQ(std::string(list), c.after) << c.list << " + " << c.symbol;
    EXPECT_LE(std::strlen(list), kSymbolListMaxChars);
  }
}

TEST(PrefRules, RemovingSymbols) {
  const struct {
    const char* list;
    const char* symbol;
    SymbolEdit result;
    const char* after;
  } cases[] = {
      {"INTC+MSFT+VXLO", "MSFT", SymbolEdit::kDone, "INTC+VXLO"},
      {"INTC+MSFT+VXLO", "INTC", SymbolEdit::kDone, "MSFT+VXLO"},  // no '+' at the start
      {"INTC+MSFT+VXLO", "VXLO", SymbolEdit::kDone, "INTC+MSFT"},  // no '+' at the end
      {"INTC", "INTC", SymbolEdit::kDone, ""},
      {"INTC+MSFT", "INT", SymbolEdit::kNotListed, "INTC+MSFT"},
      {"INTC+MSFT", "", SymbolEdit::kEmpty, "INTC+MSFT"},
      {"INTC+MSFT+", "MSFT", SymbolEdit::kDone, "INTC"},  // a stray '+' at the end goes too
      {"INTC++", "INTC", SymbolEdit::kDone, ""},
      {"+IBM", "IBM", SymbolEdit::kDone, ""},
      {"AMSFT+MSFT+MSFTB", "MSFT", SymbolEdit::kDone, "AMSFT+MSFTB"},
  };
  for (const auto& c : cases) {
    char list[kSymbolListSize];
    std::strcpy(list, c.list);
    EXPECT_EQ(RemoveSymbol(list, c.symbol), c.result) << c.list << " - " << c.symbol;
    EXPECT_STREQ(list, c.after) << c.list << " - " << c.symbol;
  }
}

TEST(PrefRules, SuggestionFromTwentyOneSymbolsOn) {
  std::string list = "S0";
  for (int n = 1; n <= 22; ++n) {
    // `list` holds n symbols here.
    EXPECT_EQ(ShouldSuggestAccount(list.c_str()), n >= 21) << n;
    list += "+S" + std::to_string(n);
  }
  EXPECT_FALSE(ShouldSuggestAccount(""));
}

TEST(PrefRules, SplittingTheList) {
  using V = std::vector<std::string>;
  const struct {
    const char* list;
    V entries;
  } cases[] = {
      {"^DJI+^SPC+INTC", V{"^DJI", "^SPC", "INTC"}},
      {"INTC", V{"INTC"}},
      {"", V{}},
      {"+INTC", V{"INTC"}},
      {"INTC++MSFT+", V{"INTC", "MSFT"}},
      {"+", V{}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitSymbols(c.list), c.entries) << c.list;
}

TEST(PrefRules, NumbersAreClampedIntoTheirRange) {
  const struct {
    const char* text;
    int32_t low, high, value;
  } cases[] = {
      {"10", 5, 1440, 10},     {"0", 5, 1440, 5},        {"3", 5, 1440, 5},
      {"5", 5, 1440, 5},       {"1440", 5, 1440, 1440},  {"1441", 5, 1440, 1440},
      {"999999999", 5, 1440, 1440}, {"99999999999999999999", 5, 1440, 1440},
      {"-7", 5, 1440, 5},      {"abc", 5, 1440, 5},      {"", 5, 1440, 5},
      {" 12", 5, 1440, 12},    {"12abc", 5, 1440, 12},   {"2", 3, 20, 3},
      {"20", 3, 20, 20},       {"21", 3, 20, 20},        {"7", 3, 20, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseClamped(c.text, c.low, c.high), c.value) << "[" << c.text << "]";
  }
  EXPECT_EQ(ParseClamped(nullptr, 5, 9), 5);
  EXPECT_EQ(Clamp(0, 1, 8), 1);
  EXPECT_EQ(Clamp(9, 1, 8), 8);
  EXPECT_EQ(Clamp(4, 1, 8), 4);
}

TEST(PrefRules, TextsAreCutAtTheirLimit) {
  const std::string long120(120, 'x');
  const struct {
    std::string text;
    size_t maxChars, capacity;
    std::string out;
  } cases[] = {
      {"user", 49, 100, "user"},
      {long120, 49, 100, long120.substr(0, 49)},
      {long120, 99, 100, long120.substr(0, 99)},
      {long120, 200, 100, long120.substr(0, 99)},  // the buffer bounds too
      {"", 49, 100, ""},
      {"abc", 0, 100, ""},
  };
  for (const auto& c : cases) {
    char out[128];
    std::memset(out, 'Q', sizeof out);
    CopyLimited(c.text.c_str(), c.maxChars, out, c.capacity);
    EXPECT_EQ(std::string(out), c.out);
  }
}

TEST(PrefRules, AirportsAsStored) {
  const struct {
    std::string typed;
    std::string stored;
  } cases[] = {
      {"JFK SFO", "JFK,SFO"},
      {"JFK,SFO,LAX", "JFK,SFO,LAX"},
      {"JFK\r\nSFO", "JFK  SFO"},
      {"JFK\tSFO", "JFK SFO"},
      {"JFK\xE9", "JFK "},
      {"", ""},
      {std::string(150, 'A'), std::string(99, 'A')},
  };
  for (const auto& c : cases) {
    char out[kTextValueSize];
    NormaliseAirports(c.typed.c_str(), out);
    EXPECT_EQ(std::string(out), c.stored) << c.typed;
  }
}

TEST(PrefRules, SpacesBecomePlus) {
  char text[] = "John Q Public ";
  SpacesToPlus(text);
  EXPECT_STREQ(text, "John+Q+Public+");
}

TEST(PrefRules, TickerTabApply) {
  const struct {
    bool before, box;
    const char *userBefore, *userBox, *passBefore, *passBox;
    bool boldBefore, boldBox;
    bool loginRetry, askSignUp, stored, reload;
  } cases[] = {
      // Nothing changed.
      {false, false, "", "", "", "", false, false, false, false, false, false},
      {true, true, "jo", "jo", "pw", "pw", true, true, false, false, true, false},
      // The account switched on with both details: a new login.
      {false, true, "jo", "jo", "pw", "pw", false, false, true, false, true, false},
      // Switched on without a password or without a user id: the sign-up question, stored off.
      {false, true, "jo", "jo", "", "", false, false, true, true, false, false},
      {false, true, "", "", "pw", "pw", false, false, true, true, false, false},
      {true, true, "jo", "jo", "pw", "", false, false, true, true, false, false},
      // Switched off.
      {true, false, "jo", "jo", "pw", "pw", false, false, true, false, false, false},
      // A new user id or password alone asks for a new login.
      {false, false, "jo", "ann", "pw", "pw", false, false, true, false, false, false},
      {false, false, "jo", "jo", "pw", "pw2", false, false, true, false, false, false},
      // Without the account, empty details ask nothing.
      {false, false, "jo", "", "pw", "", false, false, true, false, false, false},
      // The font.
      {false, false, "", "", "", "", false, true, false, false, false, true},
      {false, false, "", "", "", "", true, false, false, false, false, true},
  };
  for (const auto& c : cases) {
    TickerApplyInput in;
    in.myVexloBefore = c.before;
    in.myVexloBox = c.box;
    in.userIdBefore = c.userBefore;
    in.userIdBox = c.userBox;
    in.passwordBefore = c.passBefore;
    in.passwordBox = c.passBox;
    in.boldBefore = c.boldBefore;
    in.boldBox = c.boldBox;
    const TickerApplyDecision d = DecideTickerApply(in);
    const std::string row = std::to_string(c.before) + std::to_string(c.box) + c.userBox + "/" +
                            c.passBox + std::to_string(c.boldBox);
    EXPECT_EQ(d.loginRetry, c.loginRetry) << row;
    EXPECT_EQ(d.askSignUp, c.askSignUp) << row;
    EXPECT_EQ(d.myVexloStored, c.stored) << row;
    EXPECT_EQ(d.reloadFromCache, c.reload) << row;
  }
}

TEST(PrefRules, NewsTabNeedsATopicUnlessTheAccountChooses) {
  for (int mask = 0; mask < 512; ++mask) {
    bool topics[9];
    for (int i = 0; i < 9; ++i) topics[i] = (mask >> i & 1) != 0;
    EXPECT_EQ(NewsSelectionAcceptable(false, topics), mask != 0) << mask;
    EXPECT_TRUE(NewsSelectionAcceptable(true, topics)) << mask;
  }
}

TEST(PrefRules, WheelChangesTheSpeedByNotches) {
  const struct {
    int32_t speed, pendingBefore, delta;
    int32_t speedAfter, pendingAfter;
  } cases[] = {
      {3, 0, 120, 4, 0},     {3, 0, -120, 2, 0},    {8, 0, 120, 8, 0},
      {1, 0, -120, 1, 0},    {3, 0, 240, 5, 0},     {3, 0, 60, 3, 60},
      {3, 60, 60, 4, 0},     {3, 60, -60, 3, -60},  {3, -60, -60, 2, 0},
      {0, 0, 120, 2, 0},     // a missing speed counts as 1
      {12, 0, -120, 7, 0},   // a hand-edited one as 8
      {3, 0, 0x7FFFFFFF, 8, 0x7FFFFFFF % 120},
      {3, 0, -0x7FFFFFFF - 1, 1, -((0x7FFFFFFFLL + 1) % 120)},
  };
  for (const auto& c : cases) {
    int32_t pending = c.pendingBefore;
    EXPECT_EQ(SpeedAfterWheel(c.speed, c.delta, &pending), c.speedAfter)
        << c.speed << " " << c.pendingBefore << " " << c.delta;
    EXPECT_EQ(pending, c.pendingAfter) << c.speed << " " << c.pendingBefore << " " << c.delta;
  }
}

}  // namespace
