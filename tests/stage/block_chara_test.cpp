// The hero against charas that act as blocks: riding a moving platform,
// being pushed by one, leaving one that moves away, and being crushed
// between one and a wall.
#include <gtest/gtest.h>

#include <functional>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/input.h"

namespace {

using plat::TruncToInt;

constexpr int kFloorRow = 25;
constexpr double kFloorTop = kFloorRow * 32.0;

class BlockCharaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedInput_ = g_vecInput;
    g_vecInput.assign(2, cInput());
    for (cInput& in : g_vecInput) in.TrimPressHistory();
    g_SystemData.m_bCompat677 = 0;
    Player.clear();
    Player.resize(1);
    MakeStage(1);
  }
  void TearDown() override {
    charas_.clear();
    g_lstChara.clear();
    Player.clear();
    stage_.reset();
    g_vecInput = savedInput_;
    g_SystemData = savedSystem_;
  }

  void MakeStage(int level) {
    charas_.clear();
    g_lstChara.clear();
    stage_.reset();
    stage_ = std::make_unique<t4test::StageFixture>(40, 20, level, 1.0);
    g_Stage.m_nHeroBlockW = 16;
    g_Stage.m_nHeroBlockH = 24;
    g_Stage.m_bHeroBlockBottom = 1;
    g_Stage.m_nHeroBlockFlyW = 16;
    g_Stage.m_nHeroBlockFlyH = 24;
    g_Stage.m_nCharaBlockW = 16;
    g_Stage.m_nCharaBlockH = 30;
    g_Stage.m_bCharaBlockBottom = 1;
    g_Stage.m_nCharaBlockFlyW = 16;
    g_Stage.m_nCharaBlockFlyH = 30;
  }
  cGameScene& Scene() { return stage_->Scene(); }
  std::list<cChara>& Lists() { return g_lstChara; }

  cHero& Hero() {
    heroTemplate_ = cCharaData();
    heroTemplate_.m_byControl = kCharaControlPlayer;
    heroTemplate_.m_byFaction = 0;
    heroTemplate_.m_nMaxHp = 10;
    cHero& h = Player[0];
    h.InitFromTemplate(1, &heroTemplate_, 0, 0, 0);
    h.m_bFalling = 0;
    Scene().m_vecTeamChara[0].push_back(&h);
    return h;
  }
  // A block chara of w x h pixels with its top-left at (x, y), placed
  // after the ones made before it.
  // With `block` false, a chara that is no block to anyone.
  cChara& Platform(double x, double y, int w, int h, int faction = 1, bool block = true) {
    cCharaData t;
    t.m_byControl = kCharaControlComputer;
    t.m_byFaction = static_cast<BYTE>(faction);
    t.m_nMaxHp = 10;
    t.m_bBlockChara = block ? 1 : 0;
    cChara& c = g_lstChara.emplace_back();
    charas_.push_back(&c);
    c.Spawn(static_cast<int>(charas_.size()) + 10, &t, nullptr, 0, 0, 0, 0);
    c.m_Data.m_bBlockChara = block ? 1 : 0;
    c.m_bActive = 1;
    c.m_bFalling = 0;
    c.m_nW = c.m_nBaseW = w;
    c.m_nH = c.m_nBaseH = h;
    Put(c, x, y);
    c.SavePrevPosition();
    Scene().m_vecTeamChara[static_cast<size_t>(faction)].push_back(&c);
    return c;
  }
  static void Put(cCharaBase& c, double x, double y) {
    c.m_dX = x;
    c.OnMovedX();
    c.m_dY = y;
    c.OnMovedY();
  }
  // A platform's own move of one sub-step, as its flows would make it.
  static void MovePlatform(cCharaBase& p, double dx, double dy) {
    p.m_dVX = dx;
    p.m_dVY = dy;
    Put(p, p.m_dX + dx, p.m_dY + dy);
  }
  void Floor(int from, int to) {
    for (int cx = from; cx <= to; ++cx) stage_->SetBlock(cx, kFloorRow);
  }

  // One sub-step as the play frame runs it: every object's flags cleared
  // and box saved, the platforms' moves, then the hero's (standing still:
  // its own update leaves it no speed of its own).
  template <class MovePlatforms>
  int SubStep(cHero& h, const char** death, MovePlatforms move) {
    for (const auto& c : charas_) {
      c->LRUD = LRUDFLAGS();
      c->SavePrevPosition();
    }
    h.LRUD = LRUDFLAGS();
    h.SavePrevPosition();
    move();
    h.m_dVX = 0;
    h.m_dAX = 0;
    Scene().CarryRiders(&h, Lists());
    int r = Scene().MoveHeroThroughMap(&h, death);
    if (r != 0) return r;
    return Scene().SettleHeroAfterContacts(&h, Scene().HitCharas(&h, Lists()), death);
  }

  std::unique_ptr<t4test::StageFixture> stage_;
  std::vector<cChara*> charas_;
  cCharaData heroTemplate_;
  cSystemData savedSystem_;
  std::vector<cInput> savedInput_;
};

