#include <gtest/gtest.h>

#include <cstring>

#include "bmp_bytes.h"
#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/bitmap_load.h"
#include "graphics/colorkey.h"
#include "graphics/palette.h"

using drawtest::Get;
using drawtest::Row;
using drawtest::TempFile;

namespace {

// A true-colour file of one or more rows (0x00RRGGBB, top row first).
std::vector<uint8_t> TrueColour(std::vector<std::vector<uint32_t>> rows, int bits = 24, bool topDown = false) {
  bmptest::Spec s;
  s.width = static_cast<int>(rows[0].size());
  s.height = topDown ? -static_cast<int>(rows.size()) : static_cast<int>(rows.size());
  s.bitCount = bits;
  s.rows = std::move(rows);
  return bmptest::Build(s);
}

std::vector<uint8_t> Paletted(std::vector<uint32_t> palette, std::vector<std::vector<uint32_t>> rows,
                              bool topDown = false) {
  bmptest::Spec s;
  s.width = static_cast<int>(rows[0].size());
  s.height = topDown ? -static_cast<int>(rows.size()) : static_cast<int>(rows.size());
  s.bitCount = 8;
  palette.resize(256, 0);
  s.palette = std::move(palette);
  s.rows = std::move(rows);
  return bmptest::Build(s);
}

}  // namespace

class BitmapLoadTest : public DisplayTest {
 protected:
  void Setup(const char* name) {
    for (const DisplayMode& m : kDisplayModes) {
      if (std::string(m.name) == name) {
        ASSERT_TRUE(Init(m)) << name;
      }
    }
  }
  int Load(const char* file, int key = 1, int mirrorX = 0, DDSURFACEDATA* base = nullptr, int palIndex = 0) {
    return DDCreateSurfaceFromFile(&sd_, file, key, g_nBpp, 1, 0, base, palIndex, mirrorX, 0, 0);
  }
  DDSURFACEDATA sd_;
};

TEST_F(BitmapLoadTest, TrueColourIn16BitDirectDrawKeepsKeyPixelsAndNudgesLookalikes) {
  Setup("DD16Full");
  DDSetTransmit(255, 0, 255);
  g_lpDDCon->rgbTransmitSrc = RGBTRIPLE{255, 0, 255};
  TempFile f("key16.bmp", TrueColour({{0xFF00FF, 0xFF02FF, 0x808080, 0xF8FCF8}}));
  ASSERT_EQ(Load(f.path()), 0);
  EXPECT_EQ(Row(sd_, 0, 0, 4),
            (std::vector<uint32_t>{0xF81F, 0xF81E, 15u << 11 | 31u << 5 | 15, 30u << 11 | 62u << 5 | 30}));
  EXPECT_EQ(sd_.nWidth, 4);
  EXPECT_STREQ(sd_.szFileName, f.path());
}

TEST_F(BitmapLoadTest, PalettedAnd8BitDirectDrawGoThroughGdi) {
  TempFile pal("pal.bmp", Paletted({0x000000, 0x808080, 0xFF0000}, {{0, 1, 2}}));
  TempFile rgb("rgb.bmp", TrueColour({{0xF00000, 0x7F7F7F, 0x010101}}));
  Setup("DD16Full");
  ASSERT_EQ(Load(pal.path(), 0), 0);  // truncated to the top bits
  EXPECT_EQ(Row(sd_, 0, 0, 3), (std::vector<uint32_t>{0, 16u << 11 | 32u << 5 | 16, 31u << 11}));
  DDReleaseSurface(&sd_);
  DDRelease();

  Setup("DD8Full");
  for (int i = 0; i < 256; ++i) g_lpDDPal->entries[i] = PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0};
  g_lpDDPal->entries[9] = PALETTEENTRY{250, 0, 0, 0};
  ASSERT_EQ(Load(rgb.path(), 0), 0);  // the nearest palette entry
  EXPECT_EQ(Row(sd_, 0, 0, 3), (std::vector<uint32_t>{9, 0x7F, 1}));
}

