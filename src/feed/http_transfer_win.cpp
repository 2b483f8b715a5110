// HTTP transfers of the refresh worker.
#include "feed/http_transfer_win.h"

#include <winsock2.h>

#include <cstring>

#include "feed/dialup_win.h"
#include "feed/http_auth.h"
#include "prefs/credentials_win.h"
#include "res/resource.h"
#include "window/ticker_state_win.h"

namespace {

constexpr DWORD kReadPiece = 50;
constexpr int kMaxRequests = 4;
constexpr DWORD kReceiveTimeoutMs = 60000;
constexpr size_t kHeaderSize = 1000;  // 999 bytes of raw headers and the NUL

// Authentication state shared with the credentials dialog. Only the refresh worker uses it, one
// cycle at a time.
char g_proxyUser[kCredentialSize] = "";
char g_proxyPassword[kCredentialSize] = "";
char g_headers[kHeaderSize] = "";
const char* g_realm = nullptr;

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

// The host name is sent as the referrer; empty when Winsock cannot give it.
void LocalHostName(char* name, size_t capacity) {
  static bool started = false;
  if (!started) {
    WSADATA data;
    started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  name[0] = '\0';
  if (!started || gethostname(name, static_cast<int>(capacity)) != 0) name[0] = '\0';
  name[capacity - 1] = '\0';
}

void ReadRawHeaders(HINTERNET request) {
  DWORD size = kHeaderSize - 1;
  g_headers[0] = '\0';
  if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, g_headers, &size, nullptr)) size = 0;
  if (size > kHeaderSize - 1) size = kHeaderSize - 1;
  g_headers[size] = '\0';
}

void LoadStoredCredentials() {
  SettingsStore& settings = Settings();
  char text[kTextValueSize];
  settings.ReadTextValue(value_name::kProxyId, text);
  std::strcpy(g_proxyUser, text);
  settings.ReadTextValue(value_name::kProxyPass, text);
  std::strcpy(g_proxyPassword, text);
  ScrambleProxyPassword(g_proxyPassword);
}

void SaveCredentials() {
  SettingsStore& settings = Settings();
  settings.WriteTextValue(value_name::kProxyId, g_proxyUser);
  ScrambleProxyPassword(g_proxyPassword);
  settings.WriteTextValue(value_name::kProxyPass, g_proxyPassword);
  ScrambleProxyPassword(g_proxyPassword);
}

void SetCredentials(HINTERNET connection, HINTERNET request, DWORD status) {
  const DWORD userLength = static_cast<DWORD>(std::strlen(g_proxyUser) + 1);
  const DWORD passwordLength = static_cast<DWORD>(std::strlen(g_proxyPassword) + 1);
  if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
    // A proxy takes its credentials from the proxy options only.
    InternetSetOptionA(request, INTERNET_OPTION_PROXY_USERNAME, g_proxyUser, userLength);
    InternetSetOptionA(request, INTERNET_OPTION_PROXY_PASSWORD, g_proxyPassword, passwordLength);
  } else {
    InternetSetOptionA(connection, INTERNET_OPTION_USERNAME, g_proxyUser, userLength);
    InternetSetOptionA(connection, INTERNET_OPTION_PASSWORD, g_proxyPassword, passwordLength);
    InternetSetOptionA(request, INTERNET_OPTION_USERNAME, g_proxyUser, userLength);
    InternetSetOptionA(request, INTERNET_OPTION_PASSWORD, g_proxyPassword, passwordLength);
  }
}

// Reads the body into buffer up to capacity-1 bytes. Stops at the end, when the program closes,
// or when the buffer is full (the rest is not read: closing the request abandons it).
size_t ReadBody(HINTERNET request, char* buffer, size_t capacity) {
  SharedFlags& flags = Ticker().flags;
  size_t total = 0;
  while (total + 1 < capacity && flags.closing.load() == 0) {
    DWORD want = kReadPiece;
    if (capacity - 1 - total < want) want = static_cast<DWORD>(capacity - 1 - total);
    DWORD got = 0;
    if (!InternetReadFile(request, buffer + total, want, &got) || got == 0) break;
    total += got;
  }
  buffer[total] = '\0';
  return total;
}

// Reads and drops what is left of an answer, through the caller's buffer.
void DiscardBody(HINTERNET request, char* buffer, size_t capacity) {
  const DWORD piece = capacity < kReadPiece ? static_cast<DWORD>(capacity) : kReadPiece;
  DWORD got = 0;
  while (piece > 0 && InternetReadFile(request, buffer, piece, &got) && got != 0) {
  }
}

}  // namespace

