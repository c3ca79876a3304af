// Chara drawing: the sprite by facing, scale and animation, the running
// animations that flows start, the invincible highlight, hidden charas, the
// mark, the death drawing and the two gauges with their change animation.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/surface.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/sprite_source.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/effect_state.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "stage/hbt_palette.h"
#include "stage/scene_manager.h"

namespace {

constexpr int kAccessory = 49;
constexpr int kLeft = 40, kTop = 60;  // where the test charas stand on the screen
constexpr int kRow = 1;               // graphic index: row 1 of chara sheet 0
constexpr int kFrame = 2;             // the template's base cell

// Sheet pixels: one value per sheet entry and cell column, so a pixel tells
// where it was drawn from.
uint32_t CellValue(int entry, int column) {
  const int base = entry == kSheetChara ? 10 : entry == kSheetChara + 1 ? 40 : entry == kSheetChara + 18 ? 70 : 100;
  return static_cast<uint32_t>(base + column);
}

// The frames effect 1 (set up below) runs: its value climbs from p1 by
// (p2 - p1) / (p0 x 6) a frame, and it ends on the frame it passes p2.
int EffectFrames() {
  const int* p = g_Database.m_vecCharaEffect[1].m_nParam;
  const double step = static_cast<double>(p[2] - p[1]) / (p[0] * 6.0);
  int n = 1;
  for (double v = p[1] + step; v <= p[2]; v += step) ++n;
  return n;
}

// A pattern of one value shown for `ticks` ticks, then the end code of a
// running animation.
RUNNINGANIME Anime(int value, int timed, int framesLeft, int paused = 0, int ticks = 1000) {
  const int steps[] = {value, ticks, 0, -4, 0, 0};
  const int* lists[] = {steps, nullptr};
  RUNNINGANIME a;
  a.Pattern.Create(lists);
  a.Pattern.SetPattern(0, 1);
  a.bTimed = timed;
  a.nFramesLeft = framesLeft;
  a.bPaused = paused;
  return a;
}

class CharaDrawTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedSystem_ = g_SystemData;
    savedSets_ = g_Database.m_vecAnimeSet;
    savedEffects_ = g_Database.m_vecCharaEffect;
    savedEffectsRev_ = g_Database.m_vecCharaEffectRev;
    savedForward_ = g_CharaEffectStates.forward;
    savedReverse_ = g_CharaEffectStates.reverse;
    savedStretch_ = g_StartOption.DD_VideoStretch;
    savedFps_ = g_SceneManager.m_nFps;
    g_StartOption.DD_VideoStretch = 0;  // DirectDraw stretches from the second set
    g_SceneManager.m_nFps = 60;
    g_Database.m_vecAnimeSet.assign(1, cAnimeSetData());
    // Effect 1 runs from 0 to 3 dots in a tenth of a second.
    g_Database.m_vecCharaEffect.assign(2, cCharaEffectData());
    g_Database.m_vecCharaEffect[1].m_nKind = 1;
    const int params[5] = {1, 0, 3, 0, 0};
    std::copy(params, params + 5, g_Database.m_vecCharaEffect[1].m_nParam);
    g_Database.m_vecCharaEffectRev = g_Database.m_vecCharaEffect;
    BuildCharaEffectStates(g_CharaEffectStates.forward, g_CharaEffectStates.reverse);
    g_SystemData.m_vecStatus.At(2).m_nWarn = 33;
    g_SystemData.m_vecStatus.At(2).m_bWarnPercent = 1;
    g_SystemData.m_vecStatus.At(3).m_nWarn = 33;
    g_SystemData.m_vecStatus.At(3).m_bWarnPercent = 1;
  }
  void TearDown() override {
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    g_SceneManager.m_nFps = savedFps_;
    g_StartOption.DD_VideoStretch = savedStretch_;
    g_CharaEffectStates.forward = savedForward_;
    g_CharaEffectStates.reverse = savedReverse_;
    g_Database.m_vecCharaEffect = savedEffects_;
    g_Database.m_vecCharaEffectRev = savedEffectsRev_;
    g_Database.m_vecAnimeSet = savedSets_;
    g_SystemData = savedSystem_;
    DisplayTest::TearDown();
  }
  // Displays and sheets: the four surfaces of chara sheet 0 with every cell
  // of row kRow filled, the mark sheets and the target.
  void Start(const DisplayMode& mode) {
    ASSERT_TRUE(Init(mode));
    for (int e : {int(kSheetChara), kSheetChara + 1, kSheetChara + 18, kSheetChara + 19}) {
      Make(g_SD[e], 256, 480);
      for (int c = 0; c < 8; ++c) Fill(g_SD[e], c * 32, kRow * 32, 32, 32, Opaque(CellValue(e, c)));
    }
    Make(g_SD[kSheetMark], 256, 480);
    Make(g_SD[kSheetMark2], 256, 480);
    Fill(g_SD[kSheetMark], 32, 32, 32, 32, Opaque(7));  // mark 16
    Fill(g_SD[kSheetMark2], 32, 32, 32, 32, Opaque(8));
    SelectSpriteSurfaces();
    Make(target_, 200, 200);
  }
  // An opaque pixel of the display's format.
  uint32_t Opaque(uint32_t v) const {
    if (!g_bD3D) return v;
    return g_nBpp == 32 ? 0xFF000000u | v : 0x8000u | v;
  }
  void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    drawtest::FillAll(sd, 0);
    made_.push_back(&sd);
  }
  static void Fill(DDSURFACEDATA& sd, int x, int y, int w, int h, uint32_t v) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) drawtest::Put(sd, x + i, y + j, v);
  }
  // A walking chara whose image rectangle starts at (kLeft, kTop).
  void MakeChara(cChara& c, int scale = 1, int facingRight = 0, int team = 1) {
    cCharaData t;
    t.m_sGraphic = kRow;
    t.m_sGraphicFrame = kFrame;
    t.m_cSize = static_cast<int8_t>(scale);
    t.m_byFacing = static_cast<BYTE>(facingRight);
    t.m_nMaxHp = 100;
    t.m_nMaxSp = 100;
    c.Spawn(1, &t, nullptr, 0, 0, 0, 0);
    c.m_bRight = facingRight;
    c.m_nTeam = team;
    c.m_dX = stage_.Scene().m_ScrollX.m_dPos + kLeft + c.m_nImgOffX;
    c.m_dY = stage_.Scene().m_ScrollY.m_dPos + kTop + c.m_nImgOffY;
    c.UpdateScreenRect();
    ASSERT_EQ(c.m_rcScreen.left, kLeft);
    ASSERT_EQ(c.m_rcScreen.top, kTop);
  }
  uint32_t At(int x, int y) { return drawtest::Get(target_, x, y); }
  bool Blank() {
    for (int y = 0; y < target_.nHeight; ++y)
      for (int x = 0; x < target_.nWidth; ++x)
        if (At(x, y) != 0) return false;
    return true;
  }

  t4test::StageFixture stage_;
  DDSURFACEDATA target_;
  std::vector<DDSURFACEDATA*> made_;
  cSystemData savedSystem_;
  cCheckedVector<cAnimeSetData> savedSets_;
  cCheckedVector<cCharaEffectData> savedEffects_, savedEffectsRev_;
  cCheckedVector<cCharaEffectParams> savedForward_, savedReverse_;
  int savedStretch_ = 0;
  int savedFps_ = 0;
};

