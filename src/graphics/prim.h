// Pixels, circles and rectangle frames in palette colours, built on the
// fills and blits of both drawing backends.
#pragma once
#include "graphics/surface.h"

void DDSetPixel(DDSURFACEDATA* dst, int x, int y, DWORD palNum);
// Midpoint circle of 1 x 1 fills; nothing for a radius below 1.
void DDCircle(DDSURFACEDATA* dst, int cx, int cy, int r, DWORD palNum);
// A frame of thickness t lying inside the rectangle (one rectangle batch).
void DDFrameRect(DDSURFACEDATA* dst, int x, int y, int w, int h, int t, DWORD palNum);
// Copies w x h of src from (0, 0) unkeyed, then frames it from outside.
void DDBltWithFrame(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int t, DWORD palNum);
