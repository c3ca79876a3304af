// Objects against the block map and the view: landing and resting on a
// floor, walls from both sides, gaps, ceilings, deadly blocks, the squeeze
// by a scrolling view and the blocks an object's faction passes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/input.h"
#include "support/project_writer.h"

namespace {

using plat::TruncToInt;

// Stage cells are map cells 10.. on both axes; the tests work in map cells.
constexpr int kFloorRow = 25;
constexpr double kFloorTop = kFloorRow * 32.0;

double Frac(double v) { return v - std::floor(v); }

class BlockCollisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedInput_ = g_vecInput;
    savedAppearance_ = GetBlockAppearanceTest();
    g_vecInput.assign(2, cInput());
    for (cInput& in : g_vecInput) in.TrimPressHistory();
    g_SystemData.m_bCompat677 = 0;
    Player.clear();
    Player.resize(1);
    MakeStage(1, 1.0);
  }
  void TearDown() override {
    charas_.clear();
    Player.clear();
    stage_.reset();
    SetBlockAppearanceTest(savedAppearance_);
    g_vecInput = savedInput_;
    g_SystemData = savedSystem_;
  }

  // A 40 x 20 stage at hit level `level`, with known box sizes.
  void MakeStage(int level, double gravity) {
    charas_.clear();
    stage_.reset();  // the old stage puts everything back first
    stage_ = std::make_unique<t4test::StageFixture>(40, 20, level, gravity);
    g_Stage.m_nHeroBlockW = 16;
    g_Stage.m_nHeroBlockH = 24;
    g_Stage.m_bHeroBlockBottom = 1;
    g_Stage.m_nHeroBlockFlyW = 16;
    g_Stage.m_nHeroBlockFlyH = 16;
    g_Stage.m_nCharaBlockW = 16;
    g_Stage.m_nCharaBlockH = 30;
    g_Stage.m_bCharaBlockBottom = 1;
    g_Stage.m_nCharaBlockFlyW = 16;
    g_Stage.m_nCharaBlockFlyH = 30;
  }
  cGameScene& Scene() { return stage_->Scene(); }

  cHero& Hero(int flight = kFlightOff, int faction = 1) {
    heroTemplate_ = cCharaData();
    heroTemplate_.m_byControl = kCharaControlPlayer;
    heroTemplate_.m_byFlight = static_cast<BYTE>(flight);
    heroTemplate_.m_byFaction = static_cast<BYTE>(faction);
    heroTemplate_.m_nMaxHp = 10;
    cHero& h = Player[0];
    h.InitFromTemplate(1, &heroTemplate_, 0, 0, 0);
    h.m_bFalling = 0;
    return h;
  }
  cChara& Chara(int flight = kFlightOff, int faction = 1, int size = 1) {
    cCharaData t;
    t.m_byControl = kCharaControlComputer;
    t.m_byFlight = static_cast<BYTE>(flight);
    t.m_byFaction = static_cast<BYTE>(faction);
    t.m_cSize = static_cast<int8_t>(size);
    t.m_nMaxHp = 10;
    charas_.push_back(std::make_unique<cChara>());
    cChara& c = *charas_.back();
    c.Spawn(static_cast<int>(charas_.size()) + 1, &t, nullptr, 0, 0, 0, 0);
    c.m_bFalling = 0;
    return c;
  }
  // Puts the box's top-left at (x, y).
  static void Put(cCharaBase& c, double x, double y) {
    c.m_dX = x;
    c.OnMovedX();
    c.m_dY = y;
    c.OnMovedY();
  }
  // A floor of blocks along map row `row` from column `from` to `to`.
  void Floor(int from, int to, int row = kFloorRow, int hit = kBlockHitSolid) {
    for (int cx = from; cx <= to; ++cx) stage_->SetBlock(cx, row, hit);
  }
  int Index(int cx, int cy) const { return cx + (cy << stage_->Scene().m_ScrollX.m_nRowShift); }

  // One sub-step of the hero as the play frame runs it, with no charas to
  // touch: contact flags cleared and the box saved first.
  int SubStep(cHero& h, const char** death) {
    h.ClearMoveRequests();
    h.SavePrevPosition();
    const int r = Scene().MoveHeroThroughMap(&h, death);
    if (r != 0) return r;
    return Scene().SettleHeroAfterContacts(&h, 0, death);
  }

  std::unique_ptr<t4test::StageFixture> stage_;
  std::vector<std::unique_ptr<cChara>> charas_;
  cCharaData heroTemplate_;
  cSystemData savedSystem_;
  std::vector<cInput> savedInput_;
  BlockAppearanceTest savedAppearance_ = nullptr;
};

