// Loading surfaces from bitmap files for both backends, mirrored sheets, the
// built-in surfaces from their definitions, and reloading lost surfaces.
#pragma once
#include "graphics/surface.h"

enum : int { LOADIMAGE_ERR = 8, SETCOLORKEY_ERR = 9 };

// 0 on success, CREATESURFACE_ERR, LOADIMAGE_ERR, or 1 when the mirror
// could not be built.
int DDCreateSurfaceFromFile(DDSURFACEDATA* lpSD, const char* fileName, int key, int depth, DWORD ddMem,
                            DWORD dtMem, DDSURFACEDATA* lpBaseSD, int palIndex, int mirrorX, int mirrorY,
                            int restore);
bool DDLoadSurfaces(DDSURFACEDATA* surfaces, const int* indices, int count);
bool DDSurfaceErrorName(int code);
int DDCheckBitmapSize(int* tooLarge, const char* fileName, int width, int height);
bool DDReloadSurface(DDSURFACEDATA* lpSD, int depth);
bool CopyBitmap(DDSURFACEDATA* lpSD, const char* fileName, int depth, int palIndex, int mirrorX, int mirrorY);
bool CreateMirror(DDSURFACEDATA* dst, DDSURFACEDATA* src, int mirrorX, int mirrorY);
