// What a click means and how a link reaches the browser: trimming the registered browser command,
// the DDE item, the search query, and the item under the pointer. Pure text and arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>

#include "strip/item_list.h"

constexpr size_t kBrowserCommandSize = 262;  // 260 bytes read, and room for the appended space
// A command line or DDE item holds the browser command and the longest URL the program builds.
constexpr size_t kLaunchLineSize = kBrowserCommandSize + 1100;

// Trims a registered ".htm" open command so that a URL can be appended to it: before "-nohome",
// else before "-h", else the character before "%1" ends it and one space follows; otherwise it
// stays. `command` holds kBrowserCommandSize bytes.
void TrimBrowserCommand(char* command);

// The form in which a URL reaches the browser. Links come from the network, so only "http:" and
// "https:" ones (either case) are opened, and the URL must stay one argument of a command line:
// after one leading space is dropped, spaces, double quotes, backslashes (which would escape the
// closing quote), control bytes and bytes of 127 and above are percent-encoded. False (out empty)
// for any other scheme or when the result does not fit.
bool EncodeBrowserUrl(const char* url, char* out, size_t capacity);

// The "WWW_OpenURL" item: a quote, the encoded URL, a quote, then ",,0xFFFFFFFF,0x03". False
// (out empty) when the URL is refused or does not fit.
bool BuildOpenUrlItem(const char* url, char* out, size_t capacity);

// The command line: the trimmed browser command, a space unless it ends with one, and the encoded
// URL in double quotes, so that the browser sees exactly one argument after its own. False (out
// empty) when the URL is refused or the line does not fit.
bool BuildLaunchLine(const char* command, const char* url, char* out, size_t capacity);

// The search query of the search box's text: spaces become '+', the query ends at the first
// control character (the line break the Enter key leaves). Bytes of 128 and above are
// percent-encoded rather than ending the query. Returns the query's length (0: nothing to search).
size_t BuildSearchQuery(const char* boxText, char* out, size_t capacity);

// The link of the item under strip position offset + x: the item's own, or the first non-empty
// one of the three slots after it, or the third slot's even when empty. Null when the pointer is
// over no item (an empty strip). Never reads a slot that does not exist.
const char* LinkUnderPointer(const ItemsView& view, int32_t scrollOffset, int32_t x);

// The new scroll offset after a jump request, or false when nothing changes (no strip yet).
// forward: the request's serial is newer than the last one; nextSection: kind 1 (else a story).
bool ComputeJump(const ItemsView& view, int32_t scrollOffset, bool forward, bool nextSection,
                 bool scrollForward, int32_t* newOffset);
