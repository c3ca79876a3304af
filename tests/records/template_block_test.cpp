#include <gtest/gtest.h>

#include <vector>

#include "flow/flow_test_io.h"
#include "records/block_data.h"
#include "records/template_test_support.h"
#include "support/bytes.h"

namespace {

class TemplateBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    SetBlockAppearanceTest(nullptr);
  }
  void TearDown() override { SetBlockAppearanceTest(nullptr); }
};

struct BlockBody {
  uint8_t inheritSource = 0;
  int16_t inheritIndex = 0;
  uint8_t graphicKind = 0;
  int16_t graphic = 7;
  uint8_t hitKind = 1;
  uint8_t summonProof = 0;
  std::vector<uint8_t> flags = std::vector<uint8_t>(11, 0);
};

// The block body from the file layout: 18 fields in 26 bytes, the name, then
// position, inherit flags and one appearance condition.
ByteBuilder BuildBlock(const BlockBody& v) {
  ByteBuilder b;
  b.I32(18);
  b.U8(v.inheritSource).I16(v.inheritIndex).U8(1).U8(1);  // condition mode any, latch
  b.I16(v.graphic).U8(v.graphicKind).I16(-3);             // graphic, kind, frame
  b.U8(1).U8(0).U8(1).I16(16);                            // layer, hidden, icon flag, icon
  b.U8(v.hitKind).U8(uint8_t(int8_t(-1))).U8(4).I32(-250);  // hit, passing faction, effect
  b.U8(2).I16(1).U8(v.summonProof);                       // item link, summon-proof
  b.I32(1).Str("岩");
  b.I16(12).I16(-4);
  b.U32(uint32_t(v.flags.size()));
  for (uint8_t f : v.flags) b.U8(f);
  b.U32(1);
  AppendCond(b, 2, 99);
  return b;
}

TEST_F(TemplateBlock, BodyOf26BytesRoundTrips) {
  const ByteBuilder file = BuildBlock({.graphicKind = 3, .graphic = 40});
  cBlockData b;
  ASSERT_TRUE(ReadBody(b, file.Bytes()));
  EXPECT_EQ(b.RegisteredFields(778, FieldKind::Number).size(), 18u);
  size_t bytes = 0;
  for (const RecordField* f : b.RegisteredFields(778, FieldKind::Number)) bytes += f->Bytes();
  EXPECT_EQ(bytes, 26u);

  EXPECT_EQ(b.m_byCondMode, 1);
  EXPECT_EQ(b.m_bCondLatch, 1);
  EXPECT_EQ(b.m_sGraphic, 40);  // no renumbering at 778
  EXPECT_EQ(b.m_byGraphicKind, 3);
  EXPECT_EQ(b.m_sGraphicFrame, -3);
  EXPECT_EQ(b.m_byLayer, 1);
  EXPECT_EQ(b.m_bIcon, 1);
  EXPECT_EQ(b.m_sIcon, 16);
  EXPECT_EQ(b.m_cPassFaction, -1);
  EXPECT_EQ(b.m_byEffectKind, kBlockEffectCarryLeft);
  EXPECT_EQ(b.m_nEffectValue, -250);
  EXPECT_EQ(b.m_byItemSource, 2);  // item links are left to the palette and stage fix-ups
  EXPECT_EQ(b.m_sItemIndex, 1);
  EXPECT_EQ(b.m_strName, "岩");
  EXPECT_EQ(b.m_sX, 12);
  EXPECT_EQ(b.m_sY, -4);
  ASSERT_EQ(b.m_vecCond.size(), 1u);
  EXPECT_EQ(b.m_vecCond[0].m_byKind, 2);
  EXPECT_EQ(b.m_vecCond[0].m_nConst, 99);
  EXPECT_EQ(BodyBytes(b), file.Bytes());

  // A copy is a deep, independent one.
  cBlockData c;
  c = b;
  c.m_vecCond[0].m_nConst = 1;
  EXPECT_EQ(b.m_vecCond[0].m_nConst, 99);
  EXPECT_EQ(BodyBytes(c).size(), file.Size());
}

