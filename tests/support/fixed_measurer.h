// A text measurer for tests: every character is a fixed number of pixels wide.
#pragma once

#include "strip/item_list.h"

class FixedMeasurer : public TextMeasurer {
 public:
  explicit FixedMeasurer(int32_t pixelsPerChar = 10, int32_t tallExtra = 0)
      : pixelsPerChar_(pixelsPerChar), tallExtra_(tallExtra) {}
  bool CanMeasure() override { return available; }
  int32_t MeasureText(const char*, int32_t length, bool tallFont) override {
    return length * (pixelsPerChar_ + (tallFont ? tallExtra_ : 0));
  }
  bool available = true;

 private:
  int32_t pixelsPerChar_;
  int32_t tallExtra_;
};
