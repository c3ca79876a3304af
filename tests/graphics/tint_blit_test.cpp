#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/blend.h"
#include "graphics/tint_blit.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;
using drawtest::Row;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

constexpr BYTE kColour = 31;  // the palette colour the chara flashes use

// c halved toward t, `times` times.
uint32_t Halved(uint32_t c, uint32_t t, int times) {
  for (int i = 0; i < times; ++i) c = (c + t) >> 1;
  return c;
}

}  // namespace

class TintBlitTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    std::memcpy(savedTable_, g_BlendTable, sizeof savedTable_);
  }
  void TearDown() override {
    std::memcpy(g_BlendTable, savedTable_, sizeof savedTable_);
    DisplayTest::TearDown();
  }
  void Make(DDSURFACEDATA& sd, int w, int h, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, dtMem, nullptr, 0));
    FillAll(sd, 0);
  }
  void Release() {
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
  DDSURFACEDATA dst_, src_;
  PALETTEENTRY palette_[256] = {};
  BYTE savedTable_[kBlendTableSize];
};

TEST_F(TintBlitTest, DirectDrawHalvesTowardThePaletteColourStrengthTimes) {
  ASSERT_TRUE(Init(Mode("DD32Full")));
  g_dwTransmit = 0x00FF00FF;
  palette_[kColour] = {200, 100, 0, 0};
  Make(src_, 4, 1);
  Make(dst_, 4, 1);
  const uint32_t src[4] = {0x00000000u, 0x00FFFFFFu, 0x00804021u, 0x00FF00FFu};
  for (int i = 0; i < 4; ++i) Put(src_, i, 0, src[i]);
  // Strength 0 copies; a huge strength ends on the colour the halving
  // settles at instead of looping for ever.
  for (int strength : {0, 1, 2, 3, 4, 5, -2, INT_MAX}) {
    FillAll(dst_, 0x6B000000u);
    EXPECT_TRUE(DDTintBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1, palette_, nullptr, kColour, strength));
    const int times = strength == INT_MAX ? 64 : std::max(0, strength);
    for (int i = 0; i < 3; ++i) {
      const uint32_t want = 0x6B000000u | Halved(src[i] >> 16 & 255, 200, times) << 16 |
                            Halved(src[i] >> 8 & 255, 100, times) << 8 | Halved(src[i] & 255, 0, times);
      EXPECT_EQ(Get(dst_, i, 0), want) << "strength " << strength << " pixel " << i;
    }
    EXPECT_EQ(Get(dst_, 3, 0), 0x6B000000u) << "the key colour is not drawn";
  }
  Release();
}

TEST_F(TintBlitTest, SixteenBitDirectDrawReadsThePaletteInDisplayChannels) {
  ASSERT_TRUE(Init(Mode("DD16Full")));
  g_dwTransmit = 0xF81F;
  // Full channel values of R5G6B5 count as 255.
  palette_[kColour] = {31, 63, 31, 0};
  Make(src_, 3, 1);
  Make(dst_, 3, 1);
  const uint32_t src[3] = {0x0000, 0x8410, 0x2945};
  for (int i = 0; i < 3; ++i) Put(src_, i, 0, src[i]);
  for (int strength : {1, 2, 4}) {
    EXPECT_TRUE(DDTintBlt(&dst_, 0, 0, 3, 1, &src_, 0, 0, 0, palette_, nullptr, kColour, strength));
    for (int i = 0; i < 3; ++i) {
      auto ch = [&](int shift, uint32_t mask) {
        return Halved((src[i] >> shift & mask) * 255 / mask, 255, strength) * mask / 255;
      };
      EXPECT_EQ(Get(dst_, i, 0), ch(11, 31) << 11 | ch(5, 63) << 5 | ch(0, 31)) << strength << " " << i;
    }
  }
  Release();
}

TEST_F(TintBlitTest, EightBitStepsThroughTheGlobalBlendTable) {
  ASSERT_TRUE(Init(Mode("DD8Full")));
  g_dwTransmit = 0;
  // Over colour 31: a chain s -> s / 2 + 100 that settles at 199 or 200.
  for (int s = 0; s < 256; ++s)
    for (int o = 0; o < 256; ++o) g_BlendTable[s * 256 + o] = static_cast<BYTE>(o == kColour ? s / 2 + 100 : s ^ o);
  std::vector<BYTE> otherTable(kBlendTableSize, 1);  // the table argument is not read
  Make(src_, 4, 1);
  Make(dst_, 4, 1);
  const uint32_t src[4] = {0, 7, 250, 31};
  for (int i = 0; i < 4; ++i) Put(src_, i, 0, src[i]);
  for (int strength : {0, 1, 2, 5, 1000, INT_MAX}) {
    FillAll(dst_, 3);
    EXPECT_TRUE(DDTintBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1, palette_, otherTable.data(), kColour, strength));
    EXPECT_EQ(Get(dst_, 0, 0), 3u) << "index equal to the key is skipped";
    const int times = std::min(strength, 1000);
    for (int i = 1; i < 4; ++i) {
      uint32_t s = src[i];
      for (int n = 0; n < times; ++n) s = g_BlendTable[s * 256 + kColour];
      EXPECT_EQ(Get(dst_, i, 0), s) << strength << " " << i;
    }
  }
  // Strength 2 is table[table[s x 256 + 31] x 256 + 31].
  DDTintBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 0, palette_, nullptr, kColour, 2);
  EXPECT_EQ(Get(dst_, 2, 0), g_BlendTable[g_BlendTable[250 * 256 + kColour] * 256 + kColour]);
  // A table whose steps cycle (s <-> s ^ 1) still gives the step count's colour.
  for (int s = 0; s < 256; ++s) g_BlendTable[s * 256 + kColour] = static_cast<BYTE>(s ^ 1);
  for (int strength : {1001, INT_MAX - 1}) {
    DDTintBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 0, palette_, nullptr, kColour, strength);
    EXPECT_EQ(Get(dst_, 1, 0), strength % 2 ? 6u : 7u) << strength;
  }
  Release();
}

