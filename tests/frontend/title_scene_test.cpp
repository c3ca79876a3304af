// The title menu as a player meets it, through the real program run
// headless: where each item leads, the cursor's wrap, the stage and replay
// choosers, the save list of "continue", and the cursor kept on the item
// chosen last.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "records/progress_data.h"
#include "support/stage_writer.h"
#include "title_test_project.h"

using t4test::ReadLines;
using t4test::U8;

namespace {

class TitleScene : public t4test::FrontEndProject {
 protected:
  // The input script of single-frame key presses: {frame, key}.
  static std::string Presses(std::initializer_list<std::pair<int, const char*>> presses) {
    std::string script;
    for (const auto& [frame, key] : presses) script += std::to_string(frame) + " " + key + "\n";
    return script;
  }
  // The first frame of the state log (stage play), or -1 without one.
  int FirstPlayFrame() const {
    const std::vector<std::string> lines = ReadLines(dir / "state.jsonl");
    if (lines.empty()) return -1;
    std::smatch m;
    return std::regex_search(lines.front(), m, std::regex("\"frame\":([0-9]+)")) ? std::stoi(m[1]) : -1;
  }
};

// The default menu lists all seven items in their order: new story,
// continue, challenge, free stage, replay, options, quit.
TEST_F(TitleScene, EachMenuItemOpensItsScreen) {
  struct Case {
    const char* what;
    int downs;  // presses of down from the first item
    int slot;   // the music slot of the screen it opens
  } cases[] = {
      {"new story: the world map", 0, 1},
      {"challenge: the challenge select", 2, 2},
      {"options", 5, 3},
      {"down past the last item wraps to the first: new story", 7, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string script;
    for (int i = 0; i < c.downs; ++i) script += std::to_string(20 + 4 * i) + " DOWN\n";
    script += "60 Z\n";
    Run(100, script);
    EXPECT_EQ(FramesShown(), 100u);
    EXPECT_EQ(MusicRequests(0), 1) << Report();
    for (int slot = 1; slot < 4; ++slot) EXPECT_EQ(MusicRequests(slot), slot == c.slot ? 1 : 0) << slot << "\n" << Report();
  }
}

TEST_F(TitleScene, ANegativeChallengeStageCountOpensAnEmptyChallengeRun) {
  // A damaged System.dat: the new challenge run gets no stages rather than
  // a list sized by the negative count.
  EditSystem([](cSystemData& s) {
    s.m_nChallengeStages = -1;
    s.m_bChallengeAllOpen = 0;
  });
  Run(100, Presses({{20, "DOWN"}, {24, "DOWN"}, {40, "Z"}}));
  EXPECT_EQ(FramesShown(), 100u);
  EXPECT_EQ(MusicRequests(2), 1) << Report();
}

TEST_F(TitleScene, UpFromTheFirstItemWrapsToQuitWhichClosesTheGame) {
  Run(600, Presses({{20, "UP"}, {30, "Z"}}));
  // The close is asked for on frame 30; the frames already under way when
  // the window takes it are still shown, never the whole run.
  EXPECT_GE(FramesShown(), 30u);
  EXPECT_LT(FramesShown(), 600u);
}

TEST_F(TitleScene, TheStageChooserLeavesTheTitleRunningUntilAStageLoads) {
  ASSERT_TRUE(WriteTestStage(dir / "data/stg4/Stage1.stg4_778", "Stage1"));
  // Its version and end marker, nothing readable between.
  ASSERT_TRUE(dir.MakeFile("data/stg4/Broken.stg4_000",
                           std::string("\x0a\x03\0\0" "not a stage" "\x15\xcd\x5b\x07", 19)));
  // Free play with 3 lives: the title's stage, not a command-line one.
  EditSystem([](cSystemData& s) {
    s.m_vecInfiniteLives.At(2) = 0;
    s.m_vecStartLives.At(2) = 3;
  });
  // Fourth item: the chooser is cancelled, then answered with a stage that
  // fails to load (its error box takes "ok"), then with a good one.
  Run(150, Presses({{20, "DOWN"}, {24, "DOWN"}, {28, "DOWN"}, {40, "Z"}, {50, "Z"}, {60, "Z"}}),
      "cancel\nBroken.stg4_000\nok\nStage1.stg4_778\n", {"--state-log", "state.jsonl"});
  EXPECT_EQ(FramesShown(), 150u);
  const std::string report = Report();
  size_t from = 0;
  for (const char8_t* line : {u8"[ステージファイルの読み込み] cancel\n", u8"[ステージファイルの読み込み] data\\stg4\\Broken.stg4_000\n",
                              u8"[ステージファイルの読み込み] data\\stg4\\Stage1.stg4_778\n"}) {
    const size_t at = report.find(U8(line), from);
    ASSERT_NE(at, std::string::npos) << U8(line) << report;
    from = at;
  }
  // Stage play begins only after the third choice, once the title has
  // faded out, with the free-play lives less the one in play.
  const int first = FirstPlayFrame();
  EXPECT_GT(first, 60);
  const std::vector<std::string> lines = ReadLines(dir / "state.jsonl");
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("\"lives\":2,"), std::string::npos) << lines.back();
}

TEST_F(TitleScene, ACancelledReplayChooserKeepsTheMenuWhereItWas) {
  // Fifth item: the replay chooser, cancelled; two more downs then reach
  // quit, which ends the run.
  Run(600, Presses({{20, "DOWN"}, {24, "DOWN"}, {28, "DOWN"}, {32, "DOWN"}, {40, "Z"}, {50, "DOWN"}, {54, "DOWN"},
                    {60, "Z"}}),
      "cancel\n");
  EXPECT_NE(Report().find(U8(u8"[リプレイファイルの読み込み] cancel\n")), std::string::npos) << Report();
  EXPECT_GE(FramesShown(), 60u);
  EXPECT_LT(FramesShown(), 600u);
}

TEST_F(TitleScene, ContinueLoadsAUsedSlotAndCancelReturnsToTheItem) {
  // Slot 1 used, slot 2 empty.
  cProgressData saved;
  saved.m_nWorld = 3;
  ASSERT_TRUE(saved.SaveToFile((dir / "user_data/story/Story01.dat").c_str()));

  // The second item opens the list; confirm on the empty second slot only
  // sounds the error, cancel goes back to the menu with the cursor on
  // "continue", so one down then picks the challenge.
  Run(120, Presses({{20, "DOWN"}, {30, "Z"}, {40, "DOWN"}, {45, "Z"}, {55, "X"}, {65, "DOWN"}, {75, "Z"}}));
  EXPECT_EQ(MusicRequests(1), 0);
  EXPECT_EQ(MusicRequests(2), 1) << Report();

  // Confirm on the used first slot: the story goes on on the world map.
  Run(100, Presses({{20, "DOWN"}, {30, "Z"}, {40, "Z"}}));
  EXPECT_EQ(MusicRequests(1), 1) << Report();
}

TEST_F(TitleScene, BackOnTheTitleTheCursorRestsOnTheItemChosenLast) {
  // Options, back with cancel, and confirm at once: options again.
  Run(200, Presses({{20, "DOWN"}, {24, "DOWN"}, {28, "DOWN"}, {32, "DOWN"}, {36, "DOWN"}, {45, "Z"}, {90, "X"},
                    {150, "Z"}}));
  EXPECT_EQ(MusicRequests(3), 2) << Report();
  EXPECT_EQ(MusicRequests(0), 2);
}

TEST_F(TitleScene, WithEveryItemDisabledTheMenuHoldsNewStoryAlone) {
  EditSystem([](cSystemData& s) {
    for (cCmd& item : s.m_vecTitleMenu) item.m_bEnable = 0;
  });
  // Up from the only row stays on it.
  Run(100, Presses({{20, "UP"}, {30, "Z"}}));
  EXPECT_EQ(MusicRequests(1), 1) << Report();
}

}  // namespace
