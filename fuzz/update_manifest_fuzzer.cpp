// Fuzzes the update manifest's reading and judging, and the hand-off marker's count.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "update/update_manifest.h"
#include "update/update_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input, so that a read past its end is seen.
  std::unique_ptr<char[]> bytes(new char[size]);
  std::memcpy(bytes.get(), data, size);
  UpdateManifest manifest;
  if (ParseUpdateManifest(bytes.get(), size, &manifest)) {
    if (manifest.fileCount > kManifestMaxFiles) __builtin_trap();
    if (std::memchr(manifest.product, '\0', kProductNameSize) == nullptr) __builtin_trap();
    for (size_t i = 0; i < manifest.fileCount; ++i) {
      const ManifestFile& file = manifest.files[i];
      if (std::memchr(file.name, '\0', kManifestFileNameSize) == nullptr) __builtin_trap();
      // Every name can be found again and takes its own size and hash.
      if (!FileMatchesManifest(manifest, file.name, file.size, file.sha256)) __builtin_trap();
    }
    JudgeManifest(manifest, "Vexlo! Newsrail", ProgramVersion{{2, 0, 1, 0}});
  }
  const int32_t starts = ReadHandOffStarts(bytes.get(), size);
  if (starts < 0 || starts > 999999) __builtin_trap();
  return 0;
}
