#include <gtest/gtest.h>

#include <vector>

#include "services/game_threads.h"
#include "flow/flow_test_io.h"
#include "records/chara_data.h"
#include "records/template_test_support.h"
#include "support/bytes.h"
#include "support/project_writer.h"

namespace {

class TemplateChara : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bTestPlay = 0;
    g_bKeepTestPlayFlows = 0;
    // Databases large enough that the values below stay as written.
    g_Database.m_vecAnimeSet.resize(10);
    g_Database.m_vecCharaEffect.resize(10);
    g_Database.m_vecEffect.resize(10);
    g_Database.m_vecBmpCharaExc.resize(10);
  }
  void TearDown() override { g_bTestPlay = 0; }
  ScopedDatabase keepDb;
};

struct CharaBody {
  uint8_t inheritSource = 0;
  int16_t inheritIndex = 0;
  uint8_t graphicKind = 1;
  int16_t graphic = 5;
  int16_t animeSet = 2;
  int16_t startEffect = 3;
  uint8_t control = 1;
  int8_t extraCopies = 2;
  int8_t size = 2;
  uint8_t hitRange = 1;
  int16_t bodyEffect = 4;
  std::vector<uint8_t> flags = std::vector<uint8_t>(37, 0);
  int flows = 0;  // flows with one key trigger each
};

// The chara body of a file of `version`, field by field from the file layout
// (fields of later versions left out), the name, position, carried item,
// inherit flags, one condition and the flows.
ByteBuilder BuildChara(const CharaBody& v, uint32_t version = 778) {
  auto from = [version](uint32_t first) { return version >= first; };
  int fields = 47 + (from(196) ? 2 : 0) + (from(285) ? 1 : 0) + (from(210) ? 1 : 0) + (from(201) ? 1 : 0) +
               (from(168) ? 1 : 0);
  ByteBuilder b;
  b.I32(fields);
  b.U8(v.inheritSource).I16(v.inheritIndex).U8(1).U8(0);  // condition mode, latch
  b.U8(1).U8(uint8_t(v.extraCopies));                     // facing, extra copies
  b.I16(16).I16(8).I16(-2).I16(-1).U8(1).U8(0);           // copy offsets and steps, mirrors
  b.I16(v.graphic).U8(v.graphicKind).I16(9).I16(v.animeSet);
  b.U8(5).U8(0);                                          // Z, transparent
  b.I16(v.startEffect);
  if (from(196)) b.U8(1);
  b.U8(0).I16(6);                                         // start effect mode, death effect
  if (from(196)) b.U8(2);
  b.U8(1).I16(21);                                        // mark
  b.U8(v.control).U8(0).U8(2).U8(7).U8(2).U8(0).U8(1);    // control, player, faction, ID, flight, fixed, invincible
  if (from(285)) b.U8(4);
  b.U8(1).U8(uint8_t(v.size));                            // block chara, size
  if (from(210)) b.U8(1);
  b.U8(3).U8(6).I32(120).I32(30).I16(25);                 // sight, HP, SP, stopping
  if (from(201)) b.U8(v.hitRange);
  b.I32(-7).U8(3).I16(v.bodyEffect);                      // body attack
  if (from(168)) b.I32(11);
  b.U8(uint8_t(int8_t(-2))).I32(500).U8(9).U8(1).I16(4).U8(3).U8(1);
  b.I32(1).Str("ボス");
  b.I16(3).I16(14).I32(-1);
  b.U32(uint32_t(v.flags.size()));
  for (uint8_t f : v.flags) b.U8(f);
  b.U32(1);
  AppendCond(b, 1, 5);
  b.U32(uint32_t(v.flows));
  for (int i = 0; i < v.flows; ++i) {
    // A flow of the current layout with one key trigger and nothing else.
    b.I32(10).U8(0).U8(0).U8(uint8_t(i % 2)).U8(0).U8(0).U8(0).U8(0).U8(0).U8(3).U8(0);
    b.I32(1).Str("");
    b.U32(0);  // conditions
    b.U32(1).I32(5).U8(0).I16(0).I16(0).U8(0).U8(0).I32(0).U32(19);
    for (int k = 0; k < 19; ++k) b.U8(0);
    b.U32(0);  // commands
  }
  return b;
}

