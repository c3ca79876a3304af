// The chara-effect renderers on a chara of a running stage: each kind draws
// the picture its drawing function makes from the sheet, the work copy or
// the staging square with the values the effect has reached, and the
// effects run their time, blink, wave and hold still while paused.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "graphics/blend.h"
#include "graphics/blit.h"
#include "graphics/blur_mosaic.h"
#include "graphics/builtin_tables.h"
#include "graphics/circle_lens.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "graphics/raster_fx.h"
#include "graphics/rotate_blit.h"
#include "graphics/tint_blit.h"
#include "objects/chara.h"
#include "objects/sprite_source.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/effect_state.h"
#include "records/start_option.h"
#include "stage/hbt_palette.h"

namespace {

constexpr int kLeft = 40, kTop = 60;  // where the chara stands on the screen
constexpr int kRow = 1;               // graphic index: row 1 of chara sheet 0
constexpr int kFrame = 2;             // the template's cell
constexpr int kSheetX = kFrame * 32, kSheetY = kRow * 32;
constexpr double kSqrt2 = 1.4142135623730951;

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// What the renderer saw when it drew: the chara's rectangle and the
// effect's value and counters before the frame's advance.
struct Seen {
  int x, y, w, h, cx, cy;
  double v;
  int phase, flag;
  const int* p;
  DDSURFACEDATA* sheet1;  // first-set primary of the frame
  DDSURFACEDATA* sheet2;  // second-set primary
  DDSURFACEDATA* back;    // second-set opposite facing
};

class CharaEffectTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedEffects_ = g_Database.m_vecCharaEffect;
    savedEffectsRev_ = g_Database.m_vecCharaEffectRev;
    savedForward_ = g_CharaEffectStates.forward;
    savedReverse_ = g_CharaEffectStates.reverse;
    savedStretch_ = g_StartOption.DD_VideoStretch;
    g_StartOption.DD_VideoStretch = 0;
    g_Database.m_vecCharaEffect.assign(2, cCharaEffectData());
  }
  void TearDown() override {
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    g_StartOption.DD_VideoStretch = savedStretch_;
    g_CharaEffectStates.forward = savedForward_;
    g_CharaEffectStates.reverse = savedReverse_;
    g_Database.m_vecCharaEffect = savedEffects_;
    g_Database.m_vecCharaEffectRev = savedEffectsRev_;
    DisplayTest::TearDown();
  }

  // A pixel of the frame: every one tells its place and sheet; a ring of
  // transparent pixels in the middle shows where the key is honoured.
  uint32_t FramePixel(int entry, int x, int y) const {
    const int dx = x - 16, dy = y - 16;
    if (dx * dx + dy * dy >= 16 && dx * dx + dy * dy < 25) return Transparent();
    const uint32_t v = static_cast<uint32_t>((entry * 32 + y) * 32 + x + 1);
    if (!g_bD3D) return g_nBpp == 8 ? 1 + v % 200 : v;
    return g_nBpp == 32 ? 0xFF000000u | v : 0x8000u | (v & 0x7FFF);
  }
  uint32_t Transparent() const { return g_bD3D ? 0u : g_dwTransmit; }

  void Start(const DisplayMode& mode) {
    ASSERT_TRUE(Init(mode));
    g_dwTransmit = g_nBpp == 8 ? 255 : 0;
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[40] = PALETTEENTRY{200, 40, 90, 0};
    g_Palette[31] = PALETTEENTRY{10, 220, 30, 0};
    for (int i = 0; i < 256; ++i) g_PaletteWork[i] = g_Palette[i];
    for (int e : {int(kSheetChara), kSheetChara + 1, kSheetChara + 18, kSheetChara + 19}) {
      Make(g_SD[e], 256, 256, 1);
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) drawtest::Put(g_SD[e], kSheetX + x, kSheetY + y, FramePixel(e, x, y));
    }
    // The work and scratch surfaces as the stage makes them.
    Make(g_SD[67], 640, 480, 1, 0, DTMEMORYTYPE_VIDEO_RT);
    Make(g_SD[68], 640, 480, 1, 1, DTMEMORYTYPE_SYSTEM);
    Make(g_SD[69], 1024, 1024, 1, 0, DTMEMORYTYPE_VIDEO_RT);
    Make(g_SD[70], 1024, 1024, 1, 1, DTMEMORYTYPE_SYSTEM);
    SelectSpriteSurfaces();
    Make(target_, 640, 480, 0, 0, DTMEMORYTYPE_VIDEO_RT);
    Make(expected_, 640, 480, 0, 0, DTMEMORYTYPE_VIDEO_RT);
    Make(copy_, 256, 256, 1, 1, DTMEMORYTYPE_SYSTEM);
    Make(square_, 256, 256, 1, 0, DTMEMORYTYPE_VIDEO_RT);
  }
  void Make(DDSURFACEDATA& sd, int w, int h, int key, DWORD ddMem = 0, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, key, ddMem, dtMem, nullptr, 0));
    drawtest::FillAll(sd, 0);
    made_.push_back(&sd);
  }
  void Release() {
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    DDRelease();
  }
  // Entry 1 of CharaEffect.dat, the tables built again as after loading.
  static void Define(int kind, std::vector<int> p) {
    cCharaEffectData& e = g_Database.m_vecCharaEffect[1];
    e.m_nKind = kind;
    for (int i = 0; i < 5; ++i) e.m_nParam[i] = i < static_cast<int>(p.size()) ? p[static_cast<size_t>(i)] : 0;
    g_Database.FillReverseCopies();
    BuildCharaEffectStates(g_CharaEffectStates.forward, g_CharaEffectStates.reverse);
  }
  void MakeChara(cChara& c, int scale = 1) {
    cCharaData t;
    t.m_sGraphic = kRow;
    t.m_sGraphicFrame = kFrame;
    t.m_cSize = static_cast<int8_t>(scale);
    t.m_nMaxHp = 100;
    c.Spawn(1, &t, nullptr, 0, 0, 0, 0);
    c.m_dX = stage_.Scene().m_ScrollX.m_dPos + kLeft + c.m_nImgOffX;
    c.m_dY = stage_.Scene().m_ScrollY.m_dPos + kTop + c.m_nImgOffY;
    c.UpdateScreenRect();
    ASSERT_EQ(c.m_rcScreen.left, kLeft);
    ASSERT_EQ(c.m_rcScreen.top, kTop);
  }
  Seen Look(const cChara& c) const {
    const cCharaEffectState& s = c.m_EffectState;
    return Seen{kLeft,
                kTop,
                c.m_nImgW,
                c.m_nImgH,
                kLeft + c.m_nImgW / 2,
                kTop + c.m_nImgH / 2,
                s.m_dCurrent,
                s.m_nPhase,
                s.m_bSpareFlag,
                g_Database.m_vecCharaEffect[1].m_nParam,
                &g_SD[kSheetChara],
                &g_SD[kSheetChara + 18],
                &g_SD[kSheetChara + 19]};
  }
  // The frame at the chara's size into (0, 0) of `sd`: stretched from the
  // second set for a larger chara, copied from it otherwise.
  void CopyFrame(DDSURFACEDATA& sd, const Seen& s) {
    DDStretchBlt(&sd, 0, 0, s.w, s.h, &g_SD[kSheetChara + 18], kSheetX, kSheetY, 32, 32, 0);
  }
  // The rectangle around the chara where every effect draws.
  void ExpectSame(DDSURFACEDATA& got, DDSURFACEDATA& want) {
    int differ = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) differ += drawtest::Get(got, x, y) != drawtest::Get(want, x, y);
    EXPECT_EQ(differ, 0);
  }
  bool Blank(DDSURFACEDATA& sd) {
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (drawtest::Get(sd, x, y) != 0) return false;
    return true;
  }

  // Runs `frames` frames of the effect, then draws one more and compares it
  // with what `expected` draws into expected_ from what the renderer saw.
  // The waves draw into the back buffer, the others into the target.
  void Check(int kind, std::vector<int> params, int scale, int frames,
             const std::function<void(const Seen&, DDSURFACEDATA*)>& expected) {
    Define(kind, params);
    cChara c;
    MakeChara(c, scale);
    c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
    DDSURFACEDATA* target = kind == 4 || kind == 5 ? &BackBuffer : &target_;
    for (int f = 0; f < frames; ++f) c.Draw(target, 0);
    drawtest::FillAll(*target, 0);
    drawtest::FillAll(expected_, 0);
    const Seen seen = Look(c);
    expected(seen, &expected_);
    c.Draw(target, 0);
    ExpectSame(*target, expected_);
    // The effect shows: not the plain sprite, and not nothing (except where
    // a case says so).
    EXPECT_FALSE(Blank(*target));
  }

  t4test::StageFixture stage_;
  DDSURFACEDATA target_, expected_, copy_, square_;
  std::vector<DDSURFACEDATA*> made_;
  cCheckedVector<cCharaEffectData> savedEffects_, savedEffectsRev_;
  cCheckedVector<cCharaEffectParams> savedForward_, savedReverse_;
  int savedStretch_ = 0;
};

