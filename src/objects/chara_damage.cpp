// What a chara suffers when stage play finds it hit: the damage of a contact
// or a shot, the hit spark, the knockback, the hit triggers, the
// invincibility and per-attacker cooldowns that follow, and its death with
// the score, the drop item and the death effect.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "objects/chara_base.h"
#include "objects/effect.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kMaxDamage = 999999;
constexpr int kMaxScore = 999999;

constexpr int kTriggerDamaged = 1;
constexpr int kTriggerImpacted = 2;
constexpr int kTriggerDeath = 3;
constexpr int kTriggerDealtDamage = 18;
constexpr int kTriggerDealtImpact = 19;

// A positive attack is softened by the defence and bounded; zero or a
// negative attack passes unchanged, so that a negative one heals. Computed
// in 64 bits: an attack near the int limit against a negative defence
// would overflow.
int DamageOf(int attack, int defence) {
  if (attack <= 0) return attack;
  const long long d = static_cast<long long>(attack) - defence;
  return static_cast<int>(std::clamp<long long>(d, 0, kMaxDamage));
}

// The life change of a damage; INT_MIN has no negation in int and gives
// the largest heal instead of wrapping round to a deadly hit.
int LifeDeltaOf(int damage) { return damage == INT_MIN ? INT_MAX : -damage; }

// The timers count sub-steps; a frame count from the stage file times the
// sub-steps may not fit.
int FramesToSubSteps(int frames) {
  const long long v = static_cast<long long>(frames) * StageSubSteps();
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

void AddHitEffect(int id, const HITRECT& victim, const double attacker[4], int scale) {
  if (id == 0 || !g_pGameScene) return;
  const double v[4] = {victim.dLeft, victim.dTop, victim.dRight, victim.dBottom};
  cEffect effect;
  effect.CreateAtChara(id, v, attacker, scale);
  g_pGameScene->m_lstEffect.push_back(effect);
}

void AddPlayScore(int score) {
  const long long s = static_cast<long long>(g_Progress.m_nScoreGained) + score;
  g_Progress.m_nScoreGained = static_cast<int>(std::clamp<long long>(s, 0, kMaxScore));
}

}  // namespace

void cCharaBase::StartInvincibility() {
  m_nInvincible = FramesToSubSteps(m_nTeam == 0 ? g_Stage.m_nHeroInvincible : g_Stage.m_nCharaInvincible);
}

void cCharaBase::StartInvincibilityAgainst(const cCharaBase* attacker) {
  StartInvincibility();
  const int frames = m_nTeam == 0 ? g_Stage.m_nHeroHitCooldown : g_Stage.m_nCharaHitCooldown;
  m_lstCooldown.push_back(HITCOOLDOWN{attacker->m_nId, FramesToSubSteps(frames)});
}

void cCharaBase::UpdateInvincibility() {
  if (m_nInvincible > 0) --m_nInvincible;
  if (m_nInvincible < 0) m_nInvincible = 0;
  for (HITCOOLDOWN& c : m_lstCooldown) --c.nFrames;
  m_lstCooldown.remove_if([](const HITCOOLDOWN& c) { return c.nFrames <= 0; });
}

bool cCharaBase::IsInvincible() const { return m_nInvincible > 0; }

bool cCharaBase::IsImmuneTo(const cCharaBase* attacker) const {
  if (IsInvincible()) return true;
  return std::any_of(m_lstCooldown.begin(), m_lstCooldown.end(),
                     [attacker](const HITCOOLDOWN& c) { return c.nAttackerId == attacker->m_nId; });
}

int cCharaBase::TakeCharaDamage(const cCharaBase& attacker) {
  const int r = ChangeLife(LifeDeltaOf(DamageOf(attacker.m_Data.m_nBodyPower, m_Data.m_nDefence)), 0, 1);
  const HITRECT& a = attacker.m_HitChara;
  const double rect[4] = {a.dLeft, a.dTop, a.dRight, a.dBottom};
  AddHitEffect(attacker.m_Data.m_sBodyEffect, m_HitChara, rect, attacker.m_Data.m_cSize);
  KnockbackFromChara(attacker);
  return r;
}

int cCharaBase::TakeShotDamage(const cShot& shot) {
  const cEdShot& s = shot.m_Settings;
  const int r = ChangeLife(LifeDeltaOf(DamageOf(s.m_nAttack, m_Data.m_nDefence)), 0, 1);
  const double rect[4] = {shot.m_rcHit.dLeft, shot.m_rcHit.dTop, shot.m_rcHit.dRight, shot.m_rcHit.dBottom};
  AddHitEffect(s.m_nHitEffect, m_HitShot, rect, s.m_byScale);
  KnockbackFromShot(shot);
  return r;
}

void cCharaBase::RunHitFlowsByChara(cCharaBase& attacker) {
  // Only a summoned chara acting for its parent passes its hit on: the
  // parent takes the credit. Any other attacker is only the partner of
  // the hit chara's trigger; like the attack-landed trigger, the dealt
  // triggers go through credit alone.
  const bool credited = attacker.m_pParent && attacker.m_bCreditParent;
  cCharaBase* partner = credited ? attacker.m_pParent : &attacker;
  auto fire = [&](int taken, int dealt) {
    StartFlowsByTrigger(taken, partner, 0);
    if (credited) partner->StartFlowsByTrigger(dealt, this, attacker.m_byCreditValue);
  };
  if (attacker.m_Data.m_nBodyPower != 0) fire(kTriggerDamaged, kTriggerDealtDamage);
  if (attacker.m_Data.m_byBodyImpact != 0) fire(kTriggerImpacted, kTriggerDealtImpact);
}

void cCharaBase::RunHitFlowsByShot(const cShot& shot) {
  cCharaBase* shooter = shot.m_pShooter;
  const bool credited = shooter && shot.m_bCreditShooter;
  auto fire = [&](int taken, int dealt) {
    StartFlowsByTrigger(taken, shooter, 0);
    if (credited) shooter->StartFlowsByTrigger(dealt, this, shot.m_byCreditValue);
  };
  if (shot.m_Settings.m_nAttack != 0) fire(kTriggerDamaged, kTriggerDealtDamage);
  if (shot.m_Settings.m_byImpact != 0) fire(kTriggerImpacted, kTriggerDealtImpact);
}

int cCharaBase::Die() {
  RunFlowsByTrigger(kTriggerDeath);
  Update(1);
  AddPlayScore(m_Data.m_nScore);
  int itemResult = 0;
  cItem* drop = GetDropItem();
  if (drop && drop->m_bPresent && !Player.empty()) itemResult = cGameScene::ApplyItem(drop, &Player[0]);
  // The stage ends here: the chara is left as it is for the stage's end.
  if ((g_pGameScene && g_pGameScene->m_nStageClearRequest == 1) || itemResult == 1) return 1;
  ClearLinks();
  m_bDead = 1;
  m_EffectState.Start(m_Data.m_sDeathEffect, m_Data.m_cDeathEffectDir, 0);
  return 0;
}

void cCharaBase::ClearShotLinks() {
  // With its pointer cleared a shot keeps flying and, when it goes, finds
  // nothing of ours to unlink.
  for (const SHOTLINK& l : m_vecShotLink) {
    if (!l.pShot) continue;
    if (l.nKind == 0 && l.pShot->m_pTarget == this) l.pShot->m_pTarget = nullptr;
    else if (l.nKind == 4 && l.pShot->m_pShooter == this) l.pShot->m_pShooter = nullptr;
  }
  m_vecShotLink.clear();
}
