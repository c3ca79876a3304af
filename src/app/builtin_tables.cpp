#include "graphics/builtin_tables.h"

#include <cstring>

namespace {

struct SurfaceRow {
  const char* file;
  int key;
  DWORD ddMem;
  DWORD dtMem;
  int base;
  int optional;
  int mirrorX;
  int width, height;
};

void SetDef(DDSURFACEDEF* def, const SurfaceRow& row) {
  std::memset(def, 0, sizeof(*def));
  std::strncpy(def->szFileName, row.file, sizeof(def->szFileName) - 1);
  def->bTransmit = row.key;
  def->dwDDMemType = row.ddMem;
  def->dwDTMemType = row.dtMem;
  def->lpBaseSD = row.base ? kBaseSurfaceMark : nullptr;
  def->bOptional = row.optional;
  def->nMirrorX = row.mirrorX;
  def->nWidth = row.width;
  def->nHeight = row.height;
}

void FillSurfaceTable() {
  static const char* const kCharacter[8] = {
      "bmp\\Character1.bmp", "bmp\\Character2.bmp", "bmp\\Character3.bmp", "bmp\\Character4.bmp",
      "bmp\\Character5.bmp", "bmp\\Character6.bmp", "bmp\\Character7.bmp", "bmp\\Character8.bmp"};
  static const char* const kBackground[8] = {"背景その1.bmp", "背景その2.bmp", "背景その3.bmp", "背景その4.bmp",
                                             "背景その5.bmp", "背景その6.bmp", "背景その7.bmp", "背景その8.bmp"};
  DDSURFACEDEF* d = g_SDDef;
  SetDef(&d[0], {"bmp\\plt\\Palette.bmp", 0, 1, 0, 0, 0, 0, 0, 0});
  SetDef(&d[1], {"bmp\\Debug.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[2], {"bmp\\Block.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[3], {"bmp\\Block.bmp", 1, 1, 0, 1, 0, 0, 0, 0});
  SetDef(&d[4], {kCharacter[0], 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[5], {kCharacter[0], 1, 0, 0, 1, 0, 32, 0, 0});
  for (int k = 1; k < 8; ++k) {
    SetDef(&d[4 + 2 * k], {kCharacter[k], 1, 0, 0, 0, 1, 0, 0, 0});
    SetDef(&d[5 + 2 * k], {kCharacter[k], 1, 0, 0, 1, 1, 32, 0, 0});
  }
  SetDef(&d[20], {"bmp\\Shot.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[21], {"bmp\\Shot.bmp", 1, 0, 0, 1, 0, 16, 0, 0});
  // The system-memory copies of the chara and shot sheets.
  SetDef(&d[22], {kCharacter[0], 1, 1, 0, 1, 0, 0, 0, 0});
  SetDef(&d[23], {kCharacter[0], 1, 1, 0, 1, 0, 32, 0, 0});
  for (int k = 1; k < 8; ++k) {
    SetDef(&d[22 + 2 * k], {kCharacter[k], 1, 1, 0, 1, 1, 0, 0, 0});
    SetDef(&d[23 + 2 * k], {kCharacter[k], 1, 1, 0, 1, 1, 32, 0, 0});
  }
  SetDef(&d[38], {"bmp\\Shot.bmp", 1, 1, 0, 1, 0, 0, 0, 0});
  SetDef(&d[39], {"bmp\\Shot.bmp", 1, 1, 0, 1, 0, 16, 0, 0});
  SetDef(&d[40], {"bmp\\Item.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[41], {"bmp\\Item.bmp", 1, 1, 0, 1, 0, 0, 0, 0});
  SetDef(&d[42], {"bmp\\Item_Mini.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[43], {"bmp\\Mark.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[44], {"bmp\\Mark.bmp", 1, 1, 0, 1, 0, 0, 0, 0});
  SetDef(&d[45], {"bmp\\Window.bmp", 0, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[46], {"bmp\\StatusWindow.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[47], {"bmp\\Title.bmp", 0, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[48], {"bmp\\GameMode.bmp", 1, 0, 0, 0, 1, 0, 0, 0});
  SetDef(&d[49], {"bmp\\Accessory.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[50], {"bmp\\Symbol.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[51], {"bmp\\Word.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[52], {"bmp\\WorldMapChip.bmp", 1, 0, 0, 0, 0, 0, 0, 0});
  SetDef(&d[53], {"bmp\\WorldEvent.bmp", 1, 1, 0, 0, 0, 0, 0, 0});
  SetDef(&d[54], {"bmp\\WorldBack.bmp", 0, 1, 0, 0, 1, 0, 0, 0});
  for (int k = 0; k < 8; ++k) SetDef(&d[55 + k], {kBackground[k], 1, 0, 0, 0, 1, 0, 0, 0});
  // Work surfaces without a file.
  SetDef(&d[63], {"E", 1, 1, 0, 0, 0, 0, 256, 960});
  SetDef(&d[64], {"E", 1, 1, 0, 0, 0, 0, 256, 960});
  SetDef(&d[65], {"E", 1, 1, 0, 0, 0, 0, 640, 480});
  SetDef(&d[66], {"E", 0, 1, 0, 0, 0, 0, 640, 480});
  SetDef(&d[67], {"E", 1, 0, 0, 0, 0, 0, 640, 480});
  SetDef(&d[68], {"E", 1, 1, 0, 1, 0, 0, 640, 480});
  SetDef(&d[69], {"E", 1, 0, 2, 0, 0, 0, 1024, 1024});
  SetDef(&d[70], {"E", 1, 1, 1, 0, 0, 0, 1024, 1024});
}

void FillFontTables() {
  struct FontRow {
    int height, pitch, lineHeight, fast;
  };
  static const FontRow kFonts[kBuiltInFontCount] = {{9, 10, 10, 2}, {16, 16, 16, 2}, {30, 32, 32, 0}};
  for (int i = 0; i < kBuiltInFontCount; ++i) {
    FONTDEF& f = g_FontDef[i];
    std::memset(&f, 0, sizeof(f));
    std::strncpy(f.szFace, "ＭＳ ゴシック", sizeof(f.szFace) - 1);
    f.nWidth = 0;
    f.nHeight = kFonts[i].height;
    f.nPitchX = kFonts[i].pitch;
    f.nLineHeight = kFonts[i].lineHeight;
    f.dwPalNum = 241;
    f.nSkinSD = 45;
    f.nFrameWidth = 1;
    f.dwFramePalNum = 240;
    f.nIconSD = 50;
    f.bFastFont = kFonts[i].fast;

    DDSURFACEDEF& n = g_NumberSDDef[i];
    std::memset(&n, 0, sizeof(n));
    n.bTransmit = 1;
  }
}

}  // namespace

void FillBuiltInTables() {
  FillSurfaceTable();
  FillFontTables();
}

int BaseSurfaceOf(int index) {
  if (index == 3) return 2;
  if (index >= 5 && index <= 21 && index % 2 == 1) return index - 1;
  if (index >= 22 && index <= 39) return 4 + 2 * ((index - 22) / 2);
  if (index == 41) return 40;
  if (index == 44) return 43;
  if (index == 68) return 67;
  return -1;
}

void LinkBaseSurfaces() {
  for (int i = 0; i < kBuiltInSurfaceCount; ++i) {
    const int base = BaseSurfaceOf(i);
    if (base >= 0) g_SD[i].lpBaseSD = &g_SD[base];
  }
}
