// Reading the update server's folder.
#include "update_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


bool IsPlainUpdateName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name[0] == '.') return false;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) return false;
  }
  return true;
}

UpdateFileRead OpenUpdateFile(const std::string& folder, std::string_view name, UpdateFile* file) {
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
  // A publisher replaces a file by renaming a new one over it, so the descriptor keeps the
  // version it opened; a file rewritten in place and cut short ends the answer's connection.
  file->file = std::make_shared<const OpenFile>(fd, static_cast<uint64_t>(info.st_size));
  file->modified = info.st_mtime;
  return UpdateFileRead::kRead;
}