TEST_F(CharaDrawTest, TheSpriteComesFromTheSheetOfItsFacingAtItsScale) {
  Start(kDisplayModes[0]);
  struct Case {
    int facingRight, scale, extra;  // extra: the value of a running animation
    int entry;                      // the sheet the frame comes from
  } cases[] = {
      // At scale 1 a plain copy of the first set, normal or mirrored.
      {0, 1, 0, kSheetChara},
      {1, 1, 0, kSheetChara + 1},
      // A larger chara is stretched from the sheet of the set in use.
      {0, 2, 0, kSheetChara + 18},
      {1, 2, 0, kSheetChara + 19},
      // A running animation's value moves along the row.
      {0, 1, 3, kSheetChara},
      {1, 2, 3, kSheetChara + 19},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "facing " << k.facingRight << " scale " << k.scale << " extra " << k.extra);
    drawtest::FillAll(target_, 0);
    cChara c;
    MakeChara(c, k.scale, k.facingRight);
    if (k.extra) c.m_lstAnime.push_front(Anime(k.extra, 0, 0));
    c.Draw(&target_, 0);
    const uint32_t v = CellValue(k.entry, kFrame + k.extra);
    const int size = 32 * k.scale;
    EXPECT_EQ(At(kLeft, kTop), v);
    EXPECT_EQ(At(kLeft + size - 1, kTop + size - 1), v);
    EXPECT_EQ(At(kLeft + size, kTop), 0u);
    EXPECT_EQ(At(kLeft, kTop + size), 0u);
    EXPECT_EQ(At(kLeft - 1, kTop), 0u);
  }
}

