// The control panel, drawn in the classic three-dimensional button style from the window's flags.
#include "strip/control_panel_win.h"

#include "res/resource.h"
#include "strip/panel_geometry.h"
#include "window/ticker_state_win.h"

namespace {

// A move to p, then lines to q and r; LineTo leaves out each end point.
void Polyline3(HDC dc, int px, int py, int qx, int qy, int rx, int ry) {
  MoveToEx(dc, px, py, nullptr);
  LineTo(dc, qx, qy);
  LineTo(dc, rx, ry);
}

void FillFace(HDC dc, int left, int top, int right, int bottom) {
  RECT r = {left, top, right, bottom};
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &r, face);
  DeleteObject(face);
}

// Copies (or stretches) a bitmap resource, loaded with the 3-D greys mapped to the system's.
void DrawBitmap(HDC dc, int id, int x, int y, int width, int height, int sourceWidth,
                int sourceHeight) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(Ticker().instance, MAKEINTRESOURCEA(id),
                                                   IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  if (bitmap == nullptr) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  if (width == sourceWidth && height == sourceHeight) {
    BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
  } else if (width > 0 && height > 0) {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, width, height, source, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
}

void DrawLogoButton(HDC dc, const TickerWindowState& t, int w, int h, int b) {
  const int x0 = w - 22;
  const int id =
      t.sponsorPhase == 0 && t.flags.mailAlertPending.load() != 0 ? IDB_MAIL : IDB_LOGO;
  FillFace(dc, w - 21, 2, w + 22, h - 2);
  const LogoPlacement p = PlaceLogo(w, h, t.logoButtonUp != 0);
  DrawBitmap(dc, id, p.x, p.y, p.width, p.height, 19, 13);
  DrawButtonEdge(dc, x0, 0, x0 + 21, b, t.logoButtonUp);
}

void DrawSearchButton(HDC dc, const TickerWindowState& t, int w, int b) {
  FillFace(dc, w - 40, 1, w - 24, b - 1);
  DrawButtonEdge(dc, w - 39, 0, w - 24, b, t.searchButtonUp);
  int x = 0;
  int y = 0;
  PlaceSearchGlyph(w, b, t.searchButtonUp != 0, &x, &y);
  DrawBitmap(dc, t.searchShown != 0 ? IDB_SEARCH_SHOWN : IDB_SEARCH, x, y, 11, 12, 11, 12);
}

void DrawNextTopicButton(HDC dc, const TickerWindowState& t, int b) {
  const int l = t.gripWidth;
  const bool raised = t.nextButtonUp != 0;
  if (raised) {
    DrawButtonEdge(dc, l + 1, 0, l + 9, b, 1);
    FillFace(dc, l + 2, 2, l + 8, b - 2);
  } else {
    DrawButtonEdge(dc, l, -1, l + 8, b - 1, 0);
    FillFace(dc, l + 3, 3, l + 9, b - 3);
  }
  const Triangle tri = PlaceNextTopicTriangle(l, b, raised);
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  for (int i = 0; i < 3; ++i) {
    MoveToEx(dc, tri.x + i, tri.y0 + i, nullptr);
    LineTo(dc, tri.x + i, tri.y0 + 5 - i);
  }
  SelectObject(dc, old);
}

void DrawSearchBoxBorder(HDC dc, const TickerWindowState& t, int h) {
  RECT box;
  RECT ticker;
  GetWindowRect(t.searchBox, &box);
  GetWindowRect(t.tickerWindow, &ticker);
  const int sx = box.left - ticker.left;
  if (sx - 2 > 30) {
    RECT border = {sx - 2, 1, sx, h - 1};
    FillRect(dc, &border, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  }
}

}  // namespace

void DrawButtonEdge(HDC dc, int x, int y, int right, int bottom, int raised) {
  const TickerWindowState& t = Ticker();
  HGDIOBJ black = GetStockObject(BLACK_PEN);
  HGDIOBJ old = SelectObject(dc, t.highlightPen);
  if (raised == 1) {
    Polyline3(dc, x, bottom - 1, x, y + 1, right, y + 1);
    SelectObject(dc, black);
    Polyline3(dc, x, bottom - 1, right, bottom - 1, right, y);
    SelectObject(dc, t.shadowPen);
    Polyline3(dc, x + 1, bottom - 2, right - 1, bottom - 2, right - 1, y + 1);
  } else {
    SelectObject(dc, black);
    Polyline3(dc, x, bottom - 2, x, y + 1, right, y + 1);
    SelectObject(dc, t.highlightPen);
    Polyline3(dc, x + 1, bottom - 2, right, bottom - 2, right, y + 1);
    SelectObject(dc, t.shadowPen);
    Polyline3(dc, x + 1, bottom - 3, x + 1, y + 2, right, y + 2);
  }
  SelectObject(dc, old);
}

void DrawGripRidge(HDC dc, int x, int y, int right, int bottom) {
  const TickerWindowState& t = Ticker();
  HGDIOBJ old = SelectObject(dc, t.facePen);
  Polyline3(dc, x + 1, bottom - 2, x + 1, y + 1, right - 1, y + 2);
  SelectObject(dc, t.highlightPen);
  Polyline3(dc, x, bottom - 2, x, y + 1, right, y + 1);
  SelectObject(dc, t.shadowPen);
  Polyline3(dc, x, bottom - 2, right, bottom - 2, right, y);
  SelectObject(dc, old);
}

void DrawControlPanel(HDC dc, HWND ticker) {
  const TickerWindowState& t = Ticker();
  if (t.dragging != 0 && t.resizing == 0) return;
  RECT client;
  GetClientRect(ticker, &client);
  const int w = client.right;
  const int h = client.bottom;
  const int b = PanelBottom(h, t.fitToCaption != 0);

  if (t.screenSaverWindow != nullptr || t.undocked == 0) {
    HGDIOBJ old = SelectObject(dc, t.shadowPen);
    Polyline3(dc, 0, h, 0, 0, w, 0);
    SelectObject(dc, t.highlightPen);
    Polyline3(dc, 0, h - 1, w, h - 1, w, -1);
    SelectObject(dc, old);
  }
  DrawLogoButton(dc, t, w, h, b);
  if (HasPanelButtons(w)) DrawSearchButton(dc, t, w, b);
  if (t.screenSaverWindow == nullptr && HasPanelButtons(w)) DrawNextTopicButton(dc, t, b);
  if (t.inDeskBand == 0) {
    DrawGripRidge(dc, 2, 0, 4, b);
    DrawGripRidge(dc, 6, 0, 8, b);
  }
  if (t.searchBox != nullptr) DrawSearchBoxBorder(dc, t, h);
}

void PaintControlPanel(HWND ticker) {
  HDC dc = GetDC(ticker);
  DrawControlPanel(dc, ticker);
  ReleaseDC(ticker, dc);
}
