// Reading the update server's folder.
#include "update_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

bool IsPlainUpdateName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name[0] == '.') return false;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) return false;
  }
  return true;
}

UpdateFileRead ReadUpdateFile(const std::string& folder, std::string_view name, UpdateFile* file) {
  if (!IsPlainUpdateName(name)) return UpdateFileRead::kMissing;
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return UpdateFileRead::kMissing;
  // O_NOFOLLOW: a link in the folder could point anywhere. O_NONBLOCK: a FIFO must not hang us.
  const int fd = openat(dir, std::string(name).c_str(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  close(dir);
  if (fd < 0) return UpdateFileRead::kMissing;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return UpdateFileRead::kMissing;
  }
  if (static_cast<unsigned long long>(info.st_size) > kMaxUpdateFileBytes) {
    close(fd);
    return UpdateFileRead::kFailed;
  }
  file->bytes.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < file->bytes.size()) {
    const ssize_t n = read(fd, file->bytes.data() + done, file->bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  // A file that shrank while it was read is served as the publisher left it a moment later.
  if (done != file->bytes.size()) return UpdateFileRead::kFailed;
  file->modified = info.st_mtime;
  return UpdateFileRead::kRead;
}

std::string HttpDate(std::time_t time) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday % 7],
                utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour,
                utc.tm_min, utc.tm_sec);
  return text;
}
