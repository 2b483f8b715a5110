// What the Mail Alerts tab does apart from its window and its bound controls.
#include "prefs/mail_page_store.h"

#include <cstring>

void LoadMailSoundPath(SettingsStore& settings, const char* windowsDirectory,
                       char (&path)[kTextValueSize]) {
  settings.ReadTextValue(value_name::kOtherMailSoundName, path);
  if (path[0] != '\0' || windowsDirectory == nullptr) return;

  const size_t head = std::strlen(windowsDirectory);
  const size_t tail = std::strlen(kDefaultMailSoundTail);
  if (head + tail >= sizeof path) return;
  std::memcpy(path, windowsDirectory, head);
  std::memcpy(path + head, kDefaultMailSoundTail, tail + 1);
  settings.WriteTextValue(value_name::kOtherMailSoundName, path);
}

bool MailSoundPathFits(const char* path) {
  return path != nullptr && path[0] != '\0' && std::strlen(path) < kTextValueSize;
}

int32_t ParseMailCycle(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  uint64_t value = 0;
  const char* digits = p;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > UINT32_MAX) return 0;
  }
  if (p == digits) return 0;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != '\0') return 0;
  // Stored as the 32-bit value the registry holds; past 2^31 it reads back negative, which the
  // logo button treats as no cycle.
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}
