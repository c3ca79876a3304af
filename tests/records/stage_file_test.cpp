#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/messages.h"
#include "records/database.h"
#include "records/stage_data.h"
#include "records/stage_test_bytes.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace {

using namespace stagebytes;

class StageFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 1;
    plat::ResetRuntimeForTest();
  }
  void TearDown() override { plat::ResetRuntimeForTest(); }

  std::string Write(const ByteBuilder& b, const char* name = "x.stg4_778") {
    std::string path = dir / name;
    EXPECT_TRUE(b.WriteTo(path));
    return path;
  }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

TEST_F(StageFile, HandBuiltTemplateBodiesHaveTheReferenceSizes) {
  // Body = field count, the fields, string count, one empty name (4 bytes),
  // then what the record appends.
  ByteBuilder block, item, chara, chara167;
  AppendBlock(block, Block{});
  AppendItem(item, Item{});
  AppendChara(chara, Chara{}, 778);
  AppendChara(chara167, Chara{}, 167);
  EXPECT_EQ(block.Size(), 4 + 26 + 4 + 4 + 4 + 4 + 11 + 4u);
  EXPECT_EQ(item.Size(), 4 + 24 + 4 + 4 + 4 + 4 + 13 + 4 + 4u);
  EXPECT_EQ(chara.Size(), 4 + 82 + 4 + 4 + 4 + 4 + 4 + 37 + 4 + 4u);
  EXPECT_EQ(chara167.Size(), chara.Size() - 9);

  // A version-778 stage: 98 fields in 416 bytes at offsets 8-423, then the
  // string count 1 at 424.
  std::vector<uint8_t> bytes = Build(Minimal()).Bytes();
  int32_t count = 0, strings = 0;
  std::memcpy(&count, bytes.data() + 4, 4);
  std::memcpy(&strings, bytes.data() + 424, 4);
  EXPECT_EQ(count, 98);
  EXPECT_EQ(strings, 1);
  Stage old = Minimal();
  old.version = 154;
  EXPECT_EQ(FieldCount(old), 71);
}

TEST_F(StageFile, MinimalStageLoadsAndIsWrittenBackByteForByte) {
  const ByteBuilder file = Build(Minimal());
  std::string path = Write(file);
  cStageData s;
  ASSERT_TRUE(s.LoadFromFile(path.c_str()));
  EXPECT_EQ(s.m_strName, "test");
  EXPECT_EQ(s.m_nWidth, 20);
  EXPECT_EQ(s.m_nHeight, 15);
  EXPECT_EQ(s.m_nScrollLimitRight, 19);
  EXPECT_EQ(s.m_nHitLevel, 10);
  EXPECT_EQ(s.m_nSubSteps, 10);
  EXPECT_EQ(s.m_nSubStepsX6, 60);
  ASSERT_EQ(s.m_vecBlock.size(), 1u);
  EXPECT_EQ(s.m_vecBlock[0].m_sY, 14);
  EXPECT_EQ(s.m_vecBlock[0].m_byHitKind, 1);
  ASSERT_EQ(s.m_vecChara.size(), 1u);
  EXPECT_EQ(s.m_vecChara[0].m_nCarryItem, -1);
  EXPECT_EQ(s.FindHero(), 0);
  EXPECT_EQ(s.m_vecPaletteBlock.size(), 2u);
  EXPECT_EQ(s.m_vecPaletteChara.size(), 2u);
  EXPECT_EQ(s.m_vecPaletteItem.size(), 2u);
  ASSERT_EQ(s.m_vecBackground.size(), 1u);
  EXPECT_EQ(s.m_vecBackground[0].m_bFill, 1);
  EXPECT_TRUE(s.m_vecStageString.empty());  // a current file keeps its own count

  std::string again = dir / "again.stg4_778";
  ASSERT_TRUE(s.SaveToFile(again.c_str()));
  EXPECT_EQ(HexBytes(ReadOsFile(again)), HexBytes(file.Bytes()));

  // The program's own new stage with the same content writes the same bytes.
  cStageData mine = MakeTestStage(20, 15, "test");
  PlaceBlock(mine, 0, 14);
  PlaceHero(mine, 1, 13);
  std::string written = dir / "mine.stg4_778";
  ASSERT_TRUE(WriteStage(written, mine));
  EXPECT_EQ(HexBytes(ReadOsFile(written)), HexBytes(file.Bytes()));
}

