#include "objects/sprite_source.h"

#include "graphics/builtin_tables.h"
#include "records/start_option.h"
#include "graphics/blit.h"
#include "objects/chara_base.h"
#include "records/block_data.h"
#include "records/database.h"
#include "stage/stage_surfaces.h"

namespace {

DDSURFACEDATA* Sheet(int entry) { return &g_SD[entry]; }

// Chara sheet k of a set: normal or mirrored.
DDSURFACEDATA* CharaSheet(int k, bool mirrored, bool second) {
  return Sheet(kSheetChara + 2 * k + (mirrored ? 1 : 0) + (second ? kSheetCharaSecond : 0));
}

bool FacesRight(const cCharaBase* obj) { return SpriteFacingOf(obj) == kSpriteFacingRight; }

// Cell size (in units of 32 pixels) and top-left of graphic `cell` of a
// dedicated bitmap record.
void DedicatedCell(const cBmpCharaExcData& bmp, int cell, uint8_t* scale, int* x, int* y) {
  *scale = static_cast<uint8_t>(bmp.CellPixels() / 32);
  bmp.CellOrigin(cell, x, y);
}

}  // namespace

int SpriteFacingOf(const cCharaBase* obj) {
  return obj && obj->m_bRight ? kSpriteFacingRight : kSpriteFacingLeft;
}

DDSURFACEDATA* DedicatedBitmapSurface(int n, int which) {
  if (n < 1 || which < 0 || which > 3) return nullptr;
  const long long i = 4LL * (n - 1) + which;
  if (i >= g_vecCharaExcSD.Size()) return nullptr;
  return &g_vecCharaExcSD[static_cast<size_t>(i)];
}

int DDVideoStretchOption() { return g_StartOption.DD_VideoStretch; }

bool UseFirstSheetSet() { return !g_bD3D && DDVideoStretchOption() != 0; }

DDSURFACEDATA* MarkSheetSurface() { return Sheet(UseFirstSheetSet() ? kSheetMark : kSheetMark2); }

void SPRITESRC::Lookup(int mode, int kind, int index, int cell, const cCharaBase* obj, int extra) {
  bPreScaled = 0;
  byScale = 1;
  lpSD1 = lpSD2 = lpRevSD1 = lpRevSD2 = nullptr;
  nX = nY = 0;
  const bool facing = mode == kSpriteModeFacing && obj;
  switch (kind) {
    case kGraphicKindBlock:
      lpSD1 = lpRevSD1 = Sheet(kSheetBlock);
      lpSD2 = lpRevSD2 = Sheet(kSheetBlock2);
      nX = (index / 15) * 32;
      nY = (index % 15) * 32;
      break;
    case kGraphicKindChara: {
      // A 16-bit index reaches far beyond the eight sheets: those, like
      // cells outside the sheet, show the fallback cell.
      const int k = index / 15;
      nY = (index % 15) * 32;
      bool inRange = index >= 0 && k < kCharaSheetCount;
      if (inRange && facing) {
        const bool right = FacesRight(obj);
        lpSD1 = CharaSheet(k, right, false);
        lpSD2 = CharaSheet(k, right, true);
        lpRevSD1 = CharaSheet(k, !right, false);
        lpRevSD2 = CharaSheet(k, !right, true);
        nX = (cell + extra) * 32;
      } else if (inRange) {
        const bool mirrored = cell >= 20;
        lpSD1 = CharaSheet(k, mirrored, false);
        lpSD2 = CharaSheet(k, mirrored, true);
        nX = (mirrored ? cell - 20 : cell) * 32;
      }
      if (!inRange || nX < 0 || nY < 0 || nX >= lpSD1->nWidth || nY >= lpSD1->nHeight) {
        lpSD1 = CharaSheet(0, false, false);
        lpSD2 = CharaSheet(0, false, true);
        // The opposite facing, when there is one, stays on the same sheet.
        if (facing) {
          lpRevSD1 = CharaSheet(0, true, false);
          lpRevSD2 = CharaSheet(0, true, true);
        }
        nX = nY = 0;
      }
      break;
    }
    case kGraphicKindItem:
      lpSD1 = Sheet(kSheetItem);
      lpSD2 = Sheet(kSheetItem2);
      nX = (index / 15) * 64 + (mode == kSpriteModeItemFrame ? extra * 32 : 0);
      nY = (index % 15) * 32;
      break;
    case kGraphicKindShot:
      // The stage builds one shot sheet; both sets use it.
      if (facing) {
        const bool right = FacesRight(obj);
        lpSD1 = lpSD2 = Sheet(right ? kSheetShotMirror : kSheetShot);
        lpRevSD1 = lpRevSD2 = Sheet(right ? kSheetShot : kSheetShotMirror);
      } else {
        lpSD1 = lpSD2 = Sheet(kSheetShot);
      }
      nX = (index / 30) * 64;
      nY = (index % 30) * 32;
      break;
    case kGraphicKindCharaBmp: {
      int which = 0;  // normal
      if (facing) {
        cell += extra;
        which = FacesRight(obj) ? 1 : 0;
        lpRevSD1 = DedicatedBitmapSurface(index, 1 - which);
        lpRevSD2 = DedicatedBitmapSurface(index, 3 - which);
      }
      lpSD1 = DedicatedBitmapSurface(index, which);
      lpSD2 = DedicatedBitmapSurface(index, 2 + which);
      const cBmpCharaExcData& bmp = g_Database.m_vecBmpCharaExc.At(index);
      bPreScaled = bmp.m_bLargeCells ? 1 : 0;
      DedicatedCell(bmp, cell, &byScale, &nX, &nY);
      break;
    }
    default:
      break;
  }
  const bool first = UseFirstSheetSet();
  lpSD = first ? lpSD1 : lpSD2;
  lpRevSD = first ? lpRevSD1 : lpRevSD2;
}

void DrawSmallIcon(DDSURFACEDATA* target, int x, int y, int kind, int index, int cell) {
  switch (kind) {
    case kGraphicKindBlock:
      DDStretchBlt(target, x, y, 16, 16, Sheet(kSheetBlock2), (index / 15) * 32, (index % 15) * 32, 32, 32, 1);
      break;
    case kGraphicKindChara: {
      const int k = index / 15;
      if (index < 0 || k >= kCharaSheetCount) break;
      DDStretchBlt(target, x, y, 16, 16, CharaSheet(k, false, true), cell * 32, (index % 15) * 32, 32, 32, 1);
      break;
    }
    case kGraphicKindItem:
      DDBlt(target, x, y, 16, 16, Sheet(kSheetItemMini), (index / 15) * 32, (index % 15) * 16, 1);
      break;
    case kGraphicKindShot:
      DDStretchBlt(target, x, y, 16, 16, Sheet(kSheetShot), (index / 30) * 64, (index % 30) * 32, 32, 32, 1);
      break;
    case kGraphicKindCharaBmp: {
      const cBmpCharaExcData& bmp = g_Database.m_vecBmpCharaExc.At(index);
      uint8_t scale = 1;
      int sx = 0, sy = 0;
      DedicatedCell(bmp, cell, &scale, &sx, &sy);
      DDStretchBlt(target, x, y, 16, 16, DedicatedBitmapSurface(index, 2), sx, sy, scale * 32, scale * 32, 1);
      break;
    }
    default:
      break;
  }
}