using DrawFn = std::function<void(const Seen&, DDSURFACEDATA*)>;

// Every kind at scale 1 in DirectDraw, where the effect is applied straight
// from the sheet: the first set for kinds 1 to 6, 10 and 12, the second
// for the others.
TEST_F(CharaEffectTest, EachKindDrawsItsEffectStraightFromTheSheet) {
  for (const char* mode : {"DD32Full", "DD16Full"}) {
    SCOPED_TRACE(mode);
    Start(Mode(mode));
    struct Case {
      const char* what;
      int kind;
      std::vector<int> params;
      DrawFn draw;
    } cases[] = {
        {"burst: quarters apart by the value", 1, {10, 0, 32},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDQuarterBlt(e, s.x, s.y, s.w, s.h, s.sheet1, kSheetX, kSheetY, static_cast<int>(s.v), 1);
         }},
        {"split in rows: stripes of ceil(32 / 5)", 2, {10, 0, 32, 5},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDSplitBlt(e, s.x, s.y, s.w, s.h, 7, static_cast<int>(s.v), s.sheet1, kSheetX, kSheetY, 1, 0);
         }},
        {"split with a count of 0 from a damaged file: one stripe", 2, {10, 0, 32, 0},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDSplitBlt(e, s.x, s.y, s.w, s.h, 32, static_cast<int>(s.v), s.sheet1, kSheetX, kSheetY, 1, 0);
         }},
        {"split in columns: stripes of ceil(32 / 3)", 3, {10, 0, 32, 3},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDSplitBlt(e, s.x, s.y, s.w, s.h, 11, static_cast<int>(s.v), s.sheet1, kSheetX, kSheetY, 1, 1);
         }},
        {"rows waved", 4, {10, 0, 32, 2, 2},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDWaveBlt(e, s.x, s.y, s.w, s.h, s.p[3], s.v, s.phase, s.p[4], s.sheet1, kSheetX, kSheetY, 1, 0);
         }},
        {"columns waved", 5, {10, 0, 32, 3, 1},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDWaveBlt(e, s.x, s.y, s.w, s.h, s.p[3], s.v, s.phase, s.p[4], s.sheet1, kSheetX, kSheetY, 1, 1);
         }},
        {"rotation A about the centre", 7, {10, 0, 1440},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDRotateBlt(e, s.cx, s.cy, s.w, s.h, 16, 16, static_cast<int>(s.v), s.sheet2, kSheetX, kSheetY, 1);
         }},
        {"rotation B about the centre", 8, {10, 0, 1440},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDRotateBlt(e, s.cx, s.cy, s.w, s.h, 16, 16, static_cast<int>(s.v), s.sheet2, kSheetX, kSheetY, 1);
         }},
        {"turning over to the other facing", 9, {10, 0, 256},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDTurnBlt(e, s.x, s.y, s.w, s.h, s.sheet2, kSheetX, kSheetY, s.back, kSheetX, kSheetY, 32, 32, 1,
                     static_cast<int>(s.v), 0);
         }},
        {"circle shrinking about the centre", 10, {5, 32, 0, 2},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDCircleBlt(e, s.cx, s.cy, 16, 16, static_cast<int>(s.v), 2, s.sheet1, kSheetX + 16, kSheetY + 16, 1);
         }},
        {"zoom grown by v - 32, moved up-left by half", 11, {10, 32, 64},
         [](const Seen& s, DDSURFACEDATA* e) {
           const int g = static_cast<int>(s.v - 32);
           DDStretchBlt(e, s.x - g / 2, s.y - g / 2, 32 + g, 32 + g, s.sheet2, kSheetX, kSheetY, 32, 32, 1);
         }},
        {"colour change toward colour p3", 13, {10, 1, 4, 40},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDTintBlt(e, s.x, s.y, s.w, s.h, s.sheet2, kSheetX, kSheetY, 1, g_PaletteWork, g_BlendTable, 40,
                     static_cast<int>(s.v));
         }},
        {"translucent", 14, {10, 9999},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDHalfBlendBlt(e, s.x, s.y, s.w, s.h, s.sheet2, kSheetX, kSheetY, 1, g_BlendTable);
         }},
        {"mosaic", 15, {10, 1, 8},
         [](const Seen& s, DDSURFACEDATA* e) {
           DDMosaicBlt(e, s.x, s.y, s.w, s.h, static_cast<int>(s.v), s.sheet2, kSheetX, kSheetY, 1);
         }},
        {"blur", 16, {10, 1, 4},
         [](const Seen& s, DDSURFACEDATA* e) {
           const int n = static_cast<int>(s.v);
           DDBlurBlt(e, s.x, s.y, s.w, s.h, n, n, s.sheet2, kSheetX, kSheetY, 1);
         }},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.what);
      Check(k.kind, k.params, 1, 20, k.draw);
    }
    Release();
  }
}

