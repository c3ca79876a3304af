#include "graphics/palette_fx.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/color.h"
#include "graphics/fill.h"
#include "graphics/palette.h"
#include "platform/numeric.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

PALETTEENTRY Entry(int i) { return PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 7), BYTE(i % 3)}; }
bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b) {
  return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}
void FillPalette(PALETTEENTRY* p) {
  for (int i = 0; i < 256; ++i) p[i] = Entry(i);
}

// The sine law of the fades: how much of the picture shows at an angle.
double Sine(double degrees) { return std::sin(degrees * 3.141592653589793 / 180.0); }
int Factor(double degrees) { return plat::TruncToInt(256 * Sine(degrees)); }
BYTE Mixed(int source, int colour, int factor) { return BYTE((source * factor + colour * (256 - factor)) >> 8); }

// The angles a fade-out shows call by call: from 90 down by the step, the
// last step cut at 0, then 0 itself on the call that reports completion.
std::vector<double> FadeOutAngles(double step) {
  std::vector<double> angles;
  for (double a = 90; a > 0; a = std::max(0.0, a - step)) angles.push_back(a);
  angles.push_back(0);
  return angles;
}

}  // namespace

// ---- palettes -------------------------------------------------------------------------

class PaletteFxTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ResetScreenFadesForTest();
  }
  void TearDown() override {
    ResetScreenFadesForTest();
    DDReleaseSurface(&a_);
    DDReleaseSurface(&b_);
    DisplayTest::TearDown();
  }
  DDSURFACEDATA a_, b_;
};

TEST_F(PaletteFxTest, BlendPaletteMixesTheRangeTowardTheColour) {
  struct Case {
    int first, last, factor;
  } cases[] = {{0, 255, 256}, {0, 255, 0}, {10, 20, 128}, {200, 200, 77}, {-5, 3, 100}, {250, 400, 30}, {9, 8, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last) + " x " + std::to_string(c.factor));
    PALETTEENTRY src[256], dst[256];
    FillPalette(src);
    for (PALETTEENTRY& e : dst) e = PALETTEENTRY{1, 2, 3, 9};
    BlendPalette(dst, c.first, c.last, c.factor, 40, 0, 250, src);
    for (int i = 0; i < 256; ++i) {
      if (i < c.first || i > c.last) {
        ASSERT_TRUE(Same(dst[i], PALETTEENTRY{1, 2, 3, 9})) << i;
        continue;
      }
      const PALETTEENTRY want{Mixed(src[i].peRed, 40, c.factor), Mixed(src[i].peGreen, 0, c.factor),
                              Mixed(src[i].peBlue, 250, c.factor), PC_RESERVED};
      ASSERT_TRUE(Same(dst[i], want)) << i;
    }
  }
  // In place, as the 8-bit fades of the working palette never do but may.
  PALETTEENTRY p[256];
  FillPalette(p);
  BlendPalette(p, 0, 255, 64, 0, 0, 0, p);
  EXPECT_EQ(p[200].peRed, 200 * 64 >> 8);
}

TEST_F(PaletteFxTest, RotatePaletteCopiesThenRotatesTheRange) {
  ASSERT_TRUE(Init(Mode("DD8Full")));
  struct Case {
    int first, last, places, direction;
    int shift;  // entry i of the range takes the colour of i + shift, wrapping in the range
  } cases[] = {
      {16, 207, 48, 1, 48}, {16, 207, 48, 0, -48}, {208, 211, 1, 1, 1}, {0, 255, 0, 1, 0},
      {10, 19, 13, 1, 3},   // more places than the range: the same as 3
      {10, 19, -2, 1, -2},  // negative: the other way round
      {240, 300, 5, 0, -5}, // the range is cut to the palette
      {30, 40, 4, 2, 0},    // an unknown direction leaves the copy
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last) + " by " + std::to_string(c.places));
    PALETTEENTRY src[256], dst[256];
    FillPalette(src);
    for (PALETTEENTRY& e : dst) e = PALETTEENTRY{1, 2, 3, 9};
    RotatePalette(dst, c.first, c.last, c.places, c.direction, src);
    const int first = std::max(c.first, 0), last = std::min(c.last, 255), n = last - first + 1;
    for (int i = 0; i < 256; ++i) {
      int from = i;
      if (i >= first && i <= last) from = first + ((i - first + c.shift) % n + n) % n;
      ASSERT_TRUE(Same(dst[i], src[from])) << i;
    }
  }
  // In place: the colour-cycling step moves each group of four down by one.
  PALETTEENTRY p[256];
  FillPalette(p);
  for (int group = 208; group < 240; group += 4) RotatePalette(p, group, group + 3, 1, 1, p);
  EXPECT_TRUE(Same(p[208], Entry(209)));
  EXPECT_TRUE(Same(p[211], Entry(208)));
  EXPECT_TRUE(Same(p[239], Entry(236)));
  EXPECT_TRUE(Same(p[207], Entry(207)));
  DDRelease();

  // At other depths than 8, 16 and 32 not even the copy happens.
  const int saved = g_nBpp;
  g_nBpp = 24;
  PALETTEENTRY src[256], dst[256];
  FillPalette(src);
  for (PALETTEENTRY& e : dst) e = PALETTEENTRY{1, 2, 3, 9};
  RotatePalette(dst, 0, 255, 1, 1, src);
  g_nBpp = saved;
  EXPECT_TRUE(Same(dst[0], PALETTEENTRY{1, 2, 3, 9}));
  EXPECT_TRUE(Same(dst[100], PALETTEENTRY{1, 2, 3, 9}));
}

