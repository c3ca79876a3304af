// Run-time summons: charas and their copies joining the stage (or dropped
// outside the map and inside blocks without using an id), items, life
// limits, and blocks placed, erased and toggled with the refusal switches.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>

#include "flow/cond_list.h"
#include "objects/chara.h"
#include "objects/ed_shot.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/stage_fixture.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"

namespace {

constexpr int kWidth = 40, kHeight = 20;
constexpr int kSubSteps = 5;
constexpr int kCharaW = 16, kCharaH = 30;  // foot-aligned collision box
constexpr int kHeroW = 16, kHeroH = 24;

class SpawnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedPalette_ = g_CommonPalette;
    g_SystemData.m_bCompat637 = 0;
    g_SystemData.m_bCompat768 = 0;
    g_lstChara.clear();
    g_lstItem.clear();
    Player.clear();
    Player.resize(1);
    stage_ = std::make_unique<t4test::StageFixture>(kWidth, kHeight, kSubSteps, 1.0);
    g_Stage.m_nHeroBlockW = g_Stage.m_nHeroBlockFlyW = kHeroW;
    g_Stage.m_nHeroBlockH = g_Stage.m_nHeroBlockFlyH = kHeroH;
    g_Stage.m_bHeroBlockBottom = 1;
    g_Stage.m_nCharaBlockW = g_Stage.m_nCharaBlockFlyW = kCharaW;
    g_Stage.m_nCharaBlockH = g_Stage.m_nCharaBlockFlyH = kCharaH;
    g_Stage.m_bCharaBlockBottom = g_Stage.m_bCharaBlockFlyBottom = 1;
    g_Stage.m_nItemW = 20;
    g_Stage.m_nItemH = 12;
    // A none-template that can be told apart from a cleared cell.
    cBlockData none;
    none.m_sGraphic = 0;
    none.m_byHitKind = kBlockHitNone;
    none.m_byLayer = 7;
    g_CommonPalette.m_vecBlock.assign(2, none);
  }
  void TearDown() override {
    g_lstChara.clear();
    g_lstItem.clear();
    Player.clear();
    stage_.reset();
    g_CommonPalette = savedPalette_;
    g_SystemData = savedSystem_;
  }

  cGameScene& Scene() { return stage_->Scene(); }
  int RowShift() { return Scene().m_ScrollX.m_nRowShift; }
  int Index(int cx, int cy) { return cx + (cy << RowShift()); }

  static cCharaData CharaTemplate() {
    cCharaData t;
    t.m_byControl = kCharaControlComputer;
    t.m_byFaction = 1;
    t.m_nMaxHp = 10;
    t.m_nScore = 50;
    return t;
  }
  static void Put(cCharaBase& c, double x, double y) {
    c.m_dX = x;
    c.OnMovedX();
    c.m_dY = y;
    c.OnMovedY();
  }
  // The hero with its collision box's top-left at (x, y).
  cHero& HeroAt(double x, double y) {
    heroTemplate_ = cCharaData();
    heroTemplate_.m_byControl = kCharaControlPlayer;
    heroTemplate_.m_byFaction = 0;
    heroTemplate_.m_nMaxHp = 10;
    cHero& h = Player[0];
    h.InitFromTemplate(1, &heroTemplate_, 0, 0, 0);
    Put(h, x, y);
    Scene().m_vecTeamChara[0].push_back(&h);
    return h;
  }
  // A chara of the stage whose conditions hold this sub-step, at (x, y).
  cChara& CharaAt(double x, double y) {
    cCharaData t = CharaTemplate();
    cChara& c = g_lstChara.emplace_back();
    c.Spawn(90, &t, nullptr, 0, 0, 0, 0);
    c.m_bActive = 1;
    Put(c, x, y);
    return c;
  }
  static cBlockData Block(int graphic) {
    cBlockData b;
    b.m_sGraphic = static_cast<int16_t>(graphic);
    b.m_byHitKind = kBlockHitSolid;
    return b;
  }
  static cEdShot Settings(int mode = 0, int heroSwitch = 0, int charaSwitch = 0) {
    cEdShot s;
    s.m_byBlockSummonMode = static_cast<BYTE>(mode);
    s.m_bySummonFlagA = static_cast<BYTE>(heroSwitch);
    s.m_bySummonFlagB = static_cast<BYTE>(charaSwitch);
    return s;
  }

  std::unique_ptr<t4test::StageFixture> stage_;
  cCharaData heroTemplate_;
  cSystemData savedSystem_;
  cPaletteData savedPalette_;
};

