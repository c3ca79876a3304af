#include <gtest/gtest.h>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/colorkey.h"
#include "graphics/fill.h"
#include "graphics/palette.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Row;

namespace {
// A device colour as a render target of `sd` stores it.
uint32_t AsStored(DDSURFACEDATA& sd, D3DCOLOR c) {
  return EncodePixel(drawtest::Buf(sd).format, DecodePixel(PixelFormat::A8R8G8B8, c));
}
}  // namespace

class FillTest : public DisplayTest {
 protected:
  void Setup(int mode) {
    ASSERT_TRUE(Init(kDisplayModes[mode])) << kDisplayModes[mode].name;
    for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{BYTE(i), 0, BYTE(255 - i), 0};
    DDSetTransmit(255, 0, 255);
  }
  DDSURFACEDATA sd_;
};

TEST_F(FillTest, NegativeStartIsCutInBothBackends) {
  struct Case {
    int mode;
    int lastFilled;  // columns 0 .. lastFilled are filled
  } cases[] = {{2, 19}, {0, 19}, {1, 19}, {6, 19}, {5, 19}};
  for (const Case& c : cases) {
    Setup(c.mode);
    ASSERT_TRUE(DDCreateSurface(&sd_, 40, 2, 0, 1, 0, nullptr, 0));
    FillAll(sd_, 0);
    DDFillRect(&sd_, -10, 0, 30, 1, 7);
    const uint32_t v = PalNumToRGB(7);
    const uint32_t expected = lpDTCon ? AsStored(sd_, v) : v;
    for (int x = 0; x < 40; ++x)
      EXPECT_EQ(Get(sd_, x, 0), x <= c.lastFilled ? expected : 0u) << kDisplayModes[c.mode].name << " " << x;
    EXPECT_EQ(Get(sd_, 0, 1), 0u);
    // A rectangle reaching past the far edges stays inside the surface.
    DDFillRect(&sd_, 30, 1, 100, 100, 7);
    EXPECT_EQ(Get(sd_, 39, 1), expected);
    DDReleaseSurface(&sd_);
    DDRelease();
  }
}

TEST_F(FillTest, Direct3DColourZeroMakesAKeyedTargetTransparent) {
  for (int mode : {6, 4}) {
    Setup(mode);
    DDSURFACEDATA keyed, plain;
    ASSERT_TRUE(DDCreateSurface(&keyed, 4, 1, 1, 0, 0, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&plain, 4, 1, 0, 0, 0, nullptr, 0));
    const uint32_t opaque = AsStored(keyed, 0xFF102030);
    FillAll(keyed, opaque);
    FillAll(plain, opaque);
    DDFillRect(&keyed, 1, 0, 2, 1, 0);
    EXPECT_EQ(Row(keyed, 0, 0, 4), (std::vector<uint32_t>{opaque, 0, 0, opaque})) << kDisplayModes[mode].name;
    // Not keyed: colour 0 is a fully transparent quad, which changes nothing.
    DDFillRect(&plain, 1, 0, 2, 1, 0);
    EXPECT_EQ(Row(plain, 0, 0, 4), (std::vector<uint32_t>(4, opaque))) << kDisplayModes[mode].name;
    // The back buffer's clear value is the opaque key colour.
    DDFillRectColor(&BackBuffer, 0, 0, 1, 1, lpDTCon->dwTransmitARGB);
    EXPECT_EQ(Get(BackBuffer, 0, 0), AsStored(BackBuffer, 0xFFFF00FF)) << kDisplayModes[mode].name;
    DDReleaseSurface(&keyed);
    DDReleaseSurface(&plain);
    DDRelease();
  }
}

TEST_F(FillTest, SystemTexturesAreWrittenWithTheProgramsPacking) {
  Setup(4);  // D3D16Full
  ASSERT_TRUE(DDCreateSurface(&sd_, 4, 1, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  FillAll(sd_, 0);
  DDFillRectColor(&sd_, 2, 0, 5, 5, 0xFF808080);  // x * mask / 255 with alpha; cut at the edge
  EXPECT_EQ(Row(sd_, 0, 0, 4), (std::vector<uint32_t>{0, 0, 0xBDEF, 0xBDEF}));
  DDReleaseSurface(&sd_);
  DDRelease();

  Setup(6);  // D3D32Full: unchanged
  ASSERT_TRUE(DDCreateSurface(&sd_, 2, 1, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  DDFillSurfaceColor(&sd_, 0x12345678);
  EXPECT_EQ(Row(sd_, 0, 0, 2), (std::vector<uint32_t>(2, 0x12345678)));
}

TEST_F(FillTest, FillSurfaceCoversTheWholeSurfaceInEveryMode) {
  for (int mode = 0; mode < 8; ++mode) {
    Setup(mode);
    ASSERT_TRUE(DDCreateSurface(&sd_, 3, 2, 0, 0, 0, nullptr, 0));
    FillAll(sd_, 0);
    DDFillSurface(&sd_, 200);
    const uint32_t v = PalNumToRGB(200);
    const uint32_t expected = lpDTCon ? AsStored(sd_, v) : v;
    EXPECT_EQ(Get(sd_, 0, 0), expected) << kDisplayModes[mode].name;
    EXPECT_EQ(Get(sd_, 2, 1), expected) << kDisplayModes[mode].name;
    DDReleaseSurface(&sd_);
    DDRelease();
  }
}
