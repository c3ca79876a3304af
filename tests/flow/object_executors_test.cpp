// The commands that act on stage objects at once: warp, target setting,
// vanish and item get, and the item command lists they run on the hero.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/cmd_param_table.h"
#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/shot.h"
#include "objects/stage_fixture.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

// A chara kept inside the world by its moves, as the charas of a stage are.
class TestChara : public cCharaBase {
 public:
  int OnMovedX() override { return ClampX(2); }
  int OnMovedY() override { return ClampY(2); }
};

cFlowCmd Cmd(int category, int kind, std::initializer_list<std::pair<int, int>> params, int count) {
  cFlowCmd c;
  c.m_byCategory = static_cast<BYTE>(category);
  c.m_byKind = static_cast<BYTE>(kind);
  c.m_vecParam.assign(static_cast<size_t>(count), 0);
  for (auto [i, v] : params) c.m_vecParam[static_cast<size_t>(i)] = v;
  return c;
}
cFlowCmd Target(std::initializer_list<std::pair<int, int>> p) { return Cmd(0, 21, p, 16); }
cFlowCmd Vanish(int what, int team, int range) { return Cmd(0, 24, {{0, what}, {1, team}, {2, range}}, 3); }
cFlowCmd Warp() {
  cFlowCmd c = Cmd(0, 20, {}, 0);
  CreateEdMove(c.m_pEdMove);
  return c;
}
// Item commands.
cFlowCmd ItemVanish(int team) { return Cmd(1, 9, {{0, 0}, {1, team}, {2, 1}}, 3); }
cFlowCmd ItemGet(int palette, int index) { return Cmd(1, 10, {{0, palette}, {1, index}}, 2); }
cFlowCmd ItemArrange(int kind, int param, int op, int source, int index) {
  return Cmd(1, 23, {{0, kind}, {1, param}, {2, op}, {3, source}, {4, index}}, 5);
}
// Adds `add` to stage variable 5.
cFlowCmd ItemCount(int add = 1) { return Cmd(1, 7, {{0, 1}, {1, 1}, {2, 5}, {5, 1}, {7, add}}, 18); }
cFlowCmd ItemStageClear() { return Cmd(1, 2, {}, 9); }

constexpr double kView = 320.0;  // the view's top-left in map pixels on both axes

class ObjectExecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedPalette_ = g_CommonPalette;
    InitCmdParamTable();
    ASSERT_EQ(InitReportLog((dir_ / "Report_Game.txt").c_str()), 1);
    Player.clear();
    Player.resize(1);
    cHero& h = Hero();
    h.Reset(nullptr, 0, 0, 0, 0);
    h.SetParams(1, 0, 0, 0, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, 1, kPlaceWalk, 0);
    h.m_bActive = h.m_bAppeared = 1;
    h.m_nLife = 10;
    Place(h, 2, 5);
    Scene().m_vecTeamChara[0].push_back(&h);
  }
  void TearDown() override {
    g_lstChara.clear();
    Player.clear();
    g_CommonPalette = savedPalette_;
    g_SystemData = savedSystem_;
  }
  cGameScene& Scene() { return stage_.Scene(); }
  cHero& Hero() { return Player[0]; }
  // Puts the box's top-left on stage cell (cx, cy).
  static void Place(cCharaBase& c, double cx, double cy) {
    c.m_dX = (cx + 10) * 32;
    c.m_dY = (cy + 10) * 32;
    c.ClampX(2);
    c.ClampY(2);
    c.UpdateScreenRect();
  }
  // A living, active 32 x 32 chara of side 1 on stage cell (cx, cy), in the
  // list of `team` (none when negative).
  TestChara& Add(int team, double cx, double cy, int flying = 1) {
    TestChara& c = charas_.emplace_back();
    Ready(c, team, cx, cy, flying);
    return c;
  }
  void Ready(cCharaBase& c, int team, double cx, double cy, int flying = 1) {
    c.Reset(nullptr, 0, 0, 0, 0);
    c.SetParams(next_++, 1, 0, 0, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, 0, flying ? kPlaceFly : kPlaceWalk, 0);
    c.m_Data.m_byFaction = static_cast<BYTE>(team < 0 ? 0 : team);
    c.m_bActive = c.m_bAppeared = 1;
    c.m_nLife = 10;
    Place(c, cx, cy);
    if (team >= 0) Scene().m_vecTeamChara[static_cast<size_t>(team)].push_back(&c);
  }
  // A chara acting as a block: block charas are found in the chara list.
  cChara& AddBlockChara(int team, double cx, double cy) {
    cChara& c = g_lstChara.emplace_back();
    Ready(c, team, cx, cy);
    c.m_Data.m_bBlockChara = 1;
    return c;
  }
  cShot& AddShot(int team, double x, double y, int active = 1) {
    cShot& s = Scene().m_lstShot.emplace_back();
    s.SetParams(next_++, 1, 0, team, 0, nullptr, 0, 0, 0, 16, 16, 16, 16, 0, kPlaceFree, 0);
    s.m_bActive = active;
    s.m_dX = x;
    s.m_dY = y;
    s.ClampX(2);
    s.ClampY(2);
    Scene().m_vecTeamShot[static_cast<size_t>(team)].push_back(&s);
    return s;
  }
  bool HasShot(const cShot* s) {  // by address only: the shot may be gone
    for (const cShot& x : Scene().m_lstShot)
      if (&x == s) return true;
    return false;
  }
  int ReportLines() { return static_cast<int>(t4test::ReadLines(dir_ / "Report_Game.txt").size()); }

  t4test::TempFolder dir_;
  t4test::StageFixture stage_;
  std::list<TestChara> charas_;
  int next_ = 100;
  cSystemData savedSystem_;
  cPaletteData savedPalette_;
};

