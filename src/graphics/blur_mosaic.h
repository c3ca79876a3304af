// Blur and mosaic, and the pixel access every lock-based effect shares: both
// surfaces locked (destination first), the drawing path of the backend and
// depth, the transparency test of each path and the clipping of points to
// both surfaces.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/blit.h"
#include "graphics/surface.h"

// The per-pixel drawing paths. Direct3D reads transparency from the alpha
// bits, DirectDraw from the colour key; 16-bit DirectDraw works on 0..255
// scaled channels where Direct3D works on the raw fields.
enum class EffectPath { None, D3D16, D3D32, DD8, DD16, DD32 };

// Both surfaces of an effect, locked for the length of one call. The
// destination is locked first; the members release in reverse order.
class cEffectLocks {
 public:
  // False (nothing left locked) when either lock fails.
  bool Lock(DDSURFACEDATA* lpDst, DDSURFACEDATA* lpSrc);
  // None when the two buffers differ in depth or the depth has no path
  // (24 bits is never drawn).
  EffectPath Path() const;
  PixelBuffer* DstPixels() const { return m_Dst.m_lpSD ? m_Dst.m_lpSD->Pixels() : nullptr; }
  PixelBuffer* SrcPixels() const { return m_Src.m_lpSD ? m_Src.m_lpSD->Pixels() : nullptr; }
  // The surfaces' own sizes, bounded by their buffers: a point is drawn or
  // read only inside these.
  int DstWidth() const;
  int DstHeight() const;
  int SrcWidth() const;
  int SrcHeight() const;
  // True when the destination is the full-screen 16-bit Direct3D back
  // buffer, whose R5G6B5 packing differs from the textures'.
  bool DstIsFullScreenBack() const { return DDIsFullScreenBack(m_Dst.m_lpSD); }

  cSurfaceLock m_Dst;
  cSurfaceLock m_Src;
};

// A source pixel left out under the transparency flag.
inline bool IsTransparentPixel(EffectPath path, uint32_t pixel, uint32_t key) {
  switch (path) {
    case EffectPath::D3D16: return (pixel & 0xA000u) == 0;
    case EffectPath::D3D32: return (pixel >> 24) == 0;
    default: return pixel == key;
  }
}

// The part of a w x h rectangle at (dx, dy) of the destination, read from
// (sx, sy) of the source, where both points lie inside their surfaces:
// columns [i0, i1) and rows [j0, j1) of the rectangle. A mirrored axis reads
// the source backwards from the point before sx (or sy). Empty when i0 >= i1
// or j0 >= j1.
struct EffectSpan {
  int i0, i1, j0, j1;
};
EffectSpan ClipEffectRect(int dstW, int dstH, int dx, int dy, int w, int h, int srcW, int srcH, int sx, int sy,
                          bool mirrorX, bool mirrorY);

// Visits the clipped rows of a same-size effect: fn(destination row at i0,
// source row facing it in reading order, pixel count). A mirrored source
// row is handed over reversed in a scratch row, so the kernels always walk
// forwards.
template <typename T, class RowFn>
void ForEachEffectRow(const cEffectLocks& lk, int dx, int dy, int w, int h, int sx, int sy, bool mirrorX,
                      bool mirrorY, RowFn&& fn) {
  PixelBuffer* d = lk.DstPixels();
  PixelBuffer* s = lk.SrcPixels();
  if (!d || !s) return;
  const EffectSpan span =
      ClipEffectRect(lk.DstWidth(), lk.DstHeight(), dx, dy, w, h, lk.SrcWidth(), lk.SrcHeight(), sx, sy, mirrorX, mirrorY);
  if (span.i0 >= span.i1 || span.j0 >= span.j1) return;
  const int n = span.i1 - span.i0;
  thread_local std::vector<T> reversed;
  if (mirrorX && reversed.size() < static_cast<size_t>(n)) reversed.resize(static_cast<size_t>(n));
  for (int j = span.j0; j < span.j1; ++j) {
    const int ry = mirrorY ? sy - 1 - j : sy + j;
    T* drow = reinterpret_cast<T*>(d->Row(dy + j)) + (dx + span.i0);
    const T* srow = reinterpret_cast<const T*>(s->Row(ry));
    if (mirrorX) {
      for (int i = 0; i < n; ++i) reversed[static_cast<size_t>(i)] = srow[sx - 1 - (span.i0 + i)];
      fn(drow, reversed.data(), n);
    } else {
      fn(drow, srow + (sx + span.i0), n);
    }
  }
}

// Box blur of the w x h rectangle at (sx, sy) of src into (dx, dy) of dst:
// each pixel becomes the average of the 2rx x 2ry window ending one past it,
// cut to the rectangle and to the source surface. With the transparency flag
// 1 transparent pixels are left out, and a transparent centre leaves its
// destination pixel alone. False only when a lock fails.
bool DDBlurBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, int rx, int ry, DDSURFACEDATA* src, int sx, int sy,
               int transparent);
// Pixelates the rectangle in n x n blocks from its top-left corner: Direct3D
// and 8-bit DirectDraw take each block's top-left pixel, 16- and 32-bit
// DirectDraw its average. A size of 0 or below draws nothing. False only
// when a lock fails.
bool DDMosaicBlt(DDSURFACEDATA* dst, int dx, int dy, int w, int h, int n, DDSURFACEDATA* src, int sx, int sy,
                 int transparent);
