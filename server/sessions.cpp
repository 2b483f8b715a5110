// Signed session cookies (OpenSSL's HMAC-SHA256 and SHA-256).
#include "sessions.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr size_t kMacBytes = 32;
constexpr size_t kMinSecretBytes = 16;
// Longer values are refused before any work: a user id is short, and this bounds what a
// request can make the server hash.
constexpr size_t kMaxValueBytes = 600;

std::string Hex(const unsigned char* bytes, size_t size) {
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Lower-case hex only, so that one session has one spelling.
bool Unhex(std::string_view text, std::string* bytes) {
  if (text.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

bool ReadSeconds(std::string_view text, std::time_t* seconds) {
  if (text.empty() || text.size() > 12 || (text.size() > 1 && text[0] == '0')) return false;
  std::time_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *seconds = value;
  return true;
}

std::string Sha256(std::string_view bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

std::string_view Trim(std::string_view text) {
  const char* blank = " \t\r\n";
  const size_t start = text.find_first_not_of(blank);
  if (start == std::string_view::npos) return std::string_view();
  return text.substr(start, text.find_last_not_of(blank) - start + 1);
}

}  // namespace

SessionKeys::SessionKeys() : lifetime_(kDefaultLifetime) {
  unsigned char bytes[kMacBytes];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    // OpenSSL's generator failing is not expected; the kernel's is the same source.
    std::random_device device;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
  }
  secret_.assign(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

SessionKeys::SessionKeys(std::string secret, std::time_t lifetime)
    : secret_(std::move(secret)), lifetime_(lifetime) {}

bool SessionKeys::LoadSecret(const std::string& path, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  if (file) text << file.rdbuf();
  if (!file) {
    *error = "cannot read the session secret " + path;
    return false;
  }
  const std::string all = text.str();
  const std::string_view secret = Trim(all);
  if (secret.size() < kMinSecretBytes) {
    *error = "the session secret " + path + " holds fewer than " +
             std::to_string(kMinSecretBytes) + " bytes";
    return false;
  }
  secret_ = std::string(secret);
  return true;
}

std::string SessionKeys::Mac(std::string_view userId, std::time_t expiry,
                             std::string_view password) const {
  // The password digest is taken with a space and a '+' alike, as the login compares them.
  std::string normalPassword(password);
  for (char& c : normalPassword) {
    if (c == ' ') c = '+';
  }
  std::string message = "nrsession 1\n";
  message += Hex(reinterpret_cast<const unsigned char*>(userId.data()), userId.size());
  message += '\n';
  message += std::to_string(expiry);
  message += '\n';
  message += Sha256(normalPassword);
  unsigned char mac[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  HMAC(EVP_sha256(), secret_.data(), static_cast<int>(secret_.size()),
       reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac, &size);
  return std::string(reinterpret_cast<const char*>(mac), size);
}

std::string SessionKeys::Issue(const Account& account, std::time_t now) const {
  const std::time_t expiry = now + lifetime_;
  const std::string mac = Mac(account.userId, expiry, account.password);
  return "1." +
         Hex(reinterpret_cast<const unsigned char*>(account.userId.data()),
             account.userId.size()) +
         "." + std::to_string(expiry) + "." +
         Hex(reinterpret_cast<const unsigned char*>(mac.data()), mac.size());
}

SessionCheck SessionKeys::Check(std::string_view value, const std::vector<Account>& accounts,
                                std::time_t now, const Account** account,
                                std::time_t* expiry) const {
  if (value.size() > kMaxValueBytes || value.substr(0, 2) != "1.") return SessionCheck::kMalformed;
  value.remove_prefix(2);
  const size_t dot1 = value.find('.');
  if (dot1 == std::string_view::npos) return SessionCheck::kMalformed;
  const size_t dot2 = value.find('.', dot1 + 1);
  if (dot2 == std::string_view::npos) return SessionCheck::kMalformed;
  std::string userId, mac;
  std::time_t until = 0;
  if (!Unhex(value.substr(0, dot1), &userId) || userId.empty() ||
      !ReadSeconds(value.substr(dot1 + 1, dot2 - dot1 - 1), &until) ||
      !Unhex(value.substr(dot2 + 1), &mac) || mac.size() != kMacBytes) {
    return SessionCheck::kMalformed;
  }
  const Account* found = FindAccount(accounts, userId);
  if (found == nullptr) return SessionCheck::kUnknownUser;
  // The MAC is checked before the expiry, so that an altered expiry reads as a forgery.
  if (!SameSecretBytes(Mac(userId, until, found->password), mac)) {
    return SessionCheck::kBadSignature;
  }
  // Signed before the password last changed (and perhaps changed back since): over.
  if (until - lifetime_ < found->passwordChanged) return SessionCheck::kBadSignature;
  // A session running further ahead than a fresh one was not issued under these settings.
  if (until <= now || until > now + lifetime_ + 300) return SessionCheck::kExpired;
  *account = found;
  *expiry = until;
  return SessionCheck::kValid;
}

bool SessionKeys::ShouldRenew(std::time_t expiry, std::time_t now) const {
  const std::time_t renewWhenLeft = std::min(kRenewWhenLeft, lifetime_ - lifetime_ / 7);
  return expiry - now < renewWhenLeft;
}

std::string SessionCookieHeader(const std::string& value) {
  // No Expires: the ticker keeps the cookie for as long as it runs, and the expiry that counts
  // is the signed one.
  return std::string(kSessionCookie) + "=" + value + "; Path=/; HttpOnly; SameSite=Lax";
}

std::string_view CookieValue(std::string_view header, std::string_view name) {
  size_t i = 0;
  while (i < header.size()) {
    size_t end = header.find(';', i);
    if (end == std::string_view::npos) end = header.size();
    std::string_view pair = header.substr(i, end - i);
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && pair.substr(0, equals) == name) {
      std::string_view value = pair.substr(equals + 1);
      while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
      return value;
    }
    i = end + 1;
  }
  return std::string_view();
}

bool SameSecretBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string SecretTag(std::string_view value) {
  const std::string digest = Sha256(value);
  return "#" + Hex(reinterpret_cast<const unsigned char*>(digest.data()), 4);
}

PasswordChanges::PasswordChanges(std::string file) : file_(std::move(file)) {}

void PasswordChanges::Load() {
  loaded_ = true;
  if (file_.empty()) return;
  std::ifstream in(file_);
  std::string idHex, digest;
  long long changed = 0;
  while (in >> idHex >> digest >> changed) {
    std::string id;
    if (Unhex(idHex, &id) && !id.empty()) known_[id] = {digest, static_cast<std::time_t>(changed)};
  }
}

void PasswordChanges::Save() const {
  if (file_.empty()) return;
  std::string text;
  for (const auto& [id, entry] : known_) {
    text += Hex(reinterpret_cast<const unsigned char*>(id.data()), id.size()) + " " +
            entry.first + " " + std::to_string(entry.second) + "\n";
  }
  // Written aside and renamed, so that a crash leaves the old history or the new one.
  const std::string temporary = file_ + "." + std::to_string(getpid()) + ".new";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const bool synced = fsync(fd) == 0;
  close(fd);
  if (written && synced) std::rename(temporary.c_str(), file_.c_str());
}

void PasswordChanges::Update(std::vector<Account>* accounts, std::time_t now) {
  if (!loaded_) Load();
  bool changed = false;
  for (Account& account : *accounts) {
    std::string normal = account.password;
    std::replace(normal.begin(), normal.end(), ' ', '+');
    const std::string digest = Sha256(normal);
    const std::string hex =
        Hex(reinterpret_cast<const unsigned char*>(digest.data()), digest.size());
    auto found = known_.find(account.userId);
    if (found == known_.end()) {
      // First seen: nothing is known of an earlier password, and no session is ended.
      known_[account.userId] = {hex, 0};
      changed = true;
    } else if (found->second.first != hex) {
      found->second = {hex, now};
      changed = true;
    }
    account.passwordChanged = known_[account.userId].second;
  }
  if (changed) Save();
}
