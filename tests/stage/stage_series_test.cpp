// Stage series and extra lives as a player meets them, through the real
// program run headless from the title: challenge and free stages whose
// files are numbered as a series, charas that die for score, and the state
// log of every frame the stage-play screen shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "frontend/title_test_project.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "support/flow_writer.h"
#include "support/headless_runner.h"
#include "support/replay_runs.h"
#include "support/stage_writer.h"

using t4test::StateLogInt;

namespace {

// The title rows of the two ways into a series with finite lives.
constexpr int kTitleChallengeRow = 2;
constexpr int kTitleFreeRow = 3;
// The music slots the report names: the screen a run went back to.
constexpr int kTitleSlot = 0, kChallengeSlot = 2;
// Each extra life holds the game for its notice.
constexpr int kNoticeFrames = 30;

struct Line {
  long frame = -1, play = -1, state = -1, score = -1, lives = -1;
  int heroCol = -1;  // the column the hero stands in
};

std::vector<Line> ReadLog(const std::string& osPath) {
  std::vector<Line> out;
  for (const std::string& l : t4test::ReadLines(osPath)) {
    Line s;
    s.frame = StateLogInt(l, "frame");
    s.play = StateLogInt(l, "play");
    s.state = StateLogInt(l, "state");
    s.score = StateLogInt(l, "score");
    s.lives = StateLogInt(l, "lives");
    const std::string key = "\"hero\":{\"x\":";
    const size_t at = l.find(key);
    // The map has a 320-pixel margin; the hero's box sits inside its cell.
    if (at != std::string::npos) s.heroCol = static_cast<int>((std::strtod(l.c_str() + at + key.size(), nullptr) - 320) / 32);
    out.push_back(s);
  }
  return out;
}

// The stages a run played, in order: each visit begins with the fade-in of
// the stage-play screen (state 0) and runs to its hand-over.
std::vector<std::vector<Line>> StageVisits(const std::vector<Line>& lines) {
  std::vector<std::vector<Line>> visits;
  long previous = -2;
  for (const Line& l : lines) {
    if (l.state == 0 && previous != 0) visits.emplace_back();
    if (!visits.empty()) visits.back().push_back(l);
    previous = l.state;
  }
  return visits;
}

class SeriesProject : public t4test::FrontEndProject {
 protected:
  // A stage of a series: a floor, the hero standing in column `heroCol`, a
  // chara for each of `scores` that dies by its own flow (after 0.3 s,
  // 0.6 s, ...), and one that clears the stage towards the next of the
  // series after 1.2 s. The results are skipped: a clear leads on without
  // input.
  void WriteSeriesStage(const std::string& file, int heroCol, const std::vector<int>& scores = {}) {
    cStageData stage = MakeTestStage(20, 15, "Series");
    for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
    PlaceHero(stage, heroCol, 13);
    stage.m_bSkipResults = 1;
    stage.m_bClearBanner = 0;
    stage.m_bStageBanner = 0;
    stage.m_bStartBanner = 0;
    int tenths = 3, col = 12;
    for (int score : scores) {
      cCharaData& c = PlaceChara(stage, col++, 13);
      c.m_nScore = score;
      cFlow& f = t4test::AddFlow(c, 0);
      t4test::AddWaitTenths(f, tenths);
      t4test::AddStatusSet(f, 0, 1, 0);
      tenths += 3;
    }
    cFlow& clear = t4test::AddFlow(PlaceChara(stage, 18, 13), 0);
    t4test::AddWaitTenths(clear, 12);
    t4test::AddStageClear(clear, 0);
    ASSERT_TRUE(WriteStage(dir / ("data/stg4/" + file), stage));
  }

