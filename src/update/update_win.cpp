// Software update: on the first refresh cycle, the update server's package date against the
// installed program's; a newer package is downloaded with its library and installer, checked
// against the publisher's signature, offered with the release note, expanded into "tlxtemp.exe"
// and handed off to.
//
// Everything is downloaded and verified before the user is asked, so that a package which is not
// the publisher's is never offered. Until the user says OK the files wait under names of their
// own ("ticker.ex_.new" and so on), so a declined update leaves the program's folder as it was.
#include "update/update_win.h"

#include <lzexpand.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "feed/dialup_win.h"
#include "feed/http_transfer_win.h"
#include "res/resource.h"
#include "settings/endpoints.h"
#include "shell/process_win.h"
#include "shell/shutdown_win.h"
#include "strip/strip_paint_win.h"
#include "update/signature_win.h"
#include "update/update_rules.h"
#include "window/ticker_state_win.h"

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

// One file of the update as it waits in the program's folder.
struct StagedFile {
  UpdateFile file;
  char staged[MAX_PATH];  // "<name>.new"; its signature is "<name>.new.sig"
  char final[MAX_PATH];   // "<name>"
  DownloadedProgram state;
};

bool AddSuffix(const char* path, const char* suffix, char* out, size_t capacity) {
  return std::snprintf(out, capacity, "%s%s", path, suffix) < static_cast<int>(capacity);
}

void DeleteWithSignature(const char* path) {
  char signature[MAX_PATH + 8];
  DeleteFileA(path);
  if (AddSuffix(path, ".sig", signature, sizeof signature)) DeleteFileA(signature);
}

// Moves a verified file and its signature into place; false when the file could not be moved.
bool MoveIntoPlace(const StagedFile& f) {
  char fromSig[MAX_PATH + 8];
  char toSig[MAX_PATH + 8];
  if (!AddSuffix(f.staged, ".sig", fromSig, sizeof fromSig) ||
      !AddSuffix(f.final, ".sig", toSig, sizeof toSig)) {
    return false;
  }
  if (!MoveFileExA(f.staged, f.final, MOVEFILE_REPLACE_EXISTING)) return false;
  MoveFileExA(fromSig, toSig, MOVEFILE_REPLACE_EXISTING);
  return true;
}

bool FileUpdateUrl(UpdateFile file, bool myVexlo, const char* suffix, char* url, size_t capacity) {
  char path[64];
  std::snprintf(path, sizeof path, "%s%s", DescribeUpdateFile(file).remotePath, suffix);
  return BuildEndpointUrl(Settings(), UpdateHost(file, myVexlo), path, url, capacity);
}

