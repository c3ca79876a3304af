// Items: set-up from a template, placement on a cell, scaling and drawing
// from the item sheets with the mark over them.
#include "objects/item.h"

#include <gtest/gtest.h>

#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/surface.h"
#include "objects/chara_base.h"
#include "objects/sprite_source.h"
#include "objects/stage_fixture.h"
#include "records/start_option.h"
#include "records/stage_data.h"

namespace {

cFlowCmd ItemCmd(int kind, std::initializer_list<int> params = {}) {
  cFlowCmd c;
  c.m_byCategory = 1;
  c.m_byKind = static_cast<BYTE>(kind);
  c.m_vecParam.assign(params);
  return c;
}

constexpr int kBoxW = 20, kBoxH = 24;

class ItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_Stage.m_nItemW = kBoxW;
    g_Stage.m_nItemH = kBoxH;
  }
  t4test::StageFixture stage_;
};

TEST_F(ItemTest, ConstructionGivesAnEmptyIconTemplate) {
  cItem item;
  EXPECT_EQ(item.m_bPresent, 0);
  EXPECT_EQ(item.m_Data.m_byGraphicKind, kGraphicKindItem);
  EXPECT_EQ(item.m_Data.m_sGraphic, 0);
  EXPECT_EQ(item.m_Data.m_cSize, 1);
  ASSERT_EQ(item.m_Data.m_vecInheritFlag.size(), 13u);
  for (uint8_t f : item.m_Data.m_vecInheritFlag) EXPECT_EQ(f, 0);
}

TEST_F(ItemTest, SetUpFromTemplateAndPlacementOnACell) {
  struct Case {
    const char* what;
    int scale;    // in the template
    int present;
    int factor;   // the geometry's scale afterwards
  };
  const Case cases[] = {
      {"scale 0 counts as 1", 0, 0, 1},
      {"scale 1", 1, 0, 1},
      {"scale 2 doubles box and image", 2, 0, 2},
      {"a carried item keeps its natural size", 3, 1, 1},
  };
  for (const Case& c : cases) {
    cItemData t;
    t.m_sGraphic = 16;
    t.m_cSize = static_cast<int8_t>(c.scale);
    cItem item;
    ASSERT_EQ(item.InitFromTemplate(9, t, c.present), 1) << c.what;
    EXPECT_EQ(t.m_cSize, c.scale == 0 ? 1 : c.scale) << c.what << ": the template itself";
    EXPECT_EQ(item.m_Data.m_cSize, t.m_cSize) << c.what;
    EXPECT_EQ(item.m_nId, 9) << c.what;
    EXPECT_EQ(item.m_nGraphic, 16) << c.what;
    EXPECT_EQ(item.m_nTeam, 0) << c.what;
    EXPECT_EQ(item.m_bRight, 0) << c.what;
    EXPECT_EQ(item.m_bNoGravity, 1) << c.what;
    EXPECT_EQ(item.m_byBlockMode, 0) << c.what;
    EXPECT_EQ(item.m_bScrollLock, 0) << c.what;
    EXPECT_EQ(item.m_bPresent, c.present) << c.what;
    EXPECT_EQ(item.m_bAppeared, c.present) << c.what;
    const int offX = 16 - kBoxW / 2, offY = 16 - kBoxH / 2;
    EXPECT_EQ(item.m_nBaseImgOffX, offX) << c.what;
    EXPECT_EQ(item.m_nBaseImgOffY, offY) << c.what;
    EXPECT_EQ(item.m_nW, kBoxW * c.factor) << c.what;
    EXPECT_EQ(item.m_nH, kBoxH * c.factor) << c.what;
    EXPECT_EQ(item.m_nImgW, 32 * c.factor) << c.what;
    EXPECT_EQ(item.m_nImgH, 32 * c.factor) << c.what;
    EXPECT_EQ(item.m_nImgOffX, offX * c.factor) << c.what;

    item.PlaceAtCell(5, 3);
    // The natural-size spot, shifted so the grown item stays centred on its
    // cell and stands on its bottom line.
    const int grow = (c.present ? item.m_Data.m_cSize : c.factor) - 1;
    const double x = (5 + 10) * 32 + offX + 0.5 - grow * (kBoxW >> 1);
    const double y = (3 + 10) * 32 + offY - grow * (kBoxH + offY);
    EXPECT_DOUBLE_EQ(item.m_dX, x) << c.what;
    EXPECT_DOUBLE_EQ(item.m_dY, y) << c.what;
    EXPECT_DOUBLE_EQ(item.m_dRight, x + item.m_nW - 1) << c.what;
    EXPECT_EQ(item.m_nCellT, static_cast<int>(y) >> 5) << c.what;
  }
}

