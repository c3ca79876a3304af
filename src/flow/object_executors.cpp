// Commands that act on objects of the stage in one call: the warp, the
// target setting, the vanish and the item get.
#include <algorithm>
#include <cmath>
#include <list>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/move_toward.h"
#include "objects/shot.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "stage/game_scene.h"

namespace {

constexpr int kChildLink = 4;  // the back-reference a summoned child leaves on its parent
constexpr int kMaxChildDepth = 1000;
constexpr int kMaxItemGetDepth = 32;

cCharaBase* Hero() { return Player.empty() ? nullptr : &Player[0]; }

cCharaBase* LinkSlot(const cCharaBase& chara, int slot) {
  if (slot < 0 || slot > 3 || static_cast<size_t>(slot) >= chara.m_vecLink.size()) return nullptr;
  return chara.m_vecLink[static_cast<size_t>(slot)];
}

// --- warp --------------------------------------------------------------------

void ShiftX(cCharaBase& c, double dx) {
  c.m_dX += dx;
  c.OnMovedX();
}

void ShiftY(cCharaBase& c, double dy) {
  c.m_dY += dy;
  c.OnMovedY();
}

void MoveByDir(cCharaBase& c, int dir, double d) {
  const double k = d / std::sqrt(2.0);
  switch (dir) {
    case kMoveDirLeft: ShiftX(c, -d); break;
    case kMoveDirRight: ShiftX(c, d); break;
    case kMoveDirUp: ShiftY(c, -d); break;
    case kMoveDirDown: ShiftY(c, d); break;
    case kMoveDirUpLeft: ShiftX(c, -k); ShiftY(c, -k); break;
    case kMoveDirDownLeft: ShiftX(c, -k); ShiftY(c, k); break;
    case kMoveDirUpRight: ShiftX(c, k); ShiftY(c, -k); break;
    case kMoveDirDownRight: ShiftX(c, k); ShiftY(c, k); break;
    default: break;
  }
}

// The flying argument of the direction: every direction counts, unless the
// project keeps the older rule that reads the chara's own flying flag.
int WarpFlying(const cCharaBase& c) { return g_SystemData.m_bCompat721 ? c.m_bNoGravity : 1; }

// --- vanish ------------------------------------------------------------------

void Kill(cCharaBase* victim, const cCharaBase* runner) {
  if (victim->m_nTeam == 0) victim->m_nLife = 0;
  else if (victim->m_nTeam == 1) victim->m_bVanish = 1;
  if (victim != runner && g_pGameScene) g_pGameScene->m_bHeroDeathCheck = 1;
}

// Removes the shot from the stage; an owner whose shot list named it forgets
// it once it is gone.
void RemoveShotOf(cShot* shot, cCharaBase* owner) {
  if (!g_pGameScene) return;
  const bool onlyMarked = g_pGameScene->m_ShotWalk.nDepth > 0;
  g_pGameScene->RemoveShot(shot);
  if (!onlyMarked && owner)
    std::erase_if(owner->m_vecShotLink, [shot](const SHOTLINK& l) { return l.pShot == shot; });
}

void RemoveOwnShots(cCharaBase* chara) {
  std::vector<cShot*> shots;
  for (const SHOTLINK& l : chara->m_vecShotLink)
    if (l.nKind == kChildLink && l.pShot && l.pShot->m_bActive) shots.push_back(l.pShot);
  for (cShot* s : shots) RemoveShotOf(s, chara);
}

std::vector<cCharaBase*> ActiveChildren(const cCharaBase* chara) {
  std::vector<cCharaBase*> children;
  for (const LINKPAIR& ref : chara->m_vecBackRef)
    if (ref.nSlot == kChildLink && ref.pChara && ref.pChara->m_bActive) children.push_back(ref.pChara);
  return children;
}

// Depth first, the deeper ones killed first; with `shots` each child's own
// shots go before its children.
void KillChildren(cCharaBase* chara, const cCharaBase* runner, bool shots, int depth) {
  if (depth >= kMaxChildDepth) return;
  for (cCharaBase* child : ActiveChildren(chara)) {
    if (shots) RemoveOwnShots(child);
    KillChildren(child, runner, shots, depth + 1);
    Kill(child, runner);
  }
}

// --- target ------------------------------------------------------------------

CHARAFILTER TargetFilter(const cFlowCmd& cmd, const cCharaBase& chara) {
  CHARAFILTER f;
  f.bExcludeId = cmd.Param(5);
  f.nExcludeId = chara.m_nId;
  f.bSkipInvincible1 = cmd.Param(6);
  f.bSkipInvincible2 = cmd.Param(7);
  f.bSkipNoContact = cmd.Param(8);
  f.bTeam = cmd.Param(9);
  f.nTeam = cmd.Param(10);
  f.bVariable = cmd.Param(11);
  f.nVarIndex = cmd.Param(12);
  f.nValue = cmd.Param(13);
  f.nRelation = cmd.Param(14);
  return f;
}

cCharaBase* FindNearestTarget(const cCharaBase& chara, const cFlowCmd& cmd, const CHARAFILTER& f) {
  if (!g_pGameScene) return nullptr;
  const double x = AimX(chara), y = AimY(chara);
  const int mode = cmd.Param(4);
  if (!cmd.Param(3)) {
    std::list<cCharaBase*>* team = g_pGameScene->TeamCharas(cmd.Param(2));
    return team ? FindNearestChara(x, y, *team, mode, f) : nullptr;
  }
  std::list<cCharaBase*> winners;
  for (std::list<cCharaBase*>& team : g_pGameScene->m_vecTeamChara)
    if (cCharaBase* c = FindNearestChara(x, y, team, mode, f)) winners.push_back(c);
  return FindNearestChara(x, y, winners, mode, f);
}

cCharaBase* FindTargetById(const cFlowCmd& cmd, const CHARAFILTER& f) {
  if (!g_pGameScene) return nullptr;
  if (!cmd.Param(3)) {
    std::list<cCharaBase*>* team = g_pGameScene->TeamCharas(cmd.Param(2));
    return team ? FindCharaInList(*team, f) : nullptr;
  }
  for (std::list<cCharaBase*>& team : g_pGameScene->m_vecTeamChara)
    if (cCharaBase* c = FindCharaInList(team, f)) return c;
  return nullptr;
}

cCharaBase* FindChildTarget(const cCharaBase& chara, const CHARAFILTER& f) {
  for (auto it = chara.m_vecBackRef.rbegin(); it != chara.m_vecBackRef.rend(); ++it)
    if (it->nSlot == kChildLink && it->pChara && PassesCharaFilter(*it->pChara, f)) return it->pChara;
  return nullptr;
}

cCharaBase* LastChild(const cCharaBase& chara) {
  for (auto it = chara.m_vecBackRef.rbegin(); it != chara.m_vecBackRef.rend(); ++it)
    if (it->nSlot == kChildLink) return it->pChara;
  return nullptr;
}

// --- item get ----------------------------------------------------------------

// Item lists that get items nest; an item that gets itself would never end.
int g_nItemGetDepth = 0;
bool g_bItemGetStopped = false;

}  // namespace

