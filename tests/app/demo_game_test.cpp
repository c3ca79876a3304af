// The demo game the project maker writes, played through by an input script
// in the real program run headless: from the title through the world map
// and its three stages to the boss's death, then saved from the world-map
// menu. The same run gives the same frames in a release build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "records/progress_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "support/headless_runner.h"
#include "support/replay_runs.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using t4test::ReadLines;
using t4test::RunProgram;
using t4test::TempFolder;

namespace {

std::string MakerPath() { return (fs::path(T4_PLAYER_PATH).parent_path() / "tarvamo4-mkproject").string(); }

// The whole play-through. Title: new story. Map: three steps east onto
// stage 1, which asks; yes. Each stage is walked east holding button 2
// (shots); stage 1 jumps onto the raised blocks for the coins; stage 3
// stands and shoots the boss. Each result screen is left with button 1;
// between stages the hero walks the road (east, north, east). At the end
// the world-map menu saves into slot 1.
constexpr const char* kScript =
    "15 Z\n"
    "45 RIGHT\n49 RIGHT\n53 RIGHT\n60 UP\n65 Z\n"
    "165-455 RIGHT X\n262-285 RIGHT X Z\n"
    "520 Z\n"
    "600 RIGHT\n606 RIGHT\n612 RIGHT\n618 UP\n624 UP\n632 UP\n638 Z\n"
    "738-1040 RIGHT X\n"
    "1100 Z\n"
    "1180 RIGHT\n1186 RIGHT\n1192 RIGHT\n1198 RIGHT\n1204 RIGHT\n1212 UP\n1218 Z\n"
    "1320-1440 RIGHT X\n1441-1700 X\n"
    "1760 Z\n"
    "1850 X\n1880 Z\n1884 Z\n1888 UP\n1892 Z\n";
constexpr int kFrames = 1920;

class DemoGame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(MakerPath()));
    project_ = dir_ / "demo";
    auto made = RunProgram(MakerPath(), {project_}, dir_.path());
    ASSERT_EQ(made.exitCode, 0) << made.err;
    // No frame-rate overlay: equal pictures give equal hashes. Direct3D
    // without the start-up question.
    ASSERT_TRUE(t4test::WriteFile(project_ + "/System.ini", "Direct3D=1\r\nWindowMode=1\r\nBpp=0\r\nShowFps=0\r\nExit\r\n"));
    ASSERT_TRUE(t4test::WriteFile(project_ + "/input.txt", kScript));
  }

  // Plays the script with `player` in a fresh copy of the project; the
  // copy's folder.
  std::string Play(const std::string& player, const char* name) { return Play(player, name, kScript, kFrames); }

  // The same with another script, the mixer's output in sound.wav; `change`
  // alters the copy first.
  std::string Play(const std::string& player, const char* name, const std::string& script, int frames,
                   const std::function<void(const std::string&)>& change = {}) {
    const std::string copy = dir_ / name;
    std::error_code ec;
    fs::copy(project_, copy, fs::copy_options::recursive, ec);
    EXPECT_FALSE(ec) << ec.message();
    EXPECT_TRUE(t4test::WriteFile(copy + "/input.txt", script));
    if (change) change(copy);
    auto r = RunProgram(player,
                        {"--headless", "--frames", std::to_string(frames), "--input", "input.txt", "--state-log",
                         "state.jsonl", "--frame-hashes", "hashes.txt", "--audio-out", "sound.wav", "--project",
                         copy},
                        copy, std::chrono::seconds(300),
                        // A lock of its own: other players may run beside the test.
                        {"T4_INSTANCE_LOCK=" + dir_ / (std::string(name) + ".lock")});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return copy;
  }

  TempFolder dir_;
  std::string project_;
};

// Stage play sessions: runs of consecutive state-log frames.
std::vector<std::vector<t4test::PlayLine>> Sessions(const std::vector<t4test::PlayLine>& lines) {
  std::vector<std::vector<t4test::PlayLine>> out;
  long last = -2;
  for (const t4test::PlayLine& l : lines) {
    if (l.frame != last + 1) out.emplace_back();
    out.back().push_back(l);
    last = l.frame;
  }
  return out;
}

