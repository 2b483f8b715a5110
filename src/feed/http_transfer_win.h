// Fetching over WinINet: one explicit HTTP/1.0 GET into memory with proxy and server
// authentication, and a download through the URL opener into memory and a file.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstddef>

// The three Accept lines sent with every request.
constexpr const char* kRequestHeaders = "Accept: */*\r\nAccept: text/plain\r\nAccept: text/html\r\n";

// Fetches url into buffer: at most capacity-1 body bytes and a NUL after them. An answer longer
// than that is cut and the transfer closed. Returns the bytes stored; 0 means failure, a 404, or
// an empty answer. A proxy or server that asks for authentication gets the stored "Proxy ID" and
// "Proxy Pass" once, then whatever the user enters, up to four requests in all.
size_t HttpGetUrl(HINTERNET internet, const char* url, char* buffer, size_t capacity);

// Downloads url into buffer (at most capacity bytes, not NUL-terminated) and, with a file name,
// into that file, stamped with the given creation and last-write time. Non-zero when the transfer
// ended normally; 0 when the URL cannot be opened, a read failed, or the body did not fit the
// buffer (a file then is removed rather than left cut).
int DownloadUrlToFile(HINTERNET internet, const char* url, char* buffer, size_t capacity,
                      const char* fileName, const FILETIME* fileTime);
