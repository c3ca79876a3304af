#include "graphics/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "graphics/display.h"
#include "platform/messages.h"
#include "services/log.h"

namespace {

void CopyName(char (&dst)[260], const char* src) {
  std::strncpy(dst, src, sizeof(dst) - 1);
  dst[sizeof(dst) - 1] = '\0';
}

// Re-points the restore list and the default render target from one record
// to another when a record moves.
void Repoint(DDSURFACEDATA* from, DDSURFACEDATA* to) {
  for (auto& entry : g_lstSurface)
    if (entry == from) entry = to;
  if (lpDTCon && lpDTCon->lpRenderTargetSD == from) lpDTCon->lpRenderTargetSD = to;
}

// Palette colour 0 in the DirectDraw pixel format: the value a new surface
// is filled with.
DWORD DirectDrawColour0(PixelFormat format) {
  const PALETTEENTRY& e = g_Palette[0];
  switch (format) {
    case PixelFormat::R5G6B5:
    case PixelFormat::A1R5G5B5: {
      const COLORBITS& cb = g_ColorBits;
      return ((e.peRed & cb.nMaskR) << cb.nShiftR) | ((e.peGreen & cb.nMaskG) << cb.nShiftG) |
             ((e.peBlue & cb.nMaskB) << cb.nShiftB);
    }
    case PixelFormat::X8R8G8B8:
    case PixelFormat::A8R8G8B8: return (DWORD{e.peRed} << 16) | (DWORD{e.peGreen} << 8) | e.peBlue;
    default: return 0;
  }
}

// Packs an ARGB colour into a format as a device clear does (the top bits
// of each channel).
DWORD PackClearColour(PixelFormat format, D3DCOLOR argb) {
  DWORD a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  switch (format) {
    case PixelFormat::A8R8G8B8:
    case PixelFormat::X8R8G8B8: return argb;
    case PixelFormat::A1R5G5B5: return ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelFormat::R5G6B5: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default: return 0;
  }
}

void FillBuffer(PixelBuffer* buffer, DWORD value) {
  if (!buffer || buffer->Empty()) return;
  int bytes = BytesPerPixel(buffer->format);
  if (value == 0) {
    buffer->Clear();
    return;
  }
  for (int y = 0; y < buffer->height; ++y) {
    uint8_t* row = buffer->Row(y);
    switch (bytes) {
      case 1: std::memset(row, static_cast<int>(value & 0xFF), buffer->width); break;
      case 2: std::fill_n(reinterpret_cast<uint16_t*>(row), buffer->width, static_cast<uint16_t>(value)); break;
      case 4: std::fill_n(reinterpret_cast<uint32_t*>(row), buffer->width, value); break;
    }
  }
}

std::vector<PixelBuffer*>& VideoBuffers() {
  static auto* buffers = new std::vector<PixelBuffer*>;  // outlives static destruction
  return *buffers;
}

void DeleteDirectDrawBuffer(PixelBuffer* buffer) {
  if (!buffer || buffer->attached) return;
  DDUntrackVideoBuffer(buffer);
  delete buffer;
}

void FreeTexture(DTSURFACEDATA* dt) {
  if (dt->lpTexture) {
    if (dt->lpSurface == dt->lpTexture) dt->lpSurface = nullptr;
    delete dt->lpTexture;
    dt->lpTexture = nullptr;
  }
}

}  // namespace

// ---- the record ----------------------------------------------------------

DDSURFACEDATA::DDSURFACEDATA(DDSURFACEDATA&& other) noexcept { *this = std::move(other); }

