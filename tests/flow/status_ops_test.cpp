// Conditions of every kind, the status commands and the run-code command.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <utility>

#include "flow/cmd_executors.h"
#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "flow/status_ops.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"

namespace {

class StatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedProgress_ = g_Progress;
    savedSystem_ = g_SystemData;
    g_Progress.Reset();
    Player.clear();
    Player.resize(1);
    Hero().m_Data = cCharaData();
    Hero().Reset(nullptr, 0, 0, 0, 0);
    Hero().m_nTeam = 0;
    chara_.m_Data = cCharaData();
    chara_.Reset(nullptr, 0, 0, 0, 0);
    chara_.m_nTeam = 1;
    chara_.m_Data.m_nMaxHp = 30;
    chara_.m_nLife = 30;
    other_.m_Data = cCharaData();
    other_.Reset(nullptr, 0, 0, 0, 0);
    other_.m_nTeam = 1;
    other_.m_Data.m_nMaxHp = 100;
    other_.m_nLife = 100;
    chara_.SetTargetLink(0, &other_);
  }
  void TearDown() override {
    chara_.ClearLinks();
    Player.clear();
    g_SystemData = savedSystem_;
    g_Progress = savedProgress_;
  }
  cHero& Hero() { return Player[0]; }
  // A status-operation command; params [0]..[17], the rest 0.
  static cFlowCmd Op(std::initializer_list<std::pair<int, int>> params) {
    cFlowCmd cmd;
    cmd.m_vecParam.assign(18, 0);
    for (auto [i, v] : params) cmd.m_vecParam[static_cast<size_t>(i)] = v;
    return cmd;
  }

  t4test::StageFixture stage_;
  cCharaBase chara_;
  cCharaBase other_;
  cProgressData savedProgress_;
  cSystemData savedSystem_;
};

cCond StatusCond(int target, int status, int relation, int constant, int percent = 0) {
  cCond c;
  c.m_byKind = 4;
  c.m_byTarget = static_cast<BYTE>(target);
  c.m_byStatus = static_cast<BYTE>(status);
  c.m_byRelation = static_cast<BYTE>(relation);
  c.m_nConst = constant;
  c.m_bPercent = static_cast<BYTE>(percent);
  return c;
}

TEST_F(StatusTest, StatusConditions) {
  chara_.m_Data.m_byCharaId = 44;
  chara_.m_nLife = 15;
  g_Progress.m_vecVar[5] = 9;
  struct Case {
    const char* what;
    cCond cond;
    bool holds;
  };
  cCond var = StatusCond(0, 0, 0, 9);
  var.m_byLeftSource = 1;
  var.m_sVarIndex = 5;
  cCond randomOperand = StatusCond(0, kStatusLife, 0, 0);
  randomOperand.m_byRightSource = 1;
  randomOperand.m_nRandMin = 15;
  randomOperand.m_nRandMax = 15;
  cCond linkOperand = StatusCond(0, kStatusLife, 5, 0);  // life < the link's life
  linkOperand.m_byRightSource = 2;
  linkOperand.m_byRightTarget = 1;
  linkOperand.m_byRightStatus = kStatusLife;
  cCond emptyOperand = linkOperand;
  emptyOperand.m_byRightTarget = 3;
  const Case cases[] = {
      {"life <= 50 % of max life 30 (15)", StatusCond(0, kStatusLife, 3, 50, 1), true},
      {"life < 50 % of max life 30", StatusCond(0, kStatusLife, 5, 50, 1), false},
      {"an ID of 44 is not 300", StatusCond(0, kStatusCharaId, 0, 300), false},
      {"an ID of 44 is 44", StatusCond(0, kStatusCharaId, 0, 44), true},
      {"a multiple of 0", StatusCond(0, kStatusLife, 6, 0), true},
      {"not a multiple of 0", StatusCond(0, kStatusLife, 7, 0), false},
      {"a link's life", StatusCond(1, kStatusLife, 0, 100), true},
      {"an empty slot", StatusCond(2, kStatusLife, 1, 100), false},
      {"sight of a chara", StatusCond(0, kStatusSight, 2, 0), false},
      {"an unknown field", StatusCond(0, 40, 0, 1), true},
      {"common variable 5 is 9", var, true},
      {"a random operand from 15 to 15", randomOperand, true},
      {"an operand from the link", linkOperand, true},
      {"an operand from an empty slot", emptyOperand, false},
      {"lives are 0 or more", StatusCond(5, kSystemLives, 2, 0), true},
  };
  for (const Case& c : cases) EXPECT_EQ(stage_.Scene().CheckCond(c.cond, &chara_), c.holds) << c.what;
  // The sight belongs to the hero.
  Hero().m_Data.m_bySightRange = 6;
  EXPECT_TRUE(stage_.Scene().CheckCond(StatusCond(0, kStatusSight, 0, 6), &Hero()));
  // Unlimited lives fail every comparison.
  g_Progress.m_nLives = kUnlimitedLives;
  EXPECT_FALSE(stage_.Scene().CheckCond(StatusCond(5, kSystemLives, 2, 0), &chara_));
}