// ---- charas ------------------------------------------------------------------

TEST_F(SpawnsTest, CopiesAreNumberedInTurnAndThoseOutsideTheMapUseNoId) {
  const double outerX = kWidth * 32 + 640;
  struct Case {
    const char* what;
    int copies, stepX, facing, mirror;
    double x;
    int compat768;
    int count;  // charas that join
  };
  const Case cases[] = {
      {"three copies inside", 2, 64, 0, 0, 640, 0, 3},
      // Copy 2, 2 x 64 further on, reaches past the world's right side.
      {"the last copy outside", 2, 64, 0, 0, outerX - 2 * 64 - 16, 0, 2},
      {"mirrored while facing right", 2, 64, 1, 1, 640, 0, 3},
      {"home left at the summon point", 1, 64, 0, 0, 640, 1, 2},
      {"negative copies: none at all", -1, 64, 0, 0, 640, 0, 0},
  };
  for (const Case& c : cases) {
    g_lstChara.clear();
    for (auto& team : Scene().m_vecTeamChara) team.clear();
    g_SystemData.m_bCompat768 = c.compat768;
    cCharaData t = CharaTemplate();
    t.m_cExtraCopies = static_cast<int8_t>(c.copies);
    t.m_sCopyStepX = static_cast<int16_t>(c.stepX);
    t.m_bMirrorX = static_cast<BYTE>(c.mirror);
    const double y = 480;
    int counter = 5;
    Scene().SpawnChara(g_lstChara, c.x, y, 3, static_cast<BYTE>(c.facing), 0, Settings(), t, counter, nullptr);

    int expected = 0;
    auto it = g_lstChara.begin();
    for (int n = 0; n <= c.copies; ++n) {
      const double dx = (c.facing == 1 && c.mirror ? -1.0 : 1.0) * n * c.stepX;
      const double left = c.x + (32 - kCharaW) / 2 + dx;
      if (left + kCharaW - 1 >= outerX) continue;
      ASSERT_NE(it, g_lstChara.end()) << c.what;
      const cChara& ch = *it++;
      EXPECT_EQ(ch.m_nId, 5 + expected) << c.what << " copy " << n;
      EXPECT_EQ(ch.m_nCloneValue, n) << c.what;
      EXPECT_DOUBLE_EQ(ch.m_dX, left) << c.what << " copy " << n;
      EXPECT_DOUBLE_EQ(ch.m_dY, y + (32 - kCharaH)) << c.what;
      EXPECT_DOUBLE_EQ(ch.m_dRight, left + kCharaW - 1) << c.what;
      EXPECT_DOUBLE_EQ(ch.m_dHomeX, c.x + 16 + (c.compat768 ? 0 : dx)) << c.what;
      EXPECT_EQ(ch.m_Data.m_byFaction, 3) << c.what;
      EXPECT_EQ(ch.m_Data.m_byFacing, c.facing) << c.what;
      ++expected;
    }
    EXPECT_EQ(it, g_lstChara.end()) << c.what;
    EXPECT_EQ(expected, c.count) << c.what;
    EXPECT_EQ(counter, 5 + expected) << c.what;
    EXPECT_EQ(Scene().m_vecTeamChara[3].size(), static_cast<size_t>(expected)) << c.what;
  }
}

TEST_F(SpawnsTest, ACharaInsideASolidBlockIsDroppedAndTheNextTakesItsId) {
  // Copy 0 lands on the block at map cell (20, 15); copy 1 two cells on.
  stage_->SetBlock(20, 15);
  cCharaData t = CharaTemplate();
  t.m_cExtraCopies = 1;
  t.m_sCopyStepX = 64;
  int counter = 12;
  Scene().SpawnChara(g_lstChara, 20 * 32, 15 * 32, 1, 0, 0, Settings(), t, counter, nullptr);
  ASSERT_EQ(g_lstChara.size(), 1u);
  EXPECT_EQ(g_lstChara.front().m_nId, 12);
  EXPECT_EQ(g_lstChara.front().m_nCloneValue, 1);
  EXPECT_EQ(counter, 13);
  ASSERT_EQ(Scene().m_vecTeamChara[1].size(), 1u);
  EXPECT_EQ(Scene().m_vecTeamChara[1].front(), &g_lstChara.front());

  // A cell of a faction that passes the block does not stop the summon.
  stage_->Cell(20, 15).m_cPassFaction = 2;
  Scene().SpawnChara(g_lstChara, 20 * 32, 15 * 32, 2, 0, 0, Settings(), CharaTemplate(), counter, nullptr);
  EXPECT_EQ(g_lstChara.size(), 2u);
  EXPECT_EQ(counter, 14);
}

