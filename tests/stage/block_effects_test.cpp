// The percent rounding, the owners' appearance lists with their latches,
// and the blocks that act on the hero: jump pads, conveyors, speed and
// no-jump blocks, and item blocks that give their item again after a while.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "flow/cond_list.h"
#include "flow/status_values.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/stage_fixture.h"
#include "platform/messages.h"
#include "records/item_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/template_links.h"
#include "services/input.h"

namespace {

constexpr uint32_t kPlaySoundMessage = 1029;
constexpr int kJumpSound = 10;

// ---- percent -----------------------------------------------------------------

TEST(CalcPercentTest, RoundsHalfAwayFromZeroAndHoldsTheIntRange) {
  struct Case {
    int value, percent, want;
  };
  const Case cases[] = {
      {7, 50, 4},            // 3.5 up
      {-7, 50, -4},          // -3.5 down
      {3, 150, 5},           // 4.5
      {-1, 50, -1},          // -0.5
      {1, 49, 0},            // 0.49
      {5, -1, 0},            // -0.05
      {200, -1, -2},         // exactly -2
      {0, 77, 0},
      {123, 0, 0},
      {INT_MIN, 0, 0},
      {0, INT_MIN, 0},
      {INT_MIN, 100, INT_MIN},
      {INT_MAX, 100, INT_MAX},
      {INT_MAX, -100, -INT_MAX},
      {INT_MIN, -1, 21474836},   // 21474836.48
      {-1, INT_MIN, 21474836},
      {INT_MIN, 1, -21474836},   // -21474836.48
      {INT_MIN, -100, INT_MAX},  // 2^31 does not fit
      {INT_MIN, INT_MIN, INT_MAX},
      {INT_MAX, 200, INT_MAX},
      {INT_MIN, 200, INT_MIN},
      {INT_MAX, INT_MIN, INT_MIN},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CalcPercent(c.value, c.percent), c.want) << c.value << " x " << c.percent << "%";
}

// ---- the fixture -------------------------------------------------------------

std::vector<int>* g_sounds = nullptr;
LRESULT RecordSound(HWND, uint32_t msg, WPARAM w, LPARAM) {
  if (g_sounds && msg == kPlaySoundMessage) g_sounds->push_back(static_cast<int>(w));
  return 0;
}

cCond StageVarIs(int index, int value) {
  cCond c;
  c.m_byKind = 2;
  c.m_sVarIndex = static_cast<int16_t>(index);
  c.m_nConst = value;
  c.m_byRelation = 0;
  return c;
}

class SpecialBlocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedInput_ = g_vecInput;
    savedAppearance_ = GetBlockAppearanceTest();
    savedItems_ = GetPaletteLists(1);
    g_vecInput.assign(2, cInput());
    for (cInput& in : g_vecInput) in.TrimPressHistory();
    Player.clear();
    Player.resize(1);
    MakeStage(1);
    g_sounds = &sounds_;
    plat::RegisterMainThread();
    plat::SetWindowProc(nullptr, RecordSound);
  }
  void TearDown() override {
    plat::ResetRuntimeForTest();
    g_sounds = nullptr;
    Player.clear();
    stage_.reset();
    SetPaletteLists(1, savedItems_);
    SetBlockAppearanceTest(savedAppearance_);
    g_vecInput = savedInput_;
    g_SystemData = savedSystem_;
  }

  void MakeStage(int level) {
    stage_.reset();
    stage_ = std::make_unique<t4test::StageFixture>(40, 20, level, 1.0);
    SetBlockAppearanceTest(&cGameScene::BlockAppearanceTest);
  }
  cGameScene& Scene() { return stage_->Scene(); }
  int Index(int cx, int cy) const { return cx + (cy << stage_->Scene().m_ScrollX.m_nRowShift); }

  cHero& Hero() {
    heroTemplate_ = cCharaData();
    heroTemplate_.m_byControl = kCharaControlPlayer;
    heroTemplate_.m_nMaxHp = 10;
    cHero& h = Player[0];
    h.InitFromTemplate(1, &heroTemplate_, 0, 0, 0);
    h.m_bFalling = 0;
    return h;
  }
  // The hero as the collision leaves it standing on map cell (cx, cy).
  void StandOn(cHero& h, int cx, int cy) {
    h.m_pFootBlock = &stage_->Cell(cx, cy);
    h.m_nContact = Index(cx, cy) + 1;
    h.m_bFalling = 0;
  }
  cBlockCell& EffectBlock(int cx, int cy, int kind, int x) {
    cBlockCell& c = stage_->SetBlock(cx, cy);
    c.m_byEffectKind = static_cast<BYTE>(kind);
    c.m_nEffectValue = x;
    return c;
  }
  int Count(int sound) const {
    int n = 0;
    for (int s : sounds_) n += s == sound ? 1 : 0;
    return n;
  }

  std::unique_ptr<t4test::StageFixture> stage_;
  cCharaData heroTemplate_;
  std::vector<int> sounds_;
  cSystemData savedSystem_;
  std::vector<cInput> savedInput_;
  BlockAppearanceTest savedAppearance_ = nullptr;
  cPaletteLists savedItems_;
};

