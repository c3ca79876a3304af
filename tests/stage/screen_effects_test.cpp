// The screen effects: how long each kind runs (forward, reversed, there and
// back, looping), what a frozen frame keeps, the picture each kind draws,
// and the 8-bit screen tint through the palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "flow/flow_records.h"
#include "graphics/blur_mosaic.h"
#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "graphics/raster_fx.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/effect_state.h"
#include "records/start_option.h"
#include "records/stage_data.h"

namespace {

using drawtest::Get;
using drawtest::Put;

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// A screen pixel that tells where it was drawn: its column and row (opaque
// for the device, whose pixel effects leave transparent pixels out).
uint32_t Tag(int x, int y) {
  return (lpDTCon ? 0xFF000000u : 0u) | 0x800000u | static_cast<uint32_t>(y + 1) << 10 | static_cast<uint32_t>(x + 1);
}

class ScreenEffectTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedList_ = g_Database.m_vecScrEffect;
    savedRev_ = g_Database.m_vecScrEffectRev;
    savedForward_ = g_ScrEffectStates.forward;
    savedReverse_ = g_ScrEffectStates.reverse;
    savedStretch_ = g_StartOption.DD_VideoStretch;
    g_StartOption.DD_VideoStretch = 0;
    g_Database.m_vecScrEffect.assign(1, cScrEffectData());
    g_Database.m_vecScrEffect[0].m_nKind = 0;
    Player.clear();
    g_Stage.m_vecBackground.clear();
  }
  void TearDown() override {
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    Player.clear();
    g_StartOption.DD_VideoStretch = savedStretch_;
    g_ScrEffectStates.forward = savedForward_;
    g_ScrEffectStates.reverse = savedReverse_;
    g_Database.m_vecScrEffect = savedList_;
    g_Database.m_vecScrEffectRev = savedRev_;
    DisplayTest::TearDown();
  }
  void Start(const DisplayMode& mode) {
    ASSERT_TRUE(Init(mode));
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[16] = PALETTEENTRY{0x12, 0x34, 0x56, 0};
    for (int i = 0; i < 256; ++i) g_PaletteWork[i] = g_Palette[i];
    for (int e : {67, 68}) {
      ASSERT_TRUE(DDCreateSurface(&g_SD[e], 640, 480, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
      made_.push_back(&g_SD[e]);
    }
    SelectSpriteSurfaces();
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 16);
    empty_ = Get(BackBuffer, 0, 0);
  }
  // Entry `id` of the ScrEffect list; the tables are built again as at
  // start-up.
  static void Define(int id, int kind, std::vector<int> p) {
    if (g_Database.m_vecScrEffect.size() <= static_cast<size_t>(id))
      g_Database.m_vecScrEffect.resize(static_cast<size_t>(id) + 1);
    cScrEffectData& e = g_Database.m_vecScrEffect[static_cast<size_t>(id)];
    e.m_nKind = kind;
    for (int k = 0; k < 5; ++k) e.m_nParam[k] = k < static_cast<int>(p.size()) ? p[static_cast<size_t>(k)] : 0;
    g_Database.FillReverseCopies();
    BuildScrEffectStates(g_ScrEffectStates.forward, g_ScrEffectStates.reverse);
  }
  // Frames run (not frozen) until the effect ends; -1 when it still runs
  // after `limit`.
  int FramesToEnd(int limit = 1000) {
    for (int n = 1; n <= limit; ++n) {
      scene_.RunScrEffect(0);
      if (scene_.m_ScrEffect.m_nId == 0) return n;
    }
    return -1;
  }
  // The surface the frame is drawn into: with Direct3D the virtual back
  // buffer while it is on, as during a screen effect.
  static DDSURFACEDATA& Screen() {
    DDSURFACEDATA* s = &BackBuffer;
    DDRedirectBackBuffer(&s);
    return *s;
  }
  void TagScreen() {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) Put(Screen(), x, y, Tag(x, y));
  }

  t4test::StageFixture stage_;
  cGameScene& scene_ = stage_.Scene();
  std::vector<DDSURFACEDATA*> made_;
  uint32_t empty_ = 0;  // palette colour 16 as the back buffer holds it
  cCheckedVector<cScrEffectData> savedList_, savedRev_;
  cCheckedVector<cScrEffectParams> savedForward_, savedReverse_;
  int savedStretch_ = 0;
};

