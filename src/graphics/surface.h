// Surface records of both drawing backends and the display state they share.
// Every surface is a pixel buffer of its own (pixel_buffer.h); the Direct3D
// and DirectDraw parts keep each backend's rules on top of those buffers.
#pragma once
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "graphics/pixel_buffer.h"
#include "platform/messages.h"

struct DDSURFACEDATA;

// Memory types of the Direct3D part.
enum DTMEMORYTYPE : DWORD {
  DTMEMORYTYPE_VIDEO_RT = 0,  // empty: render target; loaded: managed texture
  DTMEMORYTYPE_SYSTEM = 1,    // drawn into by the software path only
  DTMEMORYTYPE_VIDEO_NORT = 2,  // treated as 0
};

// Direct3D part of a surface.
struct DTSURFACEDATA {
  DWORD dwID = 0;
  // Level 0 of the texture; for BackBuffer the device's back buffer.
  PixelBuffer* lpSurface = nullptr;
  // The texture (owned); null for BackBuffer and for a mirror alias.
  PixelBuffer* lpTexture = nullptr;
  DWORD dwMemType = DTMEMORYTYPE_VIDEO_RT;
  BOOL bTransmit = 0;
  BOOL bRenderTarget = 0;
  BYTE* lpPalIndex = nullptr;  // malloc'ed palette index map or null
};

// DirectDraw part of a surface.
struct DDSURFACEPART {
  PixelBuffer* lpDDS = nullptr;  // owned unless attached to the flip chain
  BYTE* lpPalIndex = nullptr;    // malloc'ed palette index map or null
};

// A drawing surface of either backend. Records move (the restore list
// follows them) but are never copied: a copy would share the parts.
struct DDSURFACEDATA {
  DTSURFACEDATA* lpDT = nullptr;
  DDSURFACEPART* lpDD = nullptr;
  char szName[260] = {};
  int nWidth = 0, nHeight = 0;
  int nTexWidth = 0, nTexHeight = 0;
  char szFileName[260] = {};  // "E" (or empty) for a surface created empty
  DWORD dwMemType = 0;        // DirectDraw: 0 video, 1 system memory
  int nMirrorX = 0, nMirrorY = 0;
  DDSURFACEDATA* lpBaseSD = nullptr;
  BOOL bLost = 0;

  DDSURFACEDATA() = default;
  DDSURFACEDATA(const DDSURFACEDATA&) = delete;
  DDSURFACEDATA& operator=(const DDSURFACEDATA&) = delete;
  DDSURFACEDATA(DDSURFACEDATA&& other) noexcept;
  DDSURFACEDATA& operator=(DDSURFACEDATA&& other) noexcept;
  ~DDSURFACEDATA();
  // The buffer the surface's pixels are in (texture, device back buffer or
  // DirectDraw surface); null when it has none. Aliases are not resolved.
  PixelBuffer* Pixels() const;
};

// Definition of a built-in surface (the shell's table).
struct DDSURFACEDEF {
  char szFileName[260];  // "E" = create empty
  int bTransmit;
  DWORD dwDDMemType;
  DWORD dwDTMemType;
  DDSURFACEDATA* lpBaseSD;  // non-null marks a mirror alias
  int bPalIndex;
  int bOptional;
  int nMirrorX, nMirrorY;
  int nWidth, nHeight;
};

struct RGBTRIPLE {
  BYTE rgbtBlue, rgbtGreen, rgbtRed;
};

// What the device was created with; reused by a reset.
struct PRESENTPARAMS {
  BOOL Windowed = 0;
  int BackBufferWidth = 0, BackBufferHeight = 0;
  int FullScreen_RefreshRateInHz = 0;
  PixelFormat BackBufferFormat = PixelFormat::None;
  DWORD PresentationInterval = 0;  // 0 default (vsync), 0x80000000 immediate
};
constexpr DWORD PRESENT_INTERVAL_DEFAULT = 0;
constexpr DWORD PRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

struct DEVICECAPS {
  int MaxTextureWidth = 8192;
  int MaxTextureHeight = 8192;
};

