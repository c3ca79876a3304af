#include <gtest/gtest.h>

#include <algorithm>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/blend.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;
using drawtest::Row;
using drawtest::TempFile;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

size_t CountLines(const std::string& s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

}  // namespace

class BlendTest : public DisplayTest {
 protected:
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
};

TEST_F(BlendTest, SixteenBitBlendsPackEachPathsLayout) {
  // Pixel pairs: source, destination.
  const uint32_t pairs[][2] = {{0xFFFF, 0x0000}, {0x8421, 0x7BDE}, {0x1234, 0xFEDC}, {0xF800, 0x07E0}};
  auto f = [](uint32_t p, int shift, uint32_t mask) { return p >> shift & mask; };

  // 16-bit DirectDraw (R5G6B5): channels on the 0..255 scale, averaged, scaled back.
  ASSERT_TRUE(Init(Mode("DD16Full")));
  g_dwTransmit = 0xF81F;
  Make(src_, 4, 1);
  Make(dst_, 4, 1);
  for (int i = 0; i < 4; ++i) Put(src_, i, 0, pairs[i][0]), Put(dst_, i, 0, pairs[i][1]);
  EXPECT_TRUE(DDBlendBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1, g_BlendTable, 0));
  for (int i = 0; i < 4; ++i) {
    const uint32_t s = pairs[i][0], d = pairs[i][1];
    auto mix = [&](int shift, uint32_t mask) {
      return ((f(s, shift, mask) * 255 / mask + f(d, shift, mask) * 255 / mask) >> 1) * mask / 255;
    };
    EXPECT_EQ(Get(dst_, i, 0), mix(11, 31) << 11 | mix(5, 63) << 5 | mix(0, 31)) << i;
  }
  // A destination pixel of the key colour takes the source as it is.
  Put(dst_, 0, 0, 0xF81F);
  DDBlendBlt(&dst_, 0, 0, 1, 1, &src_, 0, 0, 1, g_BlendTable, 0);
  EXPECT_EQ(Get(dst_, 0, 0), 0xFFFFu);
  Release();

  // Direct3D 16-bit texture (A1R5G5B5), locked because the source is in
  // system memory: raw fields halved, the alpha bit set.
  ASSERT_TRUE(Init(Mode("D3D16Window")));
  Make(src_, 4, 1, DTMEMORYTYPE_SYSTEM);
  Make(dst_, 4, 1);
  for (int i = 0; i < 4; ++i) Put(src_, i, 0, pairs[i][0] | 0x8000), Put(dst_, i, 0, pairs[i][1]);
  EXPECT_TRUE(DDBlendBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 0, g_BlendTable, 0));
  for (int i = 0; i < 4; ++i) {
    const uint32_t s = pairs[i][0] | 0x8000, d = pairs[i][1];
    auto mix = [&](int shift) { return (f(s, shift, 31) + f(d, shift, 31)) >> 1; };
    EXPECT_EQ(Get(dst_, i, 0), 0x8000u | mix(10) << 10 | mix(5) << 5 | mix(0)) << i;
  }
  Release();

  // Into the full-screen R5G6B5 back buffer: the texture's green doubled to
  // six bits before the sum.
  ASSERT_TRUE(Init(Mode("D3D16Full")));
  Make(src_, 4, 1, DTMEMORYTYPE_SYSTEM);
  for (int i = 0; i < 4; ++i) Put(src_, i, 0, pairs[i][0] | 0x8000), Put(BackBuffer, 20 + i, 7, pairs[i][1]);
  EXPECT_TRUE(DDBlendBlt(&BackBuffer, 20, 7, 4, 1, &src_, 0, 0, 0, g_BlendTable, 0));
  for (int i = 0; i < 4; ++i) {
    const uint32_t s = pairs[i][0] | 0x8000, d = pairs[i][1];
    const uint32_t r = (f(s, 10, 31) + f(d, 11, 31)) >> 1, g = (2 * f(s, 5, 31) + f(d, 5, 63)) >> 1,
                   b = (f(s, 0, 31) + f(d, 0, 31)) >> 1;
    EXPECT_EQ(Get(BackBuffer, 20 + i, 7), r << 11 | g << 5 | b) << i;
  }
  Release();
}

