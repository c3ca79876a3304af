// The built-in surfaces, fonts and digit strips the program draws with: the
// definitions are filled once while the global objects are constructed and
// handed to the display at start-up; the surfaces live at the same index.
#pragma once
#include "graphics/font.h"
#include "graphics/surface.h"

constexpr int kBuiltInSurfaceCount = 71;
constexpr int kBuiltInFontCount = 3;

extern DDSURFACEDEF g_SDDef[kBuiltInSurfaceCount];
// The surfaces have no destructor: the shutdown releases them.
extern DDSURFACEDATA (&g_SD)[kBuiltInSurfaceCount];
extern FONTDEF g_FontDef[kBuiltInFontCount];
extern DDSURFACEDEF g_NumberSDDef[kBuiltInFontCount];

// Fills g_SDDef, g_FontDef and g_NumberSDDef; run once while the global
// objects are constructed.
void FillBuiltInTables();

// The base-surface mark of a definition; LinkBaseSurfaces stores the real
// base in the surface.
inline DDSURFACEDATA* const kBaseSurfaceMark = reinterpret_cast<DDSURFACEDATA*>(1);

// Ties each surface that shares another's image to that surface (31 links).
void LinkBaseSurfaces();
// The entry whose image entry `index` shares, or -1.
int BaseSurfaceOf(int index);