// The first presented frame (from 1) whose sound differs between two
// --audio-out dumps (a 44-byte header, then 735 stereo 16-bit samples a
// frame); 0 when they agree.
long FirstFrameWhoseSoundDiffers(const std::string& a, const std::string& b) {
  constexpr size_t kHeader = 44, kFrameBytes = 735 * 4;
  const size_t n = std::min(a.size(), b.size());
  for (size_t at = kHeader; at < n; ++at)
    if (a[at] != b[at]) return static_cast<long>((at - kHeader) / kFrameBytes) + 1;
  return 0;
}

// From the title onto stage 1 (as the whole play-through), one shot there.
constexpr const char* kToStage1 = "15 Z\n45 RIGHT\n49 RIGHT\n53 RIGHT\n60 UP\n65 Z\n";
constexpr int kShotFrame = 200;
constexpr int kStage1Frames = 240;

}  // namespace

TEST_F(DemoGame, TheFirstStagePlaysItsTuneAndTheHerosShotSound) {
  const std::string shot = std::to_string(kShotFrame) + " X\n";
  const std::string played = Play(t4test::PlayerPath(), "played", std::string(kToStage1) + shot, kStage1Frames);
  const std::vector<t4test::PlayLine> lines = t4test::ReadPlayLines(played + "/state.jsonl");
  ASSERT_FALSE(lines.empty());
  const long stageStart = lines.front().frame;
  ASSERT_LT(stageStart, kShotFrame);
  const std::string sound = t4test::ReadFile(played + "/sound.wav");
  ASSERT_EQ(sound.size(), 44u + kStage1Frames * 735u * 4u);

  // Without the stage's music file the run sounds the same until the stage
  // starts its tune, after the map's choice (frame 65) and by its first frame.
  const std::string silent = Play(t4test::PlayerPath(), "no-tune", std::string(kToStage1) + shot, kStage1Frames,
                                  [](const std::string& copy) { fs::remove(copy + "/bgm/Stage.mid"); });
  const long tune = FirstFrameWhoseSoundDiffers(sound, t4test::ReadFile(silent + "/sound.wav"));
  EXPECT_GT(tune, 65);
  EXPECT_LE(tune, stageStart);

  // Without the key the run sounds the same until the shot is fired.
  const std::string still = Play(t4test::PlayerPath(), "no-shot", kToStage1, kStage1Frames);
  EXPECT_EQ(FirstFrameWhoseSoundDiffers(sound, t4test::ReadFile(still + "/sound.wav")), kShotFrame);

  // Built-in entries without a picture are no bitmaps that failed; every
  // bitmap line names its file.
  const std::string report = t4test::ReadFile(played + "/Report_Game.txt");
  EXPECT_EQ(report.find("Bitmap  :"), std::string::npos) << report;
}

// What a new player sees first, drawn in Direct3D at 32 bits: the title
// under the game's name with the seven menu words, the world map's island
// in the sea with the hero on stage 1's flag and its question, stage 1 under
// way (sky, hills, bonus blocks, coins, the hero standing, a walker
// mid-step, the status line), and the option screen with its captions on
// the blue window skin. Golden hashes of those frames: any change to the
// demo's pictures or to drawing them shows here.
TEST_F(DemoGame, TitleMapStageAndOptionScreensKeepTheirPictures) {
  struct Screen {
    const char* what;
    int frame;
    uint64_t hash;
  };
  struct Run {
    const char* name;
    std::string script;
    int frames;
    std::vector<Screen> screens;
  } runs[] = {
      {"to-stage-1", kToStage1, 220,
       {{"title", 14, 0x51ffa80ca6a013afull}, {"world map", 58, 0xdf0f42ffa71f776full}, {"stage 1", 220, 0xdc0cb2754769ab1dull}}},
      {"options", "20 DOWN\n24 DOWN\n28 DOWN\n32 DOWN\n36 DOWN\n40 Z\n", 95, {{"option screen", 95, 0xc912f4445a685b64ull}}},
  };
  for (const Run& run : runs) {
    const std::string copy = Play(t4test::PlayerPath(), run.name, run.script, run.frames);
    const std::vector<std::string> hashes = ReadLines(copy + "/hashes.txt");
    ASSERT_EQ(hashes.size(), static_cast<size_t>(run.frames));
    for (const Screen& screen : run.screens) {
      char want[64];
      std::snprintf(want, sizeof want, "%d %016llx", screen.frame, static_cast<unsigned long long>(screen.hash));
      EXPECT_EQ(hashes[static_cast<size_t>(screen.frame - 1)], want) << screen.what;
    }
  }
}

