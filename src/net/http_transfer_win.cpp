// HTTP transfers of the refresh worker.
#include "net/http_transfer_win.h"

#include <winsock2.h>

#include <atomic>
#include <cstring>
#include <string>

#include "net/dialup_win.h"
#include "net/http_auth.h"
#include "net/transfer_bounds.h"
#include "net/credentials_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"
#include "settings/registry_store_win.h"

namespace {

constexpr DWORD kReadPiece = 50;
constexpr int kMaxRequests = 4;
// Ends a read that a silent server leaves blocked, so that a helper thread given up on goes too.
constexpr DWORD kReceiveTimeoutMs = 60000;

bool Closing(const std::atomic<int32_t>* closing) {
  return closing != nullptr && closing->load() != 0;
}

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h = nullptr) : h_(h) {}
  ~InternetHandle() {
    if (h_ != nullptr) InternetCloseHandle(h_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_;
};

// One blocking WinINet call handed to a transfer's helper thread. The worker may give up on a
// call that does not come back in time, so the record belongs to both and the one that lets go
// last frees it; the helper's reads land in `piece`, never in the caller's buffer.
struct BlockingCall {
  enum Kind { kSend, kRead, kOpenUrl, kQuit };
  std::atomic<int> refs{2};
  std::atomic<int> abandoned{0};
  HANDLE go = nullptr;    // auto-reset: a call is set up, or the helper should go
  HANDLE done = nullptr;  // auto-reset: the helper has finished the call
  Kind kind = kQuit;
  HINTERNET handle = nullptr;  // the request, or the Internet handle of kOpenUrl
  std::string url, headers;    // kOpenUrl's arguments, copied
  char piece[kReadPiece] = {};
  DWORD want = 0, got = 0;
  BOOL ok = FALSE;
  HINTERNET opened = nullptr;  // kOpenUrl's result until the worker takes it
};

void Release(BlockingCall* call) {
  if (call->refs.fetch_sub(1) != 1) return;
  if (call->go != nullptr) CloseHandle(call->go);
  if (call->done != nullptr) CloseHandle(call->done);
  delete call;
}

// The helper thread. Closing a handle from another thread does not end a call blocked on it
// under Wine, and a receive time-out does not end headers that arrive a byte at a time: only a
// call on a thread of its own can be left behind.
DWORD WINAPI RunBlockingCalls(void* parameter) {
  BlockingCall* call = static_cast<BlockingCall*>(parameter);
  for (;;) {
    WaitForSingleObject(call->go, INFINITE);
    if (call->abandoned.load() != 0 || call->kind == BlockingCall::kQuit) break;
    switch (call->kind) {
      case BlockingCall::kSend:
        call->ok = HttpSendRequestA(call->handle, nullptr, 0, nullptr, 0);
        break;
      case BlockingCall::kRead:
        call->got = 0;
        call->ok = InternetReadFile(call->handle, call->piece, call->want, &call->got);
        break;
      case BlockingCall::kOpenUrl:
        call->opened = InternetOpenUrlA(call->handle, call->url.c_str(), call->headers.c_str(),
                                        static_cast<DWORD>(-1), INTERNET_FLAG_EXISTING_CONNECT, 0);
        break;
      case BlockingCall::kQuit:
        break;
    }
    if (call->abandoned.load() != 0) break;
    SetEvent(call->done);
  }
  // A URL opened for a worker that stopped waiting is nobody's.
  if (call->abandoned.load() != 0 && call->opened != nullptr) InternetCloseHandle(call->opened);
  Release(call);
  return 0;
}

// The worker's side: sets up each call, waits for it in slices and gives up on it when the
// program closes or the request's deadline passes. After giving up it takes no more calls.
class CallRunner {
 public:
  explicit CallRunner(const std::atomic<int32_t>* closing) : closing_(closing) {
    BlockingCall* call = new BlockingCall;
    call->go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    call->done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = nullptr;
    if (call->go != nullptr && call->done != nullptr) {
      thread = CreateThread(nullptr, 0, RunBlockingCalls, call, 0, nullptr);
    }
    if (thread == nullptr) {
      call->refs = 1;
      Release(call);
      return;
    }
    CloseHandle(thread);
    call_ = call;
  }
  ~CallRunner() {
    if (call_ == nullptr) return;
    call_->kind = BlockingCall::kQuit;
    SetEvent(call_->go);
    Release(call_);
  }
  CallRunner(const CallRunner&) = delete;
  CallRunner& operator=(const CallRunner&) = delete;

  bool Ready() const { return call_ != nullptr; }

  bool Send(HINTERNET request, const TransferBudget& budget, TransferStop* stop) {
    if (!Prepare(BlockingCall::kSend, request)) return Refuse(stop);
    *stop = Await(budget);
    return *stop == TransferStop::kNone && call_->ok;
  }

  // Reads at most want (up to kReadPiece) bytes into out. False when the read failed or was
  // given up on (then *stop says why).
  bool Read(HINTERNET handle, char* out, DWORD want, DWORD* got, const TransferBudget& budget,
            TransferStop* stop) {
    *got = 0;
    if (!Prepare(BlockingCall::kRead, handle)) return Refuse(stop);
    call_->want = want < kReadPiece ? want : kReadPiece;
    *stop = Await(budget);
    if (*stop != TransferStop::kNone || !call_->ok) return false;
    *got = call_->got < call_->want ? call_->got : call_->want;
    std::memcpy(out, call_->piece, *got);
    return true;
  }

  HINTERNET OpenUrl(HINTERNET internet, const char* url, const char* headers,
                    const TransferBudget& budget, TransferStop* stop) {
    if (!Prepare(BlockingCall::kOpenUrl, internet)) {
      Refuse(stop);
      return nullptr;
    }
    call_->url = url;
    call_->headers = headers;
    *stop = Await(budget);
    if (*stop != TransferStop::kNone) return nullptr;
    HINTERNET opened = call_->opened;
    call_->opened = nullptr;
    return opened;
  }

 private:
  bool Prepare(BlockingCall::Kind kind, HINTERNET handle) {
    if (call_ == nullptr) return false;
    call_->kind = kind;
    call_->handle = handle;
    call_->ok = FALSE;
    return true;
  }

  static bool Refuse(TransferStop* stop) {
    *stop = TransferStop::kNone;
    return false;
  }

  TransferStop Await(const TransferBudget& budget) {
    TransferStop stop = TimeOrClosing(budget);
    if (stop != TransferStop::kNone) return stop;
    SetEvent(call_->go);
    for (;;) {
      if (WaitForSingleObject(call_->done, NextWaitMs(budget, GetTickCount())) == WAIT_OBJECT_0) {
        return TransferStop::kNone;
      }
      stop = TimeOrClosing(budget);
      if (stop != TransferStop::kNone) {
        // The helper finishes (or stays in) its call on its own and then goes.
        call_->abandoned = 1;
        SetEvent(call_->go);
        Release(call_);
        call_ = nullptr;
        return stop;
      }
    }
  }

  TransferStop TimeOrClosing(const TransferBudget& budget) const {
    const TransferStop stop = CheckTransfer(budget, GetTickCount(), 0, Closing(closing_));
    return stop == TransferStop::kFull ? TransferStop::kNone : stop;
  }

  const std::atomic<int32_t>* closing_;
  BlockingCall* call_ = nullptr;
};

// The host name is sent as the referrer; empty when Winsock cannot give it.
void LocalHostName(HttpTransferState& s, char* name, size_t capacity) {
  if (!s.winsockTried) {
    s.winsockTried = true;
    WSADATA data;
    s.winsockStarted = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  name[0] = '\0';
  if (!s.winsockStarted || gethostname(name, static_cast<int>(capacity)) != 0) name[0] = '\0';
  name[capacity - 1] = '\0';
}

void ReadRawHeaders(HttpTransferState& s, HINTERNET request) {
  DWORD size = kAuthHeaderSize - 1;
  s.headers[0] = '\0';
  if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, s.headers, &size, nullptr)) size = 0;
  if (size > kAuthHeaderSize - 1) size = kAuthHeaderSize - 1;
  s.headers[size] = '\0';
}

