#include "graphics/display.h"

#include <cstring>

#include "platform/messages.h"
#include "platform/video.h"
#include "services/log.h"
#include "services/timing.h"

// ---- display state -----------------------------------------------------------

int g_bD3D = 0;
HWND g_hWndGraphics = nullptr;
int g_nScreenWidth = 0, g_nScreenHeight = 0;
int g_nBpp = 0;
int g_bWindowed = 0;
int g_bVSync = 0;
int g_nRefreshRate = 0, g_bUseRefreshRate = 0;
DDSURFACEDATA* g_lpSurfaceArray = nullptr;
DDSURFACEDEF* g_lpSurfaceDefArray = nullptr;
int g_nSurfaceCount = 0;
int g_bDisplayReady = 0;
BYTE g_bDisplayOnce = 0;
DTCONTROL* lpDTCon = nullptr;
DDCONTROL* g_lpDDCon = nullptr;
DDPALETTE* g_lpDDPal = nullptr;
RECT g_rcWindow = {};
int g_nDesktopBpp = 0;
COLORBITS g_ColorBits = {};
COLORBITS g_BackBufferColorBits = {};

DDSURFACEDATA g_PrimarySD;
DDSURFACEDATA BackBuffer;
DDSURFACEDATA VirBackBuffer;
DDSURFACEDATA WorkSD;
DDSURFACEDATA g_ScreenSD;

PALETTEENTRY g_Palette[256] = {};
PALETTEENTRY g_PaletteWork[256] = {};
DWORD g_dwTransmit = 0;

// Never destroyed: records released during static destruction still look
// into it.
std::list<DDSURFACEDATA*>& g_lstSurface = *new std::list<DDSURFACEDATA*>;

namespace {

// The DirectDraw object: the flip chain of full screen (front first), which
// owns the primary's and the back surface's pixels.
struct DirectDrawObject {
  std::vector<PixelBuffer*> chain;
  ~DirectDrawObject() {
    for (PixelBuffer* b : chain) {
      DDUntrackVideoBuffer(b);
      delete b;
    }
  }
};
DirectDrawObject* g_lpDD = nullptr;

int g_desktopBppOverride = 0;
DDMesBoxFn g_mesBox = nullptr;
void (*g_drawOverlay)(DDSURFACEDATA*, const char*) = nullptr;
DeviceState g_deviceState = DeviceState::Ok;

// Frees the control records still allocated when the program ends.
struct ControlRecordsAtExit {
  ~ControlRecordsAtExit() {
    delete lpDTCon;
    lpDTCon = nullptr;
    delete g_lpDDCon;
    g_lpDDCon = nullptr;
  }
} g_controlRecordsAtExit;

bool IsDirect3D() { return lpDTCon != nullptr; }

void InstallPacerHooks() {
  FrameSyncHooks hooks;
  hooks.isDirect3D = &IsDirect3D;
  hooks.drawOverlay = g_drawOverlay;
  SetFrameSyncHooks(hooks);
}

void CopyName(char (&dst)[260], const char* src) {
  std::strncpy(dst, src, sizeof(dst) - 1);
  dst[sizeof(dst) - 1] = '\0';
}

PixelFormat DirectDrawFormatOf(int bpp) {
  switch (bpp) {
    case 8: return PixelFormat::Index8;
    case 16: return PixelFormat::R5G6B5;
    case 32: return PixelFormat::X8R8G8B8;
    default: return PixelFormat::None;
  }
}

// The primary's packing as the DirectDraw colour-bit reader sees it: red,
// green and blue only.
COLORBITS DirectDrawColorBits(PixelFormat format) {
  COLORBITS cb = ColorBitsOfFormat(format);
  cb.nShiftA = 0;
  cb.nMaskA = 0;
  return cb;
}

// A flip-chain or primary buffer.
PixelBuffer* MakeAttached(PixelFormat format, int w, int h) {
  auto* b = new PixelBuffer;
  if (!b->Allocate(format, w, h)) {
    delete b;
    return nullptr;
  }
  b->attached = true;
  b->videoMemory = true;
  DDTrackVideoBuffer(b);
  return b;
}

void SetSurfaceSize(DDSURFACEDATA& sd, int w, int h, DWORD memType) {
  sd.nWidth = sd.nTexWidth = w;
  sd.nHeight = sd.nTexHeight = h;
  sd.dwMemType = memType;
}

}  // namespace

