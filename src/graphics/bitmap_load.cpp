#include "graphics/bitmap_load.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "graphics/bitmap_file.h"
#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/palette.h"
#include "services/log.h"

namespace {

void CopyName(char (&dst)[260], const char* src) {
  std::strncpy(dst, src, sizeof(dst) - 1);
  dst[sizeof(dst) - 1] = '\0';
}

// Where column i of a sheet with cells n wide lands when every cell is
// flipped (n = 0: not mirrored).
inline int MirrorPos(int i, int n) { return n > 0 ? n * (i / n + 1) - i % n - 1 : i; }

void FreeOwnTexture(DTSURFACEDATA* dt) {
  if (!dt->lpTexture) return;
  if (dt->lpSurface == dt->lpTexture) dt->lpSurface = nullptr;
  delete dt->lpTexture;
  dt->lpTexture = nullptr;
}

// A file texture as the device loads it: every pixel of the key colour
// becomes transparent black, the others opaque.
void FillTexture(PixelBuffer& tex, const BitmapImage& image, uint32_t keyRgb) {
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = tex.Row(y);
    for (int x = 0; x < image.width; ++x) {
      const uint32_t rgb = image.At(x, y);
      const Rgba8 c{rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255};
      const uint32_t v = rgb == keyRgb ? 0u : EncodePixel(tex.format, c);
      if (BytesPerPixel(tex.format) == 4)
        reinterpret_cast<uint32_t*>(row)[x] = v;
      else
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
    }
  }
}

bool BuildPalIndexMap(DDSURFACEDATA* lpSD) {
  BYTE** map = lpSD->lpDT ? &lpSD->lpDT->lpPalIndex : lpSD->lpDD ? &lpSD->lpDD->lpPalIndex : nullptr;
  return map && DDMakePalIndexMap(map, lpSD) != 0;
}

void DropPalIndexMap(DDSURFACEDATA* lpSD) {
  BYTE** map = lpSD->lpDT ? &lpSD->lpDT->lpPalIndex : lpSD->lpDD ? &lpSD->lpDD->lpPalIndex : nullptr;
  if (map) {
    std::free(*map);
    *map = nullptr;
  }
}

// The DirectDraw pixel copy of a loaded bitmap into its surface.
bool CopyImage(DDSURFACEDATA* lpSD, const char* fileName, const BitmapImage& image, int depth, int mirrorX,
               int mirrorY) {
  DDLOCKDESC desc;
  BYTE* bits = nullptr;
  if (!DDLock(lpSD, &desc, &bits, depth) || !bits) return false;
  PixelBuffer& b = *lpSD->lpDD->lpDDS;
  const int bytes = BytesPerPixel(b.format);
  auto put = [&](int x, int y, uint32_t v) {
    const int dx = MirrorPos(x, mirrorX), dy = MirrorPos(y, mirrorY);
    // A last, partial cell would flip past the edge: those pixels are dropped.
    if (dx >= b.width || dy >= b.height) return;
    uint8_t* row = b.Row(dy);
    switch (bytes) {
      case 1: row[dx] = static_cast<uint8_t>(v); break;
      case 2: reinterpret_cast<uint16_t*>(row)[dx] = static_cast<uint16_t>(v); break;
      default: reinterpret_cast<uint32_t*>(row)[dx] = v; break;
    }
  };
  const int w = std::min(image.width, b.width), h = std::min(image.height, b.height);
  if (depth == 8 && image.bitCount == 8) {
    if (lpSD->nWidth != image.width || lpSD->nHeight != image.height) {
      WriteECLogf("CopyBitmap Err %s Surface(%d,%d) Bmp(%d,%d)", fileName, lpSD->nWidth, lpSD->nHeight, image.width,
                  image.height);
      return true;
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) put(x, y, image.IndexAt(x, y));
  } else if (depth == 16 && image.bitCount >= 24) {
    const RGBTRIPLE k = g_lpDDCon ? g_lpDDCon->rgbTransmitSrc : RGBTRIPLE{};
    const uint32_t keyRgb = uint32_t{k.rgbtRed} << 16 | uint32_t{k.rgbtGreen} << 8 | k.rgbtBlue;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t rgb = image.At(x, y);
        if (rgb == keyRgb) {
          put(x, y, g_dwTransmit);
          continue;
        }
        put(x, y, NudgeOffKey(g_ColorBits, PackScaled(g_ColorBits, rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF),
                              g_dwTransmit));
      }
  } else if (depth == 8) {
    // GDI maps each colour to the nearest entry of the surface's palette.
    const PALETTEENTRY* pal = g_lpDDPal ? g_lpDDPal->entries : g_Palette;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) put(x, y, NearestPaletteIndex(pal, 256, image.At(x, y)));
  } else if (bytes == 2) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) put(x, y, GdiPack16(g_ColorBits, image.At(x, y)));
  } else if (bytes == 4) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) put(x, y, image.At(x, y));
  }
  return true;
}

}  // namespace