// A chara of scale 2 (64 x 64) split into 5: stripes of ceil(64 / 5) = 13
// lines, 64 / 13 = 4 whole stripes drawn, the last 12 lines (columns) left
// undrawn, in every drawing mode. The shift stays 0, so each drawn line
// keeps its place.
TEST_F(CharaEffectTest, ASplitDrawsWholeStripesOnlyInEveryDrawingMode) {
  for (const char* mode : {"D3D32Window", "D3D16Full", "DD32Window", "DD16Full", "DD8Full"}) {
    SCOPED_TRACE(mode);
    Start(Mode(mode));
    for (int kind : {2, 3}) {
      SCOPED_TRACE(kind == 2 ? "rows" : "columns");
      Define(kind, {10, 0, 0, 5});
      cChara c;
      MakeChara(c, 2);
      ASSERT_EQ(c.m_nImgW, 64);
      c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
      drawtest::FillAll(target_, 0);
      c.Draw(&target_, 0);
      // Lines across the split: drawn ones hold some of the picture, the
      // undrawn ones nothing.
      for (int line = 0; line < 64; ++line) {
        int seen = 0;
        for (int k = 0; k < 64; ++k) {
          const int x = kind == 2 ? kLeft + k : kLeft + line, y = kind == 2 ? kTop + line : kTop + k;
          seen += drawtest::Get(target_, x, y) != 0;
        }
        if (line < 52)
          EXPECT_GT(seen, 0) << "line " << line;
        else
          EXPECT_EQ(seen, 0) << "line " << line;
      }
    }
    Release();
  }
}

