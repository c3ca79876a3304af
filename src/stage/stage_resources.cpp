#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "graphics/bitmap_load.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/fill.h"
#include "graphics/text_ink.h"
#include "objects/effect.h"
#include "objects/hero.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "services/log.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"

namespace {

// Built-in surfaces this file fills.
constexpr int kShotSheet = 20;          // 16x16 shot cells, 8 columns by 30 rows
constexpr int kShotSheetMirrored = 21;  // the same, each cell mirrored
constexpr int kShotCells = 63;          // the cells again, 32 pixels apart
constexpr int kShotCellsMirrored = 64;
constexpr int kSightMask = 65;
constexpr int kSightHole = 66;

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr DWORD kSightColor = 16;
// Far beyond any sight a project can give (255 half blocks), and small
// enough that the mask's size and r squared stay exact.
constexpr int kMaxSightRadius = 1 << 24;

// One definition of a per-stage surface: keyed, Direct3D memory type 0, no
// palette index map. The base mark only means something to Direct3D, where
// a marked surface draws from its base's texture instead of a copy of its own.
DDSURFACEDEF StageSurfaceDef(const std::string& file, DWORD ddMem, bool based, int mirrorX) {
  DDSURFACEDEF def{};
  std::strncpy(def.szFileName, file.c_str(), sizeof(def.szFileName) - 1);
  def.bTransmit = 1;
  def.dwDDMemType = ddMem;
  def.dwDTMemType = 0;
  def.lpBaseSD = (based && lpDTCon) ? kBaseSurfaceMark : nullptr;
  def.nMirrorX = mirrorX;
  return def;
}

// Loads `perEntry` surfaces for every entry from `first` of a list of `count`
// entries. `define` gives an entry's definitions in position order;
// `basePos[p]` is the position whose surface position p draws from, or -1.
template <class Define>
void LoadStageSurfaceSet(cCheckedVector<DDSURFACEDATA>& surfaces, cCheckedVector<DDSURFACEDEF>& defs, int count,
                         int first, int perEntry, const int* basePos, const char* failFormat, Define define) {
  DDReleaseSurfaceVector(surfaces);
  surfaces.clear();
  defs.clear();
  // The base links point into the vector, so it must never grow once the
  // first record is in; and a list without even entry 0 adds nothing rather
  // than asking for a negative reservation.
  const int entries = std::max(count - first, 0);
  surfaces.reserve(static_cast<size_t>(entries) * static_cast<size_t>(perEntry));
  defs.reserve(static_cast<size_t>(entries) * static_cast<size_t>(perEntry));
  DDSURFACEDEF entryDefs[4];
  for (int k = first; k < count; ++k) {
    define(k, entryDefs);
    const size_t start = surfaces.size();
    for (int p = 0; p < perEntry; ++p) {
      defs.push_back(entryDefs[p]);
      surfaces.emplace_back();
    }
    for (int p = 0; p < perEntry; ++p) {
      const DDSURFACEDEF& def = defs[start + p];
      const int code = DDCreateSurfaceFromFile(&surfaces[start + p], def.szFileName, 1, g_nBpp, def.dwDDMemType,
                                               def.dwDTMemType, def.lpBaseSD, def.bPalIndex, def.nMirrorX,
                                               def.nMirrorY, 0);
      if (!DDSurfaceErrorName(code)) WriteECLogf(failFormat, def.szFileName);
    }
    for (int p = 0; p < perEntry; ++p)
      if (basePos[p] >= 0) surfaces[start + p].lpBaseSD = &surfaces[start + static_cast<size_t>(basePos[p])];
  }
}

bool CreateSightSurface(DDSURFACEDATA* sd, int w, int h) {
  if (DDCreateSurface(sd, w, h, 1, 1, 0, nullptr, 0)) return true;
  OutOfMemoryBox();
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
  return false;
}

// The mask of hero 0's sight, recorded on `scene` (none: only the surfaces
// are made). The hole surface a whole-mask build would copy its disc from is
// not needed: the window is painted directly.
void BuildSightMask(cGameScene* scene, DDSURFACEDATA* mask, DDSURFACEDATA* hole) {
  if (!mask || Player.empty()) return;
  const cHero& hero = Player[0];
  const int r = std::clamp(hero.m_nSightRadius, 0, kMaxSightRadius);
  DDReleaseSurface(mask);
  if (hole) DDReleaseSurface(hole);
  CreateSightSurface(mask, kScreenW, kScreenH);
  DDFillRect(mask, 0, 0, mask->nWidth, mask->nHeight, kSightColor);
  if (!scene) return;
  scene->m_pSightMask = mask;
  scene->m_nSightMaskW = 1280 + 2 * r;
  scene->m_nSightMaskH = 960 + 2 * r;
  scene->m_nSightHoleR = r;
  const int shape = hero.m_Data.m_bySightShape;
  scene->m_bSightHoleRound = (shape == 1 || shape == 2) ? 1 : 0;
  // What the surface holds now is no window of the new mask.
  scene->m_nSightWindowX = -1;
  scene->m_nSightWindowY = -1;
}

}  // namespace

void cGameScene::BuildTileSheets() {
  DDSURFACEDATA* cells = &g_SD[kShotCells];
  DDSURFACEDATA* mirrored = &g_SD[kShotCellsMirrored];
  DDFillRect(cells, 0, 0, cells->nWidth, cells->nHeight, 0);
  DDFillRect(mirrored, 0, 0, mirrored->nWidth, mirrored->nHeight, 0);
  for (int c = 0; c < 30; ++c) {
    for (int k = 0; k < 8; ++k) {
      DDBlt(cells, 32 * k + 8, 32 * c + 8, 16, 16, &g_SD[kShotSheet], 16 * k, 16 * c, 1);
      DDBlt(mirrored, 32 * k + 8, 32 * c + 8, 16, 16, &g_SD[kShotSheetMirrored], 16 * k, 16 * c, 1);
    }
  }
}