TEST_F(BlockCharaTest, AHeroLandsOnAMovingPlatformAndRidesItWithoutFallingThrough) {
  struct Case {
    int level;
    bool synced;  // the platform flies with the view: its vertical move carries the rider
    double dx, dy;
  };
  // Steps are exact binary fractions, so the positions are compared exactly.
  const Case cases[] = {{1, true, 0.75, 0.5}, {3, true, 0.25, 0.375}, {2, true, 1.5, 0.0}, {1, false, 1.25, 0.0}};
  for (const Case& c : cases) {
    MakeStage(c.level);
    const std::string what = "level " + std::to_string(c.level) + ", dx " + std::to_string(c.dx);
    cChara& p = Platform(600, 640, 96, 16);
    p.m_bNoGravity = c.synced ? 1 : 0;
    cHero& h = Hero();
    Put(h, 630.5, 640 - 20 - h.m_nH);
    const int n = StageSubSteps();
    const char* death = nullptr;

    int k = 0;
    auto move = [&] {
      // Back and forth sideways, and up and down with another period.
      const double sx = (k / 90) % 2 == 0 ? c.dx : -c.dx;
      const double sy = (k / 70) % 2 == 0 ? -c.dy : c.dy;
      MovePlatform(p, sx, sy);
    };
    bool landed = false;
    double offsetX = 0.0;
    int lost = -1;
    for (int f = 0; f < 300 && lost < 0; ++f)
      for (int s = 0; s < n && lost < 0; ++s, ++k) {
        ASSERT_EQ(SubStep(h, &death, move), 0) << what << " at " << k << ": " << (death ? death : "");
        if (!landed) {
          ASSERT_LT(h.m_dBottom, p.m_dY) << what << ": above the platform until it lands";
          if (h.m_bOnChara) {
            landed = true;
            offsetX = h.m_dX - p.m_dX;
            EXPECT_EQ(h.m_dY, p.m_dY - h.m_nH) << what;
            EXPECT_EQ(h.m_nCarrierId, p.m_nId) << what;
          }
          continue;
        }
        // Riding: the feet stay on the platform's top line and the hero
        // keeps its place on it, never pushed.
        if (!h.m_bOnChara || h.m_dY != p.m_dY - h.m_nH || h.m_dX != p.m_dX + offsetX || h.m_bStopHit) lost = k;
      }
    EXPECT_TRUE(landed) << what;
    EXPECT_EQ(lost, -1) << what << ": hero at (" << h.m_dX << ", " << h.m_dY << "), platform at (" << p.m_dX << ", "
                        << p.m_dY << "), riding " << h.m_bOnChara;
    EXPECT_EQ(h.m_dVY, c.synced ? p.m_dVY : 0.0) << what;
    EXPECT_EQ(h.m_bFalling, 0) << what;
    EXPECT_EQ(h.m_bAirState2, 0) << what;
  }
}