// ---- appearance lists ----------------------------------------------------------

TEST_F(SpecialBlocksTest, ABlockAppearsOnceItsListHoldsAndALatchedOneStays) {
  Hero();
  std::vector<int>& vars = Scene().m_vecStageVar;
  struct Case {
    const char* what;
    int latch;
    bool presentAfterChangeBack;
  };
  const Case cases[] = {{"latched", 1, true}, {"not latched", 0, false}};
  int cx = 12;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vars[3] = 0;
    cBlockCell& cell = stage_->SetBlock(cx++, 25);
    cell.m_vecCond = {StageVarIs(3, 5)};
    cell.m_bCondLatch = static_cast<BYTE>(c.latch);
    EXPECT_EQ(cell.GetHitKind(0), kBlockHitNone);
    EXPECT_EQ(cell.m_byAppearLatch, 0);
    vars[3] = 5;
    EXPECT_EQ(cell.GetHitKind(0), kBlockHitSolid);
    EXPECT_EQ(cell.m_byAppearLatch, 1);  // set whether or not the block latches
    vars[3] = 6;
    EXPECT_EQ(cell.GetHitKind(0), c.presentAfterChangeBack ? kBlockHitSolid : kBlockHitNone);
  }

  // Mode 1 with every condition failing hides; an empty list shows.
  cBlockCell& any = stage_->SetBlock(cx++, 25);
  any.m_vecCond = {StageVarIs(4, 1), StageVarIs(5, 1)};
  any.m_byCondMode = 1;
  EXPECT_EQ(any.GetHitKind(0), kBlockHitNone);
  vars[5] = 1;
  EXPECT_EQ(any.GetHitKind(0), kBlockHitSolid);
  EXPECT_EQ(stage_->SetBlock(cx++, 25).GetHitKind(0), kBlockHitSolid);

  // A template outside the map is evaluated but has no latch to keep.
  cBlockData templ;
  templ.m_vecCond = {StageVarIs(6, 1)};
  templ.m_bCondLatch = 1;
  vars[6] = 1;
  EXPECT_EQ(templ.GetHitKind(0), kBlockHitSolid);
  vars[6] = 0;
  EXPECT_EQ(templ.GetHitKind(0), kBlockHitNone);
}

TEST_F(SpecialBlocksTest, CharaAndItemListsLatchOnTheirOwnFlag) {
  cHero& h = Hero();
  std::vector<int>& vars = Scene().m_vecStageVar;
  cItem item;
  item.m_Data.m_vecCond = {StageVarIs(7, 2)};
  item.m_Data.m_bCondLatch = 1;
  h.m_Data.m_vecCond = {StageVarIs(8, 2)};
  h.m_Data.m_bCondLatch = 0;

  EXPECT_FALSE(Scene().CheckItemCondList(item));
  EXPECT_FALSE(Scene().CheckCharaCondList(h));
  vars[7] = vars[8] = 2;
  EXPECT_TRUE(Scene().CheckItemCondList(item));
  EXPECT_TRUE(Scene().CheckCharaCondList(h));
  EXPECT_EQ(item.m_byCondLatch, 1);
  EXPECT_EQ(h.m_byCondLatch, 1);
  vars[7] = vars[8] = 0;
  EXPECT_TRUE(Scene().CheckItemCondList(item));   // latched
  EXPECT_FALSE(Scene().CheckCharaCondList(h));    // its latch byte is off
}

// ---- block effects ---------------------------------------------------------------

// The hero's moves of one sub-step against the map, without charas.
int HeroMoves(cGameScene& scene, cHero& h) {
  const char* death = nullptr;
  int r = scene.MoveHeroThroughMap(&h, &death);
  if (r == 0) r = scene.SettleHeroAfterContacts(&h, 0, &death);
  return r;
}

// One sub-step of the hero as the play frame runs it: the block effect
// comes before the moves.
int HeroSubStep(cGameScene& scene, cHero& h) {
  h.ClearMoveRequests();
  h.SavePrevPosition();
  h.SavePrevState();
  scene.ApplyBlockEffect(h);
  return HeroMoves(scene, h);
}