TEST_F(StageFile, UnreadFieldsAndTheWordBeforePlacedEntriesSurvive) {
  Stage st = Minimal();
  st.name = "名前";
  for (int f : {2, 3, 78, 79, 82, 83, 84}) st.Set(f, 1000 + f);
  st.placedWord = 0xDEADBEEF;  // read and ignored
  st.items = {Item{}};
  cStageData s;
  ASSERT_TRUE(s.LoadFromFile(Write(Build(st)).c_str()));
  std::string again = dir / "again.stg4_778";
  ASSERT_TRUE(s.SaveToFile(again.c_str()));
  st.placedWord = 0;  // always written 0
  EXPECT_EQ(HexBytes(ReadOsFile(again)), HexBytes(Build(st).Bytes()));
}

TEST_F(StageFile, Version124RemovalRangesHaveFiveFields) {
  Stage st = Minimal();
  st.version = 124;
  st.quads[0] = {{1, 9, 9, 9}, {2, 3, 4, 5}};  // only the left switch is in the file
  st.names = {"a"};
  cStageData s;
  s.m_Quad[kQuadChara].m_bRight = 7;  // what the record held before the load
  ASSERT_TRUE(s.LoadFromFile(Write(Build(st), "old.stg4_124").c_str()));
  const cStageQuad& q = s.m_Quad[kQuadChara];
  EXPECT_EQ(q.m_bLeft, 1);
  EXPECT_EQ(q.m_bRight, 7);
  EXPECT_EQ(q.m_bTop, 0);
  EXPECT_EQ(q.m_bBottom, 0);
  EXPECT_EQ(q.m_nLeftMargin, 2);
  EXPECT_EQ(q.m_nRightMargin, 3);
  EXPECT_EQ(q.m_nTopMargin, 4);
  EXPECT_EQ(q.m_nBottomMargin, 5);
  EXPECT_EQ(s.m_Quad[kQuadOtherShot].m_nLeftMargin, 10);
  EXPECT_EQ(s.m_Quad[kQuadOtherShot].m_bBottom, 1);
  ASSERT_EQ(s.m_vecStageString.size(), 1000u);
  EXPECT_EQ(s.m_vecStageString[0].m_strName, "a");
  EXPECT_EQ(s.FindHero(), 0);  // the old chara body was read whole
}

TEST_F(StageFile, Version154BodyIsUpgraded) {
  Stage st = Minimal();
  st.version = 154;
  st.Set(40, 20);
  st.Set(41, 28);
  st.Set(64, 14);
  st.Set(65, 26);
  st.ranking = {1, 1, 1};
  cStageData s;
  ASSERT_TRUE(s.LoadFromFile(Write(Build(st), "old.stg4_154").c_str()));
  EXPECT_EQ(s.m_nHeroCharaFlyW, 20);
  EXPECT_EQ(s.m_nHeroCharaFlyH, 28);
  EXPECT_EQ(s.m_nCharaCharaFlyW, 14);
  EXPECT_EQ(s.m_nCharaCharaFlyH, 26);
  EXPECT_EQ(s.m_bHeroCharaBottom, 0);
  EXPECT_EQ(s.m_bHeroCharaFlyBottom, 0);
  EXPECT_EQ(s.m_bCharaCharaBottom, 0);
  EXPECT_EQ(s.m_bCharaCharaFlyBottom, 0);
  EXPECT_EQ(s.m_bBgmLoop, 1);
  EXPECT_EQ(s.m_vecRanking, (std::vector<int>{1, 1, 1, 0, 0}));
  EXPECT_EQ(s.m_bStatusLine, 1);
  EXPECT_EQ(s.m_bSkipResults, 0);
  EXPECT_EQ(s.m_bBgmKeep, 0);
  EXPECT_EQ(s.m_nHeroBlockW, 16);
  EXPECT_EQ(s.m_nHeroBlockH, 24);
  EXPECT_EQ(s.m_nHeroBlockColor, 5);
  EXPECT_EQ(s.m_nCharaBlockH, 30);
  EXPECT_EQ(s.m_nCharaBlockFlyH, 30);
  EXPECT_EQ(s.m_bCharaBlockFlyBottom, 1);
  EXPECT_EQ(s.m_bStartBanner, 0);
  EXPECT_EQ(s.m_vecStageString.size(), 1000u);
  EXPECT_EQ(s.FindHero(), 0);
}

