// The accounts file and the login check.
#include "accounts.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "data_request.h"
#include "market_data.h"
#include "query_text.h"

namespace {

std::string_view Trim(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return std::string_view();
  return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

bool ParseYesNo(std::string_view value, bool* flag) {
  const bool yes = value == "yes" || value == "1" || value == "true";
  const bool no = value == "no" || value == "0" || value == "false";
  if (yes || no) *flag = yes;
  return yes || no;
}

bool ParseSmallNumber(std::string_view value, int limit, int* number) {
  if (value.empty() || value.size() > 6) return false;
  int result = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  if (result > limit) return false;
  *number = result;
  return true;
}

// Applies one "key = value" line; false when the key or value does not read.
bool ApplySetting(std::string_view key, std::string_view value, Account* account) {
  if (key == "password") {
    account->password = std::string(value);
    return !value.empty();
  }
  if (key == "topics") {
    account->topics.clear();
    for (const std::string_view code : SplitList(value)) {
      if (!IsNewsTopic(code)) return false;
      account->topics.emplace_back(code);
    }
    return true;
  }
  if (key == "stories") {
    return ParseSmallNumber(value, kMaxStoriesPerTopic, &account->storiesPerTopic) &&
           account->storiesPerTopic > 0;
  }
  if (key == "symbols" || key == "airports") {
    std::vector<std::string>& list = key == "symbols" ? account->symbols : account->airports;
    list.clear();
    for (const std::string_view entry : SplitList(value)) {
      std::string normal = key == "symbols" ? NormalizeSymbol(entry) : NormalizeAirport(entry);
      if (normal.empty()) return false;
      list.push_back(std::move(normal));
    }
    return true;
  }
  if (key == "unit") {
    if (value != "f" && value != "c") return false;
    account->fahrenheit = value == "f";
    return true;
  }
  if (key == "new_mail") {
    bool flag;
    if (ParseYesNo(value, &flag)) {
      account->newMail = flag ? 1 : 0;
      return true;
    }
    return ParseSmallNumber(value, 99999, &account->newMail);
  }
  if (key == "setup_complete") return ParseYesNo(value, &account->setupComplete);
  return false;
}

// User ids as the login query spells them: a space and a '+' are the same, case is not kept.
bool SameUserId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] == ' ' ? '+' : a[i];
    char y = b[i] == ' ' ? '+' : b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool SamePassword(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if ((a[i] == ' ' ? '+' : a[i]) != (b[i] == ' ' ? '+' : b[i])) return false;
  }
  return true;
}

}  // namespace

std::vector<Account> ParseAccounts(std::string_view text, std::vector<std::string>* problems) {
  std::vector<Account> accounts;
  bool inSection = false;
  int number = 0;
  auto finishSection = [&]() {
    if (!inSection) return;
    if (accounts.back().password.empty()) {
      problems->push_back("account \"" + accounts.back().userId + "\" has no password, skipped");
      accounts.pop_back();
    }
    inSection = false;
  };
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line[0] == '[') {
      finishSection();
      const std::string_view userId = Trim(line.substr(1, line.find(']') - 1));
      if (line.back() != ']' || userId.empty() || FindAccount(accounts, userId) != nullptr) {
        problems->push_back(where + "expected [USER ID] naming a new account");
        continue;
      }
      accounts.emplace_back();
      accounts.back().userId = std::string(userId);
      inSection = true;
      continue;
    }
    const size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) {
      problems->push_back(where + "expected key = value inside an account");
      continue;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (!ApplySetting(key, value, &accounts.back())) {
      problems->push_back(where + "\"" + std::string(key) + "\" does not read");
    }
  }
  finishSection();
  return accounts;
}

const Account* FindAccount(const std::vector<Account>& accounts, std::string_view userId) {
  for (const Account& account : accounts) {
    if (SameUserId(account.userId, userId)) return &account;
  }
  return nullptr;
}

LoginResult CheckLogin(const std::vector<Account>& accounts, std::string_view userId,
                       std::string_view password, const Account** account) {
  const Account* found = FindAccount(accounts, userId);
  if (found == nullptr || userId.empty() || !SamePassword(found->password, password)) {
    return LoginResult::kRefused;
  }
  *account = found;
  return found->setupComplete ? LoginResult::kOk : LoginResult::kSetupIncomplete;
}

