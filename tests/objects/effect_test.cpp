// Effects playing on the stage and the pictures of the picture command.
#include "objects/effect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "objects/chara_base.h"
#include "objects/stage_fixture.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/start_option.h"
#include "stage/stage_surfaces.h"

namespace {

using drawtest::FillAll;
using drawtest::Get;

constexpr int kCell = 16;
// The view sits at (320, 320): stage pixel (320 + x, 320 + y) shows at (x, y).
constexpr double kView = 320.0;

// Image j of the effect images (entry j / 2 + 1) shows cell c in colour
// 20 + 4j + c; 8-bit colour, so pixels are palette numbers.
uint32_t CellColour(int image, int cell) { return static_cast<uint32_t>(20 + 4 * image + cell); }

class EffectTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedEffects_ = g_Database.m_vecEffect;
    savedStretch_ = g_StartOption.DD_VideoStretch;
    ASSERT_TRUE(Init(kDisplayModes[0]));  // DD8Full
    FillAll(BackBuffer, 0);

    // 1: cells 0 and 1 for 1 and 2 tenths; 2: no frames; 3: scales with
    // the chara, one cell for 5 tenths.
    g_Database.m_vecEffect.assign(4, cEffectData());
    for (cEffectData& e : g_Database.m_vecEffect) {
      e.m_nCellWidth = e.m_nCellHeight = kCell;
      e.m_vecFrame.clear();
    }
    g_Database.m_vecEffect[1].m_vecFrame.resize(2);
    g_Database.m_vecEffect[1].m_vecFrame[0].m_nGraphic = 0;
    g_Database.m_vecEffect[1].m_vecFrame[0].m_nTime = 1;
    g_Database.m_vecEffect[1].m_vecFrame[1].m_nGraphic = 1;
    g_Database.m_vecEffect[1].m_vecFrame[1].m_nTime = 2;
    g_Database.m_vecEffect[3].m_bScaleWithSize = 1;
    g_Database.m_vecEffect[3].m_vecFrame.resize(1);
    g_Database.m_vecEffect[3].m_vecFrame[0].m_nTime = 5;
    BuildEffectPatternTable(g_EffectPatternTable, g_Database);

    g_vecEffectSD.resize(6);
    for (int j = 0; j < 6; ++j) {
      DDSURFACEDATA& sd = g_vecEffectSD[static_cast<size_t>(j)];
      ASSERT_TRUE(DDCreateSurface(&sd, 3 * kCell, kCell, 1, 1, 0, nullptr, 0));
      for (int c = 0; c < 3; ++c) DDFillRect(&sd, c * kCell, 0, kCell, kCell, CellColour(j, c));
    }
  }
  void TearDown() override {
    DDReleaseSurfaceVector(g_vecEffectSD);
    g_vecEffectSD.clear();
    DDReleaseSurfaceList(g_lstPictureSD);
    g_lstPictureSD.clear();
    g_lstPictureSDDef.clear();
    g_EffectPatternTable.clear();
    g_Database.m_vecEffect = savedEffects_;
    g_StartOption.DD_VideoStretch = savedStretch_;
    DisplayTest::TearDown();
  }
  // Adds a picture surface of w x h in one colour.
  DDSURFACEDATA& AddPictureSurface(int w, int h, uint32_t colour) {
    EXPECT_TRUE(DDAddSurfaceList(g_lstPictureSD, g_lstPictureSDDef, w, h, 1, 1, 0, nullptr));
    DDFillSurface(&g_lstPictureSD.back(), colour);
    return g_lstPictureSD.back();
  }
  uint32_t At(int x, int y) { return Get(BackBuffer, x, y); }

  t4test::StageFixture stage_;
  cCheckedVector<cEffectData> savedEffects_;
  int savedStretch_ = 0;
};

TEST_F(EffectTest, PlaysEachCellForItsTimeThenEnds) {
  cEffect e;
  e.Create(1, kView + 100, kView + 50, kCell, kCell, 0);
  EXPECT_EQ(e.m_bStretched, 0);
  const int d0 = 1 * 6, d1 = 2 * 6;  // tenths of a second in frames
  // The first cell has already used a tick when it starts.
  for (int n = 1; n <= d0 + d1; ++n) {
    SCOPED_TRACE("draw " + std::to_string(n));
    FillAll(BackBuffer, 0);
    const int ended = e.Draw(&BackBuffer, 0);
    if (n == d0 + d1) {
      EXPECT_EQ(ended, 1);
      EXPECT_EQ(At(108, 58), 0u);
      continue;
    }
    ASSERT_EQ(ended, 0);
    const uint32_t colour = CellColour(0, n < d0 ? 0 : 1);
    EXPECT_EQ(At(100, 50), colour);
    EXPECT_EQ(At(115, 65), colour);
    EXPECT_EQ(At(116, 58), 0u);
  }
}

