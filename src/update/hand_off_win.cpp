// The update hand-off, on both of its sides.
#include "update/hand_off_win.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "res/resource.h"
#include "base/process_win.h"
#include "base/program_files.h"
#include "update/signature_win.h"
#include "update/update_rules.h"
#include "res/program_resources_win.h"

namespace {

constexpr const char* kProgramName = kProgramFileName;
constexpr const char* kCopyName = "tlxtemp.exe";
constexpr const char* kStagedProgram = "Ticker.exe.new";
constexpr int kPlaceAttempts = 15;
constexpr DWORD kCopyPiece = 64 * 1024;

// What an update may leave in the program's folder besides the marker and the copy.
constexpr const char* kLeftovers[] = {
    "update.exe",   kStagedProgram,     "update.manifest", "update.manifest.sig",
    "ticker.ex_",   "update.manifest.new", "update.manifest.new.sig", "ticker.ex_.new",
    "vexlodb.dll.new", "vinstall.exe.new",
};

#ifndef NEWSRAIL_RELEASE
// Tests cut a hand-off short at one of its steps, as a kill or a power cut would: the variable
// NEWSRAIL_TEST_HANDOFF_STOP names the step, "copy:BYTES" (once that many bytes of the new program
// are written), "copied", "placed" or "installer". A release build has no such seam.
void StopForTest(const char* step, uint64_t written = 0) {
  char wanted[64];
  const DWORD n = GetEnvironmentVariableA("NEWSRAIL_TEST_HANDOFF_STOP", wanted, sizeof wanted);
  if (n == 0 || n >= sizeof wanted) return;
  const size_t length = std::strlen(step);
  if (std::strncmp(wanted, step, length) != 0) return;
  if (wanted[length] == ':') {
    if (written < std::strtoull(wanted + length + 1, nullptr, 10)) return;
  } else if (wanted[length] != '\0') {
    return;
  }
  TerminateProcess(GetCurrentProcess(), 9);
}
#else
void StopForTest(const char*, uint64_t = 0) {}
#endif

bool InFolder(const char* name, char (&path)[MAX_PATH]) {
  return ProgramFilePath(name, path, sizeof path);
}

// The number of hand-offs begun, and whether the marker is there at all.
int32_t ReadMarker(bool* found) {
  char path[MAX_PATH];
  *found = false;
  if (!InFolder(kHandOffMarker, path)) return 0;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 0;
  *found = true;
  char text[16];
  const size_t n = std::fread(text, 1, sizeof text, file);
  std::fclose(file);
  return ReadHandOffStarts(text, n);
}

bool WriteMarker(int32_t begun) {
  char path[MAX_PATH];
  char text[16];
  const int n = std::snprintf(text, sizeof text, "%d\r\n", static_cast<int>(begun));
  return InFolder(kHandOffMarker, path) && ReplaceFileWith(path, text, static_cast<size_t>(n));
}

void RemoveMarker() {
  char path[MAX_PATH];
  if (InFolder(kHandOffMarker, path)) DeleteFileA(path);
}

// The manifest the old program verified and left beside the program, verified again: the folder
// may have changed since.
bool LoadFolderManifest(UpdateManifest* manifest) {
  char path[MAX_PATH];
  return InFolder(kManifestName, path) && LoadVerifiedManifest(path, manifest) &&
         std::strcmp(manifest->product, OwnProductName()) == 0;
}

// Whether the file in the program's folder is the program the manifest lists; it stays held.
bool IsManifestProgram(const char* name, const UpdateManifest& manifest, HeldFile* held) {
  char path[MAX_PATH];
  return InFolder(name, path) && held->Open(path) && held->Matches(manifest, kManifestProgramEntry);
}

bool CopyFromStart(HANDLE from, HANDLE to) {
  if (SetFilePointer(from, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
  static char piece[kCopyPiece];
  uint64_t written = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from, piece, sizeof piece, &got, nullptr)) return false;
    if (got == 0) return true;
    DWORD put = 0;
    if (!WriteFile(to, piece, got, &put, nullptr) || put != got) return false;
    written += put;
    StopForTest("copy", written);
  }
}

