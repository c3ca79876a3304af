#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/color.h"
#include "graphics/colorkey.h"
#include "graphics/palette.h"
#include "graphics/prim.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {
using Points = std::set<std::pair<int, int>>;

// The backends and depths the primitives are checked in (full screen).
const int kPrimModes[] = {0, 1, 2, 4, 6};

Points Mirror8(const Points& octant, int cx, int cy) {
  Points out;
  for (auto [x, y] : octant)
    for (int sx : {-1, 1})
      for (int sy : {-1, 1}) {
        out.insert({cx + sx * x, cy + sy * y});
        out.insert({cx + sx * y, cy + sy * x});
      }
  return out;
}
}  // namespace

class PrimTest : public DisplayTest {
 protected:
  void Setup(int mode) {
    ASSERT_TRUE(Init(kDisplayModes[mode])) << kDisplayModes[mode].name;
    for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{BYTE(i), 0, BYTE(255 - i), 0};
    DDSetTransmit(255, 0, 255);
  }
  // An empty surface (a render target with Direct3D), cleared to 0.
  void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    FillAll(sd, 0);
  }
  // Palette colour n as the surface stores it after a fill.
  uint32_t Stored(DDSURFACEDATA& sd, DWORD n) {
    const uint32_t v = PalNumToRGB(n);
    return lpDTCon ? EncodePixel(drawtest::Buf(sd).format, DecodePixel(PixelFormat::A8R8G8B8, v)) : v;
  }
  // Every pixel that is not 0; each must hold colour n.
  Points Drawn(DDSURFACEDATA& sd, DWORD n) {
    Points out;
    const uint32_t v = Stored(sd, n);
    for (int y = 0; y < sd.nHeight; ++y)
      for (int x = 0; x < sd.nWidth; ++x)
        if (uint32_t p = Get(sd, x, y)) {
          EXPECT_EQ(p, v) << x << "," << y;
          out.insert({x, y});
        }
    return out;
  }
  void Done() {
    DDReleaseSurface(&sd_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
  DDSURFACEDATA sd_, src_;
};

TEST_F(PrimTest, CirclesPlotTheMidpointOctantsInEveryMode) {
  for (int mode : kPrimModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(mode);
    Make(sd_, 9, 9);
    DDCircle(&sd_, 4, 4, 0, 7);
    DDCircle(&sd_, 4, 4, -3, 7);
    EXPECT_TRUE(Drawn(sd_, 7).empty());
    DDCircle(&sd_, 4, 4, 1, 7);
    EXPECT_EQ(Drawn(sd_, 7), (Points{{4, 3}, {3, 4}, {5, 4}, {4, 5}}));
    FillAll(sd_, 0);
    // Radius 3: the steps plot (0, 3), (1, 3), (2, 2) of the first octant.
    DDCircle(&sd_, 4, 4, 3, 7);
    EXPECT_EQ(Drawn(sd_, 7), Mirror8({{0, 3}, {1, 3}, {2, 2}}, 4, 4));
    Done();
  }
}

TEST_F(PrimTest, CirclePointsOffTheSurfaceAreDroppedInBothBackends) {
  for (int mode : kPrimModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(mode);
    Make(sd_, 5, 5);
    // Radius 2 around the top-left corner: (0, 2), (1, 2), (2, 1), (2, 0)
    // and their mirrors, most of which lie left of or above the surface.
    // Fills cut rectangles at the surface edge in both backends, so the
    // points outside are not moved onto the first row or column.
    DDCircle(&sd_, 0, 0, 2, 7);
    EXPECT_EQ(Drawn(sd_, 7), (Points{{0, 2}, {1, 2}, {2, 1}, {2, 0}}));
    Done();
  }
}

TEST_F(PrimTest, PixelsOutsideTheSurfaceDrawNothing) {
  for (int mode : kPrimModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(mode);
    Make(sd_, 4, 3);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {-100, -100}}) DDSetPixel(&sd_, x, y, 7);
    EXPECT_TRUE(Drawn(sd_, 7).empty());
    DDSetPixel(&sd_, 3, 2, 7);
    DDSetPixel(&sd_, 0, 0, 7);
    EXPECT_EQ(Drawn(sd_, 7), (Points{{0, 0}, {3, 2}}));
    Done();
  }
}

TEST_F(PrimTest, FramesLieInsideTheirRectangleAndSurroundACopiedImage) {
  for (int mode : kPrimModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(mode);
    Make(sd_, 12, 12);
    DDFrameRect(&sd_, 1, 1, 10, 10, 2, 7);
    Points ring;
    for (int y = 1; y <= 10; ++y)
      for (int x = 1; x <= 10; ++x)
        if (x <= 2 || x >= 9 || y <= 2 || y >= 9) ring.insert({x, y});
    EXPECT_EQ(Drawn(sd_, 7), ring);

    // A 3 x 2 image copied to (4, 5) with a one-pixel frame around it.
    FillAll(sd_, 0);
    Make(src_, 3, 2);
    const uint32_t image = Stored(src_, 9);
    FillAll(src_, image);
    DDBltWithFrame(&sd_, 4, 5, 3, 2, &src_, 1, 7);
    const uint32_t frame = Stored(sd_, 7);
    for (int y = 3; y <= 8; ++y)
      for (int x = 2; x <= 9; ++x) {
        const bool inImage = x >= 4 && x <= 6 && y >= 5 && y <= 6;
        const bool onFrame = (x >= 3 && x <= 7 && y >= 4 && y <= 7) && !inImage;
        EXPECT_EQ(Get(sd_, x, y), inImage ? image : onFrame ? frame : 0u) << x << "," << y;
      }
    Done();
  }
}
