// What the desk band library and its hosts agree on: the band's class id, its name in the
// taskbar's toolbar list and the class of the window it shows. Plain data, for the library, the
// ticker and the test programs alike.
#pragma once

#include <windows.h>

// {3B8F3845-C7F1-4BB2-A762-FAF49C7F1DEE}
constexpr CLSID kVexloDeskBandClsid = {
    0x3b8f3845, 0xc7f1, 0x4bb2, {0xa7, 0x62, 0xfa, 0xf4, 0x9c, 0x7f, 0x1d, 0xee}};
constexpr char kVexloDeskBandClsidText[] = "{3B8F3845-C7F1-4BB2-A762-FAF49C7F1DEE}";

// The default value of the class key: what the shell lists under Toolbars.
constexpr char kVexloDeskBandName[] = "Newsrail";

// The ticker looks for this window inside the taskbar's rebar (or a floating band bar's) and
// makes its own window a child of it.
constexpr char kVexloDeskBandWindowClass[] = "VexloDeskBandClass";

// Sizes in pixels along and across the bar. The strip gets unreadable below 20 pixels and the
// floating frame never grows past 50; 26 is the default 28-pixel frame less its one-pixel inset.
constexpr int kBandMinWidth = 150;
constexpr int kBandMinHeight = 20;
constexpr int kBandMaxHeight = 50;
constexpr int kBandIdealHeight = 26;
