#include "graphics/colorkey.h"

#include "graphics/bitmap_file.h"
#include "graphics/bitmap_load.h"
#include "graphics/color.h"
#include "services/log.h"

int DDSetTransmit(BYTE red, BYTE green, BYTE blue) {
  if (lpDTCon) {
    lpDTCon->rgbTransmit = RGBTRIPLE{blue, green, red};
    WriteECLogf(
        "SetTrans lpDTCon->rgbTransmit.rgbtRed = %d,lpDTCon->rgbTransmit.rgbtGreen = %d,lpDTCon->rgbTransmit.rgbtBlue = %d",
        red, green, blue);
    if (g_nBpp == 16 || g_nBpp == 32) {
      lpDTCon->dwClearKey = 0;
      lpDTCon->dwTransmitARGB = 0xFF000000u | DWORD{red} << 16 | DWORD{green} << 8 | blue;
      lpDTCon->wTransmit_16 = 0;
      if (g_nBpp == 16) {
        const COLORBITS& cb = g_ColorBits;
        lpDTCon->wTransmitBack_16 = static_cast<WORD>(PackFields(cb, red, green, blue) | 1u << cb.nShiftA);
      } else {
        lpDTCon->wTransmitBack_16 = 0;
        g_dwTransmit = lpDTCon->dwClearKey;
      }
    }
    return 1;
  }
  if (g_nBpp == 16) {
    const COLORBITS& cb = g_ColorBits;
    g_dwTransmit = PackScaled(cb, red, green, blue) & 0xFFFF;
    WriteECLog("※16bit色で　DDSetTransmit(BYTE cbRed,BYTE cbGreen,BYTE cbBlue)　は未対応！");
    DebugErrorBoxf("Tr %d RGB32(%d,%d,%d) -> RGB16(%d,%d,%d)", static_cast<int>(g_dwTransmit), red, green, blue,
                   static_cast<int>(FieldTo255(FieldOf(g_dwTransmit, cb.nShiftR, cb.nMaskR), cb.nMaskR)),
                   static_cast<int>(FieldTo255(FieldOf(g_dwTransmit, cb.nShiftG, cb.nMaskG), cb.nMaskG)),
                   static_cast<int>(FieldTo255(FieldOf(g_dwTransmit, cb.nShiftB, cb.nMaskB), cb.nMaskB)));
  } else if (g_nBpp == 32) {
    g_dwTransmit = DWORD{red} << 16 | DWORD{green} << 8 | blue;
    if (g_lpDDCon) g_lpDDCon->rgbTransmit = RGBTRIPLE{blue, green, red};
  }
  return 1;
}

int DDSetTransmitFromFile(const char* fileName) {
  if (!fileName) return 0;
  DDSURFACEDATA temp;
  const int code = DDCreateSurfaceFromFile(&temp, fileName, 0, g_nBpp, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0, 0, 0, 0);
  if (!DDSurfaceErrorName(code)) {
    WriteECLogf("%s 作成失敗！", fileName);
    return 0;
  }
  cSurfaceLock lock;
  if (!lock.Lock(&temp)) {
    WriteECLog("Lock 失敗！");
    DDReleaseSurface(&temp);
    return 0;
  }
  if (lpDTCon && g_nBpp == 16) {
    const uint32_t pixel = lock.Row<uint16_t>(0)[0];
    g_dwTransmit = pixel;
    BitmapImage image;
    if (!ReadBitmapFile(fileName, &image)) {
      DDUnlock(lock);
      DDReleaseSurface(&temp);
      return 0;
    }
    if (image.bitCount == 8 && !image.palette.empty()) {
      const BITMAPCOLOR& c = image.palette[0];
      lpDTCon->rgbTransmitSrc = RGBTRIPLE{c.blue, c.green, c.red};
    }
    const COLORBITS& cb = g_ColorBits;
    DDSetTransmit(static_cast<BYTE>(FieldOf(pixel, cb.nShiftR, cb.nMaskR)),
                  static_cast<BYTE>(FieldOf(pixel, cb.nShiftG, cb.nMaskG)),
                  static_cast<BYTE>(FieldOf(pixel, cb.nShiftB, cb.nMaskB)));
    // The back buffer's packed key takes the fields as they are, but the
    // ARGB clear colour has 0..255 channels: scale the fields into it, or a
    // fill with the key colour would not match and the clear would be black.
    lpDTCon->dwTransmitARGB = 0xFF000000u |
                              FieldTo255(FieldOf(pixel, cb.nShiftR, cb.nMaskR), cb.nMaskR) << 16 |
                              FieldTo255(FieldOf(pixel, cb.nShiftG, cb.nMaskG), cb.nMaskG) << 8 |
                              FieldTo255(FieldOf(pixel, cb.nShiftB, cb.nMaskB), cb.nMaskB);
    WriteECLogf("SetTrans(filename) lpDTCon->wTransmit_16 = (%x)", lpDTCon->wTransmit_16);
  } else if (lpDTCon) {
    if (lock.m_nBytes == 4) {
      const uint32_t pixel = lock.Row<uint32_t>(0)[0];
      DDSetTransmit(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
    }
  } else {
    switch (lock.m_nBytes) {
      case 1: g_dwTransmit = lock.Row<uint8_t>(0)[0]; break;
      case 2: g_dwTransmit = lock.Row<uint16_t>(0)[0]; break;
      case 4: {
        const uint32_t pixel = lock.Row<uint32_t>(0)[0];
        g_dwTransmit = pixel;
        if (g_lpDDCon)
          g_lpDDCon->rgbTransmit =
              RGBTRIPLE{static_cast<BYTE>(pixel), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel >> 16)};
        break;
      }
      default: break;
    }
  }
  DDUnlock(lock);
  DDReleaseSurface(&temp);
  return 1;
}

int DDSetTransmitFromFile(const DDSURFACEDEF* defs) { return defs ? DDSetTransmitFromFile(defs[0].szFileName) : 0; }
