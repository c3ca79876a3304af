// The three stages of the demo game. Stage 1 walks past items and walking
// enemies, stage 2 adds flying enemies and a moving platform, stage 3 ends
// with a boss whose death clears it. The hero walks, jumps and shoots by its
// key flows; a sign at each start tells the keys.
#include <string>

#include "demo_game.h"
#include "records/item_data.h"
#include "records/stage_data.h"
#include "support/flow_writer.h"
#include "support/stage_writer.h"

namespace demo {

namespace {

using namespace t4test;

constexpr int kWidth = 32, kHeight = 15, kFloor = kHeight - 1;
constexpr int kStageBgm = 2;
constexpr int kItemSound = 1, kShotSound = 2;
constexpr int kShakeEffect = 1;
constexpr int kEnemyFaction = 1, kHeroFaction = 0;

// Item command kinds (the item table's own numbering).
constexpr int kItemStageClear = 2, kItemPlaySound = 20;

cStageData BaseStage(const char* name, int floorGraphic) {
  cStageData stage = MakeTestStage(kWidth, kHeight, name);
  stage.m_nBgm = kStageBgm;
  stage.m_bBgmLoop = 1;
  for (int x = 0; x < kWidth; ++x) PlaceBlock(stage, x, kFloor, floorGraphic);
  // Walls at both ends keep the hero on the stage.
  for (int y = kFloor - 4; y < kFloor; ++y) {
    PlaceBlock(stage, 0, y, floorGraphic + 1);
    PlaceBlock(stage, kWidth - 1, y, floorGraphic + 1);
  }
  cBackgroundData& bg = stage.m_vecBackground.emplace_back();
  bg.m_strPicture = kStageBackground;
  bg.m_dFactorX = 0.25;
  bg.m_dFactorY = 0.0;
  return stage;
}

// The hero: walks with the arrows, jumps with button 1 while it is held,
// shoots ahead with button 2 a few times a second.
void PlaceDemoHero(cStageData& stage) {
  cCharaData& hero = PlaceHero(stage, 2, kFloor - 1);
  hero.m_byFaction = kHeroFaction;
  hero.m_byFacing = 1;
  hero.m_nMaxHp = 10;
  AddStraightMove(AddFlow(hero, 0, {KeyHeld({kKeyRight})}), kMoveDirRight, 30, 1);
  AddStraightMove(AddFlow(hero, 0, {KeyHeld({kKeyLeft})}), kMoveDirLeft, 30, 1);
  AddJump(AddFlow(hero, 0, {KeyHeld({kKeyButton1})}), 8, 2).m_sAnime = kJumpAnime;
  cFlow& fire = AddFlow(hero, 0, {KeyHeld({kKeyButton2})});
  cFlowCmd& shot = AddShotAhead(fire, 1, 60, 40, 1);
  shot.m_sSound = kShotSound;
  shot.m_sAnime = kShotAnime;
  fire.m_vecCmd.back().m_bSoundOnScreen = 0;
  AddWaitTenths(fire, 2);
}

// A chara nobody sees that shows `text` over the hero at the start.
void PlaceSign(cStageData& stage, int x, const std::string& text) {
  cCharaData& sign = PlaceChara(stage, x, kFloor - 1, 1);
  sign.m_bTransparent = 1;
  sign.m_byFlight = kFlightThrough;
  sign.m_byFaction = kHeroFaction;
  cFlow& say = AddFlow(sign, 0);
  AddTimedMessage(say, text, 4, 30);
  AddWaitTenths(say, 9999);
}

cCharaData& PlaceEnemy(cStageData& stage, int x, int y, int graphic, int life) {
  cCharaData& c = PlaceChara(stage, x, y, graphic);
  c.m_byFaction = kEnemyFaction;
  c.m_nMaxHp = life;
  c.m_nBodyPower = 1;
  c.m_nScore = 100;
  return c;
}

void PlaceWalker(cStageData& stage, int x) {
  cCharaData& c = PlaceEnemy(stage, x, kFloor - 1, 2, 1);
  AddGroundTurnMove(AddFlow(c, 0), 8, 10);
}

// Flies up and down through the blocks.
void PlaceFlyer(cStageData& stage, int x, int y) {
  cCharaData& c = PlaceEnemy(stage, x, y, 3, 1);
  c.m_byFlight = kFlightThrough;
  cFlow& fly = AddFlow(c, 0);
  AddStraightMove(fly, kMoveDirUp, 10, 10);
  AddStraightMove(fly, kMoveDirDown, 10, 10);
}

// A block chara sliding left and right: the hero can ride it.
void PlacePlatform(cStageData& stage, int x, int y) {
  cCharaData& c = PlaceChara(stage, x, y, 4);
  c.m_bBlockChara = 1;
  c.m_byFlight = kFlightThrough;
  c.m_byFaction = kHeroFaction;
  c.m_byInvincible = 1;
  cFlow& slide = AddFlow(c, 0);
  AddStraightMove(slide, kMoveDirRight, 10, 20);
  AddStraightMove(slide, kMoveDirLeft, 10, 20);
}

cFlowCmd& AddItemCommand(cItemData& item, int kind) {
  cFlowCmd& c = item.m_vecCmd.emplace_back();
  c.m_byCategory = 1;
  c.m_byKind = static_cast<BYTE>(kind);
  return c;
}

void PlaceCoin(cStageData& stage, int x, int y) {
  cItemData& item = PlaceItem(stage, x, y, 1);
  AddItemCommand(item, kItemPlaySound).m_vecParam.assign(1, kItemSound);
}

// Taking the goal clears the stage back to the world map.
void PlaceGoal(cStageData& stage, int x) {
  cItemData& goal = PlaceItem(stage, x, kFloor - 1, 2);
  cFlowCmd& clear = AddItemCommand(goal, kItemStageClear);
  clear.m_vecParam.assign(9, 0);
  clear.m_vecParam[0] = 3;
}

cStageData Stage1() {
  cStageData stage = BaseStage("Stage1", 1);
  PlaceDemoHero(stage);
  PlaceSign(stage, 3, "→で進む　Ｚでジャンプ　Ｘでショット");
  for (int x = 6; x <= 12; x += 2) PlaceCoin(stage, x, kFloor - 1);
  for (int x = 13; x <= 17; ++x) PlaceBlock(stage, x, kFloor - 3, 3);
  for (int x = 13; x <= 17; x += 2) PlaceCoin(stage, x, kFloor - 4);
  PlaceWalker(stage, 19);
  PlaceWalker(stage, 25);
  PlaceGoal(stage, kWidth - 3);
  return stage;
}

cStageData Stage2() {
  cStageData stage = BaseStage("Stage2", 5);
  PlaceDemoHero(stage);
  PlaceSign(stage, 3, "空の敵と動く床に注意！");
  PlacePlatform(stage, 8, kFloor - 3);
  PlaceFlyer(stage, 15, kFloor - 5);
  PlaceFlyer(stage, 21, kFloor - 4);
  PlaceWalker(stage, 26);
  for (int x = 16; x <= 20; x += 2) PlaceCoin(stage, x, kFloor - 1);
  PlaceGoal(stage, kWidth - 3);
  return stage;
}

cStageData Stage3() {
  cStageData stage = BaseStage("Stage3", 9);
  PlaceDemoHero(stage);
  PlaceSign(stage, 3, "ボスをたおせ！");
  cCharaData& boss = PlaceEnemy(stage, 22, kFloor - 1, 5, 4);
  boss.m_nBodyPower = 2;
  boss.m_nScore = 1000;
  boss.m_byActivityRange = kActivityEverywhere;
  cFlow& act = AddFlow(boss, 0);
  AddGroundTurnMove(act, 10, 15);
  AddShotAhead(act, 2, 30, 16, 1);
  AddWaitTenths(act, 8);
  // Every hit shakes the screen; the death clears the stage.
  AddScreenEffect(AddFlow(boss, 1), kShakeEffect);
  cFlowCmd& clear = AddStageClear(AddFlow(boss, 3), 3);
  clear.m_vecParam.resize(9, 0);
  return stage;
}

bool WriteBoth(int n, cStageData stage) {
  const std::string num = std::to_string(n);
  cStageData copy = stage;
  return WriteStage("data\\stg4\\Stage" + num + ".stg4_778", stage) &&
         WriteStage("data\\stg4\\c0" + num + "-1.stg4_778", copy);
}

}  // namespace

bool WriteDemoStages() { return WriteBoth(1, Stage1()) && WriteBoth(2, Stage2()) && WriteBoth(3, Stage3()); }

}  // namespace demo
