// Link rules: browser command, what a URL may be and how it is passed, search query, item under
// the pointer, jumps.
#include "desktop/link_rules.h"

#include <cstring>

namespace {

bool Append(char* out, size_t capacity, size_t* used, const char* text, size_t n) {
  if (*used + n + 1 > capacity) return false;
  std::memcpy(out + *used, text, n);
  *used += n;
  out[*used] = '\0';
  return true;
}

bool Append(char* out, size_t capacity, size_t* used, const char* text) {
  return Append(out, capacity, used, text, std::strlen(text));
}

// prefix is lower case.
bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
    if (c != *prefix) return false;
  }
  return true;
}

}  // namespace

void TrimBrowserCommand(char* command) {
  command[kBrowserCommandSize - 3] = '\0';  // room for the appended space
  if (char* p = std::strstr(command, "-nohome")) {
    *p = '\0';
  } else if (char* h = std::strstr(command, "-h")) {
    *h = '\0';
  } else if (char* placeholder = std::strstr(command, "%1")) {
    char* end = placeholder > command ? placeholder - 1 : placeholder;
    end[0] = ' ';
    end[1] = '\0';
  }
}

bool EncodeBrowserUrl(const char* url, char* out, size_t capacity) {
  static const char kHex[] = "0123456789ABCDEF";
  if (capacity == 0) return false;
  out[0] = '\0';
  if (url == nullptr) return false;
  if (url[0] == ' ') ++url;
  if (!StartsWithNoCase(url, "http:") && !StartsWithNoCase(url, "https:")) return false;
  size_t used = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(url); *p != 0; ++p) {
    const bool plain = *p > ' ' && *p < 127 && *p != '"' && *p != '\\';
    const char escape[3] = {'%', kHex[*p >> 4], kHex[*p & 15]};
    const bool fits = plain ? Append(out, capacity, &used, reinterpret_cast<const char*>(p), 1)
                            : Append(out, capacity, &used, escape, 3);
    if (!fits) {
      out[0] = '\0';
      return false;
    }
  }
  return true;
}

bool BuildOpenUrlItem(const char* url, char* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  char encoded[kLaunchLineSize];
  if (!EncodeBrowserUrl(url, encoded, sizeof encoded)) return false;
  size_t used = 0;
  if (Append(out, capacity, &used, "\"") && Append(out, capacity, &used, encoded) &&
      Append(out, capacity, &used, "\",,0xFFFFFFFF,0x03")) {
    return true;
  }
  out[0] = '\0';
  return false;
}

bool BuildLaunchLine(const char* command, const char* url, char* out, size_t capacity) {
  if (capacity == 0) return false;
  out[0] = '\0';
  char encoded[kLaunchLineSize];
  if (!EncodeBrowserUrl(url, encoded, sizeof encoded)) return false;
  const size_t length = std::strlen(command);
  const bool spaced = length == 0 || command[length - 1] == ' ';
  size_t used = 0;
  if (Append(out, capacity, &used, command) && (spaced || Append(out, capacity, &used, " ")) &&
      Append(out, capacity, &used, "\"") && Append(out, capacity, &used, encoded) &&
      Append(out, capacity, &used, "\"")) {
    return true;
  }
  out[0] = '\0';
  return false;
}

size_t BuildSearchQuery(const char* boxText, char* out, size_t capacity) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t used = 0;
  if (capacity == 0) return 0;
  out[0] = '\0';
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(boxText); *p >= 32; ++p) {
    if (*p >= 128) {
      const char escape[3] = {'%', kHex[*p >> 4], kHex[*p & 15]};
      if (!Append(out, capacity, &used, escape, 3)) break;
    } else {
      const char c = *p == ' ' ? '+' : static_cast<char>(*p);
      if (!Append(out, capacity, &used, &c, 1)) break;
    }
  }
  return used;
}

const char* LinkUnderPointer(const ItemsView& view, int32_t scrollOffset, int32_t x) {
  if (view.drawCount == 0 || view.items == nullptr) return nullptr;
  int64_t position = static_cast<int64_t>(scrollOffset) + x;
  if (position > view.stripWidth) position -= view.stripWidth;
  // Compared as unsigned: a position left of the strip's start counts as past every slot.
  const uint32_t where = static_cast<uint32_t>(position);
  uint32_t stop = 0;
  while (stop < view.drawCount && static_cast<uint32_t>(view.items[stop].x) <= where) ++stop;
  if (stop == 0) return nullptr;

  const TickerItem& item = view.items[stop - 1];
  if (item.link[0] != '\0') return item.link;
  // An item without a link (a caption's text, say) opens the next one that has a link.
  const char* last = item.link;
  for (uint32_t s = stop; s < stop + 3; ++s) {
    const TickerItem* next = view.Slot(s);
    if (next == nullptr) break;
    last = next->link;
    if (next->link[0] != '\0') return next->link;
  }
  return last;
}

bool ComputeJump(const ItemsView& view, int32_t offset, bool forward, bool nextSection,
                 bool scrollForward, int32_t* newOffset) {
  const uint32_t drawCount = view.drawCount;
  if (drawCount == 0 || view.items == nullptr) return false;
  // The slot at drawCount is the undrawn copy; it is looked at only where it exists.
  const uint32_t lastReadable = view.slotCount > drawCount ? drawCount : drawCount - 1;

  uint32_t i = 0;
  while (i <= lastReadable && !(view.items[i].x - 20 > offset)) ++i;
  if (i > lastReadable) i = drawCount + 1;
  if (i >= drawCount) i = 0;

  if (forward) {
    const uint32_t j = scrollForward ? i : i + 1;
    for (uint32_t k = j; k < drawCount; ++k) {
      const TickerItem& s = view.items[k];
      if (nextSection ? s.startsSection != 0 : (s.tallFont != 0 || s.startsSection != 0)) {
        *newOffset = s.x - (nextSection ? 20 : 30);
        return true;
      }
    }
    *newOffset = scrollForward ? 0 : view.items[0].x;
    return true;
  }

  for (uint32_t k = i; k-- > 0;) {
    if (view.items[k].startsSection != 0) {
      *newOffset = view.items[k].x;
      return true;
    }
  }
  if (!scrollForward) {
    *newOffset = view.items[0].x;
    return true;
  }
  for (uint32_t k = lastReadable + 1; k-- > 0;) {
    if (view.items[k].startsSection != 0) {
      *newOffset = view.items[k].x;
      return true;
    }
  }
  return false;
}
