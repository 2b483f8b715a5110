// What the preference pages share: their dialog procedures, the page protocol's small steps and
// the sheet's page rebuild.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "prefs/control_bindings.h"
#include "prefs/pref_rules.h"
#include "prefs/preferences_parts.h"

// The parts a page works on: the sheet hands them to each page it creates, and the page keeps
// them with its window when its dialog starts (from WM_INITDIALOG's lParam).
void KeepParts(HWND page, LPARAM initParam);
PreferencesParts& PartsOf(HWND page);

INT_PTR CALLBACK TickerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NewsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK QuotesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MailPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProxyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

HPROPSHEETPAGE CreatePage(PageKind kind, PreferencesParts& parts);
// Removes every page after the Ticker tab and adds them again for the account switch's state.
void RebuildPagesAfterAccountSwitch(HWND tickerPage, bool myVexlo);

// A non-empty "External News" in sponsor.ini: a sponsor supplies the news.
bool SponsorSuppliesNews();

void MarkChanged(HWND page);
void MarkUnchanged(HWND page);
// The answer to a notification, as a dialog procedure gives it.
INT_PTR PageResult(HWND page, LONG_PTR result);

// A page's own part in the sheet's protocol; any step may be null. apply returns false when the
// page refuses what it shows (after saying why): the sheet then stays open on it.
struct PageSteps {
  void (*show)(HWND page);
  bool (*apply)(HWND page);
  void (*cancel)(HWND page);
};
// The answer every page gives to the sheet's notifications.
INT_PTR AnswerPageNotify(HWND page, const NMHDR* header, const PageSteps& steps);
void OpenHelpPage(HWND page);
// A message box with the caption and text of two string-table entries; its answer. Never called
// with prefsLock held.
int ShowPageMessage(HWND page, UINT captionId, UINT textId, UINT type);
bool IsChecked(HWND page, int id);
void SetChecked(HWND page, int id, bool on);

// A page's controls as the binding table reaches them.
class DialogControls final : public PageControls {
 public:
  explicit DialogControls(HWND page) : page_(page) {}
  bool Checked(int control) override { return IsChecked(page_, control); }
  void SetChecked(int control, bool on) override { ::SetChecked(page_, control, on); }
  int32_t Position(int control) override;
  void SetPosition(int control, int32_t position) override;
  void Text(int control, char* buffer, size_t capacity) override;
  void SetText(int control, const char* text) override;
  void SetNumber(int control, int32_t number) override;
  int32_t Selection(int control) override;
  void SetSelection(int control, int32_t index) override;

 private:
  HWND page_;
};
