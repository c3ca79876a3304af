#include "graphics/prim.h"

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/fill.h"

void DDSetPixel(DDSURFACEDATA* dst, int x, int y, DWORD palNum) {
  if (!dst || x < 0 || y < 0 || x >= dst->nWidth || y >= dst->nHeight) return;
  DDFillRect(dst, x, y, 1, 1, palNum);
}

namespace {
// DirectDraw drops points off the surface; Direct3D hands every point to the
// fill, which cuts them at the surface edge as well.
void PlotCirclePoint(DDSURFACEDATA* dst, int x, int y, DWORD palNum) {
  if (lpDTCon)
    DDFillRect(dst, x, y, 1, 1, palNum);
  else
    DDSetPixel(dst, x, y, palNum);
}
}  // namespace

void DDCircle(DDSURFACEDATA* dst, int cx, int cy, int r, DWORD palNum) {
  if (!dst || r < 1) return;
  int x = 0, y = r;
  int d = 3 - 2 * r;
  while (y >= x) {
    PlotCirclePoint(dst, cx + x, cy + y, palNum);
    PlotCirclePoint(dst, cx - x, cy + y, palNum);
    PlotCirclePoint(dst, cx + x, cy - y, palNum);
    PlotCirclePoint(dst, cx - x, cy - y, palNum);
    PlotCirclePoint(dst, cx + y, cy + x, palNum);
    PlotCirclePoint(dst, cx - y, cy + x, palNum);
    PlotCirclePoint(dst, cx + y, cy - x, palNum);
    PlotCirclePoint(dst, cx - y, cy - x, palNum);
    if (d < 0) {
      d += 4 * x + 6;
    } else {
      d += 4 * (x - y) + 10;
      --y;
    }
    ++x;
  }
}

void DDFrameRect(DDSURFACEDATA* dst, int x, int y, int w, int h, int t, DWORD palNum) {
  DDBeginRectBatch();
  DDFillRect(dst, x, y, w, t, palNum);
  DDFillRect(dst, x, y + h - t, w, t, palNum);
  DDFillRect(dst, x, y, t, h, palNum);
  DDFillRect(dst, x + w - t, y, t, h, palNum);
  DDEndRectBatch();
}

void DDBltWithFrame(DDSURFACEDATA* dst, int x, int y, int w, int h, DDSURFACEDATA* src, int t, DWORD palNum) {
  DDBlt(dst, x, y, w, h, src, 0, 0, 0);
  DDFrameRect(dst, x - t, y - t, w + 2 * t, h + 2 * t, t, palNum);
}
