#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/blur_mosaic.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

struct Rgb {
  uint32_t r, g, b;
};

// The pixel layouts of the effect paths, written out from the formats:
// DirectDraw 16 is R5G6B5, a Direct3D 16-bit texture A1R5G5B5 (transparent
// with bits 15 and 13 clear), 32 bits are the bytes 2, 1, 0 (Direct3D:
// transparent with alpha 0). DirectDraw keys on equality with the key.
struct Layout {
  const char* mode;
  std::function<Rgb(uint32_t)> decode;
  std::function<bool(uint32_t)> transparent;
  std::function<uint32_t(Rgb, uint32_t old)> pack;
  std::function<uint32_t(uint32_t n)> pixel;  // a varied pixel from a number
};

constexpr uint32_t kKey16 = 0xF81F, kKey32 = 0x00FF00FF;

std::vector<Layout> Layouts() {
  auto bytes = [](uint32_t p) { return Rgb{p >> 16 & 255, p >> 8 & 255, p & 255}; };
  return {
      {"DD16Full", [](uint32_t p) { return Rgb{p >> 11 & 31, p >> 5 & 63, p & 31}; },
       [](uint32_t p) { return p == kKey16; }, [](Rgb c, uint32_t) { return c.r << 11 | c.g << 5 | c.b; },
       [](uint32_t n) { return n % 7 == 3 ? kKey16 : (n * 2654435761u >> 7) & 0xFFFF; }},
      {"DD32Full", bytes, [](uint32_t p) { return p == kKey32; },
       [](Rgb c, uint32_t old) { return (old & 0xFF000000u) | c.r << 16 | c.g << 8 | c.b; },
       [](uint32_t n) { return n % 7 == 3 ? kKey32 : (n * 2654435761u) & 0x0FFFFFFFu; }},
      {"D3D16Window", [](uint32_t p) { return Rgb{p >> 10 & 31, p >> 5 & 31, p & 31}; },
       [](uint32_t p) { return (p & 0xA000) == 0; },
       [](Rgb c, uint32_t) { return 0x8000u | c.r << 10 | c.g << 5 | c.b; },
       [](uint32_t n) { return (n * 2654435761u >> 9) & 0xFFFF; }},
      {"D3D32Full", bytes, [](uint32_t p) { return (p >> 24) == 0; },
       [](Rgb c, uint32_t) { return 0xFF000000u | c.r << 16 | c.g << 8 | c.b; },
       [](uint32_t n) {
         const uint32_t alpha[3] = {0, 0x80, 0xFF};
         return alpha[n % 3] << 24 | ((n * 2654435761u) & 0xFFFFFF);
       }},
  };
}

// A surface's pixels as a plain array, row by row.
struct Pixels {
  int w, h;
  std::vector<uint32_t> v;
  uint32_t& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

Pixels Read(DDSURFACEDATA& sd) {
  Pixels p{sd.nWidth, sd.nHeight, {}};
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) p.v.push_back(Get(sd, x, y));
  return p;
}

struct BlurCase {
  int dx, dy, w, h, rx, ry, sx, sy, flag;
};

// The box blur pixel by pixel: the 2rx x 2ry window from (k - rx, j - ry),
// cut to the rectangle; points outside either surface are neither read nor
// written. `dst` and `src` may be the same array.
void ReferenceBlur(Pixels& dst, Pixels& src, const Layout& L, const BlurCase& c) {
  if (c.rx <= 0 || c.ry <= 0) return;
  for (int j = 0; j < c.h; ++j)
    for (int k = 0; k < c.w; ++k) {
      if (!dst.inside(c.dx + k, c.dy + j) || !src.inside(c.sx + k, c.sy + j)) continue;
      if (c.flag == 1 && L.transparent(src.at(c.sx + k, c.sy + j))) continue;
      uint64_t r = 0, g = 0, b = 0, n = 0;
      for (int y = j - c.ry; y <= j + c.ry - 1; ++y)
        for (int x = k - c.rx; x <= k + c.rx - 1; ++x) {
          if (x < 0 || y < 0 || x >= c.w || y >= c.h || !src.inside(c.sx + x, c.sy + y)) continue;
          const uint32_t p = src.at(c.sx + x, c.sy + y);
          if (c.flag == 1 && L.transparent(p)) continue;
          const Rgb ch = L.decode(p);
          r += ch.r, g += ch.g, b += ch.b, ++n;
        }
      if (n == 0) continue;
      uint32_t& out = dst.at(c.dx + k, c.dy + j);
      out = L.pack(Rgb{uint32_t(r / n), uint32_t(g / n), uint32_t(b / n)}, out);
    }
}