TEST_F(BlockCharaTest, CarryingAddsThePlatformsDisplacementSinceItWasLastSeen) {
  struct Case {
    const char* what;
    int synced, falling;
    double vy;  // the rider's speed afterwards
  };
  const Case cases[] = {
      {"a walking platform leaves the rider's vertical speed", 0, 0, 0.25},
      {"a synced platform hands its vertical move on", 1, 0, -3.0},
      {"a falling platform hands its vertical move on", 0, 1, -3.0},
  };
  for (const Case& c : cases) {
    MakeStage(1);
    cChara& p = Platform(600, 640, 64, 16);
    cHero& h = Hero();
    h.m_bOnChara = 1;
    h.m_nCarrierId = p.m_nId;
    h.m_rcCarrier[0] = p.m_dX;
    h.m_rcCarrier[1] = p.m_dY;
    Put(p, p.m_dX + 2, p.m_dY - 3);
    p.m_bNoGravity = c.synced;
    p.m_bFalling = c.falling;
    h.m_dVX = 1.5;
    h.m_dVY = 0.25;
    EXPECT_EQ(Scene().CarryRiders(&h, Lists()), 0) << c.what;
    EXPECT_EQ(h.m_dVX, 3.5) << c.what;
    EXPECT_EQ(h.m_dVY, c.vy) << c.what;
  }
}

TEST_F(BlockCharaTest, APlatformMovingIntoTheHeroPushesItAlong) {
  struct Case {
    const char* what;
    double platformX;
    double dx;
  };
  const Case cases[] = {
      {"from the right", 660, -2.0},
      {"from the left", 570, 2.0},
  };
  for (const Case& c : cases) {
    MakeStage(1);
    Floor(10, 30);
    cChara& p = Platform(c.platformX, kFloorTop - 48, 40, 48);
    cHero& h = Hero();
    Put(h, 620.25, kFloorTop - h.m_nH);
    const char* death = nullptr;
    int pushes = 0;
    for (int k = 0; k < 40; ++k) {
      const double before = h.m_dX;
      ASSERT_EQ(SubStep(h, &death, [&] { MovePlatform(p, c.dx, 0); }), 0) << c.what << " at " << k;
      // Pushed out half a pixel clear of the platform's edge, whatever the
      // overlap was.
      const bool overlapped = c.dx < 0 ? p.m_dX <= before + h.m_nW - 1 : p.m_dRight >= before;
      const double expected = !overlapped ? before : c.dx < 0 ? p.m_dX - h.m_nW - 0.5 : p.m_dRight + 1.5;
      EXPECT_EQ(h.m_dX, expected) << c.what << " at " << k;
      if (overlapped) {
        ++pushes;
        EXPECT_EQ(c.dx < 0 ? h.LRUD.r : h.LRUD.l, 1) << c.what;
        EXPECT_EQ(h.m_bStopHit, 1) << c.what;
      }
      EXPECT_EQ(h.m_bOnChara, 0) << c.what;
      EXPECT_EQ(h.m_dBottom, kFloorTop - 1) << c.what;
    }
    EXPECT_GT(pushes, 20) << c.what;
  }
}

TEST_F(BlockCharaTest, RidingEndsWhenTheCarrierLeavesTheStripUnderTheFeet) {
  struct Case {
    const char* what;
    double dx, dy;         // the carrier's move in one sub-step
    bool second;           // another platform waits under the hero
    bool rides;
  };
  const Case cases[] = {
      {"sinking 4 pixels stays under the 5-pixel strip", 0, 4, false, true},
      {"sinking 5 pixels leaves it", 0, 5, false, false},
      {"moving away sideways", 120, 0, false, false},
      {"moving away over another platform", 120, 0, true, true},
  };
  for (const Case& c : cases) {
    MakeStage(1);
    cChara& p = Platform(600, 640, 64, 16);
    cChara* other = c.second ? &Platform(560, 643, 200, 16) : nullptr;
    cHero& h = Hero();
    Put(h, 620, 640 - h.m_nH);
    const char* death = nullptr;
    // Standing on the platform first.
    for (int k = 0; k < 3; ++k) ASSERT_EQ(SubStep(h, &death, [] {}), 0) << c.what;
    ASSERT_EQ(h.m_bOnChara, 1) << c.what;
    ASSERT_EQ(h.m_nCarrierId, p.m_nId) << c.what;
    h.m_bStopHit = 0;

    ASSERT_EQ(SubStep(h, &death, [&] { MovePlatform(p, c.dx, c.dy); }), 0) << c.what;
    EXPECT_EQ(h.m_bOnChara, c.rides ? 1 : 0) << c.what;
    EXPECT_EQ(h.m_bStopHit, c.rides ? 0 : 1) << c.what;
    if (other) {
      EXPECT_EQ(h.m_nCarrierId, other->m_nId) << c.what;
      EXPECT_EQ(h.m_rcCarrier[1], other->m_dY) << c.what;
    } else if (c.rides) {
      EXPECT_EQ(h.m_rcCarrier[1], p.m_dY) << c.what << ": the carrier box is refreshed";
    }
  }
}

