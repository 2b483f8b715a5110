// Fuzzes the feed parser: any bytes, any settings, text buffers of any size, closing mid-walk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "feed/feed_parser.h"

namespace {

class CountingMeasurer : public TextMeasurer {
 public:
  bool CanMeasure() override { return true; }
  int32_t MeasureText(const char* text, int32_t length, bool) override {
    // The list measures the text cut to `length` bytes; none of them may be a NUL.
    if (length < 0 || length > 249 || std::memchr(text, 0, static_cast<size_t>(length)) != nullptr) {
      std::abort();
    }
    if (closeAfter > 0 && --closeAfter == 0) flags->closing = 1;
    return length * 6;
  }
  StripFlags* flags = nullptr;
  int closeAfter = 0;  // 0: never
};

}  // namespace

// The first byte chooses the settings, the second the text buffer; the rest is the feed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[0];
  const uint8_t bufferChoice = data[1];
  data += 2;
  size -= 2;

  StripFlags flags;

  RefreshFlags refresh;
  TickerItemList list(flags);
  CountingMeasurer measurer;
  measurer.flags = &flags;
  measurer.closeAfter = (options & 0x40) != 0 ? 1 + (bufferChoice & 7) : 0;
  FeedTarget target{&list, &measurer, &flags, &refresh};

  FeedParserSettings settings;
  settings.accountMode = (options & 1) != 0;
  settings.mailAlertIcon = (options & 2) != 0;
  settings.mailAlertSound = (options & 4) != 0;
  settings.otherMailSound = (options & 8) != 0;
  settings.mailSoundIndex = (options >> 4) & 3;
  settings.externalNews = (options & 0x80) != 0 ? "C:\\feeds" : "";

  // Mostly the real size; sometimes a small one, so the cut is reached.
  const size_t capacity = (bufferChoice & 0x80) != 0 ? bufferChoice & 0x7F : kFeedTextBufferSize;
  std::unique_ptr<char[]> text(new char[capacity > 0 ? capacity : 1]);

  // The feed is not NUL-terminated here: the parser must stay inside `size`.
  std::unique_ptr<uint8_t[]> feed(new uint8_t[size > 0 ? size : 1]);
  std::memcpy(feed.get(), data, size);
  const FeedParseOutcome outcome = ParseFeed(reinterpret_cast<const char*>(feed.get()), size,
                                             false, settings, target, text.get(), capacity);
  if (outcome.result == FeedResult::kDone) {
    DecideMailSound(settings, refresh, (options & 0x20) != 0, outcome.mailSoundWanted);
    ItemsView view = list.Read();
    for (uint32_t i = 0; i < view.drawCount; ++i) {
      const TickerItem* item = view.Slot(i);
      if (item == nullptr || std::strlen(item->link) > 201 ||
          std::strlen(item->text) != static_cast<size_t>(item->textLength)) {
        std::abort();
      }
    }
  } else if (flags.closing.load() == 0) {
    std::abort();  // closing reported without being set
  }
  return 0;
}
