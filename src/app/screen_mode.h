// The screen-mode check of the start-up: from the start options and the
// project's depth choices it settles window mode, vertical sync and colour
// depth, or names why the combination cannot be shown.
#pragma once

struct ScreenModeRequest {
  int direct3D = 0;      // start option Direct3D after the drawing-mode choice (0/1)
  int windowMode = 0;    // start option WindowMode
  int bpp = 0;           // start option Bpp (0 automatic)
  int vsync = 0;         // start option VSync (2 or more automatic)
  int paletteMode = 0;   // System.dat: 0 8-bit graphics with a palette, 1 24-bit
  int d3dDepth = 0;      // System.dat's automatic depth of Direct3D
  int ddDepth = 0;       // System.dat's automatic depth of DirectDraw
  int desktopBpp = 32;   // read only in window mode
  bool osAtLeast60 = true;  // the full-screen automatic vsync rule
};

struct ScreenMode {
  int windowMode = 0;  // 0/1
  int vsync = 0;       // 0/1
  int depth = 0;       // 8, 16 or 32
  // Null when the mode can be shown, else the message of the error box.
  const char* error = nullptr;
};

extern const char* const kScreenModeWindowText;   // window depth differs from the desktop
extern const char* const kScreenModeGeneralText;  // every other refused mode

ScreenMode CheckScreenMode(const ScreenModeRequest& in);