bool DDSurfaceErrorName(int code) {
  switch (code) {
    case CREATESURFACE_ERR: WriteECLog("CREATESURFACE_ERR"); return false;
    case LOADIMAGE_ERR: WriteECLog("LOADIMAGE_ERR"); return false;
    case SETCOLORKEY_ERR: WriteECLog("SETCOLORKEY_ERR"); return false;
    default: return true;
  }
}

bool CopyBitmap(DDSURFACEDATA* lpSD, const char* fileName, int depth, int palIndex, int mirrorX, int mirrorY) {
  if (lpDTCon) return true;
  if (!lpSD || !fileName) return false;
  BitmapImage image;
  if (!ReadBitmapFile(fileName, &image)) return false;
  if (!CopyImage(lpSD, fileName, image, depth, mirrorX, mirrorY)) return false;
  lpSD->nWidth = lpSD->nTexWidth = image.width;
  lpSD->nHeight = lpSD->nTexHeight = image.height;
  lpSD->nMirrorX = mirrorX;
  lpSD->nMirrorY = mirrorY;
  if (lpSD->szFileName != fileName) CopyName(lpSD->szFileName, fileName);
  if (palIndex && depth != 8) return BuildPalIndexMap(lpSD);
  DropPalIndexMap(lpSD);
  return true;
}

bool CreateMirror(DDSURFACEDATA* dst, DDSURFACEDATA* src, int mirrorX, int mirrorY) {
  if (!lpDTCon || mirrorX == 0 || mirrorY != 0) return true;
  if (!dst || !src) return true;
  if (DDSetRenderTarget(0, dst)) {
    DDDeviceClear(dst, 0, 0, dst->nTexWidth, dst->nTexHeight, lpDTCon->dwClearKey);
    DDSetRenderTarget(0, lpDTCon->lpRenderTargetSD);
  }
  for (int cell = 0; cell < src->nWidth / mirrorX; ++cell) {
    const int x = cell * mirrorX;
    DDStretchBlt(dst, x, 0, mirrorX, src->nHeight, src, x + mirrorX, 0, -mirrorX, src->nHeight, 0);
  }
  return true;
}

int DDCreateSurfaceFromFile(DDSURFACEDATA* lpSD, const char* fileName, int key, int depth, DWORD ddMem,
                            DWORD dtMem, DDSURFACEDATA* lpBaseSD, int palIndex, int mirrorX, int mirrorY,
                            int restore) {
  if (!lpSD || !fileName) return LOADIMAGE_ERR;
  BitmapImage image;
  if (!lpDTCon) {
    if (!ReadBitmapFile(fileName, &image)) {
      WriteECLog(fileName);
      return LOADIMAGE_ERR;
    }
    if (!DDCreateSurface(lpSD, image.width, image.height, key, ddMem, dtMem, lpBaseSD, 0)) return CREATESURFACE_ERR;
    if (!CopyImage(lpSD, fileName, image, depth, mirrorX, mirrorY)) return LOADIMAGE_ERR;
    lpSD->nWidth = lpSD->nTexWidth = image.width;
    lpSD->nHeight = lpSD->nTexHeight = image.height;
    lpSD->nMirrorX = mirrorX;
    lpSD->nMirrorY = mirrorY;
    CopyName(lpSD->szFileName, fileName);
    lpSD->dwMemType = ddMem;
    if (palIndex && depth != 8 && !BuildPalIndexMap(lpSD)) return LOADIMAGE_ERR;
    return 0;
  }

  DDAllocSurfacePart(lpSD);
  DTSURFACEDATA* dt = lpSD->lpDT;
  if (!dt) return CREATESURFACE_ERR;
  if (!restore) {
    CopyName(lpSD->szName, "OffScreenFromFile");
    CopyName(lpSD->szFileName, fileName);
    dt->dwMemType = dtMem;
    FreeOwnTexture(dt);
    dt->lpSurface = nullptr;
    dt->bRenderTarget = 0;
    dt->bTransmit = (key == 1);
    if (!lpBaseSD) dt->dwID = static_cast<DWORD>(lpDTCon->nSurfaceID++);
  }
  if (!ReadBitmapFile(fileName, &image)) {
    if (fileName[0]) ReportError("LoadImage Err %s", fileName);
    return LOADIMAGE_ERR;
  }
  if (lpBaseSD) {
    lpSD->nWidth = lpSD->nTexWidth = image.width;
    lpSD->nHeight = lpSD->nTexHeight = image.height;
  } else {
    int texW = image.width, texH = image.height;
    DDAdjustTextureSize(&texW, &texH);
    if (!DDCheckTextureSize(texW, texH))
      ReportError("上記の理由でテクスチャの描画が失敗する可能性があります。(%s)", fileName);
    const RGBTRIPLE k = g_nBpp == 16 ? lpDTCon->rgbTransmitSrc : lpDTCon->rgbTransmit;
    const uint32_t keyRgb = uint32_t{k.rgbtRed} << 16 | uint32_t{k.rgbtGreen} << 8 | k.rgbtBlue;
    if (dtMem == DTMEMORYTYPE_VIDEO_NORT) {
      WriteECLog(
          "DDCreateSurfaceFromFile Err DTMEMORYTYPE_VIDEO_NORTの指定は未対応です。DTMEMORYTYPE_VIDEO_RTでテクスチャを作成します。");
      dtMem = DTMEMORYTYPE_VIDEO_RT;
    }
    if (restore) dtMem = dt->dwMemType == DTMEMORYTYPE_SYSTEM ? DTMEMORYTYPE_SYSTEM : DTMEMORYTYPE_VIDEO_RT;
    // A system-memory texture survives a device reset and is kept.
    if (!(restore && dtMem == DTMEMORYTYPE_SYSTEM && dt->lpTexture)) {
      FreeOwnTexture(dt);
      auto* texture = new PixelBuffer;
      if (!texture->Allocate(lpDTCon->fmtTexture, texW, texH)) {
        delete texture;
        if (dtMem == DTMEMORYTYPE_SYSTEM) {
          ReportError("D3DXCreateTextureFromFileEx Err %x %s", 0x8007000Eu, fileName);
          if (!lpDTCon->strError.empty()) ErrorBoxf("%s", lpDTCon->strError.c_str());
          plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
        } else {
          ReportError("テクスチャの作成に失敗。(%s)", fileName);
        }
        return -1;
      }
      FillTexture(*texture, image, keyRgb);
      dt->lpTexture = texture;
    }
    dt->dwMemType = dtMem;
    dt->bRenderTarget = 0;
    dt->lpSurface = dt->lpTexture;
    lpSD->nWidth = image.width;
    lpSD->nHeight = image.height;
    lpSD->nTexWidth = dt->lpTexture->width;
    lpSD->nTexHeight = dt->lpTexture->height;
    if (mirrorX || mirrorY) {
      DDSURFACEDATA plain;
      const int code = DDCreateSurfaceFromFile(&plain, fileName, key, depth, ddMem, dtMem, nullptr, 0, 0, 0, 0);
      const bool made = code == 0 && CreateMirror(lpSD, &plain, mirrorX, mirrorY);
      DDReleaseSurface(&plain);
      if (!made) {
        ReportError("CreateMirror Err");
        return 1;
      }
    }
    if (!restore) {
      bool listed = false;
      for (DDSURFACEDATA* s : g_lstSurface) listed = listed || s == lpSD;
      if (!listed) g_lstSurface.push_back(lpSD);
    }
  }
  lpSD->nMirrorX = mirrorX;
  lpSD->nMirrorY = mirrorY;
  lpSD->dwMemType = ddMem;
  if (palIndex && depth != 8 && !lpBaseSD) {
    BuildPalIndexMap(lpSD);
  } else {
    DropPalIndexMap(lpSD);
  }
  return 0;
}