DDSURFACEDATA& DDSURFACEDATA::operator=(DDSURFACEDATA&& other) noexcept {
  if (this == &other) return *this;
  ReleaseSurfaceData(this);
  lpDT = other.lpDT;
  lpDD = other.lpDD;
  std::memcpy(szName, other.szName, sizeof(szName));
  nWidth = other.nWidth;
  nHeight = other.nHeight;
  nTexWidth = other.nTexWidth;
  nTexHeight = other.nTexHeight;
  std::memcpy(szFileName, other.szFileName, sizeof(szFileName));
  dwMemType = other.dwMemType;
  nMirrorX = other.nMirrorX;
  nMirrorY = other.nMirrorY;
  lpBaseSD = other.lpBaseSD;
  bLost = other.bLost;
  other.lpDT = nullptr;
  other.lpDD = nullptr;
  Repoint(&other, this);
  return *this;
}

DDSURFACEDATA::~DDSURFACEDATA() { ReleaseSurfaceData(this); }

PixelBuffer* DDSURFACEDATA::Pixels() const {
  PixelBuffer* buffer = nullptr;
  if (lpDT) buffer = lpDT->lpSurface;
  else if (lpDD) buffer = lpDD->lpDDS;
  return (buffer && !buffer->Empty()) ? buffer : nullptr;
}

DDSURFACEDEF MakeSurfaceDef(int key, DWORD ddMem, DWORD dtMem, DDSURFACEDATA* lpBaseSD) {
  DDSURFACEDEF def{};
  CopyName(def.szFileName, "E");
  def.bTransmit = key;
  def.dwDDMemType = ddMem;
  def.dwDTMemType = dtMem;
  def.lpBaseSD = lpBaseSD;
  return def;
}

void DDTrackVideoBuffer(PixelBuffer* buffer) { VideoBuffers().push_back(buffer); }

void DDUntrackVideoBuffer(PixelBuffer* buffer) {
  auto& v = VideoBuffers();
  v.erase(std::remove(v.begin(), v.end(), buffer), v.end());
}

const std::vector<PixelBuffer*>& DDTrackedVideoBuffers() { return VideoBuffers(); }

bool DDIsEmptySurfaceName(const char* szFileName) {
  return szFileName[0] == '\0' || std::strcmp(szFileName, "E") == 0;
}

PixelFormat DDSurfaceFormat() {
  if (lpDTCon) return lpDTCon->fmtTexture;
  int bpp = g_bWindowed ? g_nDesktopBpp : g_nBpp;
  switch (bpp) {
    case 8: return PixelFormat::Index8;
    case 16: return PixelFormat::R5G6B5;
    case 32: return PixelFormat::X8R8G8B8;
    default: return PixelFormat::None;
  }
}

// ---- creation --------------------------------------------------------------

void DDAllocSurfacePart(DDSURFACEDATA* lpSD) {
  if (g_bD3D) {
    if (!lpSD->lpDT) lpSD->lpDT = new DTSURFACEDATA;
  } else {
    if (!lpSD->lpDD) lpSD->lpDD = new DDSURFACEPART;
  }
}

void DDAdjustTextureSize(int* w, int* h) {
  if (!lpDTCon) return;
  auto roundUp = [](int v) {
    if (v > 0 && (v & (v - 1)) == 0) return v;
    for (int k = 30; k >= 0; --k)
      if (v & (1 << k)) return 2 << k;
    return 2;
  };
  if (lpDTCon->bPow2) {
    *w = roundUp(*w);
    *h = roundUp(*h);
  }
  if (lpDTCon->bSquareOnly) {
    int side = std::max(*w, *h);
    *w = *h = side;
  }
}

bool DDCheckTextureSize(int w, int h) {
  if (!lpDTCon) return true;
  bool fits = true;
  if (w > lpDTCon->d3dCaps.MaxTextureWidth) {
    ReportError("このビデオカードでは横幅%dを超える画像はサポートされていません！",
                lpDTCon->d3dCaps.MaxTextureWidth);
    fits = false;
  }
  if (h > lpDTCon->d3dCaps.MaxTextureHeight) {
    ReportError("このビデオカードでは縦幅%dを超える画像はサポートされていません！",
                lpDTCon->d3dCaps.MaxTextureHeight);
    fits = false;
  }
  return fits;
}

