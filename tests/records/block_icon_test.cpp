#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/builtin_tables.h"
#include "records/start_option.h"
#include "graphics/bitmap_load.h"
#include "graphics/blit.h"
#include "../graphics/display_fixture.h"
#include "../graphics/draw_helpers.h"
#include "objects/sprite_source.h"
#include "records/block_data.h"
#include "support/sheet_writer.h"
#include "support/temp_folder.h"

using drawtest::FillAll;
using drawtest::Get;

namespace {

uint32_t Rgb(uint32_t p) { return p & 0xFFFFFFu; }

// Cell index of the 32-pixel cell at (x, y) on a sheet `width` pixels wide
// (the sheet writer numbers cells row by row).
int CellAt(int x, int y, int width) { return (y / 32) * (width / 32) + x / 32; }

// Cell of graphic or icon n on a sheet of columns of 15 (block, mark).
int ColumnOf15Cell(int n, int width) { return CellAt((n / 15) * 32, (n % 15) * 32, width); }

// Column, inside the cell, of the leftmost ink pixel of the top row of the
// cell's index (its first digit, drawn from (1, 1)); mirrored cells show it
// from the right.
int InkColumn(int cell, bool mirrored) {
  static const int kTopRow[10] = {7, 2, 7, 7, 5, 7, 7, 7, 7, 7};  // bit 2 the left column
  const int top = kTopRow[std::to_string(cell)[0] - '0'];
  const int column = 1 + ((top & 4) ? 0 : (top & 2) ? 1 : 2);
  return mirrored ? 31 - column : column;
}

}  // namespace

class BlockIconTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(folder_.ok());
    ASSERT_TRUE(folder_.Enter());
    ASSERT_TRUE(WriteBuiltInSheets(folder_.path(), 24));
  }
  void TearDown() override {
    DDReleaseSurface(&target_);
    for (DDSURFACEDATA& sd : g_SD) {
      DDReleaseSurface(&sd);
      sd.lpBaseSD = nullptr;
    }
    g_StartOption.DD_VideoStretch = 0;
    DisplayTest::TearDown();
  }
  // The built-in sheets loaded as the stage play loads them, and a small
  // target of three cells side by side.
  void Start(const DisplayMode& mode) {
    ASSERT_TRUE(DDInit(mode.bD3D, nullptr, 640, 480, mode.bpp, 0, mode.windowMode, 1, 60, 0, g_SD, g_SDDef,
                       kBuiltInSurfaceCount, 0));
    LinkBaseSurfaces();
    std::vector<int> indices;
    for (int i = kSheetBlock; i <= kSheetMark2; ++i) indices.push_back(i);  // block to mark sheets
    ASSERT_TRUE(DDLoadSurfaces(g_SD, indices.data(), static_cast<int>(indices.size())));
    ASSERT_TRUE(DDCreateSurface(&target_, 96, 32, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    FillAll(target_, 0);
  }
  void Stop() {
    DDReleaseSurface(&target_);
    for (DDSURFACEDATA& sd : g_SD) DDReleaseSurface(&sd);
    DDRelease();
  }
  t4test::TempFolder folder_;
  DDSURFACEDATA target_;
};

TEST_F(BlockIconTest, DrawsTheGraphicCellAndTheMarkOverItInBothBackends) {
  struct Case {
    const char* what;
    int kind, graphic, frame;
    int iconFlag, icon;
    int expectCell;  // the sheet cell expected in the drawn 32x32
    bool mirrored;   // drawn from a mirrored sheet
  };
  const int blockW = 320, markW = 320, charaW = 256;
  const Case cases[] = {
      {"block cell, no icon", kGraphicKindBlock, 16, 0, 0, 5, ColumnOf15Cell(16, blockW), false},
      {"icon flag 2 draws no icon", kGraphicKindBlock, 16, 0, 2, 5, ColumnOf15Cell(16, blockW), false},
      {"mark over the block", kGraphicKindBlock, 2, 0, 1, 16, ColumnOf15Cell(16, markW), false},
      {"mark 29 from the second column", kGraphicKindBlock, 16, 0, 1, 29, ColumnOf15Cell(29, markW), false},
      {"chara frame 25 from the mirrored sheet", kGraphicKindChara, 0, 25, 0, 0, CellAt(5 * 32, 0, charaW), true},
      {"chara frame 3 row 2 of sheet 1", kGraphicKindChara, 17, 3, 0, 0, CellAt(3 * 32, 2 * 32, charaW), false},
      {"chara cell outside the sheet", kGraphicKindChara, 17, 9, 0, 0, 0, false},
      {"item icon", kGraphicKindItem, 16, 0, 0, 0, CellAt(64, 32, 320), false},
  };
  for (const char* modeName : {"DD32Full", "D3D32Full"}) {
    const DisplayMode* mode = nullptr;
    for (const DisplayMode& m : kDisplayModes)
      if (std::string(m.name) == modeName) mode = &m;
    ASSERT_NE(mode, nullptr);
    Start(*mode);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(modeName) + ": " + c.what);
      FillAll(target_, 0);
      cBlockData block;
      block.m_byGraphicKind = static_cast<BYTE>(c.kind);
      block.m_sGraphic = static_cast<int16_t>(c.graphic);
      block.m_sGraphicFrame = static_cast<int16_t>(c.frame);
      block.m_bIcon = static_cast<BYTE>(c.iconFlag);
      block.m_sIcon = static_cast<int16_t>(c.icon);
      block.DrawIcon(&target_, 32, 0);
      EXPECT_EQ(Rgb(Get(target_, 32 + 31, 31)), SheetCellColor(c.expectCell));
      EXPECT_EQ(Rgb(Get(target_, 32 + 16, 16)), SheetCellColor(c.expectCell));
      EXPECT_EQ(Rgb(Get(target_, 32 + InkColumn(c.expectCell, c.mirrored), 1)), kSheetInk);
      // Nothing outside the 32x32 cell.
      EXPECT_EQ(Rgb(Get(target_, 31, 16)), 0u);
      EXPECT_EQ(Rgb(Get(target_, 64, 16)), 0u);
    }
    Stop();
  }
}