TEST_F(StageFile, EndMarkerIsReadFrom173AndNeverCompared) {
  struct Case {
    uint32_t version;
    uint32_t marker;
  } cases[] = {{172, 0}, {173, 0}, {173, kStageEndMarker}, {778, 12345}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Stage st = Minimal();
    st.version = c.version;
    st.marker = c.marker;
    ByteBuilder b = Build(st);
    if (c.version < 173) {
      Stage withMarker = st;
      withMarker.version = 173;
      EXPECT_EQ(b.Size(), Build(withMarker).Size() - 4);
    }
    cRecordReader in(b.Bytes(), "x");
    ASSERT_TRUE(in.ReadHeader());
    cStageData s;
    EXPECT_TRUE(s.Load(in));
    EXPECT_EQ(in.Remaining(), 0u);
  }
}

TEST_F(StageFile, BackgroundsOfOlderVersions) {
  struct Case {
    uint32_t version;
    ByteBuilder body;
    int show;
    double factorX, offsetY;
  };
  std::vector<Case> cases;
  {
    ByteBuilder b;  // fill, colour, plane, two dropped 4-byte factors
    b.I32(5).I32(1).I32(3).I32(1).I32(-1).I32(-1).I32(1).Str("bg.bmp");
    cases.push_back({60, b, 1, 0.1, 0.0});
  }
  {
    ByteBuilder b;  // factors and auto-scroll, two dropped 4-byte offsets
    b.I32(9).I32(1).I32(3).I32(1).F64(0.5).F64(0.25).I32(1).I32(0).I32(-1).I32(-1).I32(1).Str("bg.bmp");
    cases.push_back({61, b, 1, 0.5, 0.0});
  }
  {
    ByteBuilder b;
    b.I32(10).I32(0).I32(1).I32(3).I32(1).F64(0.5).F64(0.25).I32(1).I32(0).F64(2.0).F64(4.5).I32(1).Str("bg.bmp");
    cases.push_back({62, b, 0, 0.5, 4.5});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    cRecordReader in(c.body.Bytes(), "bg");
    in.SetVersion(c.version);
    cBackgroundData bg;
    ASSERT_TRUE(bg.Load(in));
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(bg.m_bShow, c.show);
    EXPECT_EQ(bg.m_bFill, 1);
    EXPECT_EQ(bg.m_nFillColor, 3);
    EXPECT_EQ(bg.m_nPlane, 1);
    EXPECT_EQ(bg.m_dFactorX, c.factorX);
    EXPECT_EQ(bg.m_dOffsetY, c.offsetY);
    EXPECT_EQ(bg.m_strPicture, "bg.bmp");
  }
}

