// How far a shot reaches, in the real program run headless: the hero fires
// once along a row of charas standing at growing distances, and the state
// log shows in which frame each loses life. A shot's angle is added to its
// direction's angle, so "straight ahead" is the facing direction with no
// angle; an angle of 270 mirrored for a shooter facing right turns either
// facing a quarter down, and that shot reaches only a chara touching its
// shooter. The demo game's hero shot must clear its stage from afar.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "records/stage_data.h"
#include "support/flow_writer.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace fs = std::filesystem;
using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::RunProgram;
using t4test::TempFolder;

namespace {

// The map keeps a margin of 10 cells around the stage.
constexpr int kMargin = 10;
constexpr int kHeroCell = 2;
constexpr int kSpeedTenths = 60, kRangeHalfBlocks = 40;
constexpr int kTargetLife = 3;

// Cells ahead of the hero's: touching it, then about 40, 100 and 300
// pixels between the hero's image and the target's.
const int kAhead[] = {1, 2, 4, 10};

struct LogLine {
  long frame = -1, shots = -1, score = -1;
  double heroX = 0;
  std::vector<long> lives;  // the charas' lives in list order
};

LogLine ParseLine(const std::string& line) {
  LogLine l;
  auto intField = [&](const char* name) {
    const std::regex re(std::string("\"") + name + "\":(-?[0-9]+)");
    std::smatch m;
    return std::regex_search(line, m, re) ? std::stol(m[1]) : -1L;
  };
  l.frame = intField("frame");
  l.shots = intField("shots");
  l.score = intField("score");
  const size_t hero = line.find("\"hero\":{\"x\":");
  if (hero != std::string::npos) l.heroX = std::strtod(line.c_str() + hero + 12, nullptr);
  const size_t from = line.find("\"charas\":[");
  const size_t to = line.find("\"items\":");
  if (from == std::string::npos || to == std::string::npos) return l;
  const std::string list = line.substr(from, to - from);
  const std::regex life("\"life\":(-?[0-9]+)");
  for (auto it = std::sregex_iterator(list.begin(), list.end(), life); it != std::sregex_iterator(); ++it)
    l.lives.push_back(std::stol((*it)[1]));
  return l;
}

std::vector<LogLine> ReadLog(const std::string& path) {
  std::vector<LogLine> out;
  for (const std::string& l : ReadLines(path)) out.push_back(ParseLine(l));
  return out;
}

class ShotReach : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir.path())); }

  // The hero at cell 2 facing right fires one piercing shot of angle
  // `angle` on the press of button 2; a target of the other faction stands
  // on the floor at each distance of kAhead. The state log of the run.
  std::vector<LogLine> FireOnce(int angle, cStageData& stage) {
    stage = MakeTestStage(40, 15, "Stage1");
    for (int x = 0; x < 40; ++x) PlaceBlock(stage, x, 14);
    cCharaData& hero = PlaceHero(stage, kHeroCell, 13);
    hero.m_byFacing = 1;
    hero.m_byFaction = 0;
    hero.m_nMaxHp = 10;
    cFlow& fire = t4test::AddFlow(hero, 0, {t4test::KeyHeld({t4test::kKeyButton2})});
    cEdShot& shot = *t4test::AddShotAhead(fire, 1, kSpeedTenths, kRangeHalfBlocks, 1).m_pEdShot;
    shot.m_nAngle = static_cast<int16_t>(angle);
    shot.m_bPierce = 1;
    t4test::AddWaitTenths(fire, 2);
    for (int k : kAhead) {
      cCharaData& target = PlaceChara(stage, kHeroCell + k, 13, 2);
      target.m_byFaction = 1;
      target.m_nMaxHp = kTargetLife;
    }
    EXPECT_TRUE(WriteStage(dir / "data/stg4/Stage1.stg4_778", stage));
    EXPECT_TRUE(t4test::WriteFile(dir / "input.txt", "15 X\n"));
    auto r = RunPlayer({"--headless", "--frames", "140", "--state-log", "state.jsonl", "--input", "input.txt",
                        "--test-play", "data\\stg4\\Stage1.stg4"},
                       dir.path(), std::chrono::seconds(120));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return ReadLog(dir / "state.jsonl");
  }

  // The first frame with a shot on the stage, or -1.
  static long FireFrame(const std::vector<LogLine>& log) {
    for (const LogLine& l : log)
      if (l.shots > 0) return l.frame;
    return -1;
  }
  // The first frame in which target i has lost life, or -1.
  static long HitFrame(const std::vector<LogLine>& log, size_t i) {
    for (const LogLine& l : log)
      if (i < l.lives.size() && l.lives[i] < kTargetLife) return l.frame;
    return -1;
  }

  TempFolder dir;
};

