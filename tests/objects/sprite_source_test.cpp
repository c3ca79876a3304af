#include "objects/sprite_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/builtin_tables.h"
#include "app/globals.h"
#include "records/start_option.h"
#include "graphics/surface.h"
#include "objects/chara_base.h"
#include "records/block_data.h"
#include "records/database.h"

namespace {

const int kLeft = kSpriteFacingLeft, kRight = kSpriteFacingRight;
// A chara facing the given way.
const cCharaBase* Obj(const int& facing) {
  static cCharaBase charas[2];
  charas[1].m_bRight = 1;
  return &charas[facing == kRight ? 1 : 0];
}

int Entry(const DDSURFACEDATA* sd) { return sd ? static_cast<int>(sd - g_SD) : -1; }

}  // namespace

// The lookup reads only the sizes of the chara sheets; they are given the
// sizes of 256 x 256 sheets (8 cells a row) without loading anything.
class SpriteSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedD3D_ = g_bD3D;
    savedStretch_ = g_StartOption.DD_VideoStretch;
    savedBmp_ = g_Database.m_vecBmpCharaExc;
    for (int i = kSheetChara; i < kSheetChara + 2 * kCharaSheetCount; ++i)
      for (int e : {i, i + kSheetCharaSecond}) {
        g_SD[e].nWidth = 256;
        g_SD[e].nHeight = 256;
      }
  }
  void TearDown() override {
    for (int i = kSheetChara; i < kSheetChara + 2 * kCharaSheetCount; ++i)
      for (int e : {i, i + kSheetCharaSecond}) g_SD[e].nWidth = g_SD[e].nHeight = 0;
    g_vecCharaExcSD.clear();
    g_StartOption.DD_VideoStretch = savedStretch_;
    g_bD3D = savedD3D_;
    g_Database.m_vecBmpCharaExc = savedBmp_;
  }
  int savedD3D_ = 0;
  int savedStretch_ = 0;
  cCheckedVector<cBmpCharaExcData> savedBmp_;
};

