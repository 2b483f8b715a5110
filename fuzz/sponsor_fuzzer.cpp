// Fuzzes the sponsor file parser and the display text builder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "feed/sponsor.h"

namespace {

class CheckingMeasurer : public TextMeasurer {
 public:
  bool CanMeasure() override { return true; }
  int32_t MeasureText(const char* text, int32_t length, bool) override {
    // The list measures the text cut to `length` bytes; none of them may be a NUL.
    if (length < 0 || length > 249 || std::memchr(text, 0, static_cast<size_t>(length)) != nullptr) {
      std::abort();
    }
    return length;
  }
};

}  // namespace

// The first byte sizes a display text field; the rest is the sponsor file, not NUL-terminated.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t capacity = data[0] % 64;
  ++data;
  --size;
  std::unique_ptr<char[]> bytes(new char[size > 0 ? size : 1]);
  std::memcpy(bytes.get(), data, size);

  StripFlags flags;

  RefreshFlags refresh;
  TickerItemList list(flags);
  CheckingMeasurer measurer;
  FeedTarget target{&list, &measurer, &flags, &refresh};
  BuildSponsorItems(bytes.get(), size, "Caption", "", "http://maker/", target);
  list.Finish();

  // An exactly sized field, so that ASan sees any write past it.
  std::unique_ptr<char[]> field(new char[capacity > 0 ? capacity : 1]);
  const size_t length = BuildSponsorDisplayText(bytes.get(), size, field.get(), capacity);
  if (capacity > 0 && (length >= capacity || std::strlen(field.get()) != length)) std::abort();
  return 0;
}