  // Chooses title row `row`; the challenge list then starts its first
  // stage. The chooser of a free stage is answered by `answers`.
  std::vector<Line> PlayFromTitle(int row, int frames, const std::string& answers = "") {
    std::string input = t4test::TitleChoiceScript(row);
    if (row == kTitleChallengeRow) input += "160 Z\n";
    Run(frames, input, answers, {"--state-log", "state.jsonl"});
    return ReadLog(dir / "state.jsonl");
  }
};

// ---- extra lives ---------------------------------------------------------------

class ExtraLives : public SeriesProject {};

// A challenge series of three stages (lives: 3 to start with, so 2 while
// the first is played) whose charas give 60, then 100 + 50, then 100. The
// run's score is the sum of the cleared stages; at each clear it grows by
// the stage's score, and the lives grow by the score steps it passed: one
// at a time, each with its notice, from the frame play stops. Switched off
// or with unlimited lives nothing changes.
TEST_F(ExtraLives, AtEachClearForTheScoreStepsTheRunPassed) {
  const std::vector<std::vector<int>> scores = {{60}, {100, 50}, {100}};
  constexpr int kStep = 100, kStartLives = 3;
  const struct Case {
    const char* what;
    int extraLife, unlimited;
  } cases[] = {
      {"extra lives on", 1, 0},
      {"extra lives off", 0, 0},
      {"unlimited lives", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditSystem([&c](cSystemData& s) {
      s.m_bExtraLife = c.extraLife;
      s.m_nExtraLifeScore = kStep;
      s.m_vecInfiniteLives.At(1) = c.unlimited;
      s.m_vecStartLives.At(1) = kStartLives;
    });
    for (size_t k = 0; k < scores.size(); ++k)
      WriteSeriesStage("c01-" + std::to_string(k + 1) + ".stg4_778", 1 + 3 * static_cast<int>(k), scores[k]);
    const std::vector<std::vector<Line>> visits = StageVisits(PlayFromTitle(kTitleChallengeRow, 650));
    ASSERT_EQ(visits.size(), scores.size());

    long lives = c.unlimited ? kUnlimitedLives : kStartLives - 1;
    int total = 0;
    for (size_t k = 0; k < visits.size(); ++k) {
      SCOPED_TRACE("stage " + std::to_string(k + 1));
      const std::vector<Line>& v = visits[k];
      int gain = 0;
      for (int s : scores[k]) gain += s;
      const int old = total;
      total += gain;
      const int owed = c.extraLife && !c.unlimited ? total / kStep - old / kStep : 0;

      // The clear: the first line of the results; play stopped on the first
      // line that shows the last play count.
      size_t clear = 0;
      while (clear < v.size() && v[clear].state != 4) ++clear;
      ASSERT_LT(clear, v.size());
      size_t stop = clear;
      while (stop > 0 && v[stop - 1].play == v[clear].play) --stop;
      ASSERT_GT(stop, 0u);
      EXPECT_EQ(v[stop].score, gain);
      EXPECT_EQ(v[stop - 1].play, v[stop].play - 1);
      // Each notice holds the game while the frames go on.
      EXPECT_EQ(clear - stop, static_cast<size_t>(owed * kNoticeFrames));
      for (size_t i = 0; i < v.size(); ++i) {
        long want = lives;
        if (i >= clear)
          want = lives + owed;
        else if (i >= stop)
          want = lives + 1 + static_cast<long>((i - stop) / kNoticeFrames);
        ASSERT_EQ(v[i].lives, want) << "frame " << v[i].frame;
      }
      lives += owed;
    }
  }
}

// ---- series --------------------------------------------------------------------

using Files = std::vector<std::pair<std::string, int>>;  // file, hero column

struct SeriesCase {
  const char* what;
  int titleRow;
  const char* answers;  // the free stage's chooser
  Files files;
  std::vector<int> wantCols;  // the hero's column in each stage played
  int backTo;                 // the music slot of the screen after the last
};

class StageSeries : public SeriesProject {
 protected:
  void Check(const SeriesCase& c) {
    SCOPED_TRACE(c.what);
    // Each case in a fresh folder of stages.
    std::filesystem::remove_all(dir / "data/stg4");
    std::filesystem::create_directories(dir / "data/stg4");
    for (const auto& [file, col] : c.files) WriteSeriesStage(file, col);
    constexpr int kFrames = 520;
    const std::vector<Line> lines = PlayFromTitle(c.titleRow, kFrames, c.answers);
    std::vector<int> cols;
    for (const std::vector<Line>& v : StageVisits(lines)) cols.push_back(v.front().heroCol);
    EXPECT_EQ(cols, c.wantCols);
    // The stage-play screen handed over well before the end, and the
    // program went on to the last frame.
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines.back().frame, kFrames - 30);
    EXPECT_EQ(FramesShown(), static_cast<size_t>(kFrames));
    // The screen it went back to asked for its music a second time (each
    // run begins its report anew).
    EXPECT_EQ(MusicRequests(c.backTo), 2);
    if (c.backTo != kTitleSlot) {
      EXPECT_EQ(MusicRequests(kTitleSlot), 1);
    }
  }
};

// Clearing a stage of a series loads the next number's file: of several
// versions of it the highest-numbered, whatever order they were written in.
// After the last stage the run goes back where it began: the challenge
// list, or the title after a free stage.
TEST_F(StageSeries, AClearLoadsTheNextStageUntilThereIsNoneThenTheRunGoesBack) {
  const SeriesCase cases[] = {
      {"challenge series", kTitleChallengeRow, "",
       {{"c01-1.stg4_778", 1}, {"c01-2.stg4_778", 3}, {"c01-2.stg4_780", 6}, {"c01-2.stg4_779", 4}, {"c01-3.stg4_778", 9}},
       {1, 6, 9}, kChallengeSlot},
      {"free stage without a second", kTitleFreeRow, "solo-1.stg4_778\n", {{"solo-1.stg4_778", 2}}, {2}, kTitleSlot},
  };
  for (const SeriesCase& c : cases) Check(c);
}

// The same series started as a free stage from the title must play the
// same way: its third stage, then the title. (The stage-play screen's
// fade-out starts a free stage again from the file last loaded; after a
// series step that is the second stage, whose name does not end in "-1":
// it is taken as a stage of its own, the run is reset and it is played
// over and over.)
TEST_F(StageSeries, AFreeSeriesGoesOnToItsThirdStageAndThenToTheTitle) {
  Check({"free series", kTitleFreeRow, "ser-1.stg4_778\n",
         {{"ser-1.stg4_778", 1}, {"ser-2.stg4_778", 3}, {"ser-2.stg4_780", 6}, {"ser-2.stg4_779", 4}, {"ser-3.stg4_778", 9}},
         {1, 6, 9}, kTitleSlot});
}

}  // namespace