TEST_F(StageFile, NormalizeKeepsStoredStagesInsideTheirBounds) {
  const int bgmEntries = g_Database.m_vecBgm.Size();
  struct Case {
    const char* what;
    int width, height, left, right, top, bottom, level, bgm;
    int wantLeft, wantRight, wantTop, wantBottom, wantLevel, wantBgm;
    bool reported;
  } cases[] = {
      {"limits at the edge", 20, 15, 5, 20, 3, 15, 10, 0, 0, 19, 0, 14, 10, 0, false},
      {"limits of a wide map", 50, 40, 12, 49, 20, 60, 10, 0, 12, 49, 20, 39, 10, 0, false},
      {"stage smaller than the screen", 10, 8, 3, 12, 2, 9, 10, 0, 0, 9, 0, 7, 10, 0, false},
      {"level below 1", 20, 15, 0, 19, 0, 14, 0, 0, 0, 19, 0, 14, 1, 0, true},
      {"level above the cap", 20, 15, 0, 19, 0, 14, 1000, 0, 0, 19, 0, 14, 100, 0, true},
      {"music one past the database", 20, 15, 0, 19, 0, 14, 10, bgmEntries, 0, 19, 0, 14, 10, 0, false},
      {"negative music", 20, 15, 0, 19, 0, 14, 10, -2, 0, 19, 0, 14, 10, 0, false},
  };
  report.NewLines();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cStageData s = MakeTestStage(c.width, c.height);
    s.m_nScrollLimitLeft = c.left;
    s.m_nScrollLimitRight = c.right;
    s.m_nScrollLimitTop = c.top;
    s.m_nScrollLimitBottom = c.bottom;
    s.m_nHitLevel = c.level;
    s.m_nBgm = c.bgm;
    s.Normalize();
    EXPECT_EQ(s.m_nScrollLimitLeft, c.wantLeft);
    EXPECT_EQ(s.m_nScrollLimitRight, c.wantRight);
    EXPECT_EQ(s.m_nScrollLimitTop, c.wantTop);
    EXPECT_EQ(s.m_nScrollLimitBottom, c.wantBottom);
    EXPECT_EQ(s.m_nHitLevel, c.wantLevel);
    EXPECT_GE(s.m_nSubSteps, 1);
    EXPECT_EQ(s.m_nBgm, c.wantBgm);
    std::vector<std::string> lines = report.NewLines();
    EXPECT_EQ(lines.size(), c.reported ? 1u : 0u);
    if (c.reported && !lines.empty()) {
      EXPECT_NE(lines[0].find(reinterpret_cast<const char*>(u8"当たり判定レベル")), std::string::npos) << lines[0];
    }
  }
}

