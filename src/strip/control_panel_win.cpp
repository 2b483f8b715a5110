// The control panel, drawn in the classic three-dimensional button style from the window's flags.
#include "strip/control_panel_win.h"

#include "base/dpi_scale.h"
#include "res/resource.h"
#include "strip/panel_geometry.h"
#include "res/program_resources_win.h"

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
// Grown for a larger scale it is averaged (HALFTONE), so that it does not turn blocky; the
// squeeze into a low strip at 100 % keeps the plain pixel drop it always had.
void DrawBitmap(HDC dc, int id, int x, int y, int width, int height, int sourceWidth,
                int sourceHeight, bool smooth) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(id),
                                                   IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  if (bitmap == nullptr) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  if (width == sourceWidth && height == sourceHeight) {
    BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
  } else if (width > 0 && height > 0) {
    SetStretchBltMode(dc, smooth ? HALFTONE : COLORONCOLOR);
    if (smooth) SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, x, y, width, height, source, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
  }
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
}

void DrawButtonEdge(HDC dc, const PanelPens& pens, int x, int y, int right, int bottom,
                    int raised) {
  HGDIOBJ black = GetStockObject(BLACK_PEN);
  HGDIOBJ old = SelectObject(dc, pens.highlight);
  if (raised == 1) {
    Polyline3(dc, x, bottom - 1, x, y + 1, right, y + 1);
    SelectObject(dc, black);
    Polyline3(dc, x, bottom - 1, right, bottom - 1, right, y);
    SelectObject(dc, pens.shadow);
    Polyline3(dc, x + 1, bottom - 2, right - 1, bottom - 2, right - 1, y + 1);
  } else {
    SelectObject(dc, black);
    Polyline3(dc, x, bottom - 2, x, y + 1, right, y + 1);
    SelectObject(dc, pens.highlight);
    Polyline3(dc, x + 1, bottom - 2, right, bottom - 2, right, y + 1);
    SelectObject(dc, pens.shadow);
    Polyline3(dc, x + 1, bottom - 3, x + 1, y + 2, right, y + 2);
  }
  SelectObject(dc, old);
}

void DrawGripRidge(HDC dc, const PanelPens& pens, int x, int y, int right, int bottom) {
  HGDIOBJ old = SelectObject(dc, pens.face);
  Polyline3(dc, x + 1, bottom - 2, x + 1, y + 1, right - 1, y + 2);
  SelectObject(dc, pens.highlight);
  Polyline3(dc, x, bottom - 2, x, y + 1, right, y + 1);
  SelectObject(dc, pens.shadow);
  Polyline3(dc, x, bottom - 2, right, bottom - 2, right, y);
  SelectObject(dc, old);
}

void DrawEdge(HDC dc, const PanelPens& pens, const Rect& r, int raised) {
  DrawButtonEdge(dc, pens, r.left, r.top, r.right, r.bottom, raised);
}

void DrawLogoButton(HDC dc, const PanelLook& look, int w, int h) {
  const PanelLayout& layout = look.layout;
  FillFace(dc, layout.logoFace);
  const LogoPlacement p = PlaceLogo(w, h, look.logoUp, layout.dpi);
  DrawBitmap(dc, look.mailLogo ? IDB_MAIL : IDB_LOGO, p.x, p.y, p.width, p.height, 19, 13,
             layout.dpi != 96);
  DrawEdge(dc, look.pens, layout.logoEdge, look.logoUp ? 1 : 0);
}

void DrawSearchButton(HDC dc, const PanelLook& look, int w) {
  const PanelLayout& layout = look.layout;
  FillFace(dc, layout.searchFace);
  DrawEdge(dc, look.pens, layout.searchEdge, look.searchUp ? 1 : 0);
  int x = 0;
  int y = 0;
  PlaceSearchGlyph(w, layout.bottom, look.searchUp, &x, &y, layout.dpi);
  DrawBitmap(dc, look.searchShown ? IDB_SEARCH_SHOWN : IDB_SEARCH, x, y,
             ScaleForDpi(11, layout.dpi), ScaleForDpi(12, layout.dpi), 11, 12, true);
}

void DrawNextTopicButton(HDC dc, const PanelLook& look) {
  const PanelLayout& layout = look.layout;
  const bool raised = look.nextUp;
  if (raised) {
    DrawEdge(dc, look.pens, layout.nextEdgeRaised, 1);
    FillFace(dc, layout.nextFaceRaised);
  } else {
    DrawEdge(dc, look.pens, layout.nextEdgePressed, 0);
    FillFace(dc, layout.nextFacePressed);
  }
  const Triangle tri = PlaceNextTopicTriangle(look.gripWidth, layout.bottom, raised, layout.dpi);
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  for (int i = 0; i < tri.columns; ++i) {
    MoveToEx(dc, tri.x + i, tri.y0 + i, nullptr);
    LineTo(dc, tri.x + i, tri.y0 + 2 * tri.columns - 1 - i);
  }
  SelectObject(dc, old);
}

void DrawSearchBoxBorder(HDC dc, HWND ticker, HWND searchBox, int h) {
  RECT box;
  RECT window;
  GetWindowRect(searchBox, &box);
  GetWindowRect(ticker, &window);
  const int sx = box.left - window.left;
  if (sx - 2 > 30) {
    RECT border = {sx - 2, 1, sx, h - 1};
    FillRect(dc, &border, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  }
}

}  // namespace

void DrawControlPanel(HDC dc, HWND ticker, const PanelLook& look) {
  if (look.hidden) return;
  RECT client;
  GetClientRect(ticker, &client);
  const int w = client.right;
  const int h = client.bottom;
  const PanelLayout& layout = look.layout;

  if (look.outline) {
    HGDIOBJ old = SelectObject(dc, look.pens.shadow);
    Polyline3(dc, 0, h, 0, 0, w, 0);
    SelectObject(dc, look.pens.highlight);
    Polyline3(dc, 0, h - 1, w, h - 1, w, -1);
    SelectObject(dc, old);
  }
  DrawLogoButton(dc, look, w, h);
  if (layout.buttons) DrawSearchButton(dc, look, w);
  if (look.nextButton && layout.buttons) DrawNextTopicButton(dc, look);
  if (look.gripRidges) {
    for (const Rect& r : layout.gripRidges) {
      DrawGripRidge(dc, look.pens, r.left, r.top, r.right, r.bottom);
    }
  }
  if (look.searchBox != nullptr) DrawSearchBoxBorder(dc, ticker, look.searchBox, h);
}

void PaintControlPanel(HWND ticker, const PanelLook& look) {
  HDC dc = GetDC(ticker);
  DrawControlPanel(dc, ticker, look);
  ReleaseDC(ticker, dc);
}

void InvalidatePanelRect(HWND ticker, const Rect& r, bool erase) {
  RECT rect = {r.left, r.top, r.right, r.bottom};
  InvalidateRect(ticker, &rect, erase ? TRUE : FALSE);
}