size_t NumberBytes(const cRecord& r, uint32_t version) {
  size_t n = 0;
  for (const RecordField* f : r.RegisteredFields(version, FieldKind::Number)) n += f->Bytes();
  return n;
}

TEST_F(TemplateChara, BodyOf82BytesRoundTrips) {
  cCharaData c;
  EXPECT_EQ(c.RegisteredFields(778, FieldKind::Number).size(), 53u);
  EXPECT_EQ(NumberBytes(c, 778), 82u);
  EXPECT_EQ(c.RegisteredFields(167, FieldKind::Number).size(), 47u);
  EXPECT_EQ(NumberBytes(c, 167), 73u);

  g_bTestPlay = 1;  // flow 1 of the body is test-play-only
  const ByteBuilder file = BuildChara({.flows = 2});
  ASSERT_TRUE(ReadBody(c, file.Bytes()));
  EXPECT_EQ(c.m_byFacing, 1);
  EXPECT_EQ(c.m_cExtraCopies, 2);
  EXPECT_EQ(c.m_sCopyOffsetX, 16);
  EXPECT_EQ(c.m_sCopyStepY, -1);
  EXPECT_EQ(c.m_sGraphicFrame, 9);
  EXPECT_EQ(c.m_byZ, 5);
  EXPECT_EQ(c.m_cStartEffectDir, 1);
  EXPECT_EQ(c.m_cDeathEffectDir, 2);
  EXPECT_EQ(c.m_sMark, 21);
  EXPECT_EQ(c.m_byFaction, 2);
  EXPECT_EQ(c.m_byCharaId, 7);
  EXPECT_EQ(c.m_byFlight, kFlightBlocked);
  EXPECT_EQ(c.m_byInvincibleColor, 4);
  EXPECT_EQ(c.m_bScrollSync, 1);
  EXPECT_EQ(c.m_nMaxHp, 120);
  EXPECT_EQ(c.m_sStopEase, 25);
  EXPECT_EQ(c.m_nBodyPower, -7);
  EXPECT_EQ(c.m_nDefence, 11);
  EXPECT_EQ(c.m_cImpactResist, -2);
  EXPECT_EQ(c.m_nScore, 500);
  EXPECT_EQ(c.m_byReserved, 9);
  EXPECT_EQ(c.m_sGroup, 4);
  EXPECT_EQ(c.m_byActivityRange, kActivityEverywhere);
  EXPECT_EQ(c.m_byActivation, kActivationOnceThenAlways);
  EXPECT_EQ(c.m_strName, "ボス");
  EXPECT_EQ(c.m_nCarryItem, -1);
  EXPECT_EQ(c.m_sY, 14);
  ASSERT_EQ(c.m_vecFlow.size(), 2u);  // a key trigger keeps a flow
  EXPECT_EQ(BodyBytes(c), file.Bytes());
}

TEST_F(TemplateChara, DefaultsAndCopyOffsets) {
  cCharaData d;
  EXPECT_EQ(d.m_byGraphicKind, kGraphicKindChara);
  EXPECT_EQ(d.m_byZ, 3);
  EXPECT_EQ(d.m_byStartEffectMode, 1);
  EXPECT_EQ(d.m_byControl, kCharaControlComputer);
  EXPECT_EQ(d.m_byFaction, 1);
  EXPECT_EQ(d.m_bFixedDirection, 1);
  EXPECT_EQ(d.m_cSize, 1);
  EXPECT_EQ(d.m_nMaxHp, 10);
  EXPECT_EQ(d.m_sStopEase, 10);
  EXPECT_EQ(d.m_byReserved, 1);
  EXPECT_EQ(d.m_vecInheritFlag, std::vector<uint8_t>(37, 0));

  cCharaData c;
  c.m_sCopyOffsetX = 16;
  c.m_sCopyStepX = 8;
  c.m_bMirrorX = 1;
  c.m_sCopyOffsetY = -4;
  c.m_sCopyStepY = 2;
  EXPECT_EQ(c.GetCloneOffsetX(2, 0), 32.0);
  EXPECT_EQ(c.GetCloneOffsetX(2, 1), -32.0);
  EXPECT_EQ(c.GetCloneOffsetY(3, 1), 2.0);  // mirror y not set
  EXPECT_EQ(c.GetCloneOffsetX(0, 1), -16.0);

  // Init restores the defaults but keeps the carried item.
  c.m_nCarryItem = 4;
  c.m_vecFlow.resize(3);
  c.Init();
  EXPECT_EQ(c.m_nCarryItem, 4);
  c.m_nCarryItem = 0;
  EXPECT_EQ(BodyBytes(c), BodyBytes(d));
}

