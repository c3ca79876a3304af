// The contact pass of a physics sub-step: shots hurting charas of other
// factions, charas of different factions hurting each other on contact,
// cancelling shots, the deaths these cause, and the hero taking items.
#include <algorithm>
#include <list>

#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "records/item_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/sound.h"
#include "stage/game_scene.h"

namespace {

constexpr int kSoundHit = 7;
constexpr int kSoundHeroDeath = 8;
constexpr int kSoundCharaDeath = 9;

constexpr int kTriggerTouchChara = 4;
constexpr int kTriggerShotHit = 7;
constexpr int kTriggerItemTouch = 8;
constexpr int kTriggerAttackLanded = 20;

constexpr int kStateStageEnd = 4;
constexpr int kOperatorPlayer = 0;
constexpr int kOperatorComputer = 1;

// A temporary item needs a number other than 0 to be applied at all; it
// never joins the contact list, so any such number does.
constexpr int kShotItemId = -1;

struct RECT4 {
  double l, t, r, b;
};

RECT4 RectOf(const HITRECT& h) { return {h.dLeft, h.dTop, h.dRight, h.dBottom}; }
RECT4 RectOf(const SHOTHITBOX& h) { return {h.dLeft, h.dTop, h.dRight, h.dBottom}; }
RECT4 BoxOf(const cGameObject& o) { return {o.m_dX, o.m_dY, o.m_dRight, o.m_dBottom}; }

// Edges touching count as overlapping.
bool Overlap(const RECT4& a, const RECT4& b) { return a.l <= b.r && b.l <= a.r && a.t <= b.b && b.t <= a.b; }

// Only placed charas can be marked for removal or be off screen; the hero
// is always in play.
bool IsRemoved(const cCharaBase* c) {
  const cChara* chara = dynamic_cast<const cChara*>(c);
  return chara && chara->m_bRemoved;
}
bool InRange(const cCharaBase& c) {
  const cChara* chara = dynamic_cast<const cChara*>(&c);
  return !chara || chara->m_bOnScreen;
}

bool InRangeOnly() { return g_Stage.m_bOnScreenOnly != 0; }

bool HasContactAttack(const cCharaBase& c) { return c.m_Data.m_nBodyPower != 0 || c.m_Data.m_byBodyImpact != 0; }
bool HasPayload(const cShot& s) {
  return s.m_Settings.m_nAttack != 0 || s.m_Settings.m_byImpact != 0 || s.m_Settings.m_byHitItemSource != 0;
}

cHero* FirstHero() { return Player.empty() ? nullptr : &Player[0]; }

// While the pass walks the team lists, charas and shots that go are only
// marked; they are swept once the outermost walk is over, whichever way
// the pass ends.
class ContactPassGuard {
 public:
  explicit ContactPassGuard(cGameScene& s) : s_(s) {
    s_.m_bContactRunning = 1;
    ++s_.m_CharaWalk.nDepth;
    ++s_.m_ShotWalk.nDepth;
  }
  ~ContactPassGuard() {
    --s_.m_ShotWalk.nDepth;
    --s_.m_CharaWalk.nDepth;
    s_.SweepRemovedShots();
    s_.SweepRemovedObjects();
    s_.m_bContactRunning = 0;
  }
  ContactPassGuard(const ContactPassGuard&) = delete;
  ContactPassGuard& operator=(const ContactPassGuard&) = delete;

 private:
  cGameScene& s_;
};

bool IsEnding(int r) { return r == 1 || r == 2; }

}  // namespace

int cGameScene::KillChara(cCharaBase* chara) {
  if (!chara) return 0;
  if (chara->m_nTeam == kOperatorPlayer) return 2;
  if (chara->m_bDead == 1) return 0;
  return chara->Die() != 0 ? 1 : 0;
}

int cGameScene::KillCharaAndSettle(cCharaBase* chara) {
  const int r = KillChara(chara);
  if (r == 1) {
    BeginStageEnd();
    m_nState = kStateStageEnd;
    m_nSubState = 0;
  } else if (r == 2) {
    PlaySE(kSoundHeroDeath);
    cHero* hero = FirstHero();
    if (hero && hero->Die() == 1) {
      BeginStageEnd();
      m_nState = kStateStageEnd;
      m_nSubState = 0;
    }
  }
  return r;
}

int cGameScene::CheckHeroDeath() {
  cHero* hero = FirstHero();
  if (hero && hero->m_nLife <= 0) {
    PlaySE(kSoundHeroDeath);
    if (hero->Die() == 1) {
      BeginStageEnd();
      m_nState = kStateStageEnd;
      m_nSubState = 0;
    }
    return 1;
  }
  int result = 0;
  ++m_CharaWalk.nDepth;
  for (cChara& c : g_lstChara) {
    if (c.m_bRemoved) continue;
    if (c.m_bVanish) {
      RemoveChara(&c);
      continue;
    }
    if (c.m_nLife > 0) continue;
    const int r = KillCharaAndSettle(&c);
    if (!g_SystemData.m_bKeepDeadChara || r == 1) RemoveChara(&c);
    else PlaySE(kSoundCharaDeath);
    if (r != 0) {
      result = 1;
      break;
    }
  }
  --m_CharaWalk.nDepth;
  SweepRemovedObjects();
  return result;
}