TEST_F(PaletteFxTest, PaletteFromTheGridOfADirect3D16BitPicture) {
  ASSERT_TRUE(Init(Mode("D3D16Window")));
  ASSERT_TRUE(DDCreateSurface(&a_, 16, 24, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  ASSERT_EQ(a_.Pixels()->format, PixelFormat::A1R5G5B5);
  // Rows 0 to 7 hold anything; entry i sits at (i % 16, 8 + i / 16).
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) Put(a_, x, y, 0xFFFFu);
  auto fields = [](int i) {
    return std::array<uint32_t, 3>{uint32_t(i % 32), uint32_t(i / 8 % 32), uint32_t(31 - i % 32)};
  };
  for (int i = 0; i < 256; ++i) {
    const auto f = fields(i);
    const uint32_t alpha = i == 5 || i == 200 ? 0 : 0x8000u;  // two transparent cells
    Put(a_, i % 16, 8 + i / 16, alpha | f[0] << 10 | f[1] << 5 | f[2]);
  }
  PALETTEENTRY pal[256];
  for (PALETTEENTRY& e : pal) e = PALETTEENTRY{1, 2, 3, 4};
  DDSetPalette_UnPal(pal, &a_);
  for (int i = 0; i < 256; ++i) {
    if (i == 5 || i == 200) {
      EXPECT_TRUE(Same(pal[i], PALETTEENTRY{1, 2, 3, 4})) << i;
      continue;
    }
    const auto f = fields(i);
    const PALETTEENTRY want{BYTE(f[0] * 255 / 31), BYTE(f[1] * 255 / 31), BYTE(f[2] * 255 / 31), 4};
    ASSERT_TRUE(Same(pal[i], want)) << i;
  }
}

// ---- the fades ---------------------------------------------------------------------------

// A frame the scene draws: one colour over the whole back buffer.
void DrawFrame(uint32_t rgb) { DDFillSurfaceColor(&BackBuffer, 0xFF000000u | rgb); }
uint32_t Shown() { return Get(BackBuffer, 320, 240) & 0xFFFFFFu; }

TEST_F(PaletteFxTest, FadeOutValuesOfDirectDrawAndDirect3DDifferByTheirRounding) {
  const uint32_t picture = 0xC87D33;  // 200, 125, 51
  std::vector<uint32_t> seen[2];
  for (const char* mode : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(Init(Mode(mode)));
    const bool d3d = lpDTCon != nullptr;
    const std::vector<double> angles = FadeOutAngles(10);
    ASSERT_EQ(angles.size(), 10u);
    for (size_t k = 0; k < angles.size(); ++k) {
      // DirectDraw shows the frame captured at the first call, whatever the
      // scene draws afterwards; Direct3D darkens each new frame.
      DrawFrame(k == 0 || d3d ? picture : 0x0000FF);
      const bool done = DDFadeOut(g_PaletteWork, 0, 255, 0, 0, 0, 10.0, g_Palette, 0);
      EXPECT_EQ(done, k == 9) << "call " << k + 1;
      const double a = angles[k];
      auto channel = [&](uint32_t v) -> uint32_t {
        if (!d3d) return v * static_cast<uint32_t>(Factor(a)) >> 8;
        // A black quad of opacity 255 - trunc(255 x sin), blended to nearest.
        const uint32_t through = static_cast<uint32_t>(plat::TruncToInt(255 * Sine(a)));
        return (v * through + 127) / 255;
      };
      const uint32_t want = channel(picture >> 16) << 16 | channel(picture >> 8 & 0xFF) << 8 | channel(picture & 0xFF);
      EXPECT_EQ(Shown(), want) << "call " << k + 1 << " at " << a << " degrees";
      seen[d3d].push_back(Shown());
    }
    // Completed and re-armed: the next fade starts from the untouched picture.
    DrawFrame(0x102030);
    EXPECT_FALSE(DDFadeOut(g_PaletteWork, 0, 255, 0, 0, 0, 10.0, g_Palette, 0));
    EXPECT_EQ(Shown(), 0x102030u);
    ResetScreenFadesForTest();
    DDRelease();
  }
  EXPECT_NE(seen[0], seen[1]);
}

TEST_F(PaletteFxTest, EightBitFadesStepThePaletteAndReportCompletionOnTheLastCall) {
  ASSERT_TRUE(Init(Mode("DD8Full")));
  FillPalette(g_Palette);
  const BYTE cr = 0, cg = 40, cb = 255;
  auto expectPalette = [&](double angle) {
    for (int i = 0; i < 256; ++i) {
      const int f = Factor(angle);
      const PALETTEENTRY want{Mixed(g_Palette[i].peRed, cr, f), Mixed(g_Palette[i].peGreen, cg, f),
                              Mixed(g_Palette[i].peBlue, cb, f), PC_RESERVED};
      if (!Same(g_lpDDPal->entries[i], want) || !Same(g_PaletteWork[i], want))
        return "entry " + std::to_string(i) + " at " + std::to_string(angle);
    }
    return std::string();
  };
  // Fade-outs of step 10 and of step 7 (its last step cut at 0).
  for (double step : {10.0, 7.0}) {
    SCOPED_TRACE(step);
    const std::vector<double> angles = FadeOutAngles(step);
    for (size_t k = 0; k < angles.size(); ++k) {
      EXPECT_EQ(DDFadeOut(g_PaletteWork, 0, 255, cr, cg, cb, step, g_Palette, 0), k + 1 == angles.size());
      EXPECT_EQ(expectPalette(angles[k]), "");
    }
  }
  // A fade-in of step 10: 0 to 80 drawn while not done, 90 (the palette
  // itself) drawn on the tenth call, which reports completion.
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(DDFadeIn(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 0), k == 9) << k;
    EXPECT_EQ(expectPalette(10.0 * k), "");
  }
  EXPECT_TRUE(Same(g_lpDDPal->entries[77], PALETTEENTRY{77, 178, BYTE(77 * 7), PC_RESERVED}));

  // An abandoned fade-out keeps its angle; the fade-in's is its own.
  for (int k = 0; k < 3; ++k) DDFadeOut(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 0);
  EXPECT_FALSE(DDFadeIn(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 0));
  EXPECT_EQ(expectPalette(0), "");
  EXPECT_FALSE(DDFadeOut(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 0));
  EXPECT_EQ(expectPalette(60), "");
  // The finish flag draws the end at once, completes and re-arms.
  EXPECT_TRUE(DDFadeOut(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 1));
  EXPECT_EQ(expectPalette(0), "");
  EXPECT_FALSE(DDFadeOut(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 0));
  EXPECT_EQ(expectPalette(90), "");
  EXPECT_TRUE(DDFadeIn(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 1));
  EXPECT_EQ(expectPalette(90), "");
  EXPECT_FALSE(DDFadeIn(g_PaletteWork, 0, 255, cr, cg, cb, 10.0, g_Palette, 0));
  EXPECT_EQ(expectPalette(0), "");
}

