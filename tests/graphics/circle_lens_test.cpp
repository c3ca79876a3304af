// The circular window and the lens, checked against the span and lens
// formulas they are defined by, in the middle of the screen and over its
// edges, in both backends.
#include "graphics/circle_lens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/display.h"
#include "graphics/fill.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// A distinct opaque pixel of the running mode for number n (never 0).
uint32_t Opaque(int n) {
  if (lpDTCon) return g_nBpp == 32 ? 0xFF000000u | uint32_t(n + 1) : 0x8000u | uint32_t(1 + n % 0x7FFE);
  if (g_nBpp == 8) return uint32_t(1 + n % 250);
  if (g_nBpp == 16) return uint32_t(1 + n % 0xFFFE);
  return uint32_t(1 + n);
}

// A rectangle of a surface's pixels, row by row, cut to the surface.
struct Area {
  int x0, y0, x1, y1;  // inclusive
};
Area Around(DDSURFACEDATA& sd, int cx, int cy, int r) {
  return Area{std::max(0, cx - r - 2), std::max(0, cy - r - 2), std::min(sd.nWidth - 1, cx + r + 2),
              std::min(sd.nHeight - 1, cy + r + 2)};
}

// The pixels of a surface as a grid the expectations are written into.
struct Grid {
  int w, h;
  std::vector<uint32_t> px;
  Grid(int width, int height, uint32_t fill)
      : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}
  explicit Grid(DDSURFACEDATA& sd) : w(sd.nWidth), h(sd.nHeight) {
    const PixelBuffer& b = *sd.Pixels();
    px.reserve(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* row = b.Row(y);
        const int n = BytesPerPixel(b.format);
        px.push_back(n == 1 ? row[x] : n == 2 ? reinterpret_cast<const uint16_t*>(row)[x]
                                              : reinterpret_cast<const uint32_t*>(row)[x]);
      }
  }
  bool In(long long x, long long y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  uint32_t& At(long long x, long long y) { return px[static_cast<size_t>(y * w + x)]; }
};

void ExpectArea(DDSURFACEDATA& sd, Grid& expected, const Area& a) {
  for (int y = a.y0; y <= a.y1; ++y)
    for (int x = a.x0; x <= a.x1; ++x) ASSERT_EQ(Get(sd, x, y), expected.At(x, y)) << "at " << x << "," << y;
}

// The spans of the circular window: half-width floor(sqrt(r^2 - k^2)) held
// below r, cut at the source limits, rows or bands walked from the bottom.
void ExpectCircle(Grid& out, Grid& src, int cx, int cy, int ex, int ey, int r, int b, int scx, int scy, bool keyed,
                  uint32_t key) {
  const int left = std::max(0, scx - ex), right = std::min(scx + ex, src.w);
  auto span = [&](int k, int rows, int mid) {
    int s = static_cast<int>(std::floor(std::sqrt(static_cast<double>(r * r - mid * mid))));
    s = std::min(s, r - 1);
    int start = scx - s, x = cx - s, width = 2 * s;
    if (start < left) {
      x = cx + left - scx;
      width = scx + s - left;
      start = left;
    }
    if (start + width >= right) width = right - start;
    for (int j = 0; j < rows; ++j)
      for (int i = 0; i < width; ++i) {
        const int X = x + i, Y = cy + k + j, SX = start + i, SY = scy + k + j;
        if (!out.In(X, Y) || !src.In(SX, SY)) continue;
        const uint32_t p = src.At(SX, SY);
        if (!keyed || p != key) out.At(X, Y) = p;
      }
  };
  if (b == 1) {
    for (int k = r - 1; k >= -r; --k) {
      if (k >= ey) continue;
      if (k < -ey) break;
      span(k, 1, k);
    }
  } else {
    for (int k = r - b; k >= -r; k -= b) {
      if (k >= ey) continue;
      if (k + b <= -ey) break;
      if (k + b > ey)
        k = ey - b;
      else if (k < -ey)
        k = -ey;
      span(k, b, (b >> 1) + k);
    }
  }
}