TEST_F(CharaDrawTest, AFixedScreenPositionAndTheMark) {
  Start(kDisplayModes[0]);
  cChara c;
  MakeChara(c);
  c.m_bFixedScreenX = 1;
  c.m_nFixedScreenX = 100;
  c.m_bFixedScreenY = 1;
  c.m_nFixedScreenY = 10;
  c.m_Data.m_bMark = 1;
  c.m_Data.m_sMark = 16;
  c.Draw(&target_, 0);
  EXPECT_EQ(c.m_rcScreen.left, 100);
  EXPECT_EQ(c.m_rcScreen.right, 131);
  EXPECT_EQ(c.m_rcScreen.top, 10);
  EXPECT_EQ(c.m_rcScreen.bottom, 41);
  // The mark covers the sprite: at scale 1 from the first mark sheet.
  EXPECT_EQ(At(100, 10), 7u);
  EXPECT_EQ(At(131, 41), 7u);
  EXPECT_EQ(At(kLeft, kTop), 0u);

  drawtest::FillAll(target_, 0);
  cChara big;
  MakeChara(big, 2);
  big.m_Data.m_bMark = 1;
  big.m_Data.m_sMark = 16;
  big.Draw(&target_, 0);
  // Larger: the selected mark sheet stretched over the image.
  EXPECT_EQ(At(kLeft, kTop), 8u);
  EXPECT_EQ(At(kLeft + 63, kTop + 63), 8u);
  EXPECT_EQ(At(kLeft + 64, kTop), 0u);
}