TEST_F(EffectTest, APausedStageFreezesEffectsThatDoNotRunWhilePaused) {
  cEffect frozen, running;
  frozen.Create(1, kView, kView, kCell, kCell, 0);
  running.Create(1, kView + 32, kView, kCell, kCell, 1);
  const int total = 6 + 12;
  for (int n = 1; n < total; ++n) {
    ASSERT_EQ(frozen.Draw(&BackBuffer, 1), 0);
    ASSERT_EQ(running.Draw(&BackBuffer, 1), 0);
  }
  EXPECT_EQ(running.Draw(&BackBuffer, 1), 1);
  // The frozen one still shows its first cell, and picks up from there.
  FillAll(BackBuffer, 0);
  EXPECT_EQ(frozen.Draw(&BackBuffer, 1), 0);
  EXPECT_EQ(At(8, 8), CellColour(0, 0));
  for (int n = 1; n < total; ++n) ASSERT_EQ(frozen.Draw(&BackBuffer, 0), 0);
  EXPECT_EQ(frozen.Draw(&BackBuffer, 0), 1);
}

TEST_F(EffectTest, TheSceneDeletesEffectsAsTheyEnd) {
  cGameScene& scene = stage_.Scene();
  scene.m_lstEffect.emplace_back().Create(2, kView, kView, kCell, kCell, 0);  // no frames
  scene.m_lstEffect.emplace_back().Create(1, kView, kView, kCell, kCell, 0);
  scene.DrawEffects(&BackBuffer, 0);
  ASSERT_EQ(scene.m_lstEffect.size(), 1u);
  EXPECT_EQ(scene.m_lstEffect.front().m_sId, 1);
  scene.m_lstEffect.emplace_back().Create(1, kView, kView, kCell, kCell, 0);
  const int total = 6 + 12;
  for (int n = 2; n < total; ++n) scene.DrawEffects(&BackBuffer, 0);
  ASSERT_EQ(scene.m_lstEffect.size(), 2u);
  scene.DrawEffects(&BackBuffer, 0);  // the first one's last frame
  ASSERT_EQ(scene.m_lstEffect.size(), 1u);
  scene.DrawEffects(&BackBuffer, 0);
  EXPECT_TRUE(scene.m_lstEffect.empty());
}

TEST_F(EffectTest, BadEntryNumbersAreReportedAndPlayEntryZero) {
  for (int id : {4, 0x8001, -1, 70000 + 0x8000}) {
    SCOPED_TRACE(id);
    cEffect e;
    e.Create(id, kView, kView, kCell, kCell, 0);
    EXPECT_EQ(e.m_sId, 0);
    cEffect hit;
    const double r[4] = {0, 0, 31, 31};
    hit.CreateAtChara(id, r, r, 1);
    EXPECT_EQ(hit.m_sId, 0);
  }
  EXPECT_NE(Report().find("err V[4] ( 4 , "), std::string::npos);
  EXPECT_NE(Report().find("err V[-32767] ( 4 , "), std::string::npos);
  EXPECT_NE(Report().find("err V[-1] ( 4 , "), std::string::npos);
}

