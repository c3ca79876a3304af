// Chara effects as a player sees them: the real program, run headless in
// each drawing mode, on a stage whose charas turn, magnify and pixelate
// themselves for good. The frames are pinned by their hashes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/database.h"
#include "records/effect_data.h"
#include "records/stage_data.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::TempFolder;

namespace {

class CharaEffectPlay : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir.path())); }

  // CharaEffect.dat with entries 1 (rotation B, four turns a second), 2 (a
  // lens pulled off centre) and 3 (a mosaic of growing blocks).
  void WriteEffects() {
    cDatabase db;
    db.m_vecCharaEffect.resize(4);
    const struct {
      int kind;
      int params[5];
    } entries[] = {{8, {10, 0, 1440, 0, 0}}, {12, {10, 100, 5, 6, -4}}, {15, {10, 1, 8, 0, 0}}};
    for (int i = 0; i < 3; ++i) {
      cCharaEffectData& e = db.m_vecCharaEffect[static_cast<size_t>(i + 1)];
      e.m_nKind = entries[i].kind;
      for (int k = 0; k < 5; ++k) e.m_nParam[k] = entries[i].params[k];
    }
    ASSERT_TRUE(db.SaveAll(dir / "data/database"));
  }

  // A floor, the hero at its left and three charas standing on the floor,
  // playing effects 1, 2 and 3 over and over.
  void WriteStage() {
    cStageData stage = MakeTestStage(20, 15, "Stage1");
    for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
    PlaceHero(stage, 1, 13);
    for (int i = 0; i < 3; ++i) {
      cCharaData& c = PlaceChara(stage, 5 + 4 * i, 13);
      c.m_sStartEffect = static_cast<int16_t>(i + 1);
      c.m_byStartEffectMode = 1;  // repeat
    }
    // Saving checks the effect numbers against the databases in memory:
    // they must know the entries the stage names.
    const cCheckedVector<cCharaEffectData> saved = g_Database.m_vecCharaEffect;
    g_Database.m_vecCharaEffect.resize(4);
    const bool written = ::WriteStage(dir / "data/stg4/Stage1.stg4_778", stage);
    g_Database.m_vecCharaEffect = saved;
    ASSERT_TRUE(written);
  }

  // The hashes of `frames` frames of a test play in the mode of `ini`.
  std::vector<std::string> Hashes(const char* ini, int frames) {
    EXPECT_TRUE(t4test::WriteFile(dir / "System.ini", ini));
    const std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--frame-hashes",
                                           "hashes.txt", "--test-play", "data\\stg4\\Stage1.stg4"};
    const t4test::RunResult r = RunPlayer(args, dir.path(), std::chrono::seconds(120));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> hashes;
    for (const std::string& l : ReadLines(dir / "hashes.txt")) hashes.push_back(l.substr(l.find(' ') + 1));
    return hashes;
  }

  TempFolder dir;
};

constexpr int kFrames = 120;

struct PinnedMode {
  const char* mode;
  const char* ini;
  const char* hash90;  // the frames pinned: in play, the effects well under way
  const char* hash120;
};

const PinnedMode kPinned[] = {
    {"Direct3D 32-bit window", "Direct3D=1\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n", "407e87c2e641d502",
     "5c5f5ed418b2c45a"},
    {"Direct3D 16-bit full screen", "Direct3D=1\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n", "f2696aeb53d09835",
     "4205feeeafb1b70f"},
    {"DirectDraw 32-bit window", "Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n", "2e91d2fd5e6fbf57",
     "6744bb1483f5f47f"},
    {"DirectDraw 16-bit full screen", "Direct3D=0\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n", "d706f625e1e3d76d",
     "5f1b7f24755406d7"},
    {"DirectDraw 8-bit full screen", "Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n", "bfdd4f62cefa6218",
     "03f6c7d37c2027b0"},
};

}  // namespace

TEST_F(CharaEffectPlay, TurningMagnifiedAndPixelatedCharasInEveryDrawingMode) {
  WriteEffects();
  WriteStage();
  for (const PinnedMode& m : kPinned) {
    SCOPED_TRACE(m.mode);
    const std::vector<std::string> hashes = Hashes(m.ini, kFrames);
    ASSERT_EQ(hashes.size(), static_cast<size_t>(kFrames));
    EXPECT_EQ(hashes[89], m.hash90);
    EXPECT_EQ(hashes[119], m.hash120);
    // The turning chara makes every frame a new picture.
    for (int f = 90; f < 100; ++f) EXPECT_NE(hashes[static_cast<size_t>(f)], hashes[static_cast<size_t>(f - 1)]) << f;
  }
}