void cGameScene::LoadStageCharaBmps() {
  // The image, its copy mirrored per cell (the facing-left one), and both
  // again in system memory; the mirror cells are those the drawing cuts.
  static constexpr int kBase[4] = {-1, 0, 0, 0};
  const cCheckedVector<cBmpCharaExcData>& list = g_Database.m_vecBmpCharaExc;
  LoadStageSurfaceSet(g_vecCharaExcSD, g_vecCharaExcSDDef, list.Size(), 1, 4, kBase, "専用bmp %s 読み込み失敗！",
                      [&](int k, DDSURFACEDEF* defs) {
                        const cBmpCharaExcData& bmp = list[static_cast<size_t>(k)];
                        const int cell = bmp.CellPixels();
                        defs[0] = StageSurfaceDef(bmp.m_strFile, 0, false, 0);
                        defs[1] = StageSurfaceDef(bmp.m_strFile, 0, true, cell);
                        defs[2] = StageSurfaceDef(bmp.m_strFile, 1, true, 0);
                        defs[3] = StageSurfaceDef(bmp.m_strFile, 1, true, cell);
                      });
}

void cGameScene::LoadStageSwords() {
  static constexpr int kBase[4] = {-1, -1, 0, 1};
  const cCheckedVector<cSwordTypeData>& list = g_Database.m_vecSwordType;
  LoadStageSurfaceSet(g_vecSwordSD, g_vecSwordSDDef, list.Size(), 0, 4, kBase, "ソード %s 読み込み失敗！",
                      [&](int k, DDSURFACEDEF* defs) {
                        const cSwordTypeData& sword = list[static_cast<size_t>(k)];
                        defs[0] = StageSurfaceDef(sword.m_strLeftImage, 0, false, 0);
                        defs[1] = StageSurfaceDef(sword.m_strRightImage, 0, false, 0);
                        defs[2] = StageSurfaceDef(sword.m_strLeftImage, 1, true, 0);
                        defs[3] = StageSurfaceDef(sword.m_strRightImage, 1, true, 0);
                      });
}

void cGameScene::LoadStageEffects() {
  static constexpr int kBase[2] = {-1, 0};
  const cCheckedVector<cEffectData>& list = g_Database.m_vecEffect;
  LoadStageSurfaceSet(g_vecEffectSD, g_vecEffectSDDef, list.Size(), 1, 2, kBase, "エフェクト %s 読み込み失敗！",
                      [&](int k, DDSURFACEDEF* defs) {
                        const cEffectData& effect = list[static_cast<size_t>(k)];
                        defs[0] = StageSurfaceDef(effect.m_strFile, 0, false, 0);
                        defs[1] = StageSurfaceDef(effect.m_strFile, 1, true, 0);
                      });
}

void cGameScene::ReleaseStageBmps() {
  DDReleaseSurfaceList(g_lstPictureSD);
  g_lstPictureSD.clear();
  g_lstPictureSDDef.clear();
  m_lstPicture.clear();
}

void cGameScene::ReleaseStageLists() {
  DDReleaseSurfaceList(Off_Msg);
  Off_Msg.clear();
  g_lstMsgSDDef.clear();
}

void cGameScene::DrawSightWindow(DDSURFACEDATA* target, int x, int y) {
  DDSURFACEDATA* mask = m_pSightMask;
  if (!target || !mask || m_nSightMaskW <= 0) return;
  if (x != m_nSightWindowX || y != m_nSightWindowY || mask->bLost) {
    DDFillRect(mask, 0, 0, kScreenW, kScreenH, kSightColor);
    const int r = m_nSightHoleR;
    // The hole's centre, (w/2, h/2) of the whole mask, in the window.
    const int cx = (m_nSightMaskW >> 1) - x;
    const int cy = (m_nSightMaskH >> 1) - y;
    if (r > 0 && !m_bSightHoleRound) {
      ClearToTextKey(mask, cx - r, cy - r, 2 * r, 2 * r);
    } else if (r > 0) {
      // The disc a one-row circular copy makes: row cy + k for k from -r to
      // r - 1, its span from cx - s to cx + s - 1, s = floor(sqrt(r^2 - k^2))
      // held below r.
      const int kFirst = std::max(-r, -cy);
      const int kLast = std::min(r - 1, kScreenH - 1 - cy);
      const long long r2 = static_cast<long long>(r) * r;
      for (int k = kLast; k >= kFirst; --k) {
        const long long d = r2 - static_cast<long long>(k) * k;
        const int s = std::min(plat::TruncToInt(std::sqrt(static_cast<double>(d))), r - 1);
        if (s > 0) ClearToTextKey(mask, cx - s, cy + k, 2 * s, 1);
      }
    }
    mask->bLost = 0;
    m_nSightWindowX = x;
    m_nSightWindowY = y;
  }
  DDBlt(target, 0, 0, kScreenW, kScreenH, mask, 0, 0, 1);
}

// The two-surface form: the mask and the hole are g_SD 65 and 66 in every
// call the game makes.
void CreateSightMask(DDSURFACEDATA* mask, DDSURFACEDATA* hole);

void CreateSightMask(DDSURFACEDATA* mask, DDSURFACEDATA* hole) { BuildSightMask(g_pGameScene, mask, hole); }

void CreateSightMask(cGameScene* scene) {
  if (!scene) return;
  BuildSightMask(scene, &g_SD[kSightMask], &g_SD[kSightHole]);
}
