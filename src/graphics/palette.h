// Palette numbers to device colours, the display's colour packing, palettes
// read from bitmaps, and the per-pixel palette index map of a surface.
#pragma once
#include "graphics/surface.h"

DWORD PalNumToRGB(DWORD dwPalNum);
DWORD DDPalToRGB16(const PALETTEENTRY* entry);
void DDGetColorBits(COLORBITS* bits);
// Fills `palette` (256 entries) from the bitmap's colour table (8-bit
// bitmaps in Direct3D and 8-bit DirectDraw) and then, at 16, 24 or 32 bits
// unless 8-bit DirectDraw took the table, from the palette picture's pixels
// (DDSetPalette_UnPal); false only when the file cannot be read.
bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const char* fileName);
// The start-up form: the first definition's bitmap.
bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const DDSURFACEDEF* defs, int windowMode);
int DDMakePalIndexMap(BYTE** map, DDSURFACEDATA* lpSD);
// Entry 16r + c from the pixel at (c, 8 + r) of a palette picture: a 16 x 16
// grid from row 8. Direct3D skips pixels of alpha 0; pixels outside the
// surface leave their entries as they are.
void DDSetPalette_UnPal(PALETTEENTRY* palette, DDSURFACEDATA* lpSD);