// --- warp ------------------------------------------------------------------

TEST_F(ObjectExecTest, WarpByDirectionAndDistance) {
  const double k = 1 / std::sqrt(2.0);
  struct Case {
    const char* what;
    int dir, distance, step, clone;
    int facing;     // current facing (right 1)
    bool wall;      // a block where the warp would land
    double dx, dy;  // expected move in half blocks of 16 dots
  };
  const Case cases[] = {
      {"right 3", kMoveDirRight, 3, 0, 0, 0, false, 3, 0},
      {"right 3 into a wall stays", kMoveDirRight, 3, 0, 0, 0, true, 0, 0},
      {"left 2 plus 1 per clone value 3", kMoveDirLeft, 2, 1, 3, 0, false, -5, 0},
      {"up 1", kMoveDirUp, 1, 0, 0, 0, false, 0, -1},
      {"up-right 4: each axis by 4 / sqrt 2", kMoveDirUpRight, 4, 0, 0, 0, false, 4 * k, -4 * k},
      {"front while facing right", kMoveDirFront, 2, 0, 0, 1, false, 2, 0},
      {"front while facing left", kMoveDirFront, 2, 0, 0, 0, false, -2, 0},
      {"back-Y while facing left goes down", kMoveDirBackY, 2, 0, 0, 0, false, 0, 2},
      {"out of the stage stays", kMoveDirLeft, 40, 0, 0, 0, false, 0, 0},
  };
  for (const Case& c : cases) {
    // The cell the right edge reaches after 3 half blocks.
    stage_.Cell(22, 15).m_byHitKind = kBlockHitNone;
    if (c.wall) stage_.SetBlock(22, 15);
    TestChara& ch = Add(-1, 10, 5);
    ch.m_bRight = c.facing;
    ch.m_nCloneValue = static_cast<int16_t>(c.clone);
    ch.m_dVY = 2.5;
    const double x = ch.m_dX, y = ch.m_dY;
    cFlowCmd cmd = Warp();
    cmd.m_pEdMove->m_byDirection = static_cast<BYTE>(c.dir);
    cmd.m_pEdMove->m_sDistance = static_cast<int16_t>(c.distance);
    cmd.m_pEdMove->m_sDistancePerClone = static_cast<int16_t>(c.step);
    EXPECT_EQ(ExecWarp(&ch, &cmd), 0);
    EXPECT_DOUBLE_EQ(ch.m_dX, x + c.dx * 16) << c.what;
    EXPECT_DOUBLE_EQ(ch.m_dY, y + c.dy * 16) << c.what;
    EXPECT_DOUBLE_EQ(ch.m_dRight, ch.m_dX + 31) << c.what;
    EXPECT_EQ(ch.m_nCellL, static_cast<int>(ch.m_dX) >> 5) << c.what;
    EXPECT_EQ(ch.m_rcScreen.left, static_cast<int>(ch.m_dX) - 320) << c.what;
    EXPECT_DOUBLE_EQ(ch.m_dVY, 2.5) << c.what << ": a flyer keeps its vertical step";
  }
  // A walker's vertical step is dropped by a warp that happens.
  TestChara& walker = Add(-1, 10, 5, 0);
  walker.m_dVY = 2.5;
  cFlowCmd cmd = Warp();
  cmd.m_pEdMove->m_byDirection = kMoveDirLeft;
  cmd.m_pEdMove->m_sDistance = 1;
  ExecWarp(&walker, &cmd);
  EXPECT_DOUBLE_EQ(walker.m_dVY, 0.0);
}