TEST_F(EffectTest, AHitEffectIsCentredOnTheOverlapWithARandomShift) {
  struct Case {
    const char* what;
    int id, scale;
    double attacker[4];
    int k;  // the scale the effect takes
  };
  // The victim is 32 x 32 at (400, 400); the attackers overlap it by 8
  // pixels across and 24 down, or not at all.
  const double victim[4] = {400, 400, 431, 431};
  const Case cases[] = {
      {"effect without scaling", 1, 3, {424, 408, 455, 439}, 1},
      {"scales with a scale-3 attacker", 3, 3, {424, 408, 455, 439}, 3},
      {"scale 1 draws as it is", 3, 1, {424, 408, 455, 439}, 1},
      {"no overlap", 1, 1, {500, 500, 531, 531}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool overlap = c.attacker[0] <= victim[2];
    const double left = overlap ? std::max(victim[0], c.attacker[0]) : 0;
    const double right = overlap ? std::min(victim[2], c.attacker[2]) : 0;
    const double top = overlap ? std::max(victim[1], c.attacker[1]) : 0;
    const double bottom = overlap ? std::min(victim[3], c.attacker[3]) : 0;
    const int w = c.k * kCell, h = c.k * kCell;
    const double cx = left + plat::TruncToInt(right - left + 1) / 2 - w / 2;
    const double cy = top + plat::TruncToInt(bottom - top + 1) / 2 - h / 2;
    int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
    for (int n = 0; n < 400; ++n) {
      cEffect e;
      e.CreateAtChara(c.id, victim, c.attacker, c.scale);
      ASSERT_EQ(e.m_nWidth, w);
      ASSERT_EQ(e.m_nHeight, h);
      ASSERT_EQ(e.m_bStretched, c.k > 1 ? 1 : 0);
      ASSERT_EQ(e.m_bRunWhilePaused, 0);
      const int dx = plat::TruncToInt(e.m_dX - cx), dy = plat::TruncToInt(e.m_dY - cy);
      ASSERT_EQ(e.m_dX, cx + dx);
      ASSERT_EQ(e.m_dY, cy + dy);
      minX = std::min(minX, dx);
      maxX = std::max(maxX, dx);
      minY = std::min(minY, dy);
      maxY = std::max(maxY, dy);
    }
    EXPECT_EQ(minX, -4 * c.k);
    EXPECT_EQ(maxX, 4 * c.k);
    EXPECT_EQ(minY, -4 * c.k);
    EXPECT_EQ(maxY, 4 * c.k);
  }
  // The charas' hit rectangles go in as they are.
  HITRECT v, a;
  v.dLeft = 400, v.dTop = 400, v.dRight = 431, v.dBottom = 431;
  a.dLeft = 424, a.dTop = 408, a.dRight = 455, a.dBottom = 439;
  cEffect e;
  e.CreateAtChara(1, v, a, 1);
  EXPECT_LE(std::abs(e.m_dX - (424 + 4 - 8)), 4.0);
  EXPECT_LE(std::abs(e.m_dY - (408 + 12 - 8)), 4.0);
}

TEST_F(EffectTest, AStretchedEffectDrawsItsCellAtTheScaledSizeFromTheImageTheModeChooses) {
  for (int videoStretch : {0, 1}) {
    SCOPED_TRACE(videoStretch);
    g_StartOption.DD_VideoStretch = videoStretch;
    FillAll(BackBuffer, 0);
    cEffect e;
    e.Create(3, kView + 200, kView + 100, 2 * kCell, 2 * kCell, 0);
    ASSERT_EQ(e.m_bStretched, 1);
    ASSERT_EQ(e.Draw(&BackBuffer, 0), 0);
    // Entry 3's images are 4 and 5.
    const uint32_t colour = CellColour(videoStretch ? 4 : 5, 0);
    EXPECT_EQ(At(200, 100), colour);
    EXPECT_EQ(At(231, 131), colour);
    EXPECT_EQ(At(232, 120), 0u);
    EXPECT_EQ(At(220, 132), 0u);
  }
}

TEST_F(EffectTest, ATimedPictureShowsForItsFramesThenGoesWithItsSurface) {
  cGameScene& scene = stage_.Scene();
  AddPictureSurface(8, 8, 40);
  AddPictureSurface(8, 8, 41);
  scene.m_lstPicture.emplace_back().Init(1, kView + 10, kView + 10, 8, 8, 0, 0, 100, 2, 10, 0, 0, 0);
  scene.m_lstPicture.emplace_back().Init(2, kView + 30, kView + 10, 8, 8, 0, 0, 100, 0, 0, 0, 0, 0);
  for (int n = 1; n <= 10; ++n) {
    FillAll(BackBuffer, 0);
    scene.DrawPictures(&BackBuffer, 0, 0);
    ASSERT_EQ(At(10, 10), 40u) << n;
  }
  FillAll(BackBuffer, 0);
  scene.DrawPictures(&BackBuffer, 0, 0);
  EXPECT_EQ(At(10, 10), 0u);
  ASSERT_EQ(scene.m_lstPicture.size(), 1u);
  ASSERT_EQ(g_lstPictureSD.size(), 1u);
  EXPECT_EQ(g_lstPictureSDDef.size(), 1u);
  // The one left keeps its own surface, and stays while not timed.
  EXPECT_EQ(At(30, 10), 41u);
  for (int n = 0; n < 50; ++n) scene.DrawPictures(&BackBuffer, 0, 0);
  EXPECT_EQ(scene.m_lstPicture.size(), 1u);
}

TEST_F(EffectTest, PicturesDrawByLayerAndTheirTimersHonourThePause) {
  cGameScene& scene = stage_.Scene();
  AddPictureSurface(8, 8, 40);
  AddPictureSurface(8, 8, 41);
  AddPictureSurface(8, 8, 42);
  // Behind the map, counting while paused; in front, not counting; behind, not counting.
  scene.m_lstPicture.emplace_back().Init(1, kView, kView, 8, 8, 0, 0, 100, 2, 2, 1, 0, 0);
  scene.m_lstPicture.emplace_back().Init(2, kView + 20, kView, 8, 8, 0, 1, 100, 2, 2, 0, 0, 0);
  scene.m_lstPicture.emplace_back().Init(3, kView + 40, kView, 8, 8, 0, 0, 100, 2, 2, 0, 1, 7);
  scene.DrawPictures(&BackBuffer, 0, 1);
  EXPECT_EQ(At(0, 0), 40u);
  EXPECT_EQ(At(20, 0), 0u);
  EXPECT_EQ(At(40, 0), 42u);
  FillAll(BackBuffer, 0);
  scene.DrawPictures(&BackBuffer, 1, 1);
  EXPECT_EQ(At(0, 0), 0u);
  EXPECT_EQ(At(20, 0), 41u);
  // Two more paused frames end only the picture that counts while paused.
  scene.DrawPictures(&BackBuffer, 0, 1);
  scene.DrawPictures(&BackBuffer, 0, 1);
  ASSERT_EQ(scene.m_lstPicture.size(), 2u);
  EXPECT_EQ(scene.m_lstPicture.front().m_nId, 2);
  EXPECT_EQ(scene.m_lstPicture.back().m_nPictureId, 7);
  EXPECT_EQ(g_lstPictureSD.size(), 2u);
  FillAll(BackBuffer, 0);
  scene.DrawPictures(&BackBuffer, 0, 0);
  EXPECT_EQ(At(40, 0), 42u);
}

TEST_F(EffectTest, AScreenFixedPictureStaysWhileTheStageScrolls) {
  cGameScene& scene = stage_.Scene();
  AddPictureSurface(8, 8, 40);
  AddPictureSurface(8, 8, 41);
  scene.m_ScrollX.m_dPos = kView + 0.5;
  scene.m_lstPicture.emplace_back().Init(1, kView + 100.7, kView + 50, 8, 8, 1, 0, 100, 0, 0, 0, 0, 0);
  scene.m_lstPicture.emplace_back().Init(2, kView + 100.7, kView + 70, 8, 8, 0, 0, 100, 0, 0, 0, 0, 0);
  EXPECT_EQ(scene.m_lstPicture.front().m_nScreenX, 100);
  EXPECT_EQ(scene.m_lstPicture.front().m_nScreenY, 50);
  scene.m_ScrollX.m_dPos = kView + 40.9;
  scene.m_ScrollY.m_dPos = kView + 10;
  scene.DrawPictures(&BackBuffer, 0, 0);
  EXPECT_EQ(At(100, 50), 40u);
  EXPECT_EQ(At(107, 57), 40u);
  // The other moves with the stage: 420 - 360 = 60 across, 390 - 330 down.
  EXPECT_EQ(At(60, 60), 41u);
  EXPECT_EQ(At(59, 60), 0u);
  EXPECT_EQ(At(100, 70), 0u);
}

TEST_F(EffectTest, AScaledPictureStretchesItsWholeSurface) {
  cGameScene& scene = stage_.Scene();
  DDSURFACEDATA& sd = AddPictureSurface(8, 8, 40);
  DDFillRect(&sd, 4, 0, 4, 8, 43);  // right half
  scene.m_lstPicture.emplace_back().Init(1, kView, kView, 16, 16, 0, 0, 200, 0, 0, 0, 0, 0);
  EXPECT_EQ(scene.m_lstPicture.front().m_bStretched, 1);
  scene.DrawPictures(&BackBuffer, 0, 0);
  EXPECT_EQ(At(7, 15), 40u);
  EXPECT_EQ(At(8, 0), 43u);
  EXPECT_EQ(At(15, 15), 43u);
  EXPECT_EQ(At(16, 0), 0u);
  // At 100 percent the size drawn is cut from the surface as it is.
  cPicture plain;
  plain.Init(1, kView + 100, kView, 6, 8, 0, 0, 100, 0, 0, 0, 0, 0);
  EXPECT_EQ(plain.m_bStretched, 0);
  EXPECT_EQ(plain.Draw(&BackBuffer, &sd, 0), 0);
  EXPECT_EQ(At(103, 0), 40u);
  EXPECT_EQ(At(104, 0), 43u);
  EXPECT_EQ(At(106, 0), 0u);
}

}  // namespace