TEST_F(SpecialBlocksTest, AJumpBlockLaunchesTheHeroAndFiresAgainOnlyAfterItLandsAgain) {
  for (int level : {1, 3}) {
    SCOPED_TRACE("level " + std::to_string(level));
    MakeStage(level);
    sounds_.clear();
    constexpr int kRow = 25;
    for (int cx = 15; cx <= 25; ++cx) EffectBlock(cx, kRow, kBlockEffectJump, 4);
    cHero& h = Hero();
    h.m_dX = 20 * 32 + 8.5;
    h.OnMovedX();
    h.m_dY = kRow * 32.0 - h.m_nH;
    h.OnMovedY();
    StandOn(h, 20, kRow);

    const double launch = h.JumpSpeedForDots(4 * 16.0);
    ASSERT_LT(launch, 0.0);
    Scene().ApplyBlockEffect(h);
    EXPECT_DOUBLE_EQ(h.m_dVY, launch);
    EXPECT_EQ(h.m_bRising, 1);
    EXPECT_EQ(h.m_bJumping, 1);
    EXPECT_EQ(h.m_bJumpReady, 0);
    EXPECT_EQ(h.m_nJumpHold, h.JumpTime(launch));
    EXPECT_EQ(sounds_, std::vector<int>{kJumpSound});

    ASSERT_EQ(HeroMoves(Scene(), h), 0);

    // The flight: no sound until the feet are back on the pad.
    double highest = h.m_dY;
    int steps = 0;
    bool landedBefore = false;
    do {
      landedBefore = h.m_pFootBlock != nullptr;
      ASSERT_EQ(HeroSubStep(Scene(), h), 0);
      highest = std::min(highest, h.m_dY);
      ASSERT_LT(++steps, 10000);
    } while (Count(kJumpSound) == 1);
    EXPECT_EQ(Count(kJumpSound), 2);
    EXPECT_TRUE(landedBefore);
    // It left the pad (how high the speed limit lets it go is the moves').
    EXPECT_GT(kRow * 32.0 - h.m_nH - highest, 16.0);
    EXPECT_GT(steps, 4 * level);
  }
}