// The lens: sphere radius R = trunc(sqrt(r^2 + v^2)), each point of the disc
// showing the source at trunc(i v / z + 0.5), trunc(j v / z + 0.5) with
// z = sqrt(R^2 - i^2 - j^2); what is written depends on the backend.
enum class LensRule { DirectDraw, D3D16, D3D16Keyed, D3D32, D3D32Clear };
void ExpectLens(Grid& out, Grid* src, int cx, int cy, int r, int v, int scx, int scy, LensRule rule, bool repack) {
  const int R = static_cast<int>(std::sqrt(static_cast<double>(r * r + v * v)));
  Grid& from = src ? *src : out;  // null: the lens reads what it writes
  for (int j = -r; j <= r; ++j)
    for (int i = -r; i <= r; ++i) {
      const int X = cx + i, Y = cy + j;
      if (!out.In(X, Y)) continue;
      bool shown = false;
      uint32_t p = 0;
      if (i * i + j * j <= r * r) {
        const double z = std::sqrt(static_cast<double>(R * R - i * i - j * j));
        const int col = z != 0 ? static_cast<int>(i * v / z + 0.5) : i;
        const int row = z != 0 ? static_cast<int>(j * v / z + 0.5) : j;
        if (from.In(scx + col, scy + row)) {
          shown = true;
          p = from.At(scx + col, scy + row);
        }
      }
      switch (rule) {
        case LensRule::DirectDraw:
          if (shown && p != g_dwTransmit) out.At(X, Y) = p;
          break;
        case LensRule::D3D16:
        case LensRule::D3D16Keyed:
          if (!shown || (rule == LensRule::D3D16Keyed && (p & 0xA000) == 0)) break;
          // Into the R5G6B5 full-screen back buffer: fields moved, green
          // doubled.
          out.At(X, Y) = repack ? ((p >> 10 & 31) << 11 | (p >> 5 & 31) * 2 << 5 | (p & 31)) : p;
          break;
        case LensRule::D3D32:
          if (shown && (p >> 24) != 0) out.At(X, Y) = p;
          break;
        case LensRule::D3D32Clear: out.At(X, Y) = shown && (p >> 24) != 0 ? p : 0; break;
      }
    }
}

}  // namespace

class CircleLensTest : public DisplayTest {
 protected:
  void Make(DDSURFACEDATA& sd, int w, int h, int key = 0, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, key, 0, dtMem, nullptr, 0));
    made_.push_back(&sd);
  }
  // Every pixel tells its place.
  static void Tag(DDSURFACEDATA& sd) {
    PixelBuffer& b = *sd.Pixels();
    for (int y = 0; y < sd.nHeight; ++y)
      for (int x = 0; x < sd.nWidth; ++x) {
        const uint32_t v = Opaque(y * sd.nWidth + x);
        switch (BytesPerPixel(b.format)) {
          case 1: b.Row(y)[x] = static_cast<uint8_t>(v); break;
          case 2: reinterpret_cast<uint16_t*>(b.Row(y))[x] = static_cast<uint16_t>(v); break;
          default: reinterpret_cast<uint32_t*>(b.Row(y))[x] = v; break;
        }
      }
  }
  void Release() {
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    DDRelease();
  }
  std::vector<DDSURFACEDATA*> made_;
  DDSURFACEDATA dst_, src_;
};

