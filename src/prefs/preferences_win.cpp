// The preferences sheet: its pages in order, the page rebuild when the account switch changes,
// and the small steps that every page's protocol shares.
#include "prefs/preferences_win.h"

#include <cstring>

#include "desktop/open_url_win.h"
#include "base/dialog_position_win.h"
#include "prefs/pages_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"
#include "base/process_win.h"

namespace {

struct PageDescription {
  PageKind kind;
  int dialog;
  int title;
  DLGPROC proc;
};

const PageDescription kPages[] = {
    {PageKind::kTicker, IDD_TICKER_PAGE, IDS_TICKER_PAGE, TickerPageProc},
    {PageKind::kNews, IDD_NEWS_PAGE, IDS_NEWS_PAGE, NewsPageProc},
    {PageKind::kQuotes, IDD_QUOTES_PAGE, IDS_QUOTES_PAGE, QuotesPageProc},
    {PageKind::kMailAlerts, IDD_MAIL_PAGE, IDS_MAIL_PAGE, MailPageProc},
    {PageKind::kProxy, IDD_PROXY_PAGE, IDS_PROXY_PAGE, ProxyPageProc},
    {PageKind::kAbout, IDD_ABOUT_PAGE, IDS_ABOUT_PAGE, AboutPageProc},
};

PROPSHEETPAGEA PageSheetEntry(PageKind kind, PreferencesParts& parts) {
  PROPSHEETPAGEA entry = {};
  for (const PageDescription& d : kPages) {
    if (d.kind != kind) continue;
    entry.dwSize = sizeof entry;
    entry.dwFlags = PSP_USETITLE | PSP_HASHELP;
    entry.hInstance = ProgramInstance();
    entry.pszTemplate = MAKEINTRESOURCEA(d.dialog);
    entry.pszTitle = MAKEINTRESOURCEA(d.title);
    entry.pfnDlgProc = d.proc;
    entry.lParam = reinterpret_cast<LPARAM>(&parts);
  }
  return entry;
}

}  // namespace

HPROPSHEETPAGE CreatePage(PageKind kind, PreferencesParts& parts) {
  PROPSHEETPAGEA entry = PageSheetEntry(kind, parts);
  return CreatePropertySheetPageA(&entry);
}

bool SponsorSuppliesNews() {
  char value[199];
  ReadSponsorKey("External News", "", value, sizeof value);
  return value[0] != '\0';
}

namespace {

WNDPROC g_sheetProc = nullptr;
bool g_applyRefused = false;
// The sheet window's own property holding its parts.
constexpr const char* kSheetPartsProperty = "Newsrail.PreferencesParts";

// Watches the sheet's own OK and Cancel (buttons, Enter, Escape, the close box all arrive as
// these commands). The documented sign of an ended modeless sheet, a current page of NULL, is not
// dependable: Wine answers NULL for a sheet that is open and showing a page.
LRESULT CALLBACK SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) RemovePropA(sheet, kSheetPartsProperty);
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    g_applyRefused = false;
    const LRESULT result = CallWindowProcA(g_sheetProc, sheet, message, wParam, lParam);
    auto* parts = static_cast<PreferencesParts*>(GetPropA(sheet, kSheetPartsProperty));
    if (parts != nullptr && (LOWORD(wParam) == IDCANCEL || !g_applyRefused)) {
      parts->sheet.closed = 1;
    }
    return result;
  }
  return CallWindowProcA(g_sheetProc, sheet, message, wParam, lParam);
}

// The strip the sheet being created goes beside; set only while PropertySheet runs, as its
// callback takes no data of its own.
HWND g_creatingBeside = nullptr;

// Beside the strip before the sheet first shows: moved only after that, the window system's
// report of the first position can arrive late and put it back.
int CALLBACK PlaceSheetOnCreation(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) PlaceBesideStrip(sheet, g_creatingBeside);
  return 0;
}

}  // namespace

void NoteApplyRefused() { g_applyRefused = true; }

void KeepParts(HWND page, LPARAM initParam) {
  const auto* entry = reinterpret_cast<const PROPSHEETPAGEA*>(initParam);
  SetWindowLongPtrA(page, DWLP_USER, entry->lParam);
}

PreferencesParts& PartsOf(HWND page) {
  return *reinterpret_cast<PreferencesParts*>(GetWindowLongPtrA(page, DWLP_USER));
}

