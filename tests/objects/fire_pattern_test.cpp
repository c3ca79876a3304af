// Fire patterns on a running stage: where each formation puts its objects
// and how fast and in which direction they leave, clones with their angles,
// speeds and random spread, aiming (with and without an automatic scroll),
// the shot links, the summons of charas, items and blocks, and settings that
// would divide by zero, index outside a table or flood the stage.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/fire_pattern.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "objects/stage_fixture.h"
#include "platform/random.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/strings.h"

namespace {

constexpr int kLevel = 2;          // sub-steps per frame
constexpr int kView = 320;         // the fixture's view, both axes
constexpr double kDeg = 0.017453292519943278;
const double K = std::sqrt(0.5);

enum : int { kLeft = 2, kRight = 3, kUp = 6, kDown = 7, kUpLeft = 8, kDownLeft = 9, kUpRight = 10, kDownRight = 11 };

// A shot, sword or summon command with its run state.
struct Command {
  cFlowCmd cmd;
  cCmdState state;
  explicit Command(int kind) {
    cmd.m_byKind = static_cast<BYTE>(kind);
    state.m_pCmd = &cmd;
  }
  Command(const Command&) = delete;
};

// A flying 32 x 32 chara whose image lies at world pixel (x, y).
void MakeChara(cCharaBase& c, int id, int team, double x, double y, int facing) {
  c.Reset(nullptr, 0, 0, 0, 0);
  c.SetParams(id, team, 0, team, 0, nullptr, 0, 0, 0, 32, 32, 32, 32, facing, kPlaceFly, 0);
  c.m_bActive = c.m_bOnScreen = c.m_bAppeared = 1;
  c.m_nLife = 10;
  c.m_dX = x;
  c.m_dY = y;
  c.ClampX(2);
  c.ClampY(2);
  c.UpdateScreenRect();
}

// The expected launch of one object: top-left and velocity per frame.
struct Launch {
  int x, y;
  double vx, vy;
};

Launch AtAngle(int x, int y, double v, double degrees) {
  return {x, y, -v * std::cos(degrees * kDeg), -v * std::sin(degrees * kDeg)};
}

class FirePatternTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedPalette_ = g_CommonPalette;
    g_SystemData.m_bCompat214 = 0;
    g_SystemData.m_bCompat555 = 0;
    Player.clear();
    g_lstChara.clear();
    g_lstItem.clear();
    stage_ = std::make_unique<t4test::StageFixture>(60, 40, kLevel, 1.0);
    MakeChara(shooter_, 7, 1, 1000, 600, 0);
    MakeChara(target_, 8, 1, 1200, 680, 0);
  }
  void TearDown() override {
    // The shots go while the charas they link to still exist.
    Scene().m_lstShot.clear();
    for (auto& team : Scene().m_vecTeamShot) team.clear();
    ClearCharas();
    g_lstItem.clear();
    Player.clear();
    stage_.reset();
    g_CommonPalette = savedPalette_;
    g_SystemData = savedSystem_;
  }

  cGameScene& Scene() { return stage_->Scene(); }
  // Summoned charas leave the stage's team lists with the chara list.
  void ClearCharas() {
    for (auto& team : Scene().m_vecTeamChara) team.clear();
    g_lstChara.clear();
  }
  std::vector<const cShot*> Shots() {
    std::vector<const cShot*> out;
    for (const cShot& s : Scene().m_lstShot) out.push_back(&s);
    return out;
  }
  // Fires the shot settings once and returns the shots made.
  std::vector<const cShot*> FireShots(const cEdShot& s, cCharaBase& shooter) {
    Scene().m_lstShot.clear();
    for (auto& team : Scene().m_vecTeamShot) team.clear();
    Command c(kShotKindShot);
    FireShotPattern(Scene(), &shooter, &c.state, s);
    return Shots();
  }
  std::vector<const cShot*> FireShots(const cEdShot& s) { return FireShots(s, shooter_); }
  cHero& AddHero(double x, double y) {
    Player.resize(1);
    MakeChara(Player[0], 1, 0, x, y, 1);
    return Player[0];
  }
  static void ExpectLaunches(const std::vector<const cShot*>& shots, const std::vector<Launch>& want) {
    ASSERT_EQ(shots.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "object " << i);
      EXPECT_DOUBLE_EQ(shots[i]->m_dX, want[i].x);
      EXPECT_DOUBLE_EQ(shots[i]->m_dY, want[i].y);
      EXPECT_DOUBLE_EQ(shots[i]->m_dOwnVX, want[i].vx / kLevel);
      EXPECT_DOUBLE_EQ(shots[i]->m_dOwnVY, want[i].vy / kLevel);
    }
  }
  static cEdShot Settings(int formation, int shots, int speed) {
    cEdShot s;
    s.m_byFormation = static_cast<BYTE>(formation);
    s.m_byShots = static_cast<BYTE>(shots);
    s.m_nSpeed = static_cast<int16_t>(speed);
    return s;
  }

  std::unique_ptr<t4test::StageFixture> stage_;
  cCharaBase shooter_, target_;
  cSystemData savedSystem_;
  cPaletteData savedPalette_;
};

