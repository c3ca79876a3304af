#include "support/stage_writer.h"

cStageData MakeTestStage(int w, int h, const char* name) {
  cStageData stage;
  stage.m_nWidth = w;
  stage.m_nHeight = h;
  stage.m_nPixelWidth = w * 32;
  stage.m_nPixelHeight = h * 32;
  stage.m_nScrollLimitRight = w - 1;
  stage.m_nScrollLimitBottom = h - 1;
  stage.m_strName = name;
  return stage;
}

cBlockData& PlaceBlock(cStageData& stage, int x, int y, int graphic) {
  cBlockData& b = stage.m_vecBlock.emplace_back();
  b.m_sX = static_cast<int16_t>(x);
  b.m_sY = static_cast<int16_t>(y);
  b.m_sGraphic = static_cast<int16_t>(graphic);
  return b;
}

cCharaData& PlaceChara(cStageData& stage, int x, int y, int graphic) {
  cCharaData& c = stage.m_vecChara.emplace_back();
  c.m_sX = static_cast<int16_t>(x);
  c.m_sY = static_cast<int16_t>(y);
  c.m_nCarryItem = -1;
  c.m_sGraphic = static_cast<int16_t>(graphic);
  return c;
}

cCharaData& PlaceHero(cStageData& stage, int x, int y) {
  cCharaData& c = PlaceChara(stage, x, y, 1);
  c.m_byControl = kCharaControlPlayer;
  return c;
}

cItemData& PlaceItem(cStageData& stage, int x, int y, int graphic) {
  cItemData& i = stage.m_vecItem.emplace_back();
  i.m_sX = static_cast<int16_t>(x);
  i.m_sY = static_cast<int16_t>(y);
  i.m_sGraphic = static_cast<int16_t>(graphic);
  return i;
}

bool WriteStage(const std::string& storedPath, cStageData& stage) {
  if (g_dwDataVersion == 0) g_dwDataVersion = kRecordDataVersion;
  return stage.SaveToFile(storedPath.c_str());
}

bool WriteTestStage(const std::string& storedPath, const char* name) {
  cStageData stage = MakeTestStage(20, 15, name);
  for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
  PlaceHero(stage, 1, 13);
  return WriteStage(storedPath, stage);
}

bool WriteCommonPalette(const std::string& storedPath) {
  cPaletteData palette;
  return WriteCommonPalette(palette, storedPath);
}

bool WriteCommonPalette(cPaletteData& palette, const std::string& storedPath) {
  if (g_dwDataVersion == 0) g_dwDataVersion = kRecordDataVersion;
  return palette.SaveToFile(storedPath.c_str());
}
