#include <gtest/gtest.h>

#include <cstring>

#include "platform/messages.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/stage_test_bytes.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace {

using namespace stagebytes;

class PaletteFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 1;
    plat::ResetRuntimeForTest();
  }
  void TearDown() override {
    // The globals back to their start-up state (their lists stay where the
    // palette links look).
    g_CommonPalette = cPaletteData();
    g_Stage = cStageData();
  }
  std::string Write(const ByteBuilder& b, const char* name) {
    std::string path = dir / name;
    EXPECT_TRUE(b.WriteTo(path));
    return path;
  }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

Chara Sized(int size, uint8_t source = 0, int16_t index = 0) {
  Chara c;
  c.size = int8_t(size);
  c.inheritSource = source;
  c.inheritIndex = index;
  if (source) c.flags[20] = 1;  // group 20: size
  return c;
}

TEST_F(PaletteFile, ListsArePaddedToTwoAndEntryZeroIsReset) {
  Palette p;
  Block b0;
  b0.graphic = 5;
  b0.hit = 1;
  b0.name = "b0";
  p.blocks = {b0};
  Item i0;
  i0.name = "i0";
  i0.graphic = 4;
  Item i1;
  i1.name = "i1";
  p.items = {i0, i1, Item{}};
  cPaletteData pal;
  ASSERT_TRUE(pal.LoadFromFile(Write(Build(p), "CommonPalette.cplt4").c_str()));
  ASSERT_EQ(pal.m_vecBlock.size(), 2u);
  EXPECT_EQ(pal.m_vecBlock[0].m_strName, "");
  EXPECT_EQ(pal.m_vecBlock[0].m_sGraphic, 0);
  EXPECT_EQ(pal.m_vecBlock[1].m_sGraphic, 0);
  EXPECT_EQ(pal.m_vecChara.size(), 2u);
  ASSERT_EQ(pal.m_vecItem.size(), 3u);
  EXPECT_EQ(pal.m_vecItem[0].m_strName, "");
  EXPECT_EQ(pal.m_vecItem[0].m_sGraphic, 0);
  EXPECT_EQ(pal.m_vecItem[1].m_strName, "i1");

  // An empty list is written as two entries.
  cPaletteData empty;
  empty.m_vecBlock.clear();
  cRecordWriter out;
  empty.Save(out);
  uint32_t blocks = 0;
  std::memcpy(&blocks, out.Data().data() + 8, 4);
  EXPECT_EQ(blocks, 2u);
}

TEST_F(PaletteFile, LoadedEntriesKeepWhatTheyInheritedButNoFlags) {
  Palette p;
  Block flagged;
  flagged.flags.assign(15, 1);
  p.blocks = {Block{}, flagged};
  Chara c;
  c.flags.assign(37, 1);
  p.charas = {Chara{}, c, c};
  Item i;
  i.flags.assign(13, 1);
  p.items = {Item{}, i};
  cPaletteData pal;
  ASSERT_TRUE(pal.LoadFromFile(Write(Build(p), "CommonPalette.cplt4").c_str()));
  for (const cBlockData& b : pal.m_vecBlock)
    for (uint8_t f : b.m_vecInheritFlag) EXPECT_EQ(f, 0);
  for (const cCharaData& ch : pal.m_vecChara)
    for (uint8_t f : ch.m_vecInheritFlag) EXPECT_EQ(f, 0);
  for (const cItemData& it : pal.m_vecItem)
    for (uint8_t f : it.m_vecInheritFlag) EXPECT_EQ(f, 0);
  EXPECT_EQ(pal.m_vecBlock[1].m_vecInheritFlag.size(), 15u);  // wiped, not resized
}