// ---- set-up ------------------------------------------------------------------

bool DDErrorName(int code) {
  const char* name = nullptr;
  switch (code) {
    case CREATEEX_ERR: name = "CREATEEX_ERR"; break;
    case SETCOOPLEVEL_ERR: name = "SETCOOPLEVEL_ERR"; break;
    case SETDISPLAYMODE_ERR: name = "SETDISPLAYMODE_ERR"; break;
    case CREATESURFACE_ERR: name = "CREATESURFACE_ERR"; break;
    case GETATTACHEDSURFACE_ERR: name = "GETATTACHEDSURFACE_ERR"; break;
    case CREATEPALETTE_ERR: name = "CREATEPALETTE_ERR"; break;
    case SETPALETTE_ERR: name = "SETPALETTE_ERR"; break;
    case CLIPPER_ERR: name = "CLIPPER_ERR"; break;
    case SETHWND_ERR: name = "SETHWND_ERR"; break;
    case SETCLIPPER_ERR: name = "SETCLIPPER_ERR"; break;
    default: return true;
  }
  WriteECLog(name);
  return false;
}

bool DDInit(int bD3D, HWND hWnd, int width, int height, int bpp, int vsync, int windowMode, int backBufferMode,
            int refreshRate, int useRefreshRate, DDSURFACEDATA* surfaces, DDSURFACEDEF* defs, int count,
            int /*unused*/) {
  g_bD3D = bD3D;
  g_hWndGraphics = hWnd;
  g_nScreenWidth = width;
  g_nScreenHeight = height;
  g_nBpp = bpp;
  g_bVSync = vsync;
  g_bWindowed = windowMode;
  g_nRefreshRate = refreshRate;
  g_bUseRefreshRate = useRefreshRate;
  g_lpSurfaceArray = surfaces;
  g_lpSurfaceDefArray = defs;
  g_nSurfaceCount = count;
  ReportError("VSync : %d", vsync);

  if (bD3D) {
    // One display at a time: a display set up before is released first.
    if (g_bDisplayOnce) DDRelease();
    if (hWnd) plat::SetFullscreen(hWnd, windowMode == 0);
    if (!DDInitD3D(hWnd, width, height, bpp)) return false;
  } else {
    if (windowMode == 0) {
      if (g_bDisplayOnce) DDReInit();
      if (!g_lpDDCon) g_lpDDCon = new DDCONTROL;
      if (hWnd) plat::SetFullscreen(hWnd, true);
      if (!DDErrorName(DDInitFullScreen(hWnd, width, height, bpp, backBufferMode))) return false;
    } else if (windowMode == 1) {
      if (g_bDisplayOnce) DDRelease();
      if (!g_lpDDCon) g_lpDDCon = new DDCONTROL;
      if (hWnd) plat::SetFullscreen(hWnd, false);
      if (!DDErrorName(DDInitWindow(hWnd))) return false;
    } else {
      // No set-up path for this mode: succeeding would leave the game
      // drawing into surfaces that do not exist.
      ReportError("DDInit Err WindowMode = %d", windowMode);
      return false;
    }
  }
  InstallPacerHooks();
  if (!g_bWindowed && g_mesBox) SetFullScreenMesBox(g_mesBox);
  g_bDisplayReady = 1;
  g_bDisplayOnce = 1;
  return true;
}

void DDSetRenderStates() {
  // The software renderer's states are fixed: no culling, no depth test,
  // source-alpha blending and point sampling with wrapping, as every draw
  // of the program expects them.
}

