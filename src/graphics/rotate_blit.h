// A rectangle of a surface drawn turned by whole degrees about a point of it:
// one textured quad where the device draws, otherwise every pixel of the
// turned box mapped back into the source in 1/1024 fixed point.
#pragma once
#include "graphics/surface.h"

// Draws w x h at (sx, sy) of src turned by `angle` degrees (clockwise on the
// screen) about (cx, cy) of the rectangle, that point landing on (x, y) of
// dst. False only when a lock fails.
bool DDRotateBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, int cx, int cy, int angle, DDSURFACEDATA* src,
                 int sx, int sy, int key);

// The degree-to-radian factor of the rotation, as the program stores it.
constexpr double kRotateDegToRad = 0.017453292519943278;
