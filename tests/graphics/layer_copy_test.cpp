// Background layers and sprites drawn by the device's textured copies: the
// row copies that skip the clear or the key test where every texel is opaque,
// and the 16-bit repacking done eight texels at a time, against the plain
// per-pixel rule (clear the rectangles of an unkeyed copy of a keyed texture,
// then each opaque texel converted into the target's format replaces its
// pixel and a transparent one leaves it).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/color.h"

using drawtest::Buf;
using drawtest::Get;
using drawtest::Put;

namespace {

// A destination rectangle and the texel facing its top-left corner.
struct Rect {
  int x, y, w, h, sx, sy;
};

// A picture of w x h repeated from (x0, y0) over a region of rw x rh, its
// tile grid starting at texel (ox, oy), row by row as the background
// layers are drawn.
std::vector<Rect> Tiles(int w, int h, int x0, int y0, int rw, int rh, int ox, int oy) {
  std::vector<Rect> out;
  for (int y = 0, sy = oy; y < rh; y += h - sy, sy = 0)
    for (int x = 0, sx = ox; x < rw; x += w - sx, sx = 0) out.push_back({x0 + x, y0 + y, w - sx, h - sy, sx, sy});
  return out;
}

uint32_t Mix(uint32_t n) { return n * 2654435761u ^ (n >> 7); }

}  // namespace

class LayerCopyTest : public DisplayTest {
 protected:
  bool Full32() const { return g_nBpp == 32; }
  // An opaque or a transparent texel of the texture's format (a transparent
  // one keeps colour bits, which must never show).
  uint32_t Texel(uint32_t n, bool opaque) const {
    const uint32_t h = Mix(n);
    if (Full32()) return opaque ? 0xFF000000u | (h & 0xFFFFFF) : h & 0x00FFFFFFu;
    return opaque ? 0x8000u | (h & 0x7FFF) : h & 0x7FFFu;
  }
  // What was on the back buffer before the draw: a different value per pixel.
  uint32_t Before(int x, int y) const {
    const uint32_t h = Mix(static_cast<uint32_t>(y * 640 + x) + 99u);
    return Full32() ? 0xFF000000u | (h & 0xFFFFFF) : h & 0xFFFF;
  }
  // The plain rule's picture of the draws, pixel by pixel.
  std::vector<uint32_t> Expected(DDSURFACEDATA& tex, const std::vector<Rect>& rects, bool keyed) {
    PixelBuffer& back = Buf(BackBuffer);
    const PixelFormat sf = Buf(tex).format, df = back.format;
    std::vector<uint32_t> px(static_cast<size_t>(640) * 480);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) px[static_cast<size_t>(y) * 640 + x] = Before(x, y);
    auto inside = [](int x, int y) { return x >= 0 && y >= 0 && x < 640 && y < 480; };
    if (!keyed) {
      const uint32_t clear = EncodePixel(df, DecodePixel(PixelFormat::A8R8G8B8, DDKeyClearColor(&BackBuffer)));
      for (const Rect& r : rects)
        for (int j = 0; j < r.h; ++j)
          for (int i = 0; i < r.w; ++i)
            if (inside(r.x + i, r.y + j)) px[static_cast<size_t>(r.y + j) * 640 + r.x + i] = clear;
    }
    for (const Rect& r : rects)
      for (int j = 0; j < r.h; ++j)
        for (int i = 0; i < r.w; ++i) {
          if (!inside(r.x + i, r.y + j)) continue;
          const uint32_t t = Get(tex, r.sx + i, r.sy + j);
          const Rgba8 c = DecodePixel(sf, t);
          if (c.a == 255) px[static_cast<size_t>(r.y + j) * 640 + r.x + i] = EncodePixel(df, c);
        }
    return px;
  }
  std::vector<uint32_t> Shown() {
    std::vector<uint32_t> px(static_cast<size_t>(640) * 480);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) px[static_cast<size_t>(y) * 640 + x] = Get(BackBuffer, x, y);
    return px;
  }
  DDSURFACEDATA tex_;
};

