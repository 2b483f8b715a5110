// Log lines, gathered whole under a lock and written in batches: one write for what a loop
// answered in one wake-up, rather than one for every request.
#include "request_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "sessions.h"

namespace {

// The time of a line, "2024-05-14T13:45:01.123Z"; the date and time up to the second are
// formatted once a second per thread.
void AppendTimeStamp(std::string* line) {
  thread_local std::time_t lastSecond = -1;
  thread_local char prefix[32];
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const int millis = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
      1000);
  if (seconds != lastSecond) {
    lastSecond = seconds;
    std::tm utc;
    gmtime_r(&seconds, &utc);
    std::snprintf(prefix, sizeof prefix, "%04d-%02d-%02dT%02d:%02d:%02d.", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  }
  *line += prefix;
  *line += static_cast<char>('0' + millis / 100);
  *line += static_cast<char>('0' + millis / 10 % 10);
  *line += static_cast<char>('0' + millis % 10);
  *line += 'Z';
}

void AppendEscaped(std::string* line, std::string_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t plain = 0;  // where the bytes not yet appended start
  for (size_t i = 0; i < value.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (c > 0x20 && c != '%' && c < 0x7F) continue;
    line->append(value.data() + plain, i - plain);
    const char escaped[3] = {'%', kHex[c >> 4], kHex[c & 15]};
    line->append(escaped, 3);
    plain = i + 1;
  }
  line->append(value.data() + plain, value.size() - plain);
}

void AppendField(std::string* line, const char* name, std::string_view value) {
  *line += ' ';
  *line += name;
  *line += '=';
  if (value.empty()) {
    *line += '-';
  } else {
    AppendEscaped(line, value);
  }
}

bool ContainsNoCase(std::string_view text, std::string_view lowerWord) {
  for (size_t i = 0; i + lowerWord.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < lowerWord.size() &&
           (text[i + j] | 0x20) == lowerWord[j]) {
      ++j;
    }
    if (j == lowerWord.size()) return true;
  }
  return false;
}

// Values that may hold a secret, with the secret hidden; the rewriting (and its copy) only for
// those that name one.
void AppendQueryField(std::string* line, const char* name, std::string_view query) {
  AppendField(line, name,
              ContainsNoCase(query, "passw") ? RequestLog::HidePasswords(query) : query);
}

}  // namespace

bool RequestLog::Open(const std::string& path) {
  // The log names accounts and addresses: owner only, also for a file that was there before.
  const int descriptor = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) return false;
  struct stat status;
  if (fstat(descriptor, &status) == 0 && (status.st_mode & 077) != 0) fchmod(descriptor, 0600);
  std::FILE* file = fdopen(descriptor, "a");
  if (file == nullptr) {
    close(descriptor);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  WritePending();  // what was logged before belongs in the old file
  if (file_ != nullptr) std::fclose(file_);
  file_ = file;
  path_ = path;
  hasFile_ = true;
  return true;
}

bool RequestLog::Reopen() {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path = path_;
  }
  if (path.empty()) return false;
  if (Open(path)) return true;
  Note("cannot reopen the log " + path + "; writing on to the old file");
  return false;
}

RequestLog::~RequestLog() {
  WritePending();
  if (file_ != nullptr) std::fclose(file_);
}

std::string RequestLog::Escape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  AppendEscaped(&out, value);
  return out;
}

std::string RequestLog::HidePasswords(std::string_view query) {
  std::string out;
  out.reserve(query.size());
  size_t i = 0;
  while (i <= query.size()) {
    size_t end = query.find('&', i);
    if (end == std::string_view::npos) end = query.size();
    const std::string_view part = query.substr(i, end - i);
    const size_t equals = part.find('=');
    // A referer is a whole address: its first query part follows the '?'.
    std::string name(part.substr(0, equals));
    if (const size_t mark = name.rfind('?'); mark != std::string::npos) name.erase(0, mark + 1);
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (i > 0) out += '&';
    if (equals != std::string_view::npos && (name == "passwd" || name == "password")) {
      out += part.substr(0, equals + 1);
      out += '*';
    } else {
      out += part;
    }
    i = end + 1;
  }
  return out;
}

std::string RequestLog::HideSession(std::string_view cookie) {
  std::string out;
  size_t i = 0;
  while (i <= cookie.size()) {
    size_t end = cookie.find(';', i);
    if (end == std::string_view::npos) end = cookie.size();
    const std::string_view pair = cookie.substr(i, end - i);
    if (i > 0) out += ';';
    const size_t start = pair.find_first_not_of(' ');
    const size_t equals = pair.find('=');
    if (start != std::string_view::npos && equals != std::string_view::npos &&
        pair.substr(start, equals - start) == kSessionCookie) {
      out += pair.substr(0, equals + 1);
      out += SecretTag(pair.substr(equals + 1));
    } else {
      out += pair;
    }
    i = end + 1;
  }
  return out;
}

void RequestLog::LogRequest(const RequestRecord& record) {
  if (!hasFile_) return;
  thread_local std::string line;
  line.clear();
  AppendTimeStamp(&line);
  line += " request";
  AppendField(&line, "method", record.method);
  AppendField(&line, "path", record.path);
  AppendQueryField(&line, "query", record.query);
  AppendField(&line, "status", std::to_string(record.status));
  AppendField(&line, "bytes", std::to_string(record.bytes));
  AppendField(&line, "host", record.host);
  AppendQueryField(&line, "referer", record.referer);
  AppendField(&line, "accept", record.accept);
  AppendField(&line, "cookie",
              record.cookie.find(kSessionCookie) != std::string_view::npos
                  ? HideSession(record.cookie)
                  : record.cookie);
  AppendField(&line, "user-agent", record.userAgent);
  AppendField(&line, "proxy-authorization", record.proxyAuthorization ? "yes" : "no");
  AppendField(&line, "authorization", record.authorization ? "yes" : "no");
  line += '\n';
  WriteLine(line, false);
}

void RequestLog::Note(std::string_view text) {
  std::string line;
  AppendTimeStamp(&line);
  line += " note ";
  // A note is free text, but still one line: only controls are escaped.
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    line += c < 0x20 || c == 0x7F ? '?' : ch;
  }
  if (!hasFile_) {
    std::fprintf(stderr, "%s\n", line.c_str());
    return;
  }
  line += '\n';
  WriteLine(line, true);
}

void RequestLog::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  WritePending();
}

void RequestLog::WriteLine(const std::string& line, bool now) {
  // A batch is bounded: past 64 KiB it is written before the line is added.
  constexpr size_t kBatchBytes = 64 * 1024;
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr) return;
  if (pending_.size() + line.size() > kBatchBytes) WritePending();
  pending_ += line;
  if (now) WritePending();
}

void RequestLog::WritePending() {
  if (file_ == nullptr || pending_.empty()) return;
  std::fwrite(pending_.data(), 1, pending_.size(), file_);
  std::fflush(file_);
  pending_.clear();
}
