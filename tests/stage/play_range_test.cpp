// What stays in play and what the view shows, through the real program run
// headless: objects leave play once they are off the screen and beyond
// their removal range, an off-screen shot touches nothing while contacts
// are limited to objects in range, the view rests at the end of an
// automatic scroll, and a background hidden at the start can be shown.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "records/stage_data.h"
#include "support/flow_writer.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/replay_runs.h"
#include "support/stage_writer.h"

namespace {

using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::TempFolder;

// The map keeps a margin of 10 cells around the stage.
constexpr int kMargin = 10;

struct Line {
  long frame = -1, play = -1, shots = -1;
  double viewX = 0;
  std::vector<long> ids, lives;  // the charas' palette entries and lives in list order
  std::vector<long> items;       // the items' palette entries
};

long IntField(const std::string& line, const char* name) {
  const std::regex re(std::string("\"") + name + "\":(-?[0-9]+)");
  std::smatch m;
  return std::regex_search(line, m, re) ? std::stol(m[1]) : -1;
}

std::vector<long> Ints(const std::string& text, const char* name) {
  std::vector<long> out;
  const std::regex re(std::string("\"") + name + "\":(-?[0-9]+)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    out.push_back(std::stol((*it)[1]));
  return out;
}

Line Parse(const std::string& text) {
  Line l;
  l.frame = IntField(text, "frame");
  l.play = IntField(text, "play");
  l.shots = IntField(text, "shots");
  const size_t view = text.find("\"view\":{\"x\":");
  if (view != std::string::npos) l.viewX = std::strtod(text.c_str() + view + 12, nullptr);
  const size_t charas = text.find("\"charas\":[");
  const size_t items = text.find("\"items\":[");
  const size_t shots = text.find("\"shots\":");
  if (charas != std::string::npos && items != std::string::npos && shots != std::string::npos) {
    const std::string c = text.substr(charas, items - charas), i = text.substr(items, shots - items);
    l.ids = Ints(c, "id");
    l.lives = Ints(c, "life");
    l.items = Ints(i, "id");
  }
  return l;
}

class PlayRange : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir.path())); }

  // A stage `w` cells wide with a floor along row 14 and the hero at cell
  // 2 of row 13, facing right, of faction 0.
  static cStageData FloorStage(int w) {
    cStageData stage = MakeTestStage(w, 15, "Stage1");
    for (int x = 0; x < w; ++x) PlaceBlock(stage, x, 14);
    cCharaData& hero = PlaceHero(stage, 2, 13);
    hero.m_byFacing = 1;
    hero.m_byFaction = 0;
    hero.m_nMaxHp = 10;
    return stage;
  }
  // The hero fires one shot straight ahead at 10 pixels a frame, without a
  // flight limit, in every frame button 2 is held.
  static void FireWhileHeld(cStageData& stage) {
    cFlow& fire = t4test::AddFlow(stage.m_vecChara[0], 0, {t4test::KeyHeld({t4test::kKeyButton2})});
    cEdShot& shot = *t4test::AddShotAhead(fire, 1, 100, 0, 1).m_pEdShot;
    shot.m_bRange = 0;
    shot.m_bPierce = 1;
  }

  // Test play of the stage (no banners) for `frames` frames; the state log.
  std::vector<Line> Play(cStageData& stage, int frames, const std::string& input, const char* tag = "state",
                         bool testPlay = true) {
    EXPECT_TRUE(WriteStage(dir / "data/stg4/Stage1.stg4_778", stage));
    std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--state-log",
                                     std::string(tag) + ".jsonl", "--frame-hashes", std::string(tag) + ".txt"};
    if (!input.empty()) {
      EXPECT_TRUE(t4test::WriteFile(dir / (std::string(tag) + "-input.txt"), input));
      args.insert(args.end(), {"--input", std::string(tag) + "-input.txt"});
    }
    if (testPlay) args.push_back("--test-play");
    args.push_back("data\\stg4\\Stage1.stg4");
    const t4test::RunResult r = RunPlayer(args, dir.path(), std::chrono::seconds(150));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<Line> lines;
    for (const std::string& l : ReadLines(dir / (std::string(tag) + ".jsonl"))) lines.push_back(Parse(l));
    return lines;
  }
  // The line of play frame `p`.
  static const Line* AtPlay(const std::vector<Line>& lines, long p) {
    for (const Line& l : lines)
      if (l.play == p) return &l;
    return nullptr;
  }

  TempFolder dir;
};