TEST_F(ObjectExecTest, WarpNextToATargetAndFromAnEmptySlot) {
  TestChara& anchor = Add(1, 20, 8);
  TestChara& ch = Add(-1, 10, 5);
  // A smaller box inside its 32 x 32 image: the image centres meet.
  ch.SetParams(50, 1, 0, 0, 0, nullptr, 0, 4, 8, 24, 24, 32, 32, 0, kPlaceFly, 0);
  Place(ch, 10, 5);
  ch.SetTargetLink(0, &anchor);
  cFlowCmd cmd = Warp();
  cmd.m_pEdMove->m_byMode = 2;  // from target 2, whose slot is empty
  cmd.m_pEdMove->m_byDirection = kMoveDirDown;
  cmd.m_pEdMove->m_sDistance = 2;
  ch.LRUD.l = 1;
  const double x = ch.m_dX, y = ch.m_dY;
  ExecWarp(&ch, &cmd);
  EXPECT_DOUBLE_EQ(ch.m_dX, x);
  EXPECT_DOUBLE_EQ(ch.m_dY, y);
  EXPECT_EQ(ch.LRUD.l, 1) << "nothing at all happens";

  cmd.m_pEdMove->m_byMode = 1;
  ExecWarp(&ch, &cmd);
  EXPECT_DOUBLE_EQ(ch.m_dX, anchor.m_dX - 0 + 32 / 2 + 4 - 32 / 2);
  EXPECT_DOUBLE_EQ(ch.m_dY, anchor.m_dY - 0 + 32 / 2 + 8 - 32 / 2 + 2 * 16);
  EXPECT_EQ(ch.LRUD.l, 0);

  // An active block chara where the warp would land refuses it; an inactive
  // one does not.
  cChara& platform = AddBlockChara(3, 20, 9.5);
  Place(ch, 10, 5);
  ExecWarp(&ch, &cmd);
  EXPECT_DOUBLE_EQ(ch.m_dX, (10 + 10) * 32);
  platform.m_bActive = 0;
  ExecWarp(&ch, &cmd);
  EXPECT_NE(ch.m_dX, (10 + 10) * 32);
}

