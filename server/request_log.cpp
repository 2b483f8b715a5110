// Log lines, written whole under a lock and flushed at once so that tests and people can read
// the file while the server runs.
#include "request_log.h"

#include <chrono>
#include <ctime>

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
  std::FILE* file = std::fopen(path.c_str(), "a");
  if (file == nullptr) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = file;
  hasFile_ = true;
  return true;
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

void RequestLog::LogRequest(const RequestRecord& record) {
  if (!hasFile_) return;
  std::string line = TimeStamp() + " request";
  line.reserve(256);
  AppendField(&line, "method", record.method);
  AppendField(&line, "path", record.path);
  AppendField(&line, "query", record.query);
  AppendField(&line, "status", std::to_string(record.status));
  AppendField(&line, "bytes", std::to_string(record.bytes));
  AppendField(&line, "host", record.host);
  AppendField(&line, "referer", record.referer);
  AppendField(&line, "accept", record.accept);
  AppendField(&line, "cookie", record.cookie);
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
