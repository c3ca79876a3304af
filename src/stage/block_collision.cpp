// The world rules between stage objects and the block map: probes along
// the box's edges, the push-out onto the 32-pixel grid with the contact
// flags and block triggers, deaths by deadly blocks, the edges of a view
// that scrolls by itself, and the hero's moves with its crush tests.
#include <climits>
#include <cstdint>

#include "objects/chara_base.h"
#include "objects/hero.h"
#include "platform/numeric.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

namespace {

// The strongest cell a probe found and its kind for the probing object.
struct PROBE {
  int nIndex = 0;
  int nKind = -1;
};

// Flow triggers raised by wall contacts (landing and ceilings raise their
// own).
enum : int {
  kTriggerBlock = 9,
  kTriggerBlockSide = 10,
  kTriggerBlockLeft = 11,
  kTriggerBlockRight = 12,
};

constexpr int kViewWidth = 640;
constexpr int kViewHeight = 480;

// What an edge does about the kind it found.
enum : int { kEdgeNone = 0, kEdgeDies = 2, kEdgeContact = 3 };

bool Flies(const cCharaBase& c) { return c.IsSyncedToScroll(); }
bool PassesBlocks(const cCharaBase& c) { return Flies(c) && c.m_byBlockMode == 0; }
bool DiesOnBlocks(const cCharaBase& c) { return Flies(c) && c.m_byBlockMode == 2; }
bool ComputerOperated(const cCharaBase& c) { return c.m_nTeam == 1; }

// A scale below 1 (never written by a spawn) counts as 1: the floor
// sampling divides by it.
int ScaleOf(const cCharaBase& c) { return c.m_Data.m_cSize > 0 ? c.m_Data.m_cSize : 1; }

// A rising walker passes up through a block under its feet unless the
// project keeps the older landing rule.
bool RisesThrough(const cCharaBase& c) { return c.m_dVY < 0 && !g_SystemData.m_bCompat677 && !Flies(c); }

// Index of map cell (col, row); a value beyond int becomes -1 so that the
// map's bounds check reports it. Positions are clamped into the map, but a
// coordinate that went NaN arrives as INT_MIN: the sums are taken in 64 bits.
int CellIndex(long long col, long long row) {
  const int shift = g_pGameScene ? g_pGameScene->m_ScrollX.m_nRowShift : 0;
  const long long v = col + row * (1LL << shift);
  if (v < INT_MIN || v > INT_MAX) return -1;
  return static_cast<int>(v);
}

// Arithmetic shifts, as the cell of a pixel is taken everywhere.
int PixelCell(long long x, long long y) { return CellIndex(x >> 5, y >> 5); }

// Hit kinds are signed bytes in the records.
int KindAt(int index, int faction) { return static_cast<int8_t>(g_vecBlockMap.At(index).GetHitKind(faction)); }

// The running cell, or none for an index outside the map (already
// reported by the probe).
cBlockCell* CellPtr(int index) {
  if (index < 0 || static_cast<size_t>(index) >= g_vecBlockMap.size()) return nullptr;
  return &g_vecBlockMap[static_cast<size_t>(index)];
}

// Horizontal samples: a stronger kind wins, an equal one only when it lies
// strictly nearer the centre.
void TakeNearer(PROBE& best, long long& bestDistance, int index, int kind, long long x, long long centre) {
  const long long d = x > centre ? x - centre : centre - x;
  if (kind > best.nKind || (kind == best.nKind && d < bestDistance)) {
    best.nIndex = index;
    best.nKind = kind;
    bestDistance = d;
  }
}

PROBE ProbeLine(const cCharaBase& c, int x1, int y1, int x2, int y2) {
  PROBE best;
  const int samples = ScaleOf(c) + 1;
  if (x1 == x2) {
    const long long step = c.m_nBaseH - 1LL;
    for (int i = 0; i < samples; ++i) {
      const int index = PixelCell(x1, y1 + i * step);
      const int kind = KindAt(index, c.m_nBlockSide);
      if (kind > best.nKind) {
        best.nIndex = index;
        best.nKind = kind;
      }
    }
    return best;
  }
  if (y1 == y2) {
    const long long step = c.m_nBaseW - 1LL;
    const long long centre = (static_cast<long long>(x1) + x2) >> 1;
    long long distance = LLONG_MAX;
    for (int i = 0; i < samples; ++i) {
      const long long x = x1 + i * step;
      const int index = PixelCell(x, y1);
      TakeNearer(best, distance, index, KindAt(index, c.m_nBlockSide), x, centre);
    }
    return best;
  }
  best.nIndex = 0;
  best.nKind = 0;
  return best;
}

PROBE ProbeFloor(const cCharaBase& c) {
  const int scale = ScaleOf(c);
  const int n = (scale & 1) ? scale + 2 : scale + 1;
  const long long step = c.m_nW / (n - 1);
  const long long left = TruncToInt(c.m_dX), right = TruncToInt(c.m_dRight), bottom = TruncToInt(c.m_dBottom);
  const long long centre = (left + right) >> 1;
  PROBE best;
  long long distance = LLONG_MAX;
  for (int i = 0; i < n; ++i) {
    const long long x = i == n - 1 ? right : left + i * step;
    const int index = PixelCell(x, bottom);
    TakeNearer(best, distance, index, KindAt(index, c.m_nBlockSide), x, centre);
  }
  return best;
}

PROBE ProbeEdgeVertical(const cCharaBase& c, double x) {
  const int px = TruncToInt(x);
  return ProbeLine(c, px, TruncToInt(c.m_dY), px, TruncToInt(c.m_dBottom));
}

PROBE ProbeEdgeHorizontal(const cCharaBase& c, double y) {
  const int py = TruncToInt(y);
  return ProbeLine(c, TruncToInt(c.m_dX), py, TruncToInt(c.m_dRight), py);
}

// Deadly blocks kill all but computer-operated objects; any block kills an
// object flying in the deadly mode. Kinds other than 1 and 2 stop nothing.
int EdgeOutcome(const cCharaBase& c, int kind) {
  if (kind == kBlockHitDeadly && !ComputerOperated(c)) return kEdgeDies;
  if (kind == kBlockHitSolid || kind == kBlockHitDeadly) return DiesOnBlocks(c) ? kEdgeDies : kEdgeContact;
  return kEdgeNone;
}

void KeepLandedCell(cCharaBase& c, int index) { c.m_nContact = index + 1; }

// The cell a landing stands on: the finer floor sampling for a
// player-operated object, the probed cell for others.
int StandingIndex(const cCharaBase& c, int probed) { return c.m_nTeam == 0 ? ProbeFloor(c).nIndex : probed; }

void CountAirTime(cCharaBase& c) {
  if (c.m_bAirState2 < INT_MAX) ++c.m_bAirState2;
  if (c.m_bAirState2 < g_Stage.m_nSubStepsX8) return;
  if (ComputerOperated(c)) {
    c.m_bFalling = 1;
  } else if (!c.m_bOnChara) {
    c.m_bFalling = 1;
    if (cHero* hero = dynamic_cast<cHero*>(&c)) hero->m_bJumpReady = 1;
  }
}

void UpdateScreenRectOf(cCharaBase& c) {
  if (cHero* hero = dynamic_cast<cHero*>(&c)) hero->UpdateScreenRect();
  else c.UpdateScreenRect();
}

bool Crushed(const cCharaBase& c) { return (c.LRUD.l && c.LRUD.r) || (c.LRUD.u && c.LRUD.d); }

bool InGrace(const cCharaBase& c) { return c.m_nFlowLockTimer != 0; }

int Dies(const char** death, const char* text) {
  if (death) *death = text;
  return 2;
}

// The crushed hero goes back to where the frame's move started.
int CrushDeath(cCharaBase& hero, const char** death, const char* text) {
  WriteECLogf("Player[P1].LRUD = %d,%d,%d,%d", hero.LRUD.l, hero.LRUD.r, hero.LRUD.u, hero.LRUD.d);
  hero.RestorePrevRect();
  return Dies(death, text);
}

}  // namespace

