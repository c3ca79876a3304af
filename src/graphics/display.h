// The display: set-up, frame end and release of both drawing backends, the
// virtual back buffer, the draw states of textured blits, and what the shell
// needs to show a DirectDraw frame. Frames leave the program only through
// the present functions here (plat::PresentFrame).
#pragma once
#include "graphics/surface.h"

// Set-up error codes of the DirectDraw paths.
enum : int {
  DDINIT_OK = 0,
  CREATEEX_ERR = 1,
  SETCOOPLEVEL_ERR = 2,
  SETDISPLAYMODE_ERR = 3,
  CREATESURFACE_ERR = 4,
  GETATTACHEDSURFACE_ERR = 5,
  CREATEPALETTE_ERR = 6,
  SETPALETTE_ERR = 7,
  CLIPPER_ERR = 10,
  SETHWND_ERR = 11,
  SETCLIPPER_ERR = 12,
};

bool DDInit(int bD3D, HWND hWnd, int width, int height, int bpp, int vsync, int windowMode, int backBufferMode,
            int refreshRate, int useRefreshRate, DDSURFACEDATA* surfaces, DDSURFACEDEF* defs, int count,
            int unused);
int DDInitD3D(HWND hWnd, int width, int height, int bpp);
int DDInitFullScreen(HWND hWnd, int width, int height, int bpp, int backBufferMode);
int DDInitWindow(HWND hWnd);
bool DDErrorName(int code);
void DDSetRenderStates();
int DDPresent(int fps, int show, DDSURFACEDATA* sheet);
void DDRelease();
void DDReInit();

void DDSetVirtualBackBuffer(int on);
int DDRedirectBackBuffer(DDSURFACEDATA** lplpSD);
void DDCopyVirtualBackBuffer(DDSURFACEDATA* dst, DDSURFACEDATA* src);

void DDSetDrawColor(D3DCOLOR color);
void DDResetDrawColor();
void DDSetColorOp(DWORD op);
void DDResetColorOp();
void DDSetAlphaOp(DWORD op);
void DDResetAlphaOp();

// Texture-stage operations the blits use.
enum : DWORD { D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3, D3DTOP_MODULATE = 4 };

// ---- DirectDraw presenting, called by the shell's frame step ------------
// Waits until the display's next refresh begins (DirectDraw only).
void DDWaitForVerticalBlank();
// Window mode: copies BackBuffer onto the primary at g_rcWindow and shows it.
bool DDBltToPrimary();
// Full screen: flips the chain (the back surface becomes the front) at the
// display's next refresh and shows the front.
bool DDFlip();
// Full screen without flipping: copies 640 x 480 of BackBuffer onto the
// primary and shows it.
bool DDCopyBackToPrimary();
// True when the surface's DirectDraw pixels were lost (IsLost).
bool DDIsSurfaceLost(const DDSURFACEDATA* lpSD);
// Restores a lost DirectDraw surface: usable again, contents undefined (zero).
void DDRestoreSurfacePart(DDSURFACEDATA* lpSD);

// Converts a buffer to ARGB8888 (opaque) through `palette` at 8 bits. The
// target holds width x height pixels.
void ConvertToArgb(const PixelBuffer& src, const DDPALETTE* palette, uint32_t* argb);

// ---- the report --------------------------------------------------------
// "Mode", "Bpp", the DirectDraw memory and refresh lines, the Direct3D block.
int WriteDisplayReport(int detail);
// The desktop's colour depth (32 unless a test sets another).
int DDGetDesktopBpp();
void DDSetDesktopBppForTest(int bpp);  // 0 restores the default
// The monitor's refresh rate (60 when unknown).
unsigned DDGetMonitorFrequency();

// The drawn full-screen message box, installed by DDInit in full screen once
// the message-box drawing exists.
using DDMesBoxFn = int (*)(const char* text, const char* caption, unsigned type);
void DDSetMesBoxProvider(DDMesBoxFn fn);

// ---- test hooks: device and surface loss never happen by themselves -----
enum class DeviceState { Ok, Lost, NotReset };
// Direct3D: Lost makes Present report the loss; NotReset lets a reset run.
void DDSetDeviceStateForTest(DeviceState state);
DeviceState DDGetDeviceStateForTest();
// DirectDraw: every video-memory surface (primary and back buffer
// included) loses its pixels and reports lost until restored.
void DDLoseSurfacesForTest();

// The pacer's overlay drawing (installed with the pacer hooks by DDInit).
void DDSetFrameOverlay(void (*drawOverlay)(DDSURFACEDATA* sheet, const char* text));
// The last frame handed to plat::PresentFrame (ARGB8888, width x height);
// a headless player's frames that nobody looks at are not converted.
const std::vector<uint32_t>& DDLastPresentedFrame();

// The full-screen flip chain, front first (null without a DirectDraw
// display). For the present and restore code.
std::vector<PixelBuffer*>* DDFlipChain();