int DDInitD3D(HWND hWnd, int width, int height, int bpp) {
  delete lpDTCon;
  lpDTCon = new DTCONTROL;
  g_deviceState = DeviceState::Ok;
  DTCONTROL& con = *lpDTCon;
  PRESENTPARAMS& pp = con.d3dpp;
  if (g_bWindowed) {
    pp.Windowed = 1;
    pp.BackBufferWidth = 0;
    pp.BackBufferHeight = 0;
    pp.FullScreen_RefreshRateInHz = 0;
    if (g_bVSync) {
      unsigned rate = DDGetMonitorFrequency();
      ReportError("RefreshRate : %d", static_cast<int>(rate));
      if (rate != 60) {
        g_bVSync = 0;
        ReportError("リフレッシュレートの変更に失敗しました！垂直同期が無効になります！");
      }
    }
  } else {
    pp.Windowed = 0;
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.FullScreen_RefreshRateInHz = 60;
    // Full screen keeps the desktop's mode: a display that does not refresh
    // 60 times a second would pace the game at its own rate, so vertical
    // sync is given up as when a window's desktop refuses 60 Hz.
    const int rate = plat::DisplayRefreshRate();
    if (g_bVSync && rate > 0 && rate != 60) {
      ReportError("RefreshRate : %d", rate);
      g_bVSync = 0;
      ReportError("リフレッシュレートの変更に失敗しました！垂直同期が無効になります！");
    }
  }
  pp.PresentationInterval = g_bVSync ? PRESENT_INTERVAL_DEFAULT : PRESENT_INTERVAL_IMMEDIATE;

  if (bpp == 32) {
    con.fmtBackBuffer = PixelFormat::X8R8G8B8;
    con.fmtTexture = PixelFormat::A8R8G8B8;
    g_ColorBits = ColorBitsOfFormat(PixelFormat::A8R8G8B8);
  } else if (bpp == 16) {
    con.fmtBackBuffer = g_bWindowed ? PixelFormat::A1R5G5B5 : PixelFormat::R5G6B5;
    con.fmtTexture = PixelFormat::A1R5G5B5;
    g_BackBufferColorBits = ColorBitsOfFormat(con.fmtBackBuffer);
    g_ColorBits = ColorBitsOfFormat(PixelFormat::A1R5G5B5);
  } else {
    return 0;
  }
  pp.BackBufferFormat = con.fmtBackBuffer;
  con.fmtDisplay = con.fmtBackBuffer;

  if (!con.backBuffer.Allocate(con.fmtBackBuffer, width, height)) {
    WriteECLog("CreateDevice Err");
    return 0;
  }
  ReportError("Device HAL-HARD");
  ReportError("%s", PixelFormatName(con.fmtBackBuffer));

  DDSetRenderStates();
  DDResetDrawColor();
  DDResetColorOp();
  DDResetAlphaOp();

  ReleaseSurfaceData(&BackBuffer);
  DDAllocSurfacePart(&BackBuffer);
  SetSurfaceSize(BackBuffer, width, height, 0);
  CopyName(BackBuffer.szName, "BackBuffer");
  BackBuffer.lpDT->dwMemType = 0;
  BackBuffer.lpDT->bTransmit = 0;
  BackBuffer.lpDT->bRenderTarget = 1;
  BackBuffer.lpDT->lpSurface = &con.backBuffer;
  BackBuffer.lpDT->dwID = 0;
  con.nSurfaceID = 1;
  con.nFontID = 0;

  DDAllocSurfacePart(&VirBackBuffer);
  DDSetVirtualBackBuffer(0);
  con.bVirCopy = 0;
  DDCreateSurface(&VirBackBuffer, width, height, 0, 0, 0, nullptr, 0);
  CopyName(VirBackBuffer.szName, "VirBackBuffer");
  DDAllocSurfacePart(&WorkSD);
  DDCreateSurface(&WorkSD, width, height, 0, 0, 0, nullptr, 0);
  CopyName(WorkSD.szName, "WorkSD");
  // The pointer belongs to a window; over the full-screen game it is hidden.
  plat::ShowPointer(g_bWindowed != 0);
  return 1;
}