TEST_F(BlockIconTest, DirectDrawDrawsFromTheSetTheVideoStretchOptionPicks) {
  // Both sets hold the same sheets; the first set must be loaded and used.
  for (int stretch : {0, 1}) {
    SCOPED_TRACE(stretch);
    g_StartOption.DD_VideoStretch = stretch;
    Start(kDisplayModes[2]);  // DD32Full
    // Only the first set's block and mark sheets are left to draw from, or
    // only the second's.
    DDReleaseSurface(&g_SD[stretch ? kSheetBlock2 : kSheetBlock]);
    DDReleaseSurface(&g_SD[stretch ? kSheetMark2 : kSheetMark]);
    cBlockData block;
    block.m_sGraphic = 16;
    block.DrawIcon(&target_, 0, 0);
    EXPECT_EQ(Rgb(Get(target_, 31, 31)), SheetCellColor(ColumnOf15Cell(16, 320)));
    block.m_bIcon = 1;
    block.m_sIcon = 2;
    block.DrawIcon(&target_, 32, 0);
    EXPECT_EQ(Rgb(Get(target_, 63, 31)), SheetCellColor(ColumnOf15Cell(2, 320)));
    Stop();
  }
}

TEST_F(BlockIconTest, SmallIconsShowTheirCellAt16Pixels) {
  struct Case {
    const char* what;
    int kind, index, cell;
    int expectCell;  // -1: nothing drawn
  };
  const Case cases[] = {
      {"block 16, stretched", kGraphicKindBlock, 16, 0, ColumnOf15Cell(16, 320)},
      {"chara sheet 1 row 2 cell 3, stretched", kGraphicKindChara, 17, 3, CellAt(3 * 32, 2 * 32, 256)},
      {"mini item 16, copied", kGraphicKindItem, 16, 0, (16 % 15) * (320 / 16) + (16 / 15) * 2},
      {"chara sheet past the eighth", kGraphicKindChara, 8 * 15, 0, -1},
      {"dedicated bitmap without surfaces", kGraphicKindCharaBmp, 1, 0, -1},
      {"unknown kind", 5, 1, 0, -1},
  };
  for (const char* modeName : {"DD32Full", "D3D32Full"}) {
    for (const DisplayMode& m : kDisplayModes)
      if (std::string(m.name) == modeName) Start(m);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(modeName) + ": " + c.what);
      FillAll(target_, 0);
      DrawSmallIcon(&target_, 16, 8, c.kind, c.index, c.cell);
      const uint32_t expected = c.expectCell < 0 ? 0u : SheetCellColor(c.expectCell);
      EXPECT_EQ(Rgb(Get(target_, 16 + 15, 8 + 15)), expected);
      EXPECT_EQ(Rgb(Get(target_, 16 + 8, 8 + 8)), expected);
      EXPECT_EQ(Rgb(Get(target_, 32, 8 + 8)), 0u);  // nothing right of the 16x16
      EXPECT_EQ(Rgb(Get(target_, 16 + 8, 8 + 16)), 0u);  // nor below it
    }
    Stop();
  }
}