TEST_F(FirePatternTest, FanSpreadsEvenlyAroundTheFiringDirection) {
  struct Case {
    const char* what;
    int shots, step, facing, angle, mirror;
  };
  const Case cases[] = {
      {"four at 30 fired right", 4, 30, 1, 0, 1},
      {"three at 20 fired left, turned by 10", 3, 20, 0, 10, 1},
      {"an angle facing right is mirrored", 3, 15, 1, 25, 1},
      {"unmirrored facing right", 2, 40, 1, 25, 0},
      {"a step of 0 fires all alike", 2, 0, 0, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MakeChara(shooter_, 7, 1, 1000, 600, k.facing);
    cEdShot s = Settings(kFormationFan, k.shots, 40);
    s.m_anFormation[0] = static_cast<int16_t>(k.step);
    s.m_nAngle = static_cast<int16_t>(k.angle);
    s.m_bMirrorAngle = static_cast<BYTE>(k.mirror);
    const double v = 4.0;
    const int base = k.facing ? 180 : 0;
    const int launch = k.mirror && k.facing ? 360 - k.angle : k.angle;
    const double lead = k.shots % 2 ? k.shots / 2 : k.shots / 2 - 0.5;
    // Beside the shooter on the firing side, centred on its middle.
    const int x = k.facing ? 1000 + 32 : 1000 - 16 + 1;
    const int y = 600 + 16 - 8;
    std::vector<Launch> want;
    for (int i = 0; i < k.shots; ++i) want.push_back(AtAngle(x, y, v, base + launch - k.step * lead + i * k.step));
    ExpectLaunches(FireShots(s), want);
  }

  // The plain four-shot fan fired right leaves at 135, 165, 195 and 225
  // degrees: up-right round to down-right.
  MakeChara(shooter_, 7, 1, 1000, 600, 1);
  cEdShot s = Settings(kFormationFan, 4, 40);
  s.m_anFormation[0] = 30;
  const std::vector<const cShot*> shots = FireShots(s);
  ASSERT_EQ(shots.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    double a = std::atan2(-shots[i]->m_dOwnVY, -shots[i]->m_dOwnVX) / kDeg;
    if (a < 0) a += 360;
    EXPECT_NEAR(a, 135 + 30 * i, 1e-9) << i;
  }
}

TEST_F(FirePatternTest, StraightRowsAndColumnsStandBesideTheShooter) {
  // Shooter image 1000..1031 x 600..631; centre (1016, 616); shots 16 x 16.
  const int L = 1000, T = 600, R = 1031, B = 631, cx = 1016, cy = 616, w = 16, h = 16;
  const double v = 3.0;
  struct Case {
    const char* what;
    int formation, dir, facing, shots, interval;
    std::function<std::vector<Launch>()> want;
  };
  auto line = [](int n, int x, int y, int dx, int dy, double vx, double vy) {
    std::vector<Launch> out;
    for (int i = 0; i < n; ++i) out.push_back({x + i * dx, y + i * dy, vx, vy});
    return out;
  };
  const Case cases[] = {
      // Three 16-pixel shots fired left make a 48-pixel column centred on
      // the shooter's middle.
      {"row left", kFormationStraightA, kLeft, 0, 3, 0,
       [&] { return line(3, L - w + 1, cy - 3 * (h / 2), 0, h, -v, 0); }},
      {"row right with a gap", kFormationStraightA, kRight, 1, 2, 1,
       [&] { return line(2, R + 1, cy - 8 - 2 * (h / 2), 0, 16 + h, v, 0); }},
      {"row up", kFormationStraightA, kUp, 0, 3, 2,
       [&] { return line(3, cx - 2 * 16 - 3 * (w / 2), T - h, 32 + w, 0, 0, -v); }},
      {"row down", kFormationStraightA, kDown, 1, 1, 0, [&] { return line(1, cx - w / 2, B + 1, 0, 0, 0, v); }},
      {"row up-right", kFormationStraightA, kUpRight, 1, 2, 1,
       [&] {
         const double ex = K * (32 - 16 + w / 2), ey = -K * (16 + h / 2);
         const int bx = static_cast<int>(std::trunc(std::trunc(cx - w / 2 + ex) - K * 1 * (8 + w / 2)));
         const int by = static_cast<int>(std::trunc(std::trunc(cy - h / 2 + ey) + -1 * K * 1 * (8 + h / 2)));
         return line(2, bx, by, static_cast<int>(K * (16 + w)), static_cast<int>(K * (16 + h)), v * K, -v * K);
       }},
      {"column on the foot line, right", kFormationStraightB, kRight, 1, 3, 1,
       [&] { return line(3, R + 1, B - h + 1, 0, -(16 + h), v, 0); }},
      {"column fired up by a chara facing left", kFormationStraightB, kUp, 0, 2, 0,
       [&] { return line(2, L - w + 1, B - h + 1, 0, -h, 0, -v); }},
      {"column down-left", kFormationStraightB, kDownLeft, 0, 1, 0,
       [&] { return line(1, L - w + 1, B - h + 1, 0, 0, -v * K, v * K); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MakeChara(shooter_, 7, 1, L, T, k.facing);
    cEdShot s = Settings(k.formation, k.shots, 30);
    s.m_byDirection = static_cast<BYTE>(k.dir);
    s.m_anFormation[0] = static_cast<int16_t>(k.interval);
    s.m_bMirrorAngle = 0;
    ExpectLaunches(FireShots(s), k.want());
  }

  // The launch offsets move the whole row; the x offset turns with a
  // shooter facing right.
  MakeChara(shooter_, 7, 1, L, T, 1);
  cEdShot s = Settings(kFormationStraightA, 2, 30);
  s.m_byDirection = kRight;
  s.m_bMirrorAngle = 0;
  s.m_nOffsetX = 5;
  s.m_nOffsetY = -7;
  ExpectLaunches(FireShots(s), line(2, R + 1 - 5, cy - 2 * (h / 2) - 7, 0, h, v, 0));

  // A mirrored angle of 0 is 360 for a shooter facing right: the row stays
  // where it was, and flies by the angle (180 + 360).
  s.m_bMirrorAngle = 1;
  std::vector<Launch> want;
  for (int i = 0; i < 2; ++i) want.push_back(AtAngle(R + 1 - 5, cy - 2 * (h / 2) - 7 + i * h, v, 540));
  ExpectLaunches(FireShots(s), want);
}

TEST_F(FirePatternTest, AnAngledRowKeepsItsPlaceOrTurnsWithTheAngle) {
  MakeChara(shooter_, 7, 1, 1000, 600, 0);
  const double v = 3.0;
  cEdShot s = Settings(kFormationStraightA, 3, 30);
  s.m_byDirection = kLeft;
  s.m_nAngle = 30;
  // Not turned: the row left of the shooter, flying at 30 degrees.
  {
    std::vector<Launch> want;
    for (int i = 0; i < 3; ++i) want.push_back(AtAngle(1000 - 16 + 1, 616 - 24 + 16 * i, v, 30));
    ExpectLaunches(FireShots(s), want);
  }
  // Turned: the row stands on the rim where the angle leaves the shooter,
  // across the flight.
  s.m_bTurnLine = 1;
  const double theta = 30, phi = (theta + 225) * kDeg;
  const double r = K * (32 - 16 + 8), t = K * (32 - 16 + 8);
  int bx = static_cast<int>(std::trunc(680 + 16 + kView + r * std::sin(phi) + t * std::cos(phi) - 8));
  int by = static_cast<int>(std::trunc(280 + 16 + kView + t * std::sin(phi) - r * std::cos(phi) - 8));
  const double sn = std::sin(theta * kDeg), cs = std::cos(theta * kDeg);
  ASSERT_TRUE(sn >= 0 && cs >= 0);
  bx = static_cast<int>(std::trunc(bx - sn * (0 + 8) * 2));
  by = static_cast<int>(std::trunc(by + cs * (0 + 8) * 2));
  const int sx = static_cast<int>(std::trunc(sn * 16)), sy = static_cast<int>(std::trunc(-cs * 16));
  std::vector<Launch> want;
  for (int i = 0; i < 3; ++i) want.push_back(AtAngle(bx + i * sx, by + i * sy, v, theta));
  ExpectLaunches(FireShots(s), want);
}

TEST_F(FirePatternTest, RingsFlyOutFromTheShooterOrCloseInOnTheCentre) {
  const double v = 4.0;
  // Burst: five shots from the shooter's middle, 72 degrees apart.
  MakeChara(shooter_, 7, 1, 1000, 600, 0);
  cEdShot burst = Settings(kFormationBurst, 5, 40);
  burst.m_nAngle = 10;
  burst.m_nOffsetX = 4;
  {
    std::vector<Launch> want;
    for (int k = 0; k < 5; ++k) want.push_back(AtAngle(1016 - 8 + 4, 616 - 8, v, 0 + 10 + k * 360.0 / 5));
    ExpectLaunches(FireShots(burst), want);
  }

  // Surround: eight shots 6 half blocks (96 pixels) round the centre chara,
  // each flying at it.
  shooter_.m_vecLink[0] = &target_;
  AddHero(500, 420);
  struct Case {
    const char* what;
    int centre;
    double x, y;  // the centre chara's image top-left
  };
  const Case cases[] = {{"the target", 0, 1200, 680}, {"the hero", 1, 500, 420}, {"the shooter", 2, 1000, 600}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    cEdShot s = Settings(kFormationSurround, 8, 40);
    s.m_anFormation[0] = 6;
    s.m_byCentre = static_cast<BYTE>(k.centre);
    const int ox = static_cast<int>(k.x) + 16 - 8, oy = static_cast<int>(k.y) + 16 - 8;
    std::vector<Launch> want;
    for (int i = 0; i < 8; ++i) {
      const double a = i * 360.0 / 8;
      const Launch l = AtAngle(0, 0, v, a);
      want.push_back({ox + static_cast<int>(std::trunc(96 * std::cos(a * kDeg) + 0.5)),
                      oy + static_cast<int>(std::trunc(96 * std::sin(a * kDeg) + 0.5)), l.vx, l.vy});
    }
    const std::vector<const cShot*> shots = FireShots(s);
    ExpectLaunches(shots, want);
    for (const cShot* shot : shots) {
      const double dx = shot->m_dX - ox, dy = shot->m_dY - oy;
      EXPECT_NEAR(std::hypot(dx, dy), 96, 1.5);  // each axis rounded, negatives toward 0
      EXPECT_LT(dx * shot->m_dOwnVX + dy * shot->m_dOwnVY, 0);  // toward the centre
    }
  }
  // No chara in the aim slot: nothing closes in.
  shooter_.m_vecLink[0] = nullptr;
  cEdShot s = Settings(kFormationSurround, 8, 40);
  EXPECT_TRUE(FireShots(s).empty());
}

TEST_F(FirePatternTest, LightningColumnsEnterFromTheScreenEdge) {
  // The hero's image is 500..531 x 420..451: on the screen at (180, 100),
  // its centre at (196, 116).
  AddHero(500, 420);
  const int X = 196, Y = 116, w = 16, h = 16, S = 16, c = 32;
  const double v = 2.0;
  auto tr = [](double d) { return static_cast<int>(std::trunc(d)); };
  struct Case {
    const char* what;
    int dir, columns, packed;
    int bx, by, sx, sy, cx, cy;
    double vx, vy;
  };
  const int f2 = c / 2, f3 = c;  // the centring of two and three columns
  const Case cases[] = {
      {"left, two columns", kLeft, 2, 0, kView + 640 - w, 420 + 16 - h / 2 - f2, -(w + S), 0, 0, c, -v, 0},
      {"right, packed", kRight, 2, 1, kView, 420 + 16 - h / 2 - f2, w, 0, 0, c, v, 0},
      {"up, three columns", kUp, 3, 0, 500 + 16 - w / 2 - f3, kView + 480 - h, 0, -(h + S), c, 0, 0, -v},
      {"down, one column", kDown, 1, 0, 500 + 16 - w / 2, kView, 0, h + S, 0, 0, 0, v},
      // dL = 196 < dB = 364: from the left edge.
      {"up-right", kUpRight, 2, 0, kView - tr(f2 * K), kView + Y + X - h - tr(f2 * K), tr((S + w) * K),
       tr(-(S + h) * K), tr(c * K), tr(c * K), v * K, -v * K},
      // dR = 444 is not below dB = 364: from the bottom edge.
      {"up-left, packed", kUpLeft, 2, 1, kView + X + (480 - Y) - w - tr(f2 * K), kView + 480 - h + tr(f2 * K),
       tr(-w * K), tr(-h * K), tr(c * K), tr(-c * K), -v * K, -v * K},
      // dL = 196 is not below dT = 116: from the top edge.
      {"down-right", kDownRight, 1, 0, kView + X - Y, kView, tr((S + w) * K), tr((S + h) * K), 0, 0, v * K, v * K},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    g_SystemData.m_bCompat555 = k.packed;
    cEdShot s = Settings(kFormationLightning, 2, 20);
    s.m_byCentre = 1;
    s.m_byDirection = static_cast<BYTE>(k.dir);
    s.m_anFormation[0] = 1;
    s.m_anFormation[1] = static_cast<int16_t>(k.columns);
    s.m_anFormation[2] = 2;
    std::vector<Launch> want;
    for (int row = 0; row < 2; ++row)
      for (int col = 0; col < k.columns; ++col)
        want.push_back({k.bx + row * k.sx + col * k.cx, k.by + row * k.sy + col * k.cy, k.vx, k.vy});
    ExpectLaunches(FireShots(s), want);
  }
}

TEST_F(FirePatternTest, ClonesTurnSpeedUpAndDrawTheirOwnSpread) {
  struct Case {
    const char* what;
    int facing, spread;
  };
  const Case cases[] = {{"facing left", 0, 0}, {"facing right", 1, 0}, {"with spread", 1, 15}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MakeChara(shooter_, 7, 1, 1000, 600, k.facing);
    cEdShot s = Settings(kFormationStraightA, 1, 30);
    s.m_byClones = 2;
    s.m_nAngle = 20;
    s.m_nAnglePerClone = 10;
    s.m_nSpeedPerClone = 5;
    s.m_nSpread = static_cast<int16_t>(k.spread);
    s.m_nOffsetYPerClone = 3;
    s.m_bMirrorX = 0;

    // The draws come in the firing order: one before the first clone, one
    // after each clone (the last one's too).
    plat::SeedRand(4242);
    std::vector<int> draws;
    for (int i = 0; i < 4 && k.spread; ++i) draws.push_back(GetRandom(-k.spread, k.spread));
    const int after = plat::Rand();
    const int base = k.facing ? 180 : 0;
    const int x = k.facing ? 1032 : 985;
    std::vector<Launch> want;
    double v = 30 * 0.1;
    for (int c = 0; c < 3; ++c) {
      int a = 20 + 10 * c;
      if (k.facing) a = 360 - a;
      if (k.spread) a += draws[c];
      want.push_back(AtAngle(x, 608 + 3 * c, v, base + a));
      v += 5 * 0.1;
    }
    plat::SeedRand(4242);
    const std::vector<const cShot*> first = FireShots(s);
    ExpectLaunches(first, want);
    if (k.spread) {
      EXPECT_EQ(plat::Rand(), after);
    }
    for (int c = 0; c < 3; ++c) EXPECT_EQ(first[c]->m_nCloneValue, c);

    // The same seed fires the same volley again.
    std::vector<std::pair<double, double>> before;
    for (const cShot* shot : first) before.emplace_back(shot->m_dOwnVX, shot->m_dOwnVY);
    plat::SeedRand(4242);
    const std::vector<const cShot*> again = FireShots(s);
    ASSERT_EQ(again.size(), before.size());
    for (size_t i = 0; i < again.size(); ++i) {
      EXPECT_EQ(again[i]->m_dOwnVX, before[i].first);
      EXPECT_EQ(again[i]->m_dOwnVY, before[i].second);
    }
  }
}

TEST_F(FirePatternTest, AimedShotsLeaveTowardTheAimedChara) {
  shooter_.m_vecLink[1] = &target_;
  cEdShot s = Settings(kFormationStraightA, 1, 30);
  s.m_bAim = 1;
  s.m_byAimSlot = 1;
  // From the centre of the shot beside the shooter (993, 616) to the
  // target's centre (1216, 696).
  const double plain = std::trunc(std::atan2(696 - 616, 1216 - 993) / kDeg + 180 + 0.5);
  ExpectLaunches(FireShots(s), {AtAngle(985, 608, 3.0, plain)});

  // Both ride the automatic scroll the shot does not: the course is the one
  // that meets the target, the angle truncated without rounding.
  Scene().m_ScrollX.m_dAutoStep = 0.5;
  target_.m_bScrollLock = 1;
  const std::vector<const cShot*> shots = FireShots(s);
  const double ax = target_.m_rcScreen.left + 16, ay = target_.m_rcScreen.top + 16;
  const double ox = 993 - kView, oy = 616 - kView;
  const double speed = 30 * 0.1 / kLevel, d = std::hypot(ax - ox, ay - oy);
  const double vx = speed * (ax - ox) / d, vy = speed * (ay - oy) / d;
  const double scrolled = std::trunc(std::atan2(vy, vx) / kDeg + 180);
  EXPECT_NE(scrolled, plain);
  ExpectLaunches(shots, {AtAngle(985, 608, std::sqrt(vx * vx + vy * vy) * kLevel, scrolled)});

  // Nothing in the aim slot: the shooter's facing.
  Scene().m_ScrollX.m_dAutoStep = 0;
  s.m_byAimSlot = 2;
  ExpectLaunches(FireShots(s), {AtAngle(985, 608, 3.0, 0)});
}

TEST_F(FirePatternTest, ShotsAreLinkedToTheirShooterAndOnlyTargetingOnesToTheTarget) {
  shooter_.m_vecLink[0] = &target_;
  Scene().m_nShotId = 40;
  for (int trajectory : {0, 3, 6}) {
    SCOPED_TRACE(testing::Message() << "trajectory " << trajectory);
    cEdShot s = Settings(kFormationStraightA, 2, 30);
    s.m_byTrajectory = static_cast<BYTE>(trajectory);
    const int firstId = Scene().m_nShotId;
    const std::vector<const cShot*> shots = FireShots(s);
    ASSERT_EQ(shots.size(), 2u);
    EXPECT_EQ(Scene().m_nShotId, firstId + 2);
    const bool targets = trajectory != 0;
    for (size_t i = 0; i < 2; ++i) {
      cShot* shot = const_cast<cShot*>(shots[i]);
      EXPECT_EQ(shot->m_nId, firstId + static_cast<int>(i));
      EXPECT_EQ(shot->m_pShooter, &shooter_);
      EXPECT_EQ(shot->m_pTarget, targets ? &target_ : nullptr);
      EXPECT_TRUE(HasShotLink(shooter_.m_vecShotLink, SHOTLINK{shot, 4}));
      EXPECT_EQ(HasShotLink(target_.m_vecShotLink, SHOTLINK{shot, 0}), targets ? 1 : 0);
    }
    EXPECT_EQ(shooter_.m_vecShotLink.size(), 2u);
    EXPECT_EQ(target_.m_vecShotLink.size(), targets ? 2u : 0u);
    // In the list of the shooter's faction.
    EXPECT_EQ(Scene().m_vecTeamShot[1].size(), 2u);
  }
}

TEST_F(FirePatternTest, SummonsPlaceTemplatesThroughTheStage) {
  cCharaData computer;
  computer.m_byControl = kCharaControlComputer;
  computer.m_byFaction = 3;
  cCharaData big = computer;
  big.m_cSize = 2;
  cCharaData player = computer;
  player.m_byControl = kCharaControlPlayer;
  g_CommonPalette.m_vecChara = {cCharaData(), computer, player, big};
  g_Stage.m_vecPaletteChara = {cCharaData(), big};
  MakeChara(shooter_, 7, 1, 1000, 600, 1);
  shooter_.m_Data.m_byFaction = 5;

  struct Case {
    const char* what;
    int palette, templ, factionSource, opposite;
    int made, size, faction, facing;
  };
  const Case cases[] = {
      {"the template's faction", 0, 1, 0, 0, 3, 32, 3, 1},
      {"the summoner's faction, facing away", 0, 1, 1, 1, 3, 32, 5, 0},
      {"the settings' faction", 0, 1, 2, 0, 3, 32, 6, 1},
      {"a larger template", 0, 3, 0, 0, 3, 64, 3, 1},
      {"the stage palette", 1, 1, 0, 0, 3, 64, 3, 1},
      {"a player template summons nothing", 0, 2, 0, 0, 0, 32, 0, 0},
      {"past the palette", 0, 4, 0, 0, 0, 32, 0, 0},
      {"a negative template", 0, -1, 0, 0, 0, 32, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ClearCharas();
    Scene().m_nCharaId = 20;
    cEdShot s = Settings(kFormationStraightB, 3, 0);
    s.m_byPalette = static_cast<BYTE>(k.palette);
    s.m_nTemplate = static_cast<int16_t>(k.templ);
    s.m_byFactionSource = static_cast<BYTE>(k.factionSource);
    s.m_byFaction = 6;
    s.m_bFaceOpposite = static_cast<BYTE>(k.opposite);
    Command c(14);
    FireCharaPattern(&shooter_, &c.state, s);
    ASSERT_EQ(static_cast<int>(g_lstChara.size()), k.made);
    EXPECT_EQ(Scene().m_nCharaId, 20 + k.made);
    int i = 0;
    for (cChara& chara : g_lstChara) {
      // A column on the foot line in front of the shooter, stacked upward.
      EXPECT_DOUBLE_EQ(chara.m_dX - chara.m_nImgOffX, 1032);
      EXPECT_DOUBLE_EQ(chara.m_dY - chara.m_nImgOffY, 631 - k.size + 1 - i * k.size);
      EXPECT_EQ(chara.m_Data.m_byFaction, k.faction);
      EXPECT_EQ(chara.m_Data.m_byFacing, k.facing);
      EXPECT_EQ(chara.m_pParent, &shooter_);
      ++i;
    }
  }
  ClearCharas();

  // Items: a burst leaves them all at one place.
  g_CommonPalette.m_vecItem.assign(2, cItemData());
  Scene().m_nItemId = 0;
  {
    cEdShot s = Settings(kFormationBurst, 2, 0);
    s.m_nTemplate = 1;
    Command c(15);
    FireItemPattern(&shooter_, &c.state, s);
    EXPECT_EQ(g_lstItem.size(), 2u);
    EXPECT_EQ(Scene().m_nItemId, 2);
  }

  // Blocks: the cell under the summoned 32 x 32 area changes.
  cBlockData block;
  block.m_sGraphic = 9;
  block.m_byHitKind = kBlockHitSolid;
  g_CommonPalette.m_vecBlock = {cBlockData(), block};
  {
    cEdShot s = Settings(kFormationStraightB, 1, 0);
    s.m_nTemplate = 1;
    Command c(13);
    FireBlockPattern(&shooter_, &c.state, s);
    // The area (1032, 600): its centre lies in cell (1048 >> 5, 616 >> 5).
    EXPECT_EQ(stage_->Cell(1048 >> 5, 616 >> 5).m_sGraphic, 9);
  }
}

TEST_F(FirePatternTest, HostileSettingsFireSafely) {
  AddHero(500, 420);
  struct Case {
    const char* what;
    std::function<void(cEdShot&)> edit;
    int made;
  };
  const Case cases[] = {
      {"no shots in a ring", [](cEdShot& s) { s.m_byFormation = kFormationBurst, s.m_byShots = 0; }, 0},
      {"no shots round the centre", [](cEdShot& s) { s.m_byFormation = kFormationSurround, s.m_byShots = 0; }, 0},
      {"no shots in a fan", [](cEdShot& s) { s.m_byFormation = kFormationFan, s.m_byShots = 0; }, 0},
      {"a formation past the table", [](cEdShot& s) { s.m_byFormation = 6; }, 0},
      {"the last formation number", [](cEdShot& s) { s.m_byFormation = 255; }, 0},
      {"no speed and a range", [](cEdShot& s) { s.m_nSpeed = 0, s.m_bRange = 1, s.m_nRange = 3; }, 2},
      {"a direction past the table", [](cEdShot& s) { s.m_byDirection = 200; }, 2},
      {"a fan in a direction past the table",
       [](cEdShot& s) { s.m_byFormation = kFormationFan, s.m_byDirection = 200; }, 2},
      {"aim at a slot past the links", [](cEdShot& s) { s.m_bAim = 1, s.m_byAimSlot = 9; }, 2},
      {"a centre past the list", [](cEdShot& s) { s.m_byFormation = kFormationSurround, s.m_byCentre = 7; }, 0},
      {"no lightning columns", [](cEdShot& s) { s.m_byFormation = kFormationLightning, s.m_byCentre = 1; }, 0},
      {"negative lightning columns",
       [](cEdShot& s) { s.m_byFormation = kFormationLightning, s.m_byCentre = 1, s.m_anFormation[1] = -5; }, 0},
      {"far too many columns",
       [](cEdShot& s) { s.m_byFormation = kFormationLightning, s.m_byCentre = 1, s.m_anFormation[1] = 32767; }, 100},
      {"extreme angles and spread",
       [](cEdShot& s) {
         s.m_nAngle = -32768, s.m_nSpread = -32768, s.m_nAnglePerClone = 32767, s.m_byClones = 3;
         s.m_bTurnLine = 1;
       },
       8},
      {"extreme distances",
       [](cEdShot& s) {
         s.m_byFormation = kFormationSurround, s.m_byCentre = 2, s.m_anFormation[0] = 32767;
         s.m_nOffsetX = -32768, s.m_nOffsetXPerClone = 32767, s.m_byClones = 1;
       },
       4},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    cEdShot s = Settings(kFormationStraightA, 2, 30);
    k.edit(s);
    EXPECT_EQ(static_cast<int>(FireShots(s).size()), k.made);
  }

  // A size factor of 0 fires 16-pixel shots.
  cEdShot s = Settings(kFormationStraightA, 1, 30);
  s.m_byScale = 0;
  const std::vector<const cShot*> shots = FireShots(s);
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0]->m_nW, 16);

  // Without a running command nothing knows what to make.
  Scene().m_lstShot.clear();
  FireShotPattern(Scene(), &shooter_, nullptr, s);
  cCmdState bare;
  FireShotPattern(Scene(), &shooter_, &bare, s);
  FireShotPattern(Scene(), nullptr, &bare, s);
  EXPECT_TRUE(Scene().m_lstShot.empty());
  // A sword command's pattern makes nothing.
  Command sword(kShotKindSword);
  FireShotPattern(Scene(), &shooter_, &sword.state, s);
  EXPECT_TRUE(Scene().m_lstShot.empty());
}

}  // namespace