// A shot fired ahead from just right of the hero's image (x 416; the view
// spans 320 to 960) leaves play in the first frame that starts with it off
// the screen beyond the hero-shot range (right side, margin 0): it lives
// ceil((960 - 416) / 10) = 55 frames. With one shot a frame their number
// grows to that and stays there, however long the hero fires.
TEST_F(PlayRange, ShotsLeaveOnceOffTheScreenBeyondTheirRange) {
  cStageData stage = FloorStage(40);
  FireWhileHeld(stage);
  const std::vector<Line> log = Play(stage, 620, "1-620 X\n");
  ASSERT_EQ(log.size(), 620u);
  const Line* first = nullptr;
  for (const Line& l : log)
    if (l.shots > 0) {
      first = &l;
      break;
    }
  ASSERT_NE(first, nullptr);
  const long start = first->play;
  for (long k = 0; k < 55; ++k) {
    const Line* l = AtPlay(log, start + k);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->shots, k + 1) << "play frame " << start + k;
  }
  for (long p = start + 55; p <= 600; ++p) {
    const Line* l = AtPlay(log, p);
    ASSERT_NE(l, nullptr) << p;
    ASSERT_EQ(l->shots, 55) << "play frame " << p;
  }
}

// Charas and items beyond the right side of their removal range (margin 2:
// x 960 + 64 = 1024 or more) go in the first sub-step of play; those on
// the screen or off it but inside the margin stay.
TEST_F(PlayRange, CharasAndItemsBeyondTheirRangeGoInTheFirstSubStep) {
  cStageData stage = FloorStage(40);
  stage.m_Quad[kQuadChara].Set(0, 1, 0, 0, 0, 2, 0, 0);
  stage.m_Quad[kQuadItem].Set(0, 1, 0, 0, 0, 2, 0, 0);
  // Cells 18 (x 896, on the screen), 21 (x 992, off it, inside the margin)
  // and 22 (x 1024, beyond it).
  const int cells[] = {18, 21, 22};
  for (int c : cells) {
    cCharaData& chara = PlaceChara(stage, c, 13, 2);
    chara.m_byFaction = 1;
    chara.m_nMaxHp = 5;
    PlaceItem(stage, c, 12);
  }
  ASSERT_EQ((kMargin + 22) * 32, 1024);
  const std::vector<Line> log = Play(stage, 80, "");
  const Line* before = AtPlay(log, 0);
  const Line* play = AtPlay(log, 1);
  ASSERT_NE(before, nullptr);
  ASSERT_NE(play, nullptr);
  ASSERT_EQ(before->ids.size(), 3u);
  ASSERT_EQ(before->items.size(), 3u);
  EXPECT_EQ(play->ids, (std::vector<long>{before->ids[0], before->ids[1]}));
  EXPECT_EQ(play->items, (std::vector<long>{before->items[0], before->items[1]}));
  EXPECT_EQ(log.back().ids, play->ids);
  EXPECT_EQ(log.back().items, play->items);
}

// A chara active everywhere keeps its on-screen flag off the screen. With
// contacts limited to objects in range, a shot flying off the screen (its
// own flag clear) passes it; without the limit it hits.
TEST_F(PlayRange, AnOffScreenShotHitsNothingWhileContactsAreLimitedToTheRange) {
  for (const int limited : {1, 0}) {
    SCOPED_TRACE(limited ? "limited to the range" : "everywhere");
    cStageData stage = FloorStage(40);
    FireWhileHeld(stage);
    stage.m_bOnScreenOnly = limited;
    stage.m_Quad[kQuadHeroShot].Set(1, 1, 1, 1, 0, 20, 0, 0);  // shots live far to the right
    cCharaData& far = PlaceChara(stage, 25, 13, 2);  // x 1120, off the screen
    far.m_byFaction = 1;
    far.m_nMaxHp = 5;
    far.m_byActivityRange = kActivityEverywhere;
    const std::vector<Line> log = Play(stage, 160, "20 X\n", limited ? "limited" : "everywhere");
    ASSERT_FALSE(log.empty());
    ASSERT_EQ(log.front().lives, (std::vector<long>{5}));
    EXPECT_EQ(log.back().lives, (std::vector<long>{limited ? 5 : 4}));
  }
}

