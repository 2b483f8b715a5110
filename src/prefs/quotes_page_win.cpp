// The Quotes tab: the stock symbol list, stored at every Add and Remove; Apply and Cancel only
// decide whether a refresh follows.
#include <cstring>

#include "desktop/open_url_win.h"
#include "prefs/pages_win.h"
#include "res/resource.h"
#include "settings/registry_store_win.h"

namespace {

bool g_loaded = false;
bool g_listModified = false;

void Load(HWND page) {
  g_loaded = true;
  char list[kSymbolListSize];
  CopySymbols(PartsOf(page).prefsLock, PartsOf(page).prefs, list);
  HWND box = GetDlgItem(page, IDC_SYMBOL_LIST);
  SendMessageA(box, LB_RESETCONTENT, 0, 0);
  for (const std::string& symbol : SplitSymbols(list)) {
    SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(symbol.c_str()));
  }
}

void Store(HWND page, const char* list) {
  Settings().SaveStockSymbols(list);
  SetSymbols(PartsOf(page).prefsLock, PartsOf(page).prefs, list);
  g_listModified = true;
}

void AddTypedSymbol(HWND page) {
  PreferencesParts& t = PartsOf(page);
  if (ReadCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo) != 0) {
    ShowPageMessage(page, IDS_ACCOUNT_CHOOSES_TITLE, IDS_ACCOUNT_CHOOSES_TEXT, MB_OK);
  }
  t.sheet.settingsChanged = 1;
  MarkChanged(page);

  char symbol[kSymbolMaxChars + 1] = "";
  GetDlgItemTextA(page, IDC_SYMBOL_EDIT, symbol, sizeof symbol);
  char list[kSymbolListSize];
  CopySymbols(t.prefsLock, t.prefs, list);
  char added[kSymbolListSize];
  std::memcpy(added, list, sizeof added);
  switch (AddSymbol(added, symbol)) {
    case SymbolEdit::kDone: break;
    case SymbolEdit::kNoRoom:
      ShowPageMessage(page, IDS_SYMBOL_REFUSED_TITLE, IDS_SYMBOLS_FULL_TEXT, MB_OK | MB_ICONSTOP);
      return;
    case SymbolEdit::kInvalid:
      ShowPageMessage(page, IDS_SYMBOL_REFUSED_TITLE, IDS_SYMBOL_INVALID_TEXT, MB_OK | MB_ICONSTOP);
      return;
    default: return;  // nothing typed, or listed already: nothing to say
  }
  if (ShouldSuggestAccount(list)) {
    ShowPageMessage(page, IDS_SUGGESTION_TITLE, IDS_SUGGESTION_TEXT, MB_OK);
  }
  SendDlgItemMessageA(page, IDC_SYMBOL_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(symbol));
  Store(page, added);
}

void RemoveSelectedSymbol(HWND page) {
  PreferencesParts& t = PartsOf(page);
  t.sheet.settingsChanged = 1;
  MarkChanged(page);
  HWND box = GetDlgItem(page, IDC_SYMBOL_LIST);
  const LRESULT selected = SendMessageA(box, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return;
  const LRESULT length = SendMessageA(box, LB_GETTEXTLEN, selected, 0);
  if (length <= 0 || length >= static_cast<LRESULT>(kSymbolListSize)) return;
  char symbol[kSymbolListSize] = "";
  SendMessageA(box, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(symbol));
  char list[kSymbolListSize];
  CopySymbols(t.prefsLock, t.prefs, list);
  if (RemoveSymbol(list, symbol) != SymbolEdit::kDone) return;
  SendMessageA(box, LB_DELETESTRING, selected, 0);
  Store(page, list);
}

void OnCommand(HWND page, int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_FIND_SYMBOL:
      OpenEndpoint(PartsOf(page).links, Endpoint::kPortalQuotes, "/lookup.html");
      break;
    case IDC_ADD_SYMBOL: AddTypedSymbol(page); break;
    case IDC_REMOVE_SYMBOL: RemoveSelectedSymbol(page); break;
    default: break;
  }
}

const PageSteps kSteps = {
    [](HWND page) {
      if (!g_loaded) Load(page);
    },
    [](HWND page) {
      if (g_listModified) PartsOf(page).sheet.settingsChanged = 1;
      MarkUnchanged(page);
      g_loaded = false;
      return true;
    },
    [](HWND) { g_loaded = false; },
};

}  // namespace

INT_PTR CALLBACK QuotesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      KeepParts(page, lParam);
      g_loaded = false;
      g_listModified = false;
      SendDlgItemMessageA(page, IDC_SYMBOL_EDIT, EM_LIMITTEXT, kSymbolMaxChars, 0);
      return TRUE;
    case WM_NOTIFY: return AnswerPageNotify(page, reinterpret_cast<const NMHDR*>(lParam), kSteps);
    case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    default: return FALSE;
  }
}