TEST_F(TintBlitTest, Direct3DLockedPathWeighsTheSourceInSinglePrecision) {
  palette_[kColour] = {255, 128, 7, 0};
  for (const char* name : {"D3D32Full", "D3D16Window"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    const bool bits32 = g_nBpp == 32;
    const int shifts[3] = {bits32 ? 16 : 10, bits32 ? 8 : 5, 0};
    const uint32_t mask = bits32 ? 255 : 31;
    Make(src_, 3, 1, DTMEMORYTYPE_SYSTEM);
    Make(dst_, 3, 1);
    // Opaque, transparent, opaque.
    const uint32_t src[3] = {bits32 ? 0xFF10E080u : 0x8000u | 2u << 10 | 29u << 5 | 16u, bits32 ? 0x00FFFFFFu : 0x1FFFu,
                             bits32 ? 0x80000000u : 0xA000u};
    for (int i = 0; i < 3; ++i) Put(src_, i, 0, src[i]);
    const BYTE bytes[3] = {255, 128, 7};
    for (int strength : {0, 1, 2, 3, 4, 5}) {
      FillAll(dst_, 0x1111);
      EXPECT_TRUE(DDTintBlt(&dst_, 0, 0, 3, 1, &src_, 0, 0, 1, palette_, nullptr, kColour, strength));
      EXPECT_EQ(Get(dst_, 1, 0), 0x1111u);
      for (int i : {0, 2}) {
        uint32_t want = bits32 ? 0xFF000000u : 0x8000u;
        for (int c = 0; c < 3; ++c) {
          const uint32_t s = src[i] >> shifts[c] & mask, t = bytes[c] * mask / 255;
          uint32_t v;
          if (strength == 1) {
            v = (s + t) / 2;
          } else {
            const int k = strength == 2 ? 64 : strength == 3 ? 32 : strength == 4 ? 16 : 0;
            const float f = static_cast<float>(k) * (1.0f / 255.0f);
            v = static_cast<uint32_t>(f * static_cast<float>(s) + (1.0f - f) * static_cast<float>(t));
          }
          want |= v << shifts[c];
        }
        // Strength 0 draws nothing in Direct3D.
        EXPECT_EQ(Get(dst_, i, 0), strength == 0 ? 0x1111u : want) << strength << " " << i;
      }
    }
    Release();
  }
}

TEST_F(TintBlitTest, Direct3DFullScreenBackBufferGetsDoubledGreen) {
  ASSERT_TRUE(Init(Mode("D3D16Full")));
  palette_[kColour] = {0, 255, 0, 0};
  Make(src_, 1, 1, DTMEMORYTYPE_SYSTEM);
  Put(src_, 0, 0, 0x8000u | 4u << 10 | 9u << 5 | 6u);
  // Strength 1 writes source green + tint green without halving.
  DDTintBlt(&BackBuffer, 3, 3, 1, 1, &src_, 0, 0, 1, palette_, nullptr, kColour, 1);
  EXPECT_EQ(Get(BackBuffer, 3, 3), (4u / 2) << 11 | (9u + 31) << 5 | 6u / 2);
  // Strength 5: the tint colour alone, its green doubled.
  DDTintBlt(&BackBuffer, 3, 3, 1, 1, &src_, 0, 0, 1, palette_, nullptr, kColour, 5);
  EXPECT_EQ(Get(BackBuffer, 3, 3), 62u << 5);
  Release();
}

TEST_F(TintBlitTest, Direct3DQuadBlendsTowardTheTintByTheTextureFactor) {
  ASSERT_TRUE(Init(Mode("D3D32Full")));
  palette_[kColour] = {10, 250, 128, 0};
  Make(src_, 2, 1);
  Make(dst_, 2, 1);
  const uint32_t s = 0xFFC08040u, d = 0xFF000000u | 0x123456u;
  Put(src_, 0, 0, s);
  Put(src_, 1, 0, 0x00FFFFFFu);  // transparent texel
  const BYTE tint[3] = {128, 250, 10};  // blue, green, red
  for (int strength : {0, 1, 2, 3, 4, 5}) {
    FillAll(dst_, d);
    EXPECT_TRUE(DDTintBlt(&dst_, 0, 0, 2, 1, &src_, 0, 0, 0, palette_, nullptr, kColour, strength));
    EXPECT_EQ(Get(dst_, 1, 0), d) << strength;
    if (strength == 0) {
      EXPECT_EQ(Get(dst_, 0, 0), d);
      continue;
    }
    const uint32_t k = strength == 1 ? 128 : strength == 2 ? 80 : strength == 3 ? 48 : strength == 4 ? 16 : 0;
    uint32_t want = 0xFF000000u;
    for (int c = 0; c < 3; ++c) want |= (((s >> (8 * c) & 255) * k + tint[c] * (255 - k) + 127) / 255) << (8 * c);
    EXPECT_EQ(Get(dst_, 0, 0), want) << strength;
  }
  Release();
}
