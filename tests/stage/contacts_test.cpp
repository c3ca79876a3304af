// The contact pass of a sub-step: contacts between factions, shots against
// charas with their fates, cancelling shots, the death check, and the hero
// taking items.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "flow/flow_records.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "objects/stage_fixture.h"
#include "platform/messages.h"
#include "records/item_data.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/template_links.h"

namespace {

constexpr uint32_t kPlaySoundMessage = 1029;
constexpr int kSoundHit = 7, kSoundCharaDeath = 9;
// Sound database entries play as slots 16 and up.
constexpr int kDbSoundBase = 16;

std::vector<int>* g_sounds = nullptr;
LRESULT RecordSound(HWND, uint32_t msg, WPARAM w, LPARAM) {
  if (g_sounds && msg == kPlaySoundMessage) g_sounds->push_back(static_cast<int>(w));
  return 0;
}

class ContactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSystem_ = g_SystemData;
    savedScore_ = g_Progress.m_nScoreGained;
    g_Progress.m_nScoreGained = 0;
    g_SystemData.m_bCompat763a = 0;
    g_SystemData.m_bCompat763b = 0;
    g_SystemData.m_bKeepDeadChara = 0;
    g_Stage.m_bOnScreenOnly = 1;
    g_Stage.m_nShotTestSteps = 0;
    g_Stage.m_nHeroHitCooldown = 30;
    g_Stage.m_nCharaHitCooldown = 30;
    g_Stage.m_nHeroInvincible = 0;
    g_Stage.m_nCharaInvincible = 0;
    Scene().m_nSubStepIndex = 1;
    g_lstChara.clear();
    g_lstItem.clear();
    Player.clear();
    Player.resize(1);
    cHero& h = Player[0];
    cCharaData d;
    d.m_byControl = kCharaControlPlayer;
    d.m_nMaxHp = 10;
    h.Reset(&d, 0, 0, 0, 0);
    Place(h, 0, 0, 100, 100);
    SetBox(h.m_HitItem, 100, 100);
    Scene().m_vecTeamChara[0].push_back(&h);
    g_sounds = &sounds_;
    plat::RegisterMainThread();
    plat::SetWindowProc(nullptr, RecordSound);
  }
  void TearDown() override {
    plat::ResetRuntimeForTest();
    g_sounds = nullptr;
    for (auto& l : Scene().m_vecTeamShot) l.clear();
    for (auto& l : Scene().m_vecTeamChara) l.clear();
    Scene().m_lstShot.clear();
    g_lstItem.clear();
    g_lstChara.clear();
    Player.clear();
    g_Progress.m_nScoreGained = savedScore_;
    g_SystemData = savedSystem_;
  }

  cGameScene& Scene() { return stage_.Scene(); }
  cHero& Hero() { return Player[0]; }
  static void SetBox(HITRECT& r, double x, double y, double size = 32) {
    r.dLeft = x;
    r.dTop = y;
    r.dRight = x + size - 1;
    r.dBottom = y + size - 1;
  }
  static void Place(cCharaBase& c, int op, int faction, double x, double y) {
    c.m_nTeam = op;
    c.m_nBlockSide = faction;
    c.m_bActive = 1;
    SetBox(c.m_HitChara, x, y);
    SetBox(c.m_HitShot, x, y);
  }
  // A computer-operated chara of `faction` at (x, y), 32 x 32.
  cChara& Chara(int faction, int life, int power, double x = 100, double y = 100) {
    cChara& c = g_lstChara.emplace_back();
    cCharaData d;
    d.m_nMaxHp = life;
    d.m_nBodyPower = power;
    c.Reset(&d, 0, 0, 0, 0);
    // Object ids tell attackers apart, as the stage numbers its charas.
    c.m_nId = static_cast<int>(g_lstChara.size());
    Place(c, 1, faction, x, y);
    c.m_bOnScreen = 1;
    Scene().m_vecTeamChara[static_cast<size_t>(faction)].push_back(&c);
    return c;
  }
  // A 16 x 16 shot of `faction` at (x, y); the hero stands at (100, 100).
  cShot& Shot(int faction, int attack, double x = 100, double y = 100) {
    cShot& s = Scene().m_lstShot.emplace_back();
    s.m_nBlockSide = faction;
    s.m_bActive = s.m_bOnScreen = 1;
    s.m_Settings.m_nAttack = attack;
    s.m_rcHit = SHOTHITBOX{x, y, x + 15, y + 15};
    s.m_dX = x;
    s.m_dY = y;
    s.m_dRight = x + 15;
    s.m_dBottom = y + 15;
    Scene().m_vecTeamShot[static_cast<size_t>(faction)].push_back(&s);
    return s;
  }
  int ShotsLeft() {
    int n = 0;
    for (auto& l : Scene().m_vecTeamShot) n += static_cast<int>(l.size());
    EXPECT_EQ(n, static_cast<int>(Scene().m_lstShot.size()));
    return n;
  }
  int Count(int sound) const { return static_cast<int>(std::count(sounds_.begin(), sounds_.end(), sound)); }
  static void AddFlow(cCharaBase& c, int trigger) {
    cFlow f;
    f.m_byTrigger = static_cast<BYTE>(trigger);
    cFlowCmd wait;
    wait.m_byKind = 1;
    wait.m_sTime = 1;
    f.m_vecCmd.push_back(wait);
    c.m_Data.m_vecFlow.push_back(f);
    c.InsertFlows(c.m_Data.m_vecFlow, 0, -1);
  }
  static bool Runs(cCharaBase& c, int trigger) {
    for (int i = 0; i < c.m_vecFlowState.Size(); ++i) {
      const cFlowState& s = c.m_vecFlowState[static_cast<size_t>(i)];
      if (s.m_pFlow && s.m_pFlow->m_byTrigger == trigger) return s.m_bRunning != 0;
    }
    return false;
  }

  t4test::StageFixture stage_{40, 20, 2, 1.0};
  std::vector<int> sounds_;
  cSystemData savedSystem_;
  int savedScore_ = 0;
};

