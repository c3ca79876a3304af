// The distance areas drawn over the screen for authors trying a stage.
#include <gtest/gtest.h>

#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "support/flow_writer.h"

namespace {

using drawtest::FillAll;
using drawtest::Get;

class OverlayTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedSystem_ = g_SystemData;
    savedTestPlay_ = g_bTestPlay;
    ASSERT_TRUE(Init(kDisplayModes[0]));  // 8-bit: pixels are palette indexes
    FillAll(BackBuffer, 0);
    Player.clear();
    Player.resize(1);
    cHero& h = Player[0];
    h.Reset(nullptr, 0, 0, 0, 0);
    h.m_nW = h.m_nH = h.m_nImgW = h.m_nImgH = 32;
    // Stage pixel (620, 520) shows at screen (300, 200) over a view at (320, 320).
    h.m_dX = 620;
    h.m_dY = 520;
    h.m_dRight = 651;
    h.m_dBottom = 551;
    h.m_bAppeared = 1;
    h.m_bRight = 1;
    h.UpdateScreenRect();
  }
  void TearDown() override {
    Player.clear();
    g_bTestPlay = savedTestPlay_;
    g_SystemData = savedSystem_;
    DisplayTest::TearDown();
  }
  // A "horizontal" area of two half blocks in colour 2, shown always.
  static cCond Area(int mode = 1, int area = 0) { return t4test::DistanceArea(mode, area); }
  int Column(int x) { return static_cast<int>(Get(BackBuffer, x, 100)); }

  t4test::StageFixture stage_;
  cSystemData savedSystem_;
  int savedTestPlay_ = 0;
};

TEST_F(OverlayTest, AreaLinesInTheirColourWhenTheDisplayModeAllows) {
  cHero& h = Player[0];
  ASSERT_EQ(h.m_rcScreen.left, 300);
  // Both sides out 32 pixels from the 32-pixel extent at 300.
  h.DrawOverlayMark(&BackBuffer, Area(), 17);
  EXPECT_EQ(Column(268), 216);  // 208 + 4 x colour 2; no cycling in 8-bit colour here
  EXPECT_EQ(Column(364), 216);
  EXPECT_EQ(Column(300), 0);
  EXPECT_EQ(Get(BackBuffer, 268, 479), 216u);

  FillAll(BackBuffer, 0);
  g_SystemData.m_bPaletteCycle = 1;
  h.DrawOverlayMark(&BackBuffer, Area(1, 1), 17);  // in front only, facing right
  EXPECT_EQ(Column(316), 218);                       // from the centre, + 17 / 8
  EXPECT_EQ(Column(364), 218);
  EXPECT_EQ(Column(268), 0);

  struct Case {
    const char* what;
    cCond cond;
  };
  cCond beforeAppearing = Area();
  beforeAppearing.m_byRightSource = 0;
  const Case hidden[] = {{"display mode 0", Area(0)}, {"test play only", Area(2)}, {"not yet appeared", beforeAppearing}};
  h.m_bAppeared = 0;
  for (const Case& c : hidden) {
    FillAll(BackBuffer, 0);
    h.DrawOverlayMark(&BackBuffer, c.cond, 0);
    EXPECT_EQ(Column(268), 0) << c.what;
  }
  g_bTestPlay = 1;
  h.DrawOverlayMark(&BackBuffer, Area(2), 0);
  EXPECT_EQ(Column(268), 216);
}

// Circle areas (kind 6) round the image centre (315, 215): up to radius 64
// drawn as they are; from 65 on DirectDraw draws radius 64 into a 129 x 129
// square and stretches it to 2r x 2r, so the circle's right end falls
// short of x + r.
TEST_F(OverlayTest, LargeCirclesAreStretchedFromRadius64InDirectDraw) {
  cHero& h = Player[0];
  const int cx = 315, cy = 215;
  cCond circle = Area(1, 6);
  circle.m_nConst = 4;  // 64 pixels
  h.DrawOverlayMark(&BackBuffer, circle, 0);
  EXPECT_EQ(Get(BackBuffer, cx + 64, cy), 216u);
  EXPECT_EQ(Get(BackBuffer, cx - 64, cy), 216u);
  EXPECT_EQ(Get(BackBuffer, cx, cy - 64), 216u);
  EXPECT_EQ(Get(BackBuffer, cx + 65, cy), 0u);

  FillAll(BackBuffer, 0);
  circle.m_nConst = 5;  // 80 pixels
  h.DrawOverlayMark(&BackBuffer, circle, 0);
  EXPECT_EQ(Get(BackBuffer, cx - 80, cy), 216u);
  EXPECT_EQ(Get(BackBuffer, cx + 80, cy), 0u);
  int right = 0;
  for (int x = cx + 70; x < cx + 80; ++x)
    if (Get(BackBuffer, x, cy) == 216u) right = x;
  EXPECT_GE(right, cx + 76);
  // Nothing outside the 160 x 160 square.
  for (int y = cy - 90; y < cy + 90; ++y)
    for (int x : {cx - 81, cx + 80}) ASSERT_EQ(Get(BackBuffer, x, y), 0u) << x << "," << y;
}

TEST_F(OverlayTest, FlowsThatLatchedDrawNothing) {
  cHero& h = Player[0];
  cFlow flow;
  flow.m_vecCond = {Area()};
  h.m_Data.m_vecFlow = {flow};
  h.InsertFlows(h.m_Data.m_vecFlow, 0, -1);
  DrawEditorOnlyOverlays(&BackBuffer);
  EXPECT_EQ(Column(268), 216);
  FillAll(BackBuffer, 0);
  h.m_Data.m_vecFlow[0].m_bCondLatch = 1;
  h.m_vecFlowState[0].m_bCondHeld = 1;
  DrawEditorOnlyOverlays(&BackBuffer);
  EXPECT_EQ(Column(268), 0);
}

}  // namespace