int ExecWarp(cCharaBase* chara, cFlowCmd* cmd) {
  const cEdMove* mv = cmd->m_pEdMove.get();
  if (!mv) return 0;
  const int mode = mv->m_byMode;
  // From an empty target slot nothing at all happens.
  const cCharaBase* anchor = mode >= 1 && mode <= 4 ? LinkSlot(*chara, mode - 1) : nullptr;
  if (mode >= 1 && mode <= 4 && !anchor) return 0;
  chara->ClearMoveRequests();
  const double oldX = chara->m_dX, oldY = chara->m_dY, oldRight = chara->m_dRight, oldBottom = chara->m_dBottom;
  const int oldL = chara->m_nCellL, oldT = chara->m_nCellT, oldR = chara->m_nCellR, oldB = chara->m_nCellB;
  const double d = (mv->m_sDistancePerClone * chara->m_nCloneValue + mv->m_sDistance) * 16.0;
  if (mode == 0) {
    MoveByDir(*chara, chara->ResolveMoveDir(mv->m_byDirection, 1, WarpFlying(*chara)), d);
  } else if (anchor) {
    // Image centre onto the anchor's image centre.
    chara->m_dX = anchor->m_dX - anchor->m_nImgOffX + anchor->m_nImgW / 2 + chara->m_nImgOffX - chara->m_nImgW / 2;
    chara->OnMovedX();
    chara->m_dY = anchor->m_dY - anchor->m_nImgOffY + anchor->m_nImgH / 2 + chara->m_nImgOffY - chara->m_nImgH / 2;
    chara->OnMovedY();
    MoveByDir(*chara, chara->ResolveMoveDir(mv->m_byDirection, 1, WarpFlying(*anchor)), d);
  } else if (mode == 5) {
    double ox = mv->m_sTargetXBlocks * 32 + mv->m_sTargetXDots;
    double oy = mv->m_sTargetYBlocks * 32 + mv->m_sTargetYDots;
    // The mirror follows the way the chara faces now.
    if (chara->m_bRight) {
      if (mv->m_bFlipX) ox = -ox;
      if (mv->m_bFlipY) oy = -oy;
    }
    switch (mv->m_byCoordBase) {
      case 0:
        ShiftX(*chara, ox);
        ShiftY(*chara, oy);
        break;
      case 1:
        chara->PlaceAtCellX(mv->m_sTargetXBlocks);
        chara->PlaceAtCellY(mv->m_sTargetYBlocks);
        ShiftX(*chara, mv->m_sTargetXDots);
        ShiftY(*chara, mv->m_sTargetYDots);
        break;
      case 2:
        if (g_pGameScene) {
          chara->m_dX = chara->m_nImgOffX + g_pGameScene->m_ScrollX.m_dPos + ox;
          chara->OnMovedX();
          chara->m_dY = chara->m_nImgOffY + g_pGameScene->m_ScrollY.m_dPos + oy;
          chara->OnMovedY();
        }
        break;
      default: break;
    }
  }

  chara->UpdateScreenRect();
  if (!chara->IsInsideBounds(0) || (g_pGameScene && g_pGameScene->IsBlockedAt(chara))) {
    chara->m_dX = oldX;
    chara->m_dY = oldY;
    chara->m_dRight = oldRight;
    chara->m_dBottom = oldBottom;
    chara->m_nCellL = oldL;
    chara->m_nCellT = oldT;
    chara->m_nCellR = oldR;
    chara->m_nCellB = oldB;
    chara->OnMovedY();
    chara->OnMovedX();
    chara->UpdateScreenRect();
    return 0;
  }
  // A vertical step asked for before the warp would carry a walker off
  // the place it was put.
  if (!chara->m_bNoGravity) chara->m_dVY = 0.0;
  if (mode == 5 && mv->m_byCoordBase == 2) {
    chara->m_bFixedScreenX = chara->m_bFixedScreenY = 1;
    chara->m_nFixedScreenX = chara->m_rcScreen.left;
    chara->m_nFixedScreenY = chara->m_rcScreen.top;
  }
  return 0;
}

