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

void FillFace(HDC dc, const Rect& face) {
  RECT r = {face.left, face.top, face.right, face.bottom};
  HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// Copies (or stretches) a bitmap resource, loaded with the 3-D greys mapped to the system's.
void DrawBitmap(HDC dc, int id, int x, int y, int width, int height, int sourceWidth,
                int sourceHeight) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(id),
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

void DrawEdge(HDC dc, const Rect& r, int raised) {
  DrawButtonEdge(dc, r.left, r.top, r.right, r.bottom, raised);
}

void DrawLogoButton(HDC dc, const TickerWindowState& t, const PanelLayout& layout, int w, int h) {
  const int id =
      t.sponsorPhase == 0 && t.refresh.mailAlertPending.load() != 0 ? IDB_MAIL : IDB_LOGO;
  FillFace(dc, layout.logoFace);
  const LogoPlacement p = PlaceLogo(w, h, t.logoButtonUp != 0);
  DrawBitmap(dc, id, p.x, p.y, p.width, p.height, 19, 13);
  DrawEdge(dc, layout.logoEdge, t.logoButtonUp);
}

void DrawSearchButton(HDC dc, const TickerWindowState& t, const PanelLayout& layout, int w) {
  FillFace(dc, layout.searchFace);
  DrawEdge(dc, layout.searchEdge, t.searchButtonUp);
  int x = 0;
  int y = 0;
  PlaceSearchGlyph(w, layout.bottom, t.searchButtonUp != 0, &x, &y);
  DrawBitmap(dc, t.searchShown != 0 ? IDB_SEARCH_SHOWN : IDB_SEARCH, x, y, 11, 12, 11, 12);
}

void DrawNextTopicButton(HDC dc, const TickerWindowState& t, const PanelLayout& layout) {
  const bool raised = t.nextButtonUp != 0;
  if (raised) {
    DrawEdge(dc, layout.nextEdgeRaised, 1);
    FillFace(dc, layout.nextFaceRaised);
  } else {
    DrawEdge(dc, layout.nextEdgePressed, 0);
    FillFace(dc, layout.nextFacePressed);
  }
  const Triangle tri = PlaceNextTopicTriangle(t.gripWidth, layout.bottom, raised);
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
  const PanelLayout layout = TickerPanelLayout(w, h);

  if (t.screenSaverWindow != nullptr || t.undocked == 0) {
    HGDIOBJ old = SelectObject(dc, t.shadowPen);
    Polyline3(dc, 0, h, 0, 0, w, 0);
    SelectObject(dc, t.highlightPen);
    Polyline3(dc, 0, h - 1, w, h - 1, w, -1);
    SelectObject(dc, old);
  }
  DrawLogoButton(dc, t, layout, w, h);
  if (layout.buttons) DrawSearchButton(dc, t, layout, w);
  if (t.screenSaverWindow == nullptr && layout.buttons) DrawNextTopicButton(dc, t, layout);
  if (t.inDeskBand == 0) {
    for (const Rect& r : layout.gripRidges) DrawGripRidge(dc, r.left, r.top, r.right, r.bottom);
  }
  if (t.searchBox != nullptr) DrawSearchBoxBorder(dc, t, h);
}

void PaintControlPanel(HWND ticker) {
  HDC dc = GetDC(ticker);
  DrawControlPanel(dc, ticker);
  ReleaseDC(ticker, dc);
}

PanelLayout TickerPanelLayout(int w, int h, int tipTop) {
  const TickerWindowState& t = Ticker();
  PanelInputs in;
  in.width = w;
  in.height = h;
  in.grip = t.gripWidth;
  // The logo's zones are measured from the docked width while the ticker sits in the taskbar.
  in.logoWidth = t.undocked != 0 ? w : t.dockedWidth;
  in.tipTop = tipTop;
  in.fitToCaption = t.fitToCaption != 0;
  in.inDeskBand = t.inDeskBand != 0;
  return ComputePanelLayout(in);
}

PanelLayout TickerPanelLayout(HWND ticker) {
  RECT client;
  GetClientRect(ticker, &client);
  return TickerPanelLayout(client.right, client.bottom);
}

void InvalidatePanelRect(HWND ticker, const Rect& r, bool erase) {
  RECT rect = {r.left, r.top, r.right, r.bottom};
  InvalidateRect(ticker, &rect, erase ? TRUE : FALSE);
}
