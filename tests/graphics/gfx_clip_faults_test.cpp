// Clipping at every edge, the set-up report lines of each mode, and the
// faults of set-up, loading and the Direct3D 16-bit key that were mended.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "bmp_bytes.h"
#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/bitmap_load.h"
#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/colorkey.h"
#include "graphics/fill.h"
#include "graphics/palette.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;
using drawtest::TempFile;

namespace {

// An opaque pixel value standing for source column c, in the surface format
// of the running mode.
uint32_t Opaque(int c) {
  if (!lpDTCon) return uint32_t(c + 1);
  return g_nBpp == 32 ? 0xFF000000u | uint32_t(c + 1) : 0x8000u | uint32_t(c + 1);
}

std::vector<uint8_t> OneRowFile(std::vector<uint32_t> row) {
  bmptest::Spec s;
  s.width = static_cast<int>(row.size());
  s.height = 1;
  s.bitCount = 24;
  s.rows = {std::move(row)};
  return bmptest::Build(s);
}

}  // namespace

class GfxClipTest : public DisplayTest {
 protected:
  void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 0, 0, 0, nullptr, 0));
    FillAll(sd, 0);
  }
  DDSURFACEDATA dst_, src_;
};

TEST_F(GfxClipTest, ClipRectCutsBothEdgesAndKeepsPixelsFacingTheirSource) {
  // Same-size rectangles; destination 64 wide, source 100 wide.
  struct Case {
    int x, sx, w;       // in
    int ok, ox, osx, ow;  // out
  } cases[] = {
      {-8, 0, 80, 1, 0, 8, 64},    // out on both sides of the destination
      {-8, -4, 40, 1, 0, 4, 32},   // both start negative: the larger cut wins
      {10, -5, 20, 1, 15, 0, 15},  // a negative source start moves the destination too
      {50, 90, 20, 1, 50, 90, 10}, // the source's far edge is nearer
      {-70, 0, 60, 0, 0, 0, 0},    // entirely left of the destination
      {0, 100, 8, 0, 0, 0, 0},     // entirely right of the source
  };
  DDSURFACEDATA dst, src;
  dst.nWidth = dst.nHeight = 64;
  src.nWidth = src.nHeight = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x " << c.x << " sx " << c.sx << " w " << c.w);
    // The same cut in x and in y.
    int x = c.x, y = c.x, w = c.w, h = c.w, sx = c.sx, sy = c.sx, sw = c.w, sh = c.w;
    ASSERT_EQ(DDClipRect(&dst, &x, &y, &w, &h, &src, &sx, &sy, &sw, &sh), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(x, c.ox);
    EXPECT_EQ(sx, c.osx);
    EXPECT_EQ(w, c.ow);
    EXPECT_EQ(sw, c.ow);
    EXPECT_EQ(y, c.ox);
    EXPECT_EQ(sy, c.osx);
    EXPECT_EQ(h, c.ow);
  }
}

TEST_F(GfxClipTest, BlitStickingOutOnBothSidesInEveryMode) {
  for (const DisplayMode& m : kDisplayModes) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(Init(m));
    Make(dst_, 30, 3);
    Make(src_, 60, 3);
    for (int x = 0; x < 60; ++x) Put(src_, x, 1, Opaque(x));
    EXPECT_EQ(DDBlt(&dst_, -8, 1, 50, 1, &src_, 0, 1, 0), 1);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(Get(dst_, x, 1), Opaque(x + 8)) << "column " << x;
    EXPECT_EQ(Get(dst_, 0, 0), 0u);
    EXPECT_EQ(Get(dst_, 0, 2), 0u);
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
}

TEST_F(GfxClipTest, DirectDrawStretchSticksOutOnBothSides) {
  ASSERT_TRUE(Init(kDisplayModes[2]));  // DirectDraw 32 bits
  Make(dst_, 20, 1);
  Make(src_, 40, 1);
  for (int x = 0; x < 40; ++x) Put(src_, x, 0, Opaque(x));
  // 40 source columns doubled over 80 destination columns starting at -30:
  // destination column d shows source column (d + 30) / 2.
  EXPECT_EQ(DDStretchBlt(&dst_, -30, 0, 80, 1, &src_, 0, 0, 40, 1, 0), 1);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(Get(dst_, x, 0), Opaque((x + 30) / 2)) << x;
}