TEST_F(TemplateChara, OlderFilesMigrate) {
  // Version 150: 73 bytes, 34 flags all 0.
  CharaBody old;
  old.flags.assign(34, 0);
  old.hitRange = 2;
  const ByteBuilder file150 = BuildChara(old, 150);
  cCharaData c;
  c.m_nDefence = 99;
  c.m_bScrollSync = 1;
  ASSERT_TRUE(ReadBody(c, file150.Bytes(), 150));
  ASSERT_EQ(c.m_vecInheritFlag.size(), 37u);
  for (int i = 0; i < 37; ++i)
    EXPECT_EQ(c.m_vecInheritFlag[size_t(i)], (i == 21 || i == 25 || i == 29) ? 1 : 0) << "flag " << i;
  EXPECT_EQ(c.m_nDefence, 0);
  EXPECT_EQ(c.m_cStartEffectDir, 0);
  EXPECT_EQ(c.m_cDeathEffectDir, 0);
  EXPECT_EQ(c.m_byHitRange, 0);
  EXPECT_EQ(c.m_bScrollSync, 0);
  EXPECT_EQ(c.m_byInvincibleColor, 1);
  EXPECT_EQ(c.m_nScore, 500);  // the fields after the missing ones are in place

  // The older flags keep their meaning: each insertion moves only the flags
  // at or above its group, and the last flag falls off the first one.
  CharaBody marked;
  marked.flags.assign(37, 0);
  marked.flags[20] = 1;  // size: below every insertion point
  marked.flags[23] = 1;  // max SP: below hit range and defence
  marked.flags[26] = 1;  // old body attack effect slot
  marked.flags[36] = 1;  // lost by the first shift
  cCharaData m;
  ASSERT_TRUE(ReadBody(m, BuildChara(marked, 150).Bytes(), 150));
  std::vector<int> on;
  for (int i = 0; i < 37; ++i)
    if (m.m_vecInheritFlag[size_t(i)]) on.push_back(i);
  EXPECT_EQ(on, (std::vector<int>{20, 21, 24, 25, 28, 29}));

  struct Case {
    uint32_t version;
    uint8_t hitRange;
    uint8_t expected;
  } ranges[] = {{203, 2, 3}, {203, 1, 1}, {205, 3, 4}, {206, 2, 2}, {200, 3, 0}};
  for (const Case& r : ranges) {
    CharaBody b;
    b.hitRange = r.hitRange;
    cCharaData h;
    ASSERT_TRUE(ReadBody(h, BuildChara(b, r.version).Bytes(), r.version)) << r.version;
    EXPECT_EQ(h.m_byHitRange, r.expected) << r.version << " " << int(r.hitRange);
  }

  // Shot-sheet graphics move by one before 219; the invincible colour is 1 before 285.
  CharaBody shot;
  shot.graphicKind = 3;
  shot.graphic = 119;
  cCharaData s;
  ASSERT_TRUE(ReadBody(s, BuildChara(shot, 218).Bytes(), 218));
  EXPECT_EQ(s.m_sGraphic, 119);
  EXPECT_EQ(s.m_byInvincibleColor, 1);
  shot.graphic = 40;
  ASSERT_TRUE(ReadBody(s, BuildChara(shot, 284).Bytes(), 284));
  EXPECT_EQ(s.m_sGraphic, 40);
  EXPECT_EQ(s.m_byInvincibleColor, 1);
  ASSERT_TRUE(ReadBody(s, BuildChara(shot, 285).Bytes(), 285));
  EXPECT_EQ(s.m_byInvincibleColor, 4);
}

