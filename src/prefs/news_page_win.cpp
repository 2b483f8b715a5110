// The News & Colors tab: topics, weather with its airports and unit, stories per topic, and the
// colour of each kind of strip text. Colours are stored when picked; Cancel puts them back.
#include "prefs/page_store.h"
#include "prefs/pages_win.h"
#include "prefs/preferences_win.h"

#include <commdlg.h>

#include "res/resource.h"
#include "settings/color_schemes.h"
#include "settings/registry_store_win.h"
#include "strip/strip_paint_win.h"

namespace {

// The colour buttons; each id is also its colour setting's id.
constexpr int kColorButtons[12] = {
    IDC_COLOR_US,          IDC_COLOR_WORLD,         IDC_COLOR_BUSINESS,   IDC_COLOR_POLITICS,
    IDC_COLOR_SPORTS,      IDC_COLOR_ENTERTAINMENT, IDC_COLOR_TECHNOLOGY, IDC_COLOR_QUOTE_UP,
    IDC_COLOR_QUOTE_DOWN,  IDC_COLOR_SYMBOL,        IDC_COLOR_BACKGROUND, IDC_COLOR_QUOTE_NC,
};

constexpr int kAirportChars = kTextValueSize - 1;

struct NewsPage {
  bool loaded = false;
  HBRUSH brushes[12] = {};
  COLORREF remembered[12] = {};
  bool remembering = false;  // `remembered` holds the colours of the last load or Apply
};
NewsPage g_page;

int ButtonIndex(int id) {
  for (int i = 0; i < 12; ++i) {
    if (kColorButtons[i] == id) return i;
  }
  return -1;
}

ColorId ColorOf(int index) { return static_cast<ColorId>(kColorButtons[index]); }

void DeleteBrushes() {
  for (HBRUSH& brush : g_page.brushes) {
    if (brush != nullptr) DeleteObject(brush);
    brush = nullptr;
  }
}

void CreateBrushes() {
  DeleteBrushes();
  for (int i = 0; i < 12; ++i) {
    g_page.brushes[i] = CreateSolidBrush(Settings().ReadColorSetting(ColorOf(i)));
  }
}

void RememberColors() {
  for (int i = 0; i < 12; ++i) g_page.remembered[i] = Settings().ReadColorSetting(ColorOf(i));
  g_page.remembering = true;
}

void Load(HWND page) {
  SettingsStore& settings = Settings();
  CreateBrushes();
  // The arrows' range first: the stories number is shown after it.
  const SettingInfo& stories = Describe(SettingId::kStoriesPerTopic);
  SendDlgItemMessageA(page, IDC_STORIES_SPIN, UDM_SETRANGE32, stories.low, stories.high);
  DialogControls controls(page);
  LoadBoundControls(settings, PageKind::kNews, controls);
  SetChecked(page, IDC_CELSIUS, !IsChecked(page, IDC_FAHRENHEIT));
  ReloadContentSelection(settings, PartsOf(page).prefsLock, PartsOf(page).prefs);
  RememberColors();
  g_page.loaded = true;
}

// A 3-D frame around the colour: raised while up, sunken while pressed.
void DrawColorButton(HWND page, const DRAWITEMSTRUCT* item) {
  const int index = ButtonIndex(static_cast<int>(item->CtlID));
  if (index < 0) return;
  if (g_page.brushes[index] == nullptr) CreateBrushes();
  HDC dc = item->hDC;
  RECT r = item->rcItem;
  FillRect(dc, &r, g_page.brushes[index]);
  PreferencesParts& t = PartsOf(page);
  HPEN black = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  HPEN light = t.highlightPen != nullptr ? t.highlightPen : static_cast<HPEN>(GetStockObject(WHITE_PEN));
  HPEN shadow = t.shadowPen != nullptr ? t.shadowPen : black;
  const bool pressed = (item->itemState & ODS_SELECTED) != 0;
  const int right = r.right - 1;
  const int bottom = r.bottom - 1;
  HGDIOBJ old = SelectObject(dc, pressed ? black : light);
  MoveToEx(dc, r.left, bottom, nullptr);
  LineTo(dc, r.left, r.top);
  LineTo(dc, right, r.top);
  SelectObject(dc, pressed ? light : black);
  MoveToEx(dc, right, r.top, nullptr);
  LineTo(dc, right, bottom);
  LineTo(dc, r.left - 1, bottom);
  SelectObject(dc, shadow);
  if (pressed) {
    MoveToEx(dc, r.left + 1, bottom - 1, nullptr);
    LineTo(dc, r.left + 1, r.top + 1);
    LineTo(dc, right - 1, r.top + 1);
  } else {
    MoveToEx(dc, right - 1, r.top + 1, nullptr);
    LineTo(dc, right - 1, bottom - 1);
    LineTo(dc, r.left, bottom - 1);
  }
  SelectObject(dc, old);
  if ((item->itemState & ODS_FOCUS) != 0) {
    RECT focus = {r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
    DrawFocusRect(dc, &focus);
  }
}

void PickColor(HWND page, int index) {
  static COLORREF custom[16];
  for (COLORREF& c : custom) c = RGB(255, 255, 255);
  CHOOSECOLORA choose = {};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = page;
  choose.rgbResult = Settings().ReadColorSetting(ColorOf(index));
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT | CC_PREVENTFULLOPEN;
  ChooseColorA(&choose);  // on Cancel rgbResult keeps the old colour
  Settings().WriteColorSetting(ColorOf(index), choose.rgbResult);
  CreateBrushes();
  InvalidateRect(GetDlgItem(page, kColorButtons[index]), nullptr, TRUE);
}

bool Apply(HWND page) {
  PreferencesParts& t = PartsOf(page);
  SettingsStore& settings = Settings();
  DialogControls controls(page);
  const bool acceptable = StoreNewsPage(
      settings, controls, ReadCopy(t.prefsLock, t.prefs, SettingId::kMyVexlo) != 0);
  ReloadContentSelection(settings, t.prefsLock, t.prefs);

  uint32_t colors[kStripColorCount];
  LoadStripColors(settings, colors);
  SetColors(t.prefsLock, t.prefs, colors);
  t.host.ColorsChanged();
  t.host.FontsChanged();
  DeleteBrushes();
  RememberColors();

  if (!acceptable) {
    ShowPageMessage(page, IDS_NO_TOPIC_TITLE, IDS_NO_TOPIC_TEXT, MB_OK | MB_ICONSTOP);
    NoteApplyRefused();
    return false;
  }
  g_page.loaded = false;
  MarkUnchanged(page);
  return true;
}

void Cancel(HWND page) {
  DeleteBrushes();
  if (g_page.remembering) {
    // Only the colours picked since: a Cancel that changed nothing writes nothing.
    for (int i = 0; i < 12; ++i) {
      if (Settings().ReadColorSetting(ColorOf(i)) != g_page.remembered[i]) {
        Settings().WriteColorSetting(ColorOf(i), g_page.remembered[i]);
      }
    }
  }
  g_page.loaded = false;
  PartsOf(page).sheet.settingsChanged = 0;
}

void OnCommand(HWND page, int id, int code) {
  if (code != BN_CLICKED && code != EN_CHANGE) return;
  if (g_page.loaded) {
    PartsOf(page).sheet.settingsChanged = 1;
    MarkChanged(page);
  }
  const int index = code == BN_CLICKED ? ButtonIndex(id) : -1;
  if (index >= 0) PickColor(page, index);
}

const PageSteps kSteps = {
    [](HWND page) {
      if (!g_page.loaded) Load(page);
    },
    Apply,
    Cancel,
};

}  // namespace

INT_PTR CALLBACK NewsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      KeepParts(page, lParam);
      g_page = NewsPage();
      SendDlgItemMessageA(page, IDC_AIRPORTS, EM_LIMITTEXT, kAirportChars, 0);
      SendDlgItemMessageA(page, IDC_STORIES, EM_LIMITTEXT, 2, 0);
      return TRUE;
    case WM_NOTIFY: return AnswerPageNotify(page, reinterpret_cast<const NMHDR*>(lParam), kSteps);
    case WM_COMMAND: OnCommand(page, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_DRAWITEM:
      DrawColorButton(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_DESTROY: DeleteBrushes(); return FALSE;
    default: return FALSE;
  }
}