class BlurMosaicTest : public DisplayTest {
 protected:
  void Make(DDSURFACEDATA& sd, int w, int h, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, dtMem, nullptr, 0));
  }
  void Fill(DDSURFACEDATA& sd, const Layout& L, uint32_t seed) {
    for (int y = 0; y < sd.nHeight; ++y)
      for (int x = 0; x < sd.nWidth; ++x) Put(sd, x, y, L.pixel(seed + static_cast<uint32_t>(y * 31 + x)));
  }
  void Release() {
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
  DDSURFACEDATA dst_, src_;
};

}  // namespace

TEST_F(BlurMosaicTest, BlurTwoByTwoWindowOfThePixelAndItsUpperLeftNeighbours) {
  ASSERT_TRUE(Init(Mode("DD32Full")));
  Make(src_, 2, 2);
  Make(dst_, 2, 2);
  // Blue channel only: 10 20 / 30 41.
  Put(src_, 0, 0, 10), Put(src_, 1, 0, 20), Put(src_, 0, 1, 30), Put(src_, 1, 1, 41);
  FillAll(dst_, 0x77000000u);
  EXPECT_TRUE(DDBlurBlt(&dst_, 0, 0, 2, 2, 1, 1, &src_, 0, 0, 0));
  // At the corner the window holds only the rectangle's own pixels.
  EXPECT_EQ(Get(dst_, 0, 0), 0x77000000u | 10);
  EXPECT_EQ(Get(dst_, 1, 0), 0x77000000u | (10 + 20) / 2);
  EXPECT_EQ(Get(dst_, 0, 1), 0x77000000u | (10 + 30) / 2);
  EXPECT_EQ(Get(dst_, 1, 1), 0x77000000u | (10 + 20 + 30 + 41) / 4);
  Release();
}

TEST_F(BlurMosaicTest, BlurMatchesThePlainWindowAverageInEveryPath) {
  const BlurCase cases[] = {
      {0, 0, 9, 7, 1, 1, 0, 0, 0},      // destination smaller than the rectangle
      {1, 1, 5, 4, 2, 1, 2, 1, 1},      // transparency left out
      {3, 0, 1, 7, 1, 2, 4, 0, 0},      // one pixel wide: blurs only vertically
      {0, 0, 9, 7, 3, 2, 0, 0, 1},
      {-1, 2, 8, 8, 50, 50, 5, -2, 1},  // radii past the surface; overhangs everywhere
      {0, 0, 9, 7, 100, 1, 0, 0, 0},
      {2, 0, 4, 3, 0, 3, 0, 0, 0},      // radius 0: nothing
      {0, 0, 9, 7, 3, -1, 0, 0, 0},     // negative radius: empty windows
      {20, 0, 9, 7, 1, 1, -5, 0, 0},    // wholly outside the destination
      {0, 0, 4, 4, 1, 1, 30, 0, 1},     // wholly outside the source
  };
  for (const Layout& L : Layouts()) {
    ASSERT_TRUE(Init(Mode(L.mode))) << L.mode;
    g_dwTransmit = std::string(L.mode) == "DD16Full" ? kKey16 : kKey32;
    for (const BlurCase& c : cases) {
      SCOPED_TRACE(::testing::Message() << L.mode << " case dx " << c.dx << " w " << c.w << " rx " << c.rx << " ry "
                                        << c.ry << " sx " << c.sx << " flag " << c.flag);
      Make(src_, 9, 7);
      Make(dst_, 8, 6);
      Fill(src_, L, 1);
      Fill(dst_, L, 1000);
      Pixels src = Read(src_), expected = Read(dst_);
      ReferenceBlur(expected, src, L, c);
      EXPECT_TRUE(DDBlurBlt(&dst_, c.dx, c.dy, c.w, c.h, c.rx, c.ry, &src_, c.sx, c.sy, c.flag));
      EXPECT_EQ(Read(dst_).v, expected.v);
      DDReleaseSurface(&dst_);
      DDReleaseSurface(&src_);
    }
    DDRelease();
  }
}

TEST_F(BlurMosaicTest, BlurOverItsOwnSourceReadsThePixelsWrittenBefore) {
  const Layout L = Layouts()[1];  // DD32
  ASSERT_TRUE(Init(Mode(L.mode)));
  g_dwTransmit = kKey32;
  Make(src_, 9, 7);
  Fill(src_, L, 5);
  Pixels expected = Read(src_);
  const BlurCase c{1, 1, 7, 5, 2, 2, 0, 0, 1};
  ReferenceBlur(expected, expected, L, c);
  EXPECT_TRUE(DDBlurBlt(&src_, c.dx, c.dy, c.w, c.h, c.rx, c.ry, &src_, c.sx, c.sy, c.flag));
  EXPECT_EQ(Read(src_).v, expected.v);
  Release();
}