TEST_F(TemplateBlock, DefaultsAndEmptyBlock) {
  cBlockData d;
  EXPECT_EQ(d.m_byHitKind, kBlockHitSolid);
  EXPECT_EQ(d.m_cPassFaction, -1);
  EXPECT_EQ(d.m_vecInheritFlag, std::vector<uint8_t>(11, 0));
  EXPECT_EQ(d.m_byGraphicKind, kGraphicKindBlock);

  // An empty block (graphic 0) is written and read back passable and not summon-proof.
  const ByteBuilder file = BuildBlock({.graphic = 0, .hitKind = 1, .summonProof = 1});
  cBlockData b;
  ASSERT_TRUE(ReadBody(b, file.Bytes()));
  EXPECT_EQ(b.m_byHitKind, 0);
  EXPECT_EQ(b.m_bSummonProof, 0);
  cBlockData w;
  w.m_bSummonProof = 1;
  cBlockData back;
  ASSERT_TRUE(ReadBody(back, BodyBytes(w)));
  EXPECT_EQ(back.m_byHitKind, 0);
  EXPECT_EQ(back.m_bSummonProof, 0);

  // Init brings a used record back to the defaults.
  b.m_strName = "x";
  b.m_sX = 3;
  b.m_vecInheritFlag.assign(4, 1);
  b.Init();
  EXPECT_EQ(BodyBytes(b), BodyBytes(d));
}

TEST_F(TemplateBlock, ShotSheetRenumberingBefore219) {
  struct Case {
    uint32_t version;
    uint8_t kind;
    int16_t graphic;
    int16_t expected;
  } cases[] = {
      {218, kGraphicKindShot, 40, 41},  {218, kGraphicKindShot, 119, 119}, {218, kGraphicKindShot, 118, 119},
      {218, kGraphicKindShot, 500, 119}, {219, kGraphicKindShot, 40, 40},   {218, kGraphicKindItem, 40, 40},
      {150, kGraphicKindShot, 0, 1},
  };
  for (const Case& c : cases) {
    cBlockData b;
    ASSERT_TRUE(ReadBody(b, BuildBlock({.graphicKind = c.kind, .graphic = c.graphic}).Bytes(), c.version)) << c.version;
    EXPECT_EQ(b.m_sGraphic, c.expected) << c.version << " kind " << int(c.kind) << " graphic " << c.graphic;
  }
}

TEST_F(TemplateBlock, InheritanceAndLinkChecks) {
  ScopedTestPalette common(kPaletteSourceCommon, 3, 1, 2);
  ScopedTestPalette stage(kPaletteSourceStage, 2, 1, 1);
  cBlockData& e = common.blocks[2];
  e.m_strName = "entry";
  e.m_sGraphic = 55;
  e.m_byGraphicKind = 1;
  e.m_sGraphicFrame = 4;
  e.m_byHitKind = 2;
  e.m_vecCond.resize(2);
  e.m_byCondMode = 0;
  e.m_nEffectValue = 77;

  std::vector<uint8_t> all(11, 1);
  std::vector<uint8_t> nameAndGraphic(11, 0);
  nameAndGraphic[0] = nameAndGraphic[2] = 1;
  std::vector<uint8_t> five(5, 1);

  struct Case {
    const char* what;
    uint8_t source;
    int16_t index;
    std::vector<uint8_t> flags;
    uint8_t wantSource;
    int16_t wantIndex;
    const char* wantName;
    int16_t wantGraphic;
    int32_t wantEffect;
    size_t wantFlags;
  } cases[] = {
      {"name and graphic groups", 1, 2, nameAndGraphic, 1, 2, "entry", 55, -250, 11},
      {"every group", 1, 2, all, 1, 2, "entry", 55, 77, 11},
      {"index 0 copies nothing, link kept", 1, 0, all, 1, 0, "岩", 7, -250, 11},
      {"stage index equal to the size", 2, 2, all, 0, 2, "岩", 7, -250, 11},
      {"negative index", 1, -1, all, 0, -1, "岩", 7, -250, 11},
      {"unknown source", 3, 1, all, 3, 1, "岩", 7, -250, 11},
      {"five flags: groups 0 to 4 only", 1, 2, five, 1, 2, "entry", 55, -250, 5},
  };
  for (const Case& c : cases) {
    cBlockData b;
    ASSERT_TRUE(ReadBody(b, BuildBlock({.inheritSource = c.source, .inheritIndex = c.index, .flags = c.flags}).Bytes()))
        << c.what;
    EXPECT_EQ(b.m_byInheritSource, c.wantSource) << c.what;
    EXPECT_EQ(b.m_sInheritIndex, c.wantIndex) << c.what;
    EXPECT_EQ(b.m_strName, c.wantName) << c.what;
    EXPECT_EQ(b.m_sGraphic, c.wantGraphic) << c.what;
    EXPECT_EQ(b.m_nEffectValue, c.wantEffect) << c.what;
    EXPECT_EQ(b.m_vecInheritFlag.size(), c.wantFlags) << c.what;
  }

  // Group 1 replaces the conditions by a copy of the entry's.
  std::vector<uint8_t> conds(11, 0);
  conds[1] = 1;
  cBlockData withConds;
  ASSERT_TRUE(ReadBody(withConds, BuildBlock({.inheritSource = 1, .inheritIndex = 2, .flags = conds}).Bytes()));
  EXPECT_EQ(withConds.m_vecCond.size(), 2u);
  EXPECT_EQ(withConds.m_byCondMode, 0);

  // Validate clears links outside the lists, negative ones included.
  cBlockData v;
  v.m_byInheritSource = 2;
  v.m_sInheritIndex = 1;
  v.Validate();
  EXPECT_EQ(v.m_byInheritSource, 2);
  for (int16_t bad : {int16_t(2), int16_t(-1), int16_t(-32768)}) {
    v.m_byInheritSource = 2;
    v.m_sInheritIndex = bad;
    v.Validate();
    EXPECT_EQ(v.m_byInheritSource, 0) << bad;
    EXPECT_EQ(v.m_sInheritIndex, 0) << bad;
  }

  struct ItemCase {
    uint8_t source;
    int16_t index;
    uint8_t wantSource;
    int16_t wantIndex;
  } items[] = {{1, 1, 1, 1}, {1, 2, 0, 0}, {2, 0, 2, 0}, {2, 1, 0, 0}, {2, -5, 0, 0}, {0, 9, 0, 9}, {4, 9, 4, 9}};
  for (const ItemCase& c : items) {
    cBlockData b;
    b.m_byItemSource = c.source;
    b.m_sItemIndex = c.index;
    b.ValidateItemLink();
    EXPECT_EQ(b.m_byItemSource, c.wantSource) << int(c.source) << "," << c.index;
    EXPECT_EQ(b.m_sItemIndex, c.wantIndex) << int(c.source) << "," << c.index;
  }
}