TEST_F(StatusTest, VariableChecksAndTheConditionLists) {
  g_Progress.m_vecVar[3] = 7;
  stage_.Scene().m_vecStageVar[4] = -2;
  chara_.m_vecVar[2] = 12;
  cGameScene& s = stage_.Scene();
  auto Var = [](int kind, int index, int relation, int constant) {
    cCond c;
    c.m_byKind = static_cast<BYTE>(kind);
    c.m_sVarIndex = static_cast<int16_t>(index);
    c.m_byRelation = static_cast<BYTE>(relation);
    c.m_nConst = constant;
    return c;
  };
  EXPECT_TRUE(s.CheckCond(Var(1, 3, 0, 7), &chara_));
  EXPECT_TRUE(s.CheckCond(Var(2, 4, 5, 0), &chara_));
  EXPECT_TRUE(s.CheckCond(Var(3, 2, 6, 4), &chara_));
  EXPECT_FALSE(s.CheckCond(Var(3, 2, 6, 5), &chara_));
  EXPECT_FALSE(s.CheckCond(Var(9, 0, 0, 0), &chara_));
  const std::vector<cCond> list = {Var(1, 3, 0, 7), Var(1, 3, 0, 8)};
  EXPECT_FALSE(s.CheckCondList(list, 0, &chara_));
  EXPECT_TRUE(s.CheckCondList(list, 1, &chara_));
  EXPECT_TRUE(s.CheckCondList({}, 0, &chara_));
  EXPECT_FALSE(s.CheckCondList({}, 1, &chara_));
}