TEST_F(ContactsTest, AStrongHeroKillsAWeakCharaAndScoresIt) {
  Hero().m_Data.m_nBodyPower = 10;
  cChara& weak = Chara(1, 5, 0);
  weak.m_Data.m_nScore = 120;
  cChara& friendly = Chara(0, 10, 50);  // the hero's own faction: harmless to it
  cChara& far = Chara(2, 5, 0, 300, 300);

  EXPECT_EQ(Scene().StepCharas(), 0);
  EXPECT_EQ(weak.m_bDead, 1);
  EXPECT_EQ(weak.m_nLife, 0);
  EXPECT_EQ(g_Progress.m_nScoreGained, 120);
  EXPECT_EQ(Count(kSoundHit), 1);
  EXPECT_EQ(Count(kSoundCharaDeath), 1);
  EXPECT_EQ(Hero().m_nLife, 10);
  EXPECT_TRUE(Hero().m_lstCooldown.empty());  // the hero was not hit
  EXPECT_EQ(friendly.m_nLife, 10);
  EXPECT_EQ(far.m_nLife, 5);
  EXPECT_EQ(Scene().m_bContactRunning, 0);

  // The dead chara takes no further part.
  sounds_.clear();
  EXPECT_EQ(Scene().StepCharas(), 0);
  EXPECT_TRUE(sounds_.empty());
  EXPECT_EQ(g_Progress.m_nScoreGained, 120);
}