int cGameScene::GetBlockOnLine(cCharaBase* chara, int x1, int y1, int x2, int y2) {
  if (!chara) return 0;
  return ProbeLine(*chara, x1, y1, x2, y2).nIndex;
}

int cGameScene::GetFloorCell(cCharaBase* chara) {
  if (!chara) return 0;
  return ProbeFloor(*chara).nIndex;
}

int cGameScene::GetBlockAtCorners(int left, int top, int right, int bottom, int faction) {
  const int corners[4] = {CellIndex(left, top), CellIndex(right, top), CellIndex(left, bottom),
                          CellIndex(right, bottom)};
  PROBE best;
  for (int index : corners) {
    const int kind = KindAt(index, faction);
    if (kind > best.nKind) {
      best.nIndex = index;
      best.nKind = kind;
    }
  }
  return best.nIndex;
}

int cGameScene::HitBlockLeft(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  cCharaBase& c = *chara;
  const int outcome = EdgeOutcome(c, ProbeEdgeVertical(c, c.m_dX).nKind);
  if (outcome != kEdgeContact) return outcome;
  c.LRUD.l = 1;
  c.m_dX += 32 - (TruncToInt(c.m_dX) & 31);
  c.m_dAX = 0;
  c.OnMovedX();
  c.m_nWallSide = 0;
  c.RunFlowsByTrigger(kTriggerBlock);
  c.RunFlowsByTrigger(kTriggerBlockSide);
  c.RunFlowsByTrigger(kTriggerBlockLeft);
  return 0;
}