// The Direct3D device record (lpDTCon); exists exactly in Direct3D mode.
struct DTCONTROL {
  PixelFormat fmtBackBuffer = PixelFormat::None;
  PixelFormat fmtTexture = PixelFormat::None;
  PRESENTPARAMS d3dpp;
  PixelFormat fmtDisplay = PixelFormat::None;
  DEVICECAPS d3dCaps;
  int bPow2 = 0;
  int bSquareOnly = 0;
  int bVirBackBuffer = 0;
  DDSURFACEDATA* lpRenderTargetSD = nullptr;
  int bVirCopy = 0;
  RGBTRIPLE rgbTransmit = {};
  RGBTRIPLE rgbTransmitSrc = {};
  DWORD dwClearKey = 0;
  DWORD dwTransmitARGB = 0;
  WORD wTransmit_16 = 0;
  WORD wTransmitBack_16 = 0;
  int bInScene = 0;
  D3DCOLOR dwDrawColor = 0xFFFFFFFF;
  DWORD dwColorOp = 4;
  DWORD dwAlphaOp = 4;
  int nSurfaceID = 0;
  int nFontID = 0;
  std::string strError;
  // The device's back buffer (BackBuffer's level surface).
  PixelBuffer backBuffer;
};

// The DirectDraw record (g_lpDDCon); exists in DirectDraw mode.
struct DDCONTROL {
  RGBTRIPLE rgbTransmit = {};
  RGBTRIPLE rgbTransmitSrc = {};
  int nFontID = 0;
};

// The whole-surface lock of pixel access. Released by DDUnlock or by the
// destructor, so every exit path lets go of it; a second release does nothing.
class cSurfaceLock {
 public:
  DDSURFACEDATA* m_lpSD = nullptr;  // after alias and back-buffer resolution
  BYTE* m_lpBits = nullptr;         // the first pixel
  int m_nPitch = 0;                 // pixels per row
  int m_nBpp = 0;                   // 8, 16 or 32
  int m_nBytes = 0;                 // bytes per pixel
  PixelFormat m_Format = PixelFormat::None;

  cSurfaceLock() = default;
  cSurfaceLock(const cSurfaceLock&) = delete;
  cSurfaceLock& operator=(const cSurfaceLock&) = delete;
  ~cSurfaceLock();
  // Locks the surface whole; false (and nothing locked) when it has no pixels.
  bool Lock(DDSURFACEDATA* lpSD);
  template <class T>
  T* Row(int y) const {
    return reinterpret_cast<T*>(m_lpBits + static_cast<size_t>(y) * m_nPitch * m_nBytes);
  }
};

// What DDLock fills in (DirectDraw).
struct DDLOCKDESC {
  int dwWidth = 0, dwHeight = 0;
  int lPitch = 0;  // bytes
  PixelFormat format = PixelFormat::None;
  void* lpSurface = nullptr;
};

// ---- display state (display.cpp) -----------------------------------------
extern int g_bD3D;
extern HWND g_hWndGraphics;
extern int g_nScreenWidth, g_nScreenHeight;
extern int g_nBpp;
extern int g_bWindowed;
extern int g_bVSync;
extern int g_nRefreshRate, g_bUseRefreshRate;
extern DDSURFACEDATA* g_lpSurfaceArray;
extern DDSURFACEDEF* g_lpSurfaceDefArray;
extern int g_nSurfaceCount;
extern int g_bDisplayReady;
extern BYTE g_bDisplayOnce;
extern DTCONTROL* lpDTCon;
extern DDCONTROL* g_lpDDCon;
extern DDPALETTE* g_lpDDPal;
extern RECT g_rcWindow;
extern int g_nDesktopBpp;
extern COLORBITS g_ColorBits;
extern COLORBITS g_BackBufferColorBits;

extern DDSURFACEDATA g_PrimarySD;
extern DDSURFACEDATA BackBuffer;
extern DDSURFACEDATA VirBackBuffer;
extern DDSURFACEDATA WorkSD;
extern DDSURFACEDATA g_ScreenSD;

// The loaded and the working palette, and the DirectDraw colour key in the
// display's pixel format. Defined in display.cpp beside the display state;
// the colour functions set them.
extern PALETTEENTRY g_Palette[256];
extern PALETTEENTRY g_PaletteWork[256];
extern DWORD g_dwTransmit;

// Every Direct3D surface with a texture of its own, in creation order.
extern std::list<DDSURFACEDATA*>& g_lstSurface;