TEST_F(BlurMosaicTest, Direct3D16BitBlurSumsWideWindowsWithoutWrapping) {
  // 4,096 white pixels sum to 126,976 per channel: past 16 bits.
  ASSERT_TRUE(Init(Mode("D3D16Window")));
  Make(src_, 64, 64);
  Make(dst_, 64, 64);
  FillAll(src_, 0xFFFF);
  FillAll(dst_, 0x8000);
  EXPECT_TRUE(DDBlurBlt(&dst_, 0, 0, 64, 64, 64, 64, &src_, 0, 0, 0));
  for (int y : {0, 31, 63})
    for (int x : {0, 32, 63}) EXPECT_EQ(Get(dst_, x, y), 0xFFFFu) << x << "," << y;
  Release();
}

TEST_F(BlurMosaicTest, Direct3D16BitIntoTheFullScreenBackBufferDoublesGreen) {
  ASSERT_TRUE(Init(Mode("D3D16Full")));
  Make(src_, 4, 4);
  FillAll(src_, 0x8000 | 3 << 10 | 5 << 5 | 7);
  EXPECT_TRUE(DDBlurBlt(&BackBuffer, 10, 10, 4, 4, 1, 1, &src_, 0, 0, 1));
  EXPECT_EQ(Get(BackBuffer, 10, 10), uint32_t(3 << 11 | 10 << 5 | 7));
  EXPECT_EQ(Get(BackBuffer, 13, 13), uint32_t(3 << 11 | 10 << 5 | 7));
  EXPECT_EQ(Get(BackBuffer, 14, 14), 0u);
  Release();
}

TEST_F(BlurMosaicTest, EightBitBlurIsRefusedWithItsLogLine) {
  const std::string log = ::testing::TempDir() + "t4_blur_ec_" + std::to_string(::getpid()) + ".txt";
  InitECLog(1, log.c_str());
  ASSERT_TRUE(Init(Mode("DD8Full")));
  Make(src_, 4, 4);
  Make(dst_, 4, 4);
  FillAll(src_, 9);
  FillAll(dst_, 3);
  EXPECT_TRUE(DDBlurBlt(&dst_, 0, 0, 4, 4, 1, 1, &src_, 0, 0, 0));
  InitECLog(0, "");
  EXPECT_EQ(Get(dst_, 1, 1), 3u);
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find(U8(u8"8ビットぼかしは不可能！")), std::string::npos) << text.str();
  // The mosaic works on palette indices at 8 bits.
  EXPECT_TRUE(DDMosaicBlt(&dst_, 0, 0, 4, 4, 2, &src_, 0, 0, 0));
  EXPECT_EQ(Get(dst_, 3, 3), 9u);
  Release();
  std::remove(log.c_str());
}

TEST_F(BlurMosaicTest, MosaicOfACheckerboardAveragesInDirectDrawAndSamplesInDirect3D) {
  // A one-pixel checkerboard of A and B cut in 3 x 3 blocks over 10 x 7: the
  // last column of blocks is 1 wide, the last row 1 high.
  const uint32_t A = 0x00102030u, B = 0x00F0E0D0u;
  for (const char* name : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    const bool d3d = lpDTCon != nullptr;
    const uint32_t alpha = d3d ? 0x80000000u : 0x5A000000u;
    Make(src_, 10, 7);
    Make(dst_, 10, 7);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 10; ++x) Put(src_, x, y, alpha | ((x + y) % 2 ? B : A));
    FillAll(dst_, 0x3C000000u);
    EXPECT_TRUE(DDMosaicBlt(&dst_, 0, 0, 10, 7, 3, &src_, 0, 0, 0));
    for (int by = 0; by < 7; by += 3)
      for (int bx = 0; bx < 10; bx += 3) {
        uint32_t want;
        if (d3d) {
          want = 0xFF000000u | ((bx + by) % 2 ? B : A);
        } else {
          uint32_t r = 0, g = 0, b = 0, n = 0;
          for (int y = by; y < std::min(by + 3, 7); ++y)
            for (int x = bx; x < std::min(bx + 3, 10); ++x) {
              const uint32_t p = (x + y) % 2 ? B : A;
              r += p >> 16 & 255, g += p >> 8 & 255, b += p & 255, ++n;
            }
          want = 0x3C000000u | (r / n) << 16 | (g / n) << 8 | (b / n);
        }
        for (int y = by; y < std::min(by + 3, 7); ++y)
          for (int x = bx; x < std::min(bx + 3, 10); ++x) EXPECT_EQ(Get(dst_, x, y), want) << x << "," << y;
      }
    Release();
  }
}