TEST_F(ObjectExecTest, WarpToCoordinatesMirrorsByThePresentFacing) {
  struct Case {
    const char* what;
    int base;
    int templateFacing, facing;
    double x, y;    // expected, map pixels (the chara starts at stage cell (10, 5))
    bool pinned;
  };
  const double x0 = 20 * 32, y0 = 15 * 32;
  const Case cases[] = {
      // Blocks (2, 1) and dots (3, -4), flip x on, flip y off.
      {"relative, facing left", 0, 0, 0, x0 + 67, y0 + 28, false},
      {"relative, placed facing left and now facing right mirrors x", 0, 0, 1, x0 - 67, y0 + 28, false},
      {"relative, placed facing right and now facing left", 0, 1, 0, x0 + 67, y0 + 28, false},
      {"absolute: the cell, then the dots unmirrored", 1, 1, 1, (2 + 10) * 32 + 0.5 + 3, (1 + 10) * 32 - 4, false},
      {"screen point, pinned there", 2, 0, 0, kView + 67, kView + 28, true},
  };
  for (const Case& c : cases) {
    TestChara& ch = Add(-1, 10, 5);
    ch.m_Data.m_byFacing = static_cast<BYTE>(c.templateFacing);
    ch.m_bRight = c.facing;
    cFlowCmd cmd = Warp();
    cEdMove& m = *cmd.m_pEdMove;
    m.m_byMode = 5;
    m.m_byCoordBase = static_cast<BYTE>(c.base);
    m.m_sTargetXBlocks = 2;
    m.m_sTargetYBlocks = 1;
    m.m_sTargetXDots = 3;
    m.m_sTargetYDots = -4;
    m.m_bFlipX = 1;
    m.m_bFlipY = 0;
    ExecWarp(&ch, &cmd);
    EXPECT_DOUBLE_EQ(ch.m_dX, c.x) << c.what;
    EXPECT_DOUBLE_EQ(ch.m_dY, c.y) << c.what;
    EXPECT_EQ(ch.m_bFixedScreenX, c.pinned ? 1 : 0) << c.what;
    EXPECT_EQ(ch.m_bFixedScreenY, c.pinned ? 1 : 0) << c.what;
    if (c.pinned) {
      EXPECT_EQ(ch.m_nFixedScreenX, 67) << c.what;
      EXPECT_EQ(ch.m_nFixedScreenY, 28) << c.what;
    }
  }
}

TEST_F(ObjectExecTest, BlockedRectangles) {
  TestChara& ch = Add(-1, 10, 5);
  ch.m_dX += 8;  // now over cells 20 and 21 of row 15
  ch.ClampX(2);
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 0);
  stage_.SetBlock(21, 15).m_cPassFaction = 2;
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 1);
  ch.m_nBlockSide = 2;  // the block lets this side pass
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 0);
  cChara& block = AddBlockChara(4, 10.5, 5.9);
  block.m_nBlockSide = 2;
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 1);
  EXPECT_EQ(Scene().IsBlockedAt(&block), 0) << "a block chara does not block itself";
  block.m_bDead = 1;
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 0);
  // Outside the block map (a rectangle nothing should have) counts as blocked.
  ch.m_nCellR = 1 << Scene().m_ScrollX.m_nRowShift;
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 1);
  // An object flying through blocks is blocked by nothing.
  ch.SetPlacementMode(kPlaceFree);
  EXPECT_EQ(Scene().IsBlockedAt(&ch), 0);
}

// --- target ----------------------------------------------------------------

TEST_F(ObjectExecTest, SetTargetFindsByEveryRule) {
  TestChara& self = Add(1, 10, 5);
  TestChara& mate = Add(1, 11, 5);
  TestChara& far2 = Add(2, 18, 5);
  TestChara& near2 = Add(2, 14, 5);
  TestChara& near3 = Add(3, 12, 5);
  TestChara& parent = Add(1, 30, 8);
  far2.m_Data.m_byCharaId = 7;
  near3.m_Data.m_byCharaId = 7;
  self.SetParentLink(&parent);
  TestChara& child1 = Add(1, 5, 5);
  TestChara& child2 = Add(1, 60, 5);  // off screen
  child1.SetParentLink(&self);
  child2.SetParentLink(&self);
  child1.m_vecVar[1] = 5;
  self.SetTargetLink(2, &far2);
  Hero().m_dX = (13 + 10) * 32;  // nearer than every chara of team 2, farther than the mate
  Hero().ClampX(2);
  Hero().UpdateScreenRect();
  struct Case {
    const char* what;
    cFlowCmd cmd;
    cCharaBase* want;
  };
  const Case cases[] = {
      {"the hero", Target({{1, 0}}), &Hero()},
      {"itself", Target({{1, 1}}), &self},
      {"the nearest of team 2", Target({{1, 2}, {2, 2}}), &near2},
      {"the nearest of the hero's team is the hero", Target({{1, 2}, {2, 0}}), &Hero()},
      {"the nearest of every team", Target({{1, 2}, {2, 5}, {3, 1}}), &self},
      {"the nearest of every team but itself", Target({{1, 2}, {3, 1}, {5, 1}}), &mate},
      {"the nearest of team 2 with chara ID 7", Target({{1, 2}, {2, 2}, {9, 1}, {10, 7}}), &far2},
      {"by ID 7 in team 2", Target({{1, 3}, {2, 2}, {9, 1}, {10, 7}}), &far2},
      {"by ID 7 in every team: team 2 comes first", Target({{1, 3}, {3, 1}, {9, 1}, {10, 7}}), &far2},
      {"the parent", Target({{1, 4}}), &parent},
      {"the last child, off screen too", Target({{1, 5}}), &child2},
      {"the last child whose v1 >= 5", Target({{1, 6}, {11, 1}, {12, 1}, {13, 5}, {14, 2}}), &child1},
      {"target 3", Target({{1, 9}}), &far2},
  };
  for (const Case& c : cases) {
    cFlowCmd cmd = c.cmd;
    cmd.m_vecParam[0] = 1;  // into target 2
    EXPECT_EQ(ExecSetTarget(&self, &cmd), 0);
    ASSERT_GE(self.m_vecLink.size(), 2u);
    EXPECT_EQ(self.m_vecLink[1], c.want) << c.what;
    const LINKPAIR back{&self, 1};
    EXPECT_EQ(std::count(c.want->m_vecBackRef.begin(), c.want->m_vecBackRef.end(), back), 1) << c.what;
  }
}