size_t HttpGetUrl(HINTERNET internet, const char* url, char* buffer, size_t capacity) {
  if (buffer == nullptr || capacity == 0) return 0;
  buffer[0] = '\0';
  if (Settings().ReadNumberValue(value_name::kNoAutoDial) != 0 &&
      !InternetCheckConnectionA(nullptr, 0, 0)) {
    return 0;
  }
  DialIfNeeded();

  char host[201] = "";
  char path[501] = "";
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(url, 0, ICU_ESCAPE, &parts) || host[0] == '\0') return 0;
  if (path[0] == '\0') std::strcpy(path, "/");

  // The port is the one the address names (80 when it names none), so that a server on any
  // port can be reached.
  InternetHandle connection(InternetConnectA(internet, host, parts.nPort, "", "",
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return 0;

  char referrer[261];
  LocalHostName(referrer, sizeof referrer);
  InternetHandle request(HttpOpenRequestA(
      connection.get(), "GET", path, "HTTP/1.0", referrer, nullptr,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS,
      0));
  if (!request) return 0;
  // A server that stops sending must not hold the worker, and with it every later refresh.
  const DWORD timeout = kReceiveTimeoutMs;
  InternetSetOptionA(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, const_cast<DWORD*>(&timeout),
                     sizeof timeout);
  HttpAddRequestHeadersA(request.get(), kRequestHeaders, static_cast<DWORD>(-1),
                         HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA);

  for (int attempt = 0;;) {
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return 0;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      return 0;
    }
    if (status == HTTP_STATUS_NOT_FOUND) return 0;
    if (status != HTTP_STATUS_DENIED && status != HTTP_STATUS_FORBIDDEN &&
        status != HTTP_STATUS_PROXY_AUTH_REQ) {
      return ReadBody(request.get(), buffer, capacity);
    }

    ReadRawHeaders(request.get());
    g_realm = ExtractRealm(g_headers);
    LoadStoredCredentials();
    // Stored credentials are tried once as they are; after that the user is asked each time.
    if (g_proxyUser[0] == '\0' || g_proxyPassword[0] == '\0' || attempt != 0) {
      AskNetworkPassword(Ticker().tickerWindow, g_realm, g_proxyUser, g_proxyPassword);
      SaveCredentials();
    }
    SetCredentials(connection.get(), request.get(), status);
    DiscardBody(request.get(), buffer, capacity);
    buffer[0] = '\0';
    if (++attempt >= kMaxRequests) break;
  }

  ReadRawHeaders(request.get());
  char caption[128];
  LoadProgramText(IDS_PROXY_FAILED_CAPTION, caption, sizeof caption);
  MessageBoxA(Ticker().tickerWindow, g_headers, caption, MB_OK);
  return 0;
}

int DownloadUrlToFile(HINTERNET internet, const char* url, char* buffer, size_t capacity,
                      const char* fileName, const FILETIME* fileTime) {
  char headers[128];
  std::strcpy(headers, kRequestHeaders);
  std::strcat(headers, "\r\n");
  InternetHandle source(InternetOpenUrlA(internet, url, headers, static_cast<DWORD>(-1),
                                         INTERNET_FLAG_EXISTING_CONNECT, 0));
  if (!source) return 0;

  HANDLE file = INVALID_HANDLE_VALUE;
  if (fileName != nullptr) {
    file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  size_t total = 0;
  int result = 0;
  bool overflow = false;
  for (;;) {
    if (total >= capacity) {
      // A body larger than the buffer would leave a cut file behind: give up on it.
      char probe;
      DWORD extra = 0;
      overflow = InternetReadFile(source.get(), &probe, 1, &extra) && extra != 0;
      result = overflow ? 0 : 1;
      break;
    }
    DWORD want = kReadPiece;
    if (capacity - total < want) want = static_cast<DWORD>(capacity - total);
    DWORD got = 0;
    result = InternetReadFile(source.get(), buffer + total, want, &got) ? 1 : 0;
    if (result == 0 || got == 0) break;
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, buffer + total, got, &written, nullptr);
    }
    total += got;
  }

  if (file != INVALID_HANDLE_VALUE) {
    if (fileTime != nullptr) SetFileTime(file, fileTime, nullptr, fileTime);
    CloseHandle(file);
    if (overflow) DeleteFileA(fileName);
  }
  return result;
}
