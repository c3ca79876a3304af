#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/builtin_tables.h"
#include "platform/text.h"

namespace {
std::string File(int i) { return g_SDDef[i].szFileName; }
}  // namespace

TEST(BuiltInTables, SurfaceTableEntriesAsTabled) {
  struct Row {
    int index;
    const char* file;
    int key;
    DWORD dd, dt;
    bool base;
    int optional, mirrorX, w, h;
  } rows[] = {
      {0, "bmp\\plt\\Palette.bmp", 0, 1, 0, false, 0, 0, 0, 0},
      {1, "bmp\\Debug.bmp", 1, 0, 0, false, 0, 0, 0, 0},
      {3, "bmp\\Block.bmp", 1, 1, 0, true, 0, 0, 0, 0},
      {5, "bmp\\Character1.bmp", 1, 0, 0, true, 0, 32, 0, 0},
      {8, "bmp\\Character3.bmp", 1, 0, 0, false, 1, 0, 0, 0},
      {19, "bmp\\Character8.bmp", 1, 0, 0, true, 1, 32, 0, 0},
      {21, "bmp\\Shot.bmp", 1, 0, 0, true, 0, 16, 0, 0},
      {22, "bmp\\Character1.bmp", 1, 1, 0, true, 0, 0, 0, 0},
      {27, "bmp\\Character3.bmp", 1, 1, 0, true, 1, 32, 0, 0},
      {39, "bmp\\Shot.bmp", 1, 1, 0, true, 0, 16, 0, 0},
      {45, "bmp\\Window.bmp", 0, 0, 0, false, 0, 0, 0, 0},
      {48, "bmp\\GameMode.bmp", 1, 0, 0, false, 1, 0, 0, 0},
      {53, "bmp\\WorldEvent.bmp", 1, 1, 0, false, 0, 0, 0, 0},
      {54, "bmp\\WorldBack.bmp", 0, 1, 0, false, 1, 0, 0, 0},
      {64, "E", 1, 1, 0, false, 0, 0, 256, 960},
      {66, "E", 0, 1, 0, false, 0, 0, 640, 480},
      {68, "E", 1, 1, 0, true, 0, 0, 640, 480},
      {69, "E", 1, 0, 2, false, 0, 0, 1024, 1024},
      {70, "E", 1, 1, 1, false, 0, 0, 1024, 1024},
  };
  for (const Row& r : rows) {
    const DDSURFACEDEF& d = g_SDDef[r.index];
    SCOPED_TRACE(r.index);
    EXPECT_EQ(File(r.index), r.file);
    EXPECT_EQ(d.bTransmit, r.key);
    EXPECT_EQ(d.dwDDMemType, r.dd);
    EXPECT_EQ(d.dwDTMemType, r.dt);
    EXPECT_EQ(d.lpBaseSD, r.base ? kBaseSurfaceMark : nullptr);
    EXPECT_EQ(d.bOptional, r.optional);
    EXPECT_EQ(d.nMirrorX, r.mirrorX);
    EXPECT_EQ(d.nWidth, r.w);
    EXPECT_EQ(d.nHeight, r.h);
    EXPECT_EQ(d.nMirrorY, 0);
    EXPECT_EQ(d.bPalIndex, 0);
  }
  // The stage backgrounds, by their stored (CP932) names.
  EXPECT_EQ(plat::Cp932ToUtf8(File(55)), reinterpret_cast<const char*>(u8"背景その1.bmp"));
  EXPECT_EQ(plat::Cp932ToUtf8(File(62)), reinterpret_cast<const char*>(u8"背景その8.bmp"));
}

TEST(BuiltInTables, CountsOfWorkSurfacesOptionalEntriesAndBaseMarks) {
  int empty = 0, optional = 0, marked = 0;
  for (int i = 0; i < kBuiltInSurfaceCount; ++i) {
    if (File(i) == "E") {
      ++empty;
      EXPECT_GE(i, 63);
    }
    if (g_SDDef[i].bOptional) ++optional;
    if (g_SDDef[i].lpBaseSD) {
      ++marked;
      EXPECT_GE(BaseSurfaceOf(i), 0) << i;  // marked exactly where linked
    } else {
      EXPECT_EQ(BaseSurfaceOf(i), -1) << i;
    }
  }
  EXPECT_EQ(empty, 8);
  EXPECT_EQ(optional, 14 + 14 + 1 + 1 + 8);
  EXPECT_EQ(marked, 31);
}

TEST(BuiltInTables, LinksNameTheSharedSurfaceNotItsMirror) {
  LinkBaseSurfaces();
  EXPECT_EQ(g_SD[3].lpBaseSD, &g_SD[2]);
  EXPECT_EQ(g_SD[5].lpBaseSD, &g_SD[4]);
  EXPECT_EQ(g_SD[21].lpBaseSD, &g_SD[20]);
  EXPECT_EQ(g_SD[22].lpBaseSD, &g_SD[4]);
  EXPECT_EQ(g_SD[23].lpBaseSD, &g_SD[4]);
  EXPECT_EQ(g_SD[37].lpBaseSD, &g_SD[18]);
  EXPECT_EQ(g_SD[39].lpBaseSD, &g_SD[20]);
  EXPECT_EQ(g_SD[44].lpBaseSD, &g_SD[43]);
  EXPECT_EQ(g_SD[68].lpBaseSD, &g_SD[67]);
  EXPECT_EQ(g_SD[4].lpBaseSD, nullptr);
  EXPECT_EQ(g_SD[67].lpBaseSD, nullptr);
  int linked = 0;
  for (const DDSURFACEDATA& sd : g_SD) linked += sd.lpBaseSD != nullptr;
  EXPECT_EQ(linked, 31);
  for (DDSURFACEDATA& sd : g_SD) sd.lpBaseSD = nullptr;
}

TEST(BuiltInTables, FontsAndDigitStrips) {
  for (int i = 0; i < kBuiltInFontCount; ++i) {
    const FONTDEF& f = g_FontDef[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(plat::Cp932ToUtf8(f.szFace), reinterpret_cast<const char*>(u8"ＭＳ ゴシック"));
    EXPECT_EQ(f.nWidth, 0);
    EXPECT_EQ(f.dwPalNum, 241u);
    EXPECT_EQ(f.nSkinSD, 45);
    EXPECT_EQ(f.nFrameWidth, 1);
    EXPECT_EQ(f.dwFramePalNum, 240u);
    EXPECT_EQ(f.nIconSD, 50);
    const DDSURFACEDEF& n = g_NumberSDDef[i];
    EXPECT_STREQ(n.szFileName, "");
    EXPECT_EQ(n.bTransmit, 1);
    EXPECT_EQ(n.dwDDMemType | n.dwDTMemType | DWORD(n.bOptional | n.nMirrorX | n.nWidth | n.nHeight), 0u);
    EXPECT_EQ(n.lpBaseSD, nullptr);
  }
  const int sizes[3][4] = {{9, 10, 10, 2}, {16, 16, 16, 2}, {30, 32, 32, 0}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g_FontDef[i].nHeight, sizes[i][0]);
    EXPECT_EQ(g_FontDef[i].nPitchX, sizes[i][1]);
    EXPECT_EQ(g_FontDef[i].nLineHeight, sizes[i][2]);
    EXPECT_EQ(g_FontDef[i].bFastFont, sizes[i][3]);
  }
}