TEST_F(CharaDrawTest, TheRunningAnimationThatShows) {
  Start(kDisplayModes[0]);
  struct Entry {
    int value, timed, framesLeft, paused;
  };
  struct Case {
    const char* what;
    std::vector<Entry> entries;  // newest first
    int expected;
  } cases[] = {
      {"none: the chara's own", {}, 5},
      {"the anime command's", {{7, 0, 0, 0}}, 7},
      {"a timed one over the anime command's", {{7, 0, 0, 0}, {8, 1, 3, 0}}, 8},
      {"the timed one with the fewest frames left", {{8, 1, 5, 0}, {9, 1, 3, 0}, {10, 1, 4, 0}}, 9},
      {"of those run out, the one that ran out last", {{8, 1, 0, 0}, {9, 1, -2, 0}, {10, 1, -1, 0}}, 10},
      {"paused ones are passed over", {{8, 1, 1, 1}}, 5},
      {"the first anime command's of several", {{7, 0, 0, 0}, {6, 0, 0, 0}}, 7},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    cChara c;
    MakeChara(c);
    const int own[] = {5, 1000, 0, -2, 0, 0};
    const int* lists[] = {own, nullptr};
    c.m_Anime.Create(lists);
    c.m_Anime.SetPattern(0, 1);
    for (auto it = k.entries.rbegin(); it != k.entries.rend(); ++it)
      c.m_lstAnime.push_front(Anime(it->value, it->timed, it->framesLeft, it->paused));
    EXPECT_EQ(c.UpdateEffectInstances(1), k.expected);
  }

  // Unpaused frames step the animations: the frames left count down, and an
  // animation whose pattern is over goes; a paused one stays as it is.
  cChara c;
  MakeChara(c);
  c.m_lstAnime.push_front(Anime(4, 1, 10, 1, 6));
  c.m_lstAnime.push_front(Anime(3, 1, 10, 0, 6));
  for (int frame = 1; frame <= 5; ++frame) {
    EXPECT_EQ(c.UpdateEffectInstances(0), 3);
    EXPECT_EQ(c.m_lstAnime.front().nFramesLeft, 10 - frame);
  }
  EXPECT_EQ(c.UpdateEffectInstances(1), 3);  // paused: nothing moves
  EXPECT_EQ(c.m_lstAnime.front().nFramesLeft, 5);
  c.UpdateEffectInstances(0);  // the 6th tick ends the pattern
  ASSERT_EQ(c.m_lstAnime.size(), 1u);
  EXPECT_EQ(c.m_lstAnime.front().nFramesLeft, 10);
  EXPECT_EQ(c.m_lstAnime.front().Pattern.GetValue(), 4);
}

TEST_F(CharaDrawTest, PausingAFlowKeepsOnlyItsAnimationsWithTimeLeft) {
  cChara c;
  MakeChara(c);
  struct Entry {
    int flow, hold, left;
    bool kept;  // hold + left - 1 >= 0, or another flow's
  } entries[] = {{1, 0, 1, true}, {1, 0, 0, false}, {1, 3, -2, true}, {1, 2, -2, false}, {2, 0, -5, true},
                 {1, INT_MIN + 1, INT_MIN + 1, false}};
  for (const Entry& e : entries) {
    RUNNINGANIME a = Anime(1, 1, e.left);
    a.nFlowId = e.flow;
    a.nHoldFrames = e.hold;
    c.m_lstAnime.push_back(std::move(a));
  }
  c.RemoveFinishedEffectsOfFlow(1);
  std::vector<std::pair<int, int>> left;  // {frames left, paused}
  for (const RUNNINGANIME& a : c.m_lstAnime) left.push_back({a.nFramesLeft, a.bPaused});
  EXPECT_EQ(left, (std::vector<std::pair<int, int>>{{1, 1}, {-2, 1}, {-5, 0}}));
  c.ResumeEffectsOfFlow(1);
  for (const RUNNINGANIME& a : c.m_lstAnime) EXPECT_EQ(a.bPaused, 0);
}

TEST_F(CharaDrawTest, FindingACharaByItsObjectId) {
  cCheckedVector<cHero> savedPlayer = std::move(Player);
  Player.clear();
  Player.resize(1);
  Player[0].m_nId = 5;
  std::list<cChara>& list = g_lstChara;
  list.clear();
  list.emplace_back().m_nId = 5;  // the same number as the hero: the hero is found first
  list.emplace_back().m_nId = 6;
  list.emplace_back().m_nId = 7;
  list.back().m_bRemoved = 1;
  EXPECT_EQ(FindCharaByObject(5), &Player[0]);
  EXPECT_EQ(FindCharaByObject(6), &*std::next(list.begin()));
  EXPECT_EQ(FindCharaByObject(7), nullptr);
  EXPECT_EQ(FindCharaByObject(8), nullptr);
  list.clear();
  Player = std::move(savedPlayer);
}

