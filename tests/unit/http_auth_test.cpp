// The realm of an authentication answer, the "Proxy Pass" scrambling, and the bounds of a request.
#include "net/http_auth.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/transfer_bounds.h"

namespace {

constexpr char kGuard = '#';

TEST(ExtractRealm, FromRawHeaders) {
  const struct {
    const char* name;
    std::string headers;
    const char* realm;  // null: no realm
  } rows[] = {
      {"quoted word", "HTTP/1.0 407 Proxy\r\nProxy-Authenticate: Basic realm=\"Corp\"\r\n\r\n",
       "Corp"},
      {"quoted words", "WWW-Authenticate: Basic realm=\"Corp Proxy 2\"\r\n", "Corp Proxy 2"},
      {"upper case word", "Proxy-Authenticate: Basic REALM=\"LAN\"\r\n", "LAN"},
      {"capitalised word", "Proxy-Authenticate: Basic Realm=\"Net\"\r\n", "Net"},
      {"lower case wins", "X: Realm=\"first\"\r\nY: realm=\"second\"\r\n", "second"},
      {"no realm", "HTTP/1.0 401 Unauthorized\r\nServer: x\r\n\r\n", nullptr},
      {"empty headers", "", nullptr},
      {"unterminated quote", "Basic realm=\"Corp", "Corp"},
      {"realm word at the very end", "Basic realm", ""},
      {"equals sign at the very end", "Basic realm=", ""},
      {"opening quote at the very end", "Basic realm=\"", ""},
      {"empty quoted realm", "Basic realm=\"\", x=\"y\"", ""},
      {"opening quote ten places on", "realm=         \"X\"", "X"},
      {"no opening quote within ten", "realm=0123456789ABC\"", "ABC"},
      {"closing quote 50 places on", "realm=\"" + std::string(50, 'a') + "\"x",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
      {"closing quote 51 places on", "realm=\"" + std::string(51, 'a') + "\"x",
       "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\"x"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<char> buffer(row.headers.begin(), row.headers.end());
    buffer.push_back('\0');
    buffer.insert(buffer.end(), 64, kGuard);
    char* realm = ExtractRealm(buffer.data());
    if (row.realm == nullptr) {
      EXPECT_EQ(realm, nullptr);
    } else {
      ASSERT_NE(realm, nullptr);
      EXPECT_STREQ(realm, row.realm);
      EXPECT_GE(realm, buffer.data());
      EXPECT_LE(realm, buffer.data() + row.headers.size());
    }
    for (size_t i = row.headers.size() + 1; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], kGuard);
  }
}

TEST(ExtractRealm, NullHeaders) { EXPECT_EQ(ExtractRealm(nullptr), nullptr); }

std::string Scrambled(std::string text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  ScrambleProxyPassword(buffer.data());
  return buffer.data();
}

TEST(ScrambleProxyPassword, IsItsOwnInverse) {
  // Beyond 255 positions the key wraps to the low byte; 'y' stands in where 'x' would turn into 0.
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += ((i + 1) & 0xFF) == 'x' ? 'y' : 'x';
  const std::string rows[] = {"secret", "p@ss w0rd", "", "\xE9t\xE9", longText};
  for (const std::string& text : rows) {
    SCOPED_TRACE(text);
    const std::string stored = Scrambled(text);
    EXPECT_EQ(stored.size(), text.size());
    if (!text.empty()) { EXPECT_NE(stored, text); }
    EXPECT_EQ(Scrambled(stored), text);
  }
  EXPECT_EQ(Scrambled("abc"), "```");
}

TEST(ScrambleProxyPassword, AByteEqualToItsKeyCutsTheText) {
  const struct {
    std::string text;
    size_t kept;
  } rows[] = {
      {"\x01" "abc", 0},
      {"a\x02" "c", 1},
      {std::string(31, 'k') + " tail", 31},  // a space at position 31 meets the key 32
      {std::string(48, 'k') + "1", 48},      // '1' is 49
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kept);
    const std::string stored = Scrambled(row.text);
    EXPECT_EQ(stored.size(), row.kept);
    // What survives still unscrambles to the start of the password.
    EXPECT_EQ(Scrambled(stored), row.text.substr(0, row.kept));
  }
}

// The bounds every read loop of the transfers asks between reads, on a clock the test moves.
TEST(TransferBounds, ClosingThenDeadlineThenSize) {
  const uint32_t start = 1000;
  const uint32_t nearWrap = 0xFFFFFFFFu - 10;
  const struct {
    const char* name;
    uint32_t start;
    uint32_t now;
    size_t received;
    bool closing;
    TransferStop stop;
  } rows[] = {
      {"just begun", start, start, 0, false, TransferStop::kNone},
      {"closing at once", start, start, 0, true, TransferStop::kClosing},
      {"closing wins over the deadline", start, start + kTransferDeadlineMs, 0, true,
       TransferStop::kClosing},
      {"a moment before the deadline", start, start + kTransferDeadlineMs - 1, 10, false,
       TransferStop::kNone},
      {"at the deadline", start, start + kTransferDeadlineMs, 10, false, TransferStop::kDeadline},
      {"hours later", start, start + 3600000, 10, false, TransferStop::kDeadline},
      {"the deadline wins over a full buffer", start, start + kTransferDeadlineMs, 500, false,
       TransferStop::kDeadline},
      {"one byte short of the limit", start, start + 5, 499, false, TransferStop::kNone},
      {"the limit reached", start, start + 5, 500, false, TransferStop::kFull},
      {"the tick wrapped round, early", nearWrap, 100, 0, false, TransferStop::kNone},
      {"the tick wrapped round, late", nearWrap, kTransferDeadlineMs, 0, false,
       TransferStop::kDeadline},
  };
  for (const auto& row : rows) {
    TransferBudget budget;
    budget.startMs = row.start;
    budget.limit = 500;
    EXPECT_EQ(CheckTransfer(budget, row.now, row.received, row.closing), row.stop) << row.name;
  }
}

TEST(TransferBounds, WaitsAreSlicesCutAtTheDeadline) {
  static_assert(kTransferDeadlineMs <= 120000, "no request may hold the worker longer");
  TransferBudget budget;
  budget.startMs = 0xFFFFFF00u;  // the deadline falls after the tick wraps round
  budget.limit = 1;
  const uint32_t deadline = budget.startMs + kTransferDeadlineMs;
  const struct {
    uint32_t now;
    uint32_t wait;
  } rows[] = {
      {budget.startMs, kTransferSliceMs},
      {deadline - kTransferSliceMs, kTransferSliceMs},
      {deadline - 7, 7},
      {deadline, 0},
      {deadline + 99999, 0},
  };
  for (const auto& row : rows) EXPECT_EQ(NextWaitMs(budget, row.now), row.wait) << row.now;

  // A loop that waits one slice at a time and asks between waits ends at the deadline, however
  // the server drips.
  uint32_t now = budget.startMs;
  int waits = 0;
  while (CheckTransfer(budget, now, 0, false) == TransferStop::kNone) {
    now += NextWaitMs(budget, now) + 1;  // every wait runs out, a little late
    ASSERT_LT(++waits, 3000);
  }
  EXPECT_EQ(CheckTransfer(budget, now, 0, false), TransferStop::kDeadline);
  EXPECT_LE(static_cast<uint32_t>(now - deadline), kTransferSliceMs + 1);
}

}  // namespace