// The last-write time of "Ticker.exe" in the program's folder.
bool ProgramFileTime(ULARGE_INTEGER* time) {
  char path[MAX_PATH];
  if (!ProgramFilePath("Ticker.exe", path, sizeof path)) return false;
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
bool PackageFileTime(HINTERNET internet, bool myVexlo, FILETIME* time) {
  char url[kTextValueSize + 64];
  if (!FileUpdateUrl(UpdateFile::kPackage, myVexlo, "", url, sizeof url)) return false;
  char host[256];
  char path[kTextValueSize + 64];
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(url, 0, 0, &parts)) return false;

  OwnedHandle connection(InternetConnectA(internet, host, parts.nPort, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return false;
  OwnedHandle request(HttpOpenRequestA(connection.get(), nullptr, path, "HTTP/1.0", nullptr,
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

bool ScreenSaverRunning() {
  // Written by the housekeeping tick on the user-interface thread.
  return __atomic_load_n(&Ticker().screenSaverWindow, __ATOMIC_RELAXED) != nullptr;
}

// Downloads one program file and its signature beside it and checks them. Nothing is loaded or
// run here.
void FetchProgram(HINTERNET internet, bool myVexlo, char* buffer, const FILETIME& fileTime,
                  StagedFile* f) {
  const UpdateFileInfo& info = DescribeUpdateFile(f->file);
  char url[kTextValueSize + 64];
  char sigUrl[kTextValueSize + 64];
  char sigPath[MAX_PATH + 8];
  if (!ProgramFilePath(info.localName, f->final, sizeof f->final) ||
      !AddSuffix(f->final, ".new", f->staged, sizeof f->staged) ||
      !AddSuffix(f->staged, ".sig", sigPath, sizeof sigPath) ||
      !FileUpdateUrl(f->file, myVexlo, "", url, sizeof url) ||
      !FileUpdateUrl(f->file, myVexlo, ".sig", sigUrl, sizeof sigUrl)) {
    f->staged[0] = '\0';
    return;
  }
  DeleteWithSignature(f->staged);
  if (DownloadUrlToFile(internet, url, buffer, kDownloadBufferSize, f->staged, &fileTime) == 0 ||
      GetFileAttributesA(f->staged) == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  f->state.arrived = true;
  unsigned char head[2] = {};
  size_t headSize = 0;
  if (std::FILE* file = std::fopen(f->staged, "rb")) {
    headSize = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
  }
  f->state.isProgram = LooksLikeProgram(head, headSize);
  char signature[kSignatureMaxSize];
  if (DownloadUrlToFile(internet, sigUrl, signature, sizeof signature, sigPath, nullptr) != 0) {
    f->state.signatureOk = VerifyPublisherSignature(f->staged);
  }
}

// One item on the strip, ahead of what it shows now, says that the update was refused; the news
// keep running after it.
void ShowRefusal(HWND window) {
  char text[kTextSize];
  LoadProgramText(IDS_UPDATE_REFUSED, text, sizeof text);
  WindowMeasurer measurer(window);
  ShowNoticeAhead(Ticker().items, &measurer, Ticker().flags, text);
}

void ShowUpdatingSoftware(HWND window, bool myVexlo) {
  TickerWindowState& t = Ticker();
  char text[kTextSize];
  LoadProgramText(IDS_UPDATING_SOFTWARE, text, sizeof text);
  WindowMeasurer measurer(window);
  t.flags.listBusy = 1;
  t.items.Reset();
  t.items.Append(&measurer, text, "", 15, 1, 0);
  t.items.Append(&measurer, text, "", UpdatingColorIndex(myVexlo), 1, 1);
  t.items.Finish();
  t.flags.listBusy = 0;
}

// Expands the package into "tlxtemp.exe"; true when LZCopy wrote something.
bool ExpandPackage(const char* package) {
  char target[MAX_PATH];
  if (!ProgramFilePath("tlxtemp.exe", target, sizeof target)) return false;
  OFSTRUCT sourceInfo = {};
  OFSTRUCT targetInfo = {};
  char source[MAX_PATH];
  lstrcpynA(source, package, sizeof source);
  const INT from = LZOpenFileA(source, &sourceInfo, OF_READ);
  if (from < 0) return false;
  const INT to = LZOpenFileA(target, &targetInfo, OF_CREATE);
  if (to < 0) {
    LZClose(from);
    return false;
  }
  const LONG copied = LZCopy(from, to);
  LZClose(from);
  LZClose(to);
  if (copied <= 0) DeleteFileA(target);
  return copied > 0;
}

void RunUpdate(HWND window, HINTERNET internet) {
  ULARGE_INTEGER programTime;
  if (!ProgramFileTime(&programTime) || internet == nullptr) return;

  DWORD timeout = kConnectTimeoutMs;
  DWORD retries = kConnectRetries;
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);

  const bool myVexlo = Settings().ReadSetting(SettingId::kMyVexlo) != 0;
  FILETIME packageTime;
  if (!PackageFileTime(internet, myVexlo, &packageTime)) return;
  ULARGE_INTEGER package;
  package.LowPart = packageTime.dwLowDateTime;
  package.HighPart = packageTime.dwHighDateTime;
  if (!PackageIsNewer(package.QuadPart, programTime.QuadPart)) return;
  // Nobody could answer while a screen saver runs, and nothing is installed unasked.
  if (ScreenSaverRunning()) return;

  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kDownloadBufferSize]);
  if (!buffer) return;
  StagedFile files[] = {{UpdateFile::kPackage, "", "", {}},
                        {UpdateFile::kLibrary, "", "", {}},
                        {UpdateFile::kInstaller, "", "", {}}};
  StagedFile& packageFile = files[0];
  StagedFile& library = files[1];
  StagedFile& installer = files[2];
  FetchProgram(internet, myVexlo, buffer.get(), packageTime, &packageFile);
  if (packageFile.state.arrived) {
    FetchProgram(internet, myVexlo, buffer.get(), packageTime, &library);
    FetchProgram(internet, myVexlo, buffer.get(), packageTime, &installer);
  }
  buffer.reset();
  auto discardAll = [&files] {
    for (const StagedFile& f : files) {
      if (f.staged[0] != '\0') DeleteWithSignature(f.staged);
    }
  };

  switch (JudgeDownloads(packageFile.state, library.state, installer.state)) {
    case UpdateVerdict::kNothing:
      discardAll();
      return;
    case UpdateVerdict::kRefuse:
      discardAll();
      ShowRefusal(window);
      return;
    case UpdateVerdict::kOffer:
      break;
  }
  // An optional file that is no program (the server's answer that it has none) is dropped.
  for (StagedFile* f : {&library, &installer}) {
    if (!f->state.signatureOk && f->staged[0] != '\0') {
      DeleteWithSignature(f->staged);
      f->staged[0] = '\0';
    }
  }

  char received[kReleaseNoteSize] = {};
  char note[kReleaseNoteSize];
  char noteUrl[kTextValueSize + 64];
  if (ScreenSaverRunning()) {
    discardAll();
    return;
  }
  if (FileUpdateUrl(UpdateFile::kNote, myVexlo, "", noteUrl, sizeof noteUrl)) {
    DownloadUrlToFile(internet, noteUrl, received, kReleaseNoteSize - 1, nullptr, nullptr);
  }
  TakeReleaseNote(received, kReleaseNoteSize - 1, note);
  char title[kTextSize];
  LoadProgramText(IDS_UPDATE_AVAILABLE_TITLE, title, sizeof title);
  if (MessageBoxA(window, note, title, MB_OKCANCEL) != IDOK) {
    discardAll();
    return;
  }

  ShowUpdatingSoftware(window, myVexlo);
  // A library that cannot be replaced (the shell holds it) stays as it is, and is not loaded anew.
  if (library.staged[0] != '\0') {
    if (MoveIntoPlace(library)) {
      RegisterBandLibrary(library.final);
    } else {
      DeleteWithSignature(library.staged);
    }
  }
  if (installer.staged[0] != '\0' && !MoveIntoPlace(installer)) {
    DeleteWithSignature(installer.staged);
  }
  if (ExpandPackage(packageFile.staged)) {
    DeleteWithSignature(packageFile.staged);
    RemoveTrayPlaceholders();
    // Another at-exit start (a restart under way) wins; the update is offered again next time.
    if (RegisterHandOffAtExit()) EndProcess(0);
    return;
  }
  DeleteWithSignature(packageFile.staged);
}

}  // namespace

int CheckForUpdate(HWND ticker, HINTERNET internet) {
  SharedFlags& flags = Ticker().flags;
  flags.updateRunning = 1;
  if (Settings().ReadNumberValue(value_name::kNoAutoDial) != 0 &&
      !InternetCheckConnectionA(nullptr, 0, 0)) {
    flags.updateRunning = 0;
    return 0;
  }
  DialIfNeeded();
  RunUpdate(ticker, internet);
  flags.updateRunning = 0;
  return 1;
}