TEST_F(CharaDrawTest, AnInvincibleCharaShowsItsOffsetAndInDirect3DItsHighlight) {
  Start(kDisplayModes[6]);  // Direct3D, 32-bit
  ASSERT_TRUE(g_bD3D);
  g_Database.m_vecAnimeSet[0].m_nInvincibleOffset = 1;
  HIGHLIGHTCOLOR saved[10];
  std::copy(g_HighlightColor, g_HighlightColor + 10, saved);
  g_HighlightColor[3] = HIGHLIGHTCOLOR{0xFF000040u, 7};   // add
  g_HighlightColor[9] = HIGHLIGHTCOLOR{0xFF000004u, 10};  // subtract
  const uint32_t plain = CellValue(kSheetChara, kFrame + 1);
  struct Case {
    int offsets;   // System.dat's switch of the offsets and the highlight
    int invincible, color;
    int cell;
    uint32_t blue;  // the blue channel drawn
  } cases[] = {
      {1, 0, 3, kFrame, CellValue(kSheetChara, kFrame)},
      {1, 1, 0, kFrame + 1, plain},
      {1, 1, 3, kFrame + 1, plain + 0x40},
      {1, 2, 9, kFrame + 1, plain - 4},
      // The table has ten entries: a number beyond it highlights nothing.
      {1, 1, 10, kFrame + 1, plain},
      {1, 1, 255, kFrame + 1, plain},
      {0, 1, 3, kFrame, CellValue(kSheetChara, kFrame)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "switch " << k.offsets << " invincible " << k.invincible << " colour "
                                    << k.color);
    g_SystemData.m_bGraphicOffset = k.offsets;
    drawtest::FillAll(target_, 0);
    cChara c;
    MakeChara(c);
    c.m_Data.m_byInvincible = static_cast<BYTE>(k.invincible);
    c.m_Data.m_byInvincibleColor = static_cast<BYTE>(k.color);
    cCharaBase::COLORPAIR pair;
    EXPECT_EQ(c.GetGraphicNumber(pair), k.cell);
    c.Draw(&target_, 0);
    EXPECT_EQ(At(kLeft + 5, kTop + 5) & 0xFFu, k.blue);
    EXPECT_EQ(At(kLeft + 5, kTop + 5) >> 24, 0xFFu);
  }
  std::copy(saved, saved + 10, g_HighlightColor);
}

TEST_F(CharaDrawTest, DirectDrawHasNoHighlight) {
  Start(kDisplayModes[2]);
  g_SystemData.m_bGraphicOffset = 1;
  HIGHLIGHTCOLOR saved = g_HighlightColor[3];
  g_HighlightColor[3] = HIGHLIGHTCOLOR{0xFF000040u, 7};
  cChara c;
  MakeChara(c);
  c.m_Data.m_byInvincible = 1;
  c.m_Data.m_byInvincibleColor = 3;
  cCharaBase::COLORPAIR pair;
  c.GetGraphicNumber(pair);
  EXPECT_EQ(pair.bOn, 0);
  g_HighlightColor[3] = saved;
}

TEST_F(CharaDrawTest, AHiddenCharaDrawsNothingButItsEffectRunsOutAndEnds) {
  Start(kDisplayModes[0]);
  const int frames = EffectFrames();
  for (int how = 0; how < 2; ++how) {
    SCOPED_TRACE(how == 0 ? "hidden" : "suppressed this frame");
    drawtest::FillAll(target_, 0);
    cChara c;
    MakeChara(c);
    if (how == 0) c.m_Data.m_bTransparent = 1;
    else c.m_bHidden2 = 1;
    c.m_Data.m_bMark = 1;
    c.m_Data.m_sMark = 16;
    c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
    for (int f = 1; f < frames; ++f) c.Draw(&target_, 0);
    c.Draw(&target_, 1);  // a paused frame does not advance it
    EXPECT_EQ(c.m_EffectState.m_nId, 1);
    c.Draw(&target_, 0);
    EXPECT_EQ(c.m_EffectState.m_nId, 0);
    EXPECT_TRUE(Blank());
  }
  // A visible chara's effect ends on the same frame and the sprite shows.
  cChara v;
  MakeChara(v);
  v.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
  for (int f = 1; f < frames; ++f) v.Draw(&target_, 0);
  EXPECT_EQ(v.m_EffectState.m_nId, 1);
  v.Draw(&target_, 0);
  EXPECT_EQ(v.m_EffectState.m_nId, 0);
  EXPECT_EQ(At(kLeft, kTop), CellValue(kSheetChara, kFrame));
}

