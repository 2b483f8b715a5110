// The decisions of the preference pages, apart from their windows.
#include "prefs/pref_rules.h"

#include <cstdlib>
#include <cstring>

namespace {

void Push(PageList& list, PageKind kind) {
  if (list.count < 6) list.pages[list.count++] = kind;
}

bool IsSymbolByte(unsigned char c) { return c > ' ' && c < 127 && c != '+' && c != ','; }

}  // namespace

PageList PagesAtOpen(bool myVexlo, bool sponsorNews) {
  PageList list;
  Push(list, PageKind::kTicker);
  if (!myVexlo && !sponsorNews) {
    Push(list, PageKind::kNews);
    Push(list, PageKind::kQuotes);
  }
  Push(list, PageKind::kMailAlerts);
  Push(list, PageKind::kProxy);
  Push(list, PageKind::kAbout);
  return list;
}

PageList PagesAfterAccountSwitch(bool myVexlo, bool sponsorNews) {
  PageList list;
  Push(list, PageKind::kTicker);
  if (!myVexlo && !sponsorNews) {
    Push(list, PageKind::kNews);
    Push(list, PageKind::kQuotes);
  }
  Push(list, PageKind::kProxy);
  Push(list, PageKind::kMailAlerts);
  Push(list, PageKind::kAbout);
  return list;
}

int FindWholeEntry(const char* list, const char* symbol) {
  if (list == nullptr || symbol == nullptr || symbol[0] == '\0') return -1;
  const size_t n = std::strlen(symbol);
  for (const char* p = std::strstr(list, symbol); p != nullptr; p = std::strstr(p + 1, symbol)) {
    const bool starts = p == list || p[-1] == '+';
    const bool ends = p[n] == '\0' || p[n] == '+';
    if (starts && ends) return static_cast<int>(p - list);
  }
  return -1;
}

SymbolEdit AddSymbol(char* list, const char* symbol) {
  if (symbol == nullptr || symbol[0] == '\0') return SymbolEdit::kEmpty;
  const size_t n = std::strlen(symbol);
  if (n > kSymbolMaxChars) return SymbolEdit::kInvalid;
  for (size_t i = 0; i < n; ++i) {
    if (!IsSymbolByte(static_cast<unsigned char>(symbol[i]))) return SymbolEdit::kInvalid;
  }
  if (FindWholeEntry(list, symbol) >= 0) return SymbolEdit::kAlreadyListed;
  const size_t length = strnlen(list, kSymbolListSize - 1);
  const size_t joiner = length > 0 ? 1 : 0;
  if (length + joiner + n > kSymbolListMaxChars) return SymbolEdit::kNoRoom;
  if (joiner != 0) list[length] = '+';
  std::memcpy(list + length + joiner, symbol, n + 1);
  return SymbolEdit::kDone;
}

SymbolEdit RemoveSymbol(char* list, const char* symbol) {
  if (symbol == nullptr || symbol[0] == '\0') return SymbolEdit::kEmpty;
  const int at = FindWholeEntry(list, symbol);
  if (at < 0) return SymbolEdit::kNotListed;
  char* entry = list + at;
  char* after = entry + std::strlen(symbol);
  if (*after == '+') {
    std::memmove(entry, after + 1, std::strlen(after + 1) + 1);
  } else {
    *entry = '\0';
  }
  for (size_t length = std::strlen(list); length > 0 && list[length - 1] == '+'; --length) {
    list[length - 1] = '\0';
  }
  return SymbolEdit::kDone;
}

bool ShouldSuggestAccount(const char* list) {
  int joins = 0;
  for (const char* p = list; *p != '\0'; ++p) joins += *p == '+';
  return joins >= 20;
}

std::vector<std::string> SplitSymbols(const char* list) {
  std::vector<std::string> entries;
  const char* start = list;
  for (const char* p = list;; ++p) {
    if (*p == '+' || *p == '\0') {
      if (p > start) entries.emplace_back(start, static_cast<size_t>(p - start));
      if (*p == '\0') break;
      start = p + 1;
    }
  }
  return entries;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : value > high ? high : value;
}

int32_t ParseClamped(const char* text, int32_t low, int32_t high) {
  if (text == nullptr) return low;
  while (*text == ' ') ++text;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (end == text) return low;
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<int32_t>(value);
}

void CopyLimited(const char* text, size_t maxChars, char* out, size_t capacity) {
  if (capacity == 0) return;
  size_t n = text != nullptr ? strnlen(text, maxChars) : 0;
  if (n > capacity - 1) n = capacity - 1;
  if (n > 0) std::memcpy(out, text, n);
  out[n] = '\0';
}

void NormaliseAirports(const char* typed, char (&out)[kTextValueSize]) {
  CopyLimited(typed, kTextValueSize - 1, out, sizeof out);
  for (char* p = out; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ') {
      *p = ',';
    } else if (c < ' ' || c > 126) {
      *p = ' ';
    }
  }
}

void SpacesToPlus(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ' ') *p = '+';
  }
}

TickerApplyDecision DecideTickerApply(const TickerApplyInput& in) {
  TickerApplyDecision d;
  d.loginRetry = in.myVexloBox != in.myVexloBefore ||
                 std::strcmp(in.userIdBox, in.userIdBefore) != 0 ||
                 std::strcmp(in.passwordBox, in.passwordBefore) != 0;
  d.askSignUp = in.myVexloBox && (in.userIdBox[0] == '\0' || in.passwordBox[0] == '\0');
  d.myVexloStored = in.myVexloBox && !d.askSignUp;
  d.reloadFromCache = in.boldBox != in.boldBefore;
  return d;
}

bool NewsSelectionAcceptable(bool myVexlo, const bool topics[9]) {
  if (myVexlo) return true;
  for (int i = 0; i < 9; ++i) {
    if (topics[i]) return true;
  }
  return false;
}

int32_t SpeedAfterWheel(int32_t speed, int32_t delta, int32_t* pending) {
  constexpr int32_t kNotch = 120;
  const SettingInfo& range = Describe(SettingId::kTickerSpeed);
  speed = Clamp(speed, range.low, range.high);
  // A turn against the pending direction starts afresh rather than cancelling out.
  if ((*pending > 0 && delta < 0) || (*pending < 0 && delta > 0)) *pending = 0;
  const int64_t total = static_cast<int64_t>(*pending) + delta;
  const int64_t steps = total / kNotch;
  *pending = static_cast<int32_t>(total - steps * kNotch);
  const int64_t next = speed + steps;
  return next < range.low ? range.low : next > range.high ? range.high : static_cast<int32_t>(next);
}