static bool CreateDirectDrawSurface(DDSURFACEDATA* lpSD, int w, int h, int key, DWORD ddMem) {
  PixelFormat format = DDSurfaceFormat();
  DDSURFACEPART* dd = lpSD->lpDD;
  DeleteDirectDrawBuffer(dd->lpDDS);
  dd->lpDDS = nullptr;
  auto* buffer = new PixelBuffer;
  // Video memory falls back to system memory; both come from the same heap
  // here, so one failed allocation ends both attempts.
  if (!buffer->Allocate(format, w, h)) {
    delete buffer;
    ReportError(ddMem == 0 ? "CreateSurface Video -> System Err" : "CreateSurface System Err");
    return false;
  }
  buffer->videoMemory = (ddMem == 0);
  if (buffer->videoMemory) DDTrackVideoBuffer(buffer);
  if (key == 1) {
    buffer->hasColorKey = true;
    buffer->colorKey = g_dwTransmit;
  }
  FillBuffer(buffer, DirectDrawColour0(format));
  dd->lpDDS = buffer;
  lpSD->nWidth = lpSD->nTexWidth = w;
  lpSD->nHeight = lpSD->nTexHeight = h;
  lpSD->dwMemType = ddMem;
  return true;
}

bool DDCreateSurface(DDSURFACEDATA* lpSD, int w, int h, int key, DWORD ddMem, DWORD dtMem,
                     DDSURFACEDATA* lpBaseSD, int restore) {
  if (!lpSD) return false;
  DDAllocSurfacePart(lpSD);
  if (!g_bD3D || !lpDTCon) {
    if (!lpSD->lpDD) return false;
    return CreateDirectDrawSurface(lpSD, w, h, key, ddMem);
  }
  DTSURFACEDATA* dt = lpSD->lpDT;
  if (!restore) {
    CopyName(lpSD->szName, "OffScreen");
    CopyName(lpSD->szFileName, "E");
    FreeTexture(dt);
    dt->lpSurface = nullptr;
    dt->dwMemType = dtMem;
    dt->bTransmit = (key == 1);
    dt->bRenderTarget = 0;
    if (!lpBaseSD) dt->dwID = static_cast<DWORD>(lpDTCon->nSurfaceID++);
  }
  if (lpBaseSD) {
    lpSD->nWidth = lpSD->nTexWidth = w;
    lpSD->nHeight = lpSD->nTexHeight = h;
    lpSD->dwMemType = ddMem;
    return true;
  }
  int texW = w, texH = h;
  DDAdjustTextureSize(&texW, &texH);
  if (!DDCheckTextureSize(texW, texH))
    ReportError("上記の理由でテクスチャの描画が失敗する可能性があります。(空)");
  if (dtMem == DTMEMORYTYPE_VIDEO_NORT) dtMem = DTMEMORYTYPE_VIDEO_RT;
  if (restore) dtMem = (dt->dwMemType == DTMEMORYTYPE_SYSTEM) ? DTMEMORYTYPE_SYSTEM : DTMEMORYTYPE_VIDEO_RT;
  dt->dwMemType = dtMem;
  if (dtMem == DTMEMORYTYPE_VIDEO_RT) {
    dt->bRenderTarget = 1;
    FreeTexture(dt);
    auto* texture = new PixelBuffer;
    if (!texture->Allocate(lpDTCon->fmtTexture, texW, texH)) {
      delete texture;
      return false;
    }
    dt->lpTexture = texture;
  } else if (!restore || !dt->lpTexture) {
    // A system-memory texture survives a device reset: with the restore flag
    // an existing one is kept.
    dt->bRenderTarget = 0;
    FreeTexture(dt);
    auto* texture = new PixelBuffer;
    if (!texture->Allocate(lpDTCon->fmtTexture, texW, texH)) {
      delete texture;
      ReportError("D3DXCreateTexture Err hr = %x", 0x8007000Eu);
      if (!lpDTCon->strError.empty()) ErrorBoxf("%s", lpDTCon->strError.c_str());
      plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
      return false;
    }
    dt->lpTexture = texture;
  }
  dt->lpSurface = dt->lpTexture;
  lpSD->nWidth = w;
  lpSD->nHeight = h;
  lpSD->nTexWidth = dt->lpTexture->width;
  lpSD->nTexHeight = dt->lpTexture->height;
  if (dt->bRenderTarget) FillBuffer(dt->lpTexture, PackClearColour(dt->lpTexture->format, lpDTCon->dwTransmitARGB));
  if (!restore) g_lstSurface.push_back(lpSD);
  return true;
}

