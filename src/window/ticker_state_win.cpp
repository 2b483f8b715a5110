// The process's ticker record, and what the window derives from it for the strip's painting and
// the control panel. The record lives until the process is gone: a refresh worker may still be
// running while exit() runs the static destructors, so it is never destroyed.
#include "window/ticker_state_win.h"

TickerWindowState& Ticker() {
  static TickerWindowState* state = new TickerWindowState;
  return *state;
}

StripFrame TickerStripFrame(TickerWindowState& t, HWND ticker) {
  StripFrame frame;
  // The size the last resize reported: asking the window each frame costs a server round trip.
  frame.width = t.clientWidth;
  frame.height = t.clientHeight;
  if (ticker != t.tickerWindow) {
    RECT r;
    GetClientRect(ticker, &r);
    frame.width = r.right;
    frame.height = r.bottom;
  }
  if (t.searchBox != nullptr) {
    RECT r;
    GetClientRect(t.searchBox, &r);
    frame.searchBoxWidth = r.right;
  }
  frame.gripWidth = t.dock.gripWidth;
  frame.onScreenSaver = t.screenSaverWindow != nullptr;
  frame.staysOnTop = t.alwaysOnTop != 0 || t.glueToDesktop != 0;
  frame.undocked = t.undocked != 0;
  frame.dpi = t.dpi;
  frame.colors = t.prefs.colors;
  frame.reading = &t.reading;
  return frame;
}

void PaintTickerStrip(TickerWindowState& t, HDC dc, HWND ticker) {
  PaintStrip(dc, t.paintCache, t.items, t.stripFlags, TickerStripFrame(t, ticker));
}

void CreateTickerFonts(TickerWindowState& t, HWND ticker) {
  CreateStripFonts(t.paintCache, ticker, Settings().ReadSetting(SettingId::kBoldFont) != 0);
}

PanelLayout TickerPanelLayout(int w, int h, int tipTop) {
  const TickerWindowState& t = Ticker();
  PanelInputs in;
  in.width = w;
  in.height = h;
  in.grip = t.dock.gripWidth;
  // The logo's zones are measured from the docked width while the ticker sits in the taskbar.
  in.logoWidth = t.undocked != 0 ? w : t.dock.dockedWidth;
  in.tipTop = tipTop;
  in.fitToCaption = t.fitToCaption != 0;
  in.inDeskBand = t.dock.inDeskBand != 0;
  in.dpi = t.dpi;
  return ComputePanelLayout(in);
}

PanelLayout TickerPanelLayout(HWND ticker) {
  RECT client;
  GetClientRect(ticker, &client);
  return TickerPanelLayout(client.right, client.bottom);
}

PanelLook TickerPanelLook(TickerWindowState& t, HWND ticker) {
  PanelLook look;
  look.pens = PanelPens{t.highlightPen, t.shadowPen, t.facePen};
  look.layout = TickerPanelLayout(ticker);
  look.hidden = t.dragging != 0 && t.resizing == 0;
  look.mailLogo = t.sponsorPhase == 0 && t.refresh.mailAlertPending.load() != 0;
  look.logoUp = t.logoButtonUp != 0;
  look.searchUp = t.searchButtonUp != 0;
  look.nextUp = t.nextButtonUp != 0;
  look.searchShown = t.searchShown != 0;
  look.outline = t.screenSaverWindow != nullptr || t.undocked == 0;
  look.nextButton = t.screenSaverWindow == nullptr;
  look.gripRidges = t.dock.inDeskBand == 0;
  look.gripWidth = t.dock.gripWidth;
  look.searchBox = t.searchBox;
  return look;
}