TEST_F(ContactsTest, DefenceSoftensAndEachAttackerWaitsForItsOwnCooldown) {
  const int n = StageSubSteps();
  cHero& h = Hero();
  h.m_Data.m_nDefence = 4;
  AddFlow(h, 4);
  cChara& weak = Chara(1, 10, 3);    // below the defence: no damage, still a hit
  cChara& strong = Chara(1, 10, 6);  // 2 a hit

  EXPECT_EQ(Scene().StepCharas(), 0);
  EXPECT_EQ(h.m_nLife, 8);
  EXPECT_TRUE(Runs(h, 4));
  EXPECT_TRUE(h.IsImmuneTo(&weak));
  EXPECT_TRUE(h.IsImmuneTo(&strong));
  EXPECT_EQ(Count(kSoundHit), 2);

  // Immune to both: no damage and no touch trigger.
  h.m_vecFlowState[0].Stop(&h);
  h.ResetFlowTriggerFlags();
  EXPECT_EQ(Scene().StepCharas(), 0);
  EXPECT_EQ(h.m_nLife, 8);
  EXPECT_FALSE(Runs(h, 4));

  // Another attacker is not held back by their cooldowns.
  for (int i = 0; i < 30 * n - 1; ++i) h.UpdateInvincibility();
  cChara& third = Chara(1, 10, 6);
  EXPECT_EQ(Scene().StepCharas(), 0);
  EXPECT_EQ(h.m_nLife, 6);
  EXPECT_TRUE(h.IsImmuneTo(&third));

  // The first two come back once their 30 frames of sub-steps are over.
  h.UpdateInvincibility();
  EXPECT_FALSE(h.IsImmuneTo(&strong));
  EXPECT_EQ(Scene().StepCharas(), 0);
  EXPECT_EQ(h.m_nLife, 4);
}

TEST_F(ContactsTest, ShotFatesAfterAHit) {
  struct Case {
    const char* what;
    int free, pierce, pierce2, blockCharas, staysFlying;
  };
  const Case cases[] = {
      {"plain shot", 1, 0, 0, 0, 0},
      {"piercing shot", 1, 1, 0, 0, 1},
      {"sword", 0, 0, 0, 0, 1},
      {"piercing shot, block charas", 1, 1, 0, 1, 0},
      {"block-piercing shot, block charas", 1, 0, 1, 1, 1},
      {"block-piercing shot", 1, 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    cChara& a = Chara(1, 10, 0);
    cChara& b = Chara(1, 10, 0);
    a.m_Data.m_bBlockChara = b.m_Data.m_bBlockChara = static_cast<BYTE>(c.blockCharas);
    cShot& s = Shot(0, 1);
    s.m_bFree = c.free;
    s.m_Settings.m_bPierce = static_cast<BYTE>(c.pierce);
    s.m_Settings.m_bPierce2 = static_cast<BYTE>(c.pierce2);
    for (int pass = 0; pass < 3; ++pass) ASSERT_EQ(Scene().StepCharas(), 0) << c.what;
    // Both charas of the list are hit in the first pass, each only once.
    EXPECT_EQ(a.m_nLife, 9) << c.what;
    EXPECT_EQ(b.m_nLife, 9) << c.what;
    EXPECT_EQ(ShotsLeft(), c.staysFlying) << c.what;
    for (auto& l : Scene().m_vecTeamShot) l.clear();
    Scene().m_lstShot.clear();
    for (auto& l : Scene().m_vecTeamChara) l.remove_if([](cCharaBase* p) { return p != &Player[0]; });
    g_lstChara.clear();
  }
}

TEST_F(ContactsTest, DealtDamageImpactAndLandedTriggersGoOnlyThroughCredit) {
  // A victim hit with both damage and impact, by a shot of a shooter or by
  // the touch of a chara with a parent; the dealer is the shooter or the
  // parent. The dealt triggers (18, 19) start like the landed one (20):
  // on the dealer, and only when the shot or the chara passes credit.
  struct Case {
    const char* what;
    bool shot, credit;
  };
  const Case cases[] = {
      {"a shot without credit", true, false},
      {"a shot with credit", true, true},
      {"a chara not acting for its parent", false, false},
      {"a chara acting for its parent", false, true},
  };
  for (const Case& c : cases) {
    cChara& victim = Chara(1, 100, 0, 300, 300);
    for (int t : {1, 2}) AddFlow(victim, t);
    cChara& dealer = Chara(3, 10, 0, 600, 600);
    for (int t : {18, 19, 20}) AddFlow(dealer, t);
    cChara* attacker = nullptr;
    if (c.shot) {
      cShot& s = Shot(3, 5, 300, 300);
      s.m_Settings.m_byImpact = 4;
      s.m_pShooter = &dealer;
      s.m_bCreditShooter = c.credit ? 1 : 0;
    } else {
      attacker = &Chara(2, 10, 5, 300, 300);
      attacker->m_Data.m_byBodyImpact = 4;
      for (int t : {18, 19, 20}) AddFlow(*attacker, t);
      attacker->SetParentLink(&dealer);
      attacker->m_bCreditParent = c.credit ? 1 : 0;
    }
    ASSERT_EQ(Scene().StepCharas(), 0) << c.what;
    EXPECT_EQ(victim.m_nLife, 95) << c.what;
    EXPECT_TRUE(Runs(victim, 1)) << c.what;
    EXPECT_TRUE(Runs(victim, 2)) << c.what;
    for (int t : {18, 19, 20}) {
      EXPECT_EQ(Runs(dealer, t), c.credit) << c.what << ", trigger " << t;
      if (attacker) { EXPECT_FALSE(Runs(*attacker, t)) << c.what << ", trigger " << t; }
    }
    if (attacker) attacker->ClearLinks();
    for (auto& l : Scene().m_vecTeamShot) l.clear();
    Scene().m_lstShot.clear();
    for (auto& l : Scene().m_vecTeamChara) l.remove_if([](cCharaBase* p) { return p != &Player[0]; });
    g_lstChara.clear();
  }
}

TEST_F(ContactsTest, ShotsWithoutAttackFollowTheProjectsRule) {
  struct Case {
    int attack, rule, sounds, invincible;
  };
  const Case cases[] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {3, 0, 1, 1}, {3, 1, 1, 1}};
  g_Stage.m_nCharaInvincible = 5;
  for (const Case& c : cases) {
    g_SystemData.m_bCompat763b = c.rule;
    cChara& v = Chara(1, 10, 0);
    AddFlow(v, 7);
    cShot& s = Shot(0, c.attack);
    s.m_bFree = 0;  // a sword: it stays for the next case's checks
    sounds_.clear();
    ASSERT_EQ(Scene().StepCharas(), 0);
    const std::string what = "attack " + std::to_string(c.attack) + ", rule " + std::to_string(c.rule);
    EXPECT_TRUE(Runs(v, 7)) << what;
    EXPECT_EQ(Count(kSoundHit), c.sounds) << what;
    EXPECT_EQ(v.IsInvincible(), c.invincible != 0) << what;
    EXPECT_EQ(v.m_nLife, 10 - c.attack) << what;
    for (auto& l : Scene().m_vecTeamShot) l.clear();
    Scene().m_lstShot.clear();
    Scene().m_vecTeamChara[1].clear();
    g_lstChara.clear();
  }
}

