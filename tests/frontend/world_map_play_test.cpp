// The world map as a player meets it, through the real program run
// headless: a new story from the title, the hero walked by an input script,
// the question of a stage that must be played, and stage play entered from
// the map. Where the hero ends up is read back from the save the world-map
// menu writes, or from the frames shown.
#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <string>
#include <vector>

#include "world_map_project.h"

using frontend_test::AddNode;
using frontend_test::OpenMap;
using frontend_test::Press;
using frontend_test::ReadProgress;
using frontend_test::RunScript;
using frontend_test::SetChip;
using frontend_test::SoundsPlayed;
using frontend_test::WriteFrontEndProject;
using frontend_test::WriteHeroStage;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::TempFolder;

namespace {

// The title's first item (a new story) is confirmed on this frame; the
// title has faded in by then and the world map by frame 45.
constexpr int kTitleConfirm = 15;
constexpr int kMapReady = 45;

// Presented frame n's hash, as --frame-hashes writes it ("n hash").
std::string FrameHash(const std::vector<std::string>& lines, int n) {
  if (n < 1 || static_cast<size_t>(n) > lines.size()) return "";
  const std::string& line = lines[static_cast<size_t>(n - 1)];
  return line.substr(line.find(' ') + 1);
}

long Field(const std::string& line, const char* name) {
  std::smatch m;
  const std::regex re(std::string("\"") + name + "\":(-?[0-9]+)");
  return std::regex_search(line, m, re) ? std::stol(m[1]) : -1;
}

class WorldMapPlay : public ::testing::Test {
 protected:
  TempFolder dir;
};

// Start (3, 7); a blocked chip above it, a wall node left of it, and an
// open stage point two cells to the right that the hero walks over.
TEST_F(WorldMapPlay, TheHeroWalksOverAnOpenStageTurnsAtBlocksAndTheMenuSavesWhereItStands) {
  cWorldMapData map = OpenMap(20, 15, 3, 7);
  SetChip(map, 3, 6, 0);  // chip kind 0 is impassable
  AddNode(map, 2, 7, kWorldWall, 2, "");
  cWorldStageData& open = AddNode(map, 5, 7, kWorldStagePoint, 1, "data\\stg4\\Stage1.stg4");
  open.m_bPassUncleared = 1;
  ASSERT_TRUE(WriteFrontEndProject(dir, map));
  ASSERT_TRUE(WriteHeroStage(dir / "data/stg4/Stage1.stg4_778", 1));

  std::string script = Press(kTitleConfirm, "Z");
  int f = kMapReady;
  // Up into the blocked chip and left into the wall only turn the hero;
  // then right over the stage point and on, and down.
  for (const char* key : {"UP", "LEFT", "RIGHT", "RIGHT", "RIGHT", "DOWN"}) script += Press(f += 4, key);
  // The world-map menu: save, slot 3, yes.
  script += Press(f += 5, "X");
  f += 30;
  for (const char* key : {"Z", "DOWN", "DOWN", "Z", "UP", "Z"}) script += Press(f += 4, key);
  RunScript(dir, f + 10, script);

  cProgressData saved;
  ASSERT_TRUE(ReadProgress(dir / "user_data/story/Story03.dat", saved));
  EXPECT_EQ(saved.m_nMapX, 6);
  EXPECT_EQ(saved.m_nMapY, 8);
  EXPECT_EQ(saved.m_nMapDir, 0);  // facing down
  EXPECT_EQ(saved.m_nPrevMapX, 6);
  EXPECT_EQ(saved.m_nPrevMapY, 7);
  EXPECT_EQ(saved.m_nSaveSlot, 2);
  // Passing the stage point loaded its information.
  EXPECT_EQ(saved.m_strStageFile, "data\\stg4\\Stage1.");
  const std::set<int> sounds = SoundsPlayed(ReadFile(dir / "sound.wav"));
  EXPECT_TRUE(sounds.count(4)) << "opening the menu";
  EXPECT_TRUE(sounds.count(5)) << "saved";
  EXPECT_FALSE(sounds.count(3)) << "no error";
}

// Start (2, 7), a stage that must be played at (4, 7). Stepping on it asks
// at once; "no" puts the hero back, "yes" starts stage play set up from
// the progress record.
TEST_F(WorldMapPlay, AStageThatMustBePlayedAsksAtOnceNoStepsBackYesStartsIt) {
  cWorldMapData map = OpenMap(20, 15, 2, 7);
  AddNode(map, 4, 7, kWorldStagePoint, 1, "data\\stg4\\Stage1.stg4");
  ASSERT_TRUE(WriteFrontEndProject(dir, map, [](cSystemData& s) {
    s.m_vecInfiniteLives.At(0) = 0;
    s.m_vecStartLives.At(0) = 5;
    s.m_bKeepLives = 0;
  }));
  ASSERT_TRUE(WriteHeroStage(dir / "data/stg4/Stage1.stg4_778", 1));

  // The hero's walk has a period of 80 frames: a frame 80 after another
  // shows the same picture when nothing else changed. The hero first steps
  // to (3, 7), so it faces right there as it will after stepping back.
  const int before = kMapReady + 4;
  const int step = before + 1;
  const int after = before + 80;
  std::string script = Press(kTitleConfirm, "Z") + Press(kMapReady, "RIGHT");
  script += Press(step, "RIGHT");
  script += Press(step + 5, "Z");  // "no" is preselected
  script += Press(after + 6, "RIGHT");
  script += Press(after + 11, "UP");
  script += Press(after + 16, "Z");
  const int frames = after + 16 + 200;
  ASSERT_TRUE(t4test::WriteFile(dir / "input.txt", script));
  const auto r = t4test::RunPlayer({"--headless", "--frames", std::to_string(frames), "--input", "input.txt",
                                    "--frame-hashes", "hashes.txt", "--state-log", "state.jsonl"},
                                   dir.path(), std::chrono::seconds(180));
  ASSERT_EQ(r.exitCode, 0) << r.err;

  const std::vector<std::string> hashes = ReadLines(dir / "hashes.txt");
  ASSERT_EQ(hashes.size(), static_cast<size_t>(frames));
  EXPECT_NE(FrameHash(hashes, step + 2), FrameHash(hashes, before)) << "the question is shown";
  EXPECT_EQ(FrameHash(hashes, after), FrameHash(hashes, before)) << "the hero is back on its cell";

  // Stage play runs, with the story's lives less the one it takes.
  const std::vector<std::string> log = ReadLines(dir / "state.jsonl");
  ASSERT_FALSE(log.empty()) << "stage play never ran";
  EXPECT_GT(Field(log.front(), "frame"), after + 16);
  EXPECT_EQ(Field(log.back(), "lives"), 4);
  EXPECT_NE(log.back().find("\"hero\":{"), std::string::npos);
}

// A save whose map position lies off the map (left of it, above it) is
// continued from the map's start, where a new story begins.
TEST_F(WorldMapPlay, ASavedPositionOffTheMapContinuesFromTheStart) {
  cWorldMapData map = OpenMap(20, 15, 4, 9);
  ASSERT_TRUE(WriteFrontEndProject(dir, map));
  cProgressData damaged;
  damaged.m_nMapX = -5;
  damaged.m_nMapY = INT_MIN;
  ASSERT_TRUE(damaged.SaveToFile((dir / "user_data/story/Story01.dat").c_str()));

  // Continue, slot 1; on the map the menu at once: save, slot 3, yes.
  std::string script = Press(kTitleConfirm, "DOWN") + Press(kTitleConfirm + 4, "Z") + Press(kTitleConfirm + 10, "Z");
  int f = 65;
  script += Press(f, "X");
  f += 30;
  for (const char* key : {"Z", "DOWN", "DOWN", "Z", "UP", "Z"}) script += Press(f += 4, key);
  RunScript(dir, f + 10, script);

  cProgressData saved;
  ASSERT_TRUE(ReadProgress(dir / "user_data/story/Story03.dat", saved));
  EXPECT_EQ(saved.m_nMapX, 4);
  EXPECT_EQ(saved.m_nMapY, 9);
}

}  // namespace