TEST_F(CharaDrawTest, TheDeathDrawingEndsByTeamAndEffect) {
  Start(kDisplayModes[0]);
  const int effectFrames = EffectFrames();
  const int fps = g_SceneManager.m_nFps;
  struct Case {
    int team, effect;
    int frames;  // the call that returns 1
  } cases[] = {
      {1, 0, 1},                           // at once
      {1, 1, effectFrames},                // when the effect ends
      {0, 0, fps + 1},                     // the frame rate's worth of frames, then one
      {0, 1, effectFrames + fps + 1},      // the effect first, then the wait
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "team " << k.team << " effect " << k.effect);
    cChara c;
    MakeChara(c, 1, 0, k.team);
    c.m_bDead = 1;
    if (k.effect) c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
    int call = 0, ended = 0;
    while (!ended && call < 1000) {
      ++call;
      // Paused frames in between count for nothing.
      if (call % 10 == 0) {
        ASSERT_EQ(c.DrawEffectStep(&target_, 1), 0);
      }
      ended = c.DrawEffectStep(&target_, 0);
    }
    EXPECT_EQ(call, k.frames);
  }
}

// The accessory sheet: background, bar, warning bar, loss and gain rows of
// gauge 0 at x 0 and of gauge 1 at x 64.
struct GaugeRows {
  int height, y0, step;
};

class CharaGaugeTest : public CharaDrawTest {
 protected:
  void MakeAccessory(const GaugeRows& r) {
    Make(g_SD[kAccessory], 128, r.height);
    for (int which = 0; which < 2; ++which)
      for (int row = 0; row < 5; ++row)
        Fill(g_SD[kAccessory], which * 64, r.y0 + row * r.step, 64, 2, Part(which, row));
  }
  static uint32_t Part(int which, int row) { return static_cast<uint32_t>(50 + which * 10 + row); }
  enum { kBack = 0, kBar = 1, kWarn = 2, kLoss = 3, kGain = 4 };
  // The 50 pixels of gauge `which`, both rows alike.
  std::vector<uint32_t> Gauge(const cChara& c, int which) {
    const int x = c.m_rcScreen.left + c.m_nImgW / 2 - 25;
    const int y = c.m_rcScreen.top - (which == 0 ? 3 : 7);
    std::vector<uint32_t> a = drawtest::Row(target_, y, x, 50);
    EXPECT_EQ(a, drawtest::Row(target_, y + 1, x, 50));
    EXPECT_EQ(At(x - 1, y), 0u);
    EXPECT_EQ(At(x + 50, y), 0u);
    EXPECT_EQ(At(x, y - 1), 0u);
    EXPECT_EQ(At(x, y + 2), 0u);
    return a;
  }
  // Bar, then change part, then background.
  static std::vector<uint32_t> Expect(int which, int bar, int barRow, int change, int changeRow) {
    std::vector<uint32_t> v(50, Part(which, kBack));
    for (int i = 0; i < bar; ++i) v[i] = Part(which, barRow);
    if (changeRow == kLoss)
      for (int i = bar; i < bar + change; ++i) v[i] = Part(which, kLoss);
    if (changeRow == kGain)
      for (int i = bar - change; i < bar; ++i) v[i] = Part(which, kGain);
    return v;
  }
};

