// Which setting each plain control of the preference pages edits: one row per control, with the
// page it sits on, its kind and the stored value; the settings table gives the value's name,
// default and range. A page's Load and Apply walk its rows; only what a row cannot say (the
// account, the symbol list, the colour buttons, the radio partner of a check box, the sound file)
// stays in the page's own code.
#pragma once

#include <cstddef>
#include <cstdint>

#include <mutex>

#include "prefs/pref_rules.h"
#include "settings/settings_store.h"
#include "settings/ticker_prefs.h"

// A page's controls, by control id, as the bindings reach them (a dialog on Windows).
class PageControls {
 public:
  virtual bool Checked(int control) = 0;
  virtual void SetChecked(int control, bool on) = 0;
  // A trackbar's position.
  virtual int32_t Position(int control) = 0;
  virtual void SetPosition(int control, int32_t position) = 0;
  // An edit field: its text (cut to capacity), a text, or an unsigned decimal number.
  virtual void Text(int control, char* buffer, size_t capacity) = 0;
  virtual void SetText(int control, const char* text) = 0;
  virtual void SetNumber(int control, int32_t number) = 0;
  // A drop-down list's selection, -1 for none.
  virtual int32_t Selection(int control) = 0;
  virtual void SetSelection(int control, int32_t index) = 0;

 protected:
  ~PageControls() = default;
};

enum class ControlKind {
  kCheckBox,     // stored 1 when checked, 0 when not; checked when the stored value is not 0
  kTrackbar,     // the position, clamped into the range
  kNumberText,   // typed digits, parsed and clamped into the range; anything else is the low end
  kTypedNumber,  // typed digits stored as typed, even outside the range; anything else is 0
  kList,         // the selected entry's index, -1 for none; a stored index outside the range
                 // selects nothing
  kText,         // a text value, through the row's normaliser when it has one
};

struct ControlBinding {
  PageKind page;
  int control;  // the control's resource id
  ControlKind kind;
  SettingId setting;  // the value, unless name is given
  const char* name;   // a text kept by name
  // Numbers: whether Load shows the stored value clamped into the range, or as stored.
  bool showClamped;
  void (*normalise)(const char* typed, char (&out)[kTextValueSize]);
};

// Every row; a page's rows in the order its Apply stores them.
extern const ControlBinding kControlBindings[];
extern const size_t kControlBindingCount;

// Shows the stored values in the page's bound controls.
void LoadBoundControls(SettingsStore& settings, PageKind page, PageControls& controls);
// Stores the page's bound controls, row by row.
void StoreBoundControls(SettingsStore& settings, PageKind page, PageControls& controls);
// The number a bound control's row stores for what the control holds now (check boxes 0 or 1).
// An id without a row, or a text row, is a programming error.
int32_t BoundNumber(PageControls& controls, int control);

// The in-memory copies of the page's bound numbers (the settings table names them): as stored
// now, or as the controls hold them. The store is read before the lock is taken.
void CopyStoredNumbers(SettingsStore& settings, PageKind page, std::mutex& lock,
                       TickerPrefs& prefs);
void CopyBoundNumbers(PageControls& controls, PageKind page, std::mutex& lock,
                      TickerPrefs& prefs);
