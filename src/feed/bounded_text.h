// A text assembled into a fixed field: every addition is cut at the field's capacity, so an
// over-long input shortens the result and never writes past the field.
#pragma once

#include <cstddef>
#include <cstring>

class BoundedText {
 public:
  // out must hold capacity bytes; capacity 0 makes every addition a no-op.
  BoundedText(char* out, size_t capacity) : out_(out), capacity_(capacity) {
    if (capacity_ > 0) out_[0] = '\0';
  }

  void Add(const char* text) { AddBytes(text, text != nullptr ? std::strlen(text) : 0); }

  void AddBytes(const char* bytes, size_t count) {
    if (capacity_ == 0) return;
    const size_t room = capacity_ - 1 - length_;
    if (count > room) {
      count = room;
      cut_ = true;
    }
    if (count > 0) std::memcpy(out_ + length_, bytes, count);
    length_ += count;
    out_[length_] = '\0';
  }

  void AddChar(char c) { AddBytes(&c, 1); }

  size_t length() const { return length_; }
  // True when some addition did not fit whole.
  bool cut() const { return cut_; }
  char* data() { return out_; }

 private:
  char* out_;
  size_t capacity_;
  size_t length_ = 0;
  bool cut_ = false;
};
