// The update server's folder: files read by a plain name that cannot leave the folder, and the
// HTTP date of their modification time (the ticker's version mark).
#pragma once

#include <ctime>
#include <string>
#include <string_view>

struct UpdateFile {
  std::string bytes;
  std::time_t modified = 0;
};

enum class UpdateFileRead { kRead, kMissing, kFailed };

// Largest update file served; the ticker's own download buffer is smaller.
constexpr size_t kMaxUpdateFileBytes = 64u << 20;

// A name is served only when it is one plain file name: letters, digits, '.', '-' and '_', not
// starting with '.', so that no "..", separator, escape or hidden file gets through; the file
// must be a regular file in the folder itself, not a link. Anything else is kMissing.
bool IsPlainUpdateName(std::string_view name);
UpdateFileRead ReadUpdateFile(const std::string& folder, std::string_view name, UpdateFile* file);

// "Tue, 05 Mar 2024 14:07:09 GMT", whatever the locale.
std::string HttpDate(std::time_t time);