TEST_F(ItemTest, LoopsOfTheCommandListAreExpanded) {
  cItemData t;
  t.m_vecCmd.push_back(ItemCmd(24, {3, 1}));
  t.m_vecCmd.push_back(ItemCmd(9, {0, 1, 1}));
  t.m_vecCmd.push_back(ItemCmd(6));
  cItem item;
  EXPECT_EQ(item.InitFromTemplate(1, t, 0), 1);
  ASSERT_EQ(item.m_Data.m_vecCmd.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(item.m_Data.m_vecCmd[static_cast<size_t>(i)].m_byKind, 9);
  EXPECT_EQ(item.m_Data.m_vecCmd[3].m_byKind, 6);
  EXPECT_EQ(t.m_vecCmd.size(), 3u);  // the template keeps its loop
}

TEST_F(ItemTest, ScaleChangesKeepTheBottomLine) {
  cItemData t;
  cItem item;
  item.InitFromTemplate(1, t, 0);
  item.PlaceAtCell(5, 3);
  const double y = item.m_dY;
  item.AdjustYForScale(1, 1);
  EXPECT_DOUBLE_EQ(item.m_dY, y);
  item.AdjustYForScale(3, 1);
  EXPECT_DOUBLE_EQ(item.m_dY, y - 2 * (kBoxH + item.m_nBaseImgOffY));
  EXPECT_DOUBLE_EQ(item.m_dBottom, item.m_dY + item.m_nH - 1);
  // Copies carry the template copy along.
  item.m_Data.m_sIcon = 44;
  cItem copy(item);
  cItem assigned;
  assigned = item;
  for (const cItem* c : {&copy, &assigned}) {
    EXPECT_EQ(c->m_Data.m_sIcon, 44);
    EXPECT_DOUBLE_EQ(c->m_dY, item.m_dY);
  }
}

// Drawing in 8-bit colour, where pixels are palette indexes: the item sheets
// and mark sheets are small surfaces with one filled cell each.
class ItemDrawTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedStretch_ = g_StartOption.DD_VideoStretch;
    g_StartOption.DD_VideoStretch = 0;  // DirectDraw draws from the second set
    ASSERT_TRUE(Init(kDisplayModes[0]));
    g_Stage.m_nItemW = kBoxW;
    g_Stage.m_nItemH = kBoxH;
    for (int e : {kSheetItem, kSheetItem2, kSheetMark, kSheetMark2}) Make(g_SD[e], 256, 480);
    // Icon 16: column 1 (x 64), row 1; frame 0 at x 64, frame 1 at x 96.
    Fill(g_SD[kSheetItem], 64, 32, 3);
    Fill(g_SD[kSheetItem], 96, 32, 4);
    Fill(g_SD[kSheetItem2], 64, 32, 5);
    Fill(g_SD[kSheetItem2], 96, 32, 6);
    // Mark 16: (32, 32).
    Fill(g_SD[kSheetMark], 32, 32, 7);
    Fill(g_SD[kSheetMark2], 32, 32, 8);
    SelectSpriteSurfaces();
    Make(target_, 200, 200);
  }
  void TearDown() override {
    for (int e : {kSheetItem, kSheetItem2, kSheetMark, kSheetMark2}) DDReleaseSurface(&g_SD[e]);
    DDReleaseSurface(&target_);
    g_StartOption.DD_VideoStretch = savedStretch_;
    DisplayTest::TearDown();
  }
  static void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, 0, nullptr, 0));
    drawtest::FillAll(sd, 0);
  }
  static void Fill(DDSURFACEDATA& sd, int x, int y, uint32_t v) {
    for (int j = 0; j < 32; ++j)
      for (int i = 0; i < 32; ++i) drawtest::Put(sd, x + i, y + j, v);
  }
  // An item of icon 16 whose image rectangle starts at screen (10, 20).
  cItem MakeItem(int scale, int mark = 0, int hidden = 0) {
    cItemData t;
    t.m_sGraphic = 16;
    t.m_cSize = static_cast<int8_t>(scale);
    t.m_bIcon = static_cast<BYTE>(mark);
    t.m_sIcon = 16;
    t.m_bHidden = static_cast<BYTE>(hidden);
    cItem item;
    item.InitFromTemplate(1, t, 0);
    item.m_dX = stage_.Scene().m_ScrollX.m_dPos + 10 + item.m_nImgOffX;
    item.m_dY = stage_.Scene().m_ScrollY.m_dPos + 20 + item.m_nImgOffY;
    item.UpdateScreenRect();
    return item;
  }
  uint32_t At(int x, int y) { return drawtest::Get(target_, x, y); }

  t4test::StageFixture stage_;
  DDSURFACEDATA target_;
  int savedStretch_ = 0;
};

