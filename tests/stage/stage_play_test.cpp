// Stage play as a player meets it, through the real program run headless on
// stages written by the test project writer: the banners, the pause menu,
// the time limit and the state log.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "records/stage_data.h"
#include "flow/ed_move.h"
#include "support/flow_writer.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

using t4test::ReadFile;
using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::TempFolder;

namespace {

// One line of the state log, the fields the tests read.
struct StateLine {
  long frame = -1, play = -1, state = -1, time = -1, lives = -1, score = -1;
  bool hero = false;
  std::string heroText;  // the hero object as written
  double x = 0, y = 0;
  std::string rest;  // everything after "frame": a run's state without its frame number
};

long IntField(const std::string& line, const char* name) {
  const std::regex re(std::string("\"") + name + "\":(-?[0-9]+)");
  std::smatch m;
  return std::regex_search(line, m, re) ? std::stol(m[1]) : -1;
}

StateLine Parse(const std::string& line) {
  StateLine s;
  s.frame = IntField(line, "frame");
  s.play = IntField(line, "play");
  s.state = IntField(line, "state");
  s.time = IntField(line, "time");
  s.lives = IntField(line, "lives");
  s.score = IntField(line, "score");
  const std::regex hero("\"hero\":(\\{[^}]*\\})");
  std::smatch m;
  if (std::regex_search(line, m, hero)) {
    s.hero = true;
    s.heroText = m[1];
    s.x = std::strtod(s.heroText.c_str() + s.heroText.find("\"x\":") + 4, nullptr);
    s.y = std::strtod(s.heroText.c_str() + s.heroText.find("\"y\":") + 4, nullptr);
  }
  const size_t comma = line.find(',');
  s.rest = comma == std::string::npos ? line : line.substr(comma);
  return s;
}

class StagePlay : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir.path())); }

  // A 20 x 15 stage with a floor along row 14 and the hero at (1, 13).
  static cStageData FloorStage() {
    cStageData stage = MakeTestStage(20, 15, "Stage1");
    for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
    PlaceHero(stage, 1, 13);
    return stage;
  }
  void Write(cStageData& stage) { ASSERT_TRUE(WriteStage(dir / "data/stg4/Stage1.stg4_778", stage)); }

  // Runs the stage given on the command line for `frames` frames with the
  // input script `input` (may be empty); the state log's lines.
  std::vector<StateLine> Play(int frames, const std::string& input, bool testPlay, const char* log = "state.jsonl") {
    std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--state-log", log,
                                     "--frame-hashes", "hashes.txt"};
    if (testPlay) args.push_back("--test-play");
    if (!input.empty()) {
      EXPECT_TRUE(t4test::WriteFile(dir / "input.txt", input));
      args.push_back("--input");
      args.push_back("input.txt");
    }
    args.push_back("data\\stg4\\Stage1.stg4");
    result = RunPlayer(args, dir.path(), std::chrono::seconds(120));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<StateLine> lines;
    for (const std::string& l : ReadLines(dir / log)) lines.push_back(Parse(l));
    return lines;
  }

  static int FirstFrameIn(const std::vector<StateLine>& lines, int state) {
    for (const StateLine& l : lines)
      if (l.state == state) return static_cast<int>(l.frame);
    return -1;
  }
  static int FramesIn(const std::vector<StateLine>& lines, int state) {
    int n = 0;
    for (const StateLine& l : lines) n += l.state == state ? 1 : 0;
    return n;
  }

  TempFolder dir;
  t4test::RunResult result;
};

