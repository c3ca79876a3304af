// Files the player keeps (a story slot, Option.dat, a ranking file) that the
// user made read-only, through the real program run headless: the save is
// refused, the file keeps its bytes, the error sound plays and the game goes
// on. And what a save cut short left beside such files is gone after the
// next start.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "records/ranking_data.h"
#include "support/flow_writer.h"
#include "world_map_project.h"

using frontend_test::OpenMap;
using frontend_test::Press;
using frontend_test::RunScript;
using frontend_test::SoundsPlayed;
using frontend_test::WriteFrontEndProject;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::TempFolder;

namespace {

constexpr int kSoundSaved = 5, kSoundError = 3;

// The frames the run presented: one hash line a frame while the game runs.
int PresentedFrames(const TempFolder& dir) { return static_cast<int>(ReadLines(dir / "frames.txt").size()); }

TEST(ReadOnlySaves, AKeptFileMadeReadOnlyKeepsItsBytesWithTheErrorSound) {
  struct Case {
    const char* what;
    const char* file;  // in the project
    int frames;
  };
  const Case cases[] = {
      {"story slot 3 saved from the world-map menu", "user_data/story/Story03.dat", 120},
      {"Option.dat written on leaving the options", "user_data/Option.dat", 160},
      {"the ranking of a cleared free stage", "user_data/free/Stage1.rkg", 520},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder dir;
    cWorldMapData map = OpenMap(20, 15, 3, 7);
    ASSERT_TRUE(WriteFrontEndProject(dir, map));
    const std::string file = dir / c.file;
    std::string script;
    std::vector<std::string> args;
    if (std::string(c.file).find("Story03") != std::string::npos) {
      cProgressData old;
      old.m_nMapX = 11;
      ASSERT_TRUE(old.SaveToFile(file.c_str()));
      // New story, the world-map menu, save, slot 3, yes.
      script = Press(15, "Z") + Press(45, "X");
      int f = 75;
      for (const char* key : {"Z", "DOWN", "DOWN", "Z", "UP", "Z"}) script += Press(f += 4, key);
    } else if (std::string(c.file).find("Option") != std::string::npos) {
      // The title's sixth item opens the options; cancel leaves them.
      script = "20 DOWN\n24 DOWN\n28 DOWN\n32 DOWN\n36 DOWN\n45 Z\n100 X\n";
    } else {
      cRankingData old;
      old.SetDefault();
      ASSERT_TRUE(old.SaveToFile(file.c_str()));
      cStageData stage = MakeTestStage(20, 15, "Stage1");
      for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
      PlaceHero(stage, 1, 13);
      cCharaData& goal = PlaceChara(stage, 5, 13);
      t4test::AddStageClear(t4test::AddFlow(goal, 0), 3);
      ASSERT_TRUE(WriteStage(dir / "data/stg4/Stage1.stg4_778", stage));
      ASSERT_TRUE(t4test::WriteFile(dir / "answers.txt", "ok;1003=ABC\n"));
      // F3 on the results screen registers the result; Z leaves the list.
      script = "400 F3\n450-452 Z\n";
      args = {"--answers", "answers.txt", "data\\stg4\\Stage1.stg4"};
    }
    const std::string oldBytes = ReadFile(file);
    ASSERT_FALSE(oldBytes.empty());
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);

    args.insert(args.begin(), {"--frame-hashes", "frames.txt"});
    RunScript(dir, c.frames, script, args);
    EXPECT_EQ(ReadFile(file), oldBytes);
    const std::set<int> sounds = SoundsPlayed(ReadFile(dir / "sound.wav"));
    EXPECT_TRUE(sounds.count(kSoundError));
    EXPECT_FALSE(sounds.count(kSoundSaved));
    EXPECT_EQ(PresentedFrames(dir), c.frames) << "the game goes on to the end of the run";
    ::chmod(file.c_str(), 0644);
  }
}

TEST(ReadOnlySaves, WhatASaveCutShortLeftIsRemovedAtTheNextStart) {
  TempFolder dir;
  cWorldMapData map = OpenMap(20, 15, 3, 7);
  ASSERT_TRUE(WriteFrontEndProject(dir, map));
  cProgressData slot;
  ASSERT_TRUE(slot.SaveToFile((dir / "user_data/story/Story01.dat").c_str()));
  const std::vector<std::string> leftovers = {"user_data/story/Story01.dat.tmp-Ab3xYz",
                                              "user_data/Option.dat.tmp-000000",
                                              "user_data/free/Stage1.rkg.tmp-q1W2e3"};
  const std::vector<std::string> kept = {"user_data/story/Story01.dat", "user_data/Option.dat",
                                         "user_data/notes.tmp-1", "user_data/story/Story01.dat.tmp-toolong"};
  for (const std::string& name : leftovers) ASSERT_TRUE(t4test::WriteFile(dir / name, "half a save"));
  for (const std::string& name : kept) {
    if (!std::filesystem::exists(dir / name)) { ASSERT_TRUE(t4test::WriteFile(dir / name, "mine")); }
  }

  RunScript(dir, 10, "");
  for (const std::string& name : leftovers) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
}

}  // namespace
