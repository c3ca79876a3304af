// The tinted blit: a rectangle drawn with every pixel pulled toward one
// palette colour, in four strengths. Each backend has its own method and
// strength curve: a texture-factor blend in Direct3D, arithmetic on locked
// 16- and 32-bit pixels, repeated blend-table lookups at 8 bits.
#pragma once
#include "graphics/surface.h"

// Draws the w x h rectangle at (sx, sy) of src at (dx, dy) of dst pulled
// toward palette[colorIndex]; strength 1 is the weakest tint, 4 the
// strongest. In Direct3D a strength of 0 or below draws nothing; DirectDraw
// halves toward the colour `strength` times (0 or below copies). The 8-bit
// path reads g_BlendTable; `table` is not read. Always true.
bool DDTintBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
               const PALETTEENTRY* palette, const BYTE* table, BYTE colorIndex, int strength);