TEST_F(StagePlay, ATestPlayGoesStraightToPlayAndTheHeroStandsOnTheFloor) {
  cStageData stage = FloorStage();
  Write(stage);
  const std::vector<StateLine> lines = Play(150, "", true);
  // One line per presented frame, numbered as the frame hashes number them.
  ASSERT_EQ(lines.size(), 150u);
  ASSERT_EQ(ReadLines(dir / "hashes.txt").size(), 150u);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].frame, static_cast<long>(i + 1));
  // Fade-in, one frame of the ready state without banners, then play (a
  // line shows the state its frame ended in: the first play frame is the
  // one after).
  const int play = FirstFrameIn(lines, 2);
  ASSERT_GT(play, 0);
  EXPECT_EQ(FramesIn(lines, 1), 1);
  EXPECT_EQ(lines.back().play, 150 - play);
  // The hero's box stands on row 14 (map row 24): its screen row never
  // changes, whatever the sub-steps do inside the pixel.
  for (const StateLine& l : lines) {
    ASSERT_TRUE(l.hero);
    if (l.state != 2) continue;
    EXPECT_GE(l.y, 744.0) << l.frame;
    EXPECT_LT(l.y, 745.0) << l.frame;
  }
  // A command-line stage: unlimited lives, no time limit.
  EXPECT_EQ(lines.back().lives, 999999);
  EXPECT_EQ(lines.back().time, 999);
}

TEST_F(StagePlay, FreePlayShowsTheStartBannerForItsFrames) {
  cStageData stage = FloorStage();
  stage.m_bStageBanner = 1;
  stage.m_bStartBanner = 1;
  Write(stage);
  const std::vector<StateLine> lines = Play(260, "", false);
  // The stage-number banner and then the start banner, each seen for 79
  // frames, and the frame that moves on to play.
  EXPECT_EQ(FramesIn(lines, 1), 79 + 79 + 1);
  EXPECT_EQ(FirstFrameIn(lines, 2), FirstFrameIn(lines, 1) + 159);
}

TEST_F(StagePlay, PauseAndContinueCarryOnFromTheSameState) {
  cStageData stage = FloorStage();
  stage.m_bTimeLimit = 1;
  stage.m_nTimeLimit = 100;
  Write(stage);
  const std::vector<StateLine> plain = Play(200, "", true, "plain.jsonl");
  // Space opens the pause menu; X (cancel) closes it again.
  const std::vector<StateLine> paused = Play(200, "60 SPACE\n80 X\n", true, "paused.jsonl");
  // The key held in frame 60 is read by the step that makes frame 60.
  const int pauseAt = FirstFrameIn(paused, 3);
  ASSERT_EQ(pauseAt, 60);
  const int pausedFrames = FramesIn(paused, 3);
  EXPECT_GE(pausedFrames, 19);
  // The play state after the pause is the play state the plain run had at
  // the same play frame: the menu's frames (and the frame that closes it)
  // only shift it.
  std::map<long, std::string> plainByPlay;
  for (const StateLine& q : plain)
    if (q.state == 2) plainByPlay[q.play] = q.rest;
  int compared = 0;
  for (const StateLine& p : paused) {
    if (p.frame <= pauseAt + pausedFrames || p.state != 2) continue;
    auto it = plainByPlay.find(p.play);
    if (it == plainByPlay.end()) continue;
    EXPECT_EQ(p.rest, it->second) << "frame " << p.frame;
    ++compared;
  }
  EXPECT_GT(compared, 80);
  EXPECT_EQ(paused.back().play, plain.back().play - pausedFrames - 1);
}

TEST_F(StagePlay, TheTimeLimitRunsOutTheHeroDiesAndTheStageStartsAgain) {
  cStageData stage = FloorStage();
  stage.m_bTimeLimit = 1;
  stage.m_nTimeLimit = 2;
  Write(stage);
  const std::vector<StateLine> lines = Play(400, "", true);
  const int play = FirstFrameIn(lines, 2);
  ASSERT_GT(play, 0);
  const StateLine& start = lines[static_cast<size_t>(play - 1)];
  EXPECT_EQ(start.time, 2);
  // One second of play frames later 1, two seconds later 0.
  EXPECT_EQ(lines[static_cast<size_t>(play - 1 + 60)].time, 1);
  EXPECT_EQ(lines[static_cast<size_t>(play - 1 + 120)].time, 0);
  // After the death the stage is set up again: the ready state, the full
  // time, and the hero back at its start; the lives of a command-line
  // stage never change.
  bool restarted = false;
  for (size_t i = static_cast<size_t>(play - 1 + 120); i < lines.size(); ++i) {
    if (lines[i].state == 1) {
      restarted = true;
      EXPECT_EQ(lines[i].time, 2);
      EXPECT_EQ(lines[i].heroText, start.heroText);
      break;
    }
  }
  EXPECT_TRUE(restarted);
  for (const StateLine& l : lines) EXPECT_EQ(l.lives, 999999);
}

