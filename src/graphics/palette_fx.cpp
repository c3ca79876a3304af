#include "graphics/palette_fx.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "platform/numeric.h"
#include "services/log.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// The entries a palette operation may touch: first..last cut to the table.
bool CutRange(int* first, int* last) {
  *first = std::max(*first, 0);
  *last = std::min(*last, 255);
  return *first <= *last;
}

// ---- the fades' state ------------------------------------------------------------

struct FadeAngles {
  double outD3D = 90.0, outDD = 90.0;
  double inD3D = 0.0, inDD = 0.0;
};
FadeAngles g_fade;

// Visibility of the picture at an angle: 256 x sin for the DirectDraw
// blends, 255 x sin for the Direct3D quad's opacity (255 minus it).
int FactorOf(double angle) { return plat::TruncToInt(256.0 * std::sin(angle * kDegToRad)); }
int QuadAlphaOf(double angle) { return 255 - plat::TruncToInt(255.0 * std::sin(angle * kDegToRad)); }

// Direct3D: the black quad over the whole back buffer. False when the scene
// or a render target cannot be set, so that the step is tried again.
bool DrawFadeQuad(double angle) {
  DDSURFACEDATA* target = &BackBuffer;
  DDRedirectBackBuffer(&target);
  const D3DCOLOR color = static_cast<D3DCOLOR>(QuadAlphaOf(angle) & 0xFF) << 24;
  if (!DDBeginScene()) return false;
  if (!DDSetRenderTarget(0, target)) return false;
  DDDrawColorQuad(target, 0, 0, target->nWidth, target->nHeight, color);
  return DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD) != 0;
}

// DirectDraw without a hardware palette: the frame the fade shows.
void CaptureFrame() {
  DDBlt(&g_ScreenSD, 0, 0, g_ScreenSD.nWidth, g_ScreenSD.nHeight, &BackBuffer, 0, 0, 0);
}

// DirectDraw: one drawn step at `factor`.
void DrawFadeStep(PALETTEENTRY* dst, int first, int last, int factor, BYTE red, BYTE green, BYTE blue,
                  const PALETTEENTRY* src) {
  if (g_nBpp == 8) {
    BlendPalette(dst, first, last, factor, red, green, blue, src);
    if (dst && g_lpDDPal && CutRange(&first, &last)) g_lpDDPal->SetEntries(first, last - first + 1, dst + first);
  } else if (g_nBpp == 16 || g_nBpp == 24 || g_nBpp == 32) {
    DDFade_UnPal(&BackBuffer, factor, red, green, blue, &g_ScreenSD);
  }
}

bool StepDown(double* angle, double step) {
  if (*angle > 0) {
    *angle -= step;
    if (*angle < 0) *angle = 0;
    return false;
  }
  *angle = 90.0;
  return true;
}

bool StepUp(double* angle, double step) {
  if (*angle < 90) {
    *angle += step;
    if (*angle > 90) *angle = 90;
    return false;
  }
  *angle = 0.0;
  return true;
}

// ---- DDFade_UnPal ------------------------------------------------------------------

// One channel on the 0..255 scale blended toward the colour.
inline uint32_t Mix(uint32_t colour, uint32_t value, int factor) {
  return (colour * static_cast<uint32_t>(256 - factor) + static_cast<uint32_t>(factor) * value) >> 8;
}

