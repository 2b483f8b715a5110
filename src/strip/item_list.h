// The strip's content: fixed-size items on one horizontal pixel axis, with wrap copies after the
// last real item so that a painter walking the slots in order never wraps mid-screen.
//
// The refresh worker builds the next list in storage of its own and publishes it in one step under
// a short lock; painting and hit-testing read only published storage, through an ItemsView that
// holds that lock. The strip on screen is therefore never torn, and the old strip stays visible
// until the new one is finished.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "strip/strip_flags.h"
#include "strip/text_measurer.h"

constexpr int kItemTextSize = 250;  // 249 characters and the NUL
constexpr int kItemLinkSize = 202;  // 201 characters and the NUL

struct TickerItem {
  int32_t x;              // left edge in strip coordinates
  int32_t width;          // pixel width of text in its font, measured at append time
  char text[kItemTextSize];
  char link[kItemLinkSize];
  int32_t colorIndex;
  int32_t startsSection;  // a target of the next-section jump
  int32_t tallFont;
  int32_t textLength;
};

class TickerItemList;

// A read-only look at the published strip. Holds the publish lock for its lifetime, so keep it
// short-lived (one frame, one hit test).
class ItemsView {
 public:
  const TickerItem* items = nullptr;
  uint32_t drawCount = 0;  // slots that painting and hit-testing walk
  uint32_t slotCount = 0;  // slots that exist; reads at or past this are out of bounds
  int32_t itemCount = 0;   // real items
  int32_t stripWidth = 0;
  uint32_t generation = 0;  // counts publishes: a new list has a new number

  // The slot, or null when it does not exist.
  const TickerItem* Slot(uint32_t index) const { return index < slotCount ? &items[index] : nullptr; }

 private:
  friend class TickerItemList;
  explicit ItemsView(std::unique_lock<std::mutex> lock) : lock_(std::move(lock)) {}
  std::unique_lock<std::mutex> lock_;
};

class TickerItemList {
 public:
  // The list stops taking items once flags.closing is set.
  explicit TickerItemList(StripFlags& flags);

  TickerItemList(const TickerItemList&) = delete;
  TickerItemList& operator=(const TickerItemList&) = delete;

  // Producer side: the refresh worker, one producer at a time.

  // Appends one real item; the published strip does not change until Finish. A text of 250
  // characters or more is cut to 249, a link to 201. Skipped when closing or when the measurer
  // cannot measure.
  void Append(TextMeasurer* measurer, const char* text, const char* link, int32_t colorIndex,
              int32_t startsSection, int32_t tallFont);
  // Computes the strip width, adds the wrap copies and publishes the list.
  void Finish();
  // Empties the list now: the strip shows nothing until the next Finish.
  void Reset();
  // Starts a new build while the old strip keeps being shown until the next Finish.
  void Restart();

  // Reader side: the user-interface thread.
  ItemsView Read() const;
  // The published strip's width alone.
  int32_t StripWidth() const;

  // Frees all storage (at shutdown, once the worker has ended).
  void Release();

  // Real items appended since the last Reset/Restart (producer side).
  int32_t PendingCount() const { return buildCount_; }
  // True while the build is a status pair rather than content (producer side).
  bool HoldsStatusPair() const { return holdsStatus_; }
  void MarkStatusPair() { holdsStatus_ = true; }

 private:
  void EnsureRoom();

  StripFlags& flags_;

  // Producer-only storage.
  std::vector<TickerItem> building_;
  std::vector<TickerItem> spare_;  // the previously published storage, reused by the next Finish
  int32_t buildCount_ = 0;
  bool holdsStatus_ = false;

  // Published storage, guarded by lock_.
  mutable std::mutex lock_;
  std::vector<TickerItem> published_;
  uint32_t drawCount_ = 0;
  int32_t itemCount_ = 0;
  int32_t stripWidth_ = 0;
  uint32_t generation_ = 0;
};

// Replaces the strip by a two-item status message: a caption and a message.
void ShowStatusPair(TickerItemList& list, TextMeasurer* measurer, StripFlags& flags,
                    const char* caption, const char* message);

// Puts one notice (caption colour, tall font) in front of what the strip shows, which keeps
// running after it. A notice already in front is not put there a second time.
void ShowNoticeAhead(TickerItemList& list, TextMeasurer* measurer, StripFlags& flags,
                     const char* text);
