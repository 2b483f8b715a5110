// Portal accounts: their data file, the login check, and each account's own selection.
#pragma once

#include <chrono>
#include <ctime>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct Account {
  std::string userId;
  std::string password;
  std::vector<std::string> topics;  // news topic codes, in the order the strip shows them
  int storiesPerTopic = 10;
  std::vector<std::string> symbols;
  std::vector<std::string> airports;
  bool fahrenheit = true;
  int newMail = 0;  // messages waiting; any at all puts the mail topic into the feed
  bool setupComplete = true;
  // When the server saw this password replace another (Unix seconds; 0: never): sessions signed
  // before it are over, even when the password has since been changed back.
  std::time_t passwordChanged = 0;
};

// The accounts file is a list of sections, one per account:
//
//   [alice]
//   password = wonderland
//   topics = rt,rb,rc
//   stories = 10
//   symbols = ^DJI,INTC,MSFT
//   airports = JFK,SFO
//   unit = f
//   new_mail = 0
//   setup_complete = yes
//
// Only "password" is required. Lists take ',' or '+' or spaces between entries. A key the file
// does not know, a value that does not read and a section without a password are skipped, each
// with a note in *problems.
std::vector<Account> ParseAccounts(std::string_view text, std::vector<std::string>* problems);

enum class LoginResult { kOk, kRefused, kSetupIncomplete };

// Checks a user id and password as the login query carries them once %XX escapes are undone.
// The ticker sends a space and a '+' alike as '+', so the two compare equal here; user ids
// compare without regard to case, passwords exactly. *account is set for kOk and
// kSetupIncomplete.
LoginResult CheckLogin(const std::vector<Account>& accounts, std::string_view userId,
                       std::string_view password, const Account** account);

// The account of that user id (compared as CheckLogin does), or null.
const Account* FindAccount(const std::vector<Account>& accounts, std::string_view userId);

// Back-off for failed logins, by client address and by account. Each failure adds one to a
// score that halves every `halfLife`; once a score has reached its limit, further logins are
// refused without looking at the password until it has decayed below the limit again. A user
// who mistypes a few times still gets in, and a guesser gets about one try per
// halfLife * log2(limit / (limit - 1)) (a minute and a half per account with the defaults).
// Only failures count. A login that succeeds clears the account's score (not the address's, or
// one known password would reset a guesser's address), and its address passes the account's
// limit for `goodAddressFor` afterwards, so that someone guessing at an account cannot lock its
// owner out; a guesser who shares that address (the same NAT, or the same IPv6 /64) passes with
// it and is held by the address's limit alone.
//
// Addresses are keyed by AddressKey. The table of addresses is bounded: when it is full, the
// address longest without a failure makes room, so a new address is always limited.
class LoginGuard {
 public:
  using Clock = std::chrono::steady_clock;
  struct Limits {
    double perAddress = 20;
    double perAccount = 5;
    Clock::duration halfLife = std::chrono::minutes(5);
    size_t maxAddresses = 100000;  // tracked at once
    Clock::duration goodAddressFor = std::chrono::hours(7 * 24);
    // Instances behind one proxy, each seeing its share of the guesses: each takes its share
    // of the limits, so that the deployment lets no more guesses through than one instance.
    int instances = 1;
  };

  LoginGuard() : LoginGuard(Limits()) {}
  explicit LoginGuard(Limits limits);

  // False when this address or account is backing off. `account` is the account's own user id
  // (empty when the login names no known account).
  bool Allowed(const std::string& address, const std::string& account, Clock::time_point now);
  void Failed(const std::string& address, const std::string& account, Clock::time_point now);
  void Succeeded(const std::string& address, const std::string& account, Clock::time_point now);

  size_t TrackedAddresses();
  // The limit one instance applies for a deployment-wide `limit` shared by `instances`.
  static double InstanceLimit(double limit, int instances);

 private:
  struct Score {
    double value = 0;
    Clock::time_point since;
  };
  struct AccountState {
    Score score;
    // Addresses that logged in to the account lately, and until when they pass its limit.
    std::string good[4];
    Clock::time_point goodUntil[4];
  };
  struct AddressEntry {
    std::string key;
    Score score;
  };
  double Decayed(const Score& score, Clock::time_point now) const;
  void Add(Score* score, Clock::time_point now) const;
  bool Over(const Score& score, double limit, Clock::time_point now) const;

  std::mutex mutex_;
  Limits limits_;
  // Most recent failure first; the map finds an address's place in the list.
  std::list<AddressEntry> addressOrder_;
  std::unordered_map<std::string, std::list<AddressEntry>::iterator> addresses_;
  std::unordered_map<std::string, AccountState> accounts_;
};

// The key a client address is limited by: an IPv6 address by its /64, the network one
// subscriber is given ("2001:db8:1:2::/64"); IPv4 (also when mapped into IPv6) as it is; other
// text unchanged.
std::string AddressKey(std::string_view address);
