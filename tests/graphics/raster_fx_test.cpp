#include "graphics/raster_fx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/batch.h"
#include "platform/numeric.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// The effects hand every piece to the blits, whose formats differ per mode.
const char* const kEffectModes[] = {"DD8Full", "DD32Full", "D3D16Window", "D3D32Full"};

// An opaque pixel naming its source place, stored unchanged by a same-size
// copy in the running mode.
uint32_t Code(int x, int y) {
  if (!lpDTCon) return g_nBpp == 8 ? uint32_t(1 + (x * 7 + y * 3) % 250) : uint32_t(1 + x + 1024 * y);
  if (g_nBpp == 32) return 0xFF000000u | uint32_t(1 + x) | uint32_t(1 + y) << 12;
  return 0x8000u | uint32_t(y & 31) << 10 | uint32_t((x + 1) & 0x3FF);
}
// What the destination holds where nothing was drawn.
uint32_t Marker() {
  if (!lpDTCon) return g_nBpp == 8 ? 255u : 0xABCDEu;
  return g_nBpp == 32 ? 0xFFABCDEFu : 0xFFFFu;
}

// The picture the effect should leave: pieces copied pixel by pixel where
// they land inside the destination.
struct Expected {
  int w, h;
  std::vector<uint32_t> px;
  Expected(int w_, int h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, Marker()) {}
  void Piece(long long dx, long long dy, int pw, int ph, int sx, int sy) {
    for (int j = 0; j < ph; ++j)
      for (int i = 0; i < pw; ++i) {
        const long long x = dx + i, y = dy + j;
        if (x >= 0 && y >= 0 && x < w && y < h) px[static_cast<size_t>(y * w + x)] = Code(sx + i, sy + j);
      }
  }
};

class RasterFxTest : public DisplayTest {
 protected:
  void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  }
  // A source whose every pixel names its place, and an unmarked destination.
  void MakePair(int dw, int dh, int sw, int sh) {
    Make(dst_, dw, dh);
    Make(src_, sw, sh);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x) Put(src_, x, y, Code(x, y));
    FillAll(dst_, Marker());
  }
  void Release() {
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDReleaseSurface(&src2_);
    DDRelease();
  }
  // The first pixel that differs, or "" when the destination is as expected.
  std::string Diff(const Expected& e) {
    for (int y = 0; y < e.h; ++y)
      for (int x = 0; x < e.w; ++x) {
        const uint32_t got = Get(dst_, x, y), want = e.px[static_cast<size_t>(y * e.w + x)];
        if (got != want)
          return "(" + std::to_string(x) + "," + std::to_string(y) + ") got " + std::to_string(got) + " want " +
                 std::to_string(want);
      }
    return "";
  }
  DDSURFACEDATA dst_, src_, src2_;
};

}  // namespace

TEST_F(RasterFxTest, WaveDisplacesEachLineOrBandByTheRunningSineSum) {
  struct Case {
    const char* what;
    int horizontal, waves, phase, band;
    double amplitude;
    int w;
  } cases[] = {
      // Four columns, no phase: the first line already stands at 90 degrees.
      {"first line past the phase", 1, 1, 0, 1, 5.0, 4},
      {"columns", 1, 2, 30, 1, 4.5, 16},
      {"rows", 0, 3, -45, 1, 6.0, 16},
      {"bands of 3 with a short last band", 1, 1, 10, 3, 7.0, 16},
      {"row bands of 5", 0, 2, 0, 5, -3.0, 16},
      {"band 0 draws nothing", 1, 1, 0, 0, 5.0, 16},
      {"negative band draws nothing", 0, 1, 0, -2, 5.0, 16},
      {"amplitude beyond every surface", 1, 1, 0, 1, 1e300, 16},
      {"amplitude that is no number", 0, 1, 0, 1, std::numeric_limits<double>::quiet_NaN(), 16},
  };
  for (const char* mode : kEffectModes) {
    ASSERT_TRUE(Init(Mode(mode))) << mode;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(mode) + ": " + c.what);
      const int w = c.w, h = 11;
      const int x = 12, y = 14, sx = 3, sy = 2;
      MakePair(40, 40, 24, 16);
      DDWaveBlt(&dst_, x, y, w, h, c.waves, c.amplitude, c.phase, c.band, &src_, sx, sy, 0, c.horizontal);
      Expected e(40, 40);
      const int count = c.horizontal ? w : h;
      if (c.band > 0) {
        double sum = 0;
        for (int start = 0; start < count; start += c.band) {
          sum += 360.0 / count * c.band;
          const double angle = (c.phase + sum) * c.waves * 3.141592653589793 / 180.0;
          const long long offset = plat::TruncToInt(c.amplitude * std::sin(angle));
          const int len = std::min(c.band, count - start);
          if (c.horizontal)
            e.Piece(x + start, y + offset, len, h, sx + start, sy);
          else
            e.Piece(x + offset, y + start, w, len, sx, sy + start);
        }
      }
      EXPECT_EQ(Diff(e), "");
      if (w == 4) {
        // sin(90 degrees) x 5: the first column is 5 lower than the picture.
        EXPECT_EQ(Get(dst_, x, y + 5), Code(sx, sy));
        EXPECT_EQ(Get(dst_, x, y), Marker());
      }
      DDReleaseSurface(&dst_);
      DDReleaseSurface(&src_);
    }
    DDRelease();
  }
}

