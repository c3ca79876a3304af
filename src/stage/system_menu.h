// Boxed menus of System texts: the texts of a range as one window text, a
// character column before each line when a menu cursor goes there. The box
// is placed with cSystemData::GetSystemMenuLeft.
#pragma once
#include "graphics/font.h"
#include "graphics/surface.h"
#include "records/system_data.h"

// Draws System texts start .. start + count - 1 with `font` (the game's
// second text renderer) as a window of width (widest text, plus one with a
// cursor) x 16 and height count x 16 at (x, y). Nothing for count 0.
void DrawSystemMenu(const cSystemData& system, cFont& font, DDSURFACEDATA* dst, int x, int y, int start, int count,
                    int cursor);

class cCmd;
template <class T> class cCheckedVector;

// The box of a command menu's enabled entries: as wide as the longest
// enabled caption plus one character (the cursor's column), one 16-pixel
// row per enabled entry; nothing when every enabled caption is empty.
void DrawCmdMenu(cFont& font, DDSURFACEDATA* dst, int x, int y, const cCheckedVector<cCmd>& list);
// The left edge that centres that box on `centreX`.
int GetCmdMenuLeft(int centreX, const cCheckedVector<cCmd>& list);
