// The rotated blit: the fixed-point walk of both backends checked pixel by
// pixel against the mapping it is defined by, and the device's quad against
// the geometry of its corners.
#include "graphics/rotate_blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/blit.h"
#include "graphics/display.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// A distinct opaque pixel of the running mode for number n.
uint32_t Opaque(int n) {
  if (lpDTCon) return g_nBpp == 32 ? 0xFF000000u | uint32_t(n + 1) : 0x8000u | uint32_t((n + 1) & 0x7FFF);
  if (g_nBpp == 8) return uint32_t(1 + n % 250);
  return uint32_t(1 + n);
}

constexpr uint32_t kBackground = 0xFFFFFFFFu;  // masked to the depth by Put

// One 16-bit integer of a pixel value as it reads back from the surface.
uint32_t AsStored(uint32_t v) {
  return g_nBpp == 8 ? (v & 0xFF) : g_nBpp == 16 ? (v & 0xFFFF) : v;
}

struct Rect {
  int x, y, w, h, cx, cy, sx, sy;
};

// The fixed-point walk as defined: S, C, S' truncated from sine and cosine x
// 1024, the turned corners widened by 2 bound the area, each destination
// point mapped back with arithmetic shifts.
std::vector<uint32_t> ExpectedLocked(DDSURFACEDATA& dst, DDSURFACEDATA& src, const Rect& r, int angle, bool keyed) {
  std::vector<uint32_t> out;
  for (int y = 0; y < dst.nHeight; ++y)
    for (int x = 0; x < dst.nWidth; ++x) out.push_back(Get(dst, x, y));
  const double k = 0.017453292519943278;
  const int S = static_cast<int>(std::sin(angle * k) * 1024), C = static_cast<int>(std::cos(angle * k) * 1024);
  const int Si = static_cast<int>(std::sin(-angle * k) * 1024);
  int c0 = 1 << 30, c1 = -(1 << 30), r0 = 1 << 30, r1 = -(1 << 30);
  for (int px : {0, r.w - 1})
    for (int py : {0, r.h - 1}) {
      const int dx = px - r.cx, dy = py - r.cy;
      const int col = r.cx + ((C * dx - S * dy) >> 10), row = r.cy + ((S * dx + C * dy) >> 10);
      c0 = std::min(c0, col);
      c1 = std::max(c1, col);
      r0 = std::min(r0, row);
      r1 = std::max(r1, row);
    }
  for (int row = r0 - 2; row < r1 + 2; ++row)
    for (int q = c0 - 2; q < c1 + 2; ++q) {
      const int X = r.x + q - r.cx, Y = r.y + row - r.cy;
      if (X < 0 || Y < 0 || X >= dst.nWidth || Y >= dst.nHeight) continue;
      const int sc = r.cx + ((C * (q - r.cx) - Si * (row - r.cy)) >> 10);
      const int sr = r.cy + ((Si * (q - r.cx) + C * (row - r.cy)) >> 10);
      if (sc < 0 || sc >= r.w || sr < 0 || sr >= r.h) continue;
      if (r.sx + sc < 0 || r.sy + sr < 0 || r.sx + sc >= src.nWidth || r.sy + sr >= src.nHeight) continue;
      const uint32_t p = Get(src, r.sx + sc, r.sy + sr);
      if (keyed && p == g_dwTransmit) continue;
      out[static_cast<size_t>(Y * dst.nWidth + X)] = p;
    }
  return out;
}

std::vector<uint32_t> All(DDSURFACEDATA& sd) {
  std::vector<uint32_t> out;
  for (int y = 0; y < sd.nHeight; ++y)
    for (int x = 0; x < sd.nWidth; ++x) out.push_back(Get(sd, x, y));
  return out;
}

}  // namespace

class RotateBlitTest : public DisplayTest {
 protected:
  void Make(DDSURFACEDATA& sd, int w, int h, int key = 0, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, key, 0, dtMem, nullptr, 0));
    FillAll(sd, 0);
  }
  // An asymmetric 7 x 4 sprite at (2, 1) of a 12 x 8 sheet, every pixel
  // distinct; the sheet around it holds other values.
  void MakeSprite(DWORD dtMem) {
    Make(src_, 12, 8, 1, dtMem);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x) Put(src_, x, y, Opaque(200 + y * 12 + x));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 7; ++x) Put(src_, 2 + x, 1 + y, Opaque(y * 7 + x));
  }
  void Release() {
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
  DDSURFACEDATA dst_, src_;
};