TEST_F(ObjectExecTest, SetTargetSkipsByInvincibilityAndNoContact) {
  // Team 6, nearest first: invincible, a block chara (met as a block, not
  // touched), invincible with shots passing through, an ordinary chara.
  TestChara& self = Add(1, 10, 5);
  TestChara& invincible = Add(6, 12, 5);
  TestChara& blockChara = Add(6, 13, 5);
  TestChara& passThrough = Add(6, 14, 5);
  TestChara& plain = Add(6, 16, 5);
  invincible.m_Data.m_byInvincible = 1;
  blockChara.m_Data.m_bBlockChara = 1;
  passThrough.m_Data.m_byInvincible = 2;
  struct Case {
    const char* what;
    int skipInvincible1, skipInvincible2, skipNoContact;
    cCharaBase* want;
  };
  const Case cases[] = {
      {"no filter", 0, 0, 0, &invincible},
      {"skip invincible 1", 1, 0, 0, &blockChara},
      {"skip no-contact alone", 0, 0, 1, &invincible},
      {"skip invincible 1 and no-contact", 1, 0, 1, &passThrough},
      {"skip all three", 1, 1, 1, &plain},
  };
  for (const Case& c : cases) {
    for (int whom : {2, 3}) {  // the nearest, and the first by ID (ID 0 here)
      cFlowCmd cmd = Target({{1, whom}, {2, 6}, {6, c.skipInvincible1}, {7, c.skipInvincible2},
                             {8, c.skipNoContact}, {9, whom == 3 ? 1 : 0}});
      ExecSetTarget(&self, &cmd);
      EXPECT_EQ(self.m_vecLink[0], c.want) << c.what << ", whom " << whom;
    }
  }
}

TEST_F(ObjectExecTest, SetTargetWhenNothingIsFound) {
  TestChara& self = Add(1, 10, 5);
  TestChara& old = Add(2, 14, 5);
  struct Case {
    const char* what;
    int ifNone;
    bool kept;
  };
  const Case cases[] = {
      {"no target: cleared", 0, false},
      {"keep the target", 1, true},
      {"an unknown choice changes nothing", 2, true},
  };
  for (const Case& c : cases) {
    self.SetTargetLink(0, &old);
    cFlowCmd cmd = Target({{1, 2}, {2, 4}, {15, c.ifNone}});  // team 4 is empty
    ExecSetTarget(&self, &cmd);
    EXPECT_EQ(self.m_vecLink[0], c.kept ? &old : nullptr) << c.what;
    EXPECT_EQ(old.m_vecBackRef.size(), c.kept ? 1u : 0u) << c.what;
  }
  // An unknown choice leaves the slot alone even when something is found.
  self.SetTargetLink(0, &old);
  cFlowCmd cmd = Target({{1, 0}, {15, 2}});
  ExecSetTarget(&self, &cmd);
  EXPECT_EQ(self.m_vecLink[0], &old);
}

// --- vanish ----------------------------------------------------------------

