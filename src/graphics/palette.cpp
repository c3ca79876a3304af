#include "graphics/palette.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/bitmap_file.h"
#include "graphics/bitmap_load.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "services/log.h"

DWORD PalNumToRGB(DWORD n) {
  if (lpDTCon) {
    if (n > 255) {
      WriteECLogf("PalNumToRGB(DWORD dwPalNum) Err dwPalNum = %d", static_cast<int>(n));
      return 0;
    }
    const PALETTEENTRY& e = g_Palette[n];
    switch (g_nBpp) {
      case 8: return n;
      case 16:
      case 32:
        if (n == 0) return lpDTCon->dwClearKey;  // colour 0 is transparent
        return 0xFF000000u | DWORD{e.peRed} << 16 | DWORD{e.peGreen} << 8 | e.peBlue;
      case 24: return DWORD{e.peBlue} << 16 | DWORD{e.peGreen} << 8 | e.peRed;
      default: return 0;
    }
  }
  if (g_nBpp == 8) return n;
  // Out-of-range numbers read entry 0 rather than past the table.
  const PALETTEENTRY& e = g_Palette[n > 255 ? 0 : n];
  if (g_nBpp == 16) return DDPalToRGB16(&e);
  if (g_nBpp == 24 || g_nBpp == 32) return DWORD{e.peRed} << 16 | DWORD{e.peGreen} << 8 | e.peBlue;
  return 0;
}

DWORD DDPalToRGB16(const PALETTEENTRY* e) {
  if (lpDTCon) {
    WriteECLog("DDPalToRGB16はDirect3Dでは未対応");
    return 0;
  }
  // In 16-bit DirectDraw the entries hold field values already.
  return PackFields(g_ColorBits, e->peRed, e->peGreen, e->peBlue);
}

void DDGetColorBits(COLORBITS* bits) {
  if (lpDTCon || !bits) return;
  const PixelBuffer* primary = g_PrimarySD.Pixels();
  if (!primary || BitsPerPixel(primary->format) == 0) return;
  const COLORBITS packed = ColorBitsOfFormat(primary->format);
  bits->nShiftR = packed.nShiftR;
  bits->nShiftG = packed.nShiftG;
  bits->nShiftB = packed.nShiftB;
  bits->nMaskR = packed.nMaskR;
  bits->nMaskG = packed.nMaskG;
  bits->nMaskB = packed.nMaskB;
}

bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const char* fileName) {
  BitmapImage image;
  if (!palette || !fileName || !ReadBitmapFile(fileName, &image)) return false;
  const bool eightBit = image.bitCount == 8;
  auto copyTable = [&](auto flagsOf) {
    for (int i = 0; i < 256; ++i) {
      const size_t k = static_cast<size_t>(i);
      const BITMAPCOLOR c = k < image.palette.size() ? image.palette[k] : BITMAPCOLOR{0, 0, 0, 0};
      palette[i] = PALETTEENTRY{c.red, c.green, c.blue, flagsOf(i)};
    }
  };
  if (lpDTCon && eightBit) {
    copyTable([](int) { return BYTE{255}; });
  } else if (!lpDTCon && g_nBpp == 8 && eightBit) {
    copyTable([](int i) { return (i <= 9 || i >= 246) ? BYTE{PC_EXPLICIT} : BYTE{PC_RESERVED}; });
    if (g_lpDDPal) g_lpDDPal->SetEntries(0, 256, palette);
    return true;
  }
  if (g_nBpp == 16 || g_nBpp == 24 || g_nBpp == 32) {
    // Without a hardware palette the colours come from the picture's pixels
    // as the display stores them (in 16-bit DirectDraw the raw fields that
    // PalNumToRGB packs).
    DDSURFACEDATA temp;
    const int code = DDCreateSurfaceFromFile(&temp, fileName, 0, g_nBpp, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0, 0, 0, 0);
    if (code == 0) {
      DDSetPalette_UnPal(palette, &temp);
      DDReleaseSurface(&temp);
    }
  }
  return true;
}

