// The tooltip windows of the ticker. All of them are recreated on every resize; the strip's and
// the logo button's texts live in buffers of the ticker's state so that they survive that.
#include "strip/tooltips_win.h"

#include <commctrl.h>

#include <cstring>
#include <mutex>

#include "res/resource.h"
#include "res/program_resources_win.h"

namespace {

TOOLINFOA MakeTool(HWND ticker, UINT id, const Rect& r, char* text) {
  TOOLINFOA tool = {};
  // The size of the version-5 record: older comctl32 rejects the larger one.
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = 0;
  tool.hwnd = ticker;
  tool.uId = id;
  tool.rect = RECT{r.left, r.top, r.right, r.bottom};
  tool.hinst = ProgramInstance();
  tool.lpszText = text;
  return tool;
}

HWND CreateTipWindow(HWND ticker) {
  return CreateWindowExA(0, TOOLTIPS_CLASSA, "", TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, ticker, nullptr, ProgramInstance(), nullptr);
}

void DestroyTip(HWND* tip) {
  if (*tip != nullptr && IsWindow(*tip)) DestroyWindow(*tip);
  *tip = nullptr;
}

void EnsureCommonControls(TooltipRecord& record) {
  if (record.commonControlsReady) return;
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);
  record.commonControlsReady = true;
}

}  // namespace

void CreateTooltips(TooltipRecord& t, HWND ticker, const PanelLayout& layout) {
  EnsureCommonControls(t);
  char* logoText = t.logoText;
  std::lock_guard<std::mutex> guard(t.lock);
  DestroyTip(&t.stripTip);
  t.stripTip = CreateTipWindow(ticker);
  DestroyTip(&t.logoTip);
  t.logoTip = CreateTipWindow(ticker);
  if (logoText[0] == '\0') LoadStringA(ProgramInstance(), IDS_PAGES_MENU, logoText, kLogoTipSize);
  DestroyTip(&t.searchTip);
  DestroyTip(&t.navigationTip);
  if (layout.buttons) {
    t.searchTip = CreateTipWindow(ticker);
    t.navigationTip = CreateTipWindow(ticker);
  }

  HWND windows[4] = {t.stripTip, t.logoTip, t.searchTip, t.navigationTip};
  for (const TooltipTool& tool : layout.tools) {
    char* text = nullptr;
    switch (tool.toolId) {
      case 1: text = t.lastStockUpdate; break;
      case 2: text = logoText; break;
      case 4: text = MAKEINTRESOURCEA(IDS_SEARCH_TIP); break;
      case 5: text = MAKEINTRESOURCEA(IDS_NEXT_TOPIC_TIP); break;
      default: text = MAKEINTRESOURCEA(IDS_GRIP_TIP); break;
    }
    TOOLINFOA info = MakeTool(ticker, static_cast<UINT>(tool.toolId), tool.rect, text);
    if (windows[tool.tipWindow] != nullptr) {
      SendMessageA(windows[tool.tipWindow], TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
}

void RelayToTooltips(const TooltipRecord& t, HWND ticker, UINT message, WPARAM wParam,
                     LPARAM lParam) {
  MSG msg = {};
  msg.hwnd = ticker;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  for (HWND tip : {t.stripTip, t.logoTip, t.searchTip, t.navigationTip}) {
    if (tip != nullptr) SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
}

void SetLogoTip(TooltipRecord& t, HWND ticker, const char* text) {
  char* logoText = t.logoText;
  std::strncpy(logoText, text != nullptr ? text : "", kLogoTipSize - 1);
  logoText[kLogoTipSize - 1] = '\0';
  if (t.logoTip == nullptr) return;
  TOOLINFOA info = MakeTool(ticker, 2, Rect{}, nullptr);
  SendMessageA(t.logoTip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info));
  info.lpszText = logoText;
  SendMessageA(t.logoTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void SetStripTip(TooltipRecord& t, HWND ticker, const char* stamp) {
  HWND tip = nullptr;
  char text[kTextValueSize];
  {
    std::lock_guard<std::mutex> guard(t.lock);
    if (stamp != nullptr) {
      std::strncpy(t.lastStockUpdate, stamp, sizeof t.lastStockUpdate - 1);
      t.lastStockUpdate[sizeof t.lastStockUpdate - 1] = '\0';
    }
    std::strcpy(text, t.lastStockUpdate);
    tip = t.stripTip;
  }
  // Sent without the lock: from the worker this waits for the user-interface thread.
  if (tip == nullptr) return;
  TOOLINFOA info = MakeTool(ticker, 1, Rect{}, text);
  SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void DestroyTooltips(TooltipRecord& t) {
  std::lock_guard<std::mutex> guard(t.lock);
  DestroyTip(&t.stripTip);
  DestroyTip(&t.logoTip);
  DestroyTip(&t.searchTip);
  DestroyTip(&t.navigationTip);
}