TEST_F(BlockCollisionTest, AFallingHeroRestsOnTheFloorLineWithoutSinkingOrJitter) {
  struct Case {
    int level;
    double gravity;
    double drop;  // pixels between the feet and the floor line at the start
  };
  const Case cases[] = {
      {1, 1.0, 0.0}, {1, 1.0, 37.0}, {2, 1.0, 100.0}, {5, 2.0, 150.25}, {13, 1.0, 200.0}, {4, 0.3, 64.5},
  };
  for (const Case& c : cases) {
    MakeStage(c.level, c.gravity);
    const std::string what = "level " + std::to_string(c.level) + ", drop " + std::to_string(c.drop);
    Floor(15, 30);
    cHero& h = Hero();
    const double startY = kFloorTop - c.drop - h.m_nH;
    Put(h, 20 * 32 + 0.5, startY);
    const double x0 = h.m_dX;

    // Free fall until the sub-step in which the feet reach the floor row.
    const double g = StageStepGravity(), limit = StageStepSpeedLimit();
    double y = startY, vy = 0.0;
    const char* death = nullptr;
    int steps = 0;
    for (;; ++steps) {
      ASSERT_LT(steps, 10000) << what;
      vy = std::min(vy + g, limit);
      y += vy;
      const double bottom = y + h.m_nH - 1;
      ASSERT_EQ(SubStep(h, &death), 0) << what;
      if (bottom >= kFloorTop) {
        // The feet go up to the line, keeping the fraction of the fall.
        EXPECT_DOUBLE_EQ(h.m_dBottom, kFloorTop - 1 + Frac(bottom)) << what;
        EXPECT_EQ(h.LRUD.d, 1) << what;
        EXPECT_EQ(h.m_dVY, 0.0) << what;
        EXPECT_EQ(h.m_bFalling, 0) << what;
        break;
      }
      EXPECT_DOUBLE_EQ(h.m_dY, y) << what;
      EXPECT_EQ(h.LRUD.d, 0) << what;
    }

    // Standing for 600 frames: the box never reaches into the floor and
    // its drawn row never changes.
    const int restRow = TruncToInt(h.m_dY);
    const int n = StageSubSteps();
    bool steady = true;
    for (int f = 0; f < 600 && steady; ++f)
      for (int s = 0; s < n && steady; ++s) {
        ASSERT_EQ(SubStep(h, &death), 0) << what;
        steady = h.m_dBottom < kFloorTop && h.m_dBottom >= kFloorTop - 1 && TruncToInt(h.m_dY) == restRow &&
                 h.m_bFalling == 0 && h.m_dX == x0;
      }
    EXPECT_TRUE(steady) << what << ": y " << h.m_dY << ", falling " << h.m_bFalling;
  }
}

