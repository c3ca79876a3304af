// The colour key: the transparent colour of sprite sheets, set from red,
// green and blue or from the top-left pixel of a bitmap.
#pragma once
#include "graphics/surface.h"

int DDSetTransmit(BYTE red, BYTE green, BYTE blue);
int DDSetTransmitFromFile(const char* fileName);
// The start-up form: the first definition's bitmap.
int DDSetTransmitFromFile(const DDSURFACEDEF* defs);
