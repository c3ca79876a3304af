// Damage of contacts and shots, the hit triggers, invincibility with the
// per-attacker cooldowns, and a chara's death with its score and drop item.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "objects/stage_fixture.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"

namespace {

constexpr int kMaxDamage = 999999;

// A chara that records its final update and may carry an item to drop.
class TestChara : public cCharaBase {
 public:
  cItem m_Drop;
  int m_nFinalUpdates = 0;
  cItem* GetDropItem() override { return &m_Drop; }
  int Update(int dying) override {
    if (dying) ++m_nFinalUpdates;
    return 0;
  }
};

class CharaDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedScore_ = g_Progress.m_nScoreGained;
    Player.clear();
    Player.resize(1);
    cCharaData hero;
    hero.m_byControl = kCharaControlPlayer;
    Player[0].Reset(&hero, 0, 0, 0, 0);  // 10 of 10 life: items act on it
  }
  void TearDown() override {
    for (cCharaBase* c : {static_cast<cCharaBase*>(&victim_), static_cast<cCharaBase*>(&attacker_),
                          static_cast<cCharaBase*>(&parent_)})
      c->ClearLinks();
    Player.clear();
    g_Progress.m_nScoreGained = savedScore_;
    g_SystemData = savedSystem_;
  }
  // A chara with life `life` of `maxLife`, defence `defence`.
  static void Prepare(cCharaBase& c, int life, int maxLife, int defence, int team = 1) {
    cCharaData d;
    d.m_nMaxHp = maxLife;
    d.m_nDefence = defence;
    c.Reset(&d, 0, 0, 0, 0);
    c.m_nLife = life;
    c.m_nTeam = team;
    // Cooldowns tell attackers apart by their object ids.
    static int nextId = 100;
    c.m_nId = ++nextId;
  }
  // A flow started by `trigger` that binds its partner into link slot 0;
  // with `group`, only that group's starts reach it.
  static void AddFlow(cCharaBase& c, int trigger, int group = 0) {
    cFlow f;
    f.m_byTrigger = static_cast<BYTE>(trigger);
    f.m_byGroup = static_cast<BYTE>(group);
    f.m_bBindPartner = 1;
    f.m_byPartnerSlot = 0;
    cFlowCmd wait;
    wait.m_byKind = 1;
    wait.m_sTime = 1;
    f.m_vecCmd.push_back(wait);
    c.m_Data.m_vecFlow.push_back(f);
    c.InsertFlows(c.m_Data.m_vecFlow, 0, -1);
  }
  // Whether the flow of `trigger` runs, and with which partner.
  static bool Runs(cCharaBase& c, int trigger) {
    for (int i = 0; i < c.m_vecFlowState.Size(); ++i) {
      const cFlowState& s = c.m_vecFlowState[static_cast<size_t>(i)];
      if (s.m_pFlow && s.m_pFlow->m_byTrigger == trigger) return s.m_bRunning != 0;
    }
    return false;
  }
  static cCharaBase* Partner(const cCharaBase& c) { return c.m_vecLink.empty() ? nullptr : c.m_vecLink[0]; }

  t4test::StageFixture stage_{40, 20, 2, 1.0};
  TestChara victim_;
  TestChara attacker_;
  TestChara parent_;
  cSystemData savedSystem_;
  int savedScore_ = 0;
};

