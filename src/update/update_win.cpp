// Software update: on the first refresh cycle, the update server's package date against the
// installed program's as a first filter; then the signed manifest, whose version must be greater
// than the program's own; then every file it lists, each taken only by its size and hash. A
// complete set is offered with the release note, expanded into "tlxtemp.exe", checked, and handed
// off to.
//
// Everything is downloaded and checked before the user is asked, so that nothing which is not the
// publisher's is ever offered. Until the user says OK the files wait under names of their own
// ("ticker.ex_.new" and so on), held so that nobody can change them, and a declined update leaves
// the program's folder as it was.
#include "update/update_win.h"

#include <lzexpand.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "net/dialup_win.h"
#include "net/http_transfer_win.h"
#include "res/resource.h"
#include "settings/endpoints.h"
#include "base/process_win.h"
#include "settings/install_scope_win.h"
#include "strip/strip_paint_win.h"
#include "strip/window_measurer_win.h"
#include "update/hand_off_win.h"
#include "update/signature_win.h"
#include "update/update_manifest.h"
#include "update/update_rules.h"
#include "res/program_resources_win.h"
#include "settings/registry_store_win.h"

namespace {

constexpr size_t kTextSize = 256;  // a string-table text
constexpr DWORD kConnectTimeoutMs = 90000;
constexpr DWORD kConnectRetries = 5;
// Wine ignores the connect time-out; a version request that never gets an answer still lets go.
constexpr DWORD kVersionReceiveTimeoutMs = 60000;

struct InternetHandleCloser {
  void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, InternetHandleCloser>;

// One file of the update as it waits in the program's folder under a name of its own, held from
// the moment it is checked.
struct StagedFile {
  UpdateFile file;
  char staged[MAX_PATH];  // "<name>.new"
  char final[MAX_PATH];   // "<name>"
  FetchedFile state;
  HeldFile held;
};

bool AddSuffix(const char* path, const char* suffix, char* out, size_t capacity) {
  return std::snprintf(out, capacity, "%s%s", path, suffix) < static_cast<int>(capacity);
}

void DeleteWithSignature(const char* path) {
  char signature[MAX_PATH + 8];
  DeleteFileA(path);
  if (AddSuffix(path, ".sig", signature, sizeof signature)) DeleteFileA(signature);
}

bool FileUpdateUrl(UpdateFile file, bool myVexlo, const char* suffix, char* url, size_t capacity) {
  char path[64];
  std::snprintf(path, sizeof path, "%s%s", DescribeUpdateFile(file).remotePath, suffix);
  return BuildEndpointUrl(Settings(), UpdateHost(file, myVexlo), path, url, capacity);
}

// The last-write time of "Ticker.exe" in the program's folder.
bool ProgramFileTime(ULARGE_INTEGER* time) {
  char path[MAX_PATH];
  if (!ProgramFilePath(kProgramFileName, path, sizeof path)) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME written;
  const bool ok = GetFileTime(file, nullptr, nullptr, &written) != FALSE;
  CloseHandle(file);
  time->LowPart = written.dwLowDateTime;
  time->HighPart = written.dwHighDateTime;
  return ok;
}

// The package's Last-Modified date, asked of the update host with one request whose body is
// never read.
bool PackageFileTime(const HttpSession& session, bool myVexlo, FILETIME* time) {
  char url[kTextValueSize + 64];
  if (!FileUpdateUrl(UpdateFile::kPackage, myVexlo, "", url, sizeof url)) return false;
  HttpTarget target;
  if (!CrackHttpUrl(url, &target)) return false;

  OwnedHandle connection(InternetConnectA(session.internet, target.host, target.port, nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  OwnedHandle request(HttpOpenRequestA(connection.get(), nullptr, target.path, "HTTP/1.0", nullptr,
                                       nullptr, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
                                       0));
  if (!request) return false;
  DWORD timeout = kVersionReceiveTimeoutMs;
  InternetSetOptionA(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
  HttpAddRequestHeadersA(request.get(), kRequestHeaders, static_cast<DWORD>(-1),
                         HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA);
  HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0);

  SYSTEMTIME modified;
  DWORD size = sizeof modified;
  const bool dated = HttpQueryInfoA(request.get(), HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME,
                                    &modified, &size, nullptr) != FALSE;
  request.reset();
  connection.reset();
  return dated && SystemTimeToFileTime(&modified, time) != FALSE;
}

// Downloads one file that the manifest lists to "<name>.new" and checks its size and hash while
// holding it, so that what was checked is what is later expanded, loaded or run. Nothing is
// loaded or run here.
void FetchListed(const HttpSession& session, bool myVexlo, char* buffer, const FILETIME& fileTime,
                 const UpdateManifest& manifest, StagedFile* f) {
  const UpdateFileInfo& info = DescribeUpdateFile(f->file);
  char url[kTextValueSize + 64];
  if (!ProgramFilePath(info.localName, f->final, sizeof f->final) ||
      !AddSuffix(f->final, ".new", f->staged, sizeof f->staged) ||
      !FileUpdateUrl(f->file, myVexlo, "", url, sizeof url)) {
    f->staged[0] = '\0';
    return;
  }
  DeleteFileA(f->staged);
  if (DownloadUrlToFile(session, url, buffer, kDownloadBufferSize, f->staged, &fileTime) == 0 ||
      !f->held.Open(f->staged)) {
    return;
  }
  f->state.arrived = true;
  f->state.matches = f->held.Matches(manifest, info.manifestName);
}

enum class ManifestFetch { kNone, kRefused, kNotNewer, kOffer };

// Fetches the manifest and its signature to "update.manifest.new" (+ ".sig") and judges it. A
// server without a manifest offers nothing, as one from before manifests.
ManifestFetch FetchManifest(const HttpSession& session, bool myVexlo, char* buffer, StagedFile* f,
                            UpdateManifest* manifest) {
  char url[kTextValueSize + 64];
  char sigUrl[kTextValueSize + 64];
  char sigPath[MAX_PATH + 8];
  // A copy installed for all users checks the manifest in the user's own folder: its program
  // folder is an administrator's.
  if (!DataFilePath(kManifestName, f->final, sizeof f->final) ||
      !AddSuffix(f->final, ".new", f->staged, sizeof f->staged) ||
      !AddSuffix(f->staged, ".sig", sigPath, sizeof sigPath) ||
      !FileUpdateUrl(f->file, myVexlo, "", url, sizeof url) ||
      !FileUpdateUrl(f->file, myVexlo, ".sig", sigUrl, sizeof sigUrl)) {
    f->staged[0] = '\0';
    return ManifestFetch::kNone;
  }
  DeleteWithSignature(f->staged);
  if (DownloadUrlToFile(session, url, buffer, kManifestMaxSize, f->staged, nullptr) == 0) {
    return ManifestFetch::kNone;
  }
  DownloadUrlToFile(session, sigUrl, buffer, kSignatureMaxSize, sigPath, nullptr);
  if (!LoadVerifiedManifest(f->staged, manifest)) return ManifestFetch::kRefused;
  switch (JudgeManifest(*manifest, OwnProductName(), OwnProgramVersion())) {
    case ManifestVerdict::kOffer:
      return ManifestFetch::kOffer;
    case ManifestVerdict::kNotNewer:
      return ManifestFetch::kNotNewer;
    case ManifestVerdict::kUnusable:
      break;
  }
  return ManifestFetch::kRefused;
}

// The release note into `received` (at most kReleaseNoteSize - 1 bytes), and whether it is the
// one the manifest lists.
FetchedFile FetchNote(const HttpSession& session, bool myVexlo, const UpdateManifest& manifest,
                      char (&received)[kReleaseNoteSize], size_t* count) {
  FetchedFile note;
  char url[kTextValueSize + 64];
  *count = 0;
  if (!FileUpdateUrl(UpdateFile::kNote, myVexlo, "", url, sizeof url) ||
      DownloadUrlToFile(session, url, received, kReleaseNoteSize - 1, nullptr, nullptr, count) ==
          0) {
    return note;
  }
  note.arrived = true;
  uint8_t digest[kSha256Size];
  note.matches = Sha256OfBytes(received, *count, digest) &&
                 FileMatchesManifest(manifest, DescribeUpdateFile(UpdateFile::kNote).manifestName,
                                     *count, digest);
  return note;
}

// One item on the strip, ahead of what it shows now, says that the update was refused; the news
// keep running after it.
void ShowRefusal(UpdateParts& parts, HWND window) {
  char text[kTextSize];
  LoadProgramText(IDS_UPDATE_REFUSED, text, sizeof text);
  WindowMeasurer measurer(window, parts.paint);
  ShowNoticeAhead(parts.items, &measurer, parts.stripFlags, text);
}

// A copy installed for all users lies where only an administrator may write, so it does not
// replace itself: it shows what the new version brings and who can install it. Nothing is
// downloaded but the note, and only a note that the manifest lists is shown.
void TellAdministratorUpdate(UpdateParts& parts, HWND window, const HttpSession& session,
                             bool myVexlo,
                             const UpdateManifest& manifest) {
  char received[kReleaseNoteSize] = {};
  size_t noteSize = 0;
  const FetchedFile fetched = FetchNote(session, myVexlo, manifest, received, &noteSize);
  if (!fetched.arrived) return;
  if (!fetched.matches) {
    ShowRefusal(parts, window);
    return;
  }
  if (parts.host.ScreenSaverRunning()) return;
  char note[kReleaseNoteSize];
  TakeReleaseNote(received, noteSize, note);
  char title[kTextSize];
  char advice[kTextSize];
  LoadProgramText(IDS_UPDATE_AVAILABLE_TITLE, title, sizeof title);
  LoadProgramText(IDS_UPDATE_NEEDS_ADMINISTRATOR, advice, sizeof advice);
  std::string text = note;
  text += "\r\n\r\n";
  text += advice;
  MessageBoxA(window, text.c_str(), title, MB_OK | MB_ICONINFORMATION);
}

void ShowUpdatingSoftware(UpdateParts& t, HWND window, bool myVexlo) {
  char text[kTextSize];
  LoadProgramText(IDS_UPDATING_SOFTWARE, text, sizeof text);
  WindowMeasurer measurer(window, t.paint);
  t.stripFlags.listBusy = 1;
  t.items.Reset();
  t.items.Append(&measurer, text, "", 15, 1, 0);
  t.items.Append(&measurer, text, "", UpdatingColorIndex(myVexlo), 1, 1);
  t.items.Finish();
  t.stripFlags.listBusy = 0;
}

// Expands the package into the copy; true when LZCopy wrote something.
bool ExpandPackage(const char* package, const char* target) {
  OFSTRUCT sourceInfo = {};
  OFSTRUCT targetInfo = {};
  char source[MAX_PATH];
  char copy[MAX_PATH];
  lstrcpynA(source, package, sizeof source);
  lstrcpynA(copy, target, sizeof copy);
  const INT from = LZOpenFileA(source, &sourceInfo, OF_READ);
  if (from < 0) return false;
  const INT to = LZOpenFileA(copy, &targetInfo, OF_CREATE);
  if (to < 0) {
    LZClose(from);
    return false;
  }
  const LONG copied = LZCopy(from, to);
  LZClose(from);
  LZClose(to);
  return copied > 0;
}

// Renames a checked file over the one it replaces, then holds the result and checks it again.
bool PutInPlace(StagedFile* f, const UpdateManifest& manifest) {
  f->held.Close();
  if (!MoveFileExA(f->staged, f->final, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
  f->staged[0] = '\0';
  return f->held.Open(f->final) &&
         f->held.Matches(manifest, DescribeUpdateFile(f->file).manifestName);
}

// After OK: the package is expanded and the new program checked first; only then do the manifest,
// the installer and the library take their places, the library registers, and the hand-off is
// marked. False, with the old set as it was, when the program or the installer cannot be made
// ready. The new program stays held until the process ends and the copy has started.
bool InstallUpdate(StagedFile& manifestFile, StagedFile& package, StagedFile& library,
                   StagedFile& installer, const UpdateManifest& manifest) {
  char copyPath[MAX_PATH];
  if (!ProgramFilePath("tlxtemp.exe", copyPath, sizeof copyPath)) return false;
  HeldFile copy;
  const bool ready = ExpandPackage(package.staged, copyPath) && copy.Open(copyPath) &&
                     copy.Matches(manifest, kManifestProgramEntry);
  if (!ready) {
    copy.Close();
    DeleteFileA(copyPath);
    return false;
  }

  char manifestSig[MAX_PATH + 8];
  char finalSig[MAX_PATH + 8];
  if (!AddSuffix(manifestFile.staged, ".sig", manifestSig, sizeof manifestSig) ||
      !AddSuffix(manifestFile.final, ".sig", finalSig, sizeof finalSig) ||
      !MoveFileExA(manifestSig, finalSig, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
      !MoveFileExA(manifestFile.staged, manifestFile.final,
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
      (installer.state.arrived && !PutInPlace(&installer, manifest))) {
    copy.Close();
    DeleteFileA(copyPath);
    DeleteWithSignature(manifestFile.final);
    return false;
  }
  manifestFile.staged[0] = '\0';
  // A library that cannot be replaced (the shell holds it) stays as it is, and is not loaded anew.
  if (library.state.arrived && PutInPlace(&library, manifest)) {
    char librarySig[MAX_PATH + 8];
    // A signature left beside an older library would not be this one's.
    if (AddSuffix(library.final, ".sig", librarySig, sizeof librarySig)) DeleteFileA(librarySig);
    RegisterVerifiedLibrary(library.final);
  }
  MarkHandOffBegun();
  copy.KeepUntilExit();
  return true;
}

void RunUpdate(UpdateParts& parts, HWND window, const HttpSession& session) {
  HINTERNET internet = session.internet;
  ULARGE_INTEGER programTime;
  if (!ProgramFileTime(&programTime) || internet == nullptr) return;

  DWORD timeout = kConnectTimeoutMs;
  DWORD retries = kConnectRetries;
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);

  const bool myVexlo = Settings().ReadSetting(SettingId::kMyVexlo) != 0;
  FILETIME packageTime;
  if (!PackageFileTime(session, myVexlo, &packageTime)) return;
  ULARGE_INTEGER package;
  package.LowPart = packageTime.dwLowDateTime;
  package.HighPart = packageTime.dwHighDateTime;
  // The date is only a cheap first test; what decides is the signed manifest's version.
  if (!PackageIsNewer(package.QuadPart, programTime.QuadPart)) return;
  // Nobody could answer while a screen saver runs, and nothing is installed unasked.
  if (parts.host.ScreenSaverRunning()) return;

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kDownloadBufferSize]);
  if (!buffer) return;
  StagedFile files[] = {{UpdateFile::kManifest, "", "", {}, {}},
                        {UpdateFile::kPackage, "", "", {}, {}},
                        {UpdateFile::kLibrary, "", "", {}, {}},
                        {UpdateFile::kInstaller, "", "", {}, {}}};
  StagedFile& manifestFile = files[0];
  StagedFile& packageFile = files[1];
  StagedFile& library = files[2];
  StagedFile& installer = files[3];
  auto discardAll = [&files] {
    for (StagedFile& f : files) {
      f.held.Close();
      if (f.staged[0] != '\0') DeleteWithSignature(f.staged);
    }
  };

  UpdateManifest manifest;
  switch (FetchManifest(session, myVexlo, buffer.get(), &manifestFile, &manifest)) {
    case ManifestFetch::kNone:
    case ManifestFetch::kNotNewer:
      discardAll();
      return;
    case ManifestFetch::kRefused:
      discardAll();
      ShowRefusal(parts, window);
      return;
    case ManifestFetch::kOffer:
      break;
  }

  if (IsAllUsersInstall()) {
    discardAll();
    TellAdministratorUpdate(parts, window, session, myVexlo, manifest);
    return;
  }

  // Every file the manifest lists must come, and be what it lists; the note as well.
  FetchedFile fetched[4];
  size_t fetchedCount = 0;
  for (StagedFile* f : {&packageFile, &library, &installer}) {
    if (FindManifestFile(manifest, DescribeUpdateFile(f->file).manifestName) == nullptr) continue;
    FetchListed(session, myVexlo, buffer.get(), packageTime, manifest, f);
    fetched[fetchedCount++] = f->state;
  }
  buffer.reset();
  char received[kReleaseNoteSize] = {};
  size_t noteSize = 0;
  fetched[fetchedCount++] = FetchNote(session, myVexlo, manifest, received, &noteSize);

  switch (JudgeDownloads(fetched, fetchedCount)) {
    case UpdateVerdict::kNothing:
      discardAll();
      return;
    case UpdateVerdict::kRefuse:
      discardAll();
      ShowRefusal(parts, window);
      return;
    case UpdateVerdict::kOffer:
      break;
  }
  if (parts.host.ScreenSaverRunning()) {
    discardAll();
    return;
  }

  char note[kReleaseNoteSize];
  TakeReleaseNote(received, noteSize, note);
  char title[kTextSize];
  LoadProgramText(IDS_UPDATE_AVAILABLE_TITLE, title, sizeof title);
  if (MessageBoxA(window, note, title, MB_OKCANCEL) != IDOK) {
    discardAll();
    return;
  }

  ShowUpdatingSoftware(parts, window, myVexlo);
  const bool installed = InstallUpdate(manifestFile, packageFile, library, installer, manifest);
  discardAll();
  if (!installed) return;
  parts.host.HandOffAndEnd();
}

}  // namespace

int CheckForUpdate(UpdateParts& parts, HWND ticker, const HttpSession& session) {
  std::atomic<int32_t>& running = parts.update.running;
  running = 1;
  if (Settings().ReadNumberValue(value_name::kNoAutoDial) != 0 &&
      !InternetCheckConnectionA(nullptr, 0, 0)) {
    running = 0;
    return 0;
  }
  if (session.dialup != nullptr) DialIfNeeded(*session.dialup);
  RunUpdate(parts, ticker, session);
  running = 0;
  return 1;
}