TEST_F(GfxClipTest, FillsAreCutAtEveryEdgeInEveryMode) {
  for (const DisplayMode& m : kDisplayModes) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(Init(m));
    // A system-memory surface in Direct3D takes the software fill; an empty
    // one there is a render target and takes the quad.
    for (DWORD dtMem : {DTMEMORYTYPE_VIDEO_RT, DTMEMORYTYPE_SYSTEM}) {
      ASSERT_TRUE(DDCreateSurface(&dst_, 20, 10, 0, 1, dtMem, nullptr, 0));
      FillAll(dst_, 0);
      const DWORD colour = lpDTCon ? 0xFF0080F0u : 5u;
      DDFillRectColor(&dst_, -10, -3, 15, 6, colour);  // top-left corner: 5 x 3 left
      DDFillRectColor(&dst_, 17, 8, 10, 10, colour);   // bottom-right corner: 3 x 2 left
      DDFillRectColor(&dst_, -5, 5, 40, 1, colour);    // out on both sides: the whole row
      const uint32_t v = Get(dst_, 0, 0);
      EXPECT_NE(v, 0u);
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
          const bool in = (x < 5 && y < 3) || (x >= 17 && y >= 8) || y == 5;
          ASSERT_EQ(Get(dst_, x, y), in ? v : 0u) << "dtMem " << dtMem << " at " << x << "," << y;
        }
      DDReleaseSurface(&dst_);
      if (!lpDTCon) break;
    }
    DDRelease();
  }
}

