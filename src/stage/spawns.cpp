// The objects the flows summon while a stage runs: charas and items joining
// the lists, blocks written into the block map. They follow the placement of
// the stage set-up, but start from a map pixel position, may get a limited
// life, and a chara or block that would end up inside a block or on top of
// the hero or a chara is dropped or undone.
#include <climits>
#include <iterator>
#include <list>

#include "objects/chara.h"
#include "objects/ed_shot.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "platform/numeric.h"
#include "records/block_data.h"
#include "records/chara_data.h"
#include "records/item_data.h"
#include "records/palette_data.h"
#include "records/system_data.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

namespace {

constexpr int kBlockSummonPlace = 0;
constexpr int kBlockSummonErase = 1;
constexpr int kBlockSummonToggle = 2;

// The summon's life time (tenths of a second) in sub-steps. A stage with a
// huge sub-step count must not wrap the timer into an early death.
int SummonLifeTimer(const cEdShot& settings) {
  const long long t = static_cast<long long>(settings.m_nRange) * StageSubSteps() * 6;
  if (t > INT_MAX) return INT_MAX;
  if (t < INT_MIN) return INT_MIN;
  return static_cast<int>(t);
}

// Summons change the cell and forget its latched appearance: the new block
// has to meet its own conditions.
void PutIntoCell(cBlockCell& cell, const cBlockData& block) {
  static_cast<cBlockData&>(cell) = block;
  cell.m_byAppearLatch = 0;
}

// Erasing leaves the common palette's none-template. A palette always holds
// it; should it not, the cell is simply emptied.
void EraseCell(cBlockCell& cell) {
  const cCheckedVector<cBlockData>& list = g_CommonPalette.m_vecBlock;
  if (!list.empty()) {
    PutIntoCell(cell, list[0]);
    return;
  }
  cBlockData none;
  none.m_sGraphic = 0;
  none.m_byHitKind = kBlockHitNone;
  none.m_bSummonProof = 0;
  PutIntoCell(cell, none);
}

}  // namespace

void cGameScene::SpawnChara(std::list<cChara>& list, double x, double y, BYTE faction, BYTE facing, int /*callerFacing*/,
                            const cEdShot& settings, const cCharaData& templ, int& counter, cCharaBase* summoner) {
  const int copies = templ.m_cExtraCopies;
  for (int n = 0; n <= copies; ++n) {
    cCharaData local = templ;
    local.m_byFacing = facing;
    local.m_byFaction = faction;
    if (settings.m_bNoScore) local.m_nScore = 0;

    // Built in its list node: a chara never moves once it exists, and one
    // that does not make it is taken out before anything can see it.
    list.emplace_back();
    const auto node = std::prev(list.end());
    cChara& c = *node;
    c.Spawn(counter, &local, nullptr, x + 16, y + 16, n, 0);
    c.m_dX = x + c.m_nImgOffX;
    c.m_dY = y + c.m_nImgOffY;
    c.m_dRight = c.m_dX + c.m_nW - 1;
    c.m_dBottom = c.m_dY + c.m_nH - 1;
    const double dx = local.GetCloneOffsetX(n, facing);
    const double dy = local.GetCloneOffsetY(n, facing);
    c.m_dX += dx;
    c.m_dY += dy;
    c.m_dRight += dx;
    c.m_dBottom += dy;
    if (!g_SystemData.m_bCompat768) {
      c.m_dHomeX += dx;
      c.m_dHomeY += dy;
    }
    if (!c.IsInsideBounds(1)) {
      list.erase(node);
      continue;
    }
    c.OnMovedX();
    c.OnMovedY();
    c.UpdateScreenRect();
    // Not yet linked or in a team list: taking it out leaves no trace.
    if (IsBlockedAt(&c)) {
      list.erase(node);
      continue;
    }
    c.SetParentLink(summoner);
    if (settings.m_bRange) c.m_nLifeTime = SummonLifeTimer(settings);
    c.m_bCreditParent = settings.m_bCreditShooter;
    c.m_byCreditValue = settings.m_byCreditValue;
    if (std::list<cCharaBase*>* team = TeamCharas(c.m_Data.m_byFaction)) team->push_back(&c);
    ++counter;
  }
}

