// The About tab's version line.
#include "prefs/about_text.h"

namespace {

// Appends text at *used, cut to leave room for the NUL. A version resource writes its numbers
// "2, 0, 1, 0"; as a version they read 2.0.1.0.
void Append(const char* text, char* out, size_t capacity, size_t* used, bool versionNumbers) {
  bool afterComma = false;
  for (const char* p = text != nullptr ? text : ""; *p != '\0' && *used + 1 < capacity; ++p) {
    if (versionNumbers && afterComma && *p == ' ') continue;
    afterComma = versionNumbers && *p == ',';
    out[(*used)++] = afterComma ? '.' : *p;
  }
}

}  // namespace

void FormatVersionLine(const char* name, const char* between, const char* version, char* out,
                       size_t capacity) {
  if (out == nullptr || capacity == 0) return;
  size_t used = 0;
  Append(name, out, capacity, &used, false);
  Append(between, out, capacity, &used, false);
  Append(version, out, capacity, &used, true);
  out[used] = '\0';
}