TEST_F(BlockCollisionTest, WallsPushTheBoxOutToTheCellLineAndKeepItsSpeed) {
  struct Case {
    const char* what;
    bool hero;
    int wallCol;
    int hit;
    double x;  // box left after the move
    double vx;
  };
  const Case cases[] = {
      {"hero into a wall on its left", true, 15, kBlockHitSolid, 505.25, -3.0},
      {"hero into a wall on its right", true, 20, kBlockHitSolid, 645.75 - 15, 2.5},
      {"chara into a wall on its left", false, 15, kBlockHitSolid, 500.5, -6.0},
      {"chara into a deadly wall on its right", false, 20, kBlockHitDeadly, 640.0 - 15, 6.0},
      {"standing still against a wall on its right", false, 20, kBlockHitSolid, 645.0 - 15, 0.0},
  };
  for (const Case& c : cases) {
    MakeStage(1, 1.0);
    for (int row = 20; row <= 24; ++row) stage_->SetBlock(c.wallCol, row, c.hit);
    cCharaBase& o = c.hero ? static_cast<cCharaBase&>(Hero()) : Chara();
    Put(o, c.x, kFloorTop - o.m_nH);
    o.m_dVX = c.vx;
    o.m_dAX = 0.125;
    const double right = o.m_dRight;
    o.ClearMoveRequests();
    EXPECT_EQ(Scene().HitBlocksX(&o), 0) << c.what;
    if (c.x < c.wallCol * 32.0 + 32 && c.x >= c.wallCol * 32.0) {
      // The left edge was in the wall: it now lies on the wall's far line.
      EXPECT_DOUBLE_EQ(o.m_dX, (c.wallCol + 1) * 32.0 + Frac(c.x)) << c.what;
      EXPECT_EQ(o.LRUD.l, 1) << c.what;
      EXPECT_EQ(o.m_nWallSide, 0) << c.what;
    } else {
      EXPECT_DOUBLE_EQ(o.m_dRight, c.wallCol * 32.0 - 1 + Frac(right)) << c.what;
      EXPECT_EQ(o.LRUD.r, 1) << c.what;
      EXPECT_EQ(o.m_nWallSide, 1) << c.what;
    }
    EXPECT_EQ(o.m_dVX, c.vx) << c.what << ": the speed is kept";
    EXPECT_EQ(o.m_dAX, 0.0) << c.what;
  }

  // A hero walking on into a wall stays where the wall puts it.
  MakeStage(1, 1.0);
  Floor(10, 30);
  for (int row = 20; row <= 24; ++row) stage_->SetBlock(25, row);
  cHero& h = Hero();
  Put(h, 700.25, kFloorTop - h.m_nH);
  h.m_dVX = 6;
  const char* death = nullptr;
  int touched = 0;
  for (int s = 0; s < 120; ++s) {
    ASSERT_EQ(SubStep(h, &death), 0);
    if (h.LRUD.r) {
      ++touched;
      EXPECT_DOUBLE_EQ(h.m_dRight, 25 * 32.0 - 1 + 0.25) << s;
    }
    EXPECT_LT(h.m_dRight, 25 * 32.0) << s;
  }
  EXPECT_GT(touched, 100);
  EXPECT_EQ(h.m_dVX, 6.0);
}

TEST_F(BlockCollisionTest, AWalkerSupportedAtEitherEndCrossesAOneCellGap) {
  struct Case {
    const char* what;
    int width;
    double vx;
    double x;  // start
    bool fallsIn;
  };
  // The gap is column 20 (640..671). A 28-pixel walker is over nothing
  // only while its left edge is within 640..644; steps of 6 from 603 jump
  // from 640 - 1 to 640 + 5.
  const Case cases[] = {
      {"wide and fast", 28, 6.0, 603.0, false},
      {"wide and slow", 28, 1.0, 603.0, true},
      {"narrow and fast", 16, 6.0, 603.0, true},
  };
  for (const Case& c : cases) {
    MakeStage(1, 1.0);
    g_Stage.m_nHeroBlockW = c.width;
    Floor(10, 19);
    Floor(21, 45);
    Floor(10, 45, 28);  // catches whoever falls
    cHero& h = Hero();
    Put(h, c.x, kFloorTop - h.m_nH);
    h.m_dVX = c.vx;
    const char* death = nullptr;
    bool sank = false;
    const int steps = static_cast<int>(80 / c.vx);
    for (int s = 0; s < steps; ++s) {
      ASSERT_EQ(SubStep(h, &death), 0) << c.what;
      if (h.m_dBottom >= kFloorTop) sank = true;
    }
    EXPECT_EQ(sank, c.fallsIn) << c.what;
    if (!c.fallsIn) {
      EXPECT_DOUBLE_EQ(h.m_dX, c.x + steps * c.vx) << c.what;
      EXPECT_DOUBLE_EQ(h.m_dBottom, kFloorTop - 1) << c.what;
    }
  }
}