int cGameScene::HitBlockRight(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  cCharaBase& c = *chara;
  const int outcome = EdgeOutcome(c, ProbeEdgeVertical(c, c.m_dRight).nKind);
  if (outcome != kEdgeContact) return outcome;
  c.LRUD.r = 1;
  c.m_dX -= (TruncToInt(c.m_dRight) & 31) + 1;
  c.m_dAX = 0;
  c.OnMovedX();
  c.m_nWallSide = 1;
  c.RunFlowsByTrigger(kTriggerBlock);
  c.RunFlowsByTrigger(kTriggerBlockSide);
  c.RunFlowsByTrigger(kTriggerBlockRight);
  return 0;
}

int cGameScene::HitBlockTop(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  cCharaBase& c = *chara;
  const int outcome = EdgeOutcome(c, ProbeEdgeHorizontal(c, c.m_dY).nKind);
  if (outcome != kEdgeContact) return outcome;
  c.OnHitCeiling();
  return 0;
}

int cGameScene::HitBlockBottom(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  cCharaBase& c = *chara;
  const PROBE p = ProbeEdgeHorizontal(c, c.m_dBottom);
  c.m_pFootBlock = CellPtr(p.nIndex);
  if (p.nKind == kBlockHitDeadly) {
    KeepLandedCell(c, p.nIndex);
    if (EdgeOutcome(c, p.nKind) == kEdgeDies) return 2;
    if (RisesThrough(c)) return 0;
    c.OnLand();
    return 0;
  }
  if (p.nKind == kBlockHitSolid) {
    if (DiesOnBlocks(c)) return 2;
    if (RisesThrough(c)) return 0;
    int standing = p.nIndex;
    if (c.m_nTeam == 0) {
      standing = ProbeFloor(c).nIndex;
      c.m_pFootBlock = CellPtr(standing);
    }
    KeepLandedCell(c, standing);
    c.OnLand();
    return 0;
  }
  c.m_pFootBlock = nullptr;
  CountAirTime(c);
  return 0;
}

int cGameScene::HitBlocksX(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  const bool rightFirst = (Flies(*chara) && chara->m_byBlockMode == 1) || chara->m_dVX > 0;
  if (rightFirst) {
    if (HitBlockRight(chara) == 2) return 2;
    return HitBlockLeft(chara);
  }
  if (HitBlockLeft(chara) == 2) return 2;
  return HitBlockRight(chara);
}

int cGameScene::HitBlocksY(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  chara->m_pFootBlock = nullptr;
  const bool bottomFirst = (Flies(*chara) && chara->m_byBlockMode == 1) || chara->m_dVY > 0;
  if (bottomFirst) {
    if (HitBlockBottom(chara) == 2) return 2;
    return HitBlockTop(chara);
  }
  if (HitBlockTop(chara) == 2) return 2;
  return HitBlockBottom(chara);
}

int cGameScene::CheckBlocksX(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  const int right = HitBlockRight(chara);
  const int left = HitBlockLeft(chara);
  return right == 2 || left == 2 ? 2 : 0;
}

