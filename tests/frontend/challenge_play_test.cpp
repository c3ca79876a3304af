// The challenge stage select as a player meets it, through the real program
// run headless: the list paged by the input script, the ranking key, the
// stage entered from the list, and the cursor still on it after leaving the
// stage. Which stage runs is told by where its hero stands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "world_map_project.h"

using frontend_test::OpenMap;
using frontend_test::Press;
using frontend_test::RunScript;
using frontend_test::SoundsPlayed;
using frontend_test::WriteFrontEndProject;
using frontend_test::WriteHeroStage;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::TempFolder;

namespace {

constexpr int kStages = 15;

struct PlayLine {
  long frame = -1, state = -1;
  double heroX = -1;
};

PlayLine Parse(const std::string& line) {
  PlayLine p;
  std::smatch m;
  if (std::regex_search(line, m, std::regex("\"frame\":([0-9]+)"))) p.frame = std::stol(m[1]);
  if (std::regex_search(line, m, std::regex("\"state\":(-?[0-9]+)"))) p.state = std::stol(m[1]);
  if (std::regex_search(line, m, std::regex("\"hero\":\\{\"x\":([-0-9.eE+]+)"))) p.heroX = std::strtod(m[1].str().c_str(), nullptr);
  return p;
}

// The runs of consecutive frames in which stage play was the scene.
std::vector<std::vector<PlayLine>> PlaySessions(const std::vector<std::string>& log) {
  std::vector<std::vector<PlayLine>> sessions;
  long last = -2;
  for (const std::string& line : log) {
    const PlayLine p = Parse(line);
    if (p.frame != last + 1) sessions.emplace_back();
    sessions.back().push_back(p);
    last = p.frame;
  }
  return sessions;
}

// The stage column the hero stands in once the stage is set up: column c
// begins 32 c pixels into the stage, after the 320-pixel margin.
int HeroColumnOf(const std::vector<PlayLine>& session) {
  for (const PlayLine& p : session)
    if (p.heroX >= 0) return static_cast<int>((p.heroX - 320) / 32);
  return -1;
}

TEST(ChallengePlay, PagingReachesTheLastStageWhichPlaysAndTheCursorStaysOnItAfterwards) {
  TempFolder dir;
  cWorldMapData map = OpenMap(20, 15, 3, 7);
  ASSERT_TRUE(WriteFrontEndProject(dir, map, [](cSystemData& s) {
    s.m_nChallengeStages = kStages;
    s.m_bChallengeAllOpen = 1;
  }));
  // Stage n's hero stands on column n.
  for (int n = 1; n <= kStages; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "data/stg4/c%02d-1.stg4_778", n);
    ASSERT_TRUE(WriteHeroStage(dir / name, n));
  }
  // The title's third item (challenge); in the list the ranking key, then
  // right twice: a page (index 9, the window on its last place) and the
  // last stage; confirm.
  std::string script = Press(15, "DOWN") + Press(19, "DOWN") + Press(23, "Z");
  script += Press(60, "C") + Press(65, "RIGHT") + Press(70, "RIGHT") + Press(75, "Z");
  // In stage play: pause, up to quit, confirm; on the title the cursor is
  // on challenge again; in the list confirm at once.
  script += Press(400, "SPACE") + Press(410, "UP") + Press(415, "Z");
  script += Press(460, "Z") + Press(510, "Z");
  RunScript(dir, 700, script);

  const std::vector<std::vector<PlayLine>> sessions = PlaySessions(ReadLines(dir / "state.jsonl"));
  ASSERT_EQ(sessions.size(), 2u);
  EXPECT_EQ(HeroColumnOf(sessions[0]), kStages);
  EXPECT_EQ(HeroColumnOf(sessions[1]), kStages);
  const std::set<int> sounds = SoundsPlayed(ReadFile(dir / "sound.wav"));
  EXPECT_TRUE(sounds.count(6)) << "the ranking key";
  EXPECT_FALSE(sounds.count(3)) << "every stage loaded";
}

TEST(ChallengePlay, AMissingStageFileIsReportedAndTheListStays) {
  TempFolder dir;
  cWorldMapData map = OpenMap(20, 15, 3, 7);
  ASSERT_TRUE(WriteFrontEndProject(dir, map, [](cSystemData& s) {
    s.m_nChallengeStages = 3;
    s.m_bChallengeAllOpen = 1;
  }));
  ASSERT_TRUE(WriteHeroStage(dir / "data/stg4/c01-1.stg4_778", 1));
  // Stage 2 has no file: confirm on it, then up to stage 1 and confirm.
  std::string script = Press(15, "DOWN") + Press(19, "DOWN") + Press(23, "Z");
  script += Press(60, "DOWN") + Press(65, "Z") + Press(75, "UP") + Press(80, "Z");
  RunScript(dir, 200, script);

  bool reported = false;
  for (const std::string& line : ReadLines(dir / "Report_Game.txt"))
    reported = reported || line.find("c02-1.stg4") != std::string::npos;
  EXPECT_TRUE(reported);
  EXPECT_TRUE(SoundsPlayed(ReadFile(dir / "sound.wav")).count(3));
  const std::vector<std::vector<PlayLine>> sessions = PlaySessions(ReadLines(dir / "state.jsonl"));
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(HeroColumnOf(sessions[0]), 1);
}

}  // namespace
