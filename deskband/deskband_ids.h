// What the desk band library and its hosts agree on: the band's class id and its name in the
// taskbar's toolbar list; the window classes and sizes are in base/taskbar_names.h. Plain data,
// for the library, the ticker and the test programs alike.
#pragma once

#include <windows.h>

#include "base/taskbar_names.h"

// {3B8F3845-C7F1-4BB2-A762-FAF49C7F1DEE}
constexpr CLSID kVexloDeskBandClsid = {
    0x3b8f3845, 0xc7f1, 0x4bb2, {0xa7, 0x62, 0xfa, 0xf4, 0x9c, 0x7f, 0x1d, 0xee}};
constexpr char kVexloDeskBandClsidText[] = "{3B8F3845-C7F1-4BB2-A762-FAF49C7F1DEE}";

// The default value of the class key: what the shell lists under Toolbars.
constexpr char kVexloDeskBandName[] = "Newsrail";
