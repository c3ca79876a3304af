// Copies of rectangles between surfaces for both drawing backends: clipping,
// mirrored sources, colour keys, stretching, the Direct3D textured quad with
// its draw colour and stage operations, the software copy, scenes and render
// targets. The two batches are in batch.h.
#pragma once
#include "graphics/surface.h"

// {draw colour, colour operation} of DDBltMode and DDStretchBltMode.
struct BLTMODE {
  D3DCOLOR dwDrawColor;
  DWORD dwColorOp;
};

int DDBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key);
// True when DDBlt of the source rectangle (sx, sy, w, h) onto dst, keyed or
// not, replaces every pixel it reaches with an opaque one: a copy path that
// draws, the device's plain state, no mirror, and no transparent texel (no
// key colour in DirectDraw) in the rectangle. False where unsure.
bool DDIsOpaqueCopy(DDSURFACEDATA* dst, DDSURFACEDATA* src, int sx, int sy, int w, int h);
int DDStretchBlt(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw,
                 int sh, int key);
void DDBltMode(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int key,
               BLTMODE mode);
void DDStretchBltMode(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy,
                      int sw, int sh, int key, BLTMODE mode);
int DDClipRect(DDSURFACEDATA* dst, int* x, int* y, int* w, int* h, DDSURFACEDATA* src, int* sx, int* sy,
               int* sw, int* sh);
void DDMirrorRect(DDSURFACEDATA* src, int* sx, int* sy, int* sw, int* sh);

int DDBeginScene();
void DDEndScene();
int DDSetRenderTarget(int ignored, DDSURFACEDATA* lpSD);

// Direct3D device operations on our buffers (the pieces a blit is made of).
// Clear: writes `argb` converted to the target's format into the rectangle
// (cut to the buffer), without blending.
void DDDeviceClear(DDSURFACEDATA* target, int x, int y, int w, int h, D3DCOLOR argb);
// The clear value of a keyed render target (dwClearKey / wTransmit_16, and
// for BackBuffer dwTransmitARGB / wTransmitBack_16) as an ARGB colour.
D3DCOLOR DDKeyClearColor(const DDSURFACEDATA* target);
// True for a surface the device draws into (BackBuffer and render-target
// textures).
bool DDIsRenderTarget(const DDSURFACEDATA* lpSD);
// Resolves both surfaces to their bases and a redirected back buffer to
// where it is drawn; true when the device can draw the blit as a quad (the
// destination is a render target and the source is not in system memory).
bool DDResolveForQuad(DDSURFACEDATA** dst, DDSURFACEDATA** src);
// Makes `dst` the scene's render target (false when that fails), and puts
// the frame's own target back.
bool DDBeginTarget(DDSURFACEDATA* dst);
void DDEndTarget();
// The full-screen 16-bit back buffer, whose packing differs from the
// textures'.
bool DDIsFullScreenBack(const DDSURFACEDATA* lpSD);

// One textured quad: the source rectangle (negative sizes mirror) drawn into
// the destination rectangle with the stage operations and alpha blending,
// clipped to the destination.
struct QUADSTATE {
  D3DCOLOR dwDrawColor;
  DWORD dwColorOp;
  DWORD dwAlphaOp;
};
void DDDrawTexturedQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy, int sw,
                        int sh, const QUADSTATE& state);
// DDDeviceClear of the destination rectangle to `clear` followed by that
// quad, in one pass: a row of opaque texels is drawn without its clear.
void DDClearAndDrawTexturedQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int sx, int sy,
                                int sw, int sh, const QUADSTATE& state, D3DCOLOR clear);
// One untextured quad of one colour (stage operation SELECTARG2 with the
// colour as argument; its alpha blends with what is there), clipped to the
// destination.
void DDDrawColorQuad(DDSURFACEDATA* dst, int x, int y, int w, int h, D3DCOLOR color);
