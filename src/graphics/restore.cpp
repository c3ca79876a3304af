#include "graphics/restore.h"

#include <cstring>

#include "graphics/bitmap_load.h"
#include "graphics/display.h"
#include "services/log.h"

namespace {
RestoreHooks g_hooks;
}

void SetRestoreHooks(const RestoreHooks& hooks) { g_hooks = hooks; }
const RestoreHooks& GetRestoreHooks() { return g_hooks; }

int DDRestoreSurface() {
  if (!lpDTCon) {
    WriteECLog("DDではDDRestoreSurfaceは未対応");
    return 1;
  }
  WriteECLog("Restore In");
  for (DDSURFACEDATA* sd : g_lstSurface) {
    DTSURFACEDATA* dt = sd->lpDT;
    if (!dt || dt->dwMemType == DTMEMORYTYPE_SYSTEM) continue;
    if (dt->lpSurface == dt->lpTexture) dt->lpSurface = nullptr;
    delete dt->lpTexture;
    dt->lpTexture = nullptr;
  }
  if (g_hooks.fontsLost) g_hooks.fontsLost();
  if (BackBuffer.lpDT) BackBuffer.lpDT->lpSurface = nullptr;

  if (DDGetDeviceStateForTest() != DeviceState::NotReset) {
    WriteECLog("復旧失敗…リセット可能な状態ではありません…");
    return 0;
  }
  // The reset: a fresh back buffer with the parameters the device was made with.
  PixelBuffer& back = lpDTCon->backBuffer;
  int w = lpDTCon->d3dpp.BackBufferWidth ? lpDTCon->d3dpp.BackBufferWidth : g_nScreenWidth;
  int h = lpDTCon->d3dpp.BackBufferHeight ? lpDTCon->d3dpp.BackBufferHeight : g_nScreenHeight;
  if (!back.Allocate(lpDTCon->d3dpp.BackBufferFormat, w, h)) return 0;
  DDSetDeviceStateForTest(DeviceState::Ok);
  DDSetRenderStates();
  if (BackBuffer.lpDT) BackBuffer.lpDT->lpSurface = &back;

  for (DDSURFACEDATA* sd : g_lstSurface) {
    DTSURFACEDATA* dt = sd->lpDT;
    if (!dt) continue;
    bool ok;
    if (!DDIsEmptySurfaceName(sd->szFileName)) {
      ok = DDCreateSurfaceFromFile(sd, sd->szFileName, dt->bTransmit ? 1 : 0, g_nBpp, sd->dwMemType, dt->dwMemType,
                                   sd->lpBaseSD, dt->lpPalIndex ? 1 : 0, sd->nMirrorX, sd->nMirrorY, 1) == 0;
    } else {
      ok = DDCreateSurface(sd, sd->nWidth, sd->nHeight, dt->bTransmit ? 1 : 0, sd->dwMemType, dt->dwMemType,
                           sd->lpBaseSD, 1);
      sd->bLost = 1;
    }
    if (!ok) WriteECLog("Err");
  }
  if (g_hooks.fontsRestore) g_hooks.fontsRestore();
  WriteECLog("Restore Out");
  return 1;
}

bool DDRestore() {
  if (lpDTCon) {
    WriteECLog("D3DではDDRestoreは未対応");
    return true;
  }
  if (!DDIsSurfaceLost(&g_PrimarySD)) return true;
  DDRestoreSurfacePart(&g_PrimarySD);
  if (DDIsSurfaceLost(&BackBuffer)) DDRestoreSurfacePart(&BackBuffer);
  for (int i = 0; g_lpSurfaceArray && i < g_nSurfaceCount; ++i) {
    DDSURFACEDATA* sd = &g_lpSurfaceArray[i];
    if (!DDIsSurfaceLost(sd)) continue;
    DDRestoreSurfacePart(sd);
    if (sd->dwMemType != 0) continue;
    if (!DDIsEmptySurfaceName(sd->szFileName)) {
      DDReloadSurface(sd, g_nBpp);
    } else {
      sd->bLost = 1;
    }
  }
  if (g_nBpp == 8 && g_lpDDPal) g_lpDDPal->SetEntries(0, 256, g_PaletteWork);
  if (g_hooks.fontsRestore) g_hooks.fontsRestore();
  return true;
}

void DDLoseSurfacesForTest() {
  for (PixelBuffer* b : DDTrackedVideoBuffers()) {
    b->lost = true;
    b->Clear();  // what a lost surface held is gone
  }
}