TEST_F(StatusTest, StatusOperations) {
  struct Case {
    const char* what;
    std::function<void()> before;
    cFlowCmd cmd;
    std::function<int()> read;
    int want;
  };
  cCharaData& d = chara_.m_Data;
  auto none = [] {};
  const Case cases[] = {
      {"score x 10 saturates", [&] { d.m_nScore = 200000; }, Op({{4, kStatusScore}, {5, 3}, {7, 10}}),
       [&] { return d.m_nScore; }, 999999},
      {"negative x positive saturates low", [&] { d.m_nScore = -200000; }, Op({{4, kStatusScore}, {5, 3}, {7, 10}}),
       [&] { return d.m_nScore; }, -999999},
      {"Z 6 + 5", [&] { d.m_byZ = 6; }, Op({{4, kStatusZ}, {5, 1}, {7, 5}}), [&] { return int{d.m_byZ}; }, 7},
      {"Z 6 + 250 clamps, not wraps", [&] { d.m_byZ = 6; }, Op({{4, kStatusZ}, {5, 1}, {7, 250}}),
       [&] { return int{d.m_byZ}; }, 7},
      {"150 % of 7", [&] { d.m_nDefence = 7; }, Op({{4, kStatusDefence}, {5, 6}, {7, 150}}),
       [&] { return d.m_nDefence; }, 11},
      {"divide by 0 is skipped", [&] { d.m_nDefence = 7; }, Op({{4, kStatusDefence}, {5, 4}, {7, 0}}),
       [&] { return d.m_nDefence; }, 7},
      {"remainder", [&] { d.m_nDefence = 7; }, Op({{4, kStatusDefence}, {5, 5}, {7, 4}}),
       [&] { return d.m_nDefence; }, 3},
      {"chara variable 3 = common variable 2", [&] { g_Progress.m_vecVar[2] = -40; },
       Op({{2, 3}, {4, kStatusVar}, {6, 3}, {10, 0}, {11, 2}}), [&] { return chara_.m_vecVar[3]; }, -40},
      {"stage variable 8 += 50 % of itself", [&] { stage_.Scene().m_vecStageVar[8] = 10; },
       Op({{0, 1}, {1, 1}, {2, 8}, {5, 1}, {7, 50}, {14, 1}}), [&] { return stage_.Scene().m_vecStageVar[8]; }, 15},
      {"lower the max life below the life", none, Op({{4, kStatusMaxLife}, {7, 20}}), [&] { return chara_.m_nLife; },
       20},
      {"life - 50 % of the max", none, Op({{4, kStatusLife}, {5, 2}, {7, 50}, {15, 1}}),
       [&] { return chara_.m_nLife; }, 15},
      {"a link's life", none, Op({{3, 1}, {4, kStatusLife}, {5, 2}, {7, 30}}), [&] { return other_.m_nLife; }, 70},
      {"an empty slot does nothing", none, Op({{3, 2}, {4, kStatusLife}, {7, 0}}), [&] { return chara_.m_nLife; }, 30},
      {"the sight of a chara does nothing", none, Op({{4, kStatusSight}, {7, 4}}),
       [&] { return int{d.m_bySightRange}; }, 0},
      {"spare invincible charas", [&] { d.m_byInvincible = 1; }, Op({{4, kStatusDefence}, {7, 9}, {17, 1}}),
       [&] { return d.m_nDefence; }, 0},
      {"time keeps its range", [&] { stage_.Scene().m_nTimeLimit = 10; }, Op({{3, 5}, {4, kSystemTime}, {5, 2}, {7, 50}}),
       [&] { return stage_.Scene().m_nTimeLimit; }, 0},
      {"lives while unlimited", [&] { g_Progress.m_nLives = kUnlimitedLives; }, Op({{3, 5}, {4, kSystemLives}, {7, 3}}),
       [&] { return g_Progress.m_nLives; }, kUnlimitedLives},
      {"lives", [&] { g_Progress.m_nLives = 3; }, Op({{3, 5}, {4, kSystemLives}, {5, 1}, {7, 500}}),
       [&] { return g_Progress.m_nLives; }, 99},
  };
  for (const Case& c : cases) {
    SetUp();
    c.before();
    cFlowCmd cmd = c.cmd;
    EXPECT_EQ(ExecStatusOp(&chara_, &cmd), 0) << c.what;
    EXPECT_EQ(c.read(), c.want) << c.what;
    TearDown();
  }
}

TEST_F(StatusTest, LifeOperationsRespectInvincibilityAndMarkOtherCharasDeaths) {
  chara_.m_Data.m_byInvincible = 1;
  cFlowCmd hit = Op({{4, kStatusLife}, {5, 2}, {7, 10}});
  ExecStatusOp(&chara_, &hit);
  EXPECT_EQ(chara_.m_nLife, 30);
  cFlowCmd forced = Op({{4, kStatusLife}, {5, 2}, {7, 10}, {16, 1}});
  ExecStatusOp(&chara_, &forced);
  EXPECT_EQ(chara_.m_nLife, 20);

  stage_.Scene().m_bHeroDeathCheck = 0;
  cFlowCmd kill = Op({{3, 1}, {4, kStatusLife}, {7, 0}});
  ExecStatusOp(&chara_, &kill);
  EXPECT_EQ(other_.m_nLife, 0);
  EXPECT_EQ(stage_.Scene().m_bHeroDeathCheck, 1);
}

