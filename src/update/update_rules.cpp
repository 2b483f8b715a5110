// The software update's decisions.
#include "update/update_rules.h"

#include <cstdlib>
#include <cstring>

namespace {

const UpdateFileInfo kUpdateFiles[] = {
    {UpdateFile::kManifest, "/ion/update.manifest", "update.manifest", nullptr},
    {UpdateFile::kPackage, "/ion/ticker.ex_", "ticker.ex_", "ticker.ex_"},
    {UpdateFile::kNote, "/ion/update.txt", nullptr, "update.txt"},
    {UpdateFile::kLibrary, "/ion/vexlodb.dll", "vexlodb.dll", "vexlodb.dll"},
    {UpdateFile::kInstaller, "/ion/vinstall.exe", "vinstall.exe", "vinstall.exe"},
};

}  // namespace

bool PackageIsNewer(uint64_t packageFileTime, uint64_t programFileTime) {
  const uint32_t package = static_cast<uint32_t>(packageFileTime >> 32);
  const uint32_t program = static_cast<uint32_t>(programFileTime >> 32);
  // A date within the margin of the start of the file-time era would wrap round to the far
  // future; such a date is no version.
  if (package < kVersionMarginUnits) return false;
  return package - kVersionMarginUnits > program;
}

void TakeReleaseNote(const char* received, size_t count, char (&note)[kReleaseNoteSize]) {
  std::memset(note, 0, sizeof note);
  if (received == nullptr) return;
  if (count > kReleaseNoteSize - 1) count = kReleaseNoteSize - 1;
  std::memcpy(note, received, count);
}

const UpdateFileInfo& DescribeUpdateFile(UpdateFile file) {
  for (const UpdateFileInfo& info : kUpdateFiles) {
    if (info.file == file) return info;
  }
  std::abort();
}

Endpoint UpdateHost(UpdateFile file, bool myVexlo) {
  if (file == UpdateFile::kInstaller) return Endpoint::kPublisherUpdate;
  return myVexlo ? Endpoint::kPublisherUpdate : Endpoint::kMaker;
}

int32_t UpdatingColorIndex(bool myVexlo) { return myVexlo ? 11 : 14; }

UpdateVerdict JudgeDownloads(const FetchedFile* files, size_t count) {
  bool allArrived = true;
  for (size_t i = 0; i < count; ++i) {
    if (files[i].arrived && !files[i].matches) return UpdateVerdict::kRefuse;
    allArrived = allArrived && files[i].arrived;
  }
  return allArrived ? UpdateVerdict::kOffer : UpdateVerdict::kNothing;
}

int32_t ReadHandOffStarts(const char* text, size_t count) {
  int32_t n = 0;
  size_t i = 0;
  for (; i < count && i < 6 && text[i] >= '0' && text[i] <= '9'; ++i) n = n * 10 + (text[i] - '0');
  if (i == 0) return 0;
  while (i < count && (text[i] == '\r' || text[i] == '\n')) ++i;
  return i == count ? n : 0;
}

PendingUpdate DecidePendingUpdate(bool markerFound, int32_t handOffsBegun, bool manifestVerified,
                                  bool programIsNew, bool copyIsNew, bool restartStart) {
  if (!markerFound) return PendingUpdate::kNone;
  if (!manifestVerified) return PendingUpdate::kGiveUp;
  if (programIsNew) return PendingUpdate::kPostUpdate;
  if (!copyIsNew || handOffsBegun >= kMaxHandOffStarts) return PendingUpdate::kGiveUp;
  return restartStart ? PendingUpdate::kLeaveForLater : PendingUpdate::kHandOffAgain;
}