TEST_F(GfxClipTest, SetUpReportLinesOfEachMode) {
  struct Case {
    int bD3D, bpp, windowMode, vsync;
    const char* present;  // lines that follow each other in the report
    bool refreshLine;
  } cases[] = {
      {1, 32, 0, 1, "VSync : 1\nDevice HAL-HARD\nX8R8G8B8\n", false},
      {1, 32, 1, 1, "VSync : 1\nRefreshRate : 60\nDevice HAL-HARD\nX8R8G8B8\n", true},
      {1, 16, 0, 0, "VSync : 0\nDevice HAL-HARD\nR5G6B5\n", false},
      {1, 16, 1, 0, "VSync : 0\nDevice HAL-HARD\nA1R5G5B5\n", false},
      {0, 16, 0, 1, "VSync : 1\n", false},
      {0, 8, 0, 0, "VSync : 0\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bD3D << " " << c.bpp << " " << c.windowMode);
    ASSERT_TRUE(InitReportLog(reportPath_.c_str()));
    ASSERT_TRUE(DDInit(c.bD3D, nullptr, 640, 480, c.bpp, c.vsync, c.windowMode, 1, 60, c.vsync, surfaces_, defs_, 4, 0));
    const std::string r = Report();
    EXPECT_NE(r.find(c.present), std::string::npos) << r;
    EXPECT_EQ(r.find("RefreshRate : ") != std::string::npos, c.refreshLine) << r;
    EXPECT_EQ(r.find("Device HAL") != std::string::npos, c.bD3D == 1) << r;
    DDRelease();
  }
}

TEST_F(GfxClipTest, UnknownWindowModeFailsWithoutADisplay) {
  for (int windowMode : {2, -1}) {
    EXPECT_FALSE(DDInit(0, nullptr, 640, 480, 32, 0, windowMode, 1, 60, 0, surfaces_, defs_, 4, 0));
    EXPECT_EQ(g_bDisplayReady, 0);
    EXPECT_EQ(BackBuffer.Pixels(), nullptr);
    DDRelease();
  }
  EXPECT_NE(Report().find("DDInit Err WindowMode = 2"), std::string::npos);
  // A known mode still comes up afterwards.
  EXPECT_TRUE(DDInit(0, nullptr, 640, 480, 32, 0, 1, 1, 60, 0, surfaces_, defs_, 4, 0));
  EXPECT_EQ(g_bDisplayReady, 1);
}

TEST_F(GfxClipTest, LoadSurfacesFailsOnAnyNonZeroCode) {
  ASSERT_TRUE(Init(kDisplayModes[6]));  // Direct3D 32 bits
  TempFile f("sheet.bmp", OneRowFile({1, 2, 3}));
  for (int optional : {0, 1}) {
    SCOPED_TRACE(optional);
    defs_[0] = {};
    std::strncpy(defs_[0].szFileName, f.path(), sizeof defs_[0].szFileName - 1);
    defs_[0].bOptional = optional;
    const int index[] = {0};
    // A texture the device refuses: a code that is none of the named ones.
    const PixelFormat texture = lpDTCon->fmtTexture;
    lpDTCon->fmtTexture = PixelFormat::None;
    DDSURFACEDATA probe;
    const int code = DDCreateSurfaceFromFile(&probe, f.path(), 1, 32, 0, 0, nullptr, 0, 0, 0, 0);
    DDReleaseSurface(&probe);
    EXPECT_NE(code, 0);
    EXPECT_TRUE(DDSurfaceErrorName(code));  // not one of 4, 8, 9
    EXPECT_EQ(DDLoadSurfaces(surfaces_, index, 1), optional == 1);
    lpDTCon->fmtTexture = texture;
    EXPECT_TRUE(DDLoadSurfaces(surfaces_, index, 1));
    EXPECT_EQ(surfaces_[0].nWidth, 3);
  }
}

TEST_F(GfxClipTest, Direct3D16KeyFromAFileScalesOnlyTheArgbClearColour) {
  // The top-left pixel is pure blue: fields (0, 0, 31).
  TempFile f("key.bmp", OneRowFile({0x0000FF, 0x102030}));
  ASSERT_TRUE(Init(kDisplayModes[4]));  // Direct3D 16 bits, full screen
  ASSERT_EQ(DDSetTransmitFromFile(f.path()), 1);
  EXPECT_EQ(lpDTCon->wTransmitBack_16, 0x8000u | 31u);  // packed: the fields as they are
  EXPECT_EQ(lpDTCon->dwTransmitARGB, 0xFF0000FFu);     // ARGB: 0..255 channels
  // A fill of the back buffer with a dark blue whose channel equals the
  // unscaled field is a colour, not the key.
  FillAll(BackBuffer, 0);
  DDFillRectColor(&BackBuffer, 0, 0, 1, 1, 0xFF00001Fu);
  EXPECT_EQ(Get(BackBuffer, 0, 0), 0x0003u);
  // The key colour itself clears to the back buffer's key.
  DDFillRectColor(&BackBuffer, 1, 0, 1, 1, 0xFF0000FFu);
  EXPECT_EQ(Get(BackBuffer, 1, 0), 0x001Fu);
}

TEST_F(GfxClipTest, IndexMapIsZeroWhereNoEntryMatches) {
  // Direct3D 16 bits: three pixels per row, rows of four, so the map has a
  // padding byte per row.
  ASSERT_TRUE(Init(kDisplayModes[5]));
  PALETTEENTRY saved[256];
  std::memcpy(saved, g_Palette, sizeof saved);
  for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{255, 255, 255, 0};
  g_Palette[7] = PALETTEENTRY{255, 0, 0, 0};
  DDSURFACEDATA sd;
  ASSERT_TRUE(DDCreateSurface(&sd, 3, 2, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  FillAll(sd, 0x8000u | 0x0421u);  // a grey no entry has
  Put(sd, 1, 1, 0x8000u | 0x7C00u);  // red: entry 7
  BYTE* map = static_cast<BYTE*>(std::malloc(64));
  std::memset(map, 0xAB, 64);  // an old map full of stale numbers
  ASSERT_EQ(DDMakePalIndexMap(&map, &sd), 1);
  const int pitch = 4;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < pitch; ++x) EXPECT_EQ(map[y * pitch + x], (x == 1 && y == 1) ? 7 : 0) << x << "," << y;
  std::free(map);
  DDReleaseSurface(&sd);
  std::memcpy(g_Palette, saved, sizeof saved);
}

TEST_F(GfxClipTest, LongKeyedRowsKeepTheBackgroundOnlyUnderKeyPixels) {
  // Rows long enough for the wide paths, with an odd tail, in every mode.
  for (const DisplayMode& m : kDisplayModes) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(Init(m));
    DDSetTransmit(255, 0, 255);
    if (!lpDTCon && g_nBpp == 8) g_dwTransmit = 0;  // palette index 0 at 8 bits
    ASSERT_TRUE(DDCreateSurface(&src_, 53, 2, 1, 0, 0, nullptr, 0));
    Make(dst_, 60, 2);
    // Direct3D: transparent texels have alpha 0; DirectDraw: the key value.
    const uint32_t key = lpDTCon ? 0u : src_.Pixels()->colorKey;
    const uint32_t background = Opaque(200);
    FillAll(dst_, background);
    for (int x = 0; x < 53; ++x) Put(src_, x, 1, x % 3 == 1 ? key : Opaque(x));
    ASSERT_EQ(DDBlt(&dst_, 4, 1, 53, 1, &src_, 0, 1, 1), 1);
    for (int x = 0; x < 60; ++x) {
      const bool drawn = x >= 4 && x < 57 && (x - 4) % 3 != 1;
      EXPECT_EQ(Get(dst_, x, 1), drawn ? Opaque(x - 4) : background) << "column " << x;
    }
    EXPECT_EQ(Get(dst_, 10, 0), background);
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
}