TEST_F(StatusTest, SecondStatusOperation) {
  cFlowCmd fly = Op({{1, 3}, {2, 1}});
  ExecStatusOp2(&chara_, &fly);
  EXPECT_EQ(chara_.m_Data.m_byFlight, 0);  // charas keep their move type
  chara_.SetTargetLink(2, &Hero());
  cFlowCmd heroFly = Op({{0, 3}, {1, 3}, {2, 1}});
  ExecStatusOp2(&chara_, &heroFly);
  EXPECT_EQ(Hero().m_Data.m_byFlight, 1);

  cFlowCmd hide = Op({{1, 1}, {2, 1}});
  ExecStatusOp2(&chara_, &hide);
  EXPECT_EQ(chara_.m_Data.m_bTransparent, 1);
  cFlowCmd sync = Op({{1, 6}, {2, 1}});
  ExecStatusOp2(&chara_, &sync);
  EXPECT_EQ(chara_.m_bScrollLock, 1);

  chara_.m_nBaseW = 10;
  chara_.m_nW = 10;
  cFlowCmd giant = Op({{1, 5}, {2, 3}});
  ExecStatusOp2(&chara_, &giant);
  EXPECT_EQ(chara_.m_Data.m_cSize, 3);
  EXPECT_EQ(chara_.m_nW, 30);
  cFlowCmd none = Op({{1, 5}, {2, 0}});
  ExecStatusOp2(&chara_, &none);
  EXPECT_EQ(chara_.m_nW, 10);  // no factor below 1

  stage_.Scene().m_bHeroDeathCheck = 0;
  cFlowCmd vanishLink = Op({{0, 1}, {1, 0}});
  ExecStatusOp2(&chara_, &vanishLink);
  EXPECT_EQ(other_.m_bVanish, 1);
  EXPECT_EQ(stage_.Scene().m_bHeroDeathCheck, 1);
  cFlowCmd vanishHero = Op({{0, 3}, {1, 0}});
  Hero().m_nLife = 5;
  ExecStatusOp2(&chara_, &vanishHero);
  EXPECT_EQ(Hero().m_nLife, 0);

  g_Stage.m_nAutoScrollSpeedX = 20;
  cFlowCmd scroll = Op({{0, 5}, {1, 0}, {2, 1}});
  ExecStatusOp2(&chara_, &scroll);
  EXPECT_EQ(g_Stage.m_nScrollModeX, 1);
  EXPECT_DOUBLE_EQ(stage_.Scene().m_ScrollX.m_dAutoStep, 2.0 / StageSubSteps());

  cFlowCmd code;
  code.m_strText = "C7 = 3 * 3";
  EXPECT_EQ(ExecRunCode(&chara_, &code), 1);
  EXPECT_EQ(g_Progress.m_vecVar[7], 9);
}

TEST_F(StatusTest, FlightOnTheHeroRebuildsItsShape) {
  // Walking box 20 x 28 on the cell bottom, flying box 24 x 16 centred; the
  // overlays show the box.
  cStageData& st = g_Stage;
  st.m_nHeroBlockW = 20;
  st.m_nHeroBlockH = 28;
  st.m_bHeroBlockBottom = 1;
  st.m_nHeroBlockFlyW = 24;
  st.m_nHeroBlockFlyH = 16;
  st.m_bHeroBlockFlyBottom = 0;
  cCharaData t;
  t.m_nMaxHp = 10;
  cHero& h = Hero();
  h.InitFromTemplate(1, &t, 0, 0, 0);
  ASSERT_EQ(h.m_bNoGravity, 0);
  chara_.SetTargetLink(2, &h);
  auto boxOverlay = [&h]() -> const HITOVERLAY* {
    for (const HITOVERLAY& o : h.m_vecOverlay)
      if (o.nKind == 0) return &o;
    return nullptr;
  };
  struct Case {
    const char* what;
    int op, value;
    int noGravity, w, h, offX, offY, lockTimer;
  };
  const Case cases[] = {
      {"flight on", 3, 1, 1, 24, 16, 4, 8, 2},
      {"giant at twice the size", 5, 2, 1, 48, 32, 8, 16, 2},
      {"flight off keeps the size", 3, 0, 0, 40, 56, 12, 8, 2},
  };
  for (const Case& c : cases) {
    h.m_nFlowLockTimer = 0;
    h.m_dVX = 1.5;
    h.m_dVY = -2.0;
    cFlowCmd cmd = Op({{0, 3}, {1, c.op}, {2, c.value}});
    ExecStatusOp2(&chara_, &cmd);
    EXPECT_EQ(h.m_Data.m_byFlight, c.op == 3 ? c.value : 1) << c.what;
    EXPECT_EQ(h.m_bNoGravity, c.noGravity) << c.what;
    EXPECT_EQ(h.m_nW, c.w) << c.what;
    EXPECT_EQ(h.m_nH, c.h) << c.what;
    EXPECT_EQ(h.m_nImgOffX, c.offX) << c.what;
    EXPECT_EQ(h.m_nImgOffY, c.offY) << c.what;
    const HITOVERLAY* box = boxOverlay();
    ASSERT_NE(box, nullptr) << c.what;
    EXPECT_EQ(box->nW, c.w) << c.what;
    EXPECT_EQ(box->nH, c.h) << c.what;
    if (c.op == 3) {
      // The flows wait two sub-steps; a hero that lands loses its speed.
      EXPECT_EQ(h.m_nFlowLockTimer, c.lockTimer) << c.what;
      EXPECT_DOUBLE_EQ(h.m_dVY, c.noGravity ? -2.0 : 0.0) << c.what;
      EXPECT_DOUBLE_EQ(h.m_dVX, c.noGravity ? 1.5 : 0.0) << c.what;
    }
  }
}

