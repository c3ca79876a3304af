#include "flow/cond_list.h"
#include "flow/flow_records.h"
#include "graphics/batch.h"
#include "graphics/surface.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "records/system_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kDistanceCond = 7;

void DrawDistanceConds(cCharaBase& c, const std::vector<cCond>& conds, DDSURFACEDATA* t, int counter) {
  for (const cCond& cond : conds)
    if (cond.m_byKind == kDistanceCond) c.DrawOverlayMark(t, cond, counter);
}

void DrawCharaOverlays(cCharaBase& c, DDSURFACEDATA* t, int counter) {
  if (c.m_bDead || !c.IsOnScreen()) return;
  // Lists whose conditions latched once true no longer decide anything.
  if (!(c.m_Data.m_bCondLatch && c.m_byCondLatch)) DrawDistanceConds(c, c.m_Data.m_vecCond, t, counter);
  for (const cFlowState& s : c.m_vecFlowState) {
    if (!s.m_pFlow || (s.m_pFlow->m_bCondLatch && s.m_bCondHeld)) continue;
    DrawDistanceConds(c, s.m_pFlow->m_vecCond, t, counter);
  }
}

}  // namespace

void DrawEditorOnlyOverlays(DDSURFACEDATA* t) {
  cGameScene* scene = g_pGameScene;
  if (!scene) return;
  if (!(g_nBpp == 8 && !g_SystemData.m_bPaletteCycle)) scene->m_nOverlayCounter = (scene->m_nOverlayCounter + 1) % 32;
  const int counter = scene->m_nOverlayCounter;
  DDBeginRectBatch();
  for (cHero& h : Player) DrawCharaOverlays(h, t, counter);
  for (cChara& c : g_lstChara) DrawCharaOverlays(c, t, counter);
  DDEndRectBatch();
}
