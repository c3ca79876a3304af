// Two circular effects: a window that shows only the part of a picture
// inside a circle (spans handed to the ordinary blits, so both backends draw
// it their own way), and a lens that magnifies a disc of a picture on locked
// pixels, seamless at its rim.
#pragma once
#include "graphics/surface.h"

// Draws the disc of `radius` about (scx, scy) of src centred on (cx, cy) of
// dst, in bands of `band` rows, within ex columns and ey rows of the centre.
// 0 when radius or band is 0 or below (nothing drawn).
int DDCircleBlt(DDSURFACEDATA* dst, int cx, int cy, int ex, int ey, int radius, int band, DDSURFACEDATA* src,
                int scx, int scy, int key);

// A disc of `radius` about (cx, cy) of dst showing src about (scx, scy)
// through a lens of the given depth. `clear` (Direct3D 32-bit) writes
// transparent black over the whole square outside what the lens shows.
// False for a negative radius or depth, a depth not below the sphere radius,
// or a failed lock.
bool DDLensBlt(DDSURFACEDATA* dst, int cx, int cy, int radius, int depth, DDSURFACEDATA* src, int scx, int scy,
               int key, int clear);
