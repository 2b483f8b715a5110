// Log lines, written whole under a lock and flushed at once so that tests and people can read
// the file while the server runs.
#include "request_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "sessions.h"

namespace {

std::string TimeStamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long long millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc;
  gmtime_r(&seconds, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03lldZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
  return text;
}

void AppendField(std::string* line, const char* name, std::string_view value) {
  *line += ' ';
  *line += name;
  *line += '=';
  *line += value.empty() ? std::string("-") : RequestLog::Escape(value);
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
  if (file_ != nullptr) std::fclose(file_);
}

std::string RequestLog::Escape(std::string_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size());
  for (const char ch : value) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == '%' || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
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
  std::string line = TimeStamp() + " request";
  line.reserve(256);
  AppendField(&line, "method", record.method);
  AppendField(&line, "path", record.path);
  AppendField(&line, "query", HidePasswords(record.query));
  AppendField(&line, "status", std::to_string(record.status));
  AppendField(&line, "bytes", std::to_string(record.bytes));
  AppendField(&line, "host", record.host);
  AppendField(&line, "referer", HidePasswords(record.referer));
  AppendField(&line, "accept", record.accept);
  AppendField(&line, "cookie", HideSession(record.cookie));
  AppendField(&line, "user-agent", record.userAgent);
  AppendField(&line, "proxy-authorization", record.proxyAuthorization ? "yes" : "no");
  AppendField(&line, "authorization", record.authorization ? "yes" : "no");
  WriteLine(line);
}

void RequestLog::Note(std::string_view text) {
  std::string line = TimeStamp() + " note ";
  // A note is free text, but still one line: only controls are escaped.
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    line += c < 0x20 || c == 0x7F ? '?' : ch;
  }
  if (!hasFile_) {
    std::fprintf(stderr, "%s\n", line.c_str());
    return;
  }
  WriteLine(line);
}

void RequestLog::WriteLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}