TEST_F(RotateBlitTest, TheFixedPointWalkTurnsByItsOwnMappingInEveryDepth) {
  // Direct3D takes the walk from a system-memory source.
  for (const char* name : {"DD8Full", "DD16Full", "DD32Full", "D3D16Window", "D3D32Full"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    g_dwTransmit = Opaque(5);  // one pixel of the sprite is the colour key
    MakeSprite(DTMEMORYTYPE_SYSTEM);
    Make(dst_, 20, 16, 0, DTMEMORYTYPE_SYSTEM);
    const Rect r{10, 8, 7, 4, 3, 2, 2, 1};
    for (int angle : {0, 90, 180, 30, -30, 400}) {
      for (int key : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "angle " << angle << " key " << key);
        FillAll(dst_, AsStored(kBackground));
        const std::vector<uint32_t> expected = ExpectedLocked(dst_, src_, r, angle, key == 1);
        EXPECT_TRUE(DDRotateBlt(&dst_, r.x, r.y, r.w, r.h, r.cx, r.cy, angle, &src_, r.sx, r.sy, key));
        EXPECT_EQ(All(dst_), expected);
      }
    }
    // The turns by hand (rectangle pixel (i, j) is sprite value j x 7 + i).
    auto at = [&](int i, int j) { return Opaque(j * 7 + i); };
    FillAll(dst_, AsStored(kBackground));
    DDRotateBlt(&dst_, 10, 8, 7, 4, 3, 2, 0, &src_, 2, 1, 0);
    EXPECT_EQ(Get(dst_, 7, 6), at(0, 0));  // top-left at (x - cx, y - cy)
    EXPECT_EQ(Get(dst_, 13, 9), at(6, 3));
    EXPECT_EQ(Get(dst_, 6, 6), AsStored(kBackground));
    // A quarter turn clockwise: the left column, read upward, becomes the
    // top row (C = 0 because cos 90 degrees is a tiny positive number).
    FillAll(dst_, AsStored(kBackground));
    DDRotateBlt(&dst_, 10, 8, 7, 4, 3, 2, 90, &src_, 2, 1, 0);
    EXPECT_EQ(Get(dst_, 10, 8), at(3, 2));  // the centre stays
    EXPECT_EQ(Get(dst_, 10, 5), at(0, 2));  // three rows up: three columns left
    EXPECT_EQ(Get(dst_, 11, 5), at(0, 1));
    EXPECT_EQ(Get(dst_, 9, 5), at(0, 3));
    // Half a turn: one to the right shows one to the left.
    FillAll(dst_, AsStored(kBackground));
    DDRotateBlt(&dst_, 10, 8, 7, 4, 3, 2, 180, &src_, 2, 1, 0);
    EXPECT_EQ(Get(dst_, 10, 8), at(3, 2));
    EXPECT_EQ(Get(dst_, 11, 8), at(2, 2));
    EXPECT_EQ(Get(dst_, 10, 7), at(3, 3));
    Release();
  }
}

TEST_F(RotateBlitTest, FarFromTheCentreTheTruncatedFactorsShow) {
  // cos 30 degrees x 1024 is 886.8: truncated 886, where rounding would give
  // 887 and move points 100 pixels out by a tenth of a pixel.
  ASSERT_TRUE(Init(Mode("DD16Full")));
  g_dwTransmit = 0;
  Make(src_, 160, 120);
  Make(dst_, 240, 240);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) Put(src_, x, y, Opaque(y * 160 + x));
  const Rect r{120, 120, 150, 100, 75, 50, 5, 10};
  for (int angle : {30, -45, 200}) {
    SCOPED_TRACE(angle);
    FillAll(dst_, 0);
    const std::vector<uint32_t> expected = ExpectedLocked(dst_, src_, r, angle, false);
    DDRotateBlt(&dst_, r.x, r.y, r.w, r.h, r.cx, r.cy, angle, &src_, r.sx, r.sy, 0);
    EXPECT_EQ(All(dst_), expected);
  }
  Release();
}

TEST_F(RotateBlitTest, TheWalkStaysOnBothSurfaces) {
  ASSERT_TRUE(Init(Mode("DD32Full")));
  g_dwTransmit = 0;
  MakeSprite(0);
  Make(dst_, 9, 7);
  // Turned partly off the destination on every side, and a source rectangle
  // that starts left of and above its surface: the columns and rows that
  // are not on it are left out instead of read from outside.
  const Rect cases[] = {
      {1, 1, 7, 4, 3, 2, 2, 1}, {8, 6, 7, 4, 3, 2, 2, 1}, {4, 3, 40, 40, 20, 20, -3, -2}, {4, 3, 7, 4, 3, 2, 9, 6},
  };
  for (const Rect& r : cases) {
    for (int angle : {30, 135, 250}) {
      SCOPED_TRACE(testing::Message() << r.x << "," << r.y << " src " << r.sx << "," << r.sy << " angle " << angle);
      FillAll(dst_, 0x123456);
      const std::vector<uint32_t> expected = ExpectedLocked(dst_, src_, r, angle, false);
      EXPECT_TRUE(DDRotateBlt(&dst_, r.x, r.y, r.w, r.h, r.cx, r.cy, angle, &src_, r.sx, r.sy, 0));
      EXPECT_EQ(All(dst_), expected);
    }
  }
  // A surface without pixels fails the lock.
  EXPECT_FALSE(DDRotateBlt(&dst_, 0, 0, 7, 4, 3, 2, 0, nullptr, 0, 0, 0));
  EXPECT_FALSE(DDRotateBlt(nullptr, 0, 0, 7, 4, 3, 2, 0, &src_, 0, 0, 0));
  Release();
}