int ExecSetTarget(cCharaBase* chara, cFlowCmd* cmd) {
  const CHARAFILTER filter = TargetFilter(*cmd, *chara);
  cCharaBase* found = nullptr;
  switch (const int whom = cmd->Param(1)) {
    case 0: found = Hero(); break;
    case 1: found = chara; break;
    case 2: found = FindNearestTarget(*chara, *cmd, filter); break;
    case 3: found = FindTargetById(*cmd, filter); break;
    case 4: found = chara->m_pParent; break;
    case 5: found = LastChild(*chara); break;
    case 6: found = FindChildTarget(*chara, filter); break;
    case 7:
    case 8:
    case 9:
    case 10: found = LinkSlot(*chara, whom - 7); break;
    default: break;
  }
  const int ifNone = cmd->Param(15);
  if (ifNone != 0 && ifNone != 1) return 0;
  const int slot = cmd->Param(0);
  if (found) chara->SetTargetLink(slot, found);
  else if (ifNone == 0) chara->SetTargetLink(slot, nullptr);
  return 0;
}

int ExecVanish(cCharaBase* chara, cFlowCmd* cmd) {
  const int what = cmd->Param(0), team = cmd->Param(1);
  const bool everywhere = cmd->Param(2) == 1;
  switch (what) {
    case 0: {
      std::list<cCharaBase*>* list = g_pGameScene ? g_pGameScene->TeamCharas(team) : nullptr;
      if (!list) break;
      for (cCharaBase* c : *list)
        if (c && c->m_bActive && (everywhere || OnScreenFlag(*c))) Kill(c, chara);
      break;
    }
    case 1: {
      std::list<cShot*>* list = g_pGameScene ? g_pGameScene->TeamShots(team) : nullptr;
      if (!list) break;
      // Removing takes shots out of the list being read.
      std::vector<cShot*> shots;
      for (cShot* s : *list)
        if (s && s->m_bActive && (everywhere || s->IsOnScreen())) shots.push_back(s);
      for (cShot* s : shots) RemoveShotOf(s, nullptr);
      break;
    }
    case 2: KillChildren(chara, chara, false, 0); break;
    case 3: RemoveOwnShots(chara); break;
    case 4:
      RemoveOwnShots(chara);
      KillChildren(chara, chara, true, 0);
      break;
    case 5: KillChildren(chara, chara, true, 0); break;
    default: break;
  }
  return 0;
}

int ExecGetItem(cCharaBase*, cFlowCmd* cmd) {
  const int palette = cmd->Param(0), index = cmd->Param(1);
  cCheckedVector<cItemData>& items = palette == 0 ? g_CommonPalette.m_vecItem : g_Stage.m_vecPaletteItem;
  if (index < 0 || index >= items.Size()) {
    ReportError("アイテムの取得：パレット %d にアイテム %d がありません！", palette, index);
    return 0;
  }
  cCharaBase* hero = Hero();
  if (!hero || g_bItemGetStopped) return 0;
  if (g_nItemGetDepth >= kMaxItemGetDepth) {
    // Once stopped, the whole nest winds down without getting anything more.
    g_bItemGetStopped = true;
    ReportError("アイテムの取得の入れ子が深すぎるため中止しました！(最大%d段)", kMaxItemGetDepth);
    return 0;
  }
  ++g_nItemGetDepth;
  const int result = hero->RunCommandList(items[static_cast<size_t>(index)].m_vecCmd);
  if (--g_nItemGetDepth == 0) g_bItemGetStopped = false;
  // A list that ended quietly leaves an earlier request of this sub-step standing.
  if (result != 0 && g_pGameScene) g_pGameScene->m_nStageClearRequest = result;
  return 0;
}