TEST_F(StatusTest, FlagAndStateConditions) {
  cGameScene& s = stage_.Scene();
  auto Flag = [](int target, int which, int relation, int constant) {
    cCond c;
    c.m_byKind = 5;
    c.m_byTarget = static_cast<BYTE>(target);
    c.m_byStatus = static_cast<BYTE>(which);
    c.m_byRelation = static_cast<BYTE>(relation);
    c.m_sVarIndex = static_cast<int16_t>(constant);
    return c;
  };
  auto State = [](int target, int which, int relation) {
    cCond c;
    c.m_byKind = 6;
    c.m_byTarget = static_cast<BYTE>(target);
    c.m_byStatus = static_cast<BYTE>(which);
    c.m_byRelation = static_cast<BYTE>(relation);
    return c;
  };
  chara_.m_Data.m_byInvincible = 2;
  other_.m_Data.m_cSize = 4;
  other_.m_bRight = 1;
  g_Stage.m_nScrollModeY = 1;
  chara_.m_bFalling = 0;  // landed
  struct Case {
    const char* what;
    cCond cond;
    bool holds;
  };
  const Case cases[] = {
      {"invincible is 2", Flag(0, 4, 0, 2), true},
      {"the link's scale >= 4", Flag(1, 5, 2, 4), true},
      {"an empty slot", Flag(2, 5, 1, 0), false},
      {"vertical auto-scroll on", Flag(5, 1, 0, 1), true},
      {"an unknown flag", Flag(0, 9, 1, 5), false},
      {"any value is a multiple of 0", Flag(0, 3, 6, 0), true},
      {"the link faces right", State(1, 1, 0), true},
      {"the link does not face left", State(1, 0, 1), true},
      {"the link exists", State(1, 4, 0), true},
      {"slot 2 holds nobody", State(2, 4, 0), false},
      {"slot 2 holds nobody, negated", State(2, 4, 1), true},
      {"an empty slot's facing", State(2, 0, 1), false},
      {"standing, not jumping", State(0, 2, 0), true},
  };
  for (const Case& c : cases) EXPECT_EQ(s.CheckCond(c.cond, &chara_), c.holds) << c.what;
  chara_.m_bJumping = 1;
  EXPECT_FALSE(s.CheckCond(State(0, 2, 0), &chara_));
  chara_.m_bOnChara = 1;
  EXPECT_TRUE(s.CheckCond(State(0, 2, 0), &chara_));
  other_.m_bDead = 1;
  EXPECT_FALSE(s.CheckCond(State(1, 4, 0), &chara_));
}

TEST(SenseInterval, AreasAroundAnExtent) {
  struct Case {
    int start, size, back, front, whole, lo, hi;
  };
  const Case cases[] = {
      {100, 32, 0, 0, 1, 100, 132},  // the extent itself
      {100, 31, 0, 0, 1, 100, 130},  // an odd size loses its last pixel
      {100, 32, 16, 16, 1, 84, 148},
      {100, 32, 0, 16, 0, 116, 148},  // front only: from the centre
      {100, 32, 16, 0, 0, 84, 116},   // back only
      {100, 32, 0, 0, 0, 116, 116},
  };
  for (const Case& c : cases) {
    int lo = 0, hi = 0;
    SenseInterval(lo, hi, c.start, c.size, c.back, c.front, c.whole);
    EXPECT_EQ(lo, c.lo) << c.start << " " << c.size << " " << c.back << " " << c.front;
    EXPECT_EQ(hi, c.hi) << c.start << " " << c.size << " " << c.back << " " << c.front;
  }
}