int DDInitFullScreen(HWND hWnd, int width, int height, int bpp, int backBufferMode) {
  ReleaseSurfaceData(&g_PrimarySD);
  ReleaseSurfaceData(&BackBuffer);
  SetSurfaceSize(g_PrimarySD, width, height, 0);
  SetSurfaceSize(BackBuffer, width, height, 0);
  SetSurfaceSize(g_ScreenSD, width, height, 1);
  delete g_lpDD;
  g_lpDD = new DirectDrawObject;
  // No real mode switch: the window shows the frame at any desktop mode, so
  // only the depths the renderer has are refused.
  PixelFormat format = DirectDrawFormatOf(bpp);
  if (format == PixelFormat::None) {
    ReportError("SetDisplayMode Err");
    return SETDISPLAYMODE_ERR;
  }
  int buffers = 1 + (backBufferMode == 1 ? 1 : 2);
  for (int i = 0; i < buffers; ++i) {
    PixelBuffer* b = MakeAttached(format, width, height);
    if (!b) {
      ReportError("Primary CreateSurface Err");
      return CREATESURFACE_ERR;
    }
    g_lpDD->chain.push_back(b);
  }
  DDAllocSurfacePart(&g_PrimarySD);
  g_PrimarySD.lpDD->lpDDS = g_lpDD->chain[0];
  DDAllocSurfacePart(&BackBuffer);
  BackBuffer.lpDD->lpDDS = g_lpDD->chain[1];
  if (!DDCreateSurface(&g_ScreenSD, width, height, 0, 1, 1, nullptr, 0)) return CREATESURFACE_ERR;

  delete g_lpDDPal;
  g_lpDDPal = new DDPALETTE;
  for (int i = 0; i < 256; ++i)
    g_lpDDPal->entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i == 0 ? 255 : 0),
                             PC_RESERVED};
  if (bpp > 8)
    g_ColorBits = DirectDrawColorBits(format);
  else
    g_lpDD->chain[0]->palette = g_lpDDPal;
  plat::ShowPointer(false);
  return DDINIT_OK;
}

int DDInitWindow(HWND hWnd) {
  int w = g_nScreenWidth, h = g_nScreenHeight;
  g_rcWindow = {0, 0, w, h};
  ReleaseSurfaceData(&g_PrimarySD);
  ReleaseSurfaceData(&BackBuffer);
  SetSurfaceSize(g_PrimarySD, w, h, 0);
  SetSurfaceSize(BackBuffer, w, h, 0);
  SetSurfaceSize(g_ScreenSD, w, h, 1);
  g_nDesktopBpp = DDGetDesktopBpp();
  delete g_lpDD;
  g_lpDD = new DirectDrawObject;
  PixelFormat format = DirectDrawFormatOf(g_nDesktopBpp);
  // The primary is the window's client area in the desktop's format.
  PixelBuffer* primary = format == PixelFormat::None ? nullptr : MakeAttached(format, w, h);
  if (!primary) {
    ReportError("Primary CreateSurface Err");
    return CREATESURFACE_ERR;
  }
  g_lpDD->chain.push_back(primary);
  DDAllocSurfacePart(&g_PrimarySD);
  g_PrimarySD.lpDD->lpDDS = primary;
  if (!DDCreateSurface(&BackBuffer, w, h, 0, 0, 0, nullptr, 0)) return CREATESURFACE_ERR;
  if (!DDCreateSurface(&g_ScreenSD, w, h, 0, 1, 1, nullptr, 0)) return CREATESURFACE_ERR;

  delete g_lpDDPal;
  g_lpDDPal = new DDPALETTE;
  for (int i = 0; i < 256; ++i) {
    bool system = i < 10 || i >= 246;
    g_lpDDPal->entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(system ? 0 : i), 0,
                             system ? PC_EXPLICIT : PC_RESERVED};
  }
  if (g_nDesktopBpp > 8)
    g_ColorBits = DirectDrawColorBits(format);
  else
    primary->palette = g_lpDDPal;
  plat::ShowPointer(true);
  return DDINIT_OK;
}

// ---- release -------------------------------------------------------------------

void DDRelease() {
  if (g_lpDD) {
    for (int i = 0; g_lpSurfaceArray && i < g_nSurfaceCount; ++i) DDReleaseSurface(&g_lpSurfaceArray[i]);
    delete g_lpDDPal;
    g_lpDDPal = nullptr;
    DDReleaseSurface(&BackBuffer);
    DDReleaseSurface(&g_PrimarySD);
    DDReleaseSurface(&g_ScreenSD);
    delete g_lpDD;
    g_lpDD = nullptr;
    delete g_lpDDCon;
    g_lpDDCon = nullptr;
  } else if (g_lpDDCon) {
    delete g_lpDDCon;
    g_lpDDCon = nullptr;
  }
  if (lpDTCon) {
    for (int i = 0; g_lpSurfaceArray && i < g_nSurfaceCount; ++i) DDReleaseSurface(&g_lpSurfaceArray[i]);
    DDReleaseSurface(&WorkSD);
    DDReleaseSurface(&VirBackBuffer);
    DDReleaseSurface(&BackBuffer);
    delete lpDTCon;
    lpDTCon = nullptr;
  }
  g_deviceState = DeviceState::Ok;
  g_bDisplayReady = 0;
  SetFullScreenMesBox(nullptr);
}