TEST_F(TemplateBlock, LinksWithoutInstalledPalettesAreOutOfRange) {
  cScopedPaletteLists noCommon(kPaletteSourceCommon, {});
  cScopedPaletteLists noStage(kPaletteSourceStage, {});
  cBlockData b;
  b.m_byInheritSource = 1;
  b.m_sInheritIndex = 1;
  b.m_byItemSource = 2;
  b.m_sItemIndex = 0;
  b.Validate();
  b.ValidateItemLink();
  EXPECT_EQ(b.m_byInheritSource, 0);
  EXPECT_EQ(b.m_byItemSource, 0);
}

int g_nTestCalls = 0;
int g_nTestAnswer = 1;
int CountingTest(cBlockData&) {
  ++g_nTestCalls;
  return g_nTestAnswer;
}

TEST_F(TemplateBlock, HitKindForAFaction) {
  cBlockData b;
  b.m_sGraphic = 1;
  b.m_byHitKind = kBlockHitDeadly;
  b.m_cPassFaction = 3;
  EXPECT_EQ(b.GetHitKind(3), 0);
  EXPECT_EQ(b.GetHitKind(2), kBlockHitDeadly);
  b.m_cPassFaction = -1;
  for (int f = 0; f < 8; ++f) EXPECT_EQ(b.GetHitKind(f), kBlockHitDeadly) << f;

  // The appearance test is asked only for a block with conditions.
  SetBlockAppearanceTest(&CountingTest);
  g_nTestCalls = 0;
  g_nTestAnswer = 0;
  EXPECT_EQ(b.GetHitKind(0), kBlockHitDeadly);
  EXPECT_EQ(g_nTestCalls, 0);
  b.m_vecCond.resize(1);
  EXPECT_EQ(b.GetHitKind(0), 0);
  EXPECT_EQ(g_nTestCalls, 1);
  g_nTestAnswer = 1;
  EXPECT_EQ(b.GetHitKind(0), kBlockHitDeadly);
}

TEST_F(TemplateBlock, DamagedBodiesNeverCrash) {
  ExpectDamagedBodiesHandled<cBlockData>(BuildBlock({}).Bytes(), 778);
}

}  // namespace