int cGameScene::StepCharas() {
  ContactPassGuard guard(*this);
  const bool rangeOnly = InRangeOnly();
  const bool harmlessOnlyTriggers = g_SystemData.m_bCompat763b != 0;
  const bool hitFlowsAtOnce = g_SystemData.m_bCompat763a != 0;
  const int teams = static_cast<int>(std::min(m_vecTeamShot.size(), m_vecTeamChara.size()));

  // Shots against charas, in the sub-steps the stage tests them.
  const size_t step = static_cast<size_t>(m_nSubStepIndex - 1);
  const bool testShots = g_Stage.m_nShotTestSteps == 0 ||
                         (m_nSubStepIndex >= 1 && step < m_vecShotTestStep.size() && m_vecShotTestStep[step] != 0);
  for (int st = 0; testShots && st < teams; ++st) {
    std::list<cShot*>& shots = m_vecTeamShot[static_cast<size_t>(st)];
    for (int ct = 0; ct < teams; ++ct) {
      std::list<cCharaBase*>& charas = m_vecTeamChara[static_cast<size_t>(ct)];
      if (ct == st || shots.empty() || charas.empty()) continue;
      for (cShot* shot : shots) {
        if (!shot || shot->m_bRemoved || (rangeOnly && !shot->m_bOnScreen)) continue;
        cShot& r = *shot;
        const bool payload = HasPayload(r);
        bool vanish = false;
        for (cCharaBase* victim : charas) {
          if (!victim || IsRemoved(victim)) continue;
          cCharaBase& s = *victim;
          if ((rangeOnly && !InRange(s)) || !s.m_bActive || s.m_bDead || s.m_Data.m_byInvincible == kInvincibleShotsPass)
            continue;
          if (!Overlap(RectOf(s.m_HitShot), RectOf(r.m_rcHit)) || r.IsInHitList(&s)) continue;
          bool damage;
          if (payload) {
            if (s.IsInvincible()) continue;
            damage = true;
          } else {
            damage = !harmlessOnlyTriggers;
          }
          s.StartFlowsByTrigger(kTriggerShotHit, r.m_pShooter, 0);
          if (r.m_pShooter && r.m_bCreditShooter)
            r.m_pShooter->StartFlowsByTrigger(kTriggerAttackLanded, &s, r.m_byCreditValue);
          if (!damage) continue;
          const int died = s.TakeShotDamage(r);
          s.RunHitFlowsByShot(r);
          if (died) {
            if (s.m_nTeam == kOperatorComputer) PlaySE(kSoundCharaDeath);
            const int k = KillChara(&s);
            if (IsEnding(k)) return k;
          } else {
            PlaySE(kSoundHit);
            if (payload || harmlessOnlyTriggers) s.StartInvincibility();
          }
          // A sword stays; a shot goes on only through the kind of chara it
          // pierces. Either way it hits each chara once.
          const BYTE passes = s.m_Data.m_bBlockChara ? r.m_Settings.m_bPierce2 : r.m_Settings.m_bPierce;
          if (r.m_bFree == 0 || passes == 1) r.AddToHitList(&s);
          else vanish = true;
          if (r.m_Settings.m_byHitItemSource != 0) {
            const cItemData* templ = GetItemTemplate(r.m_Settings.m_byHitItemSource, r.m_Settings.m_nHitItem);
            if (templ) {
              cItemData copy = *templ;
              cItem item;
              item.InitFromTemplate(kShotItemId, copy, 0);
              item.m_bActive = 1;
              const int a = ApplyItem(&item, FirstHero());
              if (a != 0) return a;
            }
          }
        }
        if (vanish && !r.m_bRemoved) RemoveShot(&r);
      }
    }
  }
  // Shots marked by others (the vanish command, a trajectory's end) go
  // when the pass ends with the rest.

  // Charas against charas of other factions.
  const int charaTeams = static_cast<int>(m_vecTeamChara.size());
  auto takesPart = [rangeOnly](const cCharaBase* c) {
    return c && !IsRemoved(c) && (!rangeOnly || InRange(*c)) && !c->m_Data.m_bBlockChara && c->m_bActive &&
           !c->m_bDead;
  };
  // A chara acting for its parent lets the parent hear of the touch.
  auto touch = [](cCharaBase& w, cCharaBase& y) {
    if (y.m_pParent && y.m_bCreditParent) {
      w.StartFlowsByTrigger(kTriggerTouchChara, y.m_pParent, 0);
      y.m_pParent->StartFlowsByTrigger(kTriggerAttackLanded, &w, y.m_byCreditValue);
    } else {
      w.StartFlowsByTrigger(kTriggerTouchChara, &y, 0);
    }
  };
  // After the hits: a death, or the cooldown against the one who hit.
  auto settle = [this](cCharaBase& victim, int died, const cCharaBase& attacker) {
    if (died) {
      if (victim.m_nTeam == kOperatorComputer) PlaySE(kSoundCharaDeath);
      return KillChara(&victim);
    }
    victim.StartInvincibilityAgainst(&attacker);
    return 0;
  };
  for (int i = 0; i < charaTeams; ++i) {
    for (int j = i + 1; j < charaTeams; ++j) {
      std::list<cCharaBase*>& li = m_vecTeamChara[static_cast<size_t>(i)];
      std::list<cCharaBase*>& lj = m_vecTeamChara[static_cast<size_t>(j)];
      if (li.empty() || lj.empty()) continue;
      for (cCharaBase* pw : li) {
        for (cCharaBase* py : lj) {
          if (!takesPart(pw) || !takesPart(py)) continue;
          cCharaBase& w = *pw;
          cCharaBase& y = *py;
          if (!Overlap(RectOf(w.m_HitChara), RectOf(y.m_HitChara))) continue;
          const bool a = w.IsImmuneTo(&y);
          const bool b = y.IsImmuneTo(&w);
          if (!a) touch(w, y);
          if (!b) touch(y, w);
          const bool wHit = !a && HasContactAttack(y);
          const bool yHit = !b && HasContactAttack(w);
          int wDied = 0, yDied = 0;
          if (wHit) {
            wDied = w.TakeCharaDamage(y);
            if (hitFlowsAtOnce) w.RunHitFlowsByChara(y);
          }
          if (yHit) {
            yDied = y.TakeCharaDamage(w);
            if (hitFlowsAtOnce) y.RunHitFlowsByChara(w);
          }
          if (!hitFlowsAtOnce) {
            if (wHit) w.RunHitFlowsByChara(y);
            if (yHit) y.RunHitFlowsByChara(w);
          }
          if (wHit || yHit) PlaySE(kSoundHit);
          if (wHit) {
            const int k = settle(w, wDied, y);
            if (IsEnding(k)) return k;
          }
          if (yHit) {
            const int k = settle(y, yDied, w);
            if (IsEnding(k)) return k;
          }
        }
      }
    }
  }

  // Cancelling shots of other factions.
  for (int j = 0; j < teams; ++j) {
    for (int k = j + 1; k < teams; ++k) {
      std::list<cShot*>& lj = m_vecTeamShot[static_cast<size_t>(j)];
      std::list<cShot*>& lk = m_vecTeamShot[static_cast<size_t>(k)];
      if (lj.empty() || lk.empty()) continue;
      for (cShot* pp : lj) {
        if (!pp || pp->m_bRemoved) continue;
        cShot& p = *pp;
        bool pVanish = false;
        for (cShot* pq : lk) {
          if (!pq || pq->m_bRemoved) continue;
          cShot& q = *pq;
          const bool pc = p.m_Settings.m_bCancelShots != 0;
          const bool qc = q.m_Settings.m_bCancelShots != 0;
          if ((!pc && !qc) || !Overlap(BoxOf(p), BoxOf(q))) continue;
          bool qVanish = false;
          if (pc && qc) {
            const int ps = p.m_Settings.m_byCancelPower, qs = q.m_Settings.m_byCancelPower;
            pVanish = pVanish || ps <= qs;
            qVanish = qs <= ps;
          } else {
            pVanish = pVanish || pc;
            qVanish = qc;
          }
          // P still meets the rest of this list before it goes.
          if (qVanish) RemoveShot(&q);
        }
        if (pVanish) RemoveShot(&p);
      }
    }
  }
  return 0;
}