TEST_F(StagePlay, EscapeDuringPlayClosesInOrder) {
  cStageData stage = FloorStage();
  Write(stage);
  const std::vector<StateLine> lines = Play(1000, "50 ESC\n", true);
  // The key reaches the window, which asks the game thread to stop: frames
  // go on being made until it does, more of them on a busy machine.
  EXPECT_GE(lines.size(), 50u);
  EXPECT_LT(lines.size(), 300u) << lines.size();
  EXPECT_EQ(result.exitCode, 0);
}

TEST_F(StagePlay, TwoRunsWriteTheSameStateLogAndFrames) {
  cStageData stage = FloorStage();
  stage.m_bTimeLimit = 1;
  stage.m_nTimeLimit = 3;
  Write(stage);
  Play(300, "100-140 Z\n", true, "a.jsonl");
  const std::string hashesA = ReadFile(dir / "hashes.txt");
  Play(300, "100-140 Z\n", true, "b.jsonl");
  EXPECT_EQ(ReadFile(dir / "a.jsonl"), ReadFile(dir / "b.jsonl"));
  EXPECT_EQ(hashesA, ReadFile(dir / "hashes.txt"));
}

TEST_F(StagePlay, TheStatusCommandMakesTheHeroFlyAndWalkAgain) {
  // The hero starts in the air above the floor. Its before-stage flow gives
  // it flight; another flow gives it walking again after 2 seconds.
  cStageData stage = MakeTestStage(20, 15, "Stage1");
  for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
  cCharaData& hero = PlaceHero(stage, 1, 5);
  cFlowCmd& fly = t4test::AddCommand(t4test::AddFlow(hero, 21), 23);
  fly.m_bParallel = 1;
  fly.m_vecParam = {0, 3, 1};  // the hero itself, flight, on
  cFlow& land = t4test::AddFlow(hero, 0);
  t4test::AddWaitTenths(land, 20);
  t4test::AddCommand(land, 23).m_vecParam = {0, 3, 0};
  Write(stage);
  const std::vector<StateLine> lines = Play(300, "", true);
  const int play = FirstFrameIn(lines, 2);
  ASSERT_GT(play, 0);
  ASSERT_GT(lines.size(), static_cast<size_t>(play + 200));
  // No key held: the flying hero stays where it was put for 60 frames and
  // more.
  const double hover = lines[static_cast<size_t>(play - 1)].y;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(lines[static_cast<size_t>(play - 1 + i)].y, hover) << "play frame " << i;
  EXPECT_LT(hover, 744.0 - 32 * 6);
  // Walking again it falls onto the floor of row 14.
  const StateLine& end = lines.back();
  EXPECT_GE(end.y, 744.0);
  EXPECT_LT(end.y, 745.0);
}