TEST_F(BlockCharaTest, APlatformPushingTheHeroIntoAWallCrushesIt) {
  MakeStage(1);
  Floor(10, 30);
  for (int row = 20; row < kFloorRow; ++row) stage_->SetBlock(15, row);  // wall: x 480..511
  cChara& p = Platform(560, kFloorTop - 48, 40, 48);
  cHero& h = Hero();
  Put(h, 520, kFloorTop - h.m_nH);
  const char* death = nullptr;
  int firstIntrusion = -1, died = -1;
  for (int k = 0; k < 40 && died < 0; ++k) {
    const double before[4] = {h.m_dX, h.m_dY, h.m_dRight, h.m_dBottom};
    const int r = SubStep(h, &death, [&] { MovePlatform(p, -2, 0); });
    // The push would put the hero's left edge into the wall.
    if (firstIntrusion < 0 && p.m_dX - h.m_nW - 0.5 < 512) firstIntrusion = k;
    if (r == 2) {
      died = k;
      EXPECT_TRUE(std::string(death) == "Dead 9" || std::string(death) == "Dead 6") << death;
      EXPECT_TRUE(h.LRUD.l && h.LRUD.r);
      // The box goes back to where the sub-step started.
      EXPECT_EQ(h.m_dX, before[0]);
      EXPECT_EQ(h.m_dRight, before[2]);
      break;
    }
    // A surviving hero is never left inside the wall.
    EXPECT_GE(h.m_dX, 512.0) << k;
  }
  ASSERT_GE(firstIntrusion, 0);
  ASSERT_GE(died, firstIntrusion);
  // Backing out by at most 1.5 pixels can save the hero for a sub-step of
  // the 2-pixel push, not longer.
  EXPECT_LE(died, firstIntrusion + 1);
}

TEST_F(BlockCharaTest, AHeroPushedIntoAWallBacksOutByAtMostOneAndAHalfPixels) {
  struct Case {
    double platformRight;  // after its move of 2 pixels to the right
    double backedOut;      // pixels the hero comes back, to the step
  };
  // The wall's line is 608; the push puts the hero's right edge 0.9 or 2.0
  // pixels into it.
  const Case cases[] = {{592.4, 1.0}, {593.5, 1.5}};
  for (const Case& c : cases) {
    MakeStage(1);
    Floor(10, 30);
    for (int row = 20; row < kFloorRow; ++row) stage_->SetBlock(19, row);
    cChara& p = Platform(c.platformRight - 39 - 2, kFloorTop - 48, 40, 48);
    cHero& h = Hero();
    Put(h, 592, kFloorTop - h.m_nH);
    h.SavePrevPosition();
    MovePlatform(p, 2, 0);
    EXPECT_EQ(Scene().HitCharas(&h, Lists()), 0) << c.platformRight;
    EXPECT_EQ(h.LRUD.l, 1) << c.platformRight;
    EXPECT_EQ(h.LRUD.r, 0) << c.platformRight;
    // 0.1-pixel steps while the right edge's cell is the wall, 15 at most.
    double x = c.platformRight + 1.5;
    for (int k = 0; k < 15 && TruncToInt(x + h.m_nW - 1) >= 608; ++k) x -= 0.1;
    EXPECT_EQ(h.m_dX, x) << c.platformRight;
    EXPECT_NEAR(h.m_dX, c.platformRight + 1.5 - c.backedOut, 0.1 + 1e-9) << c.platformRight;
  }
}