TEST_F(ObjectExecTest, VanishCharasOfATeam) {
  TestChara& self = Add(1, 10, 5);
  TestChara& on = Add(1, 12, 5);
  TestChara& off = Add(1, 40, 5);  // beyond the view's right edge
  TestChara& asleep = Add(1, 14, 5);
  asleep.m_bActive = 0;
  TestChara& other = Add(2, 12, 6);

  cFlowCmd cmd = Vanish(0, 1, 0);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(self.m_bVanish, 1);
  EXPECT_EQ(on.m_bVanish, 1);
  EXPECT_EQ(off.m_bVanish, 0) << "off screen";
  EXPECT_EQ(asleep.m_bVanish, 0) << "inactive";
  EXPECT_EQ(other.m_bVanish, 0) << "another team";
  EXPECT_EQ(on.m_nLife, 10) << "a chara is removed, not killed";
  EXPECT_EQ(Scene().m_bHeroDeathCheck, 1);

  cmd = Vanish(0, 1, 1);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(off.m_bVanish, 1) << "every range";

  // The hero's side: the hero's life ends.
  cmd = Vanish(0, 0, 0);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(Hero().m_nLife, 0);
  EXPECT_EQ(Hero().m_bVanish, 0);

  // A chara that vanishes only itself asks for no check.
  TestChara& alone = Add(5, 12, 7);
  Scene().m_bHeroDeathCheck = 0;
  cmd = Vanish(0, 5, 0);
  ExecVanish(&alone, &cmd);
  EXPECT_EQ(alone.m_bVanish, 1);
  EXPECT_EQ(Scene().m_bHeroDeathCheck, 0);
  // A team outside 0..7 has nobody.
  cmd = Vanish(0, 8, 1);
  ExecVanish(&alone, &cmd);
  cmd = Vanish(0, -1, 1);
  ExecVanish(&alone, &cmd);
}

TEST_F(ObjectExecTest, VanishOnScreenGoesByTheCharasOnScreenFlag) {
  // Stage play leaves each chara its on-screen flag, tested with the axes
  // its activation area ignores; "on screen" means that flag.
  TestChara& self = Add(1, 10, 5);
  std::list<cChara> charas;
  auto add = [&](double cx, int flag) -> cChara& {
    cChara& c = charas.emplace_back();
    Ready(c, 1, cx, 5);
    c.m_bOnScreen = flag;
    return c;
  };
  cChara& inViewUnflagged = add(12, 0);
  cChara& awayFlagged = add(40, 1);  // beyond the view's right edge
  cFlowCmd cmd = Vanish(0, 1, 0);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(inViewUnflagged.m_bVanish, 0);
  EXPECT_EQ(awayFlagged.m_bVanish, 1);
  cmd = Vanish(0, 1, 1);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(inViewUnflagged.m_bVanish, 1) << "every range";
  for (cChara& c : charas) Scene().m_vecTeamChara[1].remove(&c);
}

TEST_F(ObjectExecTest, VanishChildrenRecursively) {
  TestChara& self = Add(1, 10, 5);
  TestChara& child = Add(1, 11, 5);
  TestChara& grandchild = Add(1, 50, 5);  // off screen
  TestChara& sleeper = Add(1, 12, 5);
  TestChara& stranger = Add(1, 13, 5);
  child.SetParentLink(&self);
  grandchild.SetParentLink(&child);
  sleeper.SetParentLink(&self);
  sleeper.m_bActive = 0;
  // A chara that targets it is no child.
  stranger.SetTargetLink(1, &self);
  cFlowCmd cmd = Vanish(2, 0, 0);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(child.m_bVanish, 1);
  EXPECT_EQ(grandchild.m_bVanish, 1);
  EXPECT_EQ(sleeper.m_bVanish, 0);
  EXPECT_EQ(stranger.m_bVanish, 0);
  EXPECT_EQ(self.m_bVanish, 0);
  EXPECT_EQ(Hero().m_nLife, 10);
  // Children that link back to their own parent end at the depth limit.
  self.SetParentLink(&grandchild);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(self.m_bVanish, 1);
}