TEST_F(PaletteFxTest, Direct3DFadesToBlackWhateverTheColourAndLeavesThePalettes) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  FillPalette(g_Palette);
  FillPalette(g_PaletteWork);
  for (int k = 0; k < 10; ++k) {
    DrawFrame(0x804020);
    EXPECT_EQ(DDFadeIn(g_PaletteWork, 0, 255, 255, 255, 255, 10.0, g_Palette, 0), k == 9);
    const uint32_t through = static_cast<uint32_t>(plat::TruncToInt(255 * Sine(10.0 * k)));
    EXPECT_EQ(Shown() >> 16, (0x80 * through + 127) / 255) << k;
  }
  EXPECT_EQ(Shown(), 0x804020u);
  EXPECT_TRUE(Same(g_PaletteWork[100], Entry(100)));
  // The virtual back buffer takes the quad while it is on.
  DDSetVirtualBackBuffer(1);
  FillAll(VirBackBuffer, 0xFF808080u);
  EXPECT_TRUE(DDFadeOut(g_PaletteWork, 0, 255, 0, 0, 0, 10.0, g_Palette, 1));
  EXPECT_EQ(Get(VirBackBuffer, 639, 479) & 0xFFFFFFu, 0u);
  DDSetVirtualBackBuffer(0);
}