void DDReInit() { DDRelease(); }

// ---- virtual back buffer and draw states ---------------------------------------

int DDRedirectBackBuffer(DDSURFACEDATA** lplpSD) {
  if (lpDTCon && lpDTCon->bVirBackBuffer && lplpSD && *lplpSD == &BackBuffer) {
    *lplpSD = &VirBackBuffer;
    return 1;
  }
  return 0;
}

void DDSetVirtualBackBuffer(int on) {
  if (!lpDTCon) return;
  if (lpDTCon->bVirBackBuffer && !on && VirBackBuffer.Pixels()) DDCopyVirtualBackBuffer(&BackBuffer, &VirBackBuffer);
  lpDTCon->bVirBackBuffer = on;
  lpDTCon->lpRenderTargetSD = on ? &BackBuffer : &VirBackBuffer;
}

void DDSetDrawColor(D3DCOLOR color) {
  if (lpDTCon) lpDTCon->dwDrawColor = color;
}
void DDResetDrawColor() { DDSetDrawColor(0xFFFFFFFF); }
void DDSetColorOp(DWORD op) {
  if (lpDTCon) lpDTCon->dwColorOp = op;
}
void DDResetColorOp() { DDSetColorOp(D3DTOP_MODULATE); }
void DDSetAlphaOp(DWORD op) {
  if (lpDTCon) lpDTCon->dwAlphaOp = op;
}
void DDResetAlphaOp() { DDSetAlphaOp(D3DTOP_SELECTARG1); }

// ---- report and settings ---------------------------------------------------------

int DDGetDesktopBpp() { return g_desktopBppOverride ? g_desktopBppOverride : 32; }
void DDSetDesktopBppForTest(int bpp) { g_desktopBppOverride = bpp; }
unsigned DDGetMonitorFrequency() {
  const int rate = plat::DisplayRefreshRate();
  return rate > 0 ? static_cast<unsigned>(rate) : 60u;
}

int WriteDisplayReport(int /*detail*/) {
  std::string lines = g_bWindowed ? "Mode : Window\n" : "Mode : Fullscreen\n";
  lines += Format("Bpp : %d\n", g_nBpp);
  if (g_lpDD) {
    // Surfaces live in main memory: the "video memory" is what the
    // process may still allocate, which is not known here.
    lines += Format("VRAM Total : %.3fMB\n", 0.0);
    lines += Format("VRAM Free : %.3fMB\n", 0.0);
    lines += Format("RR : %u\n", DDGetMonitorFrequency());
  }
  if (lpDTCon) {
    lines += Format("TextureMaxSize : (%d,%d)\n", lpDTCon->d3dCaps.MaxTextureWidth,
                    lpDTCon->d3dCaps.MaxTextureHeight);
    if (lpDTCon->bPow2) lines += "D3DPTEXTURECAPS_POW2\n";
    if (lpDTCon->bSquareOnly) lines += "D3DPTEXTURECAPS_SQUAREONLY\n";
    lines += "D3DCAPS2_DYNAMICTEXTURES\n";
  }
  if (!lines.empty() && lines.back() == '\n') lines.pop_back();
  return WriteReport("%s", lines.c_str());
}

void DDSetMesBoxProvider(DDMesBoxFn fn) { g_mesBox = fn; }

void DDSetFrameOverlay(void (*drawOverlay)(DDSURFACEDATA*, const char*)) {
  g_drawOverlay = drawOverlay;
  if (g_bDisplayReady) InstallPacerHooks();
}

void DDSetDeviceStateForTest(DeviceState state) { g_deviceState = state; }
DeviceState DDGetDeviceStateForTest() { return g_deviceState; }

// Shared with present.cpp and restore.cpp.
std::vector<PixelBuffer*>* DDFlipChain() { return g_lpDD ? &g_lpDD->chain : nullptr; }
