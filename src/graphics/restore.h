// Bringing the display back after the device or its surfaces were lost.
// Loss never happens by itself here: the test hooks of display.h cause it.
#pragma once
#include "graphics/surface.h"

// Direct3D: resets the lost device and re-creates every listed surface.
// 1 when restored (or in DirectDraw mode), 0 while the device cannot be
// reset yet.
int DDRestoreSurface();
// DirectDraw: restores the lost primary, back buffer and built-in surfaces,
// reloading those with a file and marking the empty ones; true.
bool DDRestore();

// The pieces of the program that own resources of their own join the
// restore here: the bitmap loader (re-reading a surface's file) and the
// text renderers (told of the loss, redrawn after it).
struct RestoreHooks {
  // Direct3D: re-create lpSD from its szFileName with the restore flag.
  bool (*reloadFromFile)(DDSURFACEDATA* lpSD) = nullptr;
  // DirectDraw: reload lpSD's bitmap at the display depth.
  bool (*reloadSurface)(DDSURFACEDATA* lpSD) = nullptr;
  void (*fontsLost)() = nullptr;
  void (*fontsRestore)() = nullptr;
};
void SetRestoreHooks(const RestoreHooks& hooks);
const RestoreHooks& GetRestoreHooks();