void LoadStoredCredentials(HttpTransferState& s) {
  SettingsStore& settings = Settings();
  char text[kTextValueSize];
  settings.ReadTextValue(value_name::kProxyId, text);
  lstrcpynA(s.proxyUser, text, sizeof s.proxyUser);
  settings.ReadTextValue(value_name::kProxyPass, text);
  lstrcpynA(s.proxyPassword, text, sizeof s.proxyPassword);
  ScrambleProxyPassword(s.proxyPassword);
}

void SaveCredentials(HttpTransferState& s) {
  SettingsStore& settings = Settings();
  settings.WriteTextValue(value_name::kProxyId, s.proxyUser);
  ScrambleProxyPassword(s.proxyPassword);
  settings.WriteTextValue(value_name::kProxyPass, s.proxyPassword);
  ScrambleProxyPassword(s.proxyPassword);
}

void SetCredentials(HttpTransferState& s, HINTERNET connection, HINTERNET request, DWORD status) {
  const DWORD userLength = static_cast<DWORD>(std::strlen(s.proxyUser) + 1);
  const DWORD passwordLength = static_cast<DWORD>(std::strlen(s.proxyPassword) + 1);
  if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
    // A proxy takes its credentials from the proxy options only.
    InternetSetOptionA(request, INTERNET_OPTION_PROXY_USERNAME, s.proxyUser, userLength);
    InternetSetOptionA(request, INTERNET_OPTION_PROXY_PASSWORD, s.proxyPassword, passwordLength);
  } else {
    InternetSetOptionA(connection, INTERNET_OPTION_USERNAME, s.proxyUser, userLength);
    InternetSetOptionA(connection, INTERNET_OPTION_PASSWORD, s.proxyPassword, passwordLength);
    InternetSetOptionA(request, INTERNET_OPTION_USERNAME, s.proxyUser, userLength);
    InternetSetOptionA(request, INTERNET_OPTION_PASSWORD, s.proxyPassword, passwordLength);
  }
}

