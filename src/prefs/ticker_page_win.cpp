// The Ticker tab: the account, speed, refresh interval, dial-up options, colour scheme, font and
// the strip's behaviour under the pointer.
#include <cstring>

#include "desktop/open_url_win.h"
#include "prefs/page_store.h"
#include "prefs/pages_win.h"
#include "prefs/reading_controls_win.h"
#include "res/program_resources_win.h"
#include "res/resource.h"
#include "settings/color_schemes.h"
#include "strip/strip_paint_win.h"
#include "settings/registry_store_win.h"

namespace {

constexpr const char* kRegistrationPath = "/config/eval_register?new=1&lg=1&referer=my+Vexlo+ticker";

bool g_loaded = false;

void FillSchemeList(HWND page) {
  HWND list = GetDlgItem(page, IDC_SCHEME);
  for (int n = 0; n < kColorSchemeCount; ++n) {
    char name[64] = "";
    LoadStringA(ProgramInstance(), IDS_SCHEME_FIRST + n, name, sizeof name);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
}

// The scheme list is owner-drawn: its names in one column and their kinds ("(VGA)") lined up in
// a second, which spaces cannot do in the dialog's proportional font.
void DrawSchemeItem(const DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  FillRect(dc, &item->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item->itemID >= static_cast<UINT>(kColorSchemeCount)) return;
  int column = 0;
  char label[64];
  char kind[32];
  for (int n = 0; n < kColorSchemeCount; ++n) {
    char name[64] = "";
    SendMessageA(item->hwndItem, CB_GETLBTEXT, n, reinterpret_cast<LPARAM>(name));
    SplitSchemeName(name, label, sizeof label, kind, sizeof kind);
    SIZE size = {};
    GetTextExtentPoint32A(dc, label, lstrlenA(label), &size);
    if (size.cx > column) column = size.cx;
  }
  char name[64] = "";
  SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(name));
  SplitSchemeName(name, label, sizeof label, kind, sizeof kind);
  const int colour = (item->itemState & ODS_DISABLED) != 0 ? COLOR_GRAYTEXT
                     : selected                             ? COLOR_HIGHLIGHTTEXT
                                                            : COLOR_WINDOWTEXT;
  SetTextColor(dc, GetSysColor(colour));
  SetBkMode(dc, TRANSPARENT);
  const int x = item->rcItem.left + 2;
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  const int y = item->rcItem.top + (item->rcItem.bottom - item->rcItem.top - metrics.tmHeight) / 2;
  TextOutA(dc, x, y, label, lstrlenA(label));
  TextOutA(dc, x + column + metrics.tmAveCharWidth * 2, y, kind, lstrlenA(kind));
  if ((item->itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &item->rcItem);
}

// Items as high as the page's font, with a pixel of room above and below.
void MeasureSchemeItem(HWND page, MEASUREITEMSTRUCT* item) {
  HDC dc = GetDC(page);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(page, dc);
  item->itemHeight = static_cast<UINT>(metrics.tmHeight + 2);
}

void OnInitDialog(HWND page, LPARAM initParam) {
  KeepParts(page, initParam);
  g_loaded = false;
  FillSchemeList(page);
  SendDlgItemMessageA(page, IDC_USER_ID, EM_LIMITTEXT, kAccountFieldChars, 0);
  SendDlgItemMessageA(page, IDC_PASSWORD, EM_LIMITTEXT, kAccountFieldChars, 0);
  SendDlgItemMessageA(page, IDC_REFRESH_MINUTES, EM_LIMITTEXT, kMinutesChars, 0);
}

void Load(HWND page) {
  PreferencesParts& t = PartsOf(page);
  SettingsStore& settings = Settings();
  const bool myVexlo = settings.ReadSetting(SettingId::kMyVexlo) != 0;
  WriteCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo, myVexlo ? 1 : 0);
  SetChecked(page, IDC_MY_VEXLO, myVexlo);

  const int32_t scheme = static_cast<int32_t>(settings.ReadColorSetting(ColorId::kColorScheme));
  SendDlgItemMessageA(page, IDC_SCHEME, CB_SETCURSEL,
                      scheme >= 0 && scheme < kColorSchemeCount ? scheme : -1, 0);

  EnableWindow(GetDlgItem(page, IDC_MY_VEXLO),
               ReadCopy(t.prefsLock, t.prefs, SettingId::kMyVexloOnly) == 0);
  if (SponsorSuppliesNews()) {
    for (int id : {IDC_MY_VEXLO, IDC_PASSWORD, IDC_USER_ID, IDC_AUTO_UPDATE, IDC_REFRESH_MINUTES,
                   IDC_REFRESH_SPIN}) {
      EnableWindow(GetDlgItem(page, id), FALSE);
    }
  }

  char userId[kTextValueSize];
  char password[kPasswordCopySize];
  CopyAccount(t.prefsLock, t.prefs, userId, password);
  SetDlgItemTextA(page, IDC_USER_ID, userId);
  SetDlgItemTextA(page, IDC_PASSWORD, password);
  LoadReadingControls(page);

  // The ranges first: a trackbar moves a position outside its range into it.
  const SettingInfo& speedRange = Describe(SettingId::kTickerSpeed);
  HWND speed = GetDlgItem(page, IDC_SPEED);
  SendMessageA(speed, TBM_SETRANGE, TRUE, MAKELPARAM(speedRange.low, speedRange.high));
  SendMessageA(speed, TBM_SETPAGESIZE, 0, 1);
  SendMessageA(speed, TBM_SETSEL, TRUE, MAKELPARAM(speedRange.low, speedRange.high));
  SendMessageA(speed, TBM_SETTICFREQ, 1, 0);
  const SettingInfo& minutes = Describe(SettingId::kNewsRefresh);
  SendDlgItemMessageA(page, IDC_REFRESH_SPIN, UDM_SETRANGE32, minutes.low, minutes.high);
  DialogControls controls(page);
  LoadBoundControls(settings, PageKind::kTicker, controls);
  CopyStoredNumbers(settings, PageKind::kTicker, t.prefsLock, t.prefs);
  g_loaded = true;
}

TickerPageValues ReadAccount(HWND page) {
  TickerPageValues v;
  v.myVexlo = IsChecked(page, IDC_MY_VEXLO);
  GetDlgItemTextA(page, IDC_USER_ID, v.userId, sizeof v.userId);
  GetDlgItemTextA(page, IDC_PASSWORD, v.password, sizeof v.password);
  return v;
}

void Apply(HWND page) {
  PreferencesParts& t = PartsOf(page);
  SettingsStore& settings = Settings();
  const TickerPageValues values = ReadAccount(page);
  DialogControls controls(page);
  char userId[kTextValueSize];
  char password[kPasswordCopySize];
  CopyAccount(t.prefsLock, t.prefs, userId, password);
  const TickerApplyDecision decision =
      DecideTickerPage(settings, values, controls, userId, password);
  if (decision.askSignUp &&
      ShowPageMessage(page, IDS_SIGN_UP_TITLE, IDS_SIGN_UP_TEXT,
                      MB_YESNO | MB_TASKMODAL | MB_ICONQUESTION) == IDYES) {
    OpenEndpoint(t.links, Endpoint::kPortal, kRegistrationPath);
  }
  TickerPageStored stored;
  StoreTickerPage(settings, values, controls, decision, &stored);
  ApplyReadingControls(page);

  WriteCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo, stored.myVexlo ? 1 : 0);
  SetAccount(t.prefsLock, t.prefs, stored.userId, stored.password);
  CopyBoundNumbers(controls, PageKind::kTicker, t.prefsLock, t.prefs);
  if (decision.loginRetry) t.refresh.loginRetry = 1;
  if (decision.reloadFromCache) {
    t.refresh.loadFromCache = 1;
    t.sheet.settingsChanged = 1;
  }