TEST_F(BlockCharaTest, AFastFallLandsOnAPlatformAndAJumpStopsUnderOne) {
  struct Case {
    const char* what;
    double prevY, y, vy;  // the hero's move of this sub-step
    double top, height;   // the platform (still)
    double expectY;
    int riding, rising;
  };
  // The hero is 24 pixels high; a fall counts as fast above 2 pixels a
  // sub-step at one sub-step per frame.
  const Case cases[] = {
      {"a fast fall reaching deep into the top lands", 600, 620, 20, 630, 16, 630 - 24, 1, 0},
      {"a jump into the underside stops below it", 660, 640, -5, 600, 46, 646, 0, 1},
  };
  for (const Case& c : cases) {
    MakeStage(1);
    cChara& p = Platform(590, c.top, 64, c.height);
    cHero& h = Hero();
    Put(h, 600, c.prevY);
    h.SavePrevPosition();
    Put(h, 600, c.y);
    h.m_dVY = c.vy;
    EXPECT_EQ(Scene().HitCharas(&h, Lists()), 0) << c.what;
    EXPECT_EQ(h.m_dY, c.expectY) << c.what;
    EXPECT_EQ(h.m_bOnChara, c.riding) << c.what;
    EXPECT_EQ(h.m_bRising, c.rising) << c.what;
    EXPECT_EQ(h.m_dVY, 0.0) << c.what;
    if (c.riding) { EXPECT_EQ(h.m_nCarrierId, p.m_nId) << c.what; }
  }
}

TEST_F(BlockCharaTest, AHeroSyncedToTheViewIsPushedOnlyByPlatformsComingAtIt) {
  struct Case {
    const char* what;
    int mode;
    double top;  // platform 64 x 16 around the hero at (600, 700), 16 x 24
    double vy;
    int result;
    double expectY;
    int up, down;
  };
  const Case cases[] = {
      {"a ceiling coming down pushes", 1, 690, 2, 0, 706, 1, 0},
      {"a ceiling going up does not pull", 1, 690, -2, 0, 700, 0, 0},
      {"a floor coming up pushes", 1, 720, -2, 0, 696, 0, 1},
      {"a floor going down does not pull", 1, 720, 2, 0, 700, 0, 0},
      {"any touch kills in the deadly mode", 2, 720, 0, 2, 700, 0, 1},
      {"passing through everything", 0, 720, -2, 0, 700, 0, 0},
  };
  for (const Case& c : cases) {
    MakeStage(1);
    cChara& p = Platform(590, c.top, 64, 16);
    p.m_dVY = c.vy;
    cHero& h = Hero();
    h.m_bNoGravity = 1;
    h.m_byBlockMode = static_cast<BYTE>(c.mode);
    Put(h, 600, 700);
    h.SavePrevPosition();
    EXPECT_EQ(Scene().HitCharas(&h, Lists()), c.result) << c.what;
    EXPECT_EQ(h.m_dY, c.expectY) << c.what;
    EXPECT_EQ(h.LRUD.u, c.up) << c.what;
    EXPECT_EQ(h.LRUD.d, c.down) << c.what;
  }
}

TEST_F(BlockCharaTest, AHeroAcrossTwoLevelPlatformsRidesTheOnePlacedFirst) {
  // Two 32-pixel platforms side by side with their tops at 640; the hero
  // (16 wide) at x 604 reaches 8 pixels onto each, its feet 2 pixels into
  // them: both propose the floor 640 - 24 = 616, and the equal proposal of
  // the one visited later loses. The factions are not the order.
  struct Case {
    int firstFaction, secondFaction;
    bool firstOnLeft;
  };
  const Case cases[] = {{3, 1, true}, {3, 1, false}, {1, 3, true}, {1, 3, false}};
  for (const Case& c : cases) {
    MakeStage(1);
    const std::string what = "placed first: faction " + std::to_string(c.firstFaction) +
                             (c.firstOnLeft ? " on the left" : " on the right");
    cChara& first = Platform(c.firstOnLeft ? 580 : 612, 640, 32, 16, c.firstFaction);
    cChara& second = Platform(c.firstOnLeft ? 612 : 580, 640, 32, 16, c.secondFaction);
    cHero& h = Hero();
    Put(h, 604, 617);
    h.SavePrevPosition();
    Put(h, 604, 618);
    h.m_dVY = 1;
    EXPECT_EQ(Scene().HitCharas(&h, Lists()), 0) << what;
    EXPECT_EQ(h.m_dY, 616.0) << what;
    EXPECT_EQ(h.m_bOnChara, 1) << what;
    EXPECT_EQ(h.m_nCarrierId, first.m_nId) << what;
    EXPECT_NE(h.m_nCarrierId, second.m_nId) << what;
    // A rider looking for a new carrier under its feet finds the same one.
    EXPECT_EQ(Scene().FindCarrierBelow(&h), &first) << what;
  }
}