TEST_F(LayerCopyTest, EveryA1R5G5B5TexelIntoTheR5G6B5BackBufferAsTheDevicesTable) {
  ASSERT_TRUE(Init(DisplayModeNamed("D3D16Full")));
  ASSERT_EQ(Buf(BackBuffer).format, PixelFormat::R5G6B5);
  // Green's five bits become six as v x 255 / 31 >> 2: 17 gives 34, 18 gives 37.
  const Repack565& table = Repack565Table();
  EXPECT_EQ(table.g[17], 34u << 5);
  EXPECT_EQ(table.g[18], 37u << 5);
  EXPECT_EQ(table.g[31], 63u << 5);
  EXPECT_EQ(table.r[16] | table.b[5], 16u << 11 | 5u);
  // Every texel value once, keyed and then all opaque in an unkeyed copy.
  ASSERT_TRUE(DDCreateSurface(&tex_, 256, 256, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  for (uint32_t v = 0; v < 65536; ++v) Put(tex_, static_cast<int>(v % 256), static_cast<int>(v / 256), v);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) Put(BackBuffer, x, y, 0x1234);
  DDBlt(&BackBuffer, 3, 5, 256, 256, &tex_, 0, 0, 1);
  for (uint32_t v = 0; v < 65536; ++v) {
    const uint32_t want =
        (v & 0x8000) ? uint32_t{table.r[(v >> 10) & 31]} | table.g[(v >> 5) & 31] | table.b[v & 31] : 0x1234u;
    ASSERT_EQ(Get(BackBuffer, 3 + static_cast<int>(v % 256), 5 + static_cast<int>(v / 256)), want) << "texel " << v;
  }
  for (uint32_t v = 0; v < 65536; ++v) Put(tex_, static_cast<int>(v % 256), static_cast<int>(v / 256), v | 0x8000);
  DDBlt(&BackBuffer, 300, 200, 256, 256, &tex_, 0, 0, 0);
  for (uint32_t v = 0; v < 65536; ++v) {
    const uint32_t want = uint32_t{table.r[(v >> 10) & 31]} | table.g[(v >> 5) & 31] | table.b[v & 31];
    ASSERT_EQ(Get(BackBuffer, 300 + static_cast<int>(v % 256), 200 + static_cast<int>(v / 256)), want)
        << "texel " << (v | 0x8000);
  }
  DDReleaseSurface(&tex_);
}

TEST_F(LayerCopyTest, KeyedAndUnkeyedLayersEqualThePlainPerPixelRule) {
  enum Holes { kOpaque, kSomeRows, kEveryRow };
  struct Case {
    const char* name;
    int texW, texH;
    Holes holes;
    std::vector<Rect> rects;
  };
  const Case cases[] = {
      // A picture wider than 64 texels covering the screen from an offset.
      {"screen, opaque", 200, 150, kOpaque, Tiles(200, 150, 0, 0, 640, 480, 37, 101)},
      {"screen, holes in some rows", 200, 150, kSomeRows, Tiles(200, 150, 0, 0, 640, 480, 37, 101)},
      {"screen, holes in every row", 200, 150, kEveryRow, Tiles(200, 150, 0, 0, 640, 480, 0, 0)},
      // Small tiles sticking out past the right and bottom edges.
      {"small tiles at the edges", 24, 10, kSomeRows, Tiles(24, 10, 590, 455, 70, 40, 5, 3)},
      {"small opaque tiles from the top left", 24, 10, kOpaque, Tiles(24, 10, -7, -4, 60, 30, 0, 0)},
      // Rectangles that overlap, and a row that goes back up: not tiles.
      {"overlapping", 40, 20, kSomeRows, {{10, 10, 40, 20, 0, 0}, {30, 15, 40, 20, 0, 0}, {20, 5, 10, 10, 5, 5}}},
      {"back up", 40, 20, kOpaque, {{10, 30, 40, 20, 0, 0}, {50, 30, 40, 20, 0, 0}, {15, 20, 40, 20, 0, 0}}},
  };
  for (const char* mode : {"D3D32Full", "D3D32Window", "D3D16Full", "D3D16Window"}) {
    ASSERT_TRUE(Init(DisplayModeNamed(mode))) << mode;
    for (const Case& c : cases) {
      ASSERT_TRUE(DDCreateSurface(&tex_, c.texW, c.texH, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
      for (int y = 0; y < c.texH; ++y)
        for (int x = 0; x < c.texW; ++x) {
          const bool hole = (c.holes == kSomeRows && y % 3 == 1 && (x * 7 + y) % 5 == 0) ||
                            (c.holes == kEveryRow && (x + y) % 9 == 4);
          Put(tex_, x, y, Texel(static_cast<uint32_t>(y * c.texW + x), !hole));
        }
      for (bool keyed : {false, true})
        for (bool batched : {true, false}) {
          const std::string what = std::string(mode) + ", " + c.name + (keyed ? ", keyed" : ", unkeyed") +
                                   (batched ? ", batched" : ", one by one");
          for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) Put(BackBuffer, x, y, Before(x, y));
          if (batched) DDBeginSpriteBatch(0);
          for (const Rect& r : c.rects) DDBlt(&BackBuffer, r.x, r.y, r.w, r.h, &tex_, r.sx, r.sy, keyed ? 1 : 0);
          if (batched) DDEndSpriteBatch();
          // One by one, each unkeyed copy clears only its own rectangle
          // just before it draws.
          std::vector<uint32_t> want;
          if (batched || keyed) {
            want = Expected(tex_, c.rects, keyed);
          } else {
            for (const Rect& r : c.rects) {
              const std::vector<uint32_t> step = Expected(tex_, {r}, keyed);
              if (want.empty()) want = step;
              for (int j = 0; j < r.h; ++j)
                for (int i = 0; i < r.w; ++i) {
                  const int x = r.x + i, y = r.y + j;
                  if (x >= 0 && y >= 0 && x < 640 && y < 480)
                    want[static_cast<size_t>(y) * 640 + x] = step[static_cast<size_t>(y) * 640 + x];
                }
            }
          }
          const std::vector<uint32_t> shown = Shown();
          size_t wrong = 0, first = 0;
          for (size_t i = 0; i < shown.size(); ++i)
            if (shown[i] != want[i] && wrong++ == 0) first = i;
          EXPECT_EQ(wrong, 0u) << what << ": first at (" << first % 640 << ", " << first / 640 << ") "
                               << std::hex << shown[first] << " not " << want[first];
        }
      DDReleaseSurface(&tex_);
    }
    DDRelease();
  }
}
