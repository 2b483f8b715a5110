// The strip's IAccessible. Children 1 to n are the items of the published list (read under its
// lock, as the painter reads it, so a refresh never shows a reader half a list); after them come
// the next-topic, search and logo buttons. Actions are posted to the window's thread.
#include "window/accessible_win.h"

#include <oleacc.h>

#include <cstring>
#include <string>

#include "desktop/open_url_win.h"
#include "res/resource.h"
#include "strip/control_panel_win.h"
#include "strip/keyboard_reading.h"
#include "strip/strip_geometry.h"
#include "strip/tooltips_win.h"
#include "window/ticker_state_win.h"
#include "window/timers.h"

namespace {

enum class Kind { kSelf, kItem, kButton, kNone };

struct Child {
  Kind kind = Kind::kNone;
  int32_t index = 0;  // the item's index, or the button's place in Buttons()
};

struct Button {
  int nameId;  // 0: the logo tip's text
  Rect rect;
};

// The panel's buttons as the window now shows them.
int ButtonList(HWND ticker, Button* out) {
  const PanelLayout layout = TickerPanelLayout(ticker);
  int n = 0;
  if (layout.buttons) {
    out[n++] = Button{IDS_NEXT_TOPIC_TIP, layout.nextEdgeRaised};
    out[n++] = Button{IDS_SEARCH_TIP, layout.searchEdge};
  }
  out[n++] = Button{0, layout.logoEdge};
  return n;
}

BSTR MakeBstr(const char* text) {
  wchar_t wide[kItemTextSize + 1];
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kItemTextSize + 1);
  if (n <= 0) return SysAllocString(L"");
  wide[kItemTextSize] = L'\0';
  return SysAllocString(wide);
}

BSTR ProgramBstr(int id) {
  char text[kItemTextSize];
  LoadProgramText(id, text, sizeof text);
  return MakeBstr(text);
}