void OpenPreferencesSheet(PreferencesParts& parts, HWND ticker) {
  PreferencesParts& t = parts;
  if (t.sheet.window != nullptr) return;

  const bool myVexlo = ReadCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo) != 0;
  const PageList list = PagesAtOpen(myVexlo, SponsorSuppliesNews());
  PROPSHEETPAGEA pages[6];
  for (int i = 0; i < list.count; ++i) pages[i] = PageSheetEntry(list.pages[i], parts);

  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  header.pfnCallback = PlaceSheetOnCreation;
  header.hwndParent = ticker;
  header.hInstance = ProgramInstance();
  header.pszCaption = MAKEINTRESOURCEA(IDS_PREFERENCES);
  header.nPages = static_cast<UINT>(list.count);
  header.nStartPage = 0;
  header.ppsp = pages;
  g_creatingBeside = t.tickerWindow;
  const INT_PTR sheet = PropertySheetA(&header);
  g_creatingBeside = nullptr;
  t.sheet.window = sheet > 0 ? reinterpret_cast<HWND>(sheet) : nullptr;
  t.sheet.closed = 0;
  if (t.sheet.window != nullptr) {
    // Again once it has its final size: the dialog manager keeps a new dialog on the screen by
    // the size of its template, which the sheet outgrows when it fits its pages.
    PlaceBesideStrip(t.sheet.window, ticker);
    SetPropA(t.sheet.window, kSheetPartsProperty, &parts);
    g_sheetProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        t.sheet.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProc)));
  }
}

void RebuildPagesAfterAccountSwitch(HWND tickerPage, bool myVexlo) {
  HWND sheet = GetParent(tickerPage);
  // Index 1 six times: whatever follows the Ticker tab goes, however many pages there were.
  for (int i = 0; i < 6; ++i) PropSheet_RemovePage(sheet, 1, nullptr);
  const PageList list = PagesAfterAccountSwitch(myVexlo, SponsorSuppliesNews());
  for (int i = 1; i < list.count; ++i) {
    PropSheet_AddPage(sheet, CreatePage(list.pages[i], PartsOf(tickerPage)));
  }
  MarkChanged(tickerPage);
}

void MarkChanged(HWND page) { PropSheet_Changed(GetParent(page), page); }
void MarkUnchanged(HWND page) { PropSheet_UnChanged(GetParent(page), page); }

INT_PTR PageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR AnswerPageNotify(HWND page, const NMHDR* header, const PageSteps& steps) {
  switch (header->code) {
    case PSN_SETACTIVE:
      if (steps.show != nullptr) steps.show(page);
      return PageResult(page, 0);
    case PSN_KILLACTIVE: return PageResult(page, FALSE);
    case PSN_APPLY:
      return PageResult(page, steps.apply == nullptr || steps.apply(page)
                                  ? PSNRET_NOERROR
                                  : PSNRET_INVALID_NOCHANGEPAGE);
    case PSN_RESET:
      PartsOf(page).sheet.settingsChanged = 0;
      if (steps.cancel != nullptr) steps.cancel(page);
      return TRUE;
    case PSN_HELP: OpenHelpPage(page); return TRUE;
    default: return FALSE;
  }
}

void OpenHelpPage(HWND page) {
  OpenEndpoint(PartsOf(page).links, Endpoint::kPortal, "/help/ticker/");
}

int ShowPageMessage(HWND page, UINT captionId, UINT textId, UINT type) {
  char caption[128] = "";
  char text[1024] = "";
  LoadStringA(ProgramInstance(), captionId, caption, sizeof caption);
  LoadStringA(ProgramInstance(), textId, text, sizeof text);
  return MessageBoxA(page, text, caption, type);
}

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void SetChecked(HWND page, int id, bool on) {
  CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

int32_t DialogControls::Position(int control) {
  return static_cast<int32_t>(SendDlgItemMessageA(page_, control, TBM_GETPOS, 0, 0));
}

void DialogControls::SetPosition(int control, int32_t position) {
  SendDlgItemMessageA(page_, control, TBM_SETPOS, TRUE, position);
}

void DialogControls::Text(int control, char* buffer, size_t capacity) {
  if (capacity == 0) return;
  buffer[0] = '\0';
  GetDlgItemTextA(page_, control, buffer, static_cast<int>(capacity));
}

void DialogControls::SetText(int control, const char* text) {
  SetDlgItemTextA(page_, control, text);
}

void DialogControls::SetNumber(int control, int32_t number) {
  SetDlgItemInt(page_, control, static_cast<UINT>(number), FALSE);
}

int32_t DialogControls::Selection(int control) {
  return static_cast<int32_t>(SendDlgItemMessageA(page_, control, CB_GETCURSEL, 0, 0));
}

void DialogControls::SetSelection(int control, int32_t index) {
  SendDlgItemMessageA(page_, control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