TEST_F(PaletteFxTest, FadeOfACapturedFrameBlendsEveryChannelOnTheFullScale) {
  struct Case {
    const char* mode;
    uint32_t picture;
  } cases[] = {{"DD16Full", 0xF81F}, {"DD16Full", 0x7BEF}, {"DD16Full", 0x0841}, {"DD32Full", 0x11FF8040},
               {"DD32Full", 0xFF010203}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.picture));
    ASSERT_TRUE(Init(Mode(c.mode)));
    // The destination is larger than the captured frame: the rest stays.
    ASSERT_TRUE(DDCreateSurface(&a_, 8, 6, 0, 1, 0, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&b_, 4, 6, 0, 1, 0, nullptr, 0));
    FillAll(b_, c.picture);
    const COLORBITS bits = g_ColorBits;
    const int masks[3] = {bits.nMaskR, bits.nMaskG, bits.nMaskB};
    const int shifts[3] = {bits.nShiftR, bits.nShiftG, bits.nShiftB};
    for (int factor : {128, 256, 0, 77}) {
      SCOPED_TRACE(factor);
      FillAll(a_, 0x7F000000u & (g_nBpp == 32 ? ~0u : 0u));
      const BYTE colour[3] = {10, 0, 255};
      EXPECT_EQ(DDFade_UnPal(&a_, factor, colour[0], colour[1], colour[2], &b_), 1);
      uint32_t want = g_nBpp == 32 ? 0x7F000000u : 0u;
      for (int ch = 0; ch < 3; ++ch) {
        const uint32_t v = c.picture >> shifts[ch] & static_cast<uint32_t>(masks[ch]);
        const uint32_t v255 = v * 255 / static_cast<uint32_t>(masks[ch]);
        const uint32_t out = (colour[ch] * static_cast<uint32_t>(256 - factor) + factor * v255) >> 8;
        want |= (out * static_cast<uint32_t>(masks[ch]) / 255) << shifts[ch];
      }
      EXPECT_EQ(Get(a_, 0, 0), want);
      EXPECT_EQ(Get(a_, 3, 5), want);
      EXPECT_EQ(Get(a_, 4, 0), g_nBpp == 32 ? 0x7F000000u : 0u);
    }
    // Half way to black halves every channel on the 0..255 scale.
    DDFade_UnPal(&a_, 128, 0, 0, 0, &b_);
    if (c.picture == 0xF81F) {
      EXPECT_EQ(Get(a_, 1, 1), 15u << 11 | 15u);  // 31 -> 255 -> 127 -> 15
    }
    if (c.picture == 0x11FF8040) {
      EXPECT_EQ(Get(a_, 1, 1), 0x7F7F4020u);
    }
    DDReleaseSurface(&a_);
    DDReleaseSurface(&b_);
    DDRelease();
  }
  // Direct3D has no such fade: nothing is drawn.
  ASSERT_TRUE(Init(Mode("D3D32Full")));
  ASSERT_TRUE(DDCreateSurface(&a_, 4, 4, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  FillAll(a_, 0xFF123456u);
  EXPECT_EQ(DDFade_UnPal(&a_, 0, 0, 0, 0, &a_), 1);
  EXPECT_EQ(Get(a_, 2, 2), 0xFF123456u);
}

TEST_F(PaletteFxTest, ChangeColorCoversTheWholeDestinationAtItsTransparency) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  ASSERT_TRUE(DDCreateSurface(&a_, 6, 5, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  struct Case {
    int alpha;
    uint32_t want;  // every pixel, whatever rectangle was asked for
  } cases[] = {
      {255, 0xFF204060u},
      {0, 0xFF00FF80u},
      // Opacity 127 of the colour: to nearest on each channel.
      {128, 0xFF000000u | ((0x00 * 127 + 0x20 * 128 + 127) / 255) << 16 | ((0xFF * 127 + 0x40 * 128 + 127) / 255) << 8 |
                ((0x80 * 127 + 0x60 * 128 + 127) / 255)},
      {256 + 255, 0xFF204060u},  // only the low byte counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alpha);
    FillAll(a_, 0xFF204060u);
    EXPECT_EQ(DDChangeColor(&a_, 1, 1, 2, 2, c.alpha, 0x00, 0xFF, 0x80), 1);
    // The colour channels; alpha is the device's blend of alphas.
    EXPECT_EQ(Get(a_, 0, 0) & 0xFFFFFFu, c.want & 0xFFFFFFu);
    EXPECT_EQ(Get(a_, 5, 4) & 0xFFFFFFu, c.want & 0xFFFFFFu);
    EXPECT_EQ(Get(a_, 2, 2) & 0xFFFFFFu, c.want & 0xFFFFFFu);
  }
  // DirectDraw has no colour wash.
  DDReleaseSurface(&a_);
  DDRelease();
  ASSERT_TRUE(Init(Mode("DD32Full")));
  ASSERT_TRUE(DDCreateSurface(&a_, 6, 5, 0, 1, 0, nullptr, 0));
  FillAll(a_, 0x204060u);
  EXPECT_EQ(DDChangeColor(&a_, 0, 0, 6, 5, 0, 255, 255, 255), 1);
  EXPECT_EQ(Get(a_, 3, 3), 0x204060u);
}