TEST_F(BlockCharaTest, SqueezedAfterACeilingTheHeroSlipsUnderWhatWasOverItsUpperHalfAtTheStart) {
  // The hero (16 x 24) at (600, 700): its upper half is 700..712. A ceiling
  // (bottom 701) placed first moves it to 702; two posts reaching 705..715
  // push it from both sides, so x goes back to 600 and the first block
  // chara over the upper half of the call's start pushes it below itself:
  // the ceiling again (y 702), not a post found over the moved half (716).
  MakeStage(1);
  const cChara& ceiling = Platform(590, 680, 64, 22);
  Platform(590, 705, 12, 11);
  Platform(614, 705, 12, 11);
  cHero& h = Hero();
  Put(h, 600, 700);
  h.SavePrevPosition();
  EXPECT_EQ(Scene().HitCharas(&h, Lists()), 0);
  EXPECT_EQ(h.m_dY, ceiling.m_dBottom + 1);
  EXPECT_EQ(h.m_dX, 600.0);
  EXPECT_EQ(h.LRUD.l, 0);
  EXPECT_EQ(h.LRUD.r, 0);
  EXPECT_EQ(h.m_bRising, 1);
}

TEST_F(BlockCharaTest, APlatformComingDownOntoAStandingHeroCrushesIt) {
  MakeStage(1);
  Floor(10, 30);
  cChara& p = Platform(600, kFloorTop - 24 - 40 - 4, 64, 40);
  cHero& h = Hero();
  Put(h, 620, kFloorTop - h.m_nH);
  const char* death = nullptr;
  int r = 0;
  for (int k = 0; k < 10 && r == 0; ++k) r = SubStep(h, &death, [&] { MovePlatform(p, 0, 2); });
  EXPECT_EQ(r, 2);
  EXPECT_TRUE(h.LRUD.u && h.LRUD.d);
}

