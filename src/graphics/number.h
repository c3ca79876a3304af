// Decimal numbers drawn from a digit sheet: the digits 0 to 9 side by side
// in cells of one width, starting at (sx, sy).
#pragma once
#include "graphics/surface.h"

// Right-aligned in a field of n digits, or centred in it with the centre
// flag; a longer number starts at x. A negative value draws 0.
void DDDrawNumber(DDSURFACEDATA* dst, int x, int y, int cw, int ch, DDSURFACEDATA* sheet, int sx, int sy, int key,
                  int value, int n, int centre, int unused = 0);
