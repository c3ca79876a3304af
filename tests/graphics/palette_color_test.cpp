#include <gtest/gtest.h>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/color.h"
#include "graphics/colorkey.h"
#include "graphics/palette.h"

namespace {
const COLORBITS k565 = ColorBitsOfFormat(PixelFormat::R5G6B5);
const COLORBITS k1555 = ColorBitsOfFormat(PixelFormat::A1R5G5B5);
}  // namespace

TEST(PaletteColor, EachPathPacksTheSameColourItsOwnWay) {
  struct Case {
    uint32_t rgb;
    uint32_t scaled565;  // the program's x * mask / 255
    uint32_t gdi565;     // GDI's top bits
  } cases[] = {
      {0x808080, 15u << 11 | 31u << 5 | 15, 16u << 11 | 32u << 5 | 16},
      {0xFFFFFF, 0xFFFF, 0xFFFF},
      {0x000000, 0, 0},
      {0x07030F, 0u << 11 | 0u << 5 | 1, 0u << 11 | 0u << 5 | 1},
      {0xF8FCF8, 30u << 11 | 62u << 5 | 30, 31u << 11 | 63u << 5 | 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackScaled(k565, c.rgb >> 16, c.rgb >> 8 & 0xFF, c.rgb & 0xFF), c.scaled565) << std::hex << c.rgb;
    EXPECT_EQ(GdiPack16(k565, c.rgb), c.gdi565) << std::hex << c.rgb;
  }
  // Scaling back: field x 255 / mask.
  EXPECT_EQ(FieldTo255(15, 31), 123u);
  EXPECT_EQ(FieldTo255(31, 31), 255u);
  EXPECT_EQ(FieldTo255(32, 63), 129u);
  EXPECT_EQ(UnpackToRgb(k565, 15u << 11 | 31u << 5 | 15), 0x7B7D7Bu);  // 31 of 63 is 125
  // With alpha: 0x80 alpha keeps the A1R5G5B5 alpha bit clear (128 x 1 / 255 = 0).
  EXPECT_EQ(PackScaledArgb(k1555, 0xFFFF0000), 0x8000u | 31u << 10);
  EXPECT_EQ(PackScaledArgb(k1555, 0x80FF0000), 31u << 10);
}

TEST(PaletteColor, KeyNudgeGreenDoublingAndNearestEntry) {
  const uint32_t keyMagenta = PackScaled(k565, 255, 0, 255);
  ASSERT_EQ(keyMagenta, 0xF81Fu);
  EXPECT_EQ(NudgeOffKey(k565, keyMagenta, keyMagenta), 0xF81Eu);  // blue at its maximum moves down
  EXPECT_EQ(NudgeOffKey(k565, 0, 0), 1u);                         // otherwise up
  EXPECT_EQ(NudgeOffKey(k565, 0x1234, 0xF81F), 0x1234u);

  // A texture pixel into the full-screen R5G6B5 back buffer: green x 2.
  EXPECT_EQ(RepackGreenDoubled(k1555, k565, 0x8000u | 31u << 5), 62u << 5);
  EXPECT_EQ(RepackGreenDoubled(k1555, k565, 0xFFFF), 31u << 11 | 62u << 5 | 31);

  PALETTEENTRY pal[4] = {{0, 0, 0, 0}, {255, 0, 0, 0}, {200, 0, 0, 0}, {200, 0, 0, 0}};
  EXPECT_EQ(NearestPaletteIndex(pal, 4, 0xD20500), 2);  // nearer 200 than 255; 2 before its twin 3
  EXPECT_EQ(NearestPaletteIndex(pal, 4, 0xFF0000), 1);
  EXPECT_EQ(NearestPaletteIndex(pal, 4, 0x101010), 0);
}

TEST(PaletteColor, DeviceConversionRoundTripsEveryFieldValue) {
  for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::A1R5G5B5}) {
    for (uint32_t p = 0; p < 0x10000; ++p) {
      if (f == PixelFormat::R5G6B5 || (p & 0x8000)) {
        ASSERT_EQ(EncodePixel(f, DecodePixel(f, p)), p) << PixelFormatName(f) << " " << p;
      }
    }
  }
}

class PaletteDisplay : public DisplayTest {
 protected:
  void SetPalette() {
    for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
  }
};