TEST_F(ItemDrawTest, IconFramesScaleMarkAndHidden) {
  {
    cItem item = MakeItem(1);
    ASSERT_EQ(item.m_rcScreen.left, 10);
    ASSERT_EQ(item.m_rcScreen.top, 20);
    item.Draw(&target_, 0);
    // A plain copy comes from the first-set sheet, 32 x 32.
    EXPECT_EQ(At(10, 20), 3u);
    EXPECT_EQ(At(41, 51), 3u);
    EXPECT_EQ(At(42, 20), 0u);
    EXPECT_EQ(At(10, 52), 0u);
    // Stepping the blink reaches frame 1, the cell beside.
    for (int i = 0; i < 1000 && item.m_Anime.GetValue() != 1; ++i) item.Draw(&target_, 1);
    ASSERT_EQ(item.m_Anime.GetValue(), 1);
    EXPECT_EQ(At(10, 20), 4u);
  }
  drawtest::FillAll(target_, 0);
  {
    // Scale 2 on a normal sheet: the 32 x 32 cell stretched to 64 x 64 from
    // the sheet of the set in use.
    cItem item = MakeItem(2);
    item.Draw(&target_, 0);
    EXPECT_EQ(At(10, 20), 5u);
    EXPECT_EQ(At(73, 83), 5u);
    EXPECT_EQ(At(74, 20), 0u);
    EXPECT_EQ(At(10, 84), 0u);
  }
  drawtest::FillAll(target_, 0);
  {
    cItem item = MakeItem(1, 1);
    item.Draw(&target_, 0);
    EXPECT_EQ(At(10, 20), 8u);  // the mark sheet over the icon
    EXPECT_EQ(At(41, 51), 8u);
    cItem big = MakeItem(2, 1);
    drawtest::FillAll(target_, 0);
    big.Draw(&target_, 0);
    EXPECT_EQ(At(73, 83), 8u);  // stretched with the icon
  }
  drawtest::FillAll(target_, 0);
  {
    cItem item = MakeItem(2, 1, 1);
    item.Draw(&target_, 0);
    for (int y = 0; y < 200; y += 7)
      for (int x = 0; x < 200; x += 7) ASSERT_EQ(At(x, y), 0u) << "hidden, drawn at " << x << "," << y;
  }
}

}  // namespace

namespace {

// The play frame draws a layer's items in one sprite batch ordered by the
// item sheet. In Direct3D the mark, from the unordered mark sheet, is drawn
// first and so lies beneath its item; DirectDraw draws at once, the mark
// over the item.
TEST_F(ItemDrawTest, TheFramesItemBatchPutsTheMarkBeneathTheItemInDirect3D) {
  for (const char* mode : {"DD32Window", "D3D32Window"}) {
    SCOPED_TRACE(mode);
    for (int e : {kSheetItem, kSheetItem2, kSheetMark, kSheetMark2}) DDReleaseSurface(&g_SD[e]);
    DDReleaseSurface(&target_);
    DDRelease();
    ASSERT_TRUE(Init(DisplayModeNamed(mode)));
    const uint32_t opaque = g_bD3D ? 0xFF000000u : 0u;
    for (int e : {kSheetItem, kSheetItem2, kSheetMark, kSheetMark2}) Make(g_SD[e], 256, 480);
    for (int e : {kSheetItem, kSheetItem2}) Fill(g_SD[e], 64, 32, opaque | 0x3333);
    for (int e : {kSheetMark, kSheetMark2}) Fill(g_SD[e], 32, 32, opaque | 0x8888);
    SelectSpriteSurfaces();
    ASSERT_TRUE(DDCreateSurface(&target_, 200, 200, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    drawtest::FillAll(target_, 0);
    cItem& item = g_lstItem.emplace_back(MakeItem(1, 1));
    item.m_bOnScreen = 1;
    stage_.Scene().DrawItems(&target_, 0, 1, 1);
    EXPECT_EQ(At(10, 20), opaque | (g_bD3D ? 0x3333u : 0x8888u));
    EXPECT_EQ(At(41, 51), opaque | (g_bD3D ? 0x3333u : 0x8888u));
    g_lstItem.clear();
  }
}

}  // namespace