void Fade16(const cSurfaceLock& dl, const cSurfaceLock& sl, int w, int h, int factor, BYTE red, BYTE green,
            BYTE blue) {
  const COLORBITS cb = g_ColorBits;
  // Every field value's result, once per call: a field holds at most 8 bits.
  std::array<uint16_t, 256> tables[3];
  const int masks[3] = {cb.nMaskR, cb.nMaskG, cb.nMaskB};
  const BYTE colours[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c) {
    const int mask = std::clamp(masks[c], 0, 255);
    for (int v = 0; v <= mask; ++v) {
      const uint32_t out = Mix(colours[c], FieldTo255(static_cast<uint32_t>(v), mask), factor);
      tables[c][static_cast<size_t>(v)] = static_cast<uint16_t>(ScaleToField(out, mask));
    }
  }
  const uint32_t mR = static_cast<uint32_t>(std::clamp(cb.nMaskR, 0, 255));
  const uint32_t mG = static_cast<uint32_t>(std::clamp(cb.nMaskG, 0, 255));
  const uint32_t mB = static_cast<uint32_t>(std::clamp(cb.nMaskB, 0, 255));
  for (int j = 0; j < h; ++j) {
    uint16_t* d = dl.Row<uint16_t>(j);
    const uint16_t* s = sl.Row<uint16_t>(j);
    for (int i = 0; i < w; ++i) {
      const uint32_t p = s[i];
      d[i] = static_cast<uint16_t>(uint32_t{tables[0][p >> cb.nShiftR & mR]} << cb.nShiftR |
                                   uint32_t{tables[1][p >> cb.nShiftG & mG]} << cb.nShiftG |
                                   uint32_t{tables[2][p >> cb.nShiftB & mB]} << cb.nShiftB);
    }
  }
}

void Fade32(const cSurfaceLock& dl, const cSurfaceLock& sl, int w, int h, int factor, BYTE red, BYTE green,
            BYTE blue) {
  std::array<uint32_t, 256> tr, tg, tb;
  for (uint32_t v = 0; v < 256; ++v) {
    tr[v] = Mix(red, v, factor) << 16;
    tg[v] = Mix(green, v, factor) << 8;
    tb[v] = Mix(blue, v, factor);
  }
  for (int j = 0; j < h; ++j) {
    uint32_t* d = dl.Row<uint32_t>(j);
    const uint32_t* s = sl.Row<uint32_t>(j);
    for (int i = 0; i < w; ++i) {
      const uint32_t p = s[i];
      d[i] = (d[i] & 0xFF000000u) | tr[p >> 16 & 0xFF] | tg[p >> 8 & 0xFF] | tb[p & 0xFF];
    }
  }
}

}  // namespace

void BlendPalette(PALETTEENTRY* dst, int first, int last, int factor, BYTE red, BYTE green, BYTE blue,
                  const PALETTEENTRY* src) {
  if (!dst || !src || !CutRange(&first, &last)) return;
  // Outside 0..256 the weights would leave the byte range.
  factor = std::clamp(factor, 0, 256);
  std::memmove(dst + first, src + first, static_cast<size_t>(last - first + 1) * sizeof(PALETTEENTRY));
  const int rest = 256 - factor;
  for (int i = first; i <= last; ++i) {
    PALETTEENTRY& e = dst[i];
    e.peRed = static_cast<BYTE>((e.peRed * factor + red * rest) >> 8);
    e.peGreen = static_cast<BYTE>((e.peGreen * factor + green * rest) >> 8);
    e.peBlue = static_cast<BYTE>((e.peBlue * factor + blue * rest) >> 8);
    e.peFlags = PC_RESERVED;
  }
}

void RotatePalette(PALETTEENTRY* dst, int first, int last, int places, int direction, const PALETTEENTRY* src) {
  if (g_nBpp != 8 && g_nBpp != 16 && g_nBpp != 32) return;
  if (!dst || !src) return;
  if (dst != src) std::memmove(dst, src, 256 * sizeof(PALETTEENTRY));
  if ((direction != 0 && direction != 1) || !CutRange(&first, &last)) return;
  const int count = last - first + 1;
  const int n = (places % count + count) % count;
  if (n == 0) return;
  PALETTEENTRY* begin = dst + first;
  PALETTEENTRY* end = dst + last + 1;
  if (direction == 0)
    std::rotate(begin, end - n, end);
  else
    std::rotate(begin, begin + n, end);
}

bool DDFadeOut(PALETTEENTRY* dst, int first, int last, BYTE red, BYTE green, BYTE blue, double step,
               const PALETTEENTRY* src, BYTE finish) {
  if (lpDTCon) {
    double& angle = g_fade.outD3D;
    if (finish) angle = 0.0;
    if (!DrawFadeQuad(angle)) return false;
    return StepDown(&angle, step);
  }
  double& angle = g_fade.outDD;
  if (angle == 90.0 && g_nBpp != 8) CaptureFrame();
  if (finish) angle = 0.0;
  DrawFadeStep(dst, first, last, FactorOf(angle), red, green, blue, src);
  return StepDown(&angle, step);
}

