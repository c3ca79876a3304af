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

// The text renderers join the restore here: told of the loss, redrawn
// after it.
struct RestoreHooks {
  void (*fontsLost)() = nullptr;
  void (*fontsRestore)() = nullptr;
};
void SetRestoreHooks(const RestoreHooks& hooks);
const RestoreHooks& GetRestoreHooks();