// ---- release ---------------------------------------------------------------

void ReleaseSurfaceData(DDSURFACEDATA* lpSD) {
  if (!lpSD) return;
  if (DTSURFACEDATA* dt = lpSD->lpDT) {
    if (!lpSD->lpBaseSD) {
      FreeTexture(dt);
      g_lstSurface.remove(lpSD);
    }
    std::free(dt->lpPalIndex);
    delete dt;
    lpSD->lpDT = nullptr;
  }
  if (DDSURFACEPART* dd = lpSD->lpDD) {
    DeleteDirectDrawBuffer(dd->lpDDS);
    std::free(dd->lpPalIndex);
    delete dd;
    lpSD->lpDD = nullptr;
  }
}

void DDReleaseSurface(DDSURFACEDATA* lpSD) { ReleaseSurfaceData(lpSD); }

void DDResolveBaseSD(DDSURFACEDATA** lplpSD) {
  if (lplpSD && *lplpSD && (*lplpSD)->lpBaseSD && lpDTCon) *lplpSD = (*lplpSD)->lpBaseSD;
}

// ---- pixel access ------------------------------------------------------------

cSurfaceLock::~cSurfaceLock() { DDUnlock(*this); }

bool cSurfaceLock::Lock(DDSURFACEDATA* lpSD) {
  DDUnlock(*this);
  if (!lpSD) return false;
  DDResolveBaseSD(&lpSD);
  if (lpDTCon && lpDTCon->bVirBackBuffer && lpSD == &BackBuffer) lpSD = &VirBackBuffer;
  PixelBuffer* buffer = lpSD->Pixels();
  if (!buffer || buffer->lost) {
    if (lpSD->lpDT)
      DebugErrorBoxf("FAILED( lpSD->lpDT->lpSurface->LockRect(&(lock), NULL, 0) )");
    else
      WriteECLog("Lock Err");
    return false;
  }
  m_lpSD = lpSD;
  m_lpBits = buffer->Bits();
  m_nBytes = BytesPerPixel(buffer->format);
  m_nBpp = m_nBytes * 8;
  m_nPitch = buffer->pitch / m_nBytes;
  m_Format = buffer->format;
  return true;
}

void DDUnlock(cSurfaceLock& lock) {
  lock.m_lpSD = nullptr;
  lock.m_lpBits = nullptr;
}

bool DDLock(DDSURFACEDATA* lpSD, DDLOCKDESC* desc, BYTE** lplpBits, int depth) {
  if (lpDTCon) {
    WriteECLog("D3DではDDLockは未対応");
    return true;
  }
  if (!lpSD || !lpSD->lpDD || !lpSD->lpDD->lpDDS) return false;
  PixelBuffer* buffer = lpSD->lpDD->lpDDS;
  if (buffer->Empty() || buffer->lost) return false;
  if (desc) {
    desc->dwWidth = buffer->width;
    desc->dwHeight = buffer->height;
    desc->lPitch = buffer->pitch;
    desc->format = buffer->format;
    desc->lpSurface = buffer->Bits();
  }
  if (lplpBits && (depth == 8 || depth == 16 || depth == 24 || depth == 32)) *lplpBits = buffer->Bits();
  return true;
}
