// The update server's folder: files opened by a plain name that cannot leave the folder, served
// from their descriptor, with the HTTP date of their modification time (the ticker's version
// mark).
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "http_server.h"

struct UpdateFile {
  std::shared_ptr<const OpenFile> file;
  std::time_t modified = 0;
};

enum class UpdateFileRead { kRead, kMissing, kFailed };

// Largest update file served; the ticker's own download buffer is smaller.
constexpr size_t kMaxUpdateFileBytes = 64u << 20;

// A name is served only when it is one plain file name: letters, digits, '.', '-' and '_', not
// starting with '.', so that no "..", separator, escape or hidden file gets through; the file
// must be a regular file in the folder itself, not a link. Anything else is kMissing.
bool IsPlainUpdateName(std::string_view name);
// Opens the file and takes its size and time; nothing of it is read.
UpdateFileRead OpenUpdateFile(const std::string& folder, std::string_view name, UpdateFile* file);