TEST_F(ContactsTest, CancellingShots) {
  struct Case {
    int pCancel, pPower, qCancel, qPower;
    double qx;
    int pGone, qGone;
  };
  const Case cases[] = {
      {1, 3, 1, 3, 100, 1, 1},   // equal: both
      {1, 3, 1, 5, 100, 1, 0},   // the weaker
      {1, 5, 1, 3, 100, 0, 1},
      {1, -2, 1, -1, 100, 1, 0},  // signed strengths
      {1, 3, 0, 0, 100, 1, 0},   // a cancelling shot against a plain one
      {0, 0, 1, 9, 100, 0, 1},
      {0, 0, 0, 0, 100, 0, 0},   // neither cancels
      {1, 3, 1, 3, 115, 1, 1},   // edges touching
      {1, 3, 1, 3, 116, 0, 0},   // apart
  };
  for (const Case& c : cases) {
    // Away from the hero, whom the shots of faction 3 would hit.
    cShot& p = Shot(0, 0, 100, 300);
    p.m_Settings.m_bCancelShots = static_cast<BYTE>(c.pCancel);
    p.m_Settings.m_byCancelPower = static_cast<int8_t>(c.pPower);
    cShot& q = Shot(3, 0, c.qx, 300);
    q.m_Settings.m_bCancelShots = static_cast<BYTE>(c.qCancel);
    q.m_Settings.m_byCancelPower = static_cast<int8_t>(c.qPower);
    ASSERT_EQ(Scene().StepCharas(), 0);
    const std::string what = std::to_string(c.pCancel) + "/" + std::to_string(c.pPower) + " vs " +
                             std::to_string(c.qCancel) + "/" + std::to_string(c.qPower) + " at " +
                             std::to_string(c.qx);
    EXPECT_EQ(Scene().m_vecTeamShot[0].size(), c.pGone ? 0u : 1u) << what;
    EXPECT_EQ(Scene().m_vecTeamShot[3].size(), c.qGone ? 0u : 1u) << what;
    ShotsLeft();
    for (auto& l : Scene().m_vecTeamShot) l.clear();
    Scene().m_lstShot.clear();
  }

  // A shot that has lost still meets the rest of the other list.
  cShot& p = Shot(0, 0, 100, 300);
  p.m_Settings.m_bCancelShots = 1;
  for (int power : {5, -1}) {
    cShot& q = Shot(3, 0, 100, 300);
    q.m_Settings.m_bCancelShots = 1;
    q.m_Settings.m_byCancelPower = static_cast<int8_t>(power);
  }
  ASSERT_EQ(Scene().StepCharas(), 0);
  ASSERT_EQ(ShotsLeft(), 1);
  ASSERT_EQ(Scene().m_vecTeamShot[3].size(), 1u);
  EXPECT_EQ(Scene().m_vecTeamShot[3].front()->m_Settings.m_byCancelPower, 5);
}