TEST_F(SpawnsTest, SummonSettingsLimitLifeDropScoreAndActForTheParent) {
  cHero& hero = HeroAt(400, 400);
  cChara& summoner = CharaAt(800, 480);
  cEdShot s = Settings();
  s.m_bRange = 1;
  s.m_nRange = 10;  // one second
  s.m_bNoScore = 1;
  s.m_bCreditShooter = 1;
  s.m_byCreditValue = 4;
  int counter = 0;
  Scene().SpawnChara(g_lstChara, 640, 480, 1, 0, 0, s, CharaTemplate(), counter, &summoner);
  ASSERT_EQ(g_lstChara.size(), 2u);
  cChara& c = g_lstChara.back();
  EXPECT_EQ(c.m_nLifeTime, 10 * kSubSteps * 6);
  EXPECT_EQ(c.m_Data.m_nScore, 0);
  EXPECT_EQ(c.m_bCreditParent, 1);
  EXPECT_EQ(c.m_byCreditValue, 4);
  EXPECT_EQ(c.m_pParent, &summoner);
  EXPECT_EQ(c.m_vecLink[0], &hero);
  EXPECT_NE(std::find(summoner.m_vecBackRef.begin(), summoner.m_vecBackRef.end(), LINKPAIR{&c, 4}),
            summoner.m_vecBackRef.end());

  // Without the switches: unlimited life, the template's score.
  Scene().SpawnChara(g_lstChara, 640, 480, 1, 0, 0, Settings(), CharaTemplate(), counter, nullptr);
  EXPECT_EQ(g_lstChara.back().m_nLifeTime, INT_MAX);
  EXPECT_EQ(g_lstChara.back().m_Data.m_nScore, 50);
  EXPECT_EQ(g_lstChara.back().m_pParent, nullptr);
}

TEST_F(SpawnsTest, ALifeTimeTooLongForTheSubStepsStaysUnlimitedInsteadOfWrapping) {
  g_Stage.SetHitLevel(100000);
  cEdShot s = Settings();
  s.m_bRange = 1;
  s.m_nRange = 32767;  // 32767 x 100000 x 6 sub-steps does not fit an int
  int counter = 0;
  Scene().SpawnChara(g_lstChara, 640, 480, 1, 0, 0, s, CharaTemplate(), counter, nullptr);
  ASSERT_EQ(g_lstChara.size(), 1u);
  EXPECT_EQ(g_lstChara.front().m_nLifeTime, INT_MAX);
}

// ---- items -------------------------------------------------------------------

TEST_F(SpawnsTest, ItemsTakeTheTemplateOffsetAndThoseOutsideTheMapUseNoId) {
  cItemData t;
  t.m_sOffsetX = 4;
  t.m_sOffsetY = -6;
  cEdShot s = Settings();
  s.m_bRange = 1;
  s.m_nRange = 10;
  int counter = 3;
  Scene().SpawnItem(g_lstItem, 640, 480, 0, s, t, counter);
  ASSERT_EQ(g_lstItem.size(), 1u);
  const cItem& item = g_lstItem.front();
  EXPECT_EQ(item.m_nId, 3);
  EXPECT_EQ(counter, 4);
  EXPECT_DOUBLE_EQ(item.m_dX, 640 + (16 - 20 / 2) + 4);
  EXPECT_DOUBLE_EQ(item.m_dY, 480 + (16 - 12 / 2) - 6);
  EXPECT_DOUBLE_EQ(item.m_dRight, item.m_dX + 20 - 1);
  EXPECT_EQ(item.m_nLifeTime, 10 * kSubSteps * 6);

  // The offset pushes the item past the map's top: dropped.
  t.m_sOffsetY = -40;
  Scene().SpawnItem(g_lstItem, 640, 0, 0, s, t, counter);
  EXPECT_EQ(g_lstItem.size(), 1u);
  EXPECT_EQ(counter, 4);
}

// ---- blocks ------------------------------------------------------------------

