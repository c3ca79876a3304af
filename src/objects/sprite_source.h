// The sprite source: where the graphic of a block cell, chara, item or shot
// sits on the built-in sheets or a dedicated chara bitmap, for both sets of
// sheet surfaces and both facings.
#pragma once
#include <cstdint>

struct DDSURFACEDATA;
class cCharaBase;

// Built-in surface entries of the sheets. Each chara sheet k (0..7) is a
// normal and a mirrored surface; the second set of a chara sheet is 18
// entries further on, the second block, item and mark sheets the next entry.
enum : int {
  kSheetBlock = 2,
  kSheetBlock2 = 3,
  kSheetChara = 4,          // 4 + 2k normal, 5 + 2k mirrored
  kSheetCharaSecond = 18,   // offset of the second set
  kCharaSheetCount = 8,
  kSheetItem = 40,
  kSheetItem2 = 41,
  kSheetItemMini = 42,
  kSheetMark = 43,
  kSheetMark2 = 44,
  kSheetShot = 63,          // built by the stage, facing left
  kSheetShotMirror = 64,    // facing right
};

// Lookup modes (the first argument): 0 a block cell or other still graphic,
// 1 an object drawn by its facing, 2 an item icon with its frame.
enum : int { kSpriteModeStill = 0, kSpriteModeFacing = 1, kSpriteModeItemFrame = 2 };

// Facing of an object for the lookup: a left-facing object is drawn from the
// normal sheet, a right-facing one from the mirrored sheet.
enum : int { kSpriteFacingLeft = 0, kSpriteFacingRight = 1 };

struct SPRITESRC {
  DDSURFACEDATA* lpSD1 = nullptr;     // primary, first set
  DDSURFACEDATA* lpSD2 = nullptr;     // primary, second set
  DDSURFACEDATA* lpRevSD1 = nullptr;  // opposite facing, first set
  DDSURFACEDATA* lpRevSD2 = nullptr;  // opposite facing, second set
  DDSURFACEDATA* lpSD = nullptr;      // chosen primary
  DDSURFACEDATA* lpRevSD = nullptr;   // chosen opposite
  int bPreScaled = 0;                 // a dedicated bitmap of large cells
  uint8_t byScale = 1;                // cell edge in units of 32 pixels
  int nX = 0, nY = 0;                 // top-left of the cell on the sheet

  // Fills the source of graphic `index` of `kind` (kGraphicKind*) with its
  // frame or number `cell`; `obj` gives the facing in mode 1 (null: none);
  // `extra` is added to the cell in mode 1 and to the item frame in mode 2.
  // Never fails: a chara cell outside its sheet shows cell (0, 0) of the
  // first chara sheet; an unknown kind leaves no surface.
  void Lookup(int mode, int kind, int index, int cell, const cCharaBase* obj, int extra = 0);
};

// Facing of `obj` (kSpriteFacing*); left when there is no object.
int SpriteFacingOf(const cCharaBase* obj);

// Surface `which` (0..3) of dedicated chara bitmap n (from 1): normal and
// mirrored of the first set, normal and mirrored of the second set, at
// 4n - 4 .. 4n - 1 of g_vecCharaExcSD as the stage loads them; null when the
// stage has no such surface.
DDSURFACEDATA* DedicatedBitmapSurface(int n, int which);

// The start-up option "DD_VideoStretch".
int DDVideoStretchOption();

// True when drawing takes the first set of sheet surfaces: DirectDraw with
// "DD_VideoStretch" on.
bool UseFirstSheetSet();

// The mark sheet ("bmp\Mark.bmp") of the set in use.
DDSURFACEDATA* MarkSheetSurface();

// Draws graphic `index` of `kind` with frame `cell` as a 16x16 icon at
// (x, y) of the target, from the second set; other kinds draw nothing.
void DrawSmallIcon(DDSURFACEDATA* target, int x, int y, int kind, int index, int cell);