TEST_F(CharaDamageTest, ContactAndShotAttacksAgainstDefenceAndLife) {
  struct Case {
    int attack, defence, life, maxLife;
  };
  const Case cases[] = {
      {10, 15, 20, 20},             // defence above attack: nothing
      {10, 10, 20, 20},             // equal: nothing
      {0, 0, 20, 20},               // harmless
      {12, 5, 20, 20},              // 7
      {-5, 0, 10, 20},              // heals 5
      {-5, 0, 18, 20},              // heals up to the maximum only
      {-5, 100, 10, 20},            // the defence never weakens a heal
      {INT_MIN, 0, 10, 20},         // a heal, not a wrap round to death
      {2000000, 0, 1500000, 2000000},  // at most 999999
      {INT_MAX, INT_MIN, 1500000, 2000000},  // no overflow on the way
      {8, 0, 8, 20},                // exactly the life left
      {30, 0, 8, 20},               // more than the life left
  };
  for (int kind = 0; kind < 2; ++kind) {
    for (const Case& c : cases) {
      Prepare(victim_, c.life, c.maxLife, c.defence);
      const long long damage =
          c.attack > 0 ? std::clamp<long long>(static_cast<long long>(c.attack) - c.defence, 0, kMaxDamage) : c.attack;
      const long long want = std::clamp<long long>(c.life - damage, 0, c.maxLife);
      int died;
      if (kind == 0) {
        Prepare(attacker_, 10, 10, 0);
        attacker_.m_Data.m_nBodyPower = c.attack;
        died = victim_.TakeCharaDamage(attacker_);
      } else {
        cShot shot;
        shot.m_Settings.m_nAttack = c.attack;
        died = victim_.TakeShotDamage(shot);
      }
      const std::string what = (kind == 0 ? "contact " : "shot ") + std::to_string(c.attack) + " vs " +
                               std::to_string(c.defence) + " at " + std::to_string(c.life);
      EXPECT_EQ(victim_.m_nLife, want) << what;
      EXPECT_EQ(died, want == 0 ? 1 : 0) << what;
    }
  }
}

TEST_F(CharaDamageTest, CooldownsHoldPerAttackerAndInvincibilityAgainstAll) {
  const int n = StageSubSteps();
  ASSERT_EQ(n, 2);
  g_Stage.m_nCharaHitCooldown = 30;
  g_Stage.m_nCharaInvincible = 0;
  g_Stage.m_nHeroHitCooldown = 7;
  g_Stage.m_nHeroInvincible = 3;
  Prepare(victim_, 10, 10, 0, 1);
  Prepare(attacker_, 10, 10, 0, 0);

  // Computer side: 30 frames against this attacker only.
  victim_.StartInvincibilityAgainst(&attacker_);
  EXPECT_FALSE(victim_.IsInvincible());
  EXPECT_FALSE(victim_.IsImmuneTo(&parent_));
  int steps = 0;
  while (victim_.IsImmuneTo(&attacker_) && steps < 1000) {
    victim_.UpdateInvincibility();
    ++steps;
  }
  EXPECT_EQ(steps, 30 * n);
  EXPECT_TRUE(victim_.m_lstCooldown.empty());

  // Player side: its own frames, invincible against everyone meanwhile.
  attacker_.StartInvincibilityAgainst(&victim_);
  EXPECT_TRUE(attacker_.IsImmuneTo(&parent_));
  int invincible = 0, immune = 0;
  for (int i = 0; i < 100; ++i) {
    invincible += attacker_.IsImmuneTo(&parent_) ? 1 : 0;
    immune += attacker_.IsImmuneTo(&victim_) ? 1 : 0;
    attacker_.UpdateInvincibility();
  }
  EXPECT_EQ(invincible, 3 * n);
  EXPECT_EQ(immune, 7 * n);
  EXPECT_EQ(attacker_.m_nInvincible, 0);

  // A second hit restarts the timer rather than adding to it; the same
  // attacker may stand twice in the list, each entry counting on its own.
  attacker_.StartInvincibility();
  attacker_.UpdateInvincibility();
  attacker_.StartInvincibility();
  EXPECT_EQ(attacker_.m_nInvincible, 3 * n);
  victim_.StartInvincibilityAgainst(&attacker_);
  for (int i = 0; i < 10; ++i) victim_.UpdateInvincibility();
  victim_.StartInvincibilityAgainst(&attacker_);
  EXPECT_EQ(victim_.m_lstCooldown.size(), 2u);
  for (int i = 0; i < 30 * n - 10; ++i) victim_.UpdateInvincibility();
  EXPECT_EQ(victim_.m_lstCooldown.size(), 1u);
  EXPECT_TRUE(victim_.IsImmuneTo(&attacker_));
}