TEST_F(StagePlay, ALongLoopExpandsAndPlaysAndAHostileOneIsRefused) {
  // The hero's flow: a loop over two commands that count in common
  // variables 1 and 2, one command a sub-step.
  struct Case {
    const char* what;
    int times;
    bool plays;
  } cases[] = {
      {"50,000 x 2", 50000, true},
      {"2,000,000 x 2, far beyond any memory a flow needs", 2000000, false},
  };
  for (const Case& c : cases) {
    cStageData stage = FloorStage();
    cFlow& flow = t4test::AddFlow(stage.m_vecChara.back(), 0);
    t4test::AddCommand(flow, 39).m_vecParam = {c.times, 2};
    t4test::AddCommand(flow, 37).m_strText = "C1 = C1 + 1";
    t4test::AddCommand(flow, 37).m_strText = "C2 = C2 + 1";
    Write(stage);
    std::filesystem::remove(std::string(dir / "Report_Game.txt"));
    const std::string memory = t4test::U8(u8"メモリ不足により、ステージの初期設定に失敗しました！");
    if (c.plays) {
      const std::vector<StateLine> lines = Play(120, "", true);
      ASSERT_EQ(lines.size(), 120u) << c.what;
      const std::string& last = lines.back().rest;
      const long c1 = IntField(last, "1"), c2 = IntField(last, "2");
      EXPECT_GT(c1, 30) << c.what << last;
      EXPECT_TRUE(c1 - c2 == 0 || c1 - c2 == 1) << c.what << last;
      EXPECT_EQ(ReadFile(dir / "Report_Game.txt").find(memory), std::string::npos) << c.what;
    } else {
      result = RunPlayer({"--headless", "--frames", "120", "--test-play", "data\\stg4\\Stage1.stg4"}, dir.path(),
                         std::chrono::seconds(120));
      EXPECT_FALSE(result.timedOut) << c.what;
      EXPECT_NE(ReadFile(dir / "Report_Game.txt").find(memory), std::string::npos) << c.what;
    }
  }
}

}  // namespace

// The hero walks by its own flow: a key trigger on the right key starts a
// straight move to the right (2 pixels a frame, for a tenth of a second)
// on every frame the key is held. Positions are compared by the pixel
// they fall in: gravity keeps pulling a standing hero a fraction into the
// floor and the floor pushes it back.
TEST_F(StagePlay, TheHeroWalksWhileItsKeyIsHeldAndAWallStopsIt) {
  cStageData stage = FloorStage();
  cCharaData& hero = stage.m_vecChara.back();
  cFlow& walk = t4test::AddFlow(hero, 0, {t4test::KeyHeld({t4test::kKeyRight})});
  t4test::AddStraightMove(walk, kMoveDirRight, 20, 1);
  // A wall two cells high at column 8, on the floor.
  PlaceBlock(stage, 8, 13);
  PlaceBlock(stage, 8, 12);
  Write(stage);
  const std::vector<StateLine> lines = Play(260, "40-70 RIGHT\n150-250 RIGHT\n", true);
  ASSERT_EQ(lines.size(), 260u);
  ASSERT_TRUE(lines[0].hero);
  auto px = [&](int frame) { return static_cast<long>(lines[static_cast<size_t>(frame - 1)].x); };
  auto py = [&](int frame) { return static_cast<long>(lines[static_cast<size_t>(frame - 1)].y); };
  const long startX = px(1), floorY = py(1);
  // Standing still until the key (read by the step that makes frame 40).
  for (int f = 2; f < 40; ++f) EXPECT_EQ(px(f), startX) << "frame " << f;
  // Held: 2 pixels further right on every frame, on the floor.
  for (int f = 40; f <= 70; ++f) {
    EXPECT_EQ(px(f), px(f - 1) + 2) << "frame " << f;
    EXPECT_EQ(py(f), floorY) << "frame " << f;
  }
  // Let go: the move started last runs out its tenth of a second, then the
  // hero stands where it is.
  const long stopped = px(80);
  EXPECT_LE(stopped, px(70) + 2 * 6);
  for (int f = 81; f < 150; ++f) EXPECT_EQ(px(f), stopped) << "frame " << f;
  // Held again for 100 frames, it ends against the wall: its box stops at
  // the wall's left edge (column 8; the map has a 320-pixel margin) and it
  // stays there while the key is still held.
  const long wallLeft = 320 + 8 * 32;
  const long atWall = px(250);
  EXPECT_LT(atWall, wallLeft);
  EXPECT_GT(atWall, wallLeft - 32);
  EXPECT_GT(atWall, stopped + 100);
  for (int f = 220; f <= 260; ++f) {
    EXPECT_EQ(px(f), atWall) << "frame " << f;
    EXPECT_EQ(py(f), floorY) << "frame " << f;
  }
}