TEST_F(BlockCollisionTest, ACeilingStopsARiseAtItsLowerLine) {
  const int ceilingRow = 20;  // 640..671
  struct Case {
    double top;  // box top before the sub-step
    double vy;
    bool bumps;
  };
  const Case cases[] = {{675.25, -5.5, true}, {684.0, -8.0, false}, {672.0, -1.5, true}};
  for (const Case& c : cases) {
    MakeStage(1, 1.0);
    for (int cx = 15; cx <= 25; ++cx) stage_->SetBlock(cx, ceilingRow);
    cHero& h = Hero();
    Put(h, 650.5, c.top);
    h.m_dVY = c.vy;
    const double vy = std::clamp(c.vy + StageStepGravity(), -StageStepSpeedLimit(), StageStepSpeedLimit());
    const double top = c.top + vy;
    const char* death = nullptr;
    ASSERT_EQ(SubStep(h, &death), 0);
    if (c.bumps) {
      EXPECT_DOUBLE_EQ(h.m_dY, (ceilingRow + 1) * 32.0 + Frac(top)) << c.top;
      EXPECT_EQ(h.LRUD.u, 1) << c.top;
      EXPECT_EQ(h.m_dVY, 0.0) << c.top;
      EXPECT_EQ(h.m_bJumpBlocked, 1) << c.top;
    } else {
      EXPECT_DOUBLE_EQ(h.m_dY, top) << c.top;
      EXPECT_EQ(h.LRUD.u, 0) << c.top;
      EXPECT_EQ(h.m_dVY, vy) << c.top;
    }
  }
}

TEST_F(BlockCollisionTest, ARisingWalkerLandsOnlyUnderTheOlderRuleOrWhenFlying) {
  struct Case {
    const char* what;
    int compat677;
    int flight;
    bool lands;
  };
  const Case cases[] = {
      {"walker, current rule", 0, kFlightOff, false},
      {"walker, older rule", 1, kFlightOff, true},
      {"flyer that collides", 0, kFlightBlocked, true},
  };
  for (const Case& c : cases) {
    MakeStage(1, 1.0);
    g_SystemData.m_bCompat677 = c.compat677;
    Floor(15, 25);
    cChara& o = Chara(c.flight);
    Put(o, 650.5, kFloorTop + 5.5 - (o.m_nH - 1));  // feet 5.5 pixels into the blocks
    o.m_dVY = -3;
    const double bottom = o.m_dBottom;
    o.ClearMoveRequests();
    EXPECT_EQ(Scene().HitBlockBottom(&o), 0) << c.what;
    EXPECT_EQ(o.LRUD.d, c.lands ? 1 : 0) << c.what;
    EXPECT_DOUBLE_EQ(o.m_dBottom, c.lands ? kFloorTop - 1 + 0.5 : bottom) << c.what;
  }
}

TEST_F(BlockCollisionTest, DeadlyBlocksKillTheHeroFromEverySideButCarryCharas) {
  struct Case {
    const char* what;
    double x, y, vx, vy;
    const char* death;
  };
  // Deadly blocks: a floor on row 25, a wall on column 25, a ceiling on
  // row 20 (cells 15..24).
  const Case cases[] = {
      {"stepping down onto the floor", 650.5, kFloorTop - 24, 0, 0, "Dead 4"},
      {"walking into the wall", 800 - 16 - 2.0, 700, 6, 0, "Dead 1"},
      {"jumping into the ceiling", 650.5, 675, 0, -6, "Dead 4"},
  };
  for (const Case& c : cases) {
    MakeStage(1, 1.0);
    Floor(15, 30, kFloorRow, kBlockHitDeadly);
    Floor(15, 24, 20, kBlockHitDeadly);
    for (int row = 20; row <= 24; ++row) stage_->SetBlock(25, row, kBlockHitDeadly);
    cHero& h = Hero();
    Put(h, c.x, c.y);
    h.m_dVX = c.vx;
    h.m_dVY = c.vy;
    const char* death = nullptr;
    EXPECT_EQ(SubStep(h, &death), 2) << c.what;
    ASSERT_NE(death, nullptr) << c.what;
    EXPECT_STREQ(death, c.death) << c.what;
  }

  // A computer chara lands on it and is pushed out of it like a solid one.
  MakeStage(1, 1.0);
  Floor(15, 30, kFloorRow, kBlockHitDeadly);
  for (int row = 20; row <= 24; ++row) stage_->SetBlock(25, row, kBlockHitDeadly);
  cChara& c = Chara();
  Put(c, 700.5, kFloorTop + 3.25 - (c.m_nH - 1));
  c.m_dVY = 4;
  EXPECT_EQ(Scene().HitBlocksY(&c), 0);
  EXPECT_DOUBLE_EQ(c.m_dBottom, kFloorTop - 1 + 0.25);
  EXPECT_EQ(c.m_pFootBlock, &stage_->Cell(21, kFloorRow));
  Put(c, 800 - 16 + 3.0, c.m_dY);
  c.m_dVX = 2;
  EXPECT_EQ(Scene().HitBlocksX(&c), 0);
  EXPECT_DOUBLE_EQ(c.m_dRight, 799.0);

  // Flying in the deadly mode, any block kills, the ceiling too.
  MakeStage(1, 1.0);
  Floor(15, 24, 20);
  cChara& g = Chara(kFlightDeadly);
  Put(g, 650.5, 670);
  g.m_dVY = -1;
  EXPECT_EQ(Scene().HitBlocksY(&g), 2);
}