TEST_F(TemplateChara, ValidateClampsIndices) {
  g_Database.m_vecAnimeSet.resize(2);
  g_Database.m_vecCharaEffect.resize(3);
  g_Database.m_vecEffect.resize(4);
  g_Database.m_vecBmpCharaExc.resize(5);
  struct Case {
    const char* what;
    CharaBody body;
    int16_t graphic, animeSet, startEffect, bodyEffect;
    int8_t size, extraCopies;
  } cases[] = {
      {"in range", {.graphicKind = 4, .graphic = 4, .animeSet = 1, .startEffect = 2, .bodyEffect = 3}, 4, 1, 2, 3, 2, 2},
      {"at the sizes", {.graphicKind = 4, .graphic = 5, .animeSet = 2, .startEffect = 3, .bodyEffect = 4}, 1, 0, 0, 0, 2, 2},
      {"negative", {.graphicKind = 4, .graphic = -1, .animeSet = -1, .startEffect = -3, .bodyEffect = -9}, 1, 0, 0, 0, 2, 2},
      {"own bitmap only", {.graphicKind = 1, .graphic = 300, .animeSet = 1, .startEffect = 1, .bodyEffect = 1}, 300, 1, 1, 1, 2, 2},
      {"player limits and size 0", {.control = 0, .extraCopies = 3, .size = 0}, 5, 0, 0, 0, 1, 0},
      {"negative size", {.size = -4}, 5, 0, 0, 0, 1, 2},
  };
  for (const Case& c : cases) {
    cCharaData ch;
    ASSERT_TRUE(ReadBody(ch, BuildChara(c.body).Bytes())) << c.what;
    EXPECT_EQ(ch.m_sGraphic, c.graphic) << c.what;
    EXPECT_EQ(ch.m_sAnimeSet, c.animeSet) << c.what;
    EXPECT_EQ(ch.m_sStartEffect, c.startEffect) << c.what;
    EXPECT_EQ(ch.m_sBodyEffect, c.bodyEffect) << c.what;
    EXPECT_EQ(ch.m_cSize, c.size) << c.what;
    EXPECT_EQ(ch.m_cExtraCopies, c.extraCopies) << c.what;
    if (c.body.control == 0) {
      EXPECT_EQ(ch.m_bBlockChara, 0) << c.what;
    }
  }
  // The death effect (6 in the body) is clamped against the CharaEffect list too.
  cCharaData ch;
  ASSERT_TRUE(ReadBody(ch, BuildChara({}).Bytes()));
  EXPECT_EQ(ch.m_sDeathEffect, 0);
}

TEST_F(TemplateChara, EmptyAndTestPlayFlows) {
  cCharaData c;
  c.m_vecFlow.resize(4);
  c.m_vecFlow[1].m_byTrigger = 2;
  c.m_vecFlow[2].m_vecCmd.resize(1);
  c.Validate();
  ASSERT_EQ(c.m_vecFlow.size(), 2u);  // flows 0 and 3 were empty
  EXPECT_EQ(c.m_vecFlow[0].m_byTrigger, 2);
  EXPECT_EQ(c.m_vecFlow[1].m_vecCmd.size(), 1u);

  // Flow 1 of the body is test-play-only.
  const ByteBuilder file = BuildChara({.flows = 2});
  cCharaData outside;
  ASSERT_TRUE(ReadBody(outside, file.Bytes()));
  EXPECT_EQ(outside.m_vecFlow.size(), 1u);
  g_bTestPlay = 1;
  cCharaData inside;
  ASSERT_TRUE(ReadBody(inside, file.Bytes()));
  EXPECT_EQ(inside.m_vecFlow.size(), 2u);
}