TEST_F(PaletteDisplay, PalNumToRGBPerBackendAndDepth) {
  struct Case {
    int mode;  // index into kDisplayModes
    DWORD n;
    DWORD expected;
  } cases[] = {
      {6, 0, 0},                                 // D3D32: colour 0 is transparent, not entry 0
      {6, 200, 0xFF000000u | 200u << 16 | 55u << 8 | 100},
      {6, 300, 0},                               // out of range
      {4, 0, 0},                                 // D3D16 as well
      {4, 10, 0xFF000000u | 10u << 16 | 245u << 8 | 5},
      {2, 200, 200u << 16 | 55u << 8 | 100},     // DD32
      {2, 0, 0u << 16 | 255u << 8 | 0},
      {1, 10, (10u & 31) << 11 | (245u & 63) << 5 | (5u & 31)},  // DD16 entries hold field values
      {0, 77, 77},                               // DD8: the index
  };
  for (const Case& c : cases) {
    const DisplayMode& m = kDisplayModes[c.mode];
    ASSERT_TRUE(Init(m)) << m.name;
    SetPalette();
    DDSetTransmit(1, 2, 3);
    EXPECT_EQ(PalNumToRGB(c.n), c.expected) << m.name << " " << c.n;
    DDRelease();
  }
}

TEST_F(PaletteDisplay, SetTransmitPerBackend) {
  ASSERT_TRUE(Init(kDisplayModes[2]));  // DD32
  DDSetTransmit(255, 0, 255);
  EXPECT_EQ(g_dwTransmit, 0x00FF00FFu);
  DDSetTransmit(255, 0, 0);
  EXPECT_EQ(g_dwTransmit, 0x00FF0000u);
  EXPECT_EQ(g_lpDDCon->rgbTransmit.rgbtRed, 255);
  DDRelease();

  ASSERT_TRUE(Init(kDisplayModes[1]));  // DD16: scaled into the display packing
  DDSetTransmit(255, 0, 255);
  EXPECT_EQ(g_dwTransmit, 0xF81Fu);
  DDSetTransmit(128, 128, 128);
  EXPECT_EQ(g_dwTransmit, 15u << 11 | 31u << 5 | 15);
  DDRelease();

  ASSERT_TRUE(Init(kDisplayModes[4]));  // D3D16: given as field values
  DDSetTransmit(31, 0, 31);
  EXPECT_EQ(lpDTCon->wTransmitBack_16, 0xFC1Fu);
  EXPECT_EQ(lpDTCon->dwTransmitARGB, 0xFF1F001Fu);
  EXPECT_EQ(lpDTCon->dwClearKey, 0u);
  EXPECT_EQ(lpDTCon->wTransmit_16, 0u);
  DDRelease();

  ASSERT_TRUE(Init(kDisplayModes[6]));  // D3D32
  g_dwTransmit = 99;
  DDSetTransmit(255, 0, 255);
  EXPECT_EQ(lpDTCon->dwTransmitARGB, 0xFFFF00FFu);
  EXPECT_EQ(lpDTCon->rgbTransmit.rgbtBlue, 255);
  EXPECT_EQ(g_dwTransmit, 0u);
}

TEST_F(PaletteDisplay, ColorBitsOfThePrimaryAndThe16BitEntryPacking) {
  ASSERT_TRUE(Init(kDisplayModes[1]));  // DD16
  COLORBITS cb{};
  cb.nShiftA = 7;
  cb.nMaskA = 9;
  DDGetColorBits(&cb);
  EXPECT_EQ(cb.nShiftR, 11);
  EXPECT_EQ(cb.nShiftG, 5);
  EXPECT_EQ(cb.nMaskG, 63);
  EXPECT_EQ(cb.nMaskB, 31);
  EXPECT_EQ(cb.nShiftA, 7);  // alpha is not filled
  EXPECT_EQ(cb.nMaskA, 9);
  const PALETTEENTRY e{31, 63, 1, 0};
  EXPECT_EQ(DDPalToRGB16(&e), 0xFFE1u);
  DDRelease();
  ASSERT_TRUE(Init(kDisplayModes[6]));  // D3D32: not available
  EXPECT_EQ(DDPalToRGB16(&e), 0u);
  COLORBITS untouched{};
  DDGetColorBits(&untouched);
  EXPECT_EQ(untouched.nMaskR, 0);
}