TEST_F(BlurMosaicTest, MosaicSkipsTransparentBlocksAndSizesOfZeroOrBelow) {
  for (const char* name : {"DD16Full", "DD32Full", "D3D16Window", "D3D32Full", "DD8Full"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    // A transparent pixel of the path and an opaque one.
    uint32_t clear, solid;
    if (!lpDTCon) {
      clear = g_nBpp == 8 ? 5u : g_nBpp == 16 ? kKey16 : kKey32;
      solid = g_nBpp == 8 ? 9u : 0x1234u;
      g_dwTransmit = clear;
    } else {
      clear = g_nBpp == 16 ? 0x1234u : 0x00123456u;
      solid = g_nBpp == 16 ? 0x8000u | 0x1234u : 0xFF123456u;
    }
    Make(src_, 4, 2);
    Make(dst_, 4, 2);
    FillAll(dst_, 1);
    // The left block transparent throughout, the right one opaque.
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) Put(src_, x, y, x < 2 ? clear : solid);
    for (int n : {0, -3}) {
      EXPECT_TRUE(DDMosaicBlt(&dst_, 0, 0, 4, 2, n, &src_, 0, 0, 1));
      EXPECT_EQ(Get(dst_, 3, 1), 1u) << n;
    }
    EXPECT_TRUE(DDMosaicBlt(&dst_, 0, 0, 4, 2, 2, &src_, 0, 0, 1));
    EXPECT_EQ(Get(dst_, 0, 0), 1u);
    EXPECT_EQ(Get(dst_, 1, 1), 1u);
    EXPECT_NE(Get(dst_, 2, 0), 1u);
    EXPECT_EQ(Get(dst_, 2, 0), Get(dst_, 3, 1));
    Release();
  }
}

TEST_F(BlurMosaicTest, MosaicAveragesSixteenBitChannelsOnTheByteScale) {
  ASSERT_TRUE(Init(Mode("DD16Full")));
  g_dwTransmit = kKey16;
  Make(src_, 2, 1);
  Make(dst_, 2, 1);
  Put(src_, 0, 0, 31u << 11 | 10u << 5);  // red full, green 10 of 63
  Put(src_, 1, 0, 7u);                    // blue 7 of 31
  EXPECT_TRUE(DDMosaicBlt(&dst_, 0, 0, 2, 1, 2, &src_, 0, 0, 0));
  const uint32_t r = (31 * 255 / 31 + 0) / 2 * 31 / 255, g = (10 * 255 / 63 + 0) / 2 * 63 / 255,
                 b = (0 + 7 * 255 / 31) / 2 * 31 / 255;
  EXPECT_EQ(Get(dst_, 0, 0), r << 11 | g << 5 | b);
  EXPECT_EQ(Get(dst_, 1, 0), r << 11 | g << 5 | b);
  Release();
}

TEST_F(BlurMosaicTest, MosaicReadsOnlyInsideTheSourceAndWritesOnlyInsideTheDestination) {
  for (const char* name : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    const bool d3d = lpDTCon != nullptr;
    Make(src_, 4, 4);
    Make(dst_, 6, 6);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) Put(src_, x, y, 0xFF000000u | uint32_t(y * 4 + x) * 8);
    FillAll(dst_, 0xFF000001u);
    // From (-2, 1): the first column of blocks starts outside the source.
    EXPECT_TRUE(DDMosaicBlt(&dst_, -1, 0, 6, 4, 3, &src_, -2, 1, 0));
    // Block (0, 0) covers source columns -2..0 of rows 1..3: one column inside.
    const uint32_t left = d3d ? 0xFF000001u : 0xFF000000u | (32 + 64 + 96) / 3;
    EXPECT_EQ(Get(dst_, 0, 0), left);
    EXPECT_EQ(Get(dst_, 1, 2), left);
    // Block (3, 0) starts at source (1, 1).
    uint32_t right = 0xFF000000u | 40;
    if (!d3d) {
      uint32_t sum = 0;
      for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 4; ++x) sum += uint32_t(y * 4 + x) * 8;
      right = 0xFF000000u | sum / 9;
    }
    EXPECT_EQ(Get(dst_, 2, 0), right);
    EXPECT_EQ(Get(dst_, 4, 2), right);
    EXPECT_EQ(Get(dst_, 5, 0), 0xFF000001u);
    EXPECT_EQ(Get(dst_, 0, 4), 0xFF000001u);
    Release();
  }
}