TEST_F(ObjectExecTest, VanishShots) {
  TestChara& self = Add(1, 10, 5);
  TestChara& child = Add(1, 11, 5);
  child.SetParentLink(&self);
  cShot& on = AddShot(1, 400, 400);
  cShot& off = AddShot(1, 1200, 400);
  cShot& idle = AddShot(1, 420, 400, 0);
  cShot& other = AddShot(2, 400, 420);

  // While the shot list is being walked, shots are only marked.
  Scene().m_ShotWalk.nDepth = 1;
  cFlowCmd cmd = Vanish(1, 1, 0);
  ExecVanish(&self, &cmd);
  EXPECT_EQ(on.m_bRemoved, 1);
  EXPECT_TRUE(HasShot(&on));
  Scene().m_ShotWalk.nDepth = 0;
  Scene().SweepRemovedShots();
  EXPECT_FALSE(HasShot(&on));
  EXPECT_EQ(Scene().m_vecTeamShot[1].size(), 2u);

  cmd = Vanish(1, 1, 1);
  ExecVanish(&self, &cmd);
  EXPECT_FALSE(HasShot(&off));
  EXPECT_TRUE(HasShot(&idle)) << "inactive";
  EXPECT_TRUE(HasShot(&other));
  EXPECT_EQ(Scene().m_vecTeamShot[1].size(), 1u);

  // Own shots (shooter links) and the children's, by the four child modes.
  struct Case {
    const char* what;
    int mode;
    bool ownGone, childsGone, childGone;
  };
  const Case cases[] = {
      {"own shots", 3, true, false, false},
      {"own shots, then the children with theirs", 4, true, true, true},
      {"the children with their shots, own shots stay", 5, false, true, true},
      {"only the children", 2, false, false, true},
  };
  for (const Case& c : cases) {
    child.m_bVanish = 0;
    cShot* own = &AddShot(1, 400, 440);
    cShot* aimedAt = &AddShot(1, 400, 460);
    cShot* childs = &AddShot(1, 400, 480);
    self.m_vecShotLink = {{own, 4}, {aimedAt, 0}};
    child.m_vecShotLink = {{childs, 4}};
    cmd = Vanish(c.mode, 0, 0);
    ExecVanish(&self, &cmd);
    EXPECT_EQ(!HasShot(own), c.ownGone) << c.what;
    EXPECT_TRUE(HasShot(aimedAt)) << c.what << ": a shot aimed at the chara is not its own";
    EXPECT_EQ(!HasShot(childs), c.childsGone) << c.what;
    EXPECT_EQ(child.m_bVanish, c.childGone ? 1 : 0) << c.what;
    EXPECT_EQ(self.m_vecShotLink.size(), c.ownGone ? 1u : 2u) << c.what << ": a removed shot is forgotten";
    for (cShot* s : {own, aimedAt, childs})
      if (HasShot(s)) Scene().RemoveShot(s);
    self.m_vecShotLink.clear();
    child.m_vecShotLink.clear();
  }
}

// --- item command lists and item get --------------------------------------

TEST_F(ObjectExecTest, CommandListStopsAtDeathAndStageClear) {
  struct Case {
    const char* what;
    std::vector<cFlowCmd> list;
    int result;
    int count;  // increments of stage variable 5
  };
  const Case cases[] = {
      {"every command runs", {ItemCount(), ItemVanish(3), ItemCount()}, 0, 2},
      {"the hero killed by the second command", {ItemCount(), ItemVanish(0), ItemCount()}, 2, 1},
      {"a stage clear ends the list", {ItemCount(), ItemStageClear(), ItemVanish(0), ItemCount()}, 1, 1},
      // The arrange entry turns the vanish's team 3 into the hero's (v1 = 0).
      {"an arranged command kills the hero", {ItemArrange(24, 0, 0, 2, 1), ItemVanish(3), ItemCount()}, 2, 0},
      {"an arrange entry is dropped after the next command",
       {ItemArrange(24, 0, 0, 2, 1), ItemCount(), ItemVanish(3), ItemCount()}, 0, 2},
  };
  for (const Case& c : cases) {
    Hero().m_nLife = 10;
    Hero().m_vecVar[1] = 0;
    Scene().m_vecStageVar[5] = 0;
    Scene().m_bMessageShown = 1;
    cCheckedVector<cFlowCmd> list;
    for (const cFlowCmd& cmd : c.list) list.push_back(cmd);
    EXPECT_EQ(Hero().RunCommandList(list), c.result) << c.what;
    EXPECT_EQ(Scene().m_vecStageVar[5], c.count) << c.what;
    EXPECT_EQ(Scene().m_bMessageShown, 0) << c.what;
    EXPECT_TRUE(Hero().m_lstArrange.empty()) << c.what;
  }
}