TEST_F(RotateBlitTest, TheDeviceQuadTurnsAboutTheRectanglesMiddle) {
  for (const char* name : {"D3D32Full", "D3D16Full"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Init(Mode(name)));
    MakeSprite(DTMEMORYTYPE_VIDEO_RT);
    Make(dst_, 24, 20);
    auto at = [&](int i, int j) { return Opaque(j * 7 + i); };
    // Rectangle 8 x 4 at (2, 1): its middle (4, 2) is a pixel corner, so
    // quarter turns map pixels onto pixels.
    for (int y = 0; y < 4; ++y) Put(src_, 9, 1 + y, Opaque(50 + y));
    auto texel = [&](int i, int j) { return i == 7 ? Opaque(50 + j) : at(i, j); };
    const int x = 12, y = 10, w = 8, h = 4, cx = 4, cy = 2;
    struct Case {
      int angle;
      // Texel (tx, ty) shown at destination (X, Y): derived from the corner
      // formula, X = x - 0.5 + c (px - cx) - s (py - cy) and likewise Y,
      // at the texel's centre.
      int (*tx)(int X, int Y), (*ty)(int X, int Y);
    } cases[] = {
        {0, [](int X, int) { return X - 12 + 4; }, [](int, int Y) { return Y - 10 + 2; }},
        {90, [](int, int Y) { return 4 + Y - 10; }, [](int X, int) { return 2 + 12 - 1 - X; }},
        {180, [](int X, int) { return 4 + 12 - 1 - X; }, [](int, int Y) { return 2 + 10 - 1 - Y; }},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.angle);
      FillAll(dst_, 0);
      EXPECT_TRUE(DDRotateBlt(&dst_, x, y, w, h, cx, cy, c.angle, &src_, 2, 1, 1));
      int drawn = 0;
      for (int Y = 0; Y < 20; ++Y)
        for (int X = 0; X < 24; ++X) {
          const int tx = c.tx(X, Y), ty = c.ty(X, Y);
          const bool inside = tx >= 0 && tx < w && ty >= 0 && ty < h;
          // The 16-bit full-screen back buffer repacks; a texture stores the
          // texel as it is.
          ASSERT_EQ(Get(dst_, X, Y), inside ? texel(tx, ty) : 0u) << X << "," << Y;
          drawn += inside;
        }
      EXPECT_EQ(drawn, w * h);
    }
    // 30 degrees: every pixel centre clearly inside the turned rectangle
    // shows the texel under it, every one clearly outside stays.
    const double a = 30 * 0.017453292519943278, s = std::sin(a), co = std::cos(a);
    FillAll(dst_, 0);
    DDRotateBlt(&dst_, x, y, w, h, cx, cy, 30, &src_, 2, 1, 1);
    int checked = 0;
    for (int Y = 0; Y < 20; ++Y)
      for (int X = 0; X < 24; ++X) {
        const double u = X - x + 0.5, v = Y - y + 0.5;
        const double px = cx + co * u + s * v, py = cy - s * u + co * v;
        auto nearEdge = [](double t) { return std::fabs(t - std::round(t)) < 0.01; };
        if (nearEdge(px) || nearEdge(py)) continue;
        const bool inside = px > 0 && px < w && py > 0 && py < h;
        ASSERT_EQ(Get(dst_, X, Y), inside ? texel(static_cast<int>(px), static_cast<int>(py)) : 0u) << X << "," << Y;
        ++checked;
      }
    EXPECT_GT(checked, 200);
    Release();
  }
}

TEST_F(RotateBlitTest, TheDeviceQuadShadesLikeAnyTexturedDraw) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  MakeSprite(DTMEMORYTYPE_VIDEO_RT);
  Put(src_, 3, 2, 0x80FF0000u);  // half transparent
  Put(src_, 4, 2, 0x00FF0000u);  // transparent
  DDSURFACEDATA plain;
  Make(plain, 24, 20);
  Make(dst_, 24, 20);
  DDSetDrawColor(0xC0808080u);
  // Unturned, the quad covers what a plain blit of the same rectangle does,
  // with the same draw colour and blending.
  for (DDSURFACEDATA* sd : {&plain, &dst_}) FillAll(*sd, 0xFF204060u);
  DDBlt(&plain, 12 - 4, 10 - 2, 8, 4, &src_, 2, 1, 1);
  DDRotateBlt(&dst_, 12, 10, 8, 4, 4, 2, 0, &src_, 2, 1, 1);
  DDResetDrawColor();
  EXPECT_EQ(All(dst_), All(plain));
  // Missing surfaces draw nothing and are no failure with Direct3D.
  EXPECT_TRUE(DDRotateBlt(&dst_, 0, 0, 7, 4, 3, 2, 0, nullptr, 0, 0, 0));
  DDReleaseSurface(&plain);
  Release();
}