TEST_F(BlockCollisionTest, TheScrollingViewSqueezesTheHeroAgainstAWall) {
  for (int grace : {0, 2}) {
    MakeStage(1, 1.0);
    Floor(10, 40);
    for (int row = 20; row <= 24; ++row) stage_->SetBlock(25, row);
    cHero& h = Hero();
    cScrollAxis& view = Scene().m_ScrollX;
    view.SetAutoSpeed(1, 10);
    view.m_dPos = 500;
    const double x = 800 - h.m_nW;  // standing against the wall
    Put(h, x, kFloorTop - h.m_nH);
    h.m_nFlowLockTimer = grace;
    // The view's left edge has passed the hero's.
    view.m_dPos = x + 3.5;
    const char* death = nullptr;
    const int r = SubStep(h, &death);
    EXPECT_EQ(h.LRUD.l, 1) << grace;
    EXPECT_EQ(h.LRUD.r, 1) << grace;
    if (grace == 0) {
      EXPECT_EQ(r, 2);
      ASSERT_NE(death, nullptr);
      EXPECT_STREQ(death, "Dead SP");
      EXPECT_DOUBLE_EQ(h.m_dX, x) << "the box goes back to where the move started";
    } else {
      EXPECT_EQ(r, 0) << "spared while the grace counter runs";
    }
  }

  // A walking hero pushed out at the bottom of a view that scrolls by
  // itself falls out of it; a flying one is held inside.
  for (int flight : {kFlightOff, kFlightBlocked}) {
    MakeStage(1, 1.0);
    cHero& h = Hero(flight);
    cScrollAxis& view = Scene().m_ScrollY;
    view.SetAutoSpeed(1, -10);
    view.m_dPos = 400;
    Put(h, 650.5, 400 + 470);  // the image reaches past the view's bottom
    h.ClearMoveRequests();
    EXPECT_EQ(Scene().CheckScreenEdgeY(&h), flight == kFlightOff ? 2 : 0) << flight;
    EXPECT_EQ(h.LRUD.d, 1) << flight;
    EXPECT_DOUBLE_EQ(h.m_dY, 400.0 + 480 - h.m_nH - 1) << flight;
  }
}

TEST_F(BlockCollisionTest, BlocksOfTheObjectsFactionOrNotYetPresentAreEmptyForIt) {
  // A block that has conditions not met is absent.
  SetBlockAppearanceTest([](cBlockData&) { return 0; });
  struct Case {
    const char* what;
    int faction;
    int passFaction;
    bool withConditions;
    bool lands;
  };
  const Case cases[] = {
      {"other faction", 2, 3, false, true},
      {"same faction", 3, 3, false, false},
      {"conditions not met", 2, -1, true, false},
  };
  for (const Case& c : cases) {
    for (bool hero : {true, false}) {
      MakeStage(1, 1.0);
      for (int cx = 15; cx <= 25; ++cx) {
        cBlockCell& b = stage_->SetBlock(cx, kFloorRow);
        b.m_cPassFaction = static_cast<int8_t>(c.passFaction);
        if (c.withConditions) b.m_vecCond.push_back(cCond());
      }
      cCharaBase& o = hero ? static_cast<cCharaBase&>(Hero(kFlightOff, c.faction)) : Chara(kFlightOff, c.faction);
      Put(o, 650.5, kFloorTop + 2 - (o.m_nH - 1));
      o.m_dVY = 3;
      o.ClearMoveRequests();
      EXPECT_EQ(Scene().HitBlocksY(&o), 0) << c.what;
      EXPECT_EQ(o.LRUD.d, c.lands ? 1 : 0) << c.what << (hero ? ", hero" : ", chara");
      EXPECT_DOUBLE_EQ(o.m_dBottom, c.lands ? kFloorTop - 1 : kFloorTop + 2) << c.what;
    }
  }
}