TEST_F(ObjectExecTest, ItemGetRunsThePaletteItemOnTheHero) {
  g_CommonPalette.m_vecItem.resize(4);
  g_Stage.m_vecPaletteItem.resize(3);
  g_CommonPalette.m_vecItem[1].m_vecCmd = {ItemCount(1)};
  g_Stage.m_vecPaletteItem[1].m_vecCmd = {ItemCount(10)};
  g_CommonPalette.m_vecItem[2].m_vecCmd = {ItemStageClear()};
  g_CommonPalette.m_vecItem[3].m_vecCmd = {ItemVanish(0)};
  TestChara& giver = Add(1, 10, 5);
  struct Case {
    const char* what;
    int palette, index;
    int count;       // stage variable 5 afterwards
    int request;     // stage-clear request afterwards (1 before)
    int reports;     // report lines written
  };
  const Case cases[] = {
      {"common palette", 0, 1, 1, 1, 0},
      {"stage palette", 1, 1, 10, 1, 0},
      {"any other palette value reads the stage's, as loading does", 7, 1, 10, 1, 0},
      {"a quiet list leaves the earlier request", 0, 0, 0, 1, 0},
      {"an item that kills the hero", 0, 3, 0, 2, 0},
      {"a negative index gets nothing", 0, -1, 0, 1, 1},
      {"an index past the palette gets nothing", 1, 3, 0, 1, 1},
  };
  for (const Case& c : cases) {
    Hero().m_nLife = 10;
    Scene().m_vecStageVar[5] = 0;
    Scene().m_nStageClearRequest = 1;
    const int before = ReportLines();
    cFlowCmd cmd = ItemGet(c.palette, c.index);
    EXPECT_EQ(ExecGetItem(&giver, &cmd), 0) << c.what;
    EXPECT_EQ(Scene().m_vecStageVar[5], c.count) << c.what;
    EXPECT_EQ(Scene().m_nStageClearRequest, c.request) << c.what;
    EXPECT_EQ(ReportLines() - before, c.reports) << c.what;
  }
  Scene().m_nStageClearRequest = 0;
  cFlowCmd cmd = ItemGet(0, 2);
  ExecGetItem(&giver, &cmd);
  EXPECT_EQ(Scene().m_nStageClearRequest, 1);
}

TEST_F(ObjectExecTest, ItemGetThatGetsItselfStopsAt32Levels) {
  struct Case {
    const char* what;
    std::vector<std::vector<cFlowCmd>> items;  // common palette entries 1..
  };
  const Case cases[] = {
      {"an item that gets itself, twice", {{ItemGet(0, 1), ItemGet(0, 1), ItemCount()}}},
      {"two items that get each other", {{ItemGet(0, 2), ItemCount()}, {ItemGet(0, 1), ItemCount()}}},
  };
  TestChara& giver = Add(1, 10, 5);
  for (const Case& c : cases) {
    g_CommonPalette.m_vecItem.assign(c.items.size() + 1, cItemData());
    for (size_t i = 0; i < c.items.size(); ++i)
      for (const cFlowCmd& cmd : c.items[i]) g_CommonPalette.m_vecItem[i + 1].m_vecCmd.push_back(cmd);
    Scene().m_vecStageVar[5] = 0;
    const int before = ReportLines();
    cFlowCmd cmd = ItemGet(0, 1);
    ExecGetItem(&giver, &cmd);
    // Each of the 32 lists that ran counts once on its way back.
    EXPECT_EQ(Scene().m_vecStageVar[5], 32) << c.what;
    EXPECT_EQ(ReportLines() - before, 1) << c.what;
    // The next get starts afresh.
    g_CommonPalette.m_vecItem.assign(2, cItemData());
    g_CommonPalette.m_vecItem[1].m_vecCmd.push_back(ItemCount(100));
    ExecGetItem(&giver, &cmd);
    EXPECT_EQ(Scene().m_vecStageVar[5], 132) << c.what;
  }
}

}  // namespace