bool DDFadeIn(PALETTEENTRY* dst, int first, int last, BYTE red, BYTE green, BYTE blue, double step,
              const PALETTEENTRY* src, BYTE finish) {
  if (lpDTCon) {
    double& angle = g_fade.inD3D;
    if (finish) angle = 90.0;
    if (!DrawFadeQuad(angle)) return false;
    return StepUp(&angle, step);
  }
  double& angle = g_fade.inDD;
  if (angle == 0.0 && g_nBpp != 8) CaptureFrame();
  if (finish) angle = 90.0;
  DrawFadeStep(dst, first, last, FactorOf(angle), red, green, blue, src);
  return StepUp(&angle, step);
}

void ResetScreenFadesForTest() { g_fade = FadeAngles{}; }

int DDFade_UnPal(DDSURFACEDATA* dst, int factor, BYTE red, BYTE green, BYTE blue, DDSURFACEDATA* src) {
  if (lpDTCon) {
    WriteECLog("D3DではDDFade_UnPalは未対応");
    return 1;
  }
  cSurfaceLock dl, sl;  // both let go on every way out
  if (!dl.Lock(dst) || !sl.Lock(src)) return 0;
  if (dl.m_nBytes != sl.m_nBytes) return 1;
  factor = std::clamp(factor, 0, 256);
  const PixelBuffer* db = dl.m_lpSD->Pixels();
  const PixelBuffer* sb = sl.m_lpSD->Pixels();
  // A source smaller than the destination leaves the rest as it is rather
  // than being read past its end.
  const int w = std::min({dl.m_lpSD->nWidth, db->width, sl.m_lpSD->nWidth, sb->width});
  const int h = std::min({dl.m_lpSD->nHeight, db->height, sl.m_lpSD->nHeight, sb->height});
  if (w > 0 && h > 0) {
    if (dl.m_nBytes == 2)
      Fade16(dl, sl, w, h, factor, red, green, blue);
    else if (dl.m_nBytes == 4)
      Fade32(dl, sl, w, h, factor, red, green, blue);
  }
  DDUnlock(sl);
  DDUnlock(dl);
  return 1;
}

int DDChangeColor(DDSURFACEDATA* dst, int x, int y, int w, int h, int alpha, BYTE red, BYTE green, BYTE blue) {
  return DDChangeColorSrc(dst, x, y, w, h, dst, alpha, red, green, blue);
}

int DDChangeColorSrc(DDSURFACEDATA* dst, int, int, int, int, DDSURFACEDATA* src, int alpha, BYTE red, BYTE green,
                     BYTE blue) {
  if (!lpDTCon) {
    WriteECLog(
        "DDrawでは DDChangeColor(DDSURFACEDATA *lpDstSD,int x,int y,int nWidth,int nHeight,int nAlpha,BYTE "
        "bRed,BYTE bGreen,BYTE bBlue) は未対応");
    return 1;
  }
  if (!dst || !src) return 1;
  DDResolveBaseSD(&dst);
  DDResolveBaseSD(&src);
  DDRedirectBackBuffer(&dst);
  DDRedirectBackBuffer(&src);
  const D3DCOLOR diffuse = static_cast<D3DCOLOR>(255 - (alpha & 255)) << 24 | static_cast<D3DCOLOR>(red) << 16 |
                           static_cast<D3DCOLOR>(green) << 8 | blue;
  if (!DDBeginScene() || !DDSetRenderTarget(0, dst)) return 1;
  const PixelBuffer* texture = src->lpDT ? src->lpDT->lpTexture : nullptr;
  if (src != dst && texture && !texture->Empty()) {
    DDDrawTexturedQuad(dst, 0, 0, dst->nWidth, dst->nHeight, src, 0, 0, dst->nWidth, dst->nHeight,
                       QUADSTATE{diffuse, D3DTOP_MODULATE, D3DTOP_MODULATE});
  } else {
    // The tint passes the screen as both surfaces: what it relies on is the
    // colour laid over it at that transparency.
    DDDrawColorQuad(dst, 0, 0, dst->nWidth, dst->nHeight, diffuse);
  }
  DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
  return 1;
}