// An automatic scroll of 10 pixels a frame over a 40-cell stage: the view
// starts at the stage's left (320), moves 10 a frame and rests at the right
// limit (1600 - 640 = 960) from play frame 64 on, while the screen edge
// pushes the standing hero along.
TEST_F(PlayRange, TheViewRestsAtTheEndOfAnAutomaticScroll) {
  cStageData stage = FloorStage(40);
  stage.m_nScrollModeX = 1;
  stage.m_nAutoScrollSpeedX = 100;
  const std::vector<Line> log = Play(stage, 260, "");
  long checked = 0;
  for (const Line& l : log) {
    if (l.play < 1) continue;
    const double want = l.play >= 64 ? 960.0 : 320.0 + 10.0 * static_cast<double>(l.play);
    ASSERT_EQ(l.viewX, want) << "play frame " << l.play;
    ++checked;
  }
  EXPECT_GT(checked, 200);
}

// A background hidden at the start (a picture over the colour fill) shows
// when a command shows it and goes again when one hides it: the frames
// differ from those of a run without the commands only while it is shown.
TEST_F(PlayRange, ABackgroundHiddenAtTheStartCanBeShownAndHiddenAgain) {
  cStageData stage = FloorStage(20);
  cBackgroundData& hidden = stage.m_vecBackground.emplace_back();
  hidden.m_strPicture = "bmp\\Title.bmp";
  hidden.m_bShow = 0;
  auto command = [&](int key, int action) {
    cFlowCmd& c = t4test::AddCommand(t4test::AddFlow(stage.m_vecChara[0], 0, {t4test::KeyHeld({key})}), 34, 0);
    c.m_vecParam.assign(2, 0);
    c.m_vecParam[0] = 2;  // the second background
    c.m_vecParam[1] = action;
  };
  command(t4test::kKeyButton1, 0);  // show
  command(t4test::kKeyButton2, 1);  // hide
  Play(stage, 120, "", "plain");
  Play(stage, 120, "40 Z\n80 X\n", "shown");
  const std::vector<std::string> plain = t4test::ReadFrameHashes(dir / "plain.txt");
  const std::vector<std::string> shown = t4test::ReadFrameHashes(dir / "shown.txt");
  ASSERT_EQ(plain.size(), shown.size());
  ASSERT_GT(plain.size(), 110u);
  for (size_t f = 1; f < plain.size(); ++f) {
    if (f < 40 || f > 81)
      EXPECT_EQ(shown[f], plain[f]) << "frame " << f;
    else if (f >= 41 && f < 80)
      EXPECT_NE(shown[f], plain[f]) << "frame " << f;
  }
}

// The area of a distance condition shown always ("表示する") is drawn in
// a play that is no test play; one shown only in a test play is not.
TEST_F(PlayRange, DistanceAreasShownAlwaysAreDrawnOutsideATestPlay) {
  std::vector<std::vector<std::string>> hashes;
  for (const int mode : {0, 1, 2}) {
    cStageData stage = FloorStage(20);
    t4test::AddFlow(stage.m_vecChara[0], 0).m_vecCond.push_back(t4test::DistanceArea(mode));
    const std::string tag = "mode" + std::to_string(mode);
    Play(stage, 300, "", tag.c_str(), false);
    hashes.push_back(t4test::ReadFrameHashes(dir / (tag + ".txt")));
    ASSERT_EQ(hashes.back().size(), 301u);
  }
  EXPECT_EQ(hashes[2], hashes[0]);
  EXPECT_NE(hashes[1][300], hashes[0][300]);
}

}  // namespace