TEST_F(CharaGaugeTest, ALossShowsFor120FramesItsChangePartForTheFirst60) {
  for (const GaugeRows& r : {GaugeRows{256, 208, 2}, GaugeRows{200, 128, 16}}) {
    SCOPED_TRACE(testing::Message() << "sheet height " << r.height);
    Start(kDisplayModes[0]);
    MakeAccessory(r);
    cChara c;
    MakeChara(c, 2);
    c.ChangeLife(-30, 1, 1);  // 100 -> 70 of 100
    const int bar = 70 * 50 / 100, change = 30 * 50 / 100;
    const double step = change / 60.0;  // a quarter pixel: exact in binary
    for (int frame = 1; frame <= 120; ++frame) {
      drawtest::FillAll(target_, 0);
      c.DrawLifeGauge(&target_);
      c.DrawGauge2(&target_);  // no SP change: nothing
      // Drawn before this frame's shrink; gone once 60 frames are left.
      const int loss = frame <= 61 ? static_cast<int>(change - (frame - 1) * step) : 0;
      ASSERT_EQ(Gauge(c, 0), Expect(0, bar, kBar, loss, kLoss)) << "frame " << frame;
      ASSERT_EQ(At(kLeft + 40, kTop - 7), 0u) << "frame " << frame;
    }
    drawtest::FillAll(target_, 0);
    c.DrawLifeGauge(&target_);
    EXPECT_TRUE(Blank());
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    DDRelease();
  }
}

TEST_F(CharaGaugeTest, TheTwoGaugesTheirWarningAndAGain) {
  Start(kDisplayModes[0]);
  MakeAccessory(GaugeRows{256, 208, 2});
  cChara c;
  MakeChara(c);
  c.ChangeLife(-80, 1, 1);   // 20 of 100: under the 33% warning
  c.ChangeGauge2(-50, 1);    // 50 of 100
  c.ChangeGauge2(10, 1);     // 60: a gain of 5 pixels ending at the bar's end
  c.DrawLifeGauge(&target_);
  c.DrawGauge2(&target_);
  EXPECT_EQ(Gauge(c, 0), Expect(0, 10, kWarn, 40, kLoss));
  EXPECT_EQ(Gauge(c, 1), Expect(1, 30, kBar, 5, kGain));
  // A dead chara shows no gauge.
  drawtest::FillAll(target_, 0);
  c.m_bDead = 1;
  c.DrawLifeGauge(&target_);
  c.DrawGauge2(&target_);
  EXPECT_TRUE(Blank());
}

TEST_F(CharaGaugeTest, HugeLivesAndABrokenChangeStayInsideTheGauge) {
  Start(kDisplayModes[0]);
  MakeAccessory(GaugeRows{256, 208, 2});
  cChara c;
  MakeChara(c);
  c.m_Data.m_nMaxHp = INT_MAX;
  c.m_nLife = INT_MAX;
  const int loss = INT_MAX / 3;
  c.ChangeLife(-loss, 1, 1);
  const long long left = static_cast<long long>(INT_MAX) - loss;
  const int bar = static_cast<int>(left * 50 / INT_MAX);
  const int change = static_cast<int>(static_cast<double>(loss) * 50 / INT_MAX);
  c.DrawLifeGauge(&target_);
  EXPECT_EQ(Gauge(c, 0), Expect(0, bar, kBar, change, kLoss));

  // A change that is not a number draws no change part.
  drawtest::FillAll(target_, 0);
  c.m_LifeGauge.dChange = std::numeric_limits<double>::quiet_NaN();
  c.m_LifeGauge.nFrames = 100;
  c.DrawLifeGauge(&target_);
  EXPECT_EQ(Gauge(c, 0), Expect(0, bar, kBar, 0, kLoss));
}

}  // namespace
