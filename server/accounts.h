// Portal accounts: their data file, the login check, and each account's own selection.
#pragma once

#include <string>
#include <string_view>
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
