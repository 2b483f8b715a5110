// The update manifest: the one file of an update that the publisher signs. It names the product
// and the version, and gives the size and SHA-256 of every other file, so that a signed but old
// package cannot be served as new and no file can be served under another file's name.
//
//   product Vexlo! Newsrail
//   version 2.0.1.1
//   file ticker.ex_ 1043881 9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08
//   file Ticker.exe 4601344 ...       (the program that ticker.ex_ expands to)
//   file update.txt 212 ...
//   file vexlodb.dll 402944 ...       (optional)
//   file vinstall.exe 98304 ...       (optional)
//
// One item a line (LF or CR LF), a keyword, one space, its value. Lines of other keywords are
// skipped, so that a later publisher may say more to later programs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/program_files.h"

// Its name on the update server (under /ion/) and, while an update is under way, in the
// program's folder, with its signature beside it (+ ".sig").
constexpr const char* kManifestName = "update.manifest";
// Larger than any manifest the publisher makes; a larger answer is not one.
constexpr size_t kManifestMaxSize = 4096;
constexpr size_t kManifestMaxFiles = 8;
constexpr size_t kManifestFileNameSize = 32;  // with the NUL
constexpr size_t kProductNameSize = 64;       // with the NUL
constexpr size_t kSha256Size = 32;

// The entry of the program that the package expands to: what "tlxtemp.exe" must be before it
// runs, and what "Ticker.exe" must be once it has been replaced.
constexpr const char* kManifestProgramEntry = kProgramFileName;

// Four numbers, most significant first, as a version resource holds them.
struct ProgramVersion {
  uint16_t part[4];
};
// "A.B.C.D", each a decimal number up to 65535; nothing else.
bool ParseProgramVersion(const char* text, size_t length, ProgramVersion* version);
// Below zero, zero or above zero as a is older than, the same as or newer than b.
int CompareProgramVersions(const ProgramVersion& a, const ProgramVersion& b);
// This program's own version, the one its version resource carries.
ProgramVersion OwnProgramVersion();
// This program's product name, as its version resource carries it.
const char* OwnProductName();

struct ManifestFile {
  char name[kManifestFileNameSize];
  uint64_t size;
  uint8_t sha256[kSha256Size];
};

struct UpdateManifest {
  char product[kProductNameSize];
  ProgramVersion version;
  ManifestFile files[kManifestMaxFiles];
  size_t fileCount;
};

// Reads a manifest. False for anything that is not one: no product or version, a malformed
// known line, a file named twice, too many files, a NUL, more than kManifestMaxSize bytes.
bool ParseUpdateManifest(const char* bytes, size_t count, UpdateManifest* manifest);

// The entry of that name (exact case), or null.
const ManifestFile* FindManifestFile(const UpdateManifest& manifest, const char* name);

enum class ManifestVerdict {
  kOffer,     // a newer version of this product, complete: fetch its files
  kNotNewer,  // this version or an older one: nothing to do
  kUnusable,  // another product, or the package, the program or the release note missing or too
              // large for the program to take
};

// What a verified manifest means to a program of this product and version. Sizes are checked
// against what the program can hold: the package and the optional files against its download
// buffer, the release note against the note's buffer.
ManifestVerdict JudgeManifest(const UpdateManifest& manifest, const char* ownProduct,
                              const ProgramVersion& own);

// A file is taken only when the manifest lists it under this very name with this size and hash.
bool FileMatchesManifest(const UpdateManifest& manifest, const char* name, uint64_t size,
                         const uint8_t (&sha256)[kSha256Size]);
