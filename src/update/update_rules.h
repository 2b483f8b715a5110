// What the software update decides without asking Windows: whether the server's package is newer
// than the installed program, where each update file comes from, how the release note is bounded,
// and whether a downloaded set may be offered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/endpoints.h"

// A package counts as newer only when its date is more than five units of 2^32 x 100 ns (about
// 36 minutes) past the installed program's: the two clocks are different machines', and a
// rebuild a few minutes apart must not be offered. Only the upper halves of the two 64-bit file
// times are compared, so between about 36 and 43 minutes the lower halves decide.
constexpr uint32_t kVersionMarginUnits = 5;
bool PackageIsNewer(uint64_t packageFileTime, uint64_t programFileTime);

// The release note is fetched into a buffer of this size; it is shown as it came, up to the first
// NUL and at most kReleaseNoteSize - 1 bytes.
constexpr size_t kReleaseNoteSize = 1000;
// Copies what the server sent (count bytes) into note, cut and NUL-terminated.
void TakeReleaseNote(const char* received, size_t count, char (&note)[kReleaseNoteSize]);

// One download buffer holds each file whole. The compressed program of a static build is about a
// megabyte; this leaves room to grow.
constexpr size_t kDownloadBufferSize = 8u << 20;
// A detached signature: RSA keys up to 8192 bits.
constexpr size_t kSignatureMaxSize = 1024;

enum class UpdateFile {
  kPackage,    // the compressed program; its date is the version mark
  kNote,       // the release note
  kLibrary,    // the desk band library
  kInstaller,  // the post-update step that the hand-off copy runs
};

struct UpdateFileInfo {
  UpdateFile file;
  const char* remotePath;  // on the update host
  const char* localName;   // in the program's folder
  bool signedProgram;      // code: comes with remotePath + ".sig" and is verified before use
};
const UpdateFileInfo& DescribeUpdateFile(UpdateFile file);

// The host a file comes from: the installer always from the publisher's update server, everything
// else from the publisher's with "My Vexlo!" on and the maker's with it off.
Endpoint UpdateHost(UpdateFile file, bool myVexlo);

// Colour of the second "Updating Software" item: the account's colour, else the maker's.
int32_t UpdatingColorIndex(bool myVexlo);

// What became of one downloaded program file.
struct DownloadedProgram {
  bool arrived = false;      // the download ended normally and the file is there
  bool isProgram = false;    // it starts as a Windows program does ("MZ")
  bool signatureOk = false;  // its detached signature verified against the built-in key
};

enum class UpdateVerdict {
  kNothing,  // the package did not arrive: stop quietly, as after any network failure
  kRefuse,   // something that would be run is not the publisher's: refuse the whole update
  kOffer,    // every program present is the publisher's: ask the user
};

// The package must arrive and verify. The library and the installer are optional: a server
// without them answers with an error page, which is no program and is dropped; a program that is
// there must verify. Anything unverified is never loaded or run.
UpdateVerdict JudgeDownloads(const DownloadedProgram& package, const DownloadedProgram& library,
                             const DownloadedProgram& installer);

// Whether the first bytes of a downloaded file are those of a Windows program or library.
bool LooksLikeProgram(const unsigned char* head, size_t count);