TEST_F(StageFile, HitLevelGivesTheSubSteps) {
  struct Case {
    int level;
    int steps;
    double limit;
    double stepLimit;
  } cases[] = {{1, 1, 6.0, 6.0}, {10, 10, 60.0, 6.0}, {11, 1, 60.0, 60.0}, {15, 5, 60.0, 12.0},
               {19, 9, 60.0, 60.0 / 9}, {20, 20, 120.0, 6.0}, {100, 100, 600.0, 6.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    cStageData s;
    s.m_dGravity = 0.5;
    s.SetHitLevel(c.level);
    EXPECT_EQ(s.m_nHitLevel, c.level);
    EXPECT_EQ(s.m_nSubSteps, c.steps);
    EXPECT_EQ(s.m_dSubSteps, double(c.steps));
    EXPECT_EQ(s.m_dSubStepsSquared, double(c.steps) * c.steps);
    EXPECT_EQ(s.m_nSubStepsX6, 6 * c.steps);
    EXPECT_EQ(s.m_nSubStepsX8, 8 * c.steps);
    EXPECT_EQ(s.m_dSpeedLimit, c.limit);
    EXPECT_EQ(s.m_dStepSpeedLimit, c.stepLimit);
    EXPECT_EQ(s.m_dStepGravity, 0.5 / (double(c.steps) * c.steps));
  }
}

TEST_F(StageFile, PaletteListsArePaddedAndTheirFirstEntriesReset) {
  Stage st = Minimal();
  st.paletteBlocks.clear();
  Chara first;
  first.maxHp = 99;
  first.carry = 5;
  st.paletteCharas = {first};
  Item named;
  named.name = "first";
  Item second;
  second.name = "second";
  second.flags[3] = 1;
  st.paletteItems = {named, second, Item{}};
  cStageData s;
  ASSERT_TRUE(s.LoadFromFile(Write(Build(st)).c_str()));
  EXPECT_EQ(s.m_vecPaletteBlock.size(), 2u);
  ASSERT_EQ(s.m_vecPaletteChara.size(), 2u);
  EXPECT_EQ(s.m_vecPaletteChara[0].m_nMaxHp, 10);
  EXPECT_EQ(s.m_vecPaletteChara[0].m_nCarryItem, 0);
  ASSERT_EQ(s.m_vecPaletteItem.size(), 3u);
  EXPECT_EQ(s.m_vecPaletteItem[0].m_strName, "");
  EXPECT_EQ(s.m_vecPaletteItem[1].m_strName, "second");
  EXPECT_EQ(s.m_vecPaletteItem[1].m_vecInheritFlag[3], 1);  // stage palette entries keep their flags
}

TEST_F(StageFile, CarriedItemsOutsideThePlacedItemsBecomeNone) {
  cStageData s = MakeTestStage();
  PlaceItem(s, 3, 3);
  PlaceItem(s, 4, 3);
  const int carried[] = {-1, 0, 1, 2, -2, 1000};
  const int want[] = {-1, 0, 1, -1, -1, -1};
  for (int c : carried) PlaceChara(s, 5, 5).m_nCarryItem = c;
  report.NewLines();
  s.Normalize();
  for (size_t i = 0; i < std::size(carried); ++i) EXPECT_EQ(s.m_vecChara[i].m_nCarryItem, want[i]) << i;
  EXPECT_EQ(report.NewLines().size(), 3u);
}

TEST_F(StageFile, NewStageHasTheDefaults) {
  cStageData s;
  EXPECT_EQ(s.m_nFps, 60);
  EXPECT_EQ(s.m_nTimeLimit, 200);
  EXPECT_EQ(s.m_nTimeWarning, 20);
  EXPECT_EQ(s.m_dGravity, 0.4);
  EXPECT_EQ(s.m_nHitLevel, 10);
  EXPECT_EQ(s.m_bBgmLoop, 0);
  EXPECT_EQ(s.m_bStatusLine, 1);
  EXPECT_EQ(s.m_bStartBanner, 1);
  EXPECT_EQ(s.m_nHeroBlockShow, 0);
  EXPECT_EQ(s.m_nCharaShotW, 30);
  EXPECT_EQ(s.m_nUnusedSizeFlag, 1);
  EXPECT_EQ(s.m_nHeroHitCooldown, 30);
  EXPECT_EQ(s.m_vecRanking, (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_TRUE(s.m_vecBlock.empty() && s.m_vecChara.empty() && s.m_vecItem.empty());
  EXPECT_EQ(s.m_vecPaletteBlock.size(), 1u);
  EXPECT_EQ(s.m_vecPaletteChara.size(), 1u);
  EXPECT_EQ(s.m_vecPaletteItem.size(), 1u);
  ASSERT_EQ(s.m_vecBackground.size(), 1u);
  EXPECT_EQ(s.m_vecBackground[0].m_bFill, 1);
  EXPECT_EQ(s.m_vecBackground[0].m_nFillColor, 16);
  EXPECT_EQ(s.m_vecBackground[0].m_dFactorX, 0.1);
  EXPECT_EQ(s.m_Quad[kQuadHeroShot].m_bLeft, 1);
  EXPECT_EQ(s.m_Quad[kQuadHeroShot].m_nLeftMargin, 0);
  EXPECT_EQ(s.m_Quad[kQuadOtherShot].m_nBottomMargin, 10);
  EXPECT_EQ(s.m_Quad[kQuadItem].m_bTop, 0);
}

TEST_F(StageFile, HeroIsTheFirstPlayerCharaWithAGraphic) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> charas;  // control, graphic
    int hero;
  } cases[] = {
      {"none placed", {}, -1},
      {"computer charas only", {{1, 1}, {1, 2}}, -1},
      {"player chara without a graphic", {{0, 0}}, -1},
      {"after a computer chara", {{1, 1}, {0, 0}, {0, 3}, {0, 4}}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cStageData s;
    for (auto [control, graphic] : c.charas) PlaceChara(s, 0, 0, graphic).m_byControl = BYTE(control);
    EXPECT_EQ(s.FindHero(), c.hero);
    EXPECT_EQ(s.HasHero(), c.hero != -1 ? 1 : 0);
  }
}

TEST_F(StageFile, StartCopyTakesTheSettingsOnly) {
  cStageData s = MakeTestStage(30, 20, "stage");
  PlaceHero(s, 1, 1);
  PlaceItem(s, 2, 2);
  s.m_vecBackground.resize(3);
  s.m_vecStageString.resize(4);
  s.m_vecStageString[2].m_strName = "v2";
  s.m_Quad[kQuadItem].m_nTopMargin = 6;
  s.m_vecRanking = {0, 1, 0, 1, 0};
  s.m_nHitLevel = 15;
  s.Normalize();
  cStageData start;
  start.CopySettingsFrom(s);
  EXPECT_EQ(start.m_strName, "stage");
  EXPECT_EQ(start.m_nWidth, 30);
  EXPECT_EQ(start.m_nHitLevel, 15);
  EXPECT_EQ(start.m_nSubSteps, 5);
  EXPECT_EQ(start.m_nSubStepsX6, 30);
  EXPECT_EQ(start.m_vecBackground.size(), 3u);
  ASSERT_EQ(start.m_vecStageString.size(), 4u);
  EXPECT_EQ(start.m_vecStageString[2].m_strName, "v2");
  EXPECT_EQ(start.m_Quad[kQuadItem].m_nTopMargin, 6);
  EXPECT_EQ(start.m_vecRanking, s.m_vecRanking);
  EXPECT_TRUE(start.m_vecBlock.empty() && start.m_vecChara.empty() && start.m_vecItem.empty());
  EXPECT_TRUE(start.m_vecPaletteBlock.empty() && start.m_vecPaletteChara.empty() && start.m_vecPaletteItem.empty());
}

TEST_F(StageFile, ReplayBodyTakesTheSettingsOfTheStartCopy) {
  cStageData start = MakeTestStage(20, 15, "start");
  start.m_vecBackground[0].m_nFillColor = 3;
  start.m_Quad[kQuadChara].m_bLeft = 1;
  cStageData played = MakeTestStage(20, 15, "played");
  played.m_nScrollModeX = 1;  // changed by a flow during play
  played.m_vecBackground[0].m_nFillColor = 9;
  PlaceHero(played, 2, 2);
  PlaceItem(played, 3, 3);
  cRecordWriter out;
  out.WriteHeader();
  played.SaveForReplay(out, start);
  cRecordReader in(out.Data(), "replay");
  ASSERT_TRUE(in.ReadHeader());
  cStageData back;
  ASSERT_TRUE(back.Load(in));
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(back.m_strName, "start");
  EXPECT_EQ(back.m_nScrollModeX, 0);
  EXPECT_EQ(back.m_vecBackground[0].m_nFillColor, 3);
  EXPECT_EQ(back.m_Quad[kQuadChara].m_bLeft, 1);
  EXPECT_EQ(back.FindHero(), 0);
  EXPECT_EQ(back.m_vecItem.size(), 1u);
}

TEST_F(StageFile, DamagedFilesNeverCrashAndLeaveTheRecordAlone) {
  Stage st = Minimal();
  st.items = {Item{}};
  st.names = {"a", "b"};
  const std::vector<uint8_t> good = Build(st).Bytes();
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    ByteBuilder b;
    b.Append(cut);
    std::string path = Write(b, "cut.stg4_778");
    cStageData s = MakeTestStage(7, 7, "before");
    ASSERT_FALSE(s.LoadFromFile(path.c_str())) << n;
    EXPECT_EQ(s.m_strName, "before");
  }
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bad = good;
    const int hits = 1 + int(rng() % 12);
    for (int i = 0; i < hits; ++i) bad[4 + rng() % (bad.size() - 4)] = uint8_t(rng());
    if (round % 4 == 0) bad.resize(rng() % (bad.size() + 1));
    cRecordReader in(bad, "random");
    cStageData s;
    if (in.ReadHeader() && s.Load(in)) {
      // Whatever loaded satisfies the bounds and can be written again.
      EXPECT_GE(s.m_nScrollLimitLeft, 0);
      EXPECT_GE(s.m_nSubSteps, 1);
      EXPECT_GE(s.m_vecPaletteChara.size(), 2u);
    }
    cRecordWriter out;
    s.Save(out);
  }
  std::vector<uint8_t> noise(2000);
  for (int round = 0; round < 50; ++round) {
    for (uint8_t& c : noise) c = uint8_t(rng());
    noise[0] = 0x0A;  // version 778
    noise[1] = 0x03;
    noise[2] = noise[3] = 0;
    cRecordReader in(noise, "noise");
    cStageData s;
    (void)(in.ReadHeader() && s.Load(in));
  }
}

TEST_F(StageFile, QuittingStopsTheReader) {
  std::string path = Write(Build(Minimal()));
  plat::BeginClosing();
  cStageData s = MakeTestStage(7, 7, "before");
  EXPECT_FALSE(s.LoadFromFile(path.c_str()));
  EXPECT_EQ(s.m_strName, "before");
  plat::ResetRuntimeForTest();
  EXPECT_TRUE(s.LoadFromFile(path.c_str()));
}

}  // namespace
