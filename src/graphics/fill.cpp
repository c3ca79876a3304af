#include "graphics/fill.h"

#include <algorithm>
#include <cstring>

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "graphics/palette.h"

namespace {

template <typename T>
void FillRows(PixelBuffer& b, int x0, int y0, int x1, int y1, uint32_t value) {
  for (int y = y0; y < y1; ++y) {
    T* row = reinterpret_cast<T*>(b.Row(y));
    std::fill(row + x0, row + x1, static_cast<T>(value));
  }
}

void FillBufferRect(PixelBuffer& b, int x0, int y0, int x1, int y1, uint32_t value) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, b.width);
  y1 = std::min(y1, b.height);
  if (x0 >= x1 || y0 >= y1) return;
  switch (BytesPerPixel(b.format)) {
    case 1: FillRows<uint8_t>(b, x0, y0, x1, y1, value); break;
    case 2: FillRows<uint16_t>(b, x0, y0, x1, y1, value); break;
    case 4: FillRows<uint32_t>(b, x0, y0, x1, y1, value); break;
    default: break;
  }
}

// DirectDraw's colour fill: a negative start moves to 0 with the far edge
// kept; the far edge is cut at the surface (also after a negative start, so
// that the fill never leaves the surface).
int DirectDrawFill(DDSURFACEDATA* lpSD, int x, int y, int w, int h, DWORD value) {
  if (!lpSD || !lpSD->lpDD || !lpSD->lpDD->lpDDS) return 0;
  PixelBuffer& b = *lpSD->lpDD->lpDDS;
  if (b.Empty() || b.lost) return 0;
  const int right = std::min(x + w, lpSD->nWidth), bottom = std::min(y + h, lpSD->nHeight);
  FillBufferRect(b, std::max(x, 0), std::max(y, 0), right, bottom, value);
  return 1;
}

}  // namespace

int DDFillRectColor(DDSURFACEDATA* lpSD, int x, int y, int w, int h, DWORD color) {
  if (!lpDTCon) return DirectDrawFill(lpSD, x, y, w, h, color);
  if (!lpSD) return 0;
  DDResolveBaseSD(&lpSD);
  DDRedirectBackBuffer(&lpSD);
  if (DDIsRenderTarget(lpSD)) {
    // Cut at all four edges: a rectangle starting left of or above the
    // surface loses the part outside instead of sliding inside, so it covers
    // the same pixels as in DirectDraw.
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = static_cast<int>(std::min<long long>(static_cast<long long>(x) + w, lpSD->nWidth));
    const int y1 = static_cast<int>(std::min<long long>(static_cast<long long>(y) + h, lpSD->nHeight));
    if (x1 <= x0 || y1 <= y0) return 0;
    x = x0;
    y = y0;
    w = x1 - x0;
    h = y1 - y0;
    const bool back = lpSD == &BackBuffer;
    const DWORD clearValue = back ? lpDTCon->dwTransmitARGB : lpDTCon->dwClearKey;
    if ((g_nBpp == 16 || g_nBpp == 32) && (lpSD->lpDT->bTransmit || back) && color == clearValue) {
      DDBeginScene();
      DDSetRenderTarget(0, lpSD);
      DDDeviceClear(lpSD, x, y, w, h, DDKeyClearColor(lpSD));
      DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
      return 1;
    }
    if (DDRectBatchOpen()) {
      DDAppendRect(lpSD, x, y, w, h, color);
      return 1;
    }
    DDBeginScene();
    DDSetRenderTarget(0, lpSD);
    DDDrawColorQuad(lpSD, x, y, w, h, color);
    DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
    return 1;
  }
  cSurfaceLock lock;
  if (!lock.Lock(lpSD)) return 0;
  PixelBuffer* b = lock.m_lpSD->Pixels();
  uint32_t value = color;
  if (lock.m_nBytes == 2) {
    value = PackScaledArgb(g_ColorBits, color);
    if (DDIsFullScreenBack(lock.m_lpSD)) value = RepackGreenDoubled(g_ColorBits, g_BackBufferColorBits, value);
  }
  FillBufferRect(*b, x, y, x + std::max(w, 0), y + std::max(h, 0), value);
  DDUnlock(lock);
  return 1;
}

int DDFillRect(DDSURFACEDATA* lpSD, int x, int y, int w, int h, DWORD palNum) {
  return DDFillRectColor(lpSD, x, y, w, h, PalNumToRGB(palNum));
}

int DDFillSurface(DDSURFACEDATA* lpSD, DWORD palNum) {
  return lpSD ? DDFillRect(lpSD, 0, 0, lpSD->nWidth, lpSD->nHeight, palNum) : 0;
}

int DDFillSurfaceColor(DDSURFACEDATA* lpSD, DWORD color) {
  return lpSD ? DDFillRectColor(lpSD, 0, 0, lpSD->nWidth, lpSD->nHeight, color) : 0;
}