  t.host.TickerTabApplied(stored.newsRefresh, stored.pauseOnHover);
  t.host.FontsChanged();
  MarkUnchanged(page);
  g_loaded = false;
}

void Cancel(HWND page) {
  PreferencesParts& t = PartsOf(page);
  t.sheet.settingsChanged = 0;
  // A click on the account switch changed the in-memory flag at once; nothing was stored.
  WriteCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo,
            Settings().ReadSetting(SettingId::kMyVexlo) != 0 ? 1 : 0);
  g_loaded = false;
}

void OnSchemeChosen(HWND page) {
  const LRESULT n = SendDlgItemMessageA(page, IDC_SCHEME, CB_GETCURSEL, 0, 0);
  if (n < 0 || n >= kColorSchemeCount) return;
  PreferencesParts& t = PartsOf(page);
  uint32_t colors[kStripColorCount];
  ApplyColorScheme(Settings(), static_cast<int32_t>(n), colors);
  SetColors(t.prefsLock, t.prefs, colors);
  t.host.ColorsChanged();
}

void OnCommand(HWND page, int id, int code) {
  if (id == IDC_SCHEME) {
    if (code == CBN_SELCHANGE) OnSchemeChosen(page);
    return;
  }
  if (!g_loaded) return;
  if (code == EN_CHANGE) {
    if (id == IDC_USER_ID || id == IDC_PASSWORD) PartsOf(page).sheet.settingsChanged = 1;
    MarkChanged(page);
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_SIGN_UP:
      OpenEndpoint(PartsOf(page).links, Endpoint::kPortal, kRegistrationPath);
      MarkChanged(page);
      break;
    case IDC_MY_VEXLO: {
      PreferencesParts& t = PartsOf(page);
      t.sheet.settingsChanged = 1;
      const bool on = IsChecked(page, IDC_MY_VEXLO);
      WriteCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo, on ? 1 : 0);
      RebuildPagesAfterAccountSwitch(page, on);
      break;
    }
    default: MarkChanged(page); break;
  }
}

const PageSteps kSteps = {
    [](HWND page) {
      if (!g_loaded) Load(page);
    },
    [](HWND page) {
      Apply(page);
      return true;
    },
    Cancel,
};

}  // namespace

INT_PTR CALLBACK TickerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: OnInitDialog(page, lParam); return TRUE;
    case WM_NOTIFY: return AnswerPageNotify(page, reinterpret_cast<const NMHDR*>(lParam), kSteps);
    case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_HSCROLL:
      if (LOWORD(wParam) == TB_ENDTRACK) MarkChanged(page);
      return TRUE;
    case WM_MEASUREITEM:
      if (wParam != IDC_SCHEME) return FALSE;
      MeasureSchemeItem(page, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_DRAWITEM:
      if (wParam != IDC_SCHEME) return FALSE;
      DrawSchemeItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    default: return FALSE;
  }
}