// A chara whose flow runs the stage-clear command at once: the stage is
// cleared and the results state follows play.
TEST_F(StagePlay, TheStageClearCommandEndsPlayWithTheResults) {
  cStageData stage = FloorStage();
  cCharaData& goal = PlaceChara(stage, 5, 13);
  cFlow& clear = t4test::AddFlow(goal, 0);
  t4test::AddStageClear(clear, 3);
  Write(stage);
  const std::vector<StateLine> lines = Play(200, "", true);
  const int play = FirstFrameIn(lines, 2);
  const int cleared = FirstFrameIn(lines, 4);
  ASSERT_GT(play, 0);
  ASSERT_GT(cleared, play);
  // The command runs in the first play frames; no death, no retry query.
  EXPECT_LT(cleared, play + 10);
  EXPECT_EQ(FirstFrameIn(lines, 5), -1);
  for (const StateLine& l : lines) {
    if (l.frame > cleared) {
      EXPECT_NE(l.state, 2) << "frame " << l.frame;
    }
  }
}

// Play does not depend on how it is drawn: the same walk in each of the five
// drawing modes writes the same state log, and in each the picture follows
// the hero.
TEST_F(StagePlay, EveryDrawingModePlaysTheSameAndShowsTheWalk) {
  cStageData stage = FloorStage();
  cFlow& walk = t4test::AddFlow(stage.m_vecChara.back(), 0, {t4test::KeyHeld({t4test::kKeyRight})});
  t4test::AddStraightMove(walk, kMoveDirRight, 20, 1);
  Write(stage);
  const struct {
    const char* mode;
    const char* ini;
  } modes[] = {
      {"Direct3D 32-bit", "Direct3D=1\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n"},
      {"Direct3D 16-bit", "Direct3D=1\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n"},
      {"DirectDraw 32-bit", "Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n"},
      {"DirectDraw 16-bit", "Direct3D=0\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n"},
      {"DirectDraw 8-bit", "Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n"},
  };
  std::string firstLog;
  for (const auto& m : modes) {
    ASSERT_TRUE(t4test::WriteFile(dir / "System.ini", m.ini));
    const std::vector<StateLine> lines = Play(90, "40-80 RIGHT\n", true);
    ASSERT_EQ(lines.size(), 90u) << m.mode;
    const std::string log = ReadFile(dir / "state.jsonl");
    if (firstLog.empty()) firstLog = log;
    EXPECT_EQ(log, firstLog) << m.mode;
    // Lines of "frame hash": the hashes alone.
    std::vector<std::string> hashes;
    for (const std::string& l : ReadLines(dir / "hashes.txt")) hashes.push_back(l.substr(l.find(' ') + 1));
    ASSERT_EQ(hashes.size(), 90u) << m.mode;
    // Standing: the same picture; walking: a new one every frame.
    EXPECT_EQ(hashes[30], hashes[35]) << m.mode;
    for (int f = 50; f < 60; ++f) EXPECT_NE(hashes[static_cast<size_t>(f)], hashes[static_cast<size_t>(f - 1)]) << m.mode << " frame " << f + 1;
  }
}

// A game wait holds play in a frame loop of its own; closing the game
// then (the frame limit, or Escape) still closes it in order and at once.
TEST_F(StagePlay, ACloseDuringAGameWaitEndsTheGameInOrder) {
  cStageData stage = FloorStage();
  cCharaData& waiter = PlaceChara(stage, 5, 13);
  t4test::AddGameWait(t4test::AddFlow(waiter, 0), 6000);
  Write(stage);
  for (const char* input : {"", "60 ESC\n"}) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<StateLine> lines = Play(100, input, true);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.exitCode, 0) << input;
    ASSERT_FALSE(lines.empty());
    // The wait began: play stands still from then on.
    EXPECT_EQ(lines.back().play, lines[lines.size() - 10].play) << input;
    // Not the ten minutes of the wait (and well within the runner's limit).
    EXPECT_LT(took, std::chrono::seconds(60)) << input;
  }
}