// The interfaces' ids come from the headers (__uuidof): linked from oleacc's import library,
// IID_IAccessible is a stub's address in the 64-bit build, and no reader can then marshal it.
class StripAccessible final : public IAccessible {
 public:
  explicit StripAccessible(HWND window) : window_(window) {}
  void Disconnect() { connected_ = false; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
        riid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: readers use the vtable; there is no type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (parent == nullptr) return E_POINTER;
    return AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW),
                                      __uuidof(IDispatch), reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (count == nullptr) return E_POINTER;
    Button buttons[3];
    *count = ItemCount() + ButtonList(window_, buttons);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return Find(child).kind == Kind::kNone ? E_INVALIDARG : S_FALSE;  // simple elements
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    const Child c = Find(child);
    switch (c.kind) {
      case Kind::kSelf: *name = ProgramBstr(IDS_HEADLINES_NAME); return S_OK;
      case Kind::kItem: {
        char text[kItemTextSize] = "";
        {
          ItemsView view = Ticker().items.Read();
          if (c.index < view.itemCount) {
            AccessibleItemName(view.items[c.index].text, text, sizeof text);
          }
        }
        *name = MakeBstr(text);
        return S_OK;
      }
      case Kind::kButton: {
        Button buttons[3];
        ButtonList(window_, buttons);
        *name = buttons[c.index].nameId != 0 ? ProgramBstr(buttons[c.index].nameId)
                                             : MakeBstr(Ticker().tooltips.logoText);
        return S_OK;
      }
      default: return E_INVALIDARG;
    }
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (value != nullptr) *value = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (text != nullptr) *text = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (role == nullptr) return E_POINTER;
    VariantInit(role);
    const Child c = Find(child);
    long value = 0;
    switch (c.kind) {
      case Kind::kSelf: value = ROLE_SYSTEM_LIST; break;
      case Kind::kItem:
        value = HasLink(c.index) && !IsCaption(c.index) ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT;
        break;
      case Kind::kButton: value = ROLE_SYSTEM_PUSHBUTTON; break;
      default: return E_INVALIDARG;
    }
    role->vt = VT_I4;
    role->lVal = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (state == nullptr) return E_POINTER;
    VariantInit(state);
    const Child c = Find(child);
    const StripReading& r = Ticker().reading;
    long value = 0;
    switch (c.kind) {
      case Kind::kSelf:
        value = STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == window_) value |= STATE_SYSTEM_FOCUSED;
        break;
      case Kind::kItem: {
        value = STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        if (HasLink(c.index)) value |= STATE_SYSTEM_LINKED;
        RECT where;
        if (!ItemRect(c.index, &where)) value |= STATE_SYSTEM_OFFSCREEN | STATE_SYSTEM_INVISIBLE;
        if (r.keyboard != 0 && r.focusItem == c.index) {
          value |= STATE_SYSTEM_FOCUSED | STATE_SYSTEM_SELECTED;
        }
        break;
      }
      case Kind::kButton: value = STATE_SYSTEM_FOCUSABLE; break;
      default: return E_INVALIDARG;
    }
    state->vt = VT_I4;
    state->lVal = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (help != nullptr) *help = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (shortcut != nullptr) *shortcut = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (focus == nullptr) return E_POINTER;
    VariantInit(focus);
    const StripReading& r = Ticker().reading;
    if (r.keyboard != 0 && r.focusItem >= 0) {
      focus->vt = VT_I4;
      focus->lVal = r.focusItem + 1;
    } else if (GetFocus() == window_) {
      focus->vt = VT_I4;
      focus->lVal = CHILDID_SELF;
    }
    return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (selection == nullptr) return E_POINTER;
    VariantInit(selection);
    const StripReading& r = Ticker().reading;
    if (r.keyboard == 0 || r.focusItem < 0) return S_FALSE;
    selection->vt = VT_I4;
    selection->lVal = r.focusItem + 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (action == nullptr) return E_POINTER;
    *action = nullptr;
    const Child c = Find(child);
    if (c.kind == Kind::kItem && HasLink(c.index)) *action = ProgramBstr(IDS_OPEN_ACTION);
    if (c.kind == Kind::kButton) *action = ProgramBstr(IDS_PRESS_ACTION);
    if (c.kind == Kind::kNone) return E_INVALIDARG;
    return *action != nullptr ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const Child c = Find(child);
    if (c.kind != Kind::kItem) return E_INVALIDARG;
    if ((flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) == 0) return E_INVALIDARG;
    PostMessageA(window_, kReadingActionMessage, static_cast<WPARAM>(-(c.index + 1)), 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
      return E_POINTER;
    const Child c = Find(child);
    RECT r = {0, 0, 0, 0};
    if (c.kind == Kind::kSelf) {
      GetClientRect(window_, &r);
    } else if (c.kind == Kind::kItem) {
      ItemRect(c.index, &r);
    } else if (c.kind == Kind::kButton) {
      Button buttons[3];
      ButtonList(window_, buttons);
      const Rect& b = buttons[c.index].rect;
      r = RECT{b.left, b.top, b.right, b.bottom};
    } else {
      return E_INVALIDARG;
    }
    POINT corner = {r.left, r.top};
    ClientToScreen(window_, &corner);
    *left = corner.x;
    *top = corner.y;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (end == nullptr) return E_POINTER;
    VariantInit(end);
    const Child c = Find(start);
    long count = 0;
    get_accChildCount(&count);
    long id = -1;
    const long from = c.kind == Kind::kSelf ? 0 : start.lVal;
    switch (direction) {
      case NAVDIR_FIRSTCHILD: id = c.kind == Kind::kSelf && count > 0 ? 1 : -1; break;
      case NAVDIR_LASTCHILD: id = c.kind == Kind::kSelf && count > 0 ? count : -1; break;
      case NAVDIR_NEXT:
      case NAVDIR_RIGHT: id = c.kind != Kind::kSelf && from < count ? from + 1 : -1; break;
      case NAVDIR_PREVIOUS:
      case NAVDIR_LEFT: id = c.kind != Kind::kSelf && from > 1 ? from - 1 : -1; break;
      default: return E_INVALIDARG;
    }
    if (c.kind == Kind::kNone) return E_INVALIDARG;
    if (id < 0) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = id;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    if (hit == nullptr) return E_POINTER;
    VariantInit(hit);
    POINT p = {x, y};
    ScreenToClient(window_, &p);
    RECT client;
    GetClientRect(window_, &client);
    if (!PtInRect(&client, p)) return S_FALSE;
    hit->vt = VT_I4;
    hit->lVal = CHILDID_SELF;
    Button buttons[3];
    const int n = ButtonList(window_, buttons);
    const int32_t items = ItemCount();
    for (int i = 0; i < n; ++i) {
      if (buttons[i].rect.Contains(p.x, p.y)) hit->lVal = items + 1 + i;
    }
    for (int32_t i = 0; i < items && hit->lVal == CHILDID_SELF; ++i) {
      RECT r;
      if (ItemRect(i, &r) && PtInRect(&r, p)) hit->lVal = i + 1;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const Child c = Find(child);
    if (c.kind != Kind::kItem && c.kind != Kind::kButton) return E_INVALIDARG;
    if (c.kind == Kind::kItem && !HasLink(c.index)) return DISP_E_MEMBERNOTFOUND;
    PostMessageA(window_, kReadingActionMessage, static_cast<WPARAM>(child.lVal), 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  bool Alive() const { return connected_ && IsWindow(window_); }

  static int32_t ItemCount() {
    ItemsView view = Ticker().items.Read();
    return view.itemCount;
  }

  static bool HasLink(int32_t index) {
    ItemsView view = Ticker().items.Read();
    return index >= 0 && index < view.itemCount && view.items[index].link[0] != '\0';
  }

  // A topic's caption is drawn in the small font; the reader hears it as text, not as a link,
  // although a double click on it opens the topic's page as on any item.
  static bool IsCaption(int32_t index) {
    ItemsView view = Ticker().items.Read();
    return index >= 0 && index < view.itemCount && view.items[index].tallFont == 0;
  }

  // The item's rectangle in client pixels, cut to the strip's area; false when none of it shows
  // (or, while one item at a time is shown, when it is not that one).
  bool ItemRect(int32_t index, RECT* out) const {
    TickerWindowState& t = Ticker();
    ItemsView view = t.items.Read();
    if (index < 0 || index >= view.itemCount) return false;
    const TickerItem& item = view.items[index];
    const ScrollArea area = ComputeScrollArea(t.clientWidth, -1, t.dock.gripWidth, false, t.dpi);
    const int32_t x =
        ItemClientX(item.x, item.width, t.stripFlags.scrollOffset.load(), view.stripWidth, area.left);
    *out = RECT{x, 0, x + item.width, t.clientHeight};
    if (t.reading.stepping != 0 && index != t.reading.stepItem) return false;
    return x < area.right && x + item.width > area.left;
  }

  Child Find(const VARIANT& child) const {
    if (child.vt != VT_I4) return Child{};
    if (child.lVal == CHILDID_SELF) return Child{Kind::kSelf, 0};
    const int32_t items = ItemCount();
    if (child.lVal >= 1 && child.lVal <= items) return Child{Kind::kItem, child.lVal - 1};
    Button buttons[3];
    const int n = ButtonList(window_, buttons);
    const long b = child.lVal - items - 1;
    if (b >= 0 && b < n) return Child{Kind::kButton, static_cast<int32_t>(b)};
    return Child{};
  }

  LONG refs_ = 1;
  HWND window_;
  volatile bool connected_ = true;
};

StripAccessible* g_object = nullptr;
bool g_comReady = false;

}  // namespace

LRESULT AnswerAccessibleRequest(HWND ticker, WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) {
    return DefWindowProcA(ticker, WM_GETOBJECT, wParam, lParam);
  }
  if (!g_comReady) {
    // LresultFromObject marshals the object: the window's thread needs an apartment.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_comReady = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
  }
  if (g_object == nullptr) g_object = new StripAccessible(ticker);
  return LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(g_object));
}

void DisconnectStripAccessible() {
  if (g_object == nullptr) return;
  g_object->Disconnect();
  g_object->Release();
  g_object = nullptr;
}

void RunAccessibleAction(HWND ticker, int32_t child, const StripActions& actions) {
  if (child < 0) {
    actions.focusItem(ticker, -child - 1);  // accSelect
    return;
  }
  int32_t items = 0;
  {
    ItemsView view = Ticker().items.Read();
    items = view.itemCount;
  }
  if (child >= 1 && child <= items) {
    actions.openItem(ticker, child - 1);
    return;
  }
  Button buttons[3];
  const int n = ButtonList(ticker, buttons);
  const int32_t b = child - items - 1;
  if (b < 0 || b >= n) return;
  switch (buttons[b].nameId) {
    case IDS_NEXT_TOPIC_TIP:
      PostMessageA(ticker, WM_HSCROLL,
                   MAKEWPARAM(1, (static_cast<WPARAM>(Ticker().jumpSerial) + 1) & 0xFFFF), 0);
      break;
    case IDS_SEARCH_TIP: PostMessageA(ticker, WM_COMMAND, IDM_SEARCH_WINDOW, 0); break;
    default: actions.openLinkAt(Ticker().clientWidth - 1, 1); break;
  }
}