TEST_F(BlockCollisionTest, EdgeProbesTakeTheStrongestBlockAndTheNearerOfEqualOnes) {
  cChara& c = Chara();
  const int row = 22;
  const int y = row * 32 + 5;
  // A horizontal edge at scale 1: samples at its two ends.
  struct Case {
    const char* what;
    int leftHit, rightHit;
    int wantCol;
  };
  const Case cases[] = {
      {"equal at equal distance: the left", kBlockHitSolid, kBlockHitSolid, 18},
      {"deadly beats solid", kBlockHitSolid, kBlockHitDeadly, 19},
      {"solid beats empty", kBlockHitNone, kBlockHitSolid, 19},
      {"nothing: the first sample", kBlockHitNone, kBlockHitNone, 18},
  };
  // Samples at 600 and 630, both 15 from the centre 615.
  c.m_nBaseW = 31;
  for (const Case& k : cases) {
    stage_->SetBlock(18, row, k.leftHit);
    stage_->SetBlock(19, row, k.rightHit);
    EXPECT_EQ(Scene().GetBlockOnLine(&c, 600, y, 630, y), Index(k.wantCol, row)) << k.what;
  }
  // Vertical edges: the first strictly stronger from the top.
  stage_->SetBlock(18, 21, kBlockHitSolid);
  stage_->SetBlock(18, 22, kBlockHitSolid);
  c.m_nBaseH = 33;
  EXPECT_EQ(Scene().GetBlockOnLine(&c, 600, 21 * 32, 600, 22 * 32), Index(18, 21));
  EXPECT_EQ(Scene().GetBlockOnLine(&c, 600, 600, 640, 700), 0) << "a slanted line";

  // A scaled box is sampled at its unscaled size: the far edge lies
  // (scale - 1) pixels beyond the last sample.
  MakeStage(1, 1.0);
  cChara& big = Chara(kFlightOff, 1, 2);
  ASSERT_EQ(big.m_nBaseW, 16);
  stage_->SetBlock(20, row, kBlockHitSolid);
  // Samples at 609, 624, 639; the edge ends at 640 in the block.
  EXPECT_EQ(Scene().GetBlockOnLine(&big, 609, y, 640, y), Index(19, row));
  EXPECT_EQ(Scene().GetBlockOnLine(&big, 610, y, 641, y), Index(20, row));

  // The floor cell: three samples for scale 1 (left, middle, right); of
  // equal blocks the one under the middle. The hero stands on it, a chara
  // on the cell its edge probe found.
  MakeStage(1, 1.0);
  Floor(15, 30);
  for (bool hero : {true, false}) {
    cCharaBase& o = hero ? static_cast<cCharaBase&>(Hero()) : Chara();
    Put(o, 20 * 32 - 7 + 0.5, kFloorTop + 1 - (o.m_nH - 1));  // left in column 19, the rest in 20
    EXPECT_EQ(Scene().GetFloorCell(&o), Index(20, kFloorRow));
    o.m_dVY = 1;
    ASSERT_EQ(Scene().HitBlocksY(&o), 0);
    const int want = hero ? Index(20, kFloorRow) : Index(19, kFloorRow);
    EXPECT_EQ(o.m_pFootBlock, &g_vecBlockMap[static_cast<size_t>(want)]) << hero;
    EXPECT_EQ(o.m_nContact, want + 1) << hero;
  }

  // A scale below 1 (a template the spawn never mended) is sampled as
  // scale 1 instead of dividing by zero.
  for (int scale : {0, -3}) {
    cChara& odd = Chara();
    Put(odd, 20 * 32 - 7 + 0.5, kFloorTop + 1 - (odd.m_nH - 1));
    odd.m_Data.m_cSize = static_cast<int8_t>(scale);
    EXPECT_EQ(Scene().GetFloorCell(&odd), Index(20, kFloorRow)) << scale;
    EXPECT_EQ(Scene().GetBlockOnLine(&odd, 633, TruncToInt(odd.m_dBottom), 648, TruncToInt(odd.m_dBottom)),
              Index(19, kFloorRow))
        << scale;
  }

  // Corners: the first strictly stronger of top-left, top-right,
  // bottom-left, bottom-right.
  MakeStage(1, 1.0);
  stage_->SetBlock(31, 20, kBlockHitSolid);
  stage_->SetBlock(30, 21, kBlockHitSolid);
  stage_->SetBlock(31, 21, kBlockHitDeadly);
  EXPECT_EQ(Scene().GetBlockAtCorners(30, 20, 31, 21, 1), Index(31, 21));
  stage_->SetBlock(31, 21, kBlockHitSolid);
  EXPECT_EQ(Scene().GetBlockAtCorners(30, 20, 31, 21, 1), Index(31, 20));
}