TEST_F(CharaDamageTest, HitTriggersGoToTheVictimAndDealtOnesOnlyToACreditedParent) {
  Prepare(victim_, 100, 100, 0);
  Prepare(attacker_, 10, 10, 0);
  Prepare(parent_, 10, 10, 0);
  for (int t : {1, 2}) AddFlow(victim_, t);
  for (int t : {18, 19}) AddFlow(attacker_, t);
  AddFlow(parent_, 18, 3);
  AddFlow(parent_, 19, 3);
  attacker_.SetParentLink(&parent_);
  attacker_.m_Data.m_nBodyPower = 5;

  // No credit: the victim's trigger with the attacker as partner, and no
  // dealt trigger for anyone; no impact, no 2.
  victim_.RunHitFlowsByChara(attacker_);
  EXPECT_TRUE(Runs(victim_, 1));
  EXPECT_EQ(Partner(victim_), &attacker_);
  EXPECT_FALSE(Runs(victim_, 2));
  EXPECT_FALSE(Runs(attacker_, 18));
  EXPECT_FALSE(Runs(attacker_, 19));
  EXPECT_FALSE(Runs(parent_, 18));

  // Credited with value 3: the parent's group-3 flows, with the victim.
  for (cCharaBase* c : {static_cast<cCharaBase*>(&victim_), static_cast<cCharaBase*>(&attacker_)}) {
    for (int i = 0; i < c->m_vecFlowState.Size(); ++i) c->m_vecFlowState[static_cast<size_t>(i)].Stop(c);
    c->ResetFlowTriggerFlags();
  }
  attacker_.m_bCreditParent = 1;
  attacker_.m_byCreditValue = 3;
  attacker_.m_Data.m_nBodyPower = 0;
  attacker_.m_Data.m_byBodyImpact = 4;
  victim_.RunHitFlowsByChara(attacker_);
  EXPECT_FALSE(Runs(victim_, 1));
  EXPECT_TRUE(Runs(victim_, 2));
  EXPECT_EQ(Partner(victim_), &parent_);
  EXPECT_TRUE(Runs(parent_, 19));
  EXPECT_FALSE(Runs(parent_, 18));
  EXPECT_EQ(Partner(parent_), &victim_);
  EXPECT_FALSE(Runs(attacker_, 19));
}

TEST_F(CharaDamageTest, ShotTriggersReachTheShooterOnlyWhileItIsThere) {
  Prepare(victim_, 100, 100, 0);
  Prepare(attacker_, 10, 10, 0);
  AddFlow(victim_, 1);
  AddFlow(attacker_, 18, 2);
  cShot shot;
  shot.m_Settings.m_nAttack = 1;

  // Gone shooter: the victim's flow starts with nobody to bind.
  victim_.RunHitFlowsByShot(shot);
  EXPECT_TRUE(Runs(victim_, 1));
  EXPECT_EQ(Partner(victim_), nullptr);

  // A shooter whose shot passes no credit hears nothing.
  victim_.m_vecFlowState[0].Stop(&victim_);
  victim_.ResetFlowTriggerFlags();
  shot.m_pShooter = &attacker_;
  victim_.RunHitFlowsByShot(shot);
  EXPECT_TRUE(Runs(victim_, 1));
  EXPECT_EQ(Partner(victim_), &attacker_);
  EXPECT_FALSE(Runs(attacker_, 18));

  // A shooter whose shot passes credit value 2.
  shot.m_bCreditShooter = 1;
  shot.m_byCreditValue = 2;
  victim_.RunHitFlowsByShot(shot);
  EXPECT_TRUE(Runs(attacker_, 18));
  EXPECT_EQ(Partner(attacker_), &victim_);
  shot.m_pShooter = nullptr;
}

