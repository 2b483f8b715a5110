// The software update's decisions.
#include "update/update_rules.h"

#include <cstdlib>
#include <cstring>

namespace {

const UpdateFileInfo kUpdateFiles[] = {
    {UpdateFile::kPackage, "/ion/ticker.ex_", "ticker.ex_", true},
    {UpdateFile::kNote, "/ion/update.txt", nullptr, false},
    {UpdateFile::kLibrary, "/ion/vexlodb.dll", "vexlodb.dll", true},
    {UpdateFile::kInstaller, "/ion/vinstall.exe", "vinstall.exe", true},
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

UpdateVerdict JudgeDownloads(const DownloadedProgram& package, const DownloadedProgram& library,
                             const DownloadedProgram& installer) {
  if (!package.arrived) return UpdateVerdict::kNothing;
  if (!package.signatureOk) return UpdateVerdict::kRefuse;
  for (const DownloadedProgram* optional : {&library, &installer}) {
    if (optional->arrived && optional->isProgram && !optional->signatureOk) {
      return UpdateVerdict::kRefuse;
    }
  }
  return UpdateVerdict::kOffer;
}

bool LooksLikeProgram(const unsigned char* head, size_t count) {
  return head != nullptr && count >= 2 && head[0] == 'M' && head[1] == 'Z';
}
