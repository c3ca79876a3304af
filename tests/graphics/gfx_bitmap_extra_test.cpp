// Bitmap files from elsewhere: files written by an independent tool (netpbm,
// when installed) read back pixel for pixel, a PNG named .bmp is refused with
// the image code, and the 16-bit DirectDraw key nudge as a blit shows it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_bytes.h"
#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/bitmap_file.h"
#include "graphics/bitmap_load.h"
#include "graphics/blit.h"
#include "graphics/colorkey.h"
#include "platform/video.h"
#include "support/temp_folder.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Row;

namespace {

struct Picture {
  int width, height;
  std::vector<uint32_t> rgb;  // 0x00RRGGBB, top row first
};

void WritePpm(const std::string& path, const Picture& p) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << p.width << " " << p.height << "\n255\n";
  for (uint32_t c : p.rgb) {
    const char bytes[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
    out.write(bytes, 3);
  }
}

bool HaveTool(const char* name) {
  const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

}  // namespace

TEST(GfxBitmapTool, FilesWrittenByNetpbmReadBackIdentically) {
  if (!HaveTool("ppmtobmp")) GTEST_SKIP() << "netpbm (ppmtobmp) is not installed";
  t4test::TempFolder dir;
  ASSERT_TRUE(dir.ok());
  // An odd width (row padding), up to fifteen colours; a two-colour
  // picture for the 1-bit form.
  Picture many{5, 3, {}};
  for (int i = 0; i < 15; ++i) many.rgb.push_back(0x0F1E2Du * static_cast<uint32_t>(i % 11) ^ (i % 3 ? 0xFF0000u : 0u));
  const Picture two{7, 2, {0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0xFFFFFF, 0}};
  WritePpm(dir / "many.ppm", many);
  WritePpm(dir / "two.ppm", two);
  struct Variant {
    const char* options;
    const Picture* picture;
    const char* ppm;
    int bitCount;
  } variants[] = {
      {"-bpp 24", &many, "many.ppm", 24},       {"-bpp 8", &many, "many.ppm", 8},
      {"-bpp 4", &many, "many.ppm", 4},         {"-os2 -bpp 24", &many, "many.ppm", 24},
      {"-os2 -bpp 8", &many, "many.ppm", 8},    {"-bpp 1", &two, "two.ppm", 1},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.options);
    const std::string bmp = dir / "out.bmp";
    const std::string cmd =
        std::string("ppmtobmp ") + v.options + " '" + (dir / v.ppm) + "' > '" + bmp + "' 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    BitmapImage image;
    ASSERT_TRUE(ReadBitmapFile(bmp, &image));
    EXPECT_EQ(image.bitCount, v.bitCount);
    ASSERT_EQ(image.width, v.picture->width);
    ASSERT_EQ(image.height, v.picture->height);
    EXPECT_EQ(image.pixels, v.picture->rgb);
  }
}

class GfxBitmapLoad : public DisplayTest {
 protected:
  DDSURFACEDATA sd_;
};

TEST_F(GfxBitmapLoad, PngNamedBmpFailsWithTheImageCodeInBothBackends) {
  t4test::TempFolder dir;
  ASSERT_TRUE(dir.ok());
  const uint32_t pixels[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  const std::string path = dir / "picture.bmp";
  ASSERT_TRUE(plat::WritePng(path, pixels, 2, 2, 2));
  for (int mode : {2, 6}) {  // DirectDraw 32, Direct3D 32
    SCOPED_TRACE(kDisplayModes[mode].name);
    ASSERT_TRUE(InitReportLog(reportPath_.c_str()));
    ASSERT_TRUE(Init(kDisplayModes[mode]));
    EXPECT_EQ(DDCreateSurfaceFromFile(&sd_, path.c_str(), 1, 32, 1, 0, nullptr, 0, 0, 0, 0), LOADIMAGE_ERR);
    EXPECT_EQ(sd_.Pixels(), nullptr);
    if (lpDTCon) {
      EXPECT_NE(Report().find("LoadImage Err " + path), std::string::npos) << Report();
    }
    DDReleaseSurface(&sd_);
    DDRelease();
  }
}

TEST_F(GfxBitmapLoad, DirectDraw16KeyNudgeAndKeyPixelsNotDrawn) {
  ASSERT_TRUE(Init(kDisplayModes[1]));  // DirectDraw 16 bits, R5G6B5
  DDSetTransmit(255, 0, 255);
  g_lpDDCon->rgbTransmitSrc = RGBTRIPLE{255, 0, 255};
  ASSERT_EQ(g_dwTransmit, 0xF81Fu);
  bmptest::Spec s;
  s.width = 3;
  s.height = 1;
  s.bitCount = 24;
  // The key; a colour that packs onto the key; an ordinary colour.
  s.rows = {{0xFF00FF, 0xFF04FF, 0x00FF00}};
  drawtest::TempFile f("nudge.bmp", bmptest::Build(s));
  ASSERT_EQ(DDCreateSurfaceFromFile(&sd_, f.path(), 1, 16, 1, 0, nullptr, 0, 0, 0, 0), 0);
  EXPECT_EQ(Row(sd_, 0, 0, 3), (std::vector<uint32_t>{0xF81F, 0xF81E, 0x07E0}));
  DDSURFACEDATA dst;
  ASSERT_TRUE(DDCreateSurface(&dst, 3, 1, 0, 1, 0, nullptr, 0));
  FillAll(dst, 0x1234);
  ASSERT_EQ(DDBlt(&dst, 0, 0, 3, 1, &sd_, 0, 0, 1), 1);
  EXPECT_EQ(Row(dst, 0, 0, 3), (std::vector<uint32_t>{0x1234, 0xF81E, 0x07E0}));
  DDReleaseSurface(&dst);
}