// The lens magnifies the frame copied into work surface 2 (filled with
// colour 0 over 2g x 2g first), about the frame's centre moved by (p3, p4),
// with radius g = trunc(sqrt 2 x (max(|p3|, |p4|) + w / 2)).
TEST_F(CharaEffectTest, TheLensMagnifiesACopyOfTheFrameAboutItsOffsetCentre) {
  Start(Mode("DD32Full"));
  for (auto [ox, oy] : {std::pair{4, -3}, {0, 0}, {-10, 6}}) {
    SCOPED_TRACE(testing::Message() << ox << "," << oy);
    Check(12, {10, 100, 5, ox, oy}, 1, 20, [&](const Seen& s, DDSURFACEDATA* e) {
      const int g = static_cast<int>(kSqrt2 * (std::max(std::abs(ox), std::abs(oy)) + 16));
      DDFillRect(&copy_, 0, 0, 256, 256, 0);
      DDBlt(&copy_, 0, 0, 32, 32, s.sheet1, kSheetX, kSheetY, 0);
      DDLensBlt(e, s.cx + ox, s.cy + oy, g, static_cast<int>(s.v), &copy_, ox + 16, oy + 16, 1, 0);
    });
  }
  Release();
}

// A chara twice the sheet's size is first stretched into a work copy; the
// effect's distances are multiplied by the scale (the zoom's growth is
// halved, as the program does).
TEST_F(CharaEffectTest, ALargerCharaWorksFromAStretchedCopy) {
  Start(Mode("DD32Full"));
  struct Case {
    const char* what;
    int kind;
    std::vector<int> params;
    DrawFn draw;
  } cases[] = {
      {"burst apart by 2 v", 1, {10, 0, 32},
       [&](const Seen& s, DDSURFACEDATA* e) {
         CopyFrame(copy_, s);
         DDQuarterBlt(e, s.x, s.y, s.w, s.h, &copy_, 0, 0, static_cast<int>(2 * s.v), 1);
       }},
      {"zoom grown by trunc(2 (v - 32)) / 2", 11, {10, 32, 64},
       [&](const Seen& s, DDSURFACEDATA* e) {
         CopyFrame(copy_, s);
         const int g = static_cast<int>((s.v - 32) * 2) / 2;
         DDStretchBlt(e, s.x - g / 2, s.y - g / 2, 64 + g, 64 + g, &copy_, 0, 0, 64, 64, 1);
       }},
      {"circle of radius trunc(2 v) in bands of 2 p3", 10, {5, 32, 0, 2},
       [&](const Seen& s, DDSURFACEDATA* e) {
         CopyFrame(copy_, s);
         DDCircleBlt(e, s.cx, s.cy, 32, 32, static_cast<int>(2 * s.v), 4, &copy_, 32, 32, 1);
       }},
      {"rotation A: turned at the sheet's size in a square, then stretched", 7, {10, 0, 1440},
       [&](const Seen& s, DDSURFACEDATA* e) {
         const int q = static_cast<int>(kSqrt2 * 32), d = static_cast<int>(kSqrt2 * 64);
         DDFillRect(&square_, 0, 0, 256, 256, 0);
         DDRotateBlt(&square_, q / 2, q / 2, 32, 32, 16, 16, static_cast<int>(s.v), s.sheet2, kSheetX, kSheetY, 0);
         DDStretchBlt(e, s.cx - d / 2, s.cy - d / 2, d, d, &square_, 0, 0, q, q, 1);
       }},
      {"rotation B at the chara's size", 8, {10, 0, 1440},
       [&](const Seen& s, DDSURFACEDATA* e) {
         CopyFrame(copy_, s);
         DDRotateBlt(e, s.cx, s.cy, 64, 64, 32, 32, static_cast<int>(s.v), &copy_, 0, 0, 1);
       }},
      {"mosaic of the copy", 15, {10, 1, 8},
       [&](const Seen& s, DDSURFACEDATA* e) {
         CopyFrame(copy_, s);
         DDMosaicBlt(e, s.x, s.y, 64, 64, static_cast<int>(s.v), &copy_, 0, 0, 1);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Check(k.kind, k.params, 2, 20, k.draw);
  }
  Release();
}

// Direct3D stages the mosaic and the blur: the frame goes into work surface
// 2, the effect into a scratch square filled with colour 0, and the square
// onto the target.
TEST_F(CharaEffectTest, Direct3DStagesTheMosaicAndTheBlurThroughAScratchSquare) {
  Start(Mode("D3D32Window"));
  DDSURFACEDATA frame;
  Make(frame, 256, 256, 1, 1, DTMEMORYTYPE_SYSTEM);
  for (int kind : {15, 16}) {
    SCOPED_TRACE(kind);
    Check(kind, {10, 1, 8}, 1, 20, [&](const Seen& s, DDSURFACEDATA* e) {
      DDBlt(&frame, 0, 0, 32, 32, s.sheet1, kSheetX, kSheetY, 0);
      DDFillRect(&square_, 0, 0, 64, 64, 0);
      const int n = static_cast<int>(s.v);
      if (kind == 15)
        DDMosaicBlt(&square_, 0, 0, 32, 32, n, &frame, 0, 0, 1);
      else
        DDBlurBlt(&square_, 0, 0, 32, 32, n, n, &frame, 0, 0, 1);
      DDBlt(e, s.x, s.y, 32, 32, &square_, 0, 0, 1);
    });
  }
  Release();
}

TEST_F(CharaEffectTest, On8BitScreensTheBlurIsATintTowardColour31) {
  Start(Mode("DD8Full"));
  // A blend table whose mix of two indices is the index between them.
  std::vector<BYTE> saved(g_BlendTable, g_BlendTable + kBlendTableSize);
  for (int under = 0; under < 256; ++under)
    for (int over = 0; over < 256; ++over) g_BlendTable[under * 256 + over] = static_cast<BYTE>((under + over) / 2);
  Check(16, {10, 1, 4}, 1, 20, [](const Seen& s, DDSURFACEDATA* e) {
    DDTintBlt(e, s.x, s.y, s.w, s.h, s.sheet2, kSheetX, kSheetY, 1, g_PaletteWork, g_BlendTable, 31,
              static_cast<int>(s.v));
  });
  std::copy(saved.begin(), saved.end(), g_BlendTable);
  Release();
}

TEST_F(CharaEffectTest, AZoomOfAnUnscaledCharaTo64IsASquareMovedUpLeftBy16) {
  Start(Mode("DD32Full"));
  Define(11, {10, 64, 64});  // constant width 64
  cChara c;
  MakeChara(c);
  c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
  c.Draw(&target_, 0);
  // The frame's top-left pixel fills the 2 x 2 corner of a 64 x 64 square.
  const uint32_t corner = FramePixel(kSheetChara + 18, 0, 0);
  EXPECT_EQ(drawtest::Get(target_, kLeft - 16, kTop - 16), corner);
  EXPECT_EQ(drawtest::Get(target_, kLeft - 15, kTop - 15), corner);
  EXPECT_EQ(drawtest::Get(target_, kLeft + 47, kTop + 47), FramePixel(kSheetChara + 18, 31, 31));
  EXPECT_EQ(drawtest::Get(target_, kLeft - 17, kTop - 16), 0u);
  EXPECT_EQ(drawtest::Get(target_, kLeft + 48, kTop + 47), 0u);
  Release();
}

TEST_F(CharaEffectTest, BlinkAndTranslucencyFollowTheirCounter) {
  Start(Mode("DD32Full"));
  // Interval 2: hidden for 3 frames, then shown and hidden by turns of 2.
  // Translucency shows in the other halves.
  for (int kind : {6, 14}) {
    SCOPED_TRACE(kind);
    Define(kind, {10, 2});
    cChara c;
    MakeChara(c);
    c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
    const bool shownByBlink[] = {false, false, false, true, true, false, false, true, true, false};
    for (int f = 0; f < 10; ++f) {
      drawtest::FillAll(target_, 0);
      c.Draw(&target_, f == 5 ? 1 : 0);  // a paused frame counts nothing
      const bool drawn = !Blank(target_);
      EXPECT_EQ(drawn, kind == 6 ? shownByBlink[f > 5 ? f - 1 : f] : !shownByBlink[f > 5 ? f - 1 : f])
          << "frame " << f;
    }
  }
  Release();
}

// The effects run p0 x 6 frames (the value passes its end on the last),
// pause without moving, and the waves turn their phase a degree a frame.
TEST_F(CharaEffectTest, EveryKindRunsItsTimeAndHoldsStillWhilePaused) {
  Start(Mode("DD32Full"));
  struct Case {
    int kind;
    std::vector<int> params;
  } cases[] = {{1, {1, 0, 32}},  {2, {1, 0, 32, 4}}, {3, {1, 0, 32, 4}}, {4, {1, 0, 32, 2, 2}}, {5, {1, 0, 32, 2, 2}},
               {6, {1, 2}},      {7, {1, 0, 1440}},   {8, {1, 0, 1440}},   {9, {1, 0, 256}},       {10, {1, 32, 0, 2}},
               {11, {1, 32, 64}}, {12, {1, 100, 5}},  {13, {1, 1, 4, 40}}, {14, {1, 9999}},        {15, {1, 1, 8}},
               {16, {1, 1, 4}}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.kind);
    Define(k.kind, k.params);
    // The frames the state's own steps take to pass the end.
    cCharaEffectState model;
    model.Start(1, EFFECT_RUN_FORWARD, 0);
    int frames = 1;
    while (model.Step() == 0) ++frames;
    for (int hidden : {0, 1}) {
      cChara c;
      MakeChara(c);
      c.m_Data.m_bTransparent = static_cast<BYTE>(hidden);  // a hidden chara's effect runs too
      c.m_EffectState.Start(1, EFFECT_RUN_FORWARD, 0);
      for (int f = 1; f < frames; ++f) {
        c.Draw(&target_, 0);
        if (f == 3) {
          const cCharaEffectState before = c.m_EffectState;
          for (int n = 0; n < 4; ++n) c.Draw(&target_, 1);
          EXPECT_EQ(c.m_EffectState.m_dCurrent, before.m_dCurrent);
          EXPECT_EQ(c.m_EffectState.m_nPhase, before.m_nPhase);
          if (k.kind == 4 || k.kind == 5) { EXPECT_EQ(before.m_nPhase, 3); }
        }
      }
      ASSERT_EQ(c.m_EffectState.m_nId, 1) << "hidden " << hidden;
      c.Draw(&target_, 0);
      EXPECT_EQ(c.m_EffectState.m_nId, 0) << "hidden " << hidden;
    }
  }
  Release();
}

}  // namespace
