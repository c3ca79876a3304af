// The 8-bit colour sets and the per-frame colour cycling the scenes draw
// with.
#pragma once
#include <cstdint>

#include "graphics/blend.h"  // g_BlendTable, the colour set's blend table
#include "graphics/surface.h"

// One chara highlight colour: the colour and the texture-stage operation
// it is applied with (7 add, 10 subtract). Entry 0 means none.
struct HIGHLIGHTCOLOR {
  D3DCOLOR dwColor;
  int nOp;
};
extern HIGHLIGHTCOLOR g_HighlightColor[10];

// Loads colour set n (0-23) at 8-bit DirectDraw: the blend table
// "bmp\hbt\hbtNN.dat" and the palette, reordered for the set. 1 on success
// or when not applicable, 0 on failure.
int LoadHbtPalette(int n);
// One step of colour cycling; once per drawn frame.
void CycleColors();
// Steps a value between minimum and maximum, turning at either end; 1 when
// the value turns from falling to rising.
int PingPong(int* value, int* direction, int step, int minimum, int maximum);
// Forget the cycling state (tests start afresh).
void ResetColorCyclingForTest();
