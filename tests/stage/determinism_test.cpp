// Whole runs of a busy stage (charas walking by flows that throw dice,
// shots with a random spread, effects, messages) must come out the same
// frame for frame: run twice, run by the sanitizer and the release build,
// and recorded as a replay and watched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "records/stage_data.h"
#include "support/busy_stage.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/replay_runs.h"
#include "support/stage_writer.h"

namespace {

using t4test::PlayLine;

// The hero walks about; the stage does the rest.
constexpr const char* kWalk = "30-90 RIGHT\n120-150 LEFT\n200-320 RIGHT\n400-420 LEFT\n";

class Determinism : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteProject(dir.path()));
    ASSERT_TRUE(t4test::WriteBusyEffect(dir.path()));
    t4test::BusyStageSpec spec;
    spec.width = 40;
    spec.backgrounds = 3;
    spec.walkers = 10;
    spec.flyers = 4;
    spec.shooters = 3;
    spec.shotsPerVolley = 2;
    spec.effectCharas = 2;
    spec.messageCharas = 1;
    cStageData stage = t4test::MakeBusyStage(spec, "Busy");
    // The stage-number banner lasts as long as a replay's banner. Auto-
    // scrolling backgrounds move on every drawn frame, the banner frames
    // before play included, so a watched replay only shows them where the
    // recording did when as many frames come before its play.
    stage.m_bStageBanner = 1;
    ASSERT_TRUE(WriteStage(dir / "data/stg4/Busy.stg4_778", stage));
  }

  // The stage from the command line; the state log and the frame hashes.
  struct Run {
    std::vector<std::string> log, hashes;
  };
  Run Play(const std::string& program, const std::string& tag, int frames) {
    EXPECT_TRUE(t4test::WriteFile(dir / "walk.txt", kWalk));
    const t4test::RunResult r = t4test::RunProgram(
        program,
        {"--headless", "--frames", std::to_string(frames), "--input", "walk.txt", "--state-log", tag + ".jsonl",
         "--frame-hashes", tag + ".txt", "data\\stg4\\Busy.stg4"},
        // A lock of this test's own: players of other tests are no second
        // instance of these.
        dir.path(), std::chrono::seconds(150), {"T4_INSTANCE_LOCK=" + dir / "instance.lock"});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return {t4test::ReadLines(dir / (tag + ".jsonl")), t4test::ReadLines(dir / (tag + ".txt"))};
  }

  // The first line where two runs part, for a readable failure.
  static void ExpectSame(const std::vector<std::string>& a, const std::vector<std::string>& b, const char* what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << what << ", line " << i + 1;
  }

  // The stage is as busy as meant: shots fly, dice are thrown, charas move.
  static void ExpectBusy(const std::vector<std::string>& log) {
    long shots = 0;
    bool dice = false;
    for (const std::string& l : log) {
      shots = std::max(shots, t4test::StateLogInt(l, "shots"));
      dice = dice || l.find("\"common\":{}") == std::string::npos;
    }
    EXPECT_GE(shots, 4);
    EXPECT_TRUE(dice);
  }

  TempFolder dir;
};

TEST_F(Determinism, TwoRunsOfABusyStageAgreeFrameByFrame) {
  const Run a = Play(t4test::PlayerPath(), "a", 500);
  const Run b = Play(t4test::PlayerPath(), "b", 500);
  ASSERT_EQ(a.log.size(), 500u);
  ExpectBusy(a.log);
  ExpectSame(a.log, b.log, "state log");
  ExpectSame(a.hashes, b.hashes, "frame hashes");
}

// tools/run-tests.sh builds the release player and names it here.
TEST_F(Determinism, TheSanitizerAndReleaseBuildsAgreeFrameByFrame) {
  const char* release = std::getenv("T4_RELEASE_PLAYER");
  if (!release || !*release) GTEST_SKIP() << "T4_RELEASE_PLAYER does not name a release build of the player";
  const Run a = Play(t4test::PlayerPath(), "checked", 500);
  const Run b = Play(release, "release", 500);
  ASSERT_EQ(a.log.size(), 500u);
  ExpectBusy(a.log);
  ExpectSame(a.log, b.log, "state log");
  ExpectSame(a.hashes, b.hashes, "frame hashes");
}

TEST_F(Determinism, ARecordedRunWatchedAsAReplayIsTheSameRun) {
  // From the title: the stage as free play, the walk, F1 at frame 560.
  std::string walk;
  for (const char* p = kWalk; *p;) {
    const char* end = std::strchr(p, '\n');
    const std::string line(p, end);
    const size_t dash = line.find('-'), space = line.find(' ');
    const int from = std::stoi(line.substr(0, dash)) + 150, to = std::stoi(line.substr(dash + 1, space - dash - 1)) + 150;
    walk += std::to_string(from) + "-" + std::to_string(to) + line.substr(space) + "\n";
    p = end + 1;
  }
  auto run = [&](const std::string& tag, int frames, const std::string& input, const std::string& answers) {
    EXPECT_TRUE(t4test::WriteFile(dir / (tag + "-input.txt"), input));
    EXPECT_TRUE(t4test::WriteFile(dir / (tag + "-answers.txt"), answers));
    const t4test::RunResult r = t4test::RunPlayer({"--headless", "--frames", std::to_string(frames), "--input",
                                                   tag + "-input.txt", "--answers", tag + "-answers.txt",
                                                   "--state-log", tag + ".jsonl", "--frame-hashes", tag + ".txt"},
                                                  dir.path(), std::chrono::seconds(150));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return t4test::ReadPlayLines(dir / (tag + ".jsonl"));
  };
  const std::vector<PlayLine> rec =
      run("rec", 580, t4test::TitleFreeStageScript() + walk + "560 F1\n", "Busy.stg4_778\n\n");
  const std::vector<long> recFrames = t4test::FirstAttemptPlayFrames(rec);
  ASSERT_GT(recFrames.size(), 300u);
  ASSERT_EQ(recFrames.back(), 559);
  ExpectBusy(t4test::ReadLines(dir / "rec.jsonl"));

  const std::vector<PlayLine> play =
      run("play", 200 + static_cast<int>(recFrames.size()) + 60, t4test::TitleReplayScript(), "Busy_00.rpl4_778\n");
  const std::vector<long> playFrames = t4test::FirstAttemptPlayFrames(play);
  ASSERT_EQ(playFrames.size(), recFrames.size());
  const std::vector<std::string> recHashes = t4test::ReadFrameHashes(dir / "rec.txt");
  const std::vector<std::string> playHashes = t4test::ReadFrameHashes(dir / "play.txt");
  for (size_t i = 0; i < recFrames.size(); ++i) {
    const PlayLine& r = rec[static_cast<size_t>(recFrames[i] - rec.front().frame)];
    const PlayLine& p = play[static_cast<size_t>(playFrames[i] - play.front().frame)];
    ASSERT_EQ(p.rest, r.rest) << "play frame " << i + 1;
    ASSERT_EQ(playHashes[static_cast<size_t>(playFrames[i])], recHashes[static_cast<size_t>(recFrames[i])])
        << "play frame " << i + 1;
  }
}

}  // namespace