void DDSetPalette_UnPal(PALETTEENTRY* palette, DDSURFACEDATA* lpSD) {
  if (!palette || !lpSD) return;
  cSurfaceLock lock;
  if (!lock.Lock(lpSD)) {
    WriteECLog("DDSetPalette_UnPal Lock Err");
    return;
  }
  const PixelBuffer* buffer = lock.m_lpSD->Pixels();
  // A picture smaller than the grid gives only the entries it holds.
  const int w = std::min(lock.m_lpSD->nWidth, buffer->width), h = std::min(lock.m_lpSD->nHeight, buffer->height);
  const COLORBITS cb = ColorBitsOfFormat(lock.m_Format);
  const bool d3d = lpDTCon != nullptr;
  for (int r = 0; r < 16; ++r) {
    const int y = 8 + r;
    if (y >= h) break;
    for (int c = 0; c < 16 && c < w; ++c) {
      PALETTEENTRY& e = palette[16 * r + c];
      if (lock.m_nBytes == 2) {
        const uint32_t p = lock.Row<uint16_t>(y)[c];
        const uint32_t red = FieldOf(p, cb.nShiftR, cb.nMaskR), green = FieldOf(p, cb.nShiftG, cb.nMaskG),
                       blue = FieldOf(p, cb.nShiftB, cb.nMaskB);
        if (d3d) {
          if (FieldOf(p, cb.nShiftA, cb.nMaskA) == 0) continue;
          e.peRed = static_cast<BYTE>(FieldTo255(red, cb.nMaskR));
          e.peGreen = static_cast<BYTE>(FieldTo255(green, cb.nMaskG));
          e.peBlue = static_cast<BYTE>(FieldTo255(blue, cb.nMaskB));
        } else {
          e.peRed = static_cast<BYTE>(red);
          e.peGreen = static_cast<BYTE>(green);
          e.peBlue = static_cast<BYTE>(blue);
        }
      } else if (lock.m_nBytes == 4) {
        const uint32_t p = lock.Row<uint32_t>(y)[c];
        if (d3d && (p >> 24) == 0) continue;
        e = PALETTEENTRY{static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p),
                         static_cast<BYTE>(p >> 24)};
      }
    }
  }
  DDUnlock(lock);
}

bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const DDSURFACEDEF* defs, int) {
  return defs && DDLoadPaletteFromFile(palette, defs[0].szFileName);
}

namespace {

// Palette entries matching one pixel; the previous answer is tried first
// because neighbouring pixels mostly share their colour.
template <class Match>
BYTE FindEntry(Match matches, int* last) {
  if (*last >= 0 && matches(g_Palette[*last])) return static_cast<BYTE>(*last);
  for (int i = 0; i < 256; ++i)
    if (matches(g_Palette[i])) {
      *last = i;
      return static_cast<BYTE>(i);
    }
  return 0;  // no entry has the colour
}

}  // namespace

int DDMakePalIndexMap(BYTE** map, DDSURFACEDATA* lpSD) {
  if (!map || !lpSD) return 0;
  cSurfaceLock lock;
  if (!lock.Lock(lpSD)) {
    OutOfMemoryBox();
    return 0;
  }
  std::free(*map);
  *map = nullptr;
  const DDSURFACEDATA* sd = lock.m_lpSD;
  const size_t size = static_cast<size_t>(lock.m_nPitch) * static_cast<size_t>(sd->nHeight);
  BYTE* out = static_cast<BYTE*>(std::calloc(size ? size : 1, 1));
  if (!out) {
    DDUnlock(lock);
    OutOfMemoryBox();
    return 0;
  }
  const PixelBuffer* buffer = sd->Pixels();
  const int w = std::min(sd->nWidth, buffer->width), h = std::min(sd->nHeight, buffer->height);
  const bool keyed = sd->lpDT && sd->lpDT->bTransmit;
  const COLORBITS cb = g_ColorBits;
  int last = -1;
  for (int y = 0; y < h; ++y) {
    BYTE* dst = out + static_cast<size_t>(y) * lock.m_nPitch;
    for (int x = 0; x < w; ++x) {
      if (lock.m_nBytes == 4) {
        const uint32_t p = lock.Row<uint32_t>(y)[x];
        const BYTE r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
        dst[x] = FindEntry([&](const PALETTEENTRY& e) { return e.peRed == r && e.peGreen == g && e.peBlue == b; },
                           &last);
      } else if (lock.m_nBytes == 2) {
        const uint32_t p = lock.Row<uint16_t>(y)[x];
        if (lpDTCon) {
          if (keyed && p == 0) {
            dst[x] = 0;
            continue;
          }
          const uint32_t r = FieldTo255(FieldOf(p, cb.nShiftR, cb.nMaskR), cb.nMaskR);
          const uint32_t g = FieldTo255(FieldOf(p, cb.nShiftG, cb.nMaskG), cb.nMaskG);
          const uint32_t b = FieldTo255(FieldOf(p, cb.nShiftB, cb.nMaskB), cb.nMaskB);
          dst[x] = FindEntry(
              [&](const PALETTEENTRY& e) { return e.peRed == r && e.peGreen == g && e.peBlue == b; }, &last);
        } else {
          dst[x] = FindEntry([&](const PALETTEENTRY& e) { return DDPalToRGB16(&e) == p; }, &last);
        }
      } else {
        dst[x] = lock.Row<uint8_t>(y)[x];
      }
    }
  }
  *map = out;
  DDUnlock(lock);
  return 1;
}
