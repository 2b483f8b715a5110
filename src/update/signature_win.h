// Whether what came from the network is what the publisher made: detached signatures, and files
// checked against the signed update manifest while nobody else may change them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "update/update_manifest.h"

// True only when path + ".sig" holds a valid signature of the file at path made with the
// publisher's private key.
bool VerifyPublisherSignature(const char* path);

// A file opened for reading with writing and deleting denied to every other opener: the bytes
// that were hashed stay the bytes that are expanded, loaded or run for as long as it is held.
// Others may still open it for reading, so that the system can load or start it by name.
class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile() { Close(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }
  // Whether the file, read from its start, has the size and SHA-256 that the manifest gives for
  // `entry`.
  bool Matches(const UpdateManifest& manifest, const char* entry);
  // Lets go of the handle without closing it: it stays open until the process ends.
  void KeepUntilExit() { handle_ = INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// SHA-256 of bytes in memory.
bool Sha256OfBytes(const void* bytes, size_t count, uint8_t (&digest)[kSha256Size]);

// Reads the manifest at path, checks its signature (path + ".sig") over the very bytes read, and
// parses it; false for a missing, unsigned, foreign or malformed manifest.
bool LoadVerifiedManifest(const char* path, UpdateManifest* manifest);

// Loads a library that has been verified and is held, and lets it register itself.
void RegisterVerifiedLibrary(const char* path);
// The same for a library whose signature lies beside it: checked first.
void RegisterBandLibrary(const char* path);