TEST_F(RasterFxTest, SplitShiftsAlternateWholeStripesAndLeavesThePartialOneUndrawn) {
  for (const char* mode : kEffectModes) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(Init(Mode(mode)));
    // Stripes of 7 over 640 columns: 640 / 7 = 91 whole stripes are drawn,
    // the odd ones 2 up and the even ones 2 down; the last 3 columns are not.
    MakePair(640, 10, 640, 4);
    EXPECT_EQ(DDSplitBlt(&dst_, 0, 3, 640, 4, 7, 2, &src_, 0, 0, 0, 1), 1);
    Expected e(640, 10);
    for (int k = 0; k < 91; ++k) e.Piece(k * 7, k % 2 ? 1 : 5, 7, 4, k * 7, 0);
    EXPECT_EQ(Diff(e), "");
    for (int x = 0; x < 637; ++x) {
      const int top = (x / 7) % 2 ? 1 : 5;
      ASSERT_EQ(Get(dst_, x, top), Code(x, 0)) << "column " << x;
    }
    for (int x = 637; x < 640; ++x)
      for (int y = 0; y < 10; ++y) ASSERT_EQ(Get(dst_, x, y), Marker()) << "column " << x << " row " << y;
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);

    // Rows of 4 over 10 lines (the stage-clear banner's cut), moved
    // sideways: two whole rows, the last 2 lines undrawn.
    MakePair(30, 12, 20, 12);
    DDSplitBlt(&dst_, 6, 1, 16, 10, 4, 3, &src_, 2, 1, 0, 0);
    Expected rows(30, 12);
    rows.Piece(6 - 3, 1 + 4, 16, 4, 2, 1 + 4);
    rows.Piece(6 + 3, 1, 16, 4, 2, 1);
    EXPECT_EQ(Diff(rows), "");

    // A stripe longer than the picture draws nothing.
    FillAll(dst_, Marker());
    DDSplitBlt(&dst_, 0, 0, 16, 10, 11, 0, &src_, 0, 0, 0, 0);
    EXPECT_EQ(Diff(Expected(30, 12)), "");

    // Stripe 0 is one plain copy; a negative stripe draws nothing.
    FillAll(dst_, Marker());
    EXPECT_EQ(DDSplitBlt(&dst_, 40, 0, 4, 4, 0, 3, &src_, 0, 0, 0, 1), 0);  // wholly outside
    EXPECT_EQ(DDSplitBlt(&dst_, 1, 2, 5, 3, 0, 3, &src_, 4, 4, 0, 1), 1);
    Expected plain(30, 12);
    plain.Piece(1, 2, 5, 3, 4, 4);
    EXPECT_EQ(Diff(plain), "");
    FillAll(dst_, Marker());
    DDSplitBlt(&dst_, 0, 0, 16, 10, -4, 0, &src_, 0, 0, 0, 1);
    EXPECT_EQ(Diff(Expected(30, 12)), "");
    Release();
  }
}