// Inheritance resolves in load order: the common palette's entries from the
// entries read before them, the stage palette's from the common palette and
// its own earlier entries, the placed charas from the stage palette as read.
TEST_F(PaletteFile, InheritanceFollowsTheLoadOrder) {
  Palette common;
  common.charas = {Chara{},
                   Sized(5),           // 1
                   Sized(9, 1, 1),     // 2: from 1, read before it -> 5
                   Sized(9, 1, 4),     // 3: from 4, still a default -> 1
                   Sized(7)};          // 4
  ASSERT_TRUE(g_CommonPalette.LoadFromFile(Write(Build(common), "CommonPalette.cplt4").c_str()));
  ASSERT_EQ(g_CommonPalette.m_vecChara.size(), 5u);
  EXPECT_EQ(g_CommonPalette.m_vecChara[2].m_cSize, 5);
  EXPECT_EQ(g_CommonPalette.m_vecChara[3].m_cSize, 1);
  EXPECT_EQ(g_CommonPalette.m_vecChara[4].m_cSize, 7);

  Stage st = Minimal();
  st.paletteCharas = {Chara{},
                      Sized(2, 1, 2),   // 1: common 2 -> 5
                      Sized(2, 2, 1)};  // 2: stage 1, read before it -> 5
  struct Case {
    const char* what;
    Chara placed;
    int size;
    int source;
    int index;
  } cases[] = {
      {"common entry", Sized(3, 1, 2), 5, 1, 2},
      {"common entry that inherited a later, still default entry", Sized(3, 1, 3), 1, 1, 3},
      {"stage entry that inherited from the common palette", Sized(3, 2, 1), 5, 2, 1},
      {"stage entry inheriting from an earlier stage entry", Sized(3, 2, 2), 5, 2, 2},
      {"entry 0 is never a source: nothing, link kept", Sized(3, 1, 0), 3, 1, 0},
      {"index past the common list", Sized(3, 1, 9), 3, 0, 9},
      {"index past the stage list", Sized(3, 2, 3), 3, 0, 3},
      {"negative index", Sized(3, 2, -1), 3, 0, -1},
      {"source naming nothing", Sized(3, 3, 1), 3, 3, 1},
      {"no source", Sized(3, 0, 1), 3, 0, 1},
  };
  st.charas.clear();
  for (const Case& c : cases) st.charas.push_back(c.placed);
  st.charas.push_back(Hero(1, 13));
  cStageData s;
  ASSERT_TRUE(s.LoadFromFile(Write(Build(st), "x.stg4_778").c_str()));
  EXPECT_EQ(s.m_vecPaletteChara[1].m_cSize, 5);
  EXPECT_EQ(s.m_vecPaletteChara[2].m_cSize, 5);
  EXPECT_EQ(s.m_vecPaletteChara[1].m_vecInheritFlag[20], 1);  // the stage palette keeps its flags
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const cCharaData& c = s.m_vecChara[i];
    EXPECT_EQ(c.m_cSize, cases[i].size);
    EXPECT_EQ(c.m_byInheritSource, cases[i].source);
    EXPECT_EQ(c.m_sInheritIndex, cases[i].index);
  }
  // Read into a record that is not g_Stage, the stage links still went to
  // the stage being read, and g_Stage's palette is again what source 2 names.
  EXPECT_EQ(g_Stage.m_vecPaletteChara.size(), 1u);
}

TEST_F(PaletteFile, CommonLinksIntoTheStagePaletteAreKeptForUse) {
  Palette common;
  Block handsOutStageItem;
  handsOutStageItem.graphic = 1;
  handsOutStageItem.hit = 1;
  handsOutStageItem.itemSource = 2;
  handsOutStageItem.itemIndex = 5;
  Block brokenCommonLink = handsOutStageItem;
  brokenCommonLink.itemSource = 1;
  brokenCommonLink.itemIndex = 9;
  Block goodCommonLink = handsOutStageItem;
  goodCommonLink.itemSource = 1;
  goodCommonLink.itemIndex = 1;
  common.blocks = {Block{}, handsOutStageItem, brokenCommonLink, goodCommonLink};
  common.items = {Item{}, Item{}};
  ASSERT_TRUE(g_CommonPalette.LoadFromFile(Write(Build(common), "CommonPalette.cplt4").c_str()));
  const auto& b = g_CommonPalette.m_vecBlock;
  EXPECT_EQ(b[1].m_byItemSource, 2);  // start-up's stage has no items: not a reason to drop it
  EXPECT_EQ(b[1].m_sItemIndex, 5);
  EXPECT_EQ(b[2].m_byItemSource, 0);
  EXPECT_EQ(b[2].m_sItemIndex, 0);
  EXPECT_EQ(b[3].m_byItemSource, 1);
  EXPECT_EQ(b[3].m_sItemIndex, 1);

  // A stage's own blocks are checked against that stage's palette.
  Stage st = Minimal();
  Block stageBlock = handsOutStageItem;
  st.paletteBlocks = {Block{}, stageBlock};
  cStageData s;
  ASSERT_TRUE(s.LoadFromFile(Write(Build(st), "x.stg4_778").c_str()));
  EXPECT_EQ(s.m_vecPaletteBlock[1].m_byItemSource, 0);
  EXPECT_EQ(s.m_vecPaletteBlock[1].m_sItemIndex, 0);
}

TEST_F(PaletteFile, WrittenPaletteReadsBackTheSame) {
  cPaletteData pal;
  pal.m_vecChara.resize(3);
  pal.m_vecChara[2].m_strName = "敵";
  pal.m_vecChara[2].m_nMaxHp = 40;
  std::string path = dir / "CommonPalette.cplt4";
  ASSERT_TRUE(WriteCommonPalette(pal, path));
  cPaletteData back;
  ASSERT_TRUE(back.LoadFromFile(path.c_str()));
  ASSERT_EQ(back.m_vecChara.size(), 3u);
  EXPECT_EQ(back.m_vecChara[2].m_strName, "敵");
  EXPECT_EQ(back.m_vecChara[2].m_nMaxHp, 40);
  EXPECT_EQ(back.m_vecBlock.size(), 2u);
  std::string again = dir / "again.cplt4";
  ASSERT_TRUE(back.SaveToFile(again.c_str()));
  EXPECT_EQ(HexBytes(ReadOsFile(again)), HexBytes(ReadOsFile(path)));

  // Damaged copies never crash and leave the palette as it was.
  const std::vector<uint8_t> good = ReadOsFile(path);
  for (size_t n = 0; n < good.size(); n += 3) {
    ByteBuilder cut;
    cut.Append(std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(n)));
    cPaletteData p;
    EXPECT_FALSE(p.LoadFromFile(Write(cut, "cut.cplt4").c_str())) << n;
    EXPECT_EQ(p.m_vecChara.size(), 1u);
  }
}

}  // namespace
