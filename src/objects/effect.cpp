#include "objects/effect.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/surface.h"
#include "objects/chara_base.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/start_option.h"
#include "services/strings.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"

namespace {

// Effect.dat entry numbers are 16-bit: a negative one or one past the list
// is a bad index, and entry 0 plays in its place.
int16_t CheckedEffectId(int id) {
  const int16_t sid = static_cast<int16_t>(id);
  const int size = g_Database.m_vecEffect.Size();
  if (sid < 0 || sid >= size) {
    ReportBadVectorIndex(sid, size, static_cast<int>(sizeof(cEffectData)));
    return 0;
  }
  return sid;
}

// Source offsets come from data: a huge cell number must not overflow.
int CellOffset(int cell, int width) {
  const long long v = static_cast<long long>(cell) * width;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

double ScrollX() { return g_pGameScene ? g_pGameScene->m_ScrollX.m_dPos : 0.0; }
double ScrollY() { return g_pGameScene ? g_pGameScene->m_ScrollY.m_dPos : 0.0; }

// Entry i's two images sit at 2i - 2 and 2i - 1; stretching reads the second
// unless DirectDraw stretches the first in video memory. Null (nothing
// drawn) for an entry the stage has no images for.
DDSURFACEDATA* EffectImage(int id, int second) {
  const int i = 2 * id - (second ? 1 : 2);
  if (i < 0 || i >= g_vecEffectSD.Size()) return nullptr;
  return &g_vecEffectSD[static_cast<size_t>(i)];
}

}  // namespace

// --- effects ------------------------------------------------------------------

void cEffect::Create(int id, double x, double y, int width, int height, int runWhilePaused) {
  m_sId = CheckedEffectId(id);
  m_dX = x;
  m_dY = y;
  m_nWidth = width;
  m_nHeight = height;
  m_bStretched = width != g_Database.m_vecEffect.At(m_sId).m_nCellWidth ? 1 : 0;
  SetupFrames(m_sId);
  m_bRunWhilePaused = runWhilePaused;
}

void cEffect::CreateAtChara(int id, const double victim[4], const double attacker[4], int scale) {
  m_sId = CheckedEffectId(id);
  const cEffectData& entry = g_Database.m_vecEffect.At(m_sId);
  const int k = entry.m_bScaleWithSize ? scale : 1;
  if (entry.m_bScaleWithSize && k > 1) {
    m_bStretched = 1;
    m_nWidth = k * entry.m_nCellWidth;
    m_nHeight = k * entry.m_nCellHeight;
  } else {
    m_bStretched = 0;
    m_nWidth = entry.m_nCellWidth;
    m_nHeight = entry.m_nCellHeight;
  }
  double left = std::max(victim[0], attacker[0]);
  double top = std::max(victim[1], attacker[1]);
  double right = std::min(victim[2], attacker[2]);
  double bottom = std::min(victim[3], attacker[3]);
  if (!(left <= right && top <= bottom)) left = top = right = bottom = 0.0;
  m_dX = left + plat::TruncToInt(right - left + 1) / 2 - m_nWidth / 2;
  m_dY = top + plat::TruncToInt(bottom - top + 1) / 2 - m_nHeight / 2;
  m_dX += GetRandom(-4 * k, 4 * k);
  m_dY += GetRandom(-4 * k, 4 * k);
  SetupFrames(m_sId);
  m_bRunWhilePaused = 0;
}

void cEffect::CreateAtChara(int id, const HITRECT& victim, const HITRECT& attacker, int scale) {
  const double v[4] = {victim.dLeft, victim.dTop, victim.dRight, victim.dBottom};
  const double a[4] = {attacker.dLeft, attacker.dTop, attacker.dRight, attacker.dBottom};
  CreateAtChara(id, v, a, scale);
}

void cEffect::SetupFrames(int id) {
  std::vector<int> triples;
  for (const ANIMEPATTERNSTEP& step : g_EffectPatternTable.At(id))
    triples.insert(triples.end(), {step.nValue, step.nTime, step.nLock});
  // A pattern the table lacks still needs its end code.
  if (triples.empty() || triples[triples.size() - 3] >= 0) triples.insert(triples.end(), {-4, 0, 0});
  const int* lists[] = {triples.data(), nullptr};
  m_Pattern.Create(lists);
  m_Pattern.SetPattern(0, 1);
}

int cEffect::Draw(DDSURFACEDATA* target, int paused) {
  const cEffectData& entry = g_Database.m_vecEffect.At(m_sId);
  if (entry.m_vecFrame.empty()) return 1;
  int cell;
  if (m_bRunWhilePaused || !paused) {
    cell = m_Pattern.Step();
    if (cell == -4) return 1;
  } else {
    cell = m_Pattern.GetValue();
  }
  const int x = plat::TruncToInt(m_dX - ScrollX());
  const int y = plat::TruncToInt(m_dY - ScrollY());
  const int videoStretch = !g_bD3D && g_StartOption.DD_VideoStretch;
  DDSURFACEDATA* image = EffectImage(m_sId, m_bStretched && !videoStretch);
  if (!image) return 0;
  if (m_bStretched)
    DDStretchBlt(target, x, y, m_nWidth, m_nHeight, image, CellOffset(cell, entry.m_nCellWidth), 0,
                 entry.m_nCellWidth, entry.m_nCellHeight, 1);
  else
    DDBlt(target, x, y, m_nWidth, m_nHeight, image, CellOffset(cell, m_nWidth), 0, 1);
  return 0;
}

// --- pictures -----------------------------------------------------------------

void cPicture::Init(int id, double x, double y, int width, int height, int screenFixed, int layer,
                    int scalePercent, int dispMode, int frames, int countWhilePaused, int hasId, int pictureId) {
  m_nId = id;
  m_dX = x;
  m_dY = y;
  m_nWidth = width;
  m_nHeight = height;
  m_bScreenFixed = screenFixed;
  m_nLayer = layer;
  m_bStretched = scalePercent != 100 ? 1 : 0;
  m_nDispMode = dispMode;
  m_nFramesLeft = frames;
  m_bCountWhilePaused = countWhilePaused;
  m_bHasId = hasId;
  m_nPictureId = pictureId;
  if (m_bScreenFixed) {
    m_nScreenX = plat::TruncToInt(x) - plat::TruncToInt(ScrollX());
    m_nScreenY = plat::TruncToInt(y) - plat::TruncToInt(ScrollY());
  }
}

int cPicture::Draw(DDSURFACEDATA* target, DDSURFACEDATA* surface, int paused) {
  if (m_nDispMode == 2) {
    if (m_bCountWhilePaused || !paused) --m_nFramesLeft;
    if (m_nFramesLeft < 0) return 1;
  }
  int x = m_nScreenX, y = m_nScreenY;
  if (!m_bScreenFixed) {
    x = plat::TruncToInt(m_dX) - plat::TruncToInt(ScrollX());
    y = plat::TruncToInt(m_dY) - plat::TruncToInt(ScrollY());
  }
  if (!surface) return 0;
  if (m_bStretched)
    DDStretchBlt(target, x, y, m_nWidth, m_nHeight, surface, 0, 0, surface->nWidth, surface->nHeight, 1);
  else
    DDBlt(target, x, y, m_nWidth, m_nHeight, surface, 0, 0, 1);
  return 0;
}

// --- the scene's lists ------------------------------------------------------------

void cGameScene::DrawEffects(DDSURFACEDATA* target, int paused) {
  DDBeginSpriteBatch(0);
  for (auto it = m_lstEffect.begin(); it != m_lstEffect.end();) {
    if (it->Draw(target, paused))
      it = m_lstEffect.erase(it);
    else
      ++it;
  }
  DDEndSpriteBatch();
}

void cGameScene::DrawPictures(DDSURFACEDATA* target, int layer, int paused) {
  // The surfaces and their definitions stand at the pictures' positions.
  auto sit = g_lstPictureSD.begin();
  auto dit = g_lstPictureSDDef.begin();
  for (auto it = m_lstPicture.begin(); it != m_lstPicture.end();) {
    const bool hasSurface = sit != g_lstPictureSD.end();
    const bool hasDef = dit != g_lstPictureSDDef.end();
    if (it->m_nLayer == layer && it->Draw(target, hasSurface ? &*sit : nullptr, paused)) {
      it = m_lstPicture.erase(it);
      if (hasSurface) {
        DDReleaseSurface(&*sit);
        sit = g_lstPictureSD.erase(sit);
      }
      if (hasDef) dit = g_lstPictureSDDef.erase(dit);
      continue;
    }
    ++it;
    if (hasSurface) ++sit;
    if (hasDef) ++dit;
  }
}