TEST_F(RasterFxTest, TurnSqueezesAboutTheCentreAndSwitchesSourceAtTheNarrowestPoint) {
  for (const char* mode : {"DD32Full", "D3D32Full", "D3D16Full"}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(Init(Mode(mode)));
    Make(dst_, 120, 120);
    Make(src_, 20, 20);
    Make(src2_, 20, 20);
    const uint32_t first = Code(1, 1), second = Code(2, 2);
    FillAll(src_, first);
    FillAll(src2_, second);
    struct Case {
      int axis, counter;
      int inset;      // squeezed away on each side
      bool second;    // which picture shows
    } cases[] = {
        {0, 0, 0, false},  {0, 49, 49, false}, {0, 50, 49, true},  {0, 99, 0, true},
        {0, 100, 0, true}, {0, 149, 49, true}, {0, 150, 49, false}, {0, 200, 0, false},
        {1, 25, 25, false}, {1, 50, 49, true},
    };
    const int x = 10, y = 5, w = 100, h = 100;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.axis) + " / " + std::to_string(c.counter));
      FillAll(dst_, Marker());
      EXPECT_EQ(DDTurnBlt(&dst_, x, y, w, h, &src_, 0, 0, &src2_, 0, 0, 20, 20, 0, c.counter, c.axis), 1);
      const uint32_t want = c.second ? second : first;
      // Along the squeezed axis: marker, the picture, marker.
      for (int i = 0; i < 100; ++i) {
        const bool inside = i >= c.inset && i < 100 - c.inset;
        const uint32_t got = c.axis == 0 ? Get(dst_, x + i, y + 50) : Get(dst_, x + 50, y + i);
        ASSERT_EQ(got, inside ? want : Marker()) << "at " << i;
      }
      // The other axis keeps its full length.
      EXPECT_EQ(c.axis == 0 ? Get(dst_, x + 50, y) : Get(dst_, x, y + 50), want);
      EXPECT_EQ(c.axis == 0 ? Get(dst_, x + 50, y + 99) : Get(dst_, x + 99, y + 50), want);
    }
    // A squeezed length below 2 has no half to turn about; unknown axes
    // draw nothing either.
    FillAll(dst_, Marker());
    EXPECT_EQ(DDTurnBlt(&dst_, x, y, 1, h, &src_, 0, 0, &src2_, 0, 0, 20, 20, 0, 7, 0), 0);
    EXPECT_EQ(DDTurnBlt(&dst_, x, y, w, 0, &src_, 0, 0, &src2_, 0, 0, 20, 20, 0, 7, 1), 0);
    EXPECT_EQ(DDTurnBlt(&dst_, x, y, w, h, &src_, 0, 0, &src2_, 0, 0, 20, 20, 0, 7, 2), 0);
    EXPECT_EQ(Get(dst_, x, y), Marker());
    EXPECT_EQ(Get(dst_, x + 50, y + 50), Marker());
    Release();
  }
}

TEST_F(RasterFxTest, QuarterMovesEachQuarterOutByTheGap) {
  for (const char* mode : kEffectModes) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(Init(Mode(mode)));
    MakePair(32, 32, 16, 16);
    // 9 x 7: quarters of 4 x 3, the last column and row left out.
    DDQuarterBlt(&dst_, 10, 12, 9, 7, &src_, 1, 2, 3, 0);
    Expected e(32, 32);
    e.Piece(10 - 3, 12 - 3, 4, 3, 1, 2);
    e.Piece(10 + 4 + 3, 12 - 3, 4, 3, 1 + 4, 2);
    e.Piece(10 - 3, 12 + 3 + 3, 4, 3, 1, 2 + 3);
    e.Piece(10 + 4 + 3, 12 + 3 + 3, 4, 3, 1 + 4, 2 + 3);
    EXPECT_EQ(Diff(e), "");
    // A negative gap draws them overlapping toward the centre, in order.
    FillAll(dst_, Marker());
    DDQuarterBlt(&dst_, 10, 12, 8, 8, &src_, 0, 0, -1, 0);
    Expected in(32, 32);
    in.Piece(11, 13, 4, 4, 0, 0);
    in.Piece(13, 13, 4, 4, 4, 0);
    in.Piece(11, 15, 4, 4, 0, 4);
    in.Piece(13, 15, 4, 4, 4, 4);
    EXPECT_EQ(Diff(in), "");
    Release();
  }
}

TEST_F(RasterFxTest, AWaveWithinOneSurfaceDrawsLineAfterLine) {
  // Each column is copied one place to the right from where the previous
  // column has just been written: line by line that repeats the first
  // column across the picture, where one wide copy would move it instead.
  for (const char* mode : {"DD8Full", "DD32Full"}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(Init(Mode(mode)));
    MakePair(20, 6, 20, 6);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 20; ++x) Put(dst_, x, y, Code(x, y));
    DDWaveBlt(&dst_, 3, 1, 10, 4, 1, 0.0, 0, 1, &dst_, 2, 1, 0, 1);
    for (int x = 3; x < 13; ++x) EXPECT_EQ(Get(dst_, x, 2), Code(2, 2)) << "column " << x;
    EXPECT_EQ(Get(dst_, 13, 2), Code(13, 2));
    EXPECT_EQ(Get(dst_, 5, 0), Code(5, 0));
    Release();
  }
}

TEST_F(RasterFxTest, Direct3DDrawsThePiecesOfOneEffectAsOneBatch) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  MakePair(40, 40, 24, 16);
  DDWaveBlt(&dst_, 4, 4, 16, 8, 1, 3.0, 0, 1, &src_, 0, 0, 0, 1);
  EXPECT_EQ(DDLastSpriteRunCount(), 1);
  DDSplitBlt(&dst_, 4, 4, 16, 8, 3, 2, &src_, 0, 0, 0, 0);
  EXPECT_EQ(DDLastSpriteRunCount(), 1);
  EXPECT_FALSE(DDSpriteBatchOpen());
  Release();
}
