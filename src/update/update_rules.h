// What the software update decides without asking Windows: whether the server's package is dated
// newer than the installed program, where each update file comes from, how the release note is
// bounded, and whether a downloaded set may be offered (the manifest's rules: update_manifest.h).
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

// The mark, in the program's folder, that a hand-off to "tlxtemp.exe" is under way and its
// post-update step still owed. It holds the number of hand-offs begun (a decimal number), so that
// one which can never finish (a full disk) is given up rather than begun at every start.
constexpr const char* kHandOffMarker = "update.pending";
constexpr int32_t kMaxHandOffStarts = 3;
// The count a marker holds; 0 for anything that is not a small number.
int32_t ReadHandOffStarts(const char* text, size_t count);

// What a start of "Ticker.exe" does about an update that a hand-off left unfinished.
enum class PendingUpdate {
  kNone,          // no hand-off under way: only leftovers to remove
  kPostUpdate,    // the program was replaced: run the post-update step, then finish
  kHandOffAgain,  // the program is still the old one, the copy is whole: hand off to it again
  kLeaveForLater, // the same, but this is the restart after a hand-off that could not finish:
                  // run the old program and leave the hand-off to the next ordinary start
  kGiveUp,        // nothing can finish it: remove what it left, run the program there is
};
// From what the start finds: the marker and its count, whether the manifest beside the program
// verifies, whether "Ticker.exe" and "tlxtemp.exe" are the program the manifest lists, and
// whether this start is a restart ("R").
PendingUpdate DecidePendingUpdate(bool markerFound, int32_t handOffsBegun, bool manifestVerified,
                                  bool programIsNew, bool copyIsNew, bool restartStart);

enum class UpdateFile {
  kManifest,   // the signed list of the update's version and files; fetched first
  kPackage,    // the compressed program; its date is the first, cheap version test
  kNote,       // the release note
  kLibrary,    // the desk band library
  kInstaller,  // the post-update step that the hand-off copy runs
};

struct UpdateFileInfo {
  UpdateFile file;
  const char* remotePath;    // on the update host
  const char* localName;     // in the program's folder
  const char* manifestName;  // the entry whose size and hash it must have
};
const UpdateFileInfo& DescribeUpdateFile(UpdateFile file);

// The host a file comes from: the installer always from the publisher's update server, everything
// else from the publisher's with "My Vexlo!" on and the maker's with it off.
Endpoint UpdateHost(UpdateFile file, bool myVexlo);

// Colour of the second "Updating Software" item: the account's colour, else the maker's.
int32_t UpdatingColorIndex(bool myVexlo);

// What became of one file that the manifest lists.
struct FetchedFile {
  bool arrived = false;  // a whole 200 answer came and is on disk
  bool matches = false;  // its size and SHA-256 are the manifest's under its own name
};

enum class UpdateVerdict {
  kNothing,  // something did not arrive: stop quietly, as after any network failure
  kRefuse,   // something arrived that is not what the publisher signed: refuse the whole update
  kOffer,    // every listed file is the publisher's: ask the user
};

// A file that arrived but does not match refuses the update, whatever else happened; otherwise a
// file that did not arrive ends it quietly, to be offered again at a later start.
UpdateVerdict JudgeDownloads(const FetchedFile* files, size_t count);
