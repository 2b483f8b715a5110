// The palette-aware bitmap loader: a 256-colour bitmap resource drawn with its own colours on a
// palette display.
#pragma once

#include <windows.h>

#include "res/palette_bitmap.h"

// The bitmap resource `id` of the module as a DIB section, its colour table's button greys
// replaced by the user's button colours; *palette (when asked for) receives a logical palette
// made from that table, already realised on the screen, or null for more than 8 bits per pixel.
// Null, and no palette, when the resource is missing or its bytes do not hold a whole bitmap.
HBITMAP LoadPaletteBitmap(HMODULE module, int id, HPALETTE* palette);

// A logical palette from a parsed bitmap's colour table, its button greys the user's; *colors
// (when asked for) receives its number of entries. Null (and 0) for more than 8 bits per pixel.
HPALETTE CreateDibPalette(const ParsedDib& dib, int* colors);