TEST_F(BlockCharaTest, ContactsInASubStepComeOutAsAWalkOfTheWholeList) {
  // In a sub-step the contact queries visit the block charas gathered at
  // its start and then the charas appended since. Each arrangement runs
  // once that way and once walking the whole list, from the same start:
  // the proposals, their winners (an equal proposal keeps the first
  // visited), the flags and the charas found must be the same.
  struct Arrangement {
    const char* what;
    std::function<void()> place;   // the list when the sub-step starts
    std::function<void()> append;  // charas summoned during it
    double x, y, prevY, vy;        // the hero's box now, where it was, its fall
    int w = 16, h = 24;            // the hero's box (scaled: larger)
    bool synced = false;           // flying with the view, stopped by block charas
  };
  auto walker = [this](double x, double y) { Platform(x, y, 32, 32, 1, false); };
  auto nothing = [] {};
  const Arrangement cases[] = {
      {"two level platforms between plain charas",
       [&] {
         walker(560, 600);
         Platform(580, 640, 32, 16);
         walker(600, 630);
         Platform(612, 640, 32, 16);
       },
       nothing, 604, 618, 617, 1},
      {"at the map's top-left corner",
       [&] {
         Platform(304, 300, 17, 40);
         walker(320, 320);
         Platform(300, 344, 64, 16);
       },
       nothing, 320, 321, 320, 1},
      {"across the map's right and bottom edges",
       [&] {
         Platform(1598, 900, 32, 60);
         Platform(1570, 958, 64, 16);
       },
       nothing, 1584, 935, 934, 1},
      {"a platform scaled over three cells each way",
       [&] {
         walker(600, 600);
         cChara& big = Platform(600, 640, 32, 16);
         big.m_Data.m_cSize = 2;
         big.m_nW = 64;
         big.m_nH = 32;
         Put(big, 600, 640);
         Platform(650, 640, 32, 16);
       },
       nothing, 655, 617, 616, 1},
      {"a scaled hero over four platforms",
       [&] {
         for (int i = 0; i < 4; ++i) Platform(560 + 24 * i, 680 - 2 * i, 24, 16);
       },
       nothing, 590, 634, 632, 2, 32, 48},
      {"a platform appended after an equal one",
       [&] { Platform(580, 640, 32, 16); },
       [&] {
         walker(700, 600);
         Platform(612, 640, 32, 16);
       },
       604, 618, 617, 1},
      {"only an appended platform under the feet",
       [&] {
         walker(604, 500);
         Platform(900, 640, 32, 16);
       },
       [&] { Platform(596, 640, 32, 16); }, 604, 618, 617, 1},
      {"marked, inactive and dead platforms are passed",
       [&] {
         Platform(596, 640, 32, 16).m_bRemoved = 1;
         Platform(596, 640, 32, 16).m_bActive = 0;
         Platform(596, 640, 32, 16).m_bDead = 1;
         Platform(596, 641, 32, 16);
       },
       nothing, 604, 618, 617, 1},
      {"each corner in another platform",
       [&] {
         Platform(590, 590, 14, 14);
         walker(600, 600);
         Platform(612, 590, 14, 14);
         Platform(590, 618, 14, 14);
         Platform(612, 618, 14, 14);
       },
       nothing, 600, 600, 600, 0},
      {"a hero flying with the view",
       [&] {
         Platform(612, 590, 20, 40);
         Platform(590, 620, 40, 20);
       },
       nothing, 600, 600, 600, 0, 16, 24, true},
  };
  for (const Arrangement& a : cases) {
    auto run = [&](bool gathered) {
      MakeStage(1);
      a.place();
      cHero& h = Hero();
      h.m_nW = a.w;
      h.m_nH = a.h;
      if (a.synced) {
        h.m_bNoGravity = 1;
        h.m_byBlockMode = 1;
      }
      Put(h, a.x, a.prevY);
      h.SavePrevPosition();
      Put(h, a.x, a.y);
      h.m_dVY = a.vy;
      // As a sub-step runs: nothing is unlinked from the list meanwhile.
      ++Scene().m_CharaWalk.nDepth;
      if (gathered) Scene().GatherBlockCharas();
      a.append();
      const double box[4] = {h.m_dX, h.m_dY, h.m_dRight, h.m_dBottom};
      std::ostringstream out;
      out << std::setprecision(17) << "over " << Scene().HitsBlockChara(&h, Lists()) << " enclosed "
          << Scene().IsEnclosedByBlockCharas(&h, box);
      out << " hit " << Scene().HitCharas(&h, Lists()) << " at (" << h.m_dX << ", " << h.m_dY << ") lrud "
          << h.LRUD.l << h.LRUD.r << h.LRUD.u << h.LRUD.d << " riding " << h.m_bOnChara << " on "
          << h.m_nCarrierId << " pushed " << h.m_bStopHit;
      const cCharaBase* below = Scene().FindCarrierBelow(&h);
      out << " below " << (below ? below->m_nId : -1);
      Scene().m_BlockCharas.bValid = false;
      --Scene().m_CharaWalk.nDepth;
      return out.str();
    };
    const std::string whole = run(false);
    EXPECT_EQ(run(true), whole) << a.what;
    // Worked by hand: equal floors keep the platform placed first (id 12
    // behind a plain chara, 11 when it comes first); the platform appended
    // behind a plain chara and a far platform (id 13) is found; the hero
    // stands on 640 - 24.
    const std::string what = a.what;
    if (what == "two level platforms between plain charas")
      EXPECT_NE(whole.find("at (604, 616) lrud 0000 riding 1 on 12 "), std::string::npos) << whole;
    if (what == "a platform appended after an equal one")
      EXPECT_NE(whole.find("at (604, 616) lrud 0000 riding 1 on 11 "), std::string::npos) << whole;
    if (what == "only an appended platform under the feet")
      EXPECT_NE(whole.find("riding 1 on 13 "), std::string::npos) << whole;
    if (what == "each corner in another platform") EXPECT_NE(whole.find("enclosed 1 hit 2"), std::string::npos) << whole;
  }
}

}  // namespace