void SetReceiveTimeout(HINTERNET request) {
  DWORD timeout = kReceiveTimeoutMs;
  InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
}

// Reads the body into buffer up to capacity-1 bytes and NUL-terminates it. Stops at the end, when
// the buffer is full (the rest is not read: closing the request abandons it) and when the program
// closes, keeping what came; a body still coming at the deadline is dropped (0). *readToEnd says
// whether the body ended by itself, with nothing left over.
size_t ReadBody(CallRunner& runner, const std::atomic<int32_t>* closing, HINTERNET request,
                const TransferBudget& budget, char* buffer, size_t capacity, bool* readToEnd) {
  size_t total = 0;
  *readToEnd = false;
  for (;;) {
    TransferStop stop = CheckTransfer(budget, GetTickCount(), total, Closing(closing));
    DWORD got = 0;
    if (stop == TransferStop::kNone) {
      size_t want = capacity - 1 - total;
      if (want > kReadPiece) want = kReadPiece;
      const bool read =
          runner.Read(request, buffer + total, static_cast<DWORD>(want), &got, budget, &stop);
      if (read && got != 0) {
        total += got;
        continue;
      }
      *readToEnd = read;
    } else if (stop == TransferStop::kFull) {
      // Full: whole only if nothing more comes.
      char probe;
      *readToEnd = runner.Read(request, &probe, 1, &got, budget, &stop) && got == 0;
    }
    if (stop == TransferStop::kDeadline) total = 0;
    break;
  }
  buffer[total] = '\0';
  return total;
}

// The length the server announced, if it did.
bool AnnouncedLength(HINTERNET request, uint64_t* length) {
  char text[32];
  DWORD size = sizeof text;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
  uint64_t n = 0;
  size_t digits = 0;
  for (; digits < size && text[digits] >= '0' && text[digits] <= '9' && digits < 19; ++digits) {
    n = n * 10 + static_cast<uint64_t>(text[digits] - '0');
  }
  if (digits == 0) return false;
  *length = n;
  return true;
}

