// The preference pages' controls in memory, for the tests of what the pages load and store.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "prefs/control_bindings.h"

// A page's controls in memory; a number is shown as the dialog shows it, unsigned.
class FakeControls final : public PageControls {
 public:
  std::map<int, bool> checks;
  std::map<int, int32_t> positions;
  std::map<int, std::string> texts;
  std::map<int, int32_t> selections;

  bool Checked(int control) override { return checks[control]; }
  void SetChecked(int control, bool on) override { checks[control] = on; }
  int32_t Position(int control) override { return positions[control]; }
  void SetPosition(int control, int32_t position) override { positions[control] = position; }
  void Text(int control, char* buffer, size_t capacity) override {
    std::snprintf(buffer, capacity, "%s", texts[control].c_str());
  }
  void SetText(int control, const char* text) override { texts[control] = text; }
  void SetNumber(int control, int32_t number) override {
    texts[control] = std::to_string(static_cast<uint32_t>(number));
  }
  int32_t Selection(int control) override {
    return selections.count(control) != 0 ? selections[control] : -1;
  }
  void SetSelection(int control, int32_t index) override { selections[control] = index; }
};