void cGameScene::SpawnItem(std::list<cItem>& list, double x, double y, int /*callerFacing*/, const cEdShot& settings,
                           cItemData& templ, int& counter) {
  cItem item;
  item.InitFromTemplate(counter, templ, 0);
  item.m_dX = x + item.m_nImgOffX;
  item.m_dY = y + item.m_nImgOffY;
  item.m_dRight = item.m_dX + item.m_nW - 1;
  item.m_dBottom = item.m_dY + item.m_nH - 1;
  item.m_dX += templ.m_sOffsetX;
  item.m_dY += templ.m_sOffsetY;
  item.m_dRight += templ.m_sOffsetX;
  item.m_dBottom += templ.m_sOffsetY;
  if (!item.IsInsideBounds(1)) return;
  item.ClampX(2);
  item.ClampY(2);
  if (settings.m_bRange) item.m_nLifeTime = SummonLifeTimer(settings);
  list.push_back(item);
  ++counter;
}

void cGameScene::SummonBlock(double x, double y, int /*callerFacing*/, const cEdShot& settings,
                             const cBlockData& block) {
  const int cx = plat::TruncToInt(x + 16.5) >> 5;
  const int cy = plat::TruncToInt(y + 16.5) >> 5;
  // In 64 bits: a position far outside the map must not wrap into it.
  const long long wide = cx + (static_cast<long long>(cy) << m_ScrollX.m_nRowShift);
  if (wide < 0 || wide >= static_cast<long long>(g_vecBlockMap.size())) return;
  const int index = static_cast<int>(wide);
  cBlockCell& cell = g_vecBlockMap[static_cast<size_t>(index)];

  if (cell.m_bSummonProof) {
    if (g_SystemData.m_bCompat637) return;
    if (cell.m_sGraphic != 0 && CheckBlockCondList(cell)) return;
  }

  // Puts the block in; with a refusal switch on, takes it out again when it
  // lands on someone the switch protects. 1 when the block stayed.
  auto place = [&]() {
    if (!settings.m_bySummonFlagA && !settings.m_bySummonFlagB) {
      PutIntoCell(cell, block);
      CheckBlockSummonOverlap(index, cx, cy, settings);
      return 1;
    }
    const cBlockCell saved = cell;
    PutIntoCell(cell, block);
    if (CheckBlockSummonOverlap(index, cx, cy, settings) == 0) return 1;
    cell = saved;
    return 0;
  };

  switch (settings.m_byBlockSummonMode) {
    case kBlockSummonErase:
      EraseCell(cell);
      break;
    case kBlockSummonPlace:
      place();
      break;
    case kBlockSummonToggle: {
      for (int done : m_vecToggle)
        if (done == index) return;
      if (cell.m_sGraphic != 0 && CheckBlockCondList(cell)) {
        EraseCell(cell);
        m_vecToggle.push_back(index);
      } else if (place()) {
        m_vecToggle.push_back(index);
      }
      break;
    }
    default:
      break;
  }
}

int cGameScene::CheckBlockSummonOverlap(int index, int cx, int cy, const cEdShot& settings) {
  if (index < 0 || static_cast<size_t>(index) >= g_vecBlockMap.size()) return 0;
  cBlockCell& cell = g_vecBlockMap[static_cast<size_t>(index)];
  const double left = cx * 32.0;
  const double right = cx * 32.0 + 32 - 0.1;
  const double top = cy * 32.0;
  const double bottom = cy * 32.0 + 32 - 0.1;
  auto landsOn = [&](cCharaBase& c) {
    if (cell.GetHitKind(c.m_nBlockSide) == 0) return false;
    return c.m_dX <= right && c.m_dRight >= left && c.m_dY <= bottom && c.m_dBottom >= top;
  };
  // The grace spares whoever the block lands on from the crush test, also
  // when the block is taken back at once.
  for (cHero& h : Player) {
    if (h.m_bDead || !landsOn(h)) continue;
    h.m_nFlowLockTimer = 2;
    if (settings.m_bySummonFlagA) return 1;
  }
  for (cChara& c : g_lstChara) {
    if (c.m_bDead || c.m_bRemoved || !c.m_bActive || !landsOn(c)) continue;
    c.m_nFlowLockTimer = 2;
    if (settings.m_bySummonFlagB) return 1;
  }
  return 0;
}