TEST_F(CharaDamageTest, DeathAddsTheScoreWithinItsBoundsAndUnlinks) {
  struct Case {
    int before, score;
  };
  const Case cases[] = {{999989, 50}, {100, -500}, {10, 5}, {999999, INT_MAX}, {0, INT_MIN}, {5, 0}};
  for (const Case& c : cases) {
    Prepare(victim_, 0, 10, 0);
    Prepare(attacker_, 10, 10, 0);
    victim_.m_Data.m_nScore = c.score;
    victim_.m_nFinalUpdates = 0;
    attacker_.SetTargetLink(2, &victim_);
    g_Progress.m_nScoreGained = c.before;
    EXPECT_EQ(victim_.Die(), 0);
    const long long want = std::clamp<long long>(static_cast<long long>(c.before) + c.score, 0, 999999);
    EXPECT_EQ(g_Progress.m_nScoreGained, want) << c.before << " + " << c.score;
    EXPECT_EQ(victim_.m_bDead, 1);
    EXPECT_EQ(victim_.m_nFinalUpdates, 1);
    EXPECT_EQ(attacker_.m_vecLink[2], nullptr);
    EXPECT_TRUE(victim_.m_vecBackRef.empty());
  }
}

TEST_F(CharaDamageTest, ADeathThatEndsTheStageLeavesTheCharaAlive) {
  Prepare(victim_, 0, 10, 0);
  Prepare(attacker_, 10, 10, 0);
  victim_.m_Data.m_nScore = 40;
  g_Progress.m_nScoreGained = 0;
  attacker_.SetTargetLink(0, &victim_);

  // A drop item whose commands clear the stage.
  cFlowCmd clear;
  clear.m_byCategory = 1;
  clear.m_byKind = 2;
  victim_.m_Drop.m_nId = 9;
  victim_.m_Drop.m_bActive = 1;
  victim_.m_Drop.m_bPresent = 1;
  victim_.m_Drop.m_Data.m_vecCmd = {clear};
  EXPECT_EQ(victim_.Die(), 1);
  EXPECT_EQ(victim_.m_bDead, 0);
  EXPECT_EQ(attacker_.m_vecLink[0], &victim_);
  EXPECT_EQ(g_Progress.m_nScoreGained, 40);

  // A stage-clear request already pending does the same.
  victim_.m_Drop.m_bPresent = 0;
  stage_.Scene().m_nStageClearRequest = 1;
  EXPECT_EQ(victim_.Die(), 1);
  EXPECT_EQ(victim_.m_bDead, 0);
  stage_.Scene().m_nStageClearRequest = 0;

  // An item that is not there is not applied.
  EXPECT_EQ(victim_.Die(), 0);
  EXPECT_EQ(victim_.m_bDead, 1);
  EXPECT_EQ(attacker_.m_vecLink[0], nullptr);
}

TEST_F(CharaDamageTest, ShotsForgetACharaThatGoes) {
  cShot shot;
  cShot aimed;
  {
    auto shooter = std::make_unique<cCharaBase>();
    shooter->Reset(nullptr, 0, 0, 0, 0);
    Prepare(victim_, 10, 10, 0);
    shot.m_pShooter = shooter.get();
    shot.m_pTarget = &victim_;
    shooter->m_vecShotLink.push_back(SHOTLINK{&shot, 4});
    victim_.m_vecShotLink.push_back(SHOTLINK{&shot, 0});
    aimed.m_pTarget = shooter.get();
    shooter->m_vecShotLink.push_back(SHOTLINK{&aimed, 0});

    shooter->ClearShotLinks();
    EXPECT_TRUE(shooter->m_vecShotLink.empty());
    EXPECT_EQ(shot.m_pShooter, nullptr);
    EXPECT_EQ(aimed.m_pTarget, nullptr);
    EXPECT_EQ(shot.m_pTarget, &victim_);  // another chara's link stays
  }
  // The shots outlive their shooter and, going, touch nothing of it.
  victim_.ClearShotLinks();
  EXPECT_EQ(shot.m_pTarget, nullptr);
}

}  // namespace