// Records the answer's status and whether its body came whole.
void DescribeAnswer(HINTERNET request, DWORD status, bool readToEnd, uint64_t received,
                    HttpAnswer* answer) {
  if (answer == nullptr) return;
  uint64_t announced = 0;
  const bool lengthAnnounced = AnnouncedLength(request, &announced);
  answer->status = status;
  answer->whole = BodyArrivedWhole(readToEnd, lengthAnnounced, announced, received);
}

// Reads and drops the body of an authentication answer, through the caller's buffer. False when
// it did not end within kDiscardLimit bytes, the deadline or before the program closed.
bool DiscardBody(CallRunner& runner, const std::atomic<int32_t>* closing, HINTERNET request,
                 const TransferBudget& requestBudget, char* buffer, size_t capacity) {
  TransferBudget budget = requestBudget;
  budget.limit = kDiscardLimit;
  const DWORD piece = capacity < kReadPiece ? static_cast<DWORD>(capacity) : kReadPiece;
  size_t total = 0;
  for (;;) {
    TransferStop stop = CheckTransfer(budget, GetTickCount(), total, Closing(closing));
    if (stop != TransferStop::kNone) return false;
    DWORD got = 0;
    if (!runner.Read(request, buffer, piece, &got, budget, &stop)) {
      return stop == TransferStop::kNone;  // a failed read ends the body as the end would
    }
    if (got == 0) return true;
    total += got;
  }
}

}  // namespace

bool CrackHttpUrl(const char* url, HttpTarget* target) {
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = target->host;
  parts.dwHostNameLength = sizeof target->host;
  parts.lpszUrlPath = target->path;
  parts.dwUrlPathLength = sizeof target->path;
  if (!InternetCrackUrlA(url, 0, ICU_ESCAPE, &parts) || target->host[0] == '\0') return false;
  if (target->path[0] == '\0') std::strcpy(target->path, "/");
  target->port = parts.nPort;
  return true;
}