TEST_F(BlendTest, EightBitBlendLooksTheTableUpUnderTimes256PlusOver) {
  ASSERT_TRUE(Init(Mode("DD8Full")));
  std::vector<BYTE> table(kBlendTableSize);
  for (int i = 0; i < kBlendTableSize; ++i) table[i] = static_cast<BYTE>((i / 256) * 7 + (i % 256) * 13 + 1);
  g_dwTransmit = 9;  // index 0 is the transparent colour here, whatever the key
  Make(src_, 4, 1);
  Make(dst_, 4, 1);
  const uint32_t over[4] = {0, 5, 9, 200}, under[4] = {3, 0, 77, 255};
  for (int i = 0; i < 4; ++i) Put(src_, i, 0, over[i]), Put(dst_, i, 0, under[i]);
  EXPECT_TRUE(DDBlendBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1, table.data(), 0));
  EXPECT_EQ(Row(dst_, 0, 0, 4),
            (std::vector<uint32_t>{3, 5, table[77 * 256 + 9], table[255 * 256 + 200]}));
  // Without the key flag source index 0 is mixed too.
  Put(dst_, 0, 0, 3);
  DDBlendBlt(&dst_, 0, 0, 1, 1, &src_, 0, 0, 0, table.data(), 255);
  EXPECT_EQ(Get(dst_, 0, 0), table[3 * 256 + 0]);
  Release();
}

TEST_F(BlendTest, ThirtyTwoBitLockedBlendsMixHalfAndHalfWhateverTheAlpha) {
  for (const char* name : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    const bool d3d = lpDTCon != nullptr;
    g_dwTransmit = 0x00FF00FF;
    Make(src_, 4, 1, DTMEMORYTYPE_SYSTEM);
    Make(dst_, 4, 1);
    // Source: opaque colour, transparent (key or alpha 0), two more colours.
    const uint32_t src[4] = {0xFF1020F0u, d3d ? 0x00112233u : 0x00FF00FFu, 0xFF01FF03u, 0xFFFFFFFFu};
    const uint32_t dst[4] = {0x7A3050A1u, 0x7A445566u, 0x7A020100u, d3d ? 0x7A000000u : 0x00FF00FFu};
    for (int alpha : {0, 255}) {
      for (int i = 0; i < 4; ++i) Put(src_, i, 0, src[i]), Put(dst_, i, 0, dst[i]);
      EXPECT_TRUE(DDBlendBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1, g_BlendTable, alpha));
      for (int i = 0; i < 4; ++i) {
        uint32_t want;
        if (i == 1) {
          want = dst[i];  // transparent source pixel skipped
        } else if (!d3d && dst[i] == 0x00FF00FFu) {
          want = (dst[i] & 0xFF000000u) | (src[i] & 0xFFFFFFu);  // key under it: the source copied
        } else {
          want = d3d ? 0xFF000000u : dst[i] & 0xFF000000u;
          for (int shift : {0, 8, 16}) want |= (((src[i] >> shift & 255) + (dst[i] >> shift & 255)) >> 1) << shift;
        }
        EXPECT_EQ(Get(dst_, i, 0), want) << "alpha " << alpha << " pixel " << i;
      }
    }
    Release();
  }
}

TEST_F(BlendTest, LockedBlendDrawsOnlyWhereBothPointsLieInTheirSurfaces) {
  ASSERT_TRUE(Init(Mode("DD32Full")));
  Make(src_, 4, 3);
  Make(dst_, 5, 2);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) Put(src_, x, y, 0x00020202u * uint32_t(1 + y * 4 + x));
  FillAll(dst_, 0x00646464u);
  const int dx = 2, dy = -1, w = 4, h = 3, sx = 1, sy = 0;
  DDBlendBlt(&dst_, dx, dy, w, h, &src_, sx, sy, 0, g_BlendTable, 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) {
      const int i = x - dx, j = y - dy, px = sx + i, py = sy + j;
      const bool drawn = i >= 0 && i < w && j >= 0 && j < h && px < 4 && py < 3;
      const uint32_t want = drawn ? 0x00010101u * ((2 * uint32_t(1 + py * 4 + px) + 100) >> 1) : 0x00646464u;
      EXPECT_EQ(Get(dst_, x, y), want) << x << "," << y;
    }
  Release();
}

