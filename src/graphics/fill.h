// Filling rectangles of surfaces with a palette colour or a device colour.
#pragma once
#include "graphics/surface.h"

int DDFillRect(DDSURFACEDATA* lpSD, int x, int y, int w, int h, DWORD palNum);
int DDFillSurface(DDSURFACEDATA* lpSD, DWORD palNum);
int DDFillRectColor(DDSURFACEDATA* lpSD, int x, int y, int w, int h, DWORD color);
int DDFillSurfaceColor(DDSURFACEDATA* lpSD, DWORD color);
