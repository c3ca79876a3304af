// Screen effects that cut a picture into lines, stripes, quarters or a
// squeezed copy and hand the pieces to the ordinary blits (so clipping, keys
// and each backend's rules are the blits'). In Direct3D the pieces of one
// effect are drawn as one sprite batch.
#pragma once
#include "graphics/surface.h"

// The picture cut into lines (columns when `horizontal`, else rows) or into
// bands of `band` lines, each displaced across the cut by
// trunc(amplitude x sin((phase + sum) x waves degrees)), where the sum grows
// by 360 x band / count before each band. A band of 0 or less draws nothing.
void DDWaveBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, int waves, double amplitude, int phase, int band,
               DDSURFACEDATA* src, int sx, int sy, int key, int horizontal);

// The picture cut into stripes `stripe` pixels wide (columns when
// `horizontal`, else rows): the odd stripes drawn `shift` pixels up (left),
// then the even ones `shift` pixels down (right). Only whole stripes are
// drawn: the length mod stripe lines at the far end stay as they were.
// Stripe 0 is a plain DDBlt, whose result it returns; otherwise 1.
int DDSplitBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, int stripe, int shift, DDSURFACEDATA* src, int sx,
               int sy, int key, int horizontal);

// A card turning over: the sw x sh source stretched into the destination
// squeezed about its centre along the width (axis 0) or the height (axis 1),
// narrowing for `counter` 0 up to L / 2, then showing the second source and
// widening again; one full turn takes 2L counts. A squeezed length below 2
// or another axis draws nothing (0); otherwise DDStretchBlt's result.
int DDTurnBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src1, int sx1, int sy1,
              DDSURFACEDATA* src2, int sx2, int sy2, int sw, int sh, int key, int counter, int axis);

// The four quarters of the w x h picture, each moved `gap` pixels away from
// the centre along both axes (an odd last column or row is not drawn).
void DDQuarterBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int gap,
                  int key);
