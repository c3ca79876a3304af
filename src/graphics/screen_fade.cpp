#include "graphics/screen_fade.h"

#include <algorithm>
#include <cstdint>

#include "graphics/display.h"
#include "graphics/surface.h"

namespace {
BYTE Scaled(BYTE v, int level) { return static_cast<BYTE>(v * level >> 8); }
}  // namespace

bool FadeStepStandIn(double* angle, double step, bool fadeIn) {
  if (fadeIn) {
    if (*angle < 90) {
      *angle = std::min(90.0, *angle + step);
      return false;
    }
    *angle = 0;
    return true;
  }
  if (*angle > 0) {
    *angle = std::max(0.0, *angle - step);
    return false;
  }
  *angle = 90;
  return true;
}

void ShadeFrame(double angle) {
  const int level = std::clamp(static_cast<int>(angle * 256 / 90), 0, 256);
  if (!g_bD3D && g_nBpp == 8) {
    if (!g_lpDDPal) return;
    for (int i = 0; i < 256; ++i) {
      const PALETTEENTRY& e = g_Palette[i];
      g_PaletteWork[i] = PALETTEENTRY{Scaled(e.peRed, level), Scaled(e.peGreen, level), Scaled(e.peBlue, level),
                                      e.peFlags};
    }
    g_lpDDPal->SetEntries(0, 256, g_PaletteWork);
    return;
  }
  if (level >= 256) return;
  cSurfaceLock lock;
  if (!lock.Lock(&BackBuffer)) return;
  const COLORBITS cb = ColorBitsOfFormat(lock.m_Format);
  const uint64_t masks[3] = {uint64_t(cb.nMaskR) << cb.nShiftR, uint64_t(cb.nMaskG) << cb.nShiftG,
                             uint64_t(cb.nMaskB) << cb.nShiftB};
  const uint64_t keep = ~(masks[0] | masks[1] | masks[2]);
  // Each field scaled in place: the bits below a field that the product
  // leaves are cut by its mask.
  auto shade = [&](uint64_t p) {
    uint64_t out = p & keep;
    for (uint64_t m : masks) out |= ((p & m) * static_cast<uint64_t>(level) >> 8) & m;
    return out;
  };
  const DDSURFACEDATA* sd = lock.m_lpSD;
  const PixelBuffer* buffer = sd->Pixels();
  const int w = std::min(sd->nWidth, buffer->width), h = std::min(sd->nHeight, buffer->height);
  for (int y = 0; y < h; ++y) {
    if (lock.m_nBytes == 4) {
      uint32_t* row = lock.Row<uint32_t>(y);
      for (int x = 0; x < w; ++x) row[x] = static_cast<uint32_t>(shade(row[x]));
    } else if (lock.m_nBytes == 2) {
      uint16_t* row = lock.Row<uint16_t>(y);
      for (int x = 0; x < w; ++x) row[x] = static_cast<uint16_t>(shade(row[x]));
    }
  }
  DDUnlock(lock);
}

