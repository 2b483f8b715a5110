// Reading and judging the update manifest.
#include "update/update_manifest.h"

#include <cstring>

#include "newsrail_version.h"
#include "update/update_rules.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A decimal number of 1 to `maxDigits` digits, no sign, no leading zero but for 0 itself.
bool ParseDecimal(const char* text, size_t length, size_t maxDigits, uint64_t* value) {
  if (length == 0 || length > maxDigits) return false;
  if (length > 1 && text[0] == '0') return false;
  uint64_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    if (!IsDigit(text[i])) return false;
    n = n * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  *value = n;
  return true;
}

// A plain file name: letters, digits, '.', '-' and '_', not starting with '.'. No separator or
// drive can reach a path built from it.
bool IsPlainFileName(const char* text, size_t length) {
  if (length == 0 || length >= kManifestFileNameSize || text[0] == '.') return false;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) return false;
  }
  return true;
}

// "NAME SIZE SHA256".
bool ParseFileLine(const char* text, size_t length, ManifestFile* file) {
  const char* end = text + length;
  const char* space = static_cast<const char*>(std::memchr(text, ' ', length));
  if (space == nullptr || !IsPlainFileName(text, static_cast<size_t>(space - text))) return false;
  std::memcpy(file->name, text, static_cast<size_t>(space - text));
  file->name[space - text] = '\0';
  const char* size = space + 1;
  const char* space2 =
      static_cast<const char*>(std::memchr(size, ' ', static_cast<size_t>(end - size)));
  // Twelve digits: a terabyte is far beyond any file of an update.
  if (space2 == nullptr || !ParseDecimal(size, static_cast<size_t>(space2 - size), 12, &file->size)) {
    return false;
  }
  const char* hex = space2 + 1;
  if (static_cast<size_t>(end - hex) != 2 * kSha256Size) return false;
  for (size_t i = 0; i < kSha256Size; ++i) {
    const int high = HexValue(hex[2 * i]);
    const int low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    file->sha256[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

bool Keyword(const char* line, size_t length, const char* keyword, const char** value,
             size_t* valueLength) {
  const size_t k = std::strlen(keyword);
  if (length <= k || std::memcmp(line, keyword, k) != 0 || line[k] != ' ') return false;
  *value = line + k + 1;
  *valueLength = length - k - 1;
  return true;
}

}  // namespace

bool ParseProgramVersion(const char* text, size_t length, ProgramVersion* version) {
  if (text == nullptr) return false;
  ProgramVersion v{};
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    size_t digits = 0;
    while (at + digits < length && IsDigit(text[at + digits])) ++digits;
    uint64_t n = 0;
    if (!ParseDecimal(text + at, digits, 5, &n) || n > 0xFFFF) return false;
    v.part[part] = static_cast<uint16_t>(n);
    at += digits;
    if (part < 3) {
      if (at >= length || text[at] != '.') return false;
      ++at;
    }
  }
  if (at != length) return false;
  *version = v;
  return true;
}

int CompareProgramVersions(const ProgramVersion& a, const ProgramVersion& b) {
  for (int i = 0; i < 4; ++i) {
    if (a.part[i] != b.part[i]) return a.part[i] < b.part[i] ? -1 : 1;
  }
  return 0;
}

ProgramVersion OwnProgramVersion() {
  return ProgramVersion{{NEWSRAIL_VERSION_MAJOR, NEWSRAIL_VERSION_MINOR, NEWSRAIL_VERSION_PATCH,
                         NEWSRAIL_VERSION_BUILD}};
}

const char* OwnProductName() { return NEWSRAIL_PRODUCT_NAME; }

bool ParseUpdateManifest(const char* bytes, size_t count, UpdateManifest* manifest) {
  if (bytes == nullptr || count > kManifestMaxSize || std::memchr(bytes, '\0', count) != nullptr) {
    return false;
  }
  UpdateManifest m{};
  bool haveProduct = false;
  bool haveVersion = false;
  const char* end = bytes + count;
  for (const char* line = bytes; line < end;) {
    const char* newline =
        static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
    const char* next = newline != nullptr ? newline + 1 : end;
    size_t length = static_cast<size_t>((newline != nullptr ? newline : end) - line);
    if (length > 0 && line[length - 1] == '\r') --length;
    const char* value = nullptr;
    size_t valueLength = 0;
    if (Keyword(line, length, "product", &value, &valueLength)) {
      if (haveProduct || valueLength >= kProductNameSize) return false;
      for (size_t i = 0; i < valueLength; ++i) {
        if (static_cast<unsigned char>(value[i]) < 0x20) return false;
      }
      std::memcpy(m.product, value, valueLength);
      m.product[valueLength] = '\0';
      haveProduct = true;
    } else if (Keyword(line, length, "version", &value, &valueLength)) {
      if (haveVersion || !ParseProgramVersion(value, valueLength, &m.version)) return false;
      haveVersion = true;
    } else if (Keyword(line, length, "file", &value, &valueLength)) {
      if (m.fileCount == kManifestMaxFiles) return false;
      ManifestFile& file = m.files[m.fileCount];
      if (!ParseFileLine(value, valueLength, &file)) return false;
      if (FindManifestFile(m, file.name) != nullptr) return false;
      ++m.fileCount;
    }
    line = next;
  }
  if (!haveProduct || !haveVersion) return false;
  *manifest = m;
  return true;
}

const ManifestFile* FindManifestFile(const UpdateManifest& manifest, const char* name) {
  if (name == nullptr) return nullptr;
  for (size_t i = 0; i < manifest.fileCount && i < kManifestMaxFiles; ++i) {
    if (std::strcmp(manifest.files[i].name, name) == 0) return &manifest.files[i];
  }
  return nullptr;
}

ManifestVerdict JudgeManifest(const UpdateManifest& manifest, const char* ownProduct,
                              const ProgramVersion& own) {
  if (ownProduct == nullptr || std::strcmp(manifest.product, ownProduct) != 0) {
    return ManifestVerdict::kUnusable;
  }
  if (CompareProgramVersions(manifest.version, own) <= 0) return ManifestVerdict::kNotNewer;
  const ManifestFile* package =
      FindManifestFile(manifest, DescribeUpdateFile(UpdateFile::kPackage).manifestName);
  const ManifestFile* note =
      FindManifestFile(manifest, DescribeUpdateFile(UpdateFile::kNote).manifestName);
  if (package == nullptr || note == nullptr ||
      FindManifestFile(manifest, kManifestProgramEntry) == nullptr) {
    return ManifestVerdict::kUnusable;
  }
  if (note->size > kReleaseNoteSize - 1) return ManifestVerdict::kUnusable;
  for (UpdateFile f : {UpdateFile::kPackage, UpdateFile::kLibrary, UpdateFile::kInstaller}) {
    const ManifestFile* file = FindManifestFile(manifest, DescribeUpdateFile(f).manifestName);
    if (file != nullptr && file->size > kDownloadBufferSize) return ManifestVerdict::kUnusable;
  }
  return ManifestVerdict::kOffer;
}

bool FileMatchesManifest(const UpdateManifest& manifest, const char* name, uint64_t size,
                         const uint8_t (&sha256)[kSha256Size]) {
  const ManifestFile* file = FindManifestFile(manifest, name);
  return file != nullptr && file->size == size &&
         std::memcmp(file->sha256, sha256, kSha256Size) == 0;
}
