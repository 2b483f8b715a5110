// Fetching over WinINet: one explicit HTTP/1.0 GET into memory with proxy and server
// authentication, and a download through the URL opener into memory and a file.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "net/transfer_bounds.h"
#include "net/credentials_win.h"
#include "net/dialup_win.h"

// The three Accept lines sent with every request.
constexpr const char* kRequestHeaders = "Accept: */*\r\nAccept: text/plain\r\nAccept: text/html\r\n";

constexpr size_t kAuthHeaderSize = 1000;  // 999 bytes of raw headers and the NUL

// What the transfers keep between calls: the credentials last given (also what the credentials
// dialog shows), the raw headers of the last authentication answer and the realm found in them.
// Only the refresh worker touches it, one cycle at a time.
struct HttpTransferState {
  char proxyUser[kCredentialSize] = "";
  char proxyPassword[kCredentialSize] = "";
  char headers[kAuthHeaderSize] = "";
  const char* realm = nullptr;  // points into headers, or null
  bool winsockStarted = false;
  bool winsockTried = false;
};

// What one caller's transfers work with: its Internet handle, the transfer state, the flag that
// ends every read when the program closes, the window that owns the credentials dialog and the
// failure message, and the dial-up host that a request dials through (none: no dialling).
struct HttpSession {
  HINTERNET internet = nullptr;
  HttpTransferState* state = nullptr;
  const std::atomic<int32_t>* closing = nullptr;
  HWND owner = nullptr;
  DialupHost* dialup = nullptr;
};

// An http address as a request is made of it: the host, the port the address names (80 when it
// names none) and the path ("/" when it names none), escaped for the request line.
struct HttpTarget {
  char host[256] = "";
  char path[501] = "";
  INTERNET_PORT port = 0;
};

// Splits url into target; false when it cannot be split, a part is longer than its field, or it
// names no host.
bool CrackHttpUrl(const char* url, HttpTarget* target);

// Every read loop below stops at the size it may take, at `closing`, and when the request has
// taken kTransferDeadlineMs (transfer_bounds.h); the blocking calls run on a helper thread, so
// that even a server that never finishes its headers lets go of the worker in time.

// Fetches url into buffer: at most capacity-1 body bytes and a NUL after them. An answer longer
// than that is cut and the transfer closed. Returns the bytes stored; 0 means failure, a 404, an
// empty answer, or an answer that did not end before the deadline. When the program closes the
// bytes read so far are returned. A proxy or server that asks for authentication gets the stored
// "Proxy ID" and "Proxy Pass" once, then whatever the user enters, up to four requests in all.
// With `answer`, also its status and whether its body came whole (an error page, a body cut off
// on the way or cut at the buffer are bytes, but no answer to keep).
size_t HttpGetUrl(const HttpSession& session, const char* url, char* buffer, size_t capacity,
                  HttpAnswer* answer = nullptr);

// Downloads url into buffer (at most capacity bytes, not NUL-terminated) and, with a file name,
// into that file, stamped with the given creation and last-write time. Non-zero when a 200 answer
// came whole; 0 when the URL cannot be opened, the answer is not 200 (no file is made), a read
// failed, the body did not fit the buffer or was shorter than announced, the deadline passed or
// the program is closing (a file then is removed rather than left cut). With `received`, the
// number of bytes stored (0 on failure).
int DownloadUrlToFile(const HttpSession& session, const char* url, char* buffer, size_t capacity,
                      const char* fileName, const FILETIME* fileTime, size_t* received = nullptr);