TEST_F(SpawnsTest, TheSummonedCellHoldsTheAreaCentreAndBadIndexesAreIgnored) {
  const int cellCount = static_cast<int>(g_vecBlockMap.size());
  const int rowWidth = 1 << RowShift();
  struct Case {
    const char* what;
    double x, y;
    int index;  // -1: nothing changes
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // The largest row a coordinate reaches: shifted by the row width in 32
  // bits it would wrap back to just before cell 0.
  const double farRow = static_cast<double>((INT_MAX >> 5) << 5);
  const Case cases[] = {
      {"-16.6 truncates to column 0", -16.6, -16.6, 0},
      {"-20 is column -1: below cell 0", -20, -16.6, -1},
      {"column -1 of row 1 is the end of row 0", -20, 16, rowWidth - 1},
      {"an ordinary cell", 640, 480, Index(20, 15)},
      {"below the map", 640, (kHeight + 20) * 32.0, -1},
      {"far below the map does not wrap", 100 * 32.0, farRow, -1},
      {"not a number", nan, 480, -1},
  };
  for (const Case& c : cases) {
    for (cBlockCell& cell : g_vecBlockMap) cell.m_sGraphic = 0;
    Scene().SummonBlock(c.x, c.y, 0, Settings(), Block(9));
    int changed = -1, count = 0;
    for (int i = 0; i < cellCount; ++i)
      if (g_vecBlockMap[static_cast<size_t>(i)].m_sGraphic == 9) changed = i, ++count;
    EXPECT_EQ(changed, c.index) << c.what;
    EXPECT_LE(count, 1) << c.what;
  }
  EXPECT_EQ(Scene().CheckBlockSummonOverlap(-1, 0, 0, Settings(0, 1, 1)), 0);
  EXPECT_EQ(Scene().CheckBlockSummonOverlap(cellCount, 0, 0, Settings(0, 1, 1)), 0);
}

TEST_F(SpawnsTest, RefusalSwitchesUndoTheBlockAndGraceIsGivenAnyway) {
  // Hero in map cell (20, 20), a chara in (24, 20); blocks are summoned at
  // the top-left of one of the two cells.
  enum Target { kOnHero, kOnChara };
  struct Case {
    const char* what;
    Target target;
    int heroSwitch, charaSwitch;
    int charaActive, heroDead, passFaction;
    bool undone;
    int heroGrace, charaGrace;
  };
  const Case cases[] = {
      {"no switch: placed on the hero", kOnHero, 0, 0, 1, 0, -1, false, 2, 0},
      {"hero switch: undone", kOnHero, 1, 0, 1, 0, -1, true, 2, 0},
      {"chara switch spares no hero", kOnHero, 0, 1, 1, 0, -1, false, 2, 0},
      {"a dead hero is nobody", kOnHero, 1, 0, 1, 1, -1, false, 0, 0},
      {"the hero's faction passes the block", kOnHero, 1, 0, 1, 0, 0, false, 0, 0},
      {"chara switch: undone", kOnChara, 0, 1, 1, 0, -1, true, 0, 2},
      {"hero switch spares no chara", kOnChara, 1, 0, 1, 0, -1, false, 0, 2},
      {"a chara whose conditions do not hold", kOnChara, 0, 1, 0, 0, -1, false, 0, 0},
  };
  for (const Case& c : cases) {
    g_lstChara.clear();
    for (auto& team : Scene().m_vecTeamChara) team.clear();
    cHero& h = HeroAt(20 * 32 + 8, 20 * 32 + 8);
    h.m_bDead = c.heroDead;
    cChara& ch = CharaAt(24 * 32 + 8, 20 * 32 + 2);
    ch.m_bActive = c.charaActive;
    const int cx = c.target == kOnHero ? 20 : 24;
    // What was there before, latched state included, comes back on undo.
    cBlockCell& cell = stage_->Cell(cx, 20);
    cell = cBlockCell();
    cell.m_sGraphic = 0;
    cell.m_byHitKind = kBlockHitNone;
    cell.m_byLayer = 5;
    cell.m_byAppearLatch = 1;
    cBlockData b = Block(9);
    b.m_cPassFaction = static_cast<int8_t>(c.passFaction);
    Scene().SummonBlock(cx * 32, 20 * 32, 0, Settings(0, c.heroSwitch, c.charaSwitch), b);
    if (c.undone) {
      EXPECT_EQ(cell.m_sGraphic, 0) << c.what;
      EXPECT_EQ(cell.m_byLayer, 5) << c.what;
      EXPECT_EQ(cell.m_byAppearLatch, 1) << c.what;
    } else {
      EXPECT_EQ(cell.m_sGraphic, 9) << c.what;
      EXPECT_EQ(cell.m_byAppearLatch, 0) << c.what;
    }
    EXPECT_EQ(h.m_nFlowLockTimer, c.heroGrace) << c.what;
    EXPECT_EQ(ch.m_nFlowLockTimer, c.charaGrace) << c.what;
  }
}

TEST_F(SpawnsTest, EraseAndToggleActOncePerCellInAnAttempt) {
  cBlockCell& cell = stage_->SetBlock(20, 15);
  cell.m_sGraphic = 4;
  cell.m_byAppearLatch = 1;
  const int index = Index(20, 15);

  // Toggling a present block erases it to the none-template.
  Scene().SummonBlock(640, 480, 0, Settings(2), Block(9));
  EXPECT_EQ(cell.m_sGraphic, 0);
  EXPECT_EQ(cell.m_byLayer, 7);
  EXPECT_EQ(cell.m_byAppearLatch, 0);
  ASSERT_EQ(Scene().m_vecToggle.size(), 1u);
  EXPECT_EQ(Scene().m_vecToggle[0], index);
  // A second toggle of the cell in the same attempt does nothing.
  Scene().SummonBlock(640, 480, 0, Settings(2), Block(9));
  EXPECT_EQ(cell.m_sGraphic, 0);
  EXPECT_EQ(Scene().m_vecToggle.size(), 1u);

  // An empty cell toggles by placing; a refused toggle is not counted, so
  // the cell may be toggled later.
  HeroAt(22 * 32 + 8, 15 * 32 + 8);
  Scene().SummonBlock(22 * 32, 480, 0, Settings(2, 1, 0), Block(9));
  EXPECT_EQ(stage_->Cell(22, 15).m_sGraphic, 0);
  EXPECT_EQ(Scene().m_vecToggle.size(), 1u);
  Scene().SummonBlock(22 * 32, 480, 0, Settings(2), Block(9));
  EXPECT_EQ(stage_->Cell(22, 15).m_sGraphic, 9);
  EXPECT_EQ(Scene().m_vecToggle.size(), 2u);

  // Erasing does not count as a toggle; other modes do nothing.
  stage_->SetBlock(30, 15).m_sGraphic = 4;
  Scene().SummonBlock(30 * 32, 480, 0, Settings(1), Block(9));
  EXPECT_EQ(stage_->Cell(30, 15).m_sGraphic, 0);
  EXPECT_EQ(stage_->Cell(30, 15).m_byLayer, 7);
  Scene().SummonBlock(31 * 32, 480, 0, Settings(3), Block(9));
  EXPECT_EQ(stage_->Cell(31, 15).m_sGraphic, 0);
  EXPECT_EQ(Scene().m_vecToggle.size(), 2u);
}

TEST_F(SpawnsTest, SummonProofCellsRefuseByTheProjectsRule) {
  cCond failing;
  failing.m_byKind = 2;  // stage variable 3 = 1, which it is not
  failing.m_sVarIndex = 3;
  failing.m_nConst = 1;
  struct Case {
    const char* what;
    int compat637, graphic;
    bool conditionFails;
    bool refused;
  };
  const Case cases[] = {
      {"old rule: always refused", 1, 0, false, true},
      {"new rule: an empty cell takes the block", 0, 0, false, false},
      {"new rule: a present block refuses", 0, 4, false, true},
      {"new rule: an absent block does not", 0, 4, true, false},
  };
  for (const Case& c : cases) {
    g_SystemData.m_bCompat637 = c.compat637;
    cBlockCell& cell = stage_->Cell(20, 15);
    cell = cBlockCell();
    cell.m_sGraphic = static_cast<int16_t>(c.graphic);
    cell.m_bSummonProof = 1;
    if (c.conditionFails) cell.m_vecCond = {failing};
    for (int mode : {0, 1}) {
      Scene().SummonBlock(640, 480, 0, Settings(mode), Block(9));
      const int want = c.refused ? c.graphic : (mode == 0 ? 9 : 0);
      EXPECT_EQ(cell.m_sGraphic, want) << c.what << " mode " << mode;
      if (!c.refused) {
        // The summon replaced the proof cell; make it one again.
        cell = cBlockCell();
        cell.m_sGraphic = static_cast<int16_t>(c.graphic);
        cell.m_bSummonProof = 1;
        if (c.conditionFails) cell.m_vecCond = {failing};
      }
    }
  }
}

}  // namespace