TEST_F(ContactsTest, ItemsOnceAnyNumberOfTimesAndNever) {
  AddFlow(Hero(), 8);
  auto item = [](int id, int kind, int sound) -> cItem& {
    cItem& i = g_lstItem.emplace_back();
    i.m_nId = id;
    i.m_bActive = 1;
    i.m_Data.m_byPickKind = static_cast<BYTE>(kind);
    i.m_Data.m_bPopup = 0;
    i.m_Data.m_sSound = static_cast<int16_t>(sound);
    i.m_dX = 110;
    i.m_dY = 110;
    i.m_dRight = 125;
    i.m_dBottom = 125;
    return i;
  };
  // Only an item that cannot be taken: not even the touch trigger.
  item(3, kItemPickNever, 3);
  cItem& carried = item(4, kItemPickOnce, 4);
  carried.m_bPresent = 1;  // a chara's drop item is not lying on the stage
  EXPECT_EQ(Scene().PickUpItems(Hero()), 0);
  EXPECT_FALSE(Runs(Hero(), 8));
  EXPECT_TRUE(sounds_.empty());

  item(1, kItemPickOnce, 1);
  item(2, kItemPickAlways, 2);
  EXPECT_EQ(Scene().PickUpItems(Hero()), 0);
  EXPECT_TRUE(Runs(Hero(), 8));
  EXPECT_EQ(sounds_, (std::vector<int>{kDbSoundBase + 1, kDbSoundBase + 2}));
  EXPECT_EQ(g_lstItem.size(), 3u);  // the one-time item is gone

  // Standing on: nothing more. Stepping off and on again: the second again.
  auto pass = [&](double heroX) {
    sounds_.clear();
    SetBox(Hero().m_HitItem, heroX, 100);
    EXPECT_EQ(Scene().PickUpItems(Hero()), 0);
    return sounds_;
  };
  EXPECT_TRUE(pass(100).empty());
  EXPECT_TRUE(pass(200).empty());
  EXPECT_EQ(pass(100), std::vector<int>{kDbSoundBase + 2});
  EXPECT_TRUE(pass(100).empty());
}

TEST_F(ContactsTest, ApplyingAnItemGivesItsCommandListsResult) {
  cFlowCmd clear;
  clear.m_byCategory = 1;
  clear.m_byKind = 2;
  struct Case {
    const char* what;
    int id, kind, active, clears, heroLife, want;
  };
  const Case cases[] = {
      {"number 0", 0, kItemPickOnce, 1, 1, 10, 0},
      {"cannot be taken", 5, kItemPickNever, 1, 1, 10, 0},
      {"not active", 5, kItemPickOnce, 0, 1, 10, 0},
      {"no commands", 5, kItemPickAlways, 1, 0, 10, 0},
      {"clears the stage", 5, kItemPickOnce, 1, 1, 10, 1},
      {"the hero has no life", 5, kItemPickOnce, 1, 0, 0, 2},
  };
  for (const Case& c : cases) {
    cItem item;
    item.m_nId = c.id;
    item.m_bActive = c.active;
    item.m_Data.m_byPickKind = static_cast<BYTE>(c.kind);
    item.m_Data.m_bPopup = 0;
    item.m_Data.m_sSound = 6;
    if (c.clears) item.m_Data.m_vecCmd = {clear};
    Hero().m_nLife = c.heroLife;
    sounds_.clear();
    EXPECT_EQ(cGameScene::ApplyItem(&item, &Hero()), c.want) << c.what;
    // Whatever is applied plays the item's sound.
    EXPECT_EQ(Count(kDbSoundBase + 6), c.id != 0 && c.kind != kItemPickNever && c.active ? 1 : 0) << c.what;
  }
  EXPECT_EQ(cGameScene::ApplyItem(nullptr, &Hero()), 0);
}