TEST_F(CircleLensTest, TheCircleDrawsItsSpansAndBandsAlsoOverTheScreenEdges) {
  for (const char* name : {"DD32Full", "DD8Full", "D3D32Full", "D3D16Window"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    g_dwTransmit = Opaque(7);
    Make(src_, 640, 480, 1);
    Tag(src_);
    Grid src(src_);
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 0);
    const uint32_t empty = Get(BackBuffer, 0, 0);
    struct Case {
      const char* what;
      int cx, cy, ex, ey, r, b, scx, scy;
    } cases[] = {
        {"rows in the middle", 320, 240, 320, 240, 10, 1, 320, 240},
        {"bands of 3", 320, 240, 320, 240, 17, 3, 300, 200},
        {"bands of 4, rows held by the extent", 100, 100, 60, 9, 30, 4, 100, 100},
        {"rows held by the extent", 200, 150, 40, 5, 12, 1, 200, 150},
        {"top-left corner of the screen", 0, 0, 640, 480, 25, 1, 0, 0},
        {"bottom-right corner, bands", 639, 479, 639, 479, 40, 5, 639, 479},
        {"near the source's left edge", 300, 300, 300, 300, 20, 1, 6, 300},
        {"past the source's right edge", 50, 50, 640, 480, 20, 2, 630, 50},
        {"a band wider than the circle", 300, 200, 320, 240, 6, 20, 300, 200},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      for (int key : {0, 1}) {
        DDFillRect(&BackBuffer, 0, 0, 640, 480, 0);
        Grid expected(640, 480, empty);
        // A texture's key is its alpha, and every pixel here is opaque.
        ExpectCircle(expected, src, c.cx, c.cy, c.ex, c.ey, c.r, c.b, c.scx, c.scy, key == 1 && !lpDTCon,
                     g_dwTransmit);
        EXPECT_EQ(DDCircleBlt(&BackBuffer, c.cx, c.cy, c.ex, c.ey, c.r, c.b, &src_, c.scx, c.scy, key), 1);
        ExpectArea(BackBuffer, expected, Around(BackBuffer, c.cx, c.cy, c.r + c.b));
      }
    }
    // The widest row of radius 10 is 18 pixels, from cx - 9.
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 0);
    DDCircleBlt(&BackBuffer, 100, 100, 320, 240, 10, 1, &src_, 100, 100, 0);
    EXPECT_EQ(Get(BackBuffer, 90, 100), empty);
    EXPECT_EQ(Get(BackBuffer, 91, 100), Get(src_, 91, 100));
    EXPECT_EQ(Get(BackBuffer, 108, 100), Get(src_, 108, 100));
    EXPECT_EQ(Get(BackBuffer, 109, 100), empty);
    // Near the source's left edge the spans start at its column 0, drawn
    // shifted right by what was cut.
    DDFillRect(&BackBuffer, 0, 0, 640, 480, 0);
    DDCircleBlt(&BackBuffer, 300, 300, 300, 300, 10, 1, &src_, 4, 300, 0);
    EXPECT_EQ(Get(BackBuffer, 295, 300), empty);
    EXPECT_EQ(Get(BackBuffer, 296, 300), Get(src_, 0, 300));
    // Radius 1 has only rows of half-width 0; a radius or band of 0 or
    // below draws nothing at all.
    for (auto [r, b] : {std::pair{1, 1}, {0, 1}, {5, 0}, {-3, 2}, {4, -1}}) {
      DDFillRect(&BackBuffer, 0, 0, 640, 480, 0);
      EXPECT_EQ(DDCircleBlt(&BackBuffer, 50, 50, 320, 240, r, b, &src_, 50, 50, 0), r > 0 && b > 0 ? 1 : 0);
      for (int y = 40; y < 60; ++y)
        for (int x = 40; x < 60; ++x) ASSERT_EQ(Get(BackBuffer, x, y), empty) << r << " " << b;
    }
    Release();
  }
}

