// Translucent blits and the blend table of 8-bit colour sets. Direct3D draws
// a quad whose vertex alpha carries the translucency; locked 16- and 32-bit
// surfaces mix half and half; 8-bit DirectDraw looks the mix of two palette
// indices up in the table.
#pragma once
#include "graphics/surface.h"

constexpr int kBlendTableSize = 65536;

// The blend table of the colour set in use: the byte at under x 256 + over
// is the palette index shown where colour over is drawn translucently onto
// colour under. Meaningful only with the palette of its set.
extern BYTE g_BlendTable[kBlendTableSize];

// Reads a table file (256 rows of 256 bytes, no header) into `table`. In
// Direct3D nothing is read and the result is true. False only when the file
// cannot be opened; the caller reports that. A short file is reported once
// and its missing bytes become their over index, so that colours without a
// row are drawn opaque rather than with whatever the table held before.
bool DDLoadBlendTable(BYTE* table, const char* fileName);

// Draws the w x h rectangle at (sx, sy) of src translucently at (dx, dy) of
// dst. Alpha (low byte: 0 opaque, 255 invisible) counts only for the
// Direct3D quad; the locked paths always mix half and half. `table` is the
// 8-bit DirectDraw blend table. Always true.
bool DDBlendBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
                const BYTE* table, int alpha);
// DDBlendBlt with alpha 128.
bool DDHalfBlendBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
                    const BYTE* table);