int cGameScene::PickUpItems(cHero& hero) {
  int result = 0;
  const RECT4 reach = RectOf(hero.m_HitItem);
  ++m_ItemWalk.nDepth;
  for (cItem& item : g_lstItem) {
    if (item.m_bRemoved || !item.m_bActive || item.m_bPresent) continue;
    const int kind = item.m_Data.m_byPickKind;
    if (kind == kItemPickNever) continue;
    const int number = item.m_nId;
    if (!Overlap(reach, BoxOf(item))) {
      if (kind == kItemPickAlways) m_lstItemContact.remove(number);
      continue;
    }
    hero.RunFlowsByTrigger(kTriggerItemTouch);
    if (kind == kItemPickAlways) {
      if (std::find(m_lstItemContact.begin(), m_lstItemContact.end(), number) != m_lstItemContact.end()) continue;
      m_lstItemContact.push_back(number);
    }
    const int r = ApplyItem(&item, &hero);
    if (kind == kItemPickOnce) RemoveItem(&item);
    if (r != 0) {
      result = r;
      break;
    }
  }
  --m_ItemWalk.nDepth;
  SweepRemovedObjects();
  return result;
}

int cGameScene::ApplyItem(cItem* item, cHero* hero) {
  if (!item || !hero || item->m_nId == 0 || item->m_Data.m_byPickKind == kItemPickNever || !item->m_bActive) return 0;
  const cItemData& d = item->m_Data;
  if (d.m_bPopup) hero->ShowValuePopup(d.m_byGraphicKind, d.m_sGraphic, d.m_sGraphicFrame);
  PlayDbSE(d.m_sSound);
  return hero->RunCommandList(item->m_Data.m_vecCmd);
}
