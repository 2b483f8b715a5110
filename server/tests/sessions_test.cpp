// Signed session cookies, the login back-off and what the log keeps of secrets.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "accounts.h"
#include "content_server.h"
#include "request_log.h"
#include "sessions.h"
#include "support/temp_folder.h"
#include "feed/feed_wire.h"

namespace {

const std::string kSecret = "0123456789abcdef0123456789abcdef";
constexpr std::time_t kNow = 1800000000;
constexpr std::time_t kDay = 24 * 3600;

std::vector<Account> SomeAccounts(const std::string& alicePassword = "wonderland") {
  std::vector<Account> accounts(3);
  accounts[0].userId = "alice";
  accounts[0].password = alicePassword;
  accounts[1].userId = "bob smith";
  accounts[1].password = "open sesame";
  accounts[2].userId = "carol";
  accounts[2].password = "tulip";
  return accounts;
}

// Replaces the character at `index` (negative: from the end) with `c`.
std::string Altered(std::string text, int index, char c) {
  text[index < 0 ? text.size() + index : index] = c;
  return text;
}

TEST(SessionKeys, ChecksWhatItSigned) {
  const SessionKeys keys(kSecret);
  const std::vector<Account> accounts = SomeAccounts();
  const std::string alice = keys.Issue(accounts[0], kNow);
  const std::string bob = keys.Issue(accounts[1], kNow);
  const std::time_t lifetime = SessionKeys::kDefaultLifetime;
  // "1.<616c696365>.<expiry>.<mac>": the user id starts at 2, the MAC ends the value.
  const std::string expiry = std::to_string(kNow + lifetime);
  const std::string laterExpiry = std::to_string(kNow + lifetime + 1);
  const struct {
    std::string value;
    std::vector<Account> accounts;
    std::time_t now;
    SessionCheck check;
    const char* user;
  } rows[] = {
      {alice, accounts, kNow, SessionCheck::kValid, "alice"},
      {bob, accounts, kNow + lifetime - 1, SessionCheck::kValid, "bob smith"},
      {alice, accounts, kNow + lifetime, SessionCheck::kExpired, ""},
      {alice, accounts, kNow + 30 * kDay, SessionCheck::kExpired, ""},
      // Issued in the future of this clock by more than a lifetime and a few minutes.
      {alice, accounts, kNow - 301, SessionCheck::kExpired, ""},
      {alice, accounts, kNow - 299, SessionCheck::kValid, "alice"},
      // Another user id under alice's MAC ("blice").
      {Altered(alice, 3, '2'), accounts, kNow, SessionCheck::kUnknownUser, ""},
      {Altered(alice, 2, 'g'), accounts, kNow, SessionCheck::kMalformed, ""},
      // A longer life written in.
      {std::string(alice).replace(alice.find(expiry), expiry.size(), laterExpiry), accounts, kNow,
       SessionCheck::kBadSignature, ""},
      {Altered(alice, -1, alice.back() == '0' ? '1' : '0'), accounts, kNow,
       SessionCheck::kBadSignature, ""},
      {Altered(alice, -64, alice[alice.size() - 64] == '0' ? '1' : '0'), accounts, kNow,
       SessionCheck::kBadSignature, ""},
      // The password changed: every older session of the account ends.
      {alice, SomeAccounts("looking glass"), kNow, SessionCheck::kBadSignature, ""},
      // A space and a '+' are the same password, as at the login.
      {keys.Issue(SomeAccounts("open sesame")[0], kNow), SomeAccounts("open+sesame"), kNow,
       SessionCheck::kValid, "alice"},
      {alice, std::vector<Account>(accounts.begin() + 1, accounts.end()), kNow,
       SessionCheck::kUnknownUser, ""},
      {SessionKeys("another secret, as long as it is").Issue(accounts[0], kNow), accounts, kNow,
       SessionCheck::kBadSignature, ""},
      {SessionKeys().Issue(accounts[0], kNow), accounts, kNow, SessionCheck::kBadSignature, ""},
  };
  for (const auto& row : rows) {
    const Account* account = nullptr;
    std::time_t until = 0;
    EXPECT_EQ(keys.Check(row.value, row.accounts, row.now, &account, &until), row.check)
        << row.value << " at " << row.now;
    if (row.check == SessionCheck::kValid) {
      ASSERT_NE(account, nullptr);
      EXPECT_EQ(account->userId, row.user);
      EXPECT_GT(until, row.now);
    }
  }
}

TEST(SessionKeys, RefusesValuesOfAnyOtherForm) {
  const SessionKeys keys(kSecret);
  const std::vector<Account> accounts = SomeAccounts();
  const std::string good = keys.Issue(accounts[0], kNow);
  const std::string mac = good.substr(good.rfind('.') + 1);
  std::string upper = good;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string expiry = std::to_string(kNow + SessionKeys::kDefaultLifetime);
  const std::string values[] = {
      "",
      "1.",
      "1..",
      "1...",
      "0123456789abcdef0123456789abcdef",
      "2" + good.substr(1),
      upper,
      "1.616c696365." + expiry + "." + mac.substr(2),
      "1.616c696365." + expiry + "." + mac + "00",
      "1.616c696365." + expiry + "." + mac + ".",
      "1.616c69636." + expiry + "." + mac,
      "1.616c69636g." + expiry + "." + mac,
      "1.." + expiry + "." + mac,
      "1.616c696365.0" + expiry + "." + mac,
      "1.616c696365.-" + expiry + "." + mac,
      "1.616c696365.." + mac,
      "1.616c696365.99999999999999." + mac,
      "1." + std::string(700, 'a') + "." + expiry + "." + mac,
      std::string("1.61\0" "6c696365.", 14) + expiry + "." + mac,
  };
  for (const std::string& value : values) {
    const Account* account = nullptr;
    std::time_t until = 0;
    EXPECT_EQ(keys.Check(value, accounts, kNow, &account, &until), SessionCheck::kMalformed)
        << value;
    EXPECT_EQ(account, nullptr);
  }
}

TEST(SessionKeys, RenewsOnlyInTheLastPartOfALife) {
  const SessionKeys week(kSecret);
  const SessionKeys hour(kSecret, 3600);
  const struct {
    const SessionKeys* keys;
    std::time_t left;
    bool renew;
  } rows[] = {
      {&week, 7 * kDay, false}, {&week, 6 * kDay, false}, {&week, 6 * kDay - 1, true},
      {&week, 1, true},         {&hour, 3600, false},     {&hour, 3600 - 3600 / 7, false},
      {&hour, 3000, true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.keys->ShouldRenew(kNow + row.left, kNow), row.renew) << row.left;
  }
}

TEST(SessionKeys, SecretFileIsSharedByEveryInstance) {
  TempFolder folder;
  folder.Write("secret", "  " + kSecret + "\n");
  folder.Write("other", "fedcba9876543210fedcba9876543210");
  folder.Write("short", "0123456789abcde\n");
  folder.Write("blank", " \n\n");
  SessionKeys first, second, other, failing;
  std::string error;
  ASSERT_TRUE(first.LoadSecret(folder.File("secret"), &error)) << error;
  ASSERT_TRUE(second.LoadSecret(folder.File("secret"), &error)) << error;
  ASSERT_TRUE(other.LoadSecret(folder.File("other"), &error)) << error;
  for (const char* bad : {"short", "blank", "missing"}) {
    error.clear();
    EXPECT_FALSE(failing.LoadSecret(folder.File(bad), &error)) << bad;
    EXPECT_NE(error.find(folder.File(bad)), std::string::npos) << error;
  }

  const std::vector<Account> accounts = SomeAccounts();
  const Account* account = nullptr;
  std::time_t until = 0;
  const std::string value = first.Issue(accounts[1], kNow);
  EXPECT_EQ(second.Check(value, accounts, kNow, &account, &until), SessionCheck::kValid);
  EXPECT_EQ(SessionKeys(kSecret).Check(value, accounts, kNow, &account, &until),
            SessionCheck::kValid)
      << "the white space around the secret is not part of it";
  EXPECT_EQ(other.Check(value, accounts, kNow, &account, &until), SessionCheck::kBadSignature);
  // Two processes without a file each have their own secret.
  EXPECT_EQ(SessionKeys().Check(SessionKeys().Issue(accounts[0], kNow), accounts, kNow, &account,
                                &until),
            SessionCheck::kBadSignature);
}

TEST(SessionCookie, ValueAndAttributes) {
  EXPECT_EQ(SessionCookieHeader("1.61.2.ab"), "nrsession=1.61.2.ab; Path=/; HttpOnly; SameSite=Lax");
  const struct {
    const char* header;
    const char* value;
  } rows[] = {
      {"nrsession=1.61.2.ab", "1.61.2.ab"},
      {"a=1; nrsession=xyz", "xyz"},
      {"a=1;nrsession=xyz ;b=2", "xyz"},
      {"xnrsession=1; nrsession=2", "2"},
      {"nrsessionx=1", ""},
      {"", ""},
      {"nrsession", ""},
      {"nrsession=", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(CookieValue(row.header, kSessionCookie), row.value);
}

TEST(SameSecretBytes, ComparesEveryByte) {
  const std::string mac(32, 'a');
  const struct {
    std::string a, b;
    bool same;
  } rows[] = {
      {mac, mac, true},
      {"", "", true},
      {mac, Altered(mac, 0, 'b'), false},
      {mac, Altered(mac, 31, 'b'), false},
      {mac, Altered(mac, 16, '\0'), false},
      {mac, mac.substr(0, 31), false},
      {mac, mac + "a", false},
      {"", "a", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SameSecretBytes(row.a, row.b), row.same) << row.a << " / " << row.b;
  }
}

TEST(SecretTag, ShortStableAndNotTheValue) {
  const std::string value = SessionKeys(kSecret).Issue(SomeAccounts()[0], kNow);
  const std::string tag = SecretTag(value);
  EXPECT_EQ(tag.size(), 9u);
  EXPECT_EQ(tag[0], '#');
  EXPECT_EQ(tag.find_first_not_of("0123456789abcdef", 1), std::string::npos) << tag;
  EXPECT_EQ(SecretTag(value), tag);
  EXPECT_NE(SecretTag(Altered(value, -1, value.back() == '0' ? '1' : '0')), tag);
  EXPECT_EQ(value.find(tag.substr(1)), std::string::npos);
}

// One step of a login history: when it happens (seconds), who tries, whether it fails.
struct LoginStep {
  double at;
  const char* address;
  const char* account;
  enum { kAllowed, kRefused, kFail, kSucceed } what;  // the first two ask
};

void Replay(LoginGuard* guard, const std::vector<LoginStep>& steps, const char* name) {
  const auto start = LoginGuard::Clock::time_point() + std::chrono::hours(1000);
  int number = 0;
  for (const LoginStep& step : steps) {
    ++number;
    const auto now =
        start + std::chrono::duration_cast<LoginGuard::Clock::duration>(
                    std::chrono::duration<double>(step.at));
    switch (step.what) {
      case LoginStep::kAllowed:
      case LoginStep::kRefused:
        EXPECT_EQ(guard->Allowed(step.address, step.account, now),
                  step.what == LoginStep::kAllowed)
            << name << ", step " << number;
        break;
      case LoginStep::kFail:
        guard->Failed(step.address, step.account, now);
        break;
      case LoginStep::kSucceed:
        guard->Succeeded(step.address, step.account, now);
        break;
    }
  }
}

TEST(LoginGuard, BacksOffAfterRepeatedFailuresAndRecovers) {
  LoginGuard::Limits limits;
  limits.perAccount = 3;
  limits.perAddress = 5;
  limits.halfLife = std::chrono::seconds(60);
  const auto fail = LoginStep::kFail;
  const auto allowed = LoginStep::kAllowed;
  const auto refused = LoginStep::kRefused;
  const auto succeed = LoginStep::kSucceed;
  const struct {
    const char* name;
    std::vector<LoginStep> steps;
  } histories[] = {
      {"a user who mistypes twice still gets in",
       {{0, "a", "alice", fail}, {1, "a", "alice", fail}, {2, "a", "alice", allowed}}},
      {"the account backs off after its limit, from any address",
       {{0, "a", "alice", fail},
        {0, "b", "alice", fail},
        {0, "c", "alice", fail},
        {0, "d", "alice", refused},
        {0, "d", "bob", allowed},
        {0, "d", "", allowed}}},
      {"one half-life later a guess more is allowed, and only one",
       {{0, "a", "alice", fail},
        {0, "b", "alice", fail},
        {0, "c", "alice", fail},
        {35, "a", "alice", refused},
        // 3 * 2^-(t/60) <= 2 from t = 60 * log2(1.5) = 35.1 on.
        {36, "a", "alice", allowed},
        {36, "a", "alice", fail},
        {37, "a", "alice", refused}}},
      {"a success clears the account but not the address",
       {{0, "a", "alice", fail},
        {0, "a", "alice", fail},
        {0, "a", "bob", fail},
        {0, "a", "bob", fail},
        {0, "a", "alice", succeed},
        {0, "b", "alice", allowed},
        {0, "a", "", fail},
        {0, "a", "carol", refused},
        {0, "b", "carol", allowed}}},
      {"the address backs off across accounts and unknown names",
       {{0, "a", "", fail},
        {1, "a", "x", fail},
        {2, "a", "", fail},
        {3, "a", "y", fail},
        {4, "a", "", fail},
        {5, "a", "", refused},
        {5, "b", "", allowed},
        {600, "a", "", allowed}}},
      {"an address that logged in lately passes its account's limit, others do not",
       {{0, "a", "alice", succeed},
        {1, "b", "alice", fail}, {1, "c", "alice", fail}, {1, "d", "alice", fail},
        {1, "e", "alice", fail}, {1, "f", "alice", fail},
        {2, "a", "alice", allowed},
        {2, "g", "alice", refused},
        {2, "a", "bob", allowed},
        // ...for a week, while the guessing goes on; then it is one address among others.
        {7 * 24 * 3600 - 1, "b", "alice", fail}, {7 * 24 * 3600 - 1, "c", "alice", fail},
        {7 * 24 * 3600 - 1, "d", "alice", fail}, {7 * 24 * 3600 - 1, "e", "alice", fail},
        {7 * 24 * 3600 - 1, "f", "alice", fail},
        {7 * 24 * 3600 - 1, "a", "alice", allowed},
        {7 * 24 * 3600 + 1, "a", "alice", refused}}},
      {"a good address is still held by its own limit",
       {{0, "a", "alice", succeed},
        {1, "a", "x", fail}, {1, "a", "x", fail}, {1, "a", "x", fail}, {1, "a", "x", fail},
        {1, "a", "x", fail},
        {2, "a", "alice", refused}}},
      {"IPv6 clients are one client per /64",
       {{0, "2001:db8:1:2::1", "", fail}, {0, "2001:db8:1:2::2", "", fail},
        {0, "2001:db8:1:2:ffff::3", "", fail}, {0, "2001:db8:1:2::4", "", fail},
        {0, "2001:db8:1:2::5", "", fail},
        {0, "2001:db8:1:2:aaaa:bbbb:cccc:dddd", "", refused},
        {0, "2001:db8:1:3::1", "", allowed},
        {0, "::ffff:192.0.2.7", "", fail}, {0, "192.0.2.7", "", fail},
        {0, "192.0.2.7", "", fail}, {0, "::ffff:192.0.2.7", "", fail},
        {0, "192.0.2.7", "", fail},
        {0, "::ffff:192.0.2.7", "", refused}}},
      {"an unknown address is never held back by another's failures",
       {{0, "", "", fail}, {0, "", "", fail}, {0, "", "", fail}, {0, "", "", fail},
        {0, "", "", fail}, {0, "", "", fail}, {0, "", "", allowed}}},
  };
  for (const auto& history : histories) {
    LoginGuard guard(limits);
    Replay(&guard, history.steps, history.name);
  }
}

TEST(LoginGuard, AddressTableStaysBounded) {
  LoginGuard::Limits limits;
  limits.maxAddresses = 100;
  limits.halfLife = std::chrono::seconds(10);
  LoginGuard guard(limits);
  const auto start = LoginGuard::Clock::now();
  for (int i = 0; i < 1000; ++i) guard.Failed("10.0.0." + std::to_string(i), "", start);
  EXPECT_EQ(guard.TrackedAddresses(), 100u);
  // Once the old scores have decayed they make room for new addresses.
  const auto later = start + std::chrono::minutes(5);
  for (int i = 0; i < 5; ++i) guard.Failed("10.1.0." + std::to_string(i), "", later);
  for (int i = 0; i < 5; ++i) guard.Failed("10.1.0." + std::to_string(i), "", later);
  for (int i = 0; i < 5; ++i) guard.Failed("10.1.0." + std::to_string(i), "", later);
  EXPECT_LE(guard.TrackedAddresses(), 100u);
  for (int i = 0; i < 5; ++i) guard.Failed("10.1.0." + std::to_string(i), "", later);
  for (int i = 0; i < 5; ++i) {
    for (int k = 0; k < 20; ++k) guard.Failed("10.1.0." + std::to_string(i), "", later);
    EXPECT_FALSE(guard.Allowed("10.1.0." + std::to_string(i), "", later)) << i;
  }
  // A table full of fresh scores still limits a new address; the oldest makes room.
  LoginGuard full(limits);
  for (int i = 0; i < 100; ++i) full.Failed("10.2.0." + std::to_string(i), "", start);
  for (int k = 0; k < 20; ++k) full.Failed("10.3.0.1", "", start);
  EXPECT_FALSE(full.Allowed("10.3.0.1", "", start));
  EXPECT_EQ(full.TrackedAddresses(), 100u);
  EXPECT_TRUE(full.Allowed("10.2.0.99", "", start)) << "still tracked, one failure";
}

TEST(LoginGuard, AddressKeys) {
  const struct {
    const char* address;
    const char* key;
  } rows[] = {
      {"192.0.2.1", "192.0.2.1"},
      {"::ffff:192.0.2.1", "192.0.2.1"},
      {"2001:db8:1:2:3:4:5:6", "2001:db8:1:2::/64"},
      {"2001:DB8:1:2::9", "2001:db8:1:2::/64"},
      {"::1", "::/64"},
      {"fe80::1%eth0", "fe80::1%eth0"},
      {"", ""},
      {"not an address", "not an address"},
  };
  for (const auto& row : rows) EXPECT_EQ(AddressKey(row.address), row.key) << row.address;
}

// Guesses at one account from many addresses, one a second for a day, through a proxy that
// takes turns between `instances` servers each with `shares` (their login limits divided for
// that many): how many are let through in the first ten seconds and in all.
std::pair<int, int> GuessesThrough(int instances, int shares) {
  LoginGuard::Limits limits;
  limits.instances = shares;
  std::vector<std::unique_ptr<LoginGuard>> guards;
  for (int i = 0; i < instances; ++i) guards.push_back(std::make_unique<LoginGuard>(limits));
  const auto start = LoginGuard::Clock::time_point() + std::chrono::hours(1000);
  int first = 0, all = 0;
  for (int second = 0; second < 24 * 3600; ++second) {
    LoginGuard& guard = *guards[second % instances];
    const auto now = start + std::chrono::seconds(second);
    const std::string address = "198.51." + std::to_string(second / 250 % 250) + "." +
                                std::to_string(second % 250);
    if (!guard.Allowed(address, "alice", now)) continue;
    guard.Failed(address, "alice", now);
    ++all;
    if (second < 10) ++first;
  }
  return {first, all};
}

TEST(LoginGuard, InstancesShareOutTheLimits) {
  EXPECT_DOUBLE_EQ(LoginGuard::InstanceLimit(5, 1), 5);
  EXPECT_DOUBLE_EQ(LoginGuard::InstanceLimit(5, 2), 2.5);
  EXPECT_DOUBLE_EQ(LoginGuard::InstanceLimit(20, 2), 10);
  EXPECT_DOUBLE_EQ(LoginGuard::InstanceLimit(5, 8), 1) << "one guess each at least";
  const auto [oneFirst, oneAll] = GuessesThrough(1, 1);
  EXPECT_EQ(oneFirst, 5);
  EXPECT_NEAR(oneAll, 24 * 3600 / 96.6, 20) << "one guess per 96.6 s";
  // Two instances that do not know of each other let twice the guesses through...
  EXPECT_NEAR(GuessesThrough(2, 1).second, 2 * oneAll, 4);
  // ...unless each takes its share: no more at once, and no more in the long run (somewhat
  // fewer: a smaller limit takes longer to decay by one).
  for (const int instances : {2, 3}) {
    const auto [first, all] = GuessesThrough(instances, instances);
    EXPECT_LE(first, oneFirst) << instances;
    EXPECT_LE(all, oneAll) << instances;
    EXPECT_GE(all, oneAll * 7 / 10) << instances;
  }
}

TEST(RequestLogSecrets, PasswordsAreHidden) {
  const struct {
    const char* query;
    const char* logged;
  } rows[] = {
      {"login=alice&passwd=wonderland", "login=alice&passwd=*"},
      {"passwd=x&login=alice", "passwd=*&login=alice"},
      {"ID=bob&PASSWD=open+sesame", "ID=bob&PASSWD=*"},
      {"login=a&password=b&passwd=", "login=a&password=*&passwd=*"},
      {"login=a&passwd=b&passwd=c", "login=a&passwd=*&passwd=*"},
      {"login=a&passwdx=b&xpasswd=c", "login=a&passwdx=b&xpasswd=c"},
      {"http://pc/config/tlxlogin?passwd=s3cret&login=a", "http://pc/config/tlxlogin?passwd=*&login=a"},
      {"stocks=INTC&&134501", "stocks=INTC&&134501"},
      {"passwd", "passwd"},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(RequestLog::HidePasswords(row.query), row.logged);
}

TEST(RequestLogSecrets, SessionCookieIsTagged) {
  const std::string value = "1.616c696365.1800604800.00ff";
  const std::string tag = SecretTag(value);
  const struct {
    std::string cookie, logged;
  } rows[] = {
      {"nrsession=" + value, "nrsession=" + tag},
      {"a=1; nrsession=" + value + "; b=2", "a=1; nrsession=" + tag + "; b=2"},
      {"a=1", "a=1"},
      {"xnrsession=1", "xnrsession=1"},
      {"nrsession=", "nrsession=" + SecretTag("")},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(RequestLog::HideSession(row.cookie), row.logged);
}

TEST(RequestLogFile, OwnerOnlyAndReopenedAfterAMove) {
  TempFolder folder;
  const std::string path = folder.File("server.log");
  folder.Write("server.log", "earlier\n");
  chmod(path.c_str(), 0644);
  {
    RequestLog log;
    ASSERT_TRUE(log.Open(path));
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    RequestRecord record;
    record.method = "GET";
    record.path = "/config/tlxlogin";
    record.query = "login=alice&passwd=wonderland";
    record.cookie = "nrsession=1.61.2.abcdef";
    log.LogRequest(record);
    ASSERT_EQ(std::rename(path.c_str(), folder.File("server.log.1").c_str()), 0);
    log.Note("still the old file");
    ASSERT_TRUE(log.Reopen());
    log.Note("the new file");
  }
  const std::string old = ReadWholeFile(folder.File("server.log.1"));
  EXPECT_EQ(old.rfind("earlier\n", 0), 0u);
  EXPECT_NE(old.find("query=login=alice&passwd=*"), std::string::npos) << old;
  EXPECT_NE(old.find("cookie=nrsession=" + SecretTag("1.61.2.abcdef")), std::string::npos) << old;
  EXPECT_EQ(old.find("wonderland"), std::string::npos) << old;
  EXPECT_EQ(old.find("abcdef"), std::string::npos) << old;
  EXPECT_NE(old.find("still the old file"), std::string::npos);
  const std::string fresh = ReadWholeFile(path);
  EXPECT_NE(fresh.find("the new file"), std::string::npos);
  EXPECT_EQ(fresh.find("still the old file"), std::string::npos);
  struct stat status;
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  RequestLog unopened;
  EXPECT_FALSE(unopened.Reopen());
  EXPECT_FALSE(unopened.Open(folder.File("no/such/folder/server.log")));
}

}  // namespace

namespace {

// A server over the sample content, with its accounts in a file of the test's own and a known
// session secret; requests go straight to Answer, without sockets.
class LoginFlowTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("secret", kSecret + "\n");
    folder_.Write("accounts.txt", ReadWholeFile(std::string(NEWSRAIL_SAMPLE_DIR) + "/accounts.txt"));
    server_ = Started(folder_.File("secret"));
  }
  std::unique_ptr<ContentServer> Started(const std::string& secret,
                                         const std::string& trustedProxies = "",
                                         int instances = 1, const std::string& stateDir = "") {
    ServerConfig config;
    config.instances = instances;
    config.stateDir = stateDir;
    config.port = 0;
    config.content = NEWSRAIL_SAMPLE_DIR;
    config.accounts = folder_.File("accounts.txt");
    config.sessionSecret = secret;
    config.trustedProxies = trustedProxies;
    auto server = std::make_unique<ContentServer>(config);
    std::string error;
    EXPECT_TRUE(server->Start(&error)) << error;
    return server;
  }
  static HttpAnswer Login(ContentServer* server, const std::string& query,
                          const std::string& peer = "192.0.2.1",
                          const std::string& realIp = "") {
    return server->Answer({"GET", "/config/tlxlogin?" + query, "", peer, realIp});
  }
  // The cookie as the ticker sends it back: the Set-Cookie value up to its first ';'.
  static std::string SentBack(const HttpAnswer& login) {
    return login.setCookie.substr(0, login.setCookie.find(';'));
  }
  static HttpAnswer Data(ContentServer* server, const std::string& cookie) {
    return server->Answer({"GET", "/tlx/update&134501", cookie, "192.0.2.1", ""});
  }
  static bool IsFeed(const HttpAnswer& answer) {
    return !answer.body.empty() && answer.body[0] == kTopicMarker;
  }
  // The ticker reads "OK", then "preferences", then "ERROR:", in that order, anywhere.
  static std::string Kind(const HttpAnswer& answer) {
    if (answer.body.find("OK") != std::string::npos) return "OK";
    if (answer.body.find("preferences") != std::string::npos) return "preferences";
    if (answer.body.find("ERROR:") != std::string::npos) return "ERROR:";
    return "?";
  }

  TempFolder folder_;
  std::unique_ptr<ContentServer> server_;
};

TEST_F(LoginFlowTest, CookieIsSignedAndOnlyForScripts) {
  const HttpAnswer login = Login(server_.get(), "login=bob+smith&passwd=open+sesame");
  ASSERT_EQ(Kind(login), "OK");
  EXPECT_EQ(login.setCookie.rfind("nrsession=1.", 0), 0u) << login.setCookie;
  EXPECT_NE(login.setCookie.find("; HttpOnly"), std::string::npos);
  EXPECT_NE(login.setCookie.find("; SameSite=Lax"), std::string::npos);
  EXPECT_NE(login.setCookie.find("; Path=/"), std::string::npos);
  const HttpAnswer data = Data(server_.get(), "Cookie-less=1; " + SentBack(login));
  ASSERT_TRUE(IsFeed(data)) << data.body;
  EXPECT_TRUE(data.setCookie.empty()) << "a fresh session is not renewed";
}

TEST_F(LoginFlowTest, AnyInstanceWithTheSecretAcceptsTheSession) {
  const std::string cookie = SentBack(Login(server_.get(), "login=alice&passwd=wonderland"));
  auto twin = Started(folder_.File("secret"));
  EXPECT_TRUE(IsFeed(Data(twin.get(), cookie)));
  folder_.Write("other-secret", "a secret of another deployment\n");
  auto stranger = Started(folder_.File("other-secret"));
  EXPECT_EQ(Data(stranger.get(), cookie).body, kRestartAnswer);
  auto random = Started("");
  EXPECT_EQ(Data(random.get(), cookie).body, kRestartAnswer);

  ServerConfig config;
  config.port = 0;
  config.sessionSecret = folder_.File("missing-secret");
  ContentServer unstartable(config);
  std::string error;
  EXPECT_FALSE(unstartable.Start(&error));
  EXPECT_NE(error.find("missing-secret"), std::string::npos) << error;
}

TEST_F(LoginFlowTest, SessionsThatNoLongerHoldAskForANewLogin) {
  std::vector<std::string> problems;
  const std::vector<Account> accounts =
      ParseAccounts(ReadWholeFile(folder_.File("accounts.txt")), &problems);
  ASSERT_EQ(accounts.size(), 3u);
  const SessionKeys keys(kSecret);
  const std::time_t now = std::time(nullptr);
  const std::string zeros(64, '0');
  const struct {
    const char* name;
    std::string cookie;
    bool feed;
    bool renewed;
  } rows[] = {
      {"fresh", "nrsession=" + keys.Issue(accounts[0], now), true, false},
      {"a day and a half old", "nrsession=" + keys.Issue(accounts[0], now - 36 * 3600), true, true},
      {"expired", "nrsession=" + keys.Issue(accounts[0], now - 7 * 24 * 3600 - 1), false, false},
      {"forged", "nrsession=1.616c696365." + std::to_string(now + 3600) + "." + zeros, false,
       false},
      {"set-up incomplete", "nrsession=" + keys.Issue(accounts[2], now), false, false},
      {"the old table's form", "nrsession=0123456789abcdef0123456789abcdef", false, false},
      {"no cookie", "", false, false},
  };
  for (const auto& row : rows) {
    const HttpAnswer data = Data(server_.get(), row.cookie);
    EXPECT_EQ(IsFeed(data), row.feed) << row.name << ": " << data.body;
    if (!row.feed) EXPECT_EQ(data.body, kRestartAnswer) << row.name;
    EXPECT_EQ(!data.setCookie.empty(), row.renewed) << row.name;
    if (!row.renewed) continue;
    const Account* account = nullptr;
    std::time_t expiry = 0;
    const std::string value = CookieValue(SentBack(data), kSessionCookie).data();
    ASSERT_EQ(keys.Check(CookieValue(SentBack(data), kSessionCookie), accounts, now, &account,
                         &expiry),
              SessionCheck::kValid)
        << value;
    EXPECT_GE(expiry, now + SessionKeys::kDefaultLifetime) << row.name;
    EXPECT_TRUE(IsFeed(Data(server_.get(), SentBack(data)))) << row.name;
  }
}

TEST_F(LoginFlowTest, NoNumberOfLoginsEndsAnotherSession) {
  const std::string alice = SentBack(Login(server_.get(), "login=alice&passwd=wonderland"));
  for (int i = 0; i < 10001; ++i) Login(server_.get(), "login=bob+smith&passwd=open+sesame");
  EXPECT_TRUE(IsFeed(Data(server_.get(), alice)));
}

TEST(SessionOptions, ReadFromTheConfigFile) {
  ServerConfig config;
  std::string error;
  ASSERT_TRUE(ApplyConfigText("session-secret = /etc/newsrail/secret\n"
                              "trusted-proxy = 127.0.0.1,::1\n",
                              &config, &error))
      << error;
  EXPECT_EQ(config.sessionSecret, "/etc/newsrail/secret");
  EXPECT_EQ(config.trustedProxies, "127.0.0.1,::1");
}

TEST_F(LoginFlowTest, PasswordChangeEndsTheSession) {
  const std::string cookie = SentBack(Login(server_.get(), "login=alice&passwd=wonderland"));
  ASSERT_TRUE(IsFeed(Data(server_.get(), cookie)));
  std::string accounts = ReadWholeFile(folder_.File("accounts.txt"));
  const size_t at = accounts.find("password = wonderland");
  ASSERT_NE(at, std::string::npos);
  accounts.replace(at, 21, "password = looking glass");
  folder_.Write("accounts.txt", accounts);
  server_->Content().Refresh(true);
  EXPECT_EQ(Data(server_.get(), cookie).body, kRestartAnswer);
  EXPECT_EQ(Kind(Login(server_.get(), "login=alice&passwd=wonderland")), "ERROR:");
  const HttpAnswer login = Login(server_.get(), "login=alice&passwd=looking+glass");
  ASSERT_EQ(Kind(login), "OK");
  EXPECT_TRUE(IsFeed(Data(server_.get(), SentBack(login))));
}

// A password changed and changed back does not bring the sessions of before back, on this
// server nor, through the state folder, after a restart; sessions signed since are kept.
TEST_F(LoginFlowTest, PasswordChangedBackEndsTheOldSessions) {
  folder_.Write("state/.keep", "");
  auto server = Started(folder_.File("secret"), "", 1, folder_.File("state"));
  std::vector<std::string> problems;
  const std::string original = ReadWholeFile(folder_.File("accounts.txt"));
  const Account alice = ParseAccounts(original, &problems)[0];
  const std::time_t now = std::time(nullptr);
  const std::string before = "nrsession=" + SessionKeys(kSecret).Issue(alice, now - 60);
  ASSERT_TRUE(IsFeed(Data(server.get(), before)));
  std::string changed = original;
  changed.replace(changed.find("password = wonderland"), 21, "password = looking glass");
  folder_.Write("accounts.txt", changed);
  server->Content().Refresh(true);
  folder_.Write("accounts.txt", original);
  server->Content().Refresh(true);
  const std::string after = SentBack(Login(server.get(), "login=alice&passwd=wonderland"));
  const struct {
    const char* name;
    ContentServer* server;
    std::string cookie;
    bool feed;
  } rows[] = {
      {"before the changes", server.get(), before, false},
      {"after them", server.get(), after, true},
  };
  auto restarted = Started(folder_.File("secret"), "", 1, folder_.File("state"));
  for (const auto& row : rows) {
    EXPECT_EQ(IsFeed(Data(row.server, row.cookie)), row.feed) << row.name;
    EXPECT_EQ(IsFeed(Data(restarted.get(), row.cookie)), row.feed) << row.name << ", restarted";
  }
  struct stat status;
  ASSERT_EQ(stat(folder_.File("state/password-changes").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadWholeFile(folder_.File("state/password-changes")).find("wonderland"),
            std::string::npos);
}

TEST_F(LoginFlowTest, FailedLoginsBackOffByAccountAndByAddress) {
  // Mistakes, then the right password, from one address: in, and the account starts afresh.
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Kind(Login(server_.get(), "login=alice&passwd=wrong" + std::to_string(i))),
              "ERROR:");
  }
  EXPECT_EQ(Kind(Login(server_.get(), "login=alice&passwd=wonderland")), "OK");

  // A guesser spread over addresses: the account backs off, also for the right password.
  for (int i = 0; i < 5; ++i) {
    Login(server_.get(), "login=ALICE&passwd=guess" + std::to_string(i),
          "198.51.100." + std::to_string(i));
  }
  const HttpAnswer refused = Login(server_.get(), "login=alice&passwd=wonderland", "203.0.113.9");
  EXPECT_EQ(Kind(refused), "ERROR:") << refused.body;
  EXPECT_TRUE(refused.setCookie.empty());
  EXPECT_NE(refused.body.find("too many"), std::string::npos) << refused.body;
  EXPECT_EQ(Kind(Login(server_.get(), "login=bob+smith&passwd=open+sesame", "203.0.113.9")), "OK")
      << "other accounts go on";
  EXPECT_EQ(Kind(Login(server_.get(), "login=carol&passwd=tulip", "203.0.113.9")), "preferences");

  // A guesser at one address, over names that do not exist: that address backs off.
  for (int i = 0; i < 20; ++i) Login(server_.get(), "login=user" + std::to_string(i) + "&passwd=x", "203.0.113.66");
  EXPECT_NE(Login(server_.get(), "login=bob+smith&passwd=open+sesame", "203.0.113.66")
                .body.find("too many"),
            std::string::npos);
  EXPECT_EQ(Kind(Login(server_.get(), "login=bob+smith&passwd=open+sesame", "203.0.113.67")), "OK");
  // Logins without an ID or password are turned away before they count.
  for (int i = 0; i < 30; ++i) Login(server_.get(), "login=bob+smith", "203.0.113.68");
  EXPECT_EQ(Kind(Login(server_.get(), "login=bob+smith&passwd=open+sesame", "203.0.113.68")), "OK");
}

// Someone guessing at alice's account from many addresses does not lock her out: the address
// she logged in from lately passes; a new one of hers waits like the guesser's.
TEST_F(LoginFlowTest, GuessingAtAnAccountDoesNotLockItsOwnerOut) {
  ASSERT_EQ(Kind(Login(server_.get(), "login=alice&passwd=wonderland", "192.0.2.10")), "OK");
  for (int i = 0; i < 12; ++i) {
    Login(server_.get(), "login=alice&passwd=guess" + std::to_string(i),
          "198.51.100." + std::to_string(i));
  }
  EXPECT_NE(Login(server_.get(), "login=alice&passwd=wonderland", "192.0.2.11").body.find("too many"),
            std::string::npos);
  EXPECT_EQ(Kind(Login(server_.get(), "login=alice&passwd=wonderland", "192.0.2.10")), "OK");
}

// Behind a proxy that takes turns, two instances with --instances 2 let no more guesses at an
// account through at once than one instance does.
TEST_F(LoginFlowTest, InstancesTakeTheirShareOfTheLimits) {
  for (const int instances : {1, 2}) {
    auto first = Started(folder_.File("secret"), "", instances);
    auto second = Started(folder_.File("secret"), "", instances);
    int wrong = 0;
    for (int i = 0; i < 20; ++i) {
      ContentServer* server = i % 2 == 0 ? first.get() : second.get();
      const HttpAnswer answer = Login(server, "login=bob+smith&passwd=guess" + std::to_string(i),
                                      "198.51.100." + std::to_string(i));
      if (answer.body.find("wrong password") != std::string::npos) ++wrong;
    }
    if (instances == 1) EXPECT_EQ(wrong, 10) << "each instance allows its own five";
    if (instances == 2) EXPECT_EQ(wrong, 4) << "two each, the deployment fewer than five";
  }
}

TEST_F(LoginFlowTest, ClientAddressComesFromTrustedProxiesOnly) {
  auto proxied = Started(folder_.File("secret"), "127.0.0.1,::1");
  // Behind the proxy each client has its own back-off...
  for (int i = 0; i < 20; ++i) {
    Login(proxied.get(), "login=nobody&passwd=x", "127.0.0.1", "198.51.100.7");
  }
  EXPECT_NE(Login(proxied.get(), "login=bob+smith&passwd=open+sesame", "127.0.0.1", "198.51.100.7")
                .body.find("too many"),
            std::string::npos);
  EXPECT_EQ(
      Kind(Login(proxied.get(), "login=bob+smith&passwd=open+sesame", "127.0.0.1", "198.51.100.8")),
      "OK");
  // ...and a client that names itself in the header is not believed.
  for (int i = 0; i < 20; ++i) {
    Login(proxied.get(), "login=nobody&passwd=x", "192.0.2.50", "198.51.100." + std::to_string(i));
  }
  EXPECT_NE(Login(proxied.get(), "login=bob+smith&passwd=open+sesame", "192.0.2.50", "10.9.9.9")
                .body.find("too many"),
            std::string::npos);
}

}  // namespace
