// Login sessions without server state: the cookie the login sets carries the account and an
// expiry, signed with HMAC-SHA256 under a secret that every instance of a deployment shares, so
// whichever instance answers the next data request can check it on its own.
//
// The value reads "1.<user id, hex>.<expiry, Unix seconds>.<MAC, hex>". The MAC also covers a
// digest of the account's password, so changing the password in the accounts file ends every
// session of that account; it is never in the cookie itself. A session signed before the
// account's last password change (Account::passwordChanged) is over too, so changing a
// password back does not bring old sessions back.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <map>
#include <string_view>
#include <utility>

#include "accounts.h"

constexpr const char* kSessionCookie = "nrsession";

enum class SessionCheck {
  kValid,
  kMalformed,     // not a session value of this form at all
  kUnknownUser,   // the account is gone from the accounts file
  kBadSignature,  // forged, altered, signed under another secret or before a password change
  kExpired,
};

class SessionKeys {
 public:
  static constexpr std::time_t kDefaultLifetime = 7 * 24 * 3600;
  // Sessions with less than this left are renewed by the next data request (a fresh cookie
  // comes with the answer), so a ticker that keeps running never meets its expiry: it logs in
  // again only once per process after a "Please restart".
  static constexpr std::time_t kRenewWhenLeft = 6 * 24 * 3600;

  // A random secret of this process alone.
  SessionKeys();
  explicit SessionKeys(std::string secret, std::time_t lifetime = kDefaultLifetime);

  // Reads the shared secret from a file (surrounding white space is not part of it). False with
  // *error when the file cannot be read or holds fewer than 16 bytes.
  bool LoadSecret(const std::string& path, std::string* error);

  // The cookie value for a login of that account at `now`.
  std::string Issue(const Account& account, std::time_t now) const;
  // Checks a cookie value against the accounts; *account and *expiry are set for kValid.
  SessionCheck Check(std::string_view value, const std::vector<Account>& accounts, std::time_t now,
                     const Account** account, std::time_t* expiry) const;
  // True when a valid session that ends at `expiry` should be given a fresh cookie.
  bool ShouldRenew(std::time_t expiry, std::time_t now) const;

 private:
  std::string Mac(std::string_view userId, std::time_t expiry, std::string_view password) const;

  std::string secret_;
  std::time_t lifetime_;
};

// The Set-Cookie value for a session.
std::string SessionCookieHeader(const std::string& value);

// The value of the named cookie in a Cookie header ("a=1; nrsession=ab12"), or "".
std::string_view CookieValue(std::string_view header, std::string_view name);

// Byte strings compared in a time that depends only on their lengths, for MACs.
bool SameSecretBytes(std::string_view a, std::string_view b);

// Short non-reversible tag of a secret value, for logs: lets one follow a session without
// being able to replay it.
std::string SecretTag(std::string_view value);

// When each account's password last changed, as this server has seen it: a password that
// differs from the one noted before is a change at that moment. With a file (in --state-dir)
// the history outlives a restart; it holds user ids, password digests and times, owner only.
class PasswordChanges {
 public:
  explicit PasswordChanges(std::string file = std::string());
  // Notes the accounts' passwords at `now` and sets each account's passwordChanged.
  void Update(std::vector<Account>* accounts, std::time_t now);

 private:
  void Load();
  void Save() const;

  std::string file_;
  bool loaded_ = false;
  std::map<std::string, std::pair<std::string, std::time_t>> known_;  // id: digest, changed
};
