// Palette operations on 256-entry palettes, the stepped screen fades every
// scene runs on entering and leaving, and their pixel counterparts for
// displays without a hardware palette (the fade of a captured frame and the
// Direct3D colour wash).
#pragma once
#include "graphics/surface.h"

// Entries first..last of `dst` become `src`'s entries mixed with the colour:
// (src x factor + colour x (256 - factor)) >> 8, flags PC_RESERVED. Factor
// 256 leaves the source colour, 0 gives the colour. The range is kept inside
// the palette; `src` may be `dst`.
void BlendPalette(PALETTEENTRY* dst, int first, int last, int factor, BYTE red, BYTE green, BYTE blue,
                  const PALETTEENTRY* src);

// `dst` becomes a copy of `src` with entries first..last rotated by `places`:
// direction 0 moves them up (entry i takes the colour of i - places),
// direction 1 down (entry i takes the colour of i + places); any other
// direction leaves the plain copy. At depths other than 8, 16 and 32 nothing
// is touched. `src` may be `dst`; a rotation by more than the range, or a
// negative one, is the equivalent rotation within it.
void RotatePalette(PALETTEENTRY* dst, int first, int last, int places, int direction, const PALETTEENTRY* src);

// One step of a fade from the picture to the colour (DDFadeOut) or from the
// colour to the picture (DDFadeIn), `step` degrees per call along a sine
// law; true on the call that completes the fade, which re-arms it. A set
// `finish` flag jumps to the end. 8-bit DirectDraw blends `src` into `dst`
// and sets the hardware palette; 16/32-bit DirectDraw shows the frame
// captured at the fade's first call blended toward the colour; Direct3D lays
// a black quad of growing opacity over the back buffer (the colour and the
// palettes are not used). Each function keeps one angle per backend, so an
// abandoned fade goes on from where it stood.
bool DDFadeOut(PALETTEENTRY* dst, int first, int last, BYTE red, BYTE green, BYTE blue, double step,
               const PALETTEENTRY* src, BYTE finish);
bool DDFadeIn(PALETTEENTRY* dst, int first, int last, BYTE red, BYTE green, BYTE blue, double step,
              const PALETTEENTRY* src, BYTE finish);
// Both fades of both backends back to their start (tests begin afresh).
void ResetScreenFadesForTest();

// DirectDraw at 16 or 32 bits: every pixel of `dst` becomes the pixel of
// `src` at the same place blended toward the colour, (colour x (256 -
// factor) + factor x value) >> 8 per channel on the 0..255 scale. 1 on
// success, 0 when a surface cannot be locked; Direct3D logs and returns 1.
// Pixels of `dst` beyond `src` are left as they are.
int DDFade_UnPal(DDSURFACEDATA* dst, int factor, BYTE red, BYTE green, BYTE blue, DDSURFACEDATA* src);

// Direct3D: lays the colour over the whole destination (the rectangle is not
// used) at transparency `alpha` (0 covers, 255 leaves it as it is). The
// source's texture is modulated by the colour when it has one apart from the
// destination; otherwise the colour itself is laid. DirectDraw logs. Always 1.
int DDChangeColor(DDSURFACEDATA* dst, int x, int y, int w, int h, int alpha, BYTE red, BYTE green, BYTE blue);
int DDChangeColorSrc(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int alpha, BYTE red,
                     BYTE green, BYTE blue);