TEST_F(DemoGame, ItsWorldMapJoinsThreeStagesThatAreAlsoTheChallengeList) {
  cSystemData system;
  ASSERT_TRUE(system.LoadFromFile((project_ + "/default/System.dat").c_str()));
  EXPECT_EQ(system.m_nChallengeStages, 3);
  cWorldMapData map;
  ASSERT_TRUE(map.LoadFromFile((project_ + "/default/WorldMap.dat").c_str()));
  ASSERT_EQ(map.m_vecNode.Size(), 3);
  for (int n = 1; n <= 3; ++n) {
    const cWorldStageData& e = map.m_vecNode[static_cast<size_t>(n - 1)].m_vecStage[0];
    EXPECT_EQ(e.m_nClearFlag, n);
    EXPECT_EQ(e.m_strStageFile, "data\\stg4\\Stage" + std::to_string(n) + ".stg4");
    EXPECT_TRUE(fs::is_regular_file(project_ + "/default/stg4/Stage" + std::to_string(n) + ".stg4_778"));
    EXPECT_TRUE(fs::is_regular_file(project_ + "/default/stg4/c0" + std::to_string(n) + "-1.stg4_778"));
  }
}

TEST_F(DemoGame, TheScriptPlaysFromTheTitleToTheBossAndSavesTheClearedWorld) {
  const std::string run = Play(t4test::PlayerPath(), "asan");
  const std::vector<t4test::PlayLine> lines = t4test::ReadPlayLines(run + "/state.jsonl");
  const auto sessions = Sessions(lines);
  // Three stages, each played and each ending in the results (state 4).
  ASSERT_EQ(sessions.size(), 3u);
  for (const auto& s : sessions) {
    bool played = false, cleared = false;
    for (const t4test::PlayLine& l : s) {
      played = played || l.state == 2;
      cleared = cleared || l.state == 4;
    }
    EXPECT_TRUE(played);
    EXPECT_TRUE(cleared);
  }
  // The menu's save holds all three stages cleared. Its position is read
  // against the map it was saved on (a position past the map's edge would
  // be taken as the start).
  const cWorldMapData before = g_WorldMap;
  ASSERT_TRUE(g_WorldMap.LoadFromFile((run + "/data/WorldMap.dat").c_str()));
  cProgressData saved;
  const bool loaded = saved.LoadFromFile((run + "/user_data/story/Story01.dat").c_str());
  g_WorldMap = before;
  ASSERT_TRUE(loaded);
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(saved.m_vecWorldFlag.At(n), 1) << n;
  EXPECT_EQ(saved.m_vecWorldFlag.At(4), 0);
  // Stage 3's point: (14, 5) of the island, which lies 6 columns and 2 rows
  // into the sea.
  EXPECT_EQ(saved.m_nMapX, 20);
  EXPECT_EQ(saved.m_nMapY, 7);
  const std::string report = t4test::ReadFile(run + "/Report_Game.txt");
  EXPECT_EQ(report.find("err V["), std::string::npos) << report;

  const char* release = std::getenv("T4_RELEASE_PLAYER");
  if (!release || !*release) GTEST_SKIP() << "T4_RELEASE_PLAYER does not name a release build of the player";
  const std::string rel = Play(release, "release");
  const std::vector<std::string> a = ReadLines(run + "/hashes.txt"), b = ReadLines(rel + "/hashes.txt");
  ASSERT_EQ(a.size(), static_cast<size_t>(kFrames));
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "frame " << i + 1;
  EXPECT_EQ(ReadLines(run + "/state.jsonl"), ReadLines(rel + "/state.jsonl"));
}