TEST_F(StatusTest, DistanceConditionsLookWhereTheCharaFaces) {
  cGameScene& s = stage_.Scene();
  auto Place = [](cCharaBase& c, double x, double y) {
    c.m_nW = c.m_nH = c.m_nImgW = c.m_nImgH = 32;
    c.m_nBaseW = c.m_nBaseH = c.m_nBaseImgW = c.m_nBaseImgH = 32;
    c.m_nImgOffX = c.m_nImgOffY = 0;
    c.m_dX = x;
    c.m_dY = y;
    c.m_dRight = x + 31;
    c.m_dBottom = y + 31;
    c.UpdateScreenRect();
  };
  auto Area = [](int mode, int halfBlocks, int outside = 0) {
    cCond c;
    c.m_byKind = 7;
    c.m_byTarget = 1;
    c.m_byDistanceMode = static_cast<BYTE>(mode);
    c.m_nConst = halfBlocks;
    c.m_byRelation = static_cast<BYTE>(outside);
    return c;
  };
  Place(chara_, 800, 600);
  Place(other_, 740, 600);  // 60 pixels to the left
  chara_.m_bRight = 1;
  struct Case {
    const char* what;
    cCond cond;
    bool holds;
  };
  const Case cases[] = {
      {"in front, 2 half blocks: behind is ignored", Area(1, 2), false},
      {"behind, 2 half blocks", Area(2, 2), true},
      {"behind, 1 half block", Area(2, 1), false},
      {"both sides, 2 half blocks", Area(0, 2), true},
      {"outside both sides, 2", Area(0, 2, 1), false},
      {"a circle of 4 half blocks (64 pixels)", Area(6, 4), true},
      {"a circle of 3 half blocks (48 pixels)", Area(6, 3), false},
      {"above and below", Area(3, 10), true},  // the same height
  };
  for (const Case& c : cases) EXPECT_EQ(s.CheckCond(c.cond, &chara_), c.holds) << c.what;
  chara_.m_bRight = 0;
  EXPECT_TRUE(s.CheckCond(Area(1, 2), &chara_));  // now it is in front
  // The hero is target 0.
  Place(Hero(), 800, 700);
  cCond below = Area(4, 5);
  below.m_byTarget = 0;
  chara_.m_bRight = 1;
  EXPECT_TRUE(s.CheckCond(below, &chara_));  // facing right, front Y is below
  chara_.m_bRight = 0;
  EXPECT_FALSE(s.CheckCond(below, &chara_));
}

}  // namespace

namespace {

TEST(AreaOverlap, ABoxOnItsImageBottomIsTakenDownToThatBottom) {
  cSystemData saved = g_SystemData;
  cGameObject target;
  target.m_nImgH = 60;
  target.m_nImgOffY = 16;
  target.m_nH = 44;  // 44 + 16 + 1 reaches the image height
  cGameObject self;
  // An area reaching 10 pixels above an extent at 100: its top is 90; the
  // target's image ends at 99, its box 16 pixels higher.
  g_SystemData.m_bCompat733 = 0;
  EXPECT_EQ(self.TestAreaOverlap(100, 32, 40, 99, 16, 10, 0, 0, 1, target), 1);
  EXPECT_EQ(self.TestAreaOverlap(100, 32, 40, 99, 16, 10, 0, 0, 0, target), 0);  // not on the x axis
  g_SystemData.m_bCompat733 = 1;
  EXPECT_EQ(self.TestAreaOverlap(100, 32, 40, 99, 16, 10, 0, 0, 1, target), 0);
  g_SystemData.m_bCompat733 = 0;
  target.m_nH = 40;  // a box above the image bottom
  EXPECT_EQ(self.TestAreaOverlap(100, 32, 40, 99, 16, 10, 0, 0, 1, target), 0);
  g_SystemData = saved;
}

}  // namespace