TEST_F(BitmapLoadTest, EightBitFilesCopyTheirIndicesInEitherRowOrder) {
  Setup("DD8Full");
  const std::vector<std::vector<uint32_t>> rows = {{1, 2, 3}, {4, 5, 6}};
  TempFile up("up.bmp", Paletted({}, rows));
  TempFile down("down.bmp", Paletted({}, rows, true));
  for (const TempFile* f : {&up, &down}) {
    ASSERT_EQ(Load(f->path(), 0), 0);
    EXPECT_EQ(Row(sd_, 0, 0, 3), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(Row(sd_, 1, 0, 3), (std::vector<uint32_t>{4, 5, 6}));
    DDReleaseSurface(&sd_);
  }
}

TEST_F(BitmapLoadTest, MirroredSheetFlipsEveryCellInBothBackends) {
  std::vector<uint32_t> row(64);
  for (int x = 0; x < 64; ++x) row[static_cast<size_t>(x)] = 0x010000u * static_cast<uint32_t>(x + 1);
  TempFile f("sheet.bmp", TrueColour({row, row}));
  for (const char* mode : {"DD32Full", "D3D32Full", "D3D16Window"}) {
    Setup(mode);
    ASSERT_EQ(Load(f.path(), 0, 32), 0) << mode;
    for (int x = 0; x < 64; ++x) {
      const int from = x < 32 ? 31 - x : 95 - x;
      const uint32_t rgb = 0x010000u * static_cast<uint32_t>(from + 1);
      uint32_t expected = rgb;
      if (lpDTCon) expected = g_nBpp == 32 ? 0xFF000000u | rgb : 0x8000u | (rgb >> 19) << 10;
      EXPECT_EQ(Get(sd_, x, 1), expected) << mode << " column " << x;
    }
    EXPECT_EQ(sd_.nMirrorX, 32);
    DDReleaseSurface(&sd_);
    DDRelease();
  }
}

TEST_F(BitmapLoadTest, Direct3DTexturesTakeTheKeyAndAliasesHaveNoTexture) {
  Setup("D3D32Full");
  DDSetTransmit(255, 0, 255);
  TempFile f("keyed.bmp", TrueColour({{0xFF00FF, 0x123456}}));
  ASSERT_EQ(Load(f.path(), 0), 0);  // the key applies even to an unkeyed surface
  EXPECT_EQ(Row(sd_, 0, 0, 2), (std::vector<uint32_t>{0, 0xFF123456}));
  EXPECT_EQ(sd_.lpDT->bTransmit, 0);
  EXPECT_STREQ(sd_.szName, "OffScreenFromFile");

  DDSURFACEDATA alias;
  ASSERT_EQ(DDCreateSurfaceFromFile(&alias, f.path(), 1, 32, 1, 0, &sd_, 0, 2, 0, 0), 0);
  EXPECT_EQ(alias.lpDT->lpTexture, nullptr);
  EXPECT_EQ(alias.nWidth, 2);
  EXPECT_EQ(alias.nHeight, 1);
}

TEST_F(BitmapLoadTest, BadAndMissingFilesFailWithTheImageCode) {
  TempFile png("pic.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13});
  std::vector<uint8_t> cut = TrueColour({{1, 2, 3, 4}});
  cut.resize(cut.size() - 3);
  TempFile truncated("cut.bmp", cut);
  for (const char* mode : {"DD32Full", "D3D32Full", "DD8Full", "D3D16Full"}) {
    Setup(mode);
    for (const char* file : {png.path(), truncated.path(), "no_such_file.bmp"}) {
      EXPECT_EQ(Load(file), LOADIMAGE_ERR) << mode << " " << file;
      DDReleaseSurface(&sd_);
    }
    DDRelease();
  }
  EXPECT_FALSE(DDSurfaceErrorName(CREATESURFACE_ERR));
  EXPECT_FALSE(DDSurfaceErrorName(LOADIMAGE_ERR));
  EXPECT_FALSE(DDSurfaceErrorName(SETCOLORKEY_ERR));
  EXPECT_TRUE(DDSurfaceErrorName(0));
  EXPECT_TRUE(DDSurfaceErrorName(1));
}

TEST_F(BitmapLoadTest, LoadSurfacesSkipsOptionalFailuresAndStopsOnOthers) {
  Setup("D3D32Window");
  TempFile f("four.bmp", TrueColour({{1, 2, 3}}));
  auto def = [](const char* file, int optional) {
    DDSURFACEDEF d = {};
    std::strncpy(d.szFileName, file, sizeof d.szFileName - 1);
    d.bOptional = optional;
    d.nWidth = 5;
    d.nHeight = 6;
    return d;
  };
  defs_[0] = def(f.path(), 0);
  defs_[1] = def("missing.bmp", 1);
  defs_[2] = def("E", 0);
  defs_[3] = def("missing.bmp", 0);
  const int first3[] = {0, 1, 2};
  EXPECT_TRUE(DDLoadSurfaces(surfaces_, first3, 3));
  EXPECT_EQ(surfaces_[0].nWidth, 3);
  EXPECT_EQ(surfaces_[1].Pixels(), nullptr);
  EXPECT_EQ(surfaces_[2].nWidth, 5);
  EXPECT_NE(surfaces_[2].Pixels(), nullptr);
  const int fourth[] = {3};
  EXPECT_FALSE(DDLoadSurfaces(surfaces_, fourth, 1));
  EXPECT_NE(Report().find("missing.bmp"), std::string::npos);
}

TEST_F(BitmapLoadTest, KeyFromTheTopLeftPixelOfAFile) {
  TempFile pal8("key8.bmp", Paletted({0x00FF00, 0x0000FF}, {{1, 0}}));
  TempFile rgb("key24.bmp", TrueColour({{0x102030, 0}}));
  Setup("D3D16Full");
  ASSERT_EQ(DDSetTransmitFromFile(pal8.path()), 1);
  EXPECT_EQ(lpDTCon->rgbTransmitSrc.rgbtGreen, 255);  // palette entry 0
  EXPECT_EQ(lpDTCon->rgbTransmitSrc.rgbtBlue, 0);
  EXPECT_EQ(g_dwTransmit, 0x8000u | 31u);               // the first pixel as loaded
  EXPECT_EQ(lpDTCon->wTransmitBack_16, 0x8000u | 31u);  // its fields, unscaled
  DDRelease();

  Setup("D3D32Full");
  ASSERT_EQ(DDSetTransmitFromFile(rgb.path()), 1);
  EXPECT_EQ(lpDTCon->dwTransmitARGB, 0xFF102030u);
  DDRelease();

  Setup("DD32Full");
  ASSERT_EQ(DDSetTransmitFromFile(rgb.path()), 1);
  EXPECT_EQ(g_dwTransmit, 0x102030u);
  EXPECT_EQ(g_lpDDCon->rgbTransmit.rgbtRed, 0x10);
  EXPECT_EQ(DDSetTransmitFromFile("missing.bmp"), 0);
}

TEST_F(BitmapLoadTest, PaletteFromFileAndIndexMap) {
  TempFile f("palette.bmp", Paletted({0x000000, 0x102030, 0xFFFFFF}, {{2, 1, 0, 1}}));
  Setup("D3D32Full");
  ASSERT_TRUE(DDLoadPaletteFromFile(g_Palette, f.path()));
  EXPECT_EQ(g_Palette[1].peRed, 0x10);
  EXPECT_EQ(g_Palette[1].peBlue, 0x30);
  EXPECT_EQ(g_Palette[1].peFlags, 255);
  EXPECT_FALSE(DDLoadPaletteFromFile(g_Palette, "missing.bmp"));
  ASSERT_EQ(DDCreateSurfaceFromFile(&sd_, f.path(), 0, 32, 1, 0, nullptr, 1, 0, 0, 0), 0);
  ASSERT_NE(sd_.lpDT->lpPalIndex, nullptr);
  EXPECT_EQ(sd_.lpDT->lpPalIndex[0], 2);
  EXPECT_EQ(sd_.lpDT->lpPalIndex[1], 1);
  EXPECT_EQ(sd_.lpDT->lpPalIndex[3], 1);
  DDRelease();

  Setup("DD8Full");
  ASSERT_TRUE(DDLoadPaletteFromFile(g_Palette, f.path()));
  EXPECT_EQ(g_Palette[9].peFlags, PC_EXPLICIT);
  EXPECT_EQ(g_Palette[10].peFlags, PC_RESERVED);
  EXPECT_EQ(g_lpDDPal->entries[2].peGreen, 255);
}

TEST_F(BitmapLoadTest, WithoutAHardwarePaletteThePaletteComesFromThePicturesGrid) {
  // 16 x 24: rows 0-7 in one colour, then entry i at (i % 16, 8 + i / 16).
  auto gridColour = [](int i) { return static_cast<uint32_t>(0x080400 * (i % 32) + 0x000008 * (i / 32) + 0x400000); };
  std::vector<std::vector<uint32_t>> rows(24, std::vector<uint32_t>(16, 0x00FF00));
  for (int i = 0; i < 256; ++i) rows[static_cast<size_t>(8 + i / 16)][static_cast<size_t>(i % 16)] = gridColour(i);
  TempFile picture("grid.bmp", TrueColour(rows));
  struct Case {
    const char* mode;
    bool rawFields;  // 16-bit DirectDraw keeps the display's field values
  } cases[] = {{"DD32Full", false}, {"DD32Window", false}, {"DD16Full", true}, {"D3D32Full", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Setup(c.mode);
    std::memset(g_Palette, 0, sizeof(PALETTEENTRY) * 256);
    ASSERT_TRUE(DDLoadPaletteFromFile(g_Palette, picture.path()));
    for (int i : {0, 1, 17, 128, 255}) {
      const uint32_t rgb = gridColour(i);
      const int r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
      if (c.rawFields) {
        EXPECT_EQ(g_Palette[i].peRed, r * 31 / 255) << i;
        EXPECT_EQ(g_Palette[i].peGreen, g * 63 / 255) << i;
        EXPECT_EQ(g_Palette[i].peBlue, b * 31 / 255) << i;
      } else {
        EXPECT_EQ(g_Palette[i].peRed, r) << i;
        EXPECT_EQ(g_Palette[i].peGreen, g) << i;
        EXPECT_EQ(g_Palette[i].peBlue, b) << i;
      }
    }
    DDRelease();
  }
  // A picture too small for the grid leaves the entries it does not hold.
  TempFile small("small.bmp", TrueColour(std::vector<std::vector<uint32_t>>(10, std::vector<uint32_t>(4, 0x123456))));
  Setup("DD32Full");
  for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{7, 7, 7, 0};
  ASSERT_TRUE(DDLoadPaletteFromFile(g_Palette, small.path()));
  EXPECT_EQ(g_Palette[3].peRed, 0x12);
  EXPECT_EQ(g_Palette[4].peRed, 7);
  EXPECT_EQ(g_Palette[16 * 2].peRed, 7);
}

TEST_F(BitmapLoadTest, CheckBitmapSize) {
  TempFile f("size.bmp", TrueColour({{1, 2, 3}, {4, 5, 6}}));
  Setup("DD32Full");
  int large = -1;
  EXPECT_EQ(DDCheckBitmapSize(&large, f.path(), 3, 2), 1);
  EXPECT_EQ(large, 0);
  EXPECT_EQ(DDCheckBitmapSize(&large, f.path(), 2, 2), 1);
  EXPECT_EQ(large, 1);
  EXPECT_EQ(DDCheckBitmapSize(&large, "missing.bmp", 2, 2), 0);
  EXPECT_EQ(large, 0);
  DDRelease();
  Setup("D3D32Full");
  large = 7;
  EXPECT_EQ(DDCheckBitmapSize(&large, "missing.bmp", 2, 2), 1);
  EXPECT_EQ(large, 7);
}