int cGameScene::CheckBlocksY(cCharaBase* chara) {
  if (!chara || PassesBlocks(*chara)) return 0;
  cCharaBase& c = *chara;
  const PROBE p = ProbeEdgeHorizontal(c, c.m_dBottom);
  auto stand = [&c, &p] {
    const int standing = StandingIndex(c, p.nIndex);
    c.m_pFootBlock = CellPtr(standing);
    KeepLandedCell(c, standing);
  };
  if (p.nKind == kBlockHitSolid) {
    if (DiesOnBlocks(c)) return 2;
    if (RisesThrough(c)) return 0;
    stand();
    c.OnLand();
  } else if (p.nKind == kBlockHitDeadly) {
    stand();
    if (EdgeOutcome(c, p.nKind) == kEdgeDies) return 2;
    if (RisesThrough(c)) return 0;
    c.OnLand();
  }
  return HitBlockTop(chara);
}

void cGameScene::CheckScreenEdgeX(cCharaBase* chara) {
  if (!chara || (!m_ScrollX.ScrollsAutomatically() && !Flies(*chara))) return;
  cCharaBase& c = *chara;
  UpdateScreenRectOf(c);
  if (c.m_rcScreen.left + c.m_nImgOffX < 0) {
    c.LRUD.l = 1;
    c.m_dX = m_ScrollX.m_dPos;
    c.OnMovedX();
  } else if (c.m_rcScreen.right - c.m_nImgOffX + 1 >= kViewWidth) {
    c.LRUD.r = 1;
    c.m_dX = m_ScrollX.m_dPos + kViewWidth - c.m_nW - 1;
    c.OnMovedX();
  }
}

int cGameScene::CheckScreenEdgeY(cCharaBase* chara) {
  if (!chara || (!m_ScrollY.ScrollsAutomatically() && !Flies(*chara))) return 0;
  cCharaBase& c = *chara;
  UpdateScreenRectOf(c);
  if (c.m_rcScreen.top + c.m_nImgOffY < 0) {
    c.LRUD.u = 1;
    c.m_dY = m_ScrollY.m_dPos;
    c.OnMovedY();
    return 0;
  }
  if (c.m_rcScreen.bottom - c.m_nImgOffY + 1 >= kViewHeight) {
    c.LRUD.d = 1;
    c.m_dY = m_ScrollY.m_dPos + kViewHeight - c.m_nH - 1;
    c.OnMovedY();
    return Flies(c) ? 0 : 2;
  }
  return 0;
}

int cGameScene::MoveHeroThroughMap(cCharaBase* hero, const char** death) {
  if (death) *death = nullptr;
  if (!hero) return 0;
  cCharaBase& h = *hero;
  h.MoveX();
  CheckScreenEdgeX(hero);
  if (HitBlocksX(hero) == 2) return Dies(death, "Dead 1");
  CheckScreenEdgeX(hero);
  h.ApplyGravityIfFree();
  if (h.MoveY() == 7) return Dies(death, "Dead 2");
  if (CheckScreenEdgeY(hero) == 2) return Dies(death, "Dead 3");
  if (HitBlocksY(hero) == 2) return Dies(death, "Dead 4");
  if (CheckScreenEdgeY(hero) == 2) return Dies(death, "Dead 5");
  if (Crushed(h) && !InGrace(h)) return CrushDeath(h, death, "Dead SP");
  return 0;
}

int cGameScene::SettleHeroAfterContacts(cCharaBase* hero, int charaResult, const char** death) {
  if (death) *death = nullptr;
  if (!hero) return 0;
  cCharaBase& h = *hero;
  auto spared = [&h] { return h.m_bDead || InGrace(h); };
  if (charaResult == 2 && !spared()) return Dies(death, "Dead 6");
  if ((h.LRUD.l || h.LRUD.r) && CheckBlocksX(hero) == 2 && !spared()) return Dies(death, "Dead 7");
  if ((h.LRUD.u || h.LRUD.d) && CheckBlocksY(hero) == 2 && !spared()) return Dies(death, "Dead 8");
  if (Crushed(h) && !InGrace(h)) return CrushDeath(h, death, "Dead 9");
  return 0;
}