// Frames of an effect whose value runs from `from` by `step` until its whole
// part passes `to`: the frame whose advance does that is the last.
int RangeFrames(double from, double to, double step) {
  int n = 0;
  double v = from;
  if (to >= from) {
    do {
      ++n;
      v += step;
    } while (static_cast<int>(v) <= to);
  } else {
    do {
      ++n;
      v -= step;
    } while (static_cast<int>(v) >= to);
  }
  return n;
}

TEST_F(ScreenEffectTest, EachKindRunsForItsTime) {
  Start(Mode("DD32Full"));
  const double sixth = 1.0 / 6.0;
  struct Case {
    const char* what;
    int kind;
    std::vector<int> params;
    int runMode, loop;
    int frames;  // -1: still running
  } cases[] = {
      {"move over 10 tenths: 66 sixths stay below 11", 1, {10, 0, 0, 100, 0}, 0, 0, 67},
      {"move over one tenth", 1, {1, 0, 0, 100, 0}, 0, 0, 12},
      {"horizontal shake", 2, {10, 4, 4}, 0, 0, 67},
      {"vertical shake", 3, {1, 4, 4}, 0, 0, 12},
      {"split", 4, {10, 0, 100, 15}, 0, 0, RangeFrames(0, 100, 100 / 60.0)},
      {"split, vertical, falling", 5, {10, 100, 0, 7}, 0, 0, RangeFrames(100, 0, 100 / 60.0)},
      {"wave", 6, {10, 10, 0, 2, 4}, 0, 0, RangeFrames(10, 0, 10 / 60.0)},
      {"wave, vertical", 7, {3, 0, 25, 2, 4}, 0, 0, RangeFrames(0, 25, 25 / 18.0)},
      {"blink", 8, {1, 10}, 0, 0, RangeFrames(0, 1, sixth)},
      {"rotation 0 to 1440: 24 degrees a frame", 9, {10, 0, 1440}, 0, 0, 61},
      {"rotation at one angle lasts its time", 9, {10, 90, 90}, 0, 0, 61},
      {"one angle for a tenth", 9, {1, 90, 90}, 0, 0, 7},
      {"circle", 10, {5, 300, 20, 2}, 0, 0, RangeFrames(300, 20, 280 / 30.0)},
      {"zoom 640 to 1280", 11, {10, 640, 1280}, 0, 0, RangeFrames(640, 1280, 640 / 60.0)},
      {"lens", 12, {2, 0, 9}, 0, 0, RangeFrames(0, 9, 9 / 12.0)},
      {"mosaic", 13, {4, 1, 16}, 0, 0, RangeFrames(1, 16, 15 / 24.0)},
      {"reversed rotation", 9, {1, 0, 360}, 1, 0, 7},
      {"there and back", 9, {10, 0, 1440}, 2, 0, 122},
      {"there and back, a move", 1, {1, 0, 0, 100, 0}, 2, 0, 24},
      {"looping", 1, {1, 0, 0, 100, 0}, 0, 1, -1},
      {"looping there and back", 9, {1, 0, 360}, 2, 1, -1},
      {"kind 0 shows the plain frame until replaced", 0, {}, 0, 0, -1},
      {"a kind without a handler ends at once", 14, {10}, 0, 0, 1},
      {"a negative kind too", -3, {10}, 0, 0, 1},
      {"no run time: a range takes one tenth", 9, {0, 0, 90}, 0, 0, 7},
      {"no run time: a move takes one tenth", 1, {0, 0, 0, 100, 0}, 0, 0, 12},
      {"a negative run time: a shake takes one tenth", 2, {-5, 4, 4}, 0, 0, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Define(1, c.kind, c.params);
    scene_.m_ScrEffect.Start(1, c.runMode, c.loop);
    EXPECT_EQ(FramesToEnd(300), c.frames);
    scene_.InitDrawState();
  }
}

TEST_F(ScreenEffectTest, FrozenFramesDrawWithoutAdvancing) {
  Start(Mode("DD32Full"));
  struct Case {
    int kind;
    std::vector<int> params;
  } cases[] = {
      {1, {10, 0, 0, 100, 50}}, {2, {10, 4, 4}}, {3, {10, 4, 4}}, {6, {10, 0, 30, 2, 4}},
      {8, {10, 10}},            {9, {10, 0, 360}}, {11, {10, 640, 1280}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    Define(1, c.kind, c.params);
    scene_.m_ScrEffect.Start(1, 0, 0);
    for (int n = 0; n < 3; ++n) scene_.RunScrEffect(0);
    const cScrEffectState before = scene_.m_ScrEffect;
    for (int n = 0; n < 5; ++n) scene_.RunScrEffect(1);
    const cScrEffectState& after = scene_.m_ScrEffect;
    EXPECT_EQ(after.m_nId, 1);
    EXPECT_EQ(after.m_dCurrent, before.m_dCurrent);
    EXPECT_EQ(after.m_dSecond, before.m_dSecond);
    EXPECT_EQ(after.m_nInt1, before.m_nInt1);
    EXPECT_EQ(after.m_nInt2, before.m_nInt2);
    scene_.InitDrawState();
  }
}

TEST_F(ScreenEffectTest, AMoveDrawsTheFrameAtItsPointAndGoesTowardTheEnd) {
  Start(Mode("DD32Full"));
  const int p[5] = {10, 100, 50, 0, 0};
  Define(1, 1, {p[0], p[1], p[2], p[3], p[4]});
  scene_.m_ScrEffect.Start(1, 0, 0);
  TagScreen();
  scene_.RunScrEffect(0);
  EXPECT_EQ(Get(BackBuffer, 100, 50), Tag(0, 0));
  EXPECT_EQ(Get(BackBuffer, 350, 200), Tag(250, 150));
  EXPECT_EQ(Get(BackBuffer, 99, 50), empty_);
  EXPECT_EQ(Get(BackBuffer, 100, 49), empty_);
  // Each frame draws at the point the value before the previous advance
  // gave: p2 + (p4 - p2) / p1 x v.
  double v = 1.0 / 6.0;
  for (int n = 2; n < 30; ++n) {
    scene_.RunScrEffect(0);
    const int x = static_cast<int>(p[1] + static_cast<double>(p[3] - p[1]) / p[0] * v);
    const int y = static_cast<int>(p[2] + static_cast<double>(p[4] - p[2]) / p[0] * v);
    ASSERT_EQ(scene_.m_ScrEffect.m_nInt1, x) << "frame " << n;
    ASSERT_EQ(scene_.m_ScrEffect.m_nInt2, y) << "frame " << n;
    v += 1.0 / 6.0;
  }
}

// A move whose run time is 0 runs as one of a tenth: the same points in
// the same frames, and the same end.
TEST_F(ScreenEffectTest, AMoveWithoutRunTimeRunsAsOneOfATenth) {
  Start(Mode("DD32Full"));
  auto run = [&](int time) {
    Define(1, 1, {time, 100, 50, 10, 20});
    scene_.m_ScrEffect.Start(1, 0, 0);
    std::vector<std::pair<int, int>> points;
    while (scene_.m_ScrEffect.m_nId != 0 && points.size() < 100) {
      scene_.RunScrEffect(0);
      points.emplace_back(scene_.m_ScrEffect.m_nInt1, scene_.m_ScrEffect.m_nInt2);
    }
    scene_.InitDrawState();
    return points;
  };
  const std::vector<std::pair<int, int>> none = run(0), one = run(1);
  ASSERT_EQ(one.size(), 12u);
  EXPECT_EQ(none, one);
  // A = trunc(100 + (10 - 100) x v) with v = 1/6 before the second frame's
  // advance.
  EXPECT_EQ(one[1].first, 85);
  EXPECT_EQ(one[1].second, 45);
}

TEST_F(ScreenEffectTest, AShakeSwingsBetweenItsWidthsAndFillsOnlyTheOpenStrip) {
  Start(Mode("DD32Full"));
  const int width = 4, count = 4, time = 10;
  Define(1, 2, {time, width, count});
  scene_.m_ScrEffect.Start(1, 0, 0);
  const double s = static_cast<double>(4 * width * count) / (6 * time);
  double o = 0.0;
  int dir = 0;
  bool sawRight = false, sawLeft = false;
  for (int n = 0; n < 40; ++n) {
    const double drawnAt = o;
    TagScreen();
    scene_.RunScrEffect(0);
    const int shift = static_cast<int>(drawnAt);
    if (shift > 0) {
      sawRight = true;
      EXPECT_EQ(Get(BackBuffer, 0, 100), empty_);
      EXPECT_EQ(Get(BackBuffer, shift, 100), Tag(0, 100));
      EXPECT_EQ(Get(BackBuffer, 639, 100), Tag(639 - shift, 100));
    } else if (shift < 0) {
      sawLeft = true;
      EXPECT_EQ(Get(BackBuffer, 639, 100), empty_);
      EXPECT_EQ(Get(BackBuffer, 0, 100), Tag(-shift, 100));
    }
    if (dir == 0) {
      o += s;
      if (o >= width) {
        o = width;
        dir = 1;
      }
    } else {
      o -= s;
      if (o <= -width) {
        o = -width;
        dir = 0;
      }
    }
    ASSERT_DOUBLE_EQ(scene_.m_ScrEffect.m_dSecond, o) << "frame " << n;
  }
  EXPECT_TRUE(sawRight);
  EXPECT_TRUE(sawLeft);
}

TEST_F(ScreenEffectTest, ABlinkCoversTheStageForTheIntervalPlusOneThenAlternates) {
  Start(Mode("DD32Full"));
  Define(1, 8, {10, 10});
  scene_.m_ScrEffect.Start(1, 0, 0);
  // Without backgrounds, covering paints colour 16.
  for (int frame = 1; frame <= 45; ++frame) {
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 40);
    scene_.RunScrEffect(0);
    const bool covered = frame <= 11 || (frame >= 22 && frame <= 31) || frame >= 42;
    ASSERT_EQ(Get(BackBuffer, 320, 240) == empty_, covered) << "frame " << frame;
  }
}

TEST_F(ScreenEffectTest, AZoomShowsThePartAroundTheHeroOrShrinksToTheCentre) {
  Start(Mode("DD32Full"));
  struct Case {
    const char* what;
    int width;       // the constant zoom width: z = width / 640
    int heroCentreX;  // -1: no hero
  } cases[] = {
      {"twice, no hero: around the screen centre", 1280, -1},
      {"twice, hero near the left edge: kept inside", 1280, 50},
      {"half: a centred 320x240", 320, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Player.clear();
    if (c.heroCentreX >= 0) {
      Player.resize(1);
      Player[0].m_nImgW = 32;
      Player[0].m_nImgH = 32;
      Player[0].m_rcScreen.left = c.heroCentreX - 16;
      Player[0].m_rcScreen.top = 240 - 16;
    }
    Define(1, 11, {10, c.width, c.width});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    const double z = c.width / 640.0;
    if (z >= 1) {
      const int cx = c.heroCentreX >= 0 ? c.heroCentreX : 320;
      const int sw = static_cast<int>(640 / z), sh = static_cast<int>(480 / z);
      const int sx = std::clamp(cx - sw / 2, 0, 640 - sw), sy = 240 - sh / 2;
      for (int k : {0, 10, 100})
        EXPECT_EQ(Get(BackBuffer, 2 * k, 2 * k), Tag(sx + k, sy + k)) << k;
    } else {
      EXPECT_EQ(Get(BackBuffer, 159, 119), empty_);
      EXPECT_EQ(Get(BackBuffer, 480, 360), empty_);
      for (int k : {0, 10, 100})
        EXPECT_EQ(Get(BackBuffer, 160 + k, 120 + k), Tag(2 * k, 2 * k)) << k;
    }
    scene_.InitDrawState();
  }
}

TEST_F(ScreenEffectTest, TheEndLeavesTheVirtualBackBufferAndKindZeroLeavesItAtOnce) {
  Start(Mode("D3D32Full"));
  Define(1, 1, {1, 0, 0, 0, 0});
  Define(2, 0, {});
  scene_.m_ScrEffect.Start(1, 0, 0);
  DDSetVirtualBackBuffer(1);
  for (int n = 1; n < 12; ++n) {
    scene_.RunScrEffect(0);
    ASSERT_EQ(lpDTCon->bVirBackBuffer, 1) << n;
  }
  scene_.RunScrEffect(0);
  EXPECT_EQ(scene_.m_ScrEffect.m_nId, 0);
  EXPECT_EQ(lpDTCon->bVirBackBuffer, 0);

  scene_.m_ScrEffect.Start(2, 0, 0);
  DDSetVirtualBackBuffer(1);
  scene_.RunScrEffect(0);
  EXPECT_EQ(scene_.m_ScrEffect.m_nId, 2);
  EXPECT_EQ(lpDTCon->bVirBackBuffer, 0);
}

// The kinds drawn by the pixel effects: the frame goes through the effect
// from the work surface, over a screen of colour 16. Each case checks a few
// pixels the effect's own formula places.
TEST_F(ScreenEffectTest, TheCutWavedTurnedWindowedMagnifiedAndPixelatedFrames) {
  for (const char* mode : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(mode);
    Start(Mode(mode));
    Player.clear();
    // The frame drawing turns the virtual back buffer on for an effect.
    DDSetVirtualBackBuffer(1);
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 16);
    empty_ = Get(Screen(), 0, 0);
    // A split of 480 rows into 4 bands of 120 at shift 30 (the value p2 of
    // a constant effect): the first band moves right, the second left.
    Define(1, 4, {10, 30, 30, 4});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    EXPECT_EQ(Get(Screen(), 30, 0), Tag(0, 0));
    EXPECT_EQ(Get(Screen(), 29, 119), empty_);
    EXPECT_EQ(Get(Screen(), 0, 120), Tag(30, 120));
    EXPECT_EQ(Get(Screen(), 639, 120), empty_);
    scene_.InitDrawState();

    // A band count of 0 from a damaged file: one band, no division by 0.
    Define(1, 4, {10, 5, 5, 0});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    EXPECT_EQ(Get(Screen(), 5, 479), Tag(0, 479));
    EXPECT_EQ(Get(Screen(), 4, 479), empty_);
    scene_.InitDrawState();

    // Columns: 640 in 3 bands of ceil(640 / 3) = 214, the first moved down.
    Define(1, 5, {10, 12, 12, 3});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    EXPECT_EQ(Get(Screen(), 0, 12), Tag(0, 0));
    EXPECT_EQ(Get(Screen(), 213, 11), empty_);
    EXPECT_EQ(Get(Screen(), 214, 0), Tag(214, 12));
    scene_.InitDrawState();

    // A quarter turn about the screen centre: in the fixed-point walk the
    // centre stays and (330, 250) shows column 250 + 80, row 560 - 330; the
    // device's quad turns about the corner between pixels, one row up.
    Define(1, 9, {10, 90, 90});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    const int up = lpDTCon ? 1 : 0;
    EXPECT_EQ(Get(Screen(), 320, 240), Tag(320, 240 - up));
    EXPECT_EQ(Get(Screen(), 330, 250), Tag(330, 230 - up));
    EXPECT_EQ(Get(Screen(), 0, 0), empty_);  // from row 560: off the picture
    scene_.InitDrawState();

    // The window of radius 100 round the screen centre (no hero).
    Define(1, 10, {10, 100, 100, 4});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    EXPECT_EQ(Get(Screen(), 320, 240), Tag(320, 240));
    EXPECT_EQ(Get(Screen(), 250, 200), Tag(250, 200));
    EXPECT_EQ(Get(Screen(), 320, 345), empty_);
    EXPECT_EQ(Get(Screen(), 200, 100), empty_);
    scene_.InitDrawState();

    // The lens over the point (320 + 20, 240 - 10): radius trunc(340 x
    // sqrt 2) reaches every corner; depth 50. A point 30 to the right of
    // the centre shows trunc(30 x 50 / z + 0.5) to the right of it.
    Define(1, 12, {10, 50, 50, 20, -10});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    {
      const int r = static_cast<int>(340 * std::sqrt(2.0));
      const int R = static_cast<int>(std::sqrt(static_cast<double>(r * r + 50 * 50)));
      const double z = std::sqrt(static_cast<double>(R * R - 30 * 30));
      const int col = static_cast<int>(30 * 50 / z + 0.5);
      EXPECT_EQ(Get(Screen(), 340, 230), Tag(340, 230));
      EXPECT_EQ(Get(Screen(), 370, 230), Tag(340 + col, 230));
      EXPECT_LT(col, 30);
    }
    scene_.InitDrawState();

    // Blocks of 8: one colour each, from the block's own pixels.
    Define(1, 13, {10, 8, 8});
    scene_.m_ScrEffect.Start(1, 0, 0);
    TagScreen();
    scene_.RunScrEffect(0);
    EXPECT_EQ(Get(Screen(), 16, 16), Get(Screen(), 23, 23));
    EXPECT_NE(Get(Screen(), 16, 16), Get(Screen(), 24, 24));
    EXPECT_NE(Get(Screen(), 16, 16), Tag(23, 23));
    scene_.InitDrawState();
    DDSetVirtualBackBuffer(0);
    DDRelease();
  }
}

// A split of 480 rows into 7 bands: ceil(480 / 7) = 69 rows a band, 480 /
// 69 = 6 whole bands drawn (414 rows) and the last 66 rows left in colour
// 16, in every drawing mode. At shift 0 the drawn rows keep their place.
TEST_F(ScreenEffectTest, ASplitDrawsWholeBandsOnlyInEveryDrawingMode) {
  for (const char* mode : {"D3D32Window", "D3D16Full", "DD32Window", "DD16Full", "DD8Full"}) {
    SCOPED_TRACE(mode);
    Start(Mode(mode));
    DDSetVirtualBackBuffer(1);
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 16);
    empty_ = Get(Screen(), 0, 0);
    g_Palette[5] = PALETTEENTRY{0xAA, 0x22, 0x11, 0};
    g_PaletteWork[5] = g_Palette[5];
    Define(1, 4, {10, 0, 0, 7});
    scene_.m_ScrEffect.Start(1, 0, 0);
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 5);
    const uint32_t frame = Get(Screen(), 0, 0);
    ASSERT_NE(frame, empty_);
    scene_.RunScrEffect(0);
    int undrawn = 0;
    for (int y = 0; y < 480; ++y) {
      const uint32_t left = Get(Screen(), 0, y), right = Get(Screen(), 639, y);
      ASSERT_EQ(left, right) << "row " << y;
      ASSERT_EQ(left, y < 414 ? frame : empty_) << "row " << y;
      undrawn += left == empty_;
    }
    EXPECT_EQ(undrawn, 66);
    scene_.InitDrawState();
    DDSetVirtualBackBuffer(0);
    // The work surfaces are made again for the next mode.
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    DDRelease();
  }
}