size_t HttpGetUrl(const HttpSession& session, const char* url, char* buffer, size_t capacity,
                  HttpAnswer* answer) {
  if (answer != nullptr) *answer = HttpAnswer();
  if (buffer == nullptr || capacity == 0) return 0;
  buffer[0] = '\0';
  if (url == nullptr || session.state == nullptr || Closing(session.closing)) return 0;
  HttpTransferState& s = *session.state;
  if (Settings().ReadNumberValue(value_name::kNoAutoDial) != 0 &&
      !InternetCheckConnectionA(nullptr, 0, 0)) {
    return 0;
  }
  if (session.dialup != nullptr) DialIfNeeded(*session.dialup);

  HttpTarget target;
  if (!CrackHttpUrl(url, &target)) return 0;

  // The port is the one the address names, so that a server on any port can be reached.
  InternetHandle connection(InternetConnectA(session.internet, target.host, target.port, "", "",
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return 0;

  char referrer[261];
  LocalHostName(s, referrer, sizeof referrer);
  InternetHandle request(HttpOpenRequestA(
      connection.get(), "GET", target.path, "HTTP/1.0", referrer, nullptr,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS,
      0));
  if (!request) return 0;
  SetReceiveTimeout(request.get());
  HttpAddRequestHeadersA(request.get(), kRequestHeaders, static_cast<DWORD>(-1),
                         HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA);

  CallRunner runner(session.closing);
  if (!runner.Ready()) return 0;
  for (int attempt = 0;;) {
    // Each request has its own deadline; the time the user spends in the dialog is not counted.
    TransferBudget budget;
    budget.startMs = GetTickCount();
    budget.limit = capacity - 1;
    TransferStop stop = TransferStop::kNone;
    if (!runner.Send(request.get(), budget, &stop)) return 0;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      return 0;
    }
    if (status == HTTP_STATUS_NOT_FOUND) return 0;
    if (status != HTTP_STATUS_DENIED && status != HTTP_STATUS_FORBIDDEN &&
        status != HTTP_STATUS_PROXY_AUTH_REQ) {
      bool readToEnd = false;
      const size_t n =
          ReadBody(runner, session.closing, request.get(), budget, buffer, capacity, &readToEnd);
      DescribeAnswer(request.get(), status, readToEnd, n, answer);
      return n;
    }

    ReadRawHeaders(s, request.get());
    s.realm = ExtractRealm(s.headers);
    // The body goes before the dialog, so that it is read within the request's own time.
    const bool drained =
        DiscardBody(runner, session.closing, request.get(), budget, buffer, capacity);
    buffer[0] = '\0';
    if (!drained) return 0;
    LoadStoredCredentials(s);
    // Stored credentials are tried once as they are; after that the user is asked each time.
    if (s.proxyUser[0] == '\0' || s.proxyPassword[0] == '\0' || attempt != 0) {
      AskNetworkPassword(session.owner, s.realm, s.proxyUser, s.proxyPassword);
      SaveCredentials(s);
    }
    SetCredentials(s, connection.get(), request.get(), status);
    if (++attempt >= kMaxRequests) break;
    if (Closing(session.closing)) return 0;
  }

  ReadRawHeaders(s, request.get());
  char caption[128];
  LoadProgramText(IDS_PROXY_FAILED_CAPTION, caption, sizeof caption);
  MessageBoxA(session.owner, s.headers, caption, MB_OK);
  return 0;
}

int DownloadUrlToFile(const HttpSession& session, const char* url, char* buffer, size_t capacity,
                      const char* fileName, const FILETIME* fileTime, size_t* received) {
  if (received != nullptr) *received = 0;
  if (url == nullptr || (buffer == nullptr && capacity != 0) || Closing(session.closing)) return 0;
  char headers[128];
  std::strcpy(headers, kRequestHeaders);
  std::strcat(headers, "\r\n");

  CallRunner runner(session.closing);
  if (!runner.Ready()) return 0;
  TransferBudget budget;
  budget.startMs = GetTickCount();
  budget.limit = capacity;
  TransferStop stop = TransferStop::kNone;
  InternetHandle source(runner.OpenUrl(session.internet, url, headers, budget, &stop));
  if (!source) return 0;
  SetReceiveTimeout(source.get());
  // An error page is no file of the server's: nothing is written.
  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!HttpQueryInfoA(source.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &statusSize, nullptr) ||
      status != HTTP_STATUS_OK) {
    return 0;
  }

  HANDLE file = INVALID_HANDLE_VALUE;
  if (fileName != nullptr) {
    file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  size_t total = 0;
  int result = 0;
  bool cut = false;
  for (;;) {
    stop = CheckTransfer(budget, GetTickCount(), total, Closing(session.closing));
    if (stop == TransferStop::kFull) {
      // A body larger than the buffer would leave a cut file behind: give up on it.
      char probe;
      DWORD extra = 0;
      const bool more = runner.Read(source.get(), &probe, 1, &extra, budget, &stop) && extra != 0;
      cut = more || stop != TransferStop::kNone;
      result = cut ? 0 : 1;
      break;
    }
    if (stop != TransferStop::kNone) {
      cut = true;
      result = 0;
      break;
    }
    size_t want = capacity - total;
    if (want > kReadPiece) want = kReadPiece;
    DWORD got = 0;
    result = runner.Read(source.get(), buffer + total, static_cast<DWORD>(want), &got, budget,
                         &stop)
                 ? 1
                 : 0;
    if (result == 0) {
      cut = stop != TransferStop::kNone;
      break;
    }
    if (got == 0) break;
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, buffer + total, got, &written, nullptr);
    }
    total += got;
  }

  // A body shorter than the server announced was cut off on the way.
  uint64_t announced = 0;
  if (result != 0 && !cut && AnnouncedLength(source.get(), &announced) && announced != total) {
    cut = true;
    result = 0;
  }
  if (file != INVALID_HANDLE_VALUE) {
    if (fileTime != nullptr) SetFileTime(file, fileTime, nullptr, fileTime);
    CloseHandle(file);
    if (cut) DeleteFileA(fileName);
  }
  if (received != nullptr) *received = result != 0 ? total : 0;
  return result;
}