// ---- surfaces (surface.cpp) ------------------------------------------------
void DDAllocSurfacePart(DDSURFACEDATA* lpSD);
bool DDCreateSurface(DDSURFACEDATA* lpSD, int w, int h, int key, DWORD ddMem, DWORD dtMem,
                     DDSURFACEDATA* lpBaseSD, int restore);
void DDReleaseSurface(DDSURFACEDATA* lpSD);
void ReleaseSurfaceData(DDSURFACEDATA* lpSD);
void DDAdjustTextureSize(int* w, int* h);
bool DDCheckTextureSize(int w, int h);
void DDResolveBaseSD(DDSURFACEDATA** lplpSD);
// DirectDraw: locks the whole surface; in Direct3D logs and returns true.
bool DDLock(DDSURFACEDATA* lpSD, DDLOCKDESC* desc, BYTE** lplpBits, int depth);
void DDUnlock(cSurfaceLock& lock);
// The texture format of the running backend (Direct3D) or the DirectDraw
// surface format; None before set-up.
PixelFormat DDSurfaceFormat();

DDSURFACEDEF MakeSurfaceDef(int key, DWORD ddMem, DWORD dtMem, DDSURFACEDATA* lpBaseSD);

// Containers of loaded pictures: surfaces beside their definitions at the
// same positions. Templates, so the program's checked containers work too.
template <class SurfaceC, class DefC>
bool DDAddSurface(SurfaceC& surfaces, DefC& defs, int w, int h, int key, DWORD ddMem, DWORD dtMem,
                  DDSURFACEDATA* lpBaseSD) {
  surfaces.emplace_back();
  defs.push_back(MakeSurfaceDef(key, ddMem, dtMem, lpBaseSD));
  return DDCreateSurface(&surfaces.back(), w, h, key, ddMem, dtMem, lpBaseSD, 0);
}
template <class SurfaceC, class DefC>
bool DDAddSurfaceList(SurfaceC& surfaces, DefC& defs, int w, int h, int key, DWORD ddMem, DWORD dtMem,
                      DDSURFACEDATA* lpBaseSD) {
  return DDAddSurface(surfaces, defs, w, h, key, ddMem, dtMem, lpBaseSD);
}
// An index at or past the end, or negative, appends.
template <class SurfaceC, class DefC>
bool DDInsertSurfaceList(SurfaceC& surfaces, DefC& defs, int index, int w, int h, int key, DWORD ddMem,
                         DWORD dtMem, DDSURFACEDATA* lpBaseSD) {
  if (index < 0 || static_cast<size_t>(index) >= surfaces.size())
    return DDAddSurface(surfaces, defs, w, h, key, ddMem, dtMem, lpBaseSD);
  auto sit = surfaces.begin();
  auto dit = defs.begin();
  for (int i = 0; i < index; ++i) {
    ++sit;
    if (dit != defs.end()) ++dit;
  }
  auto made = surfaces.emplace(sit);
  defs.insert(dit, MakeSurfaceDef(key, ddMem, dtMem, lpBaseSD));
  return DDCreateSurface(&*made, w, h, key, ddMem, dtMem, lpBaseSD, 0);
}
template <class SurfaceC, class DefC>
int DDRemoveSurfaceList(SurfaceC& surfaces, DefC& defs, DDSURFACEDATA* lpSD) {
  auto dit = defs.begin();
  for (auto sit = surfaces.begin(); sit != surfaces.end(); ++sit) {
    if (&*sit == lpSD) {
      DDReleaseSurface(lpSD);
      surfaces.erase(sit);
      if (dit != defs.end()) defs.erase(dit);
      return 1;
    }
    if (dit != defs.end()) ++dit;
  }
  return 0;
}
template <class SurfaceC>
void DDReleaseSurfaceVector(SurfaceC& surfaces) {
  for (auto& sd : surfaces) DDReleaseSurface(&sd);
}
template <class SurfaceC>
void DDReleaseSurfaceList(SurfaceC& surfaces) {
  for (auto& sd : surfaces) DDReleaseSurface(&sd);
}

// Every DirectDraw buffer in video memory, for the loss test hook.
void DDTrackVideoBuffer(PixelBuffer* buffer);
void DDUntrackVideoBuffer(PixelBuffer* buffer);
const std::vector<PixelBuffer*>& DDTrackedVideoBuffers();

// True for a surface created empty ("E" or no file name).
bool DDIsEmptySurfaceName(const char* szFileName);
