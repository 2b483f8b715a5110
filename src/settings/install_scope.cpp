#include "settings/install_scope.h"

#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Fold(char c) {
  if (c == '/') return '\\';
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The path without a long-path prefix and without trailing separators: [begin, end).
void Trim(const char* path, const char** begin, const char** end) {
  if (std::strncmp(path, "\\\\?\\", 4) == 0) path += 4;
  const char* last = path + std::strlen(path);
  while (last > path && IsSeparator(last[-1])) --last;
  *begin = path;
  *end = last;
}

}  // namespace

bool IsWithinFolder(const char* path, const char* folder) {
  if (path == nullptr || folder == nullptr) return false;
  const char* p = nullptr;
  const char* pEnd = nullptr;
  const char* f = nullptr;
  const char* fEnd = nullptr;
  Trim(path, &p, &pEnd);
  Trim(folder, &f, &fEnd);
  if (f == fEnd) return false;
  const size_t length = static_cast<size_t>(fEnd - f);
  if (static_cast<size_t>(pEnd - p) < length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Fold(p[i]) != Fold(f[i])) return false;
  }
  // "C:\Users\ann\AppData\Local2" is not inside "C:\Users\ann\AppData\Local".
  return p + length == pEnd || IsSeparator(p[length]);
}