bool DDLoadSurfaces(DDSURFACEDATA* surfaces, const int* indices, int count) {
  if (!surfaces || !indices || !g_lpSurfaceDefArray) return false;
  for (int n = 0; n < count; ++n) {
    const int i = indices[n];
    if (i < 0 || i >= g_nSurfaceCount) continue;
    DDSURFACEDATA* sd = &surfaces[i];
    const DDSURFACEDEF& def = g_lpSurfaceDefArray[i];
    DDReleaseSurface(sd);
    if (DDIsEmptySurfaceName(def.szFileName)) {
      if (!DDCreateSurface(sd, def.nWidth, def.nHeight, def.bTransmit, def.dwDDMemType, def.dwDTMemType,
                           def.lpBaseSD, 0) &&
          !def.bOptional) {
        OutOfMemoryBox();
        return false;
      }
      continue;
    }
    const int code = DDCreateSurfaceFromFile(sd, def.szFileName, def.bTransmit, g_nBpp, def.dwDDMemType,
                                             def.dwDTMemType, def.lpBaseSD, def.bPalIndex, def.nMirrorX,
                                             def.nMirrorY, 0);
    // Every non-zero code is a failure (a texture the device refused, a
    // mirror that could not be built), not only the named ones.
    const bool failed = !DDSurfaceErrorName(code) || code != 0;
    if (failed && !def.bOptional) {
      ErrorBoxf("%s の読み込みに失敗！", def.szFileName);
      return false;
    }
  }
  return true;
}

int DDCheckBitmapSize(int* tooLarge, const char* fileName, int width, int height) {
  if (lpDTCon) return 1;
  BitmapImage image;
  if (!fileName || !ReadBitmapFile(fileName, &image)) {
    if (tooLarge) *tooLarge = 0;
    return 0;
  }
  if (tooLarge) *tooLarge = (image.width > width || image.height > height) ? 1 : 0;
  return 1;
}

bool DDReloadSurface(DDSURFACEDATA* lpSD, int depth) {
  if (lpDTCon) return true;
  if (!lpSD || !lpSD->lpDD) return false;
  const bool hadMap = lpSD->lpDD->lpPalIndex != nullptr;
  return CopyBitmap(lpSD, lpSD->szFileName, depth, hadMap ? 1 : 0, lpSD->nMirrorX, lpSD->nMirrorY);
}