TEST_F(SpecialBlocksTest, ConveyorsAndSpeedBlocksActEverySubStepOfAFrame) {
  struct Case {
    const char* what;
    int level;
    int kind;
    int x;
    double ax0;
    double wantAx;
  };
  const Case cases[] = {
      {"right, 1 sub-step", 1, kBlockEffectCarryRight, 10, -0.5, 0.0},
      {"right, 2 sub-steps", 2, kBlockEffectCarryRight, 10, 0.25, 0.25},
      {"left, 3 sub-steps", 3, kBlockEffectCarryLeft, 7, 0.5, 0.0},
      {"left, negative X", 2, kBlockEffectCarryLeft, -20, -0.5, -0.5},
      {"speed 50%, 2 sub-steps", 2, kBlockEffectSpeed, 50, 0.5, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeStage(c.level);
    const int n = StageSubSteps();
    ASSERT_EQ(n, c.level);
    EffectBlock(20, 25, c.kind, c.x);
    cHero& h = Hero();
    StandOn(h, 20, 25);
    h.m_bJumpBlocked = 1;
    for (int frame = 0; frame < 2; ++frame) {
      double vx = 3.0;
      h.m_dVX = vx;
      h.m_dAX = c.ax0;
      h.m_dVY = 0.0;
      for (int s = 1; s <= n; ++s) {
        Scene().ApplyBlockEffect(h);
        if (c.kind == kBlockEffectSpeed) vx *= c.x * 0.01;
        else if (c.kind == kBlockEffectCarryRight) vx += c.x * 0.1 / n;
        else vx -= c.x * 0.1 / n;
        EXPECT_DOUBLE_EQ(h.m_dVX, vx) << "frame " << frame << ", sub-step " << s;
        EXPECT_EQ(h.m_bOnEffectBlock, s < n ? 1 : 0);
        // The floor is probed again once the frame's effect has run out.
        EXPECT_EQ(h.m_dVY, s < n ? 0.0 : 1.0);
      }
      EXPECT_EQ(h.m_dAX, c.wantAx);
      EXPECT_EQ(h.m_nBlockEffect, c.kind);
      EXPECT_EQ(h.m_bJumpBlocked, 0);
    }
    // Off the block, the last frame's effect does not go on.
    h.m_pFootBlock = nullptr;
    h.m_dVX = 3.0;
    Scene().ApplyBlockEffect(h);
    EXPECT_EQ(h.m_dVX, 3.0);
  }
  // One conveyor frame moves by X / 10 in all, whatever the sub-steps.
  for (int level : {1, 2, 4}) {
    MakeStage(level);
    EffectBlock(20, 25, kBlockEffectCarryRight, 10);
    cHero& h = Hero();
    StandOn(h, 20, 25);
    h.m_dVX = 0.0;
    double moved = 0.0;
    for (int s = 0; s < StageSubSteps(); ++s) {
      Scene().ApplyBlockEffect(h);
      moved += h.m_dVX;
      h.m_dVX = 0.0;
    }
    EXPECT_NEAR(moved, 1.0, 1e-12) << "level " << level;
  }
}

TEST_F(SpecialBlocksTest, NoJumpBlocksAndWhatLeavesTheEffectsAlone) {
  cHero& h = Hero();
  EffectBlock(20, 25, kBlockEffectNoJump, 0);
  EffectBlock(21, 25, kBlockEffectNone, 0);
  cBlockCell& hidden = EffectBlock(22, 25, kBlockEffectJump, 4);
  hidden.m_vecCond = {StageVarIs(9, 1)};

  StandOn(h, 20, 25);
  Scene().ApplyBlockEffect(h);
  EXPECT_EQ(h.m_bJumpBlocked, 1);
  StandOn(h, 21, 25);
  Scene().ApplyBlockEffect(h);
  EXPECT_EQ(h.m_bJumpBlocked, 0);

  // An absent block and a hero synced to the view (flying: the flag the
  // block collision reads as synced) get nothing; the template's scroll
  // byte alone does not make a walking hero synced.
  h.m_dVY = 0.0;
  StandOn(h, 22, 25);
  Scene().ApplyBlockEffect(h);
  EXPECT_EQ(h.m_dVY, 0.0);
  Scene().m_vecStageVar[9] = 1;
  h.SetPlacementMode(kPlaceFly);
  Scene().ApplyBlockEffect(h);
  EXPECT_EQ(h.m_dVY, 0.0);
  EXPECT_TRUE(sounds_.empty());
  h.SetPlacementMode(kPlaceWalk);
  h.m_bScrollLock = 1;
  Scene().ApplyBlockEffect(h);
  EXPECT_LT(h.m_dVY, 0.0);
  EXPECT_EQ(sounds_, std::vector<int>{10});
}

// ---- item blocks -------------------------------------------------------------------

TEST_F(SpecialBlocksTest, AnItemBlockGivesItsItemAgainEverySixtyFrames) {
  cCheckedVector<cItemData> items(3);
  items[1].m_sSound = 3;  // played as sound 19
  items[2].m_sSound = 4;  // played as sound 20
  SetPaletteLists(1, cPaletteLists{nullptr, nullptr, &items});
  MakeStage(2);
  const int n = StageSubSteps();
  cHero& h = Hero();
  for (int cx : {20, 21}) {
    cBlockCell& c = stage_->SetBlock(cx, 25);
    c.m_byItemSource = 1;
    c.m_sItemIndex = static_cast<int16_t>(cx - 19);
  }
  StandOn(h, 20, 25);

  // Standing still: sub-steps 0, 60 N and 120 N give the item.
  std::vector<int> given;
  for (int s = 0; s <= 120 * n; ++s) {
    h.SavePrevState();
    sounds_.clear();
    ASSERT_EQ(Scene().ApplyBlockItem(h), 0);
    if (Count(19) == 1) given.push_back(s);
  }
  EXPECT_EQ(given, (std::vector<int>{0, 60 * n, 120 * n}));

  // Landing on the other item block: its item at once, in the next sub-step.
  h.SavePrevState();
  StandOn(h, 21, 25);
  h.m_dVY = 0.0;
  sounds_.clear();
  Scene().ApplyBlockItem(h);
  EXPECT_TRUE(sounds_.empty());
  EXPECT_EQ(h.m_dVY, 1.0);
  h.SavePrevState();
  Scene().ApplyBlockItem(h);
  EXPECT_EQ(sounds_, std::vector<int>{20});

  // Falling ends the wait; an item that clears the stage returns at once.
  h.m_bFalling = 1;
  Scene().ApplyBlockItem(h);
  EXPECT_EQ(h.m_nBlockWord, 0);
  h.m_bFalling = 0;
  cFlowCmd clear;
  clear.m_byKind = 2;
  items[2].m_vecCmd = {clear};
  EXPECT_EQ(Scene().ApplyBlockItem(h), 1);
  EXPECT_EQ(h.m_nBlockWord, 0);

  // A hero synced to the view (flying) gets nothing; a walking one with
  // the template's scroll byte set gets the item.
  items[2].m_vecCmd.clear();
  h.SetPlacementMode(kPlaceFly);
  sounds_.clear();
  EXPECT_EQ(Scene().ApplyBlockItem(h), 0);
  EXPECT_TRUE(sounds_.empty());
  h.SetPlacementMode(kPlaceWalk);
  h.m_bScrollLock = 1;
  EXPECT_EQ(Scene().ApplyBlockItem(h), 0);
  EXPECT_EQ(sounds_, std::vector<int>{20});
}

}  // namespace