TEST_F(ContactsTest, ShotItemsGoToTheHeroAndTheirResultEndsThePass) {
  cCheckedVector<cItemData> items(2);
  cFlowCmd clear;
  clear.m_byCategory = 1;
  clear.m_byKind = 2;
  items[1].m_vecCmd = {clear};
  items[1].m_bPopup = 0;
  const cPaletteLists saved = GetPaletteLists(1);
  SetPaletteLists(1, cPaletteLists{nullptr, nullptr, &items});
  // An item and nothing else: the shot still hits.
  cChara& a = Chara(1, 10, 0);
  cChara& b = Chara(1, 10, 0);
  AddFlow(a, 7);
  AddFlow(b, 7);
  cShot& s = Shot(0, 0);
  s.m_Settings.m_byHitItemSource = 1;
  s.m_Settings.m_nHitItem = 1;
  EXPECT_EQ(Scene().StepCharas(), 1);
  EXPECT_TRUE(Runs(a, 7));
  EXPECT_FALSE(Runs(b, 7));
  EXPECT_EQ(Scene().m_bContactRunning, 0);
  // An item number that names no template gives nothing.
  s.m_Settings.m_nHitItem = 5;
  EXPECT_EQ(Scene().StepCharas(), 0);
  SetPaletteLists(1, saved);
}

TEST_F(ContactsTest, KillingAndTheDeathCheck) {
  // A player-operated chara is not killed: the hero dies for it.
  cChara& player = Chara(1, 0, 0);
  player.m_nTeam = kCharaControlPlayer;
  EXPECT_EQ(Scene().KillChara(&player), 2);
  EXPECT_EQ(player.m_bDead, 0);

  // A chara dies once; a dead one is not killed again.
  cChara& c = Chara(1, 0, 0);
  c.m_Data.m_nScore = 30;
  EXPECT_EQ(Scene().KillChara(&c), 0);
  EXPECT_EQ(c.m_bDead, 1);
  EXPECT_EQ(Scene().KillChara(&c), 0);
  EXPECT_EQ(g_Progress.m_nScoreGained, 30);

  // A death while the stage is being cleared ends it.
  cChara& last = Chara(1, 0, 0);
  Scene().m_nStageClearRequest = 1;
  EXPECT_EQ(Scene().KillChara(&last), 1);
  EXPECT_EQ(last.m_bDead, 0);
  Scene().m_nStageClearRequest = 0;

  // The death check: a chara left without life by a command dies there and,
  // with dead charas kept, stays for its death drawing; one that is to
  // vanish goes without dying.
  for (auto& l : Scene().m_vecTeamChara) l.remove_if([](cCharaBase* p) { return p != &Player[0]; });
  g_lstChara.clear();
  g_SystemData.m_bKeepDeadChara = 1;
  cChara& lifeless = Chara(1, 0, 0);
  lifeless.m_Data.m_nScore = 7;
  cChara& vanishing = Chara(1, 0, 0);
  vanishing.m_bVanish = 1;
  vanishing.m_Data.m_nScore = 100;
  sounds_.clear();
  EXPECT_EQ(Scene().CheckHeroDeath(), 0);
  EXPECT_EQ(lifeless.m_bDead, 1);
  EXPECT_EQ(g_Progress.m_nScoreGained, 37);  // nothing for the one that vanished
  EXPECT_EQ(Count(kSoundCharaDeath), 1);
}

}  // namespace