std::string AddressKey(std::string_view address) {
  const std::string text(address);
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return text;
  char out[INET6_ADDRSTRLEN] = "";
  if (IN6_IS_ADDR_V4MAPPED(&v6)) {
    inet_ntop(AF_INET, &v6.s6_addr[12], out, sizeof out);
    return out;
  }
  std::fill(v6.s6_addr + 8, v6.s6_addr + 16, 0);
  inet_ntop(AF_INET6, &v6, out, sizeof out);
  return std::string(out) + "/64";
}

double LoginGuard::InstanceLimit(double limit, int instances) {
  // Each instance sees every N-th guess. With 1/N of the limit each lets no more through at
  // once than one instance would, and fewer in the long run: a guess is let through when a
  // score decays from l to l - 1, which takes longer the smaller l is. At least one guess each.
  if (instances <= 1) return limit;
  return std::max(limit / instances, 1.0);
}

LoginGuard::LoginGuard(Limits limits) : limits_(limits) {
  limits_.perAddress = InstanceLimit(limits.perAddress, limits.instances);
  limits_.perAccount = InstanceLimit(limits.perAccount, limits.instances);
}

double LoginGuard::Decayed(const Score& score, Clock::time_point now) const {
  if (now <= score.since) return score.value;
  const double halfLives = std::chrono::duration<double>(now - score.since).count() /
                           std::chrono::duration<double>(limits_.halfLife).count();
  return score.value * std::exp2(-halfLives);
}

void LoginGuard::Add(Score* score, Clock::time_point now) const {
  score->value = Decayed(*score, now) + 1;
  score->since = now;
}

bool LoginGuard::Over(const Score& score, double limit, Clock::time_point now) const {
  // Refused once the score is above limit - 1, that is after `limit` failures in quick
  // succession (a moment of decay between them leaves the score a hair below the limit).
  return Decayed(score, now) > limit - 1 + 1e-6;
}

bool LoginGuard::Allowed(const std::string& address, const std::string& account,
                         Clock::time_point now) {
  const std::string key = AddressKey(address);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!key.empty()) {
    const auto found = addresses_.find(key);
    if (found != addresses_.end() && Over(found->second->score, limits_.perAddress, now)) {
      return false;
    }
  }
  if (account.empty()) return true;
  const auto found = accounts_.find(account);
  if (found == accounts_.end() || !Over(found->second.score, limits_.perAccount, now)) return true;
  for (int i = 0; i < 4; ++i) {
    if (!key.empty() && found->second.good[i] == key && found->second.goodUntil[i] > now) {
      return true;
    }
  }
  return false;
}

void LoginGuard::Failed(const std::string& address, const std::string& account,
                        Clock::time_point now) {
  const std::string key = AddressKey(address);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!key.empty() && limits_.maxAddresses > 0) {
    auto found = addresses_.find(key);
    if (found == addresses_.end()) {
      if (addresses_.size() >= limits_.maxAddresses) {
        // The address longest without a failure makes room: its score has had longest to decay.
        addresses_.erase(addressOrder_.back().key);
        addressOrder_.pop_back();
      }
      addressOrder_.push_front({key, Score{0, now}});
      found = addresses_.emplace(key, addressOrder_.begin()).first;
    } else {
      addressOrder_.splice(addressOrder_.begin(), addressOrder_, found->second);
    }
    Add(&found->second->score, now);
  }
  // Accounts are few and known (the caller passes only user ids from the accounts file).
  if (!account.empty()) Add(&accounts_[account].score, now);
}

void LoginGuard::Succeeded(const std::string& address, const std::string& account,
                           Clock::time_point now) {
  const std::string key = AddressKey(address);
  std::lock_guard<std::mutex> lock(mutex_);
  AccountState& state = accounts_[account];
  state.score = Score();
  if (key.empty()) return;
  // The same address again, else the place whose time is up first.
  int slot = 0;
  for (int i = 0; i < 4; ++i) {
    if (state.good[i] == key) {
      slot = i;
      break;
    }
    if (state.goodUntil[i] < state.goodUntil[slot]) slot = i;
  }
  state.good[slot] = key;
  state.goodUntil[slot] = now + limits_.goodAddressFor;
}

size_t LoginGuard::TrackedAddresses() {
  std::lock_guard<std::mutex> lock(mutex_);
  return addresses_.size();
}