// Fired ahead, the shot flies along the row at 6 pixels a frame from the
// firing frame on and hurts each target (once: it pierces) in the frame its
// hit box first meets the target's, near or far, then ends after its flight
// distance.
TEST_F(ShotReach, AShotAheadHitsTargetsAtEveryDistanceWithinItsRange) {
  cStageData stage;
  const std::vector<LogLine> log = FireOnce(0, stage);
  ASSERT_GT(log.size(), 100u);
  const long fired = FireFrame(log);
  ASSERT_GT(fired, 0);
  ASSERT_EQ(log.front().lives.size(), std::size(kAhead));

  // The shot starts just right of the hero's image, its hit box centred in
  // its 16 pixels; a target's shot box is centred in its 32-pixel image.
  const int heroImageRight = (kMargin + kHeroCell) * 32 + 31;
  const int shotW = stage.m_nHeroBulletW;
  const int shotRight = heroImageRight + 1 + (8 - shotW / 2) + shotW - 1;
  const int perFrame = kSpeedTenths / 10;
  for (size_t i = 0; i < std::size(kAhead); ++i) {
    const int targetLeft = (kMargin + kHeroCell + kAhead[i]) * 32 + 16 - stage.m_nCharaShotW / 2;
    const int gap = targetLeft - shotRight;
    const long expected = gap <= 0 ? fired : fired + (gap + perFrame - 1) / perFrame - 1;
    EXPECT_EQ(HitFrame(log, i), expected) << kAhead[i] << " cells ahead";
    EXPECT_EQ(log.back().lives[i], kTargetLife - 1) << kAhead[i] << " cells ahead";
  }

  // The flight would last 40 half blocks less the shot's 16 pixels at 6 a
  // frame, but the shot leaves play sooner: in the first frame that starts
  // with it off the screen (the view spans 320 to 960) beyond the hero-shot
  // range (margin 0), ceil((960 - x) / 6) frames after it left the hero at
  // x = its image left, just right of the hero's image.
  const long flight = (kRangeHalfBlocks * 16 - 16) / perFrame;
  const int viewRight = kMargin * 32 + 640;  // the view stays at the stage's left
  const long onScreen = (viewRight - (heroImageRight + 1) + perFrame - 1) / perFrame;
  ASSERT_LT(onScreen, flight);
  for (const LogLine& l : log) {
    if (l.frame >= fired) {
      EXPECT_EQ(l.shots, l.frame < fired + onScreen ? 1 : 0) << "frame " << l.frame;
    }
  }
}

// The angle 270 mirrored (90 facing right) is added to the facing
// direction's 180: the shot drops straight down beside the hero, and only
// the target touching the hero is hit.
TEST_F(ShotReach, AQuarterTurnedShotDropsBesideItsShooterAndReachesOnlyATouchingTarget) {
  cStageData stage;
  const std::vector<LogLine> log = FireOnce(270, stage);
  ASSERT_GT(log.size(), 100u);
  const long fired = FireFrame(log);
  ASSERT_GT(fired, 0);
  ASSERT_EQ(log.back().lives.size(), std::size(kAhead));
  EXPECT_EQ(HitFrame(log, 0), fired);
  for (size_t i = 1; i < std::size(kAhead); ++i) EXPECT_EQ(HitFrame(log, i), -1) << kAhead[i] << " cells ahead";
}

std::string MakerPath() { return (fs::path(T4_PLAYER_PATH).parent_path() / "tarvamo4-mkproject").string(); }

// The demo's first stage played standing still with button 2 held: the
// hero's shots reach the first walker 17 cells ahead and it dies (its 100
// points) while the hero has not moved.
TEST(DemoGameShots, TheHeroShootsTheFirstWalkerFromItsStartingPlace) {
  ASSERT_TRUE(fs::exists(MakerPath()));
  TempFolder dir;
  const std::string project = dir / "demo";
  auto made = RunProgram(MakerPath(), {project}, dir.path());
  ASSERT_EQ(made.exitCode, 0) << made.err;
  ASSERT_TRUE(t4test::WriteFile(project + "/input.txt", "1-200 X\n"));
  auto r = RunProgram(t4test::PlayerPath(),
                      {"--headless", "--frames", "200", "--input", "input.txt", "--state-log", "state.jsonl",
                       "--test-play", "--project", project, "data\\stg4\\Stage1.stg4"},
                      project, std::chrono::seconds(120), {"T4_INSTANCE_LOCK=" + dir / "player.lock"});
  ASSERT_FALSE(r.timedOut);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<LogLine> log = ReadLog(project + "/state.jsonl");
  ASSERT_EQ(log.size(), 200u);
  // The two walkers are the charas of life 1 (the sign has 10).
  auto walkers = [](const LogLine& l) {
    int n = 0;
    for (long life : l.lives) n += life == 1 ? 1 : 0;
    return n;
  };
  ASSERT_EQ(walkers(log.front()), 2);
  EXPECT_EQ(walkers(log.back()), 1);
  EXPECT_EQ(log.back().score, 100);
  EXPECT_EQ(log.back().heroX, log.front().heroX);
}

}  // namespace