TEST_F(SpriteSourceTest, BuiltInSheetCellsForEveryKindAndFacing) {
  struct Case {
    const char* what;
    int mode, kind, index, cell;
    const int* facing;  // null: no object
    int extra;
    int sd1, sd2, rev1, rev2;  // built-in entries, -1 none
    int x, y;
  };
  const Case cases[] = {
      {"block 16", 0, kGraphicKindBlock, 16, 7, nullptr, 0, 2, 3, 2, 3, 32, 32},
      {"block 44 at the bottom of column 2", 0, kGraphicKindBlock, 44, 0, nullptr, 0, 2, 3, 2, 3, 64, 448},
      {"chara cell 25 in mode 0: column 5 of the mirrored sheet", 0, kGraphicKindChara, 0, 25, nullptr, 0, 5, 23,
       -1, -1, 160, 0},
      {"chara sheet 1 row 2 cell 3", 0, kGraphicKindChara, 17, 3, nullptr, 0, 6, 24, -1, -1, 96, 64},
      {"chara sheet 7 row 7, mirrored column 7", 0, kGraphicKindChara, 7 * 15 + 7, 27, nullptr, 0, 19, 37, -1, -1,
       224, 224},
      {"mode 1 without an object goes by the cell", 1, kGraphicKindChara, 15, 21, nullptr, 0, 7, 25, -1, -1, 32, 0},
      {"mode 1 facing left: normal sheet, extra cell added", 1, kGraphicKindChara, 15, 2, &kLeft, 1, 6, 24, 7, 25,
       96, 0},
      {"mode 1 facing right: mirrored sheet", 1, kGraphicKindChara, 15, 2, &kRight, 1, 7, 25, 6, 24, 96, 0},
      {"item 16", 0, kGraphicKindItem, 16, 0, nullptr, 1, 40, 41, -1, -1, 64, 32},
      {"item 16 frame 1 in mode 2", 2, kGraphicKindItem, 16, 0, nullptr, 1, 40, 41, -1, -1, 96, 32},
      {"shot 31", 0, kGraphicKindShot, 31, 0, nullptr, 0, 63, 63, -1, -1, 64, 32},
      {"shot 119 facing right", 1, kGraphicKindShot, 119, 0, &kRight, 0, 64, 64, 63, 63, 192, 928},
      {"unknown kind", 0, 5, 3, 0, nullptr, 0, -1, -1, -1, -1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SPRITESRC s;
    s.Lookup(c.mode, c.kind, c.index, c.cell, c.facing ? Obj(*c.facing) : nullptr, c.extra);
    EXPECT_EQ(Entry(s.lpSD1), c.sd1);
    EXPECT_EQ(Entry(s.lpSD2), c.sd2);
    EXPECT_EQ(Entry(s.lpRevSD1), c.rev1);
    EXPECT_EQ(Entry(s.lpRevSD2), c.rev2);
    EXPECT_EQ(s.nX, c.x);
    EXPECT_EQ(s.nY, c.y);
    EXPECT_EQ(s.bPreScaled, 0);
    EXPECT_EQ(s.byScale, 1);
  }
}

TEST_F(SpriteSourceTest, CharaCellsOutsideTheirSheetShowCellZeroOfTheFirstSheet) {
  struct Case {
    const char* what;
    int mode, index, cell;
    const int* facing;
    int rev1, rev2;
  };
  const Case cases[] = {
      {"column past the width", 0, 17, 8, nullptr, -1, -1},
      {"mirrored column past the width", 0, 17, 28, nullptr, -1, -1},
      {"row past the height", 0, 8, 0, nullptr, -1, -1},
      {"sheet past the eighth", 0, 8 * 15, 0, nullptr, -1, -1},
      {"largest index", 0, 32767, 0, nullptr, -1, -1},
      {"negative index", 0, -1, 0, nullptr, -1, -1},
      {"negative cell", 0, 16, -1, nullptr, -1, -1},
      {"facing with the extra cell past the width", 1, 16, 7, &kRight, 5, 23},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SPRITESRC s;
    s.Lookup(c.mode, kGraphicKindChara, c.index, c.cell, c.facing ? Obj(*c.facing) : nullptr, 1);
    EXPECT_EQ(Entry(s.lpSD1), 4);
    EXPECT_EQ(Entry(s.lpSD2), 22);
    EXPECT_EQ(Entry(s.lpRevSD1), c.rev1);
    EXPECT_EQ(Entry(s.lpRevSD2), c.rev2);
    EXPECT_EQ(s.nX, 0);
    EXPECT_EQ(s.nY, 0);
  }
  // A sheet that did not load (an optional sheet left out) has no cells.
  g_SD[6].nWidth = g_SD[6].nHeight = 0;
  SPRITESRC s;
  s.Lookup(0, kGraphicKindChara, 15, 0, nullptr);
  EXPECT_EQ(Entry(s.lpSD1), 4);
}

TEST_F(SpriteSourceTest, DedicatedBitmapCellsAndSurfaces) {
  g_Database.m_vecBmpCharaExc.assign(4, cBmpCharaExcData());
  g_Database.m_vecBmpCharaExc.At(2).m_bLargeCells = 1;
  g_Database.m_vecBmpCharaExc.At(2).m_nCellSize = 2;
  g_Database.m_vecBmpCharaExc.At(1).m_bLargeCells = 0;
  g_vecCharaExcSD.resize(8);  // bitmaps 1 and 2, as the stage loads them
  auto at = [&](const DDSURFACEDATA* sd) { return sd ? static_cast<int>(sd - g_vecCharaExcSD.data()) : -1; };

  struct Case {
    const char* what;
    int mode, index, cell;
    const int* facing;
    int extra;
    int sd1, sd2, rev1, rev2;  // positions in the stage's surface vector
    int preScaled, scale, x, y;
  };
  const Case cases[] = {
      {"cell multiplier 2: cell 9 of 8 per row", 0, 2, 9, nullptr, 0, 4, 6, -1, -1, 1, 2, 64, 64},
      {"32-pixel cells, 16 a row", 0, 1, 17, nullptr, 0, 0, 2, -1, -1, 0, 1, 32, 32},
      {"facing right adds the extra cell", 1, 2, 8, &kRight, 1, 5, 7, 4, 6, 1, 2, 64, 64},
      {"facing left", 1, 1, 15, &kLeft, 0, 0, 2, 1, 3, 0, 1, 480, 0},
      {"a bitmap with no surfaces yet", 0, 3, 1, nullptr, 0, -1, -1, -1, -1, 0, 1, 32, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SPRITESRC s;
    s.Lookup(c.mode, kGraphicKindCharaBmp, c.index, c.cell, c.facing ? Obj(*c.facing) : nullptr, c.extra);
    EXPECT_EQ(at(s.lpSD1), c.sd1);
    EXPECT_EQ(at(s.lpSD2), c.sd2);
    EXPECT_EQ(at(s.lpRevSD1), c.rev1);
    EXPECT_EQ(at(s.lpRevSD2), c.rev2);
    EXPECT_EQ(s.bPreScaled, c.preScaled);
    EXPECT_EQ(s.byScale, c.scale);
    EXPECT_EQ(s.nX, c.x);
    EXPECT_EQ(s.nY, c.y);
  }
  g_vecCharaExcSD.clear();
  SPRITESRC s;
  s.Lookup(0, kGraphicKindCharaBmp, 2, 0, nullptr);
  EXPECT_EQ(s.lpSD1, nullptr);
}

TEST_F(SpriteSourceTest, FirstSetOnlyInDirectDrawWithVideoStretch) {
  struct Case {
    int d3d, stretch;
    bool first;
  } cases[] = {{0, 0, false}, {0, 1, true}, {1, 1, false}, {1, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.d3d) + " " + std::to_string(c.stretch));
    g_bD3D = c.d3d;
    g_StartOption.DD_VideoStretch = c.stretch;
    SPRITESRC s;
    s.Lookup(1, kGraphicKindChara, 15, 2, Obj(kRight));
    EXPECT_EQ(s.lpSD, c.first ? s.lpSD1 : s.lpSD2);
    EXPECT_EQ(s.lpRevSD, c.first ? s.lpRevSD1 : s.lpRevSD2);
    EXPECT_EQ(Entry(MarkSheetSurface()), c.first ? kSheetMark : kSheetMark2);
  }
}