// The waves move rows (columns) sideways by the wave at the phase, which
// turns a degree a frame: the picture is the wave function's of the work
// copy, and the next frame's differs.
TEST_F(ScreenEffectTest, TheWavesSwingTheFrameAndTheirPhaseTurns) {
  Start(Mode("DD32Full"));
  DDSURFACEDATA expected, copy;
  ASSERT_TRUE(DDCreateSurface(&expected, 640, 480, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&copy, 640, 480, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  for (int kind : {6, 7}) {
    SCOPED_TRACE(kind);
    Define(1, kind, {10, 40, 40, 3, 8});
    scene_.m_ScrEffect.Start(1, 0, 0);
    for (int frame = 0; frame < 3; ++frame) {
      TagScreen();
      DDBlt(&copy, 0, 0, 640, 480, &BackBuffer, 0, 0, 0);
      DDFillRect(&expected, 0, 0, 640, 480, 16);
      DDWaveBlt(&expected, 0, 0, 640, 480, 3, 40.0, frame, 8, &copy, 0, 0, 0, kind == 7 ? 1 : 0);
      scene_.RunScrEffect(0);
      EXPECT_EQ(scene_.m_ScrEffect.m_nInt1, frame + 1);
      int differ = 0, moved = 0;
      for (int y = 0; y < 480; y += 3)
        for (int x = 0; x < 640; x += 3) {
          differ += Get(BackBuffer, x, y) != Get(expected, x, y);
          moved += Get(BackBuffer, x, y) != Tag(x, y);
        }
      EXPECT_EQ(differ, 0) << "frame " << frame;
      EXPECT_GT(moved, 1000) << "frame " << frame;
    }
    scene_.InitDrawState();
  }
}

// On an 8-bit screen the tint blends the hardware palette toward its
// colour with the weight of the frame: (entry x w + colour x (256 - w)) >> 8.
TEST_F(ScreenEffectTest, TheEightBitTintBlendsThePalette) {
  Start(Mode("DD8Full"));
  ASSERT_NE(g_lpDDPal, nullptr);
  for (int i = 0; i < 256; ++i) {
    g_Palette[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 40, 0};
    g_PaletteWork[i] = g_Palette[i];
  }
  g_lpDDPal->SetEntries(0, 256, g_Palette);
  cFlowCmd cmd;
  cmd.m_vecParam.assign({200, 0, 100, 50, 0, 10, 0, 0});  // 50 % over a second
  scene_.StartScreenTint(cmd);
  for (int k = 0; k <= 30; ++k) scene_.DrawScreenTint(0);
  const int w = scene_.m_nTintWeight;
  EXPECT_EQ(w, static_cast<int>(255 - 30.0 / 60 * 50 * 2.55));
  PALETTEENTRY shown[256];
  g_lpDDPal->GetEntries(0, 256, shown);
  for (int i : {0, 17, 128, 255}) {
    EXPECT_EQ(shown[i].peRed, (i * w + 200 * (256 - w)) >> 8) << i;
    EXPECT_EQ(shown[i].peGreen, ((255 - i) * w) >> 8) << i;
    EXPECT_EQ(shown[i].peBlue, (40 * w + 100 * (256 - w)) >> 8) << i;
  }
}

}  // namespace