TEST_F(BlockCollisionTest, EightFramesWithoutFloorMakeAWalkerFall) {
  MakeStage(3, 1.0);
  const int limit = 8 * StageSubSteps();
  struct Case {
    const char* what;
    bool hero;
    int riding;
    bool falls;
  };
  const Case cases[] = {
      {"hero", true, 0, true},
      {"riding hero", true, 1, false},
      {"chara", false, 0, true},
  };
  for (const Case& c : cases) {
    cCharaBase& o = c.hero ? static_cast<cCharaBase&>(Hero()) : Chara();
    Put(o, 650.5, 700);
    o.m_bOnChara = c.riding;
    if (c.hero) Player[0].m_bJumpReady = 0;
    for (int s = 1; s <= limit; ++s) {
      ASSERT_EQ(Scene().HitBlockBottom(&o), 0);
      EXPECT_EQ(o.m_bFalling, c.falls && s == limit ? 1 : 0) << c.what << " after " << s;
    }
    EXPECT_EQ(o.m_pFootBlock, nullptr) << c.what;
    if (c.hero) {
      EXPECT_EQ(Player[0].m_bJumpReady, c.falls ? 1 : 0) << c.what;
    }
  }
}

TEST_F(BlockCollisionTest, AFlyerThatPassesBlocksTouchesNothing) {
  Floor(10, 40);
  for (int row = 20; row <= 24; ++row) stage_->SetBlock(25, row);
  cChara& f = Chara(kFlightThrough);
  Put(f, 800 - 8 + 0.5, kFloorTop - 10);
  f.m_dVX = 2;
  f.m_dVY = 2;
  const double x = f.m_dX, y = f.m_dY;
  f.ClearMoveRequests();
  EXPECT_EQ(Scene().HitBlocksX(&f), 0);
  EXPECT_EQ(Scene().HitBlocksY(&f), 0);
  EXPECT_EQ(Scene().CheckBlocksX(&f), 0);
  EXPECT_EQ(Scene().CheckBlocksY(&f), 0);
  EXPECT_EQ(f.m_dX, x);
  EXPECT_EQ(f.m_dY, y);
  EXPECT_EQ(f.LRUD.l + f.LRUD.r + f.LRUD.u + f.LRUD.d, 0);
}

// A box whose position went NaN probes outside the map: the probes report
// it through the map's bounds check and stop nothing, instead of computing
// cell indexes that overflow.
TEST_F(BlockCollisionTest, ANaNPositionIsReportedNotFollowed) {
  plat::RegisterMainThread();
  TempFolder dir;
  ReportLogCapture report{dir.path()};
  Floor(10, 40);
  Floor(10, 40, 0);  // what a wrapped row index would land on
  cChara& c = Chara();
  Put(c, 650.5, kFloorTop - c.m_nH);
  c.m_dY = c.m_dBottom = std::nan("");
  c.m_dVX = c.m_dVY = 1;
  c.ClearMoveRequests();
  EXPECT_EQ(Scene().HitBlocksX(&c), 0);
  EXPECT_EQ(Scene().HitBlocksY(&c), 0);
  EXPECT_EQ(Scene().CheckBlocksY(&c), 0);
  EXPECT_EQ(c.LRUD.l + c.LRUD.r + c.LRUD.u + c.LRUD.d, 0);
  EXPECT_EQ(c.m_pFootBlock, nullptr);
  EXPECT_EQ(c.m_dX, 650.5);
  int bad = 0;
  for (const std::string& line : report.NewLines()) bad += line.rfind("err V[", 0) == 0 ? 1 : 0;
  EXPECT_GT(bad, 0);
  MSG m;
  while (plat::PeekMessage(&m, true)) {
  }
}

}  // namespace
