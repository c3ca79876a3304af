#include "graphics/text_ink.h"

#include <algorithm>

#include "graphics/color.h"
#include "graphics/display.h"
#include "graphics/fill.h"

namespace {

uint32_t GdiToRgb(DWORD gdi) { return (gdi & 0xFF) << 16 | (gdi & 0xFF00) | (gdi >> 16 & 0xFF); }

template <typename T>
void InkRows(PixelBuffer& b, const plat::TextMask& mask, int x, int y, uint32_t ink) {
  const int j0 = std::max(0, -y), j1 = std::min(mask.height, b.height - y);
  const int i0 = std::max(0, -x), i1 = std::min(mask.width, b.width - x);
  if (j0 >= j1 || i0 >= i1) return;
  const T value = static_cast<T>(ink);
  for (int j = j0; j < j1; ++j) {
    const uint8_t* m = mask.pixels.data() + static_cast<size_t>(j) * mask.width;
    T* row = reinterpret_cast<T*>(b.Row(y + j)) + x;
    for (int i = i0; i < i1; ++i)
      if (m[i]) row[i] = value;
  }
}

}  // namespace

DWORD TextColorOfPalNum(DWORD palNum) {
  const PALETTEENTRY& e = g_Palette[palNum > 255 ? 0 : palNum];
  if (lpDTCon) return 0xFF000000u | DWORD{e.peRed} << 16 | DWORD{e.peGreen} << 8 | e.peBlue;
  if (g_nBpp == 16) {
    return FieldTo255(e.peRed, g_ColorBits.nMaskR) | FieldTo255(e.peGreen, g_ColorBits.nMaskG) << 8 |
           FieldTo255(e.peBlue, g_ColorBits.nMaskB) << 16;
  }
  return DWORD{e.peRed} | DWORD{e.peGreen} << 8 | DWORD{e.peBlue} << 16;
}

uint32_t TextInkPixel(PixelFormat format, DWORD textColor) {
  if (lpDTCon) return EncodePixel(format, DecodePixel(PixelFormat::A8R8G8B8, textColor | 0xFF000000u));
  const uint32_t rgb = GdiToRgb(textColor);
  switch (BytesPerPixel(format)) {
    // The entries of the loaded palette, not the working one a fade changes.
    case 1: return NearestPaletteIndex(g_Palette, 256, rgb);
    case 2: return GdiPack16(ColorBitsOfFormat(format), rgb);
    default: return rgb;
  }
}

bool DrawInkMask(DDSURFACEDATA* target, const plat::TextMask& mask, int x, int y, DWORD textColor) {
  // A surface without pixels (released by a device loss) is skipped quietly:
  // locking it would report an error for every character.
  DDSURFACEDATA* resolved = target;
  if (!resolved) return false;
  DDResolveBaseSD(&resolved);
  if (lpDTCon && lpDTCon->bVirBackBuffer && resolved == &BackBuffer) resolved = &VirBackBuffer;
  if (!resolved->Pixels() || resolved->Pixels()->lost) return false;
  cSurfaceLock lock;
  if (!lock.Lock(resolved)) return false;
  PixelBuffer* b = lock.m_lpSD->Pixels();
  if (!b || b->Empty()) return false;
  if (mask.width <= 0 || mask.height <= 0) return true;
  const uint32_t ink = TextInkPixel(b->format, textColor);
  switch (BytesPerPixel(b->format)) {
    case 1: InkRows<uint8_t>(*b, mask, x, y, ink); break;
    case 2: InkRows<uint16_t>(*b, mask, x, y, ink); break;
    case 4: InkRows<uint32_t>(*b, mask, x, y, ink); break;
    default: return false;
  }
  return true;
}

void ClearToTextKey(DDSURFACEDATA* sd, int x, int y, int w, int h) {
  // DirectDraw: the surface's own key, so whatever palette colour 0 is,
  // cleared pixels are transparent and no box shows around the text.
  if (!lpDTCon && sd && sd->lpDD && sd->lpDD->lpDDS && sd->lpDD->lpDDS->hasColorKey) {
    DDFillRectColor(sd, x, y, w, h, sd->lpDD->lpDDS->colorKey);
    return;
  }
  DDFillRect(sd, x, y, w, h, 0);
}

bool DrawInkText(DDSURFACEDATA* target, const plat::Font& font, std::string_view text, int x, int y,
                 DWORD textColor) {
  DDSURFACEDATA* resolved = target;
  if (!resolved || text.empty()) return false;
  DDResolveBaseSD(&resolved);
  if (lpDTCon && lpDTCon->bVirBackBuffer && resolved == &BackBuffer) resolved = &VirBackBuffer;
  const PixelBuffer* b = resolved->Pixels();
  if (!b) return false;
  const plat::TextSize size = font.Measure(text);
  const long long right = std::min<long long>(static_cast<long long>(x) + size.cx, b->width);
  const long long bottom = std::min<long long>(static_cast<long long>(y) + size.cy, b->height);
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  if (right <= x0 || bottom <= y0) return true;
  plat::TextMask mask;
  mask.width = static_cast<int>(right - x0);
  mask.height = static_cast<int>(bottom - y0);
  mask.pixels.assign(static_cast<size_t>(mask.width) * mask.height, 0);
  font.Draw(text, plat::MaskView{mask.pixels.data(), mask.width, mask.height, mask.width}, x - x0, y - y0);
  return DrawInkMask(target, mask, x0, y0, textColor);
}