TEST_F(TemplateChara, InheritanceFromThePalettes) {
  ScopedTestPalette common(kPaletteSourceCommon, 1, 5, 1);
  ScopedTestPalette stage(kPaletteSourceStage, 1, 2, 1);
  common.charas[2].m_cSize = 7;
  common.charas[2].m_nDefence = 40;
  common.charas[2].m_vecFlow.resize(1);
  common.charas[2].m_vecFlow[0].m_byTrigger = 5;
  stage.charas[1].m_nMaxHp = 999;

  auto flagsWith = [](std::vector<int> on) {
    std::vector<uint8_t> f(37, 0);
    for (int i : on) f[size_t(i)] = 1;
    return f;
  };
  struct Case {
    const char* what;
    uint8_t source;
    int16_t index;
    std::vector<uint8_t> flags;
    uint8_t wantSource;
    int16_t wantIndex;
    int8_t wantSize;
    int32_t wantHp, wantDefence;
    size_t wantFlows;
  } cases[] = {
      {"size from common 2", 1, 2, flagsWith({20}), 1, 2, 7, 120, 11, 0},
      {"defence and flows", 1, 2, flagsWith({29, 36}), 1, 2, 2, 120, 40, 1},
      {"index 0", 1, 0, flagsWith({20}), 1, 0, 2, 120, 11, 0},
      {"index 9 of 5", 1, 9, flagsWith({20}), 0, 9, 2, 120, 11, 0},
      {"stage entry", 2, 1, flagsWith({23}), 2, 1, 2, 999, 11, 0},
      {"stage index beyond", 2, 2, flagsWith({23}), 0, 2, 2, 120, 11, 0},
  };
  for (const Case& c : cases) {
    cCharaData ch;
    ASSERT_TRUE(ReadBody(ch, BuildChara({.inheritSource = c.source, .inheritIndex = c.index, .flags = c.flags}).Bytes()))
        << c.what;
    EXPECT_EQ(ch.m_byInheritSource, c.wantSource) << c.what;
    EXPECT_EQ(ch.m_sInheritIndex, c.wantIndex) << c.what;
    EXPECT_EQ(ch.m_cSize, c.wantSize) << c.what;
    EXPECT_EQ(ch.m_nMaxHp, c.wantHp) << c.what;
    EXPECT_EQ(ch.m_nDefence, c.wantDefence) << c.what;
    EXPECT_EQ(ch.m_vecFlow.size(), c.wantFlows) << c.what;
  }

  // Group 36 from an entry without flows gives one default flow.
  cCharaData ch;
  ch.CopyInheritGroup(36, common.charas[0]);
  ASSERT_EQ(ch.m_vecFlow.size(), 1u);
  EXPECT_EQ(ch.m_vecFlow[0].m_byKeySlack, 3);

  // Link checks against the lists; negative indices are outside.
  for (int16_t bad : {int16_t(5), int16_t(-1)}) {
    ch.m_byInheritSource = 1;
    ch.m_sInheritIndex = bad;
    ch.Validate();
    EXPECT_EQ(ch.m_byInheritSource, 0) << bad;
    EXPECT_EQ(ch.m_sInheritIndex, 0) << bad;
  }
}

TEST_F(TemplateChara, CarriedItemOutsideThePlacedItems) {
  TempFolder dir;
  ReportLogCapture report{dir.path()};
  struct Case {
    int32_t carried;
    int placed;
    int32_t expected;
  } cases[] = {{-1, 0, -1}, {0, 1, 0}, {2, 3, 2}, {3, 3, -1}, {-2, 5, -1}, {0, 0, -1}};
  for (const Case& c : cases) {
    cCharaData ch;
    ch.m_nCarryItem = c.carried;
    report.NewLines();
    EXPECT_EQ(ch.ValidateCarriedItem(c.placed), c.expected != c.carried) << c.carried << "/" << c.placed;
    EXPECT_EQ(ch.m_nCarryItem, c.expected) << c.carried << "/" << c.placed;
    EXPECT_EQ(report.NewLines().size(), c.expected != c.carried ? 1u : 0u) << c.carried << "/" << c.placed;
  }
}

TEST_F(TemplateChara, CharaSaveOfARealCharaRoundTrips) {
  cCharaSave s;
  ASSERT_TRUE(ReadBody(s.m_Chara, BuildChara({.flows = 1}).Bytes()));
  s.m_nCarry11 = 3;
  s.m_nCarry24 = -8;
  const std::vector<uint8_t> bytes = BodyBytes(s);
  cCharaSave back;
  ASSERT_TRUE(ReadBody(back, bytes));
  EXPECT_EQ(back.m_nCarry11, 3);
  EXPECT_EQ(back.m_nCarry24, -8);
  EXPECT_EQ(back.m_Chara.m_strName, "ボス");
  EXPECT_EQ(back.m_Chara.m_nMaxHp, 120);
  EXPECT_EQ(back.m_Chara.m_vecFlow.size(), 1u);
  EXPECT_EQ(BodyBytes(back), bytes);
  // Five ints, then the chara exactly as it writes itself.
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 4 + 20 + 4, bytes.end()), BodyBytes(s.m_Chara));
}

TEST_F(TemplateChara, DamagedBodiesNeverCrash) {
  ExpectDamagedBodiesHandled<cCharaData>(BuildChara({.flows = 1}).Bytes(), 778);
  ExpectDamagedBodiesHandled<cCharaData>(BuildChara({}, 150).Bytes(), 150);
}

}  // namespace
