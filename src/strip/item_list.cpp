// The strip's item list: appends, wrap copies and publishing.
#include "strip/item_list.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr uint32_t kInitialSlots = 20;
constexpr uint32_t kGrowBy = 20;
// Slots kept past the last real item: up to 20 wrap copies and the undrawn one after them.
constexpr uint32_t kTailSlots = 22;
constexpr uint32_t kMaxWrapCopies = 20;

// Storage for the strip cannot be had: the program cannot show anything, so it ends quietly.
[[noreturn]] void StorageExhausted() { std::exit(0); }

void ResizeOrExit(std::vector<TickerItem>& storage, size_t slots) {
  try {
    storage.resize(slots, TickerItem{});
  } catch (const std::bad_alloc&) {
    StorageExhausted();
  } catch (const std::length_error&) {
    StorageExhausted();
  }
}

size_t BoundedLength(const char* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n] != '\0') ++n;
  return n;
}

}  // namespace

TickerItemList::TickerItemList(StripFlags& flags) : flags_(flags) {}

void TickerItemList::EnsureRoom() {
  if (building_.empty()) {
    ResizeOrExit(building_, kInitialSlots);
  } else if (building_.size() <= static_cast<size_t>(buildCount_) + 2) {
    ResizeOrExit(building_, static_cast<size_t>(buildCount_) + kGrowBy);
  }
}

void TickerItemList::Append(TextMeasurer* measurer, const char* text, const char* link,
                            int32_t colorIndex, int32_t startsSection, int32_t tallFont) {
  if (measurer == nullptr || !measurer->CanMeasure() || flags_.closing.load()) return;
  if (text == nullptr) text = "";
  if (link == nullptr) link = "";

  const size_t textLength = BoundedLength(text, kItemTextSize - 1);
  const size_t linkLength = BoundedLength(link, kItemLinkSize - 1);
  const int32_t width =
      measurer->MeasureText(text, static_cast<int32_t>(textLength), tallFont != 0);

  EnsureRoom();
  TickerItem& item = building_[buildCount_];
  item.x = buildCount_ == 0 ? 0 : building_[buildCount_ - 1].x + building_[buildCount_ - 1].width;
  item.width = width;
  std::memcpy(item.text, text, textLength);
  item.text[textLength] = '\0';
  std::memcpy(item.link, link, linkLength);
  item.link[linkLength] = '\0';
  item.colorIndex = colorIndex;
  item.startsSection = startsSection;
  item.tallFont = tallFont;
  item.textLength = static_cast<int32_t>(textLength);
  ++buildCount_;
}

void TickerItemList::Finish() {
  if (flags_.closing.load()) return;

  uint32_t drawCount = 0;
  int32_t stripWidth = 0;
  const int32_t count = buildCount_;

  if (count > 0) {
    const uint32_t last = static_cast<uint32_t>(count - 1);
    stripWidth = building_[last].x + building_[last].width;
    const uint32_t n = last < kMaxWrapCopies ? last : kMaxWrapCopies;

    if (n > 2) {
      // Four or more items: copies of items 0..n-1 follow the last one; the copies of 0..n-2 are
      // drawn, the last copy stays as the undrawn slot that hit-testing may look at.
      ResizeOrExit(building_, last + kTailSlots);
      for (uint32_t i = 0; i < n; ++i) building_[last + 1 + i] = building_[i];
      drawCount = last + n;
    } else {
      // One to three items: repeat them back to back (ten slots for one or two items, twelve for
      // three) so the strip still fills a wide window, plus one undrawn repetition.
      const uint32_t real = last + 1;
      const uint32_t repeats = real == 3 ? 4 : (real == 2 ? 5 : 10);
      drawCount = real * repeats;
      size_t slots = last + kTailSlots;
      if (slots < drawCount + 1) slots = drawCount + 1;
      ResizeOrExit(building_, slots);
      for (uint32_t i = real; i <= drawCount; ++i) building_[i] = building_[i % real];
    }
    // Chain every copy on from the slot before it, the undrawn one included, so that every slot
    // up to drawCount has a consistent left edge.
    for (uint32_t i = last + 1; i <= drawCount; ++i) {
      building_[i].x = building_[i - 1].x + building_[i - 1].width;
    }
  }

  // Copy outside the lock, then swap under it: the painter waits for a pointer swap only, and the
  // build stays intact for appends that follow.
  try {
    spare_.assign(building_.begin(), building_.end());
  } catch (const std::bad_alloc&) {
    StorageExhausted();
  }
  std::lock_guard<std::mutex> guard(lock_);
  std::swap(spare_, published_);
  drawCount_ = drawCount;
  itemCount_ = count;
  stripWidth_ = stripWidth;
  ++generation_;
}

void TickerItemList::Reset() {
  buildCount_ = 0;
  holdsStatus_ = false;
  std::lock_guard<std::mutex> guard(lock_);
  drawCount_ = 0;
  itemCount_ = 0;
  stripWidth_ = 0;
  ++generation_;
}

void TickerItemList::Restart() {
  buildCount_ = 0;
  holdsStatus_ = false;
}

ItemsView TickerItemList::Read() const {
  ItemsView view{std::unique_lock<std::mutex>(lock_)};
  view.items = published_.data();
  view.slotCount = static_cast<uint32_t>(published_.size());
  view.drawCount = drawCount_;
  view.itemCount = itemCount_;
  view.stripWidth = stripWidth_;
  view.generation = generation_;
  return view;
}

int32_t TickerItemList::StripWidth() const {
  std::lock_guard<std::mutex> guard(lock_);
  return stripWidth_;
}

void TickerItemList::Release() {
  std::vector<TickerItem>().swap(building_);
  std::vector<TickerItem>().swap(spare_);
  buildCount_ = 0;
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<TickerItem>().swap(published_);
  drawCount_ = 0;
  itemCount_ = 0;
  stripWidth_ = 0;
}

void ShowStatusPair(TickerItemList& list, TextMeasurer* measurer, StripFlags& flags,
                    const char* caption, const char* message) {
  flags.listBusy = 1;
  list.Reset();
  list.Append(measurer, caption, "", 15, 1, 0);
  list.Append(measurer, message, "", 11, 1, 1);
  list.Finish();
  list.MarkStatusPair();
  flags.scrollOffset = 0;
  flags.listBusy = 0;
  flags.stripFilled = 1;
}

void ShowNoticeAhead(TickerItemList& list, TextMeasurer* measurer, StripFlags& flags,
                     const char* text) {
  std::vector<TickerItem> shown;
  {
    const ItemsView view = list.Read();
    const TickerItem* first = view.itemCount > 0 ? view.Slot(0) : nullptr;
    if (first != nullptr && std::strncmp(first->text, text, kItemTextSize - 1) == 0) return;
    for (int32_t i = 0; i < view.itemCount; ++i) {
      if (const TickerItem* item = view.Slot(static_cast<uint32_t>(i))) shown.push_back(*item);
    }
  }
  flags.listBusy = 1;
  list.Restart();
  list.Append(measurer, text, "", 15, 1, 1);
  for (const TickerItem& item : shown) {
    list.Append(measurer, item.text, item.link, item.colorIndex, item.startsSection,
                item.tallFont);
  }
  list.Finish();
  flags.listBusy = 0;
}