// One attempt to put the held copy in the place of "Ticker.exe": written beside it, flushed,
// checked, then renamed over it in one step. The old program stays whole until that rename, which
// fails while it still runs; the result is checked before anything is removed.
bool PlaceProgram(HeldFile& copy, const UpdateManifest& manifest) {
  char staged[MAX_PATH];
  char target[MAX_PATH];
  if (!InFolder(kStagedProgram, staged) || !InFolder(kProgramName, target)) return false;
  HANDLE out = CreateFileA(staged, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  bool ok = CopyFromStart(copy.Handle(), out) && FlushFileBuffers(out);
  CloseHandle(out);
  if (ok) {
    HeldFile written;
    ok = written.Open(staged) && written.Matches(manifest, kManifestProgramEntry);
  }
  if (!ok) {
    DeleteFileA(staged);
    return false;
  }
  StopForTest("copied");
  if (!MoveFileExA(staged, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(staged);
    return false;
  }
  StopForTest("placed");
  HeldFile placed;
  return placed.Open(target) && placed.Matches(manifest, kManifestProgramEntry);
}

// Runs "vinstall.exe" when the manifest lists it and it is the file listed; held until started.
void RunPostUpdateStep(const UpdateManifest& manifest) {
  const char* entry = DescribeUpdateFile(UpdateFile::kInstaller).manifestName;
  char path[MAX_PATH];
  HeldFile installer;
  if (FindManifestFile(manifest, entry) == nullptr ||
      !InFolder(DescribeUpdateFile(UpdateFile::kInstaller).localName, path) ||
      !installer.Open(path) || !installer.Matches(manifest, entry)) {
    return;
  }
  StartProgramAt(path, "");
  StopForTest("installer");
}

// The copy may still be ending when the restarted program starts, and a running program cannot
// be removed: the removal is tried again for a while beside the program's own work.
DWORD WINAPI RemoveCopyWhenItHasEnded(void* parameter) {
  const char* path = static_cast<const char*>(parameter);
  for (int i = 0; i < 60; ++i) {
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) break;
    Sleep(500);
  }
  return 0;
}

void RemoveLeftovers() {
  char path[MAX_PATH];
  for (const char* name : kLeftovers) {
    if (InFolder(name, path)) DeleteFileA(path);
  }
  static char copy[MAX_PATH];
  if (!InFolder(kCopyName, copy) || GetFileAttributesA(copy) == INVALID_FILE_ATTRIBUTES) return;
  if (DeleteFileA(copy)) return;
  HANDLE thread = CreateThread(nullptr, 0, RemoveCopyWhenItHasEnded, copy, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

}  // namespace

bool MarkHandOffBegun() { return WriteMarker(0); }

void FinishUpdateHandOff(const char* copyPath) {
  bool found = false;
  const int32_t begun = ReadMarker(&found);
  WriteMarker(begun + 1);

  UpdateManifest manifest;
  HeldFile copy;
  if (!LoadFolderManifest(&manifest) || !copy.Open(copyPath) ||
      !copy.Matches(manifest, kManifestProgramEntry)) {
    // Not the program the publisher signed: the one there stays, and its start clears the rest.
    RemoveMarker();
    return;
  }

  bool placed = false;
  for (int attempt = 0; attempt < kPlaceAttempts && !placed; ++attempt) {
    // The old program may still be ending; its file cannot be replaced until then.
    PumpMessages(1000);
    placed = PlaceProgram(copy, manifest);
  }
  if (!placed) {
    // The old program is whole: it runs again, and its next ordinary start tries the hand-off
    // once more (the marker stays).
    char caption[64];
    char text[512];
    LoadProgramText(IDS_UPDATE_ERROR_CAPTION, caption, sizeof caption);
    LoadProgramText(IDS_UPDATE_ERROR_TEXT, text, sizeof text);
    MessageBoxA(nullptr, text, caption, MB_OK);
    return;
  }

  // Started before the marker goes, so that a hand-off cut off here runs it at the next start.
  RunPostUpdateStep(manifest);
  RemoveMarker();
}

bool SettlePendingUpdate(bool restartStart) {
  bool found = false;
  const int32_t begun = ReadMarker(&found);
  UpdateManifest manifest;
  const bool verified = found && LoadFolderManifest(&manifest);
  HeldFile program;
  HeldFile copy;
  const bool programIsNew = verified && IsManifestProgram(kProgramName, manifest, &program);
  const bool copyIsNew = verified && !programIsNew && IsManifestProgram(kCopyName, manifest, &copy);
  program.Close();

  switch (DecidePendingUpdate(found, begun, verified, programIsNew, copyIsNew, restartStart)) {
    case PendingUpdate::kNone:
      break;
    case PendingUpdate::kPostUpdate:
      RunPostUpdateStep(manifest);
      RemoveMarker();
      break;
    case PendingUpdate::kHandOffAgain: {
      char path[MAX_PATH];
      // Held until it has started, as when the old program first handed off.
      if (InFolder(kCopyName, path) && StartProgramAt(path, "R")) return false;
      return true;
    }
    case PendingUpdate::kLeaveForLater:
      return true;
    case PendingUpdate::kGiveUp:
      RemoveMarker();
      break;
  }
  RemoveLeftovers();
  return true;
}