TEST_F(BlendTest, Direct3DQuadTakesTheLowByteOfAlphaAsTransparency) {
  ASSERT_TRUE(Init(Mode("D3D32Full")));
  Make(src_, 2, 1);
  Make(dst_, 2, 1);
  const uint32_t s = 0xFFC08040u, d = 0xFF204060u;
  Put(src_, 0, 0, s);
  Put(src_, 1, 0, 0x00FFFFFFu);  // a transparent texel never shows
  struct Case {
    int alpha;
    bool drawn;
  };
  for (const Case c : {Case{0, true}, Case{255, false}, Case{256, true}, Case{-256, true}}) {
    FillAll(dst_, d);
    EXPECT_TRUE(DDBlendBlt(&dst_, 0, 0, 2, 1, &src_, 0, 0, 0, g_BlendTable, c.alpha));
    EXPECT_EQ(Get(dst_, 0, 0), c.drawn ? s : d) << c.alpha;
    EXPECT_EQ(Get(dst_, 1, 0), d) << c.alpha;
  }
  // The half blend: vertex alpha 127, so the source weighs 127/255.
  FillAll(dst_, d);
  EXPECT_TRUE(DDHalfBlendBlt(&dst_, 0, 0, 2, 1, &src_, 0, 0, 1, g_BlendTable));
  uint32_t want = 0;
  for (int shift : {0, 8, 16})
    want |= (((s >> shift & 255) * 127 + (d >> shift & 255) * 128 + 127) / 255) << shift;
  EXPECT_EQ(Get(dst_, 0, 0) & 0xFFFFFFu, want);
  Release();
}

TEST_F(BlendTest, LockedBlendReadsAMirroredAliasBackwards) {
  ASSERT_TRUE(Init(Mode("D3D32Full")));
  Make(src_, 8, 1, DTMEMORYTYPE_SYSTEM);
  for (int x = 0; x < 8; ++x) Put(src_, x, 0, 0xFF000000u | uint32_t(x * 20));
  DDSURFACEDATA alias;
  ASSERT_TRUE(DDCreateSurface(&alias, 8, 1, 0, 0, DTMEMORYTYPE_SYSTEM, &src_, 0));
  alias.lpBaseSD = &src_;
  alias.nMirrorX = 4;
  Make(dst_, 4, 1);
  FillAll(dst_, 0xFF000000u);
  // The second cell, mirrored: base columns 7, 6, 5, 4.
  EXPECT_TRUE(DDBlendBlt(&dst_, 0, 0, 4, 1, &alias, 4, 0, 0, g_BlendTable, 0));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Get(dst_, x, 0), 0xFF000000u | uint32_t((7 - x) * 20 / 2)) << x;
  DDReleaseSurface(&alias);
  Release();
}

TEST_F(BlendTest, LoadingATableFillsTheMissingRowsOfAShortFileAndReportsIt) {
  ASSERT_TRUE(Init(Mode("DD8Full")));
  std::vector<BYTE> table(kBlendTableSize, 0x5A);

  TempFile full("hbt_full.dat", std::vector<uint8_t>(kBlendTableSize, 0x11));
  const size_t before = CountLines(Report());
  EXPECT_TRUE(DDLoadBlendTable(table.data(), full.path()));
  EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](BYTE b) { return b == 0x11; }));
  EXPECT_EQ(CountLines(Report()), before);

  // 1000 bytes: the rest of row 3 and rows 4..255 are missing.
  TempFile shortFile("hbt_short.dat", std::vector<uint8_t>(1000, 0xEE));
  EXPECT_TRUE(DDLoadBlendTable(table.data(), shortFile.path()));
  for (int i : {0, 999}) EXPECT_EQ(table[i], 0xEE) << i;
  for (int i : {1000, 1023, 1024 + 7, 65535}) EXPECT_EQ(table[i], i % 256) << i;
  EXPECT_EQ(CountLines(Report()), before + 1);
  EXPECT_NE(Report().find("hbt_short.dat"), std::string::npos) << Report();

  // A missing file is the caller's to report; the table stays.
  table.assign(kBlendTableSize, 0x5A);
  EXPECT_FALSE(DDLoadBlendTable(table.data(), (std::string(full.path()) + ".none").c_str()));
  EXPECT_EQ(table[123], 0x5A);
  Release();

  // Direct3D reads nothing and succeeds.
  ASSERT_TRUE(Init(Mode("D3D32Full")));
  EXPECT_TRUE(DDLoadBlendTable(table.data(), "no\\such\\hbt99.dat"));
  EXPECT_EQ(table[123], 0x5A);
  Release();
}
