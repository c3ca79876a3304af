// The owners' appearance lists and the blocks that act on the hero standing
// on them: jump pads, no-jump and speed blocks, conveyors and item blocks.
#include <cstdint>
#include <vector>

#include "flow/cond_list.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "records/block_data.h"
#include "records/item_data.h"
#include "services/sound.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

namespace {

constexpr int kSoundJumpBlock = 10;
// Frames an item block waits before it gives its item again.
constexpr int kBlockItemFrames = 60;
// A temporary item needs a number other than 0 to be applied at all; it
// never joins a contact list, so any such number does.
constexpr int kBlockItemId = -1;

cCharaBase* FirstHero() { return Player.empty() ? nullptr : &Player[0]; }

// The shared owner rule; `latched` is the owner's own latched state.
bool CheckOwnerList(cGameScene& scene, const std::vector<cCond>& conds, int mode, int latch, BYTE& latched,
                    cCharaBase* chara) {
  if (conds.empty()) return true;
  if (latch && latched) return true;
  if (!scene.CheckCondList(conds, mode, chara)) return false;
  latched = 1;
  return true;
}

cBlockCell* CellOfMap(cBlockData& block) {
  if (g_vecBlockMap.empty()) return nullptr;
  // By address, so that data which is no cell is never taken for one.
  const auto at = reinterpret_cast<std::uintptr_t>(&block);
  const auto lo = reinterpret_cast<std::uintptr_t>(static_cast<cBlockData*>(&g_vecBlockMap.front()));
  const auto hi = reinterpret_cast<std::uintptr_t>(static_cast<cBlockData*>(&g_vecBlockMap.back()));
  if (at < lo || at > hi) return nullptr;
  cBlockCell& cell = g_vecBlockMap[(at - lo) / sizeof(cBlockCell)];
  return static_cast<cBlockData*>(&cell) == &block ? &cell : nullptr;
}

// The hero keeps the effect's kind, amount and sub-steps left, and whether
// an effect runs: its own braking on speed blocks reads that.
void SetEffectStepsLeft(cHero& hero, int steps) {
  hero.m_nBlockArg = steps;
  hero.m_bOnEffectBlock = steps > 0 ? 1 : 0;
}

void ProbeFloorAgain(cHero& hero) {
  if (!(hero.m_dVY < 0)) hero.m_dVY += 1.0;
}

}  // namespace

bool cGameScene::CheckBlockCondList(cBlockCell& cell) {
  return CheckOwnerList(*this, cell.m_vecCond, cell.m_byCondMode, cell.m_bCondLatch, cell.m_byAppearLatch,
                        FirstHero());
}

bool cGameScene::CheckCharaCondList(cCharaBase& chara) {
  return CheckOwnerList(*this, chara.m_Data.m_vecCond, chara.m_Data.m_byCondMode, chara.m_Data.m_bCondLatch,
                        chara.m_byCondLatch, &chara);
}

bool cGameScene::CheckItemCondList(cItem& item) {
  return CheckOwnerList(*this, item.m_Data.m_vecCond, item.m_Data.m_byCondMode, item.m_Data.m_bCondLatch,
                        item.m_byCondLatch, FirstHero());
}

int cGameScene::BlockAppearanceTest(cBlockData& block) {
  if (cBlockCell* cell = CellOfMap(block)) {
    if (g_pGameScene) return g_pGameScene->CheckBlockCondList(*cell) ? 1 : 0;
  }
  if (!g_pGameScene || block.m_vecCond.empty()) return 1;
  return g_pGameScene->CheckCondList(block.m_vecCond, block.m_byCondMode, FirstHero()) ? 1 : 0;
}

int cGameScene::ApplyBlockEffect(cHero& hero) {
  if (hero.IsSyncedToScroll()) return 0;
  const int n = StageSubSteps();
  cBlockCell* cell = hero.m_pFootBlock;
  if (cell && hero.m_nBlockArg == 0 && cell->GetHitKind(hero.m_nBlockSide) != 0) {
    // The effect's X is a signed byte however wide the record keeps it.
    const int8_t x = static_cast<int8_t>(cell->m_nEffectValue);
    const int kind = cell->m_byEffectKind;
    switch (kind) {
      case kBlockEffectJump:
        PlaySE(kSoundJumpBlock);
        hero.m_dVY = hero.JumpSpeedForHeight(x);
        hero.m_bRising = 1;
        hero.m_bJumping = 1;
        hero.m_bJumpReady = 0;
        // The launch counts as a jump already held to its end: the key can
        // neither lengthen nor cut it.
        hero.m_nJumpHold = hero.JumpTime(hero.m_dVY);
        break;
      case kBlockEffectNoJump:
        hero.m_bJumpBlocked = 1;
        break;
      case kBlockEffectSpeed:
        hero.m_nBlockEffect = kind;
        hero.m_dBlockFactor = x * 0.01;
        SetEffectStepsLeft(hero, n);
        break;
      case kBlockEffectCarryLeft:
      case kBlockEffectCarryRight:
        hero.m_nBlockEffect = kind;
        hero.m_dBlockFactor = x * 0.1 / n;
        SetEffectStepsLeft(hero, n);
        break;
      default:
        break;
    }
    if (kind != kBlockEffectNoJump) hero.m_bJumpBlocked = 0;
  }
  if (hero.m_nBlockArg > 0) {
    switch (hero.m_nBlockEffect) {
      case kBlockEffectSpeed:
        hero.m_dVX = hero.m_dVX * hero.m_dBlockFactor;
        break;
      case kBlockEffectCarryLeft:
        hero.m_dVX -= hero.m_dBlockFactor;
        if (hero.m_dAX > 0) hero.m_dAX = 0;
        break;
      case kBlockEffectCarryRight:
        hero.m_dVX += hero.m_dBlockFactor;
        if (hero.m_dAX < 0) hero.m_dAX = 0;
        break;
      default:
        break;
    }
    SetEffectStepsLeft(hero, hero.m_nBlockArg - 1);
    if (hero.m_nBlockArg == 0) ProbeFloorAgain(hero);
  }
  return 0;
}

int cGameScene::ApplyBlockItem(cHero& hero) {
  if (hero.IsSyncedToScroll()) return 0;
  int& cooldown = hero.m_nBlockWord;
  bool applied = false;
  cBlockCell* cell = hero.m_pFootBlock;
  if (cell && cooldown == 0 && cell->GetHitKind(hero.m_nBlockSide) != 0 && cell->m_byItemSource != 0) {
    if (const cItemData* templ = GetItemTemplate(cell->m_byItemSource, cell->m_sItemIndex)) {
      cItemData copy = *templ;
      cItem item;
      item.InitFromTemplate(kBlockItemId, copy, 0);
      item.m_bActive = 1;
      const int r = ApplyItem(&item, &hero);
      if (r != 0) return r;
      cooldown = kBlockItemFrames * StageSubSteps();
      applied = true;
    }
  }
  if (cooldown > 0) {
    if (hero.m_bFalling) {
      cooldown = 0;
    } else {
      --cooldown;
      // Landing on another item block gives its item at once.
      if (hero.m_pFootBlock && hero.m_nContact != hero.m_nPrevContact && !applied) {
        cooldown = 0;
        ProbeFloorAgain(hero);
      }
    }
  }
  return 0;
}
