// Palette numbers to device colours, the display's colour packing, palettes
// read from bitmaps, and the per-pixel palette index map of a surface.
#pragma once
#include "graphics/surface.h"

DWORD PalNumToRGB(DWORD dwPalNum);
DWORD DDPalToRGB16(const PALETTEENTRY* entry);
void DDGetColorBits(COLORBITS* bits);
// Fills `palette` (256 entries) from the bitmap's colour table; false only
// when the file cannot be read.
bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const char* fileName);
// The start-up form: the first definition's bitmap.
bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const DDSURFACEDEF* defs, int windowMode);
int DDMakePalIndexMap(BYTE** map, DDSURFACEDATA* lpSD);