TEST_F(CircleLensTest, TheLensMagnifiesItsDiscInEveryBackend) {
  struct Case {
    const char* mode;
    LensRule rule;
    int key, clear;
  } cases[] = {
      {"DD32Full", LensRule::DirectDraw, 0, 0},     {"DD16Full", LensRule::DirectDraw, 1, 1},
      {"DD8Full", LensRule::DirectDraw, 0, 0},      {"D3D32Window", LensRule::D3D32, 1, 0},
      {"D3D32Full", LensRule::D3D32Clear, 0, 1},    {"D3D16Window", LensRule::D3D16, 0, 0},
      {"D3D16Full", LensRule::D3D16Keyed, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(Init(Mode(c.mode)));
    g_dwTransmit = Opaque(3);
    Make(src_, 200, 150, 1, DTMEMORYTYPE_SYSTEM);
    Make(dst_, 160, 120, 0, DTMEMORYTYPE_SYSTEM);
    Tag(src_);
    // Transparent pixels and the key value in the source.
    for (int x = 60; x < 140; x += 3) Put(src_, x, 75, lpDTCon ? 0 : g_dwTransmit);
    if (lpDTCon && g_nBpp == 32) Put(src_, 100, 70, 0x00FFFFFFu);
    if (lpDTCon && g_nBpp == 16) Put(src_, 100, 70, 0x2000u);  // bit 13 alone keeps it
    struct Geometry {
      const char* what;
      int cx, cy, r, v, scx, scy;
    } geometries[] = {
        {"middle", 80, 60, 30, 12, 100, 75},
        {"deep", 80, 60, 20, 19, 100, 75},
        {"top-left corner", 0, 0, 25, 10, 100, 75},
        {"bottom-right corner", 159, 119, 25, 10, 100, 75},
        {"centre off the surface", -10, 130, 40, 5, 100, 75},
        {"source near its edge", 80, 60, 30, 12, 3, 148},
    };
    for (const Geometry& g : geometries) {
      SCOPED_TRACE(g.what);
      FillAll(dst_, Opaque(9999));
      Grid expected(dst_), src(src_);
      ExpectLens(expected, &src, g.cx, g.cy, g.r, g.v, g.scx, g.scy, c.rule, false);
      EXPECT_TRUE(DDLensBlt(&dst_, g.cx, g.cy, g.r, g.v, &src_, g.scx, g.scy, c.key, c.clear));
      ExpectArea(dst_, expected, Around(dst_, g.cx, g.cy, g.r));
    }
    Release();
  }
}

TEST_F(CircleLensTest, TheLensEdgeCases) {
  ASSERT_TRUE(Init(Mode("DD32Full")));
  g_dwTransmit = 0;
  Make(src_, 64, 64);
  Make(dst_, 64, 64);
  Tag(src_);
  // Depth 0: every point inside shows the centre pixel, the rim (where z is
  // 0) maps to itself.
  FillAll(dst_, 0x55);
  EXPECT_TRUE(DDLensBlt(&dst_, 20, 20, 5, 0, &src_, 30, 30, 0, 0));
  EXPECT_EQ(Get(dst_, 20, 20), Get(src_, 30, 30));
  EXPECT_EQ(Get(dst_, 22, 23), Get(src_, 30, 30));
  EXPECT_EQ(Get(dst_, 25, 20), Get(src_, 35, 30));
  EXPECT_EQ(Get(dst_, 23, 16), Get(src_, 33, 26));  // 3^2 + 4^2 = 5^2
  EXPECT_EQ(Get(dst_, 25, 21), 0x55u);              // outside the disc
  // Radius 10, depth 1: R = trunc(sqrt 101) = 10, the rim is the identity.
  FillAll(dst_, 0x55);
  EXPECT_TRUE(DDLensBlt(&dst_, 30, 30, 10, 1, &src_, 30, 30, 0, 0));
  EXPECT_EQ(Get(dst_, 40, 30), Get(src_, 40, 30));
  EXPECT_EQ(Get(dst_, 36, 22), Get(src_, 36, 22));
  // Impossible geometry draws nothing and says so.
  FillAll(dst_, 0x55);
  struct Bad {
    int r, v;
    bool ok;
  } bad[] = {{3, 3, true}, {0, 2, false}, {0, 0, false}, {-1, 2, false}, {5, -1, false}, {2, 5, false}, {0, 1, false}};
  for (const Bad& b : bad) EXPECT_EQ(DDLensBlt(&dst_, 20, 20, b.r, b.v, &src_, 20, 20, 0, 0), b.ok) << b.r << "," << b.v;
  EXPECT_FALSE(DDLensBlt(&dst_, 20, 20, 5, 2, nullptr, 20, 20, 0, 0));
  // A lens that reads the surface it writes sees the rows it has already
  // changed, top to bottom.
  Tag(dst_);
  Grid expected(dst_);
  ExpectLens(expected, nullptr, 30, 28, 12, 7, 31, 30, LensRule::DirectDraw, false);
  EXPECT_TRUE(DDLensBlt(&dst_, 30, 28, 12, 7, &dst_, 31, 30, 0, 0));
  ExpectArea(dst_, expected, Around(dst_, 30, 28, 12));
  Release();
}

TEST_F(CircleLensTest, TheLensIntoTheFullScreen16BitBackBufferRepacks) {
  ASSERT_TRUE(Init(Mode("D3D16Full")));
  Make(src_, 640, 480, 1, DTMEMORYTYPE_SYSTEM);
  Tag(src_);
  for (auto [cx, cy] : {std::pair{0, 0}, {639, 479}, {320, 240}}) {
    SCOPED_TRACE(testing::Message() << cx << "," << cy);
    FillAll(BackBuffer, 0);
    Grid expected(BackBuffer), src(src_);
    ExpectLens(expected, &src, cx, cy, 50, 20, cx, cy, LensRule::D3D16, true);
    EXPECT_TRUE(DDLensBlt(&BackBuffer, cx, cy, 50, 20, &src_, cx, cy, 0, 0));
    ExpectArea(BackBuffer, expected, Around(BackBuffer, cx, cy, 50));
  }
  Release();
}
