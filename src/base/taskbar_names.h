// What the ticker, the desk band library and the test programs agree on about the taskbar: the
// window classes each looks for and the band's sizes. Plain data, for every side.
#pragma once

// The shell's taskbar, whose rebar holds the band and whose notification area the ticker docks in.
constexpr char kTaskbarWindowClass[] = "Shell_TrayWnd";

// The ticker looks for this window inside the taskbar's rebar (or a floating band bar's) and
// makes its own window a child of it.
constexpr char kVexloDeskBandWindowClass[] = "VexloDeskBandClass";

// Sizes in pixels along and across the bar. The strip gets unreadable below 20 pixels and the
// floating frame never grows past 50; 26 is the default 28-pixel frame less its one-pixel inset.
constexpr int kBandMinWidth = 150;
constexpr int kBandMinHeight = 20;
constexpr int kBandMaxHeight = 50;
constexpr int kBandIdealHeight = 26;
