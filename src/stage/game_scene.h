// The stage-play scene: the running stage's world state that the objects,
// their flows and the world rules share. The scene manager's stage-play slot
// still runs a stand-in; the objects and their tests work on a scene made
// for them and reached through g_pGameScene.
#pragma once
#include <vector>

#include "records/checked.h"
#include "stage/scene.h"
#include "stage/scroll_axis.h"

class cCharaBase;
class cFlowState;
class cCmdState;
class cCond;
struct DDSURFACEDATA;

class cGameScene : public cScene {
 public:
  cGameScene();
  ~cGameScene() override;

  // The view over the map, horizontal first.
  cScrollAxis m_ScrollX;
  cScrollAxis m_ScrollY;

  // What the flow runner and the trigger passes are working on; cleared
  // after each pass.
  cCharaBase* m_pCurChara = nullptr;
  cFlowState* m_pCurFlow = nullptr;
  cCmdState* m_pCurCmd = nullptr;

  // Requests the commands leave for the play state: the stage-clear
  // request (0 none, 1 stage clear, 2 the hero died) and whether an item's
  // command list has shown a message.
  int m_nStageClearRequest = 0;
  int m_bMessageShown = 0;

  // The stage variables ("S" in run code), cleared for every stage.
  cCheckedVector<int> m_vecStageVar;
  // Remaining time 0..999, and whether the stage runs without a limit
  // (the counter then shows 999 and never counts down).
  int m_nTimeLimit = 999;
  int m_bNoTimeLimit = 1;
  // Set while an object updates when a command changed another object's
  // life or removed it: the hero's death is checked after that update.
  int m_bHeroDeathCheck = 0;
  // Cycles 0..31, one step a frame: the colour of the distance overlays.
  int m_nOverlayCounter = 0;

  // --- scene_conditions.cpp ---
  // A flow may start as far as its conditions go: no conditions, a latch
  // that already held, or its list holding now (which sets the latch).
  bool CheckFlowCondList(cFlowState& state, cCharaBase* chara);
  // Mode 0: every condition holds (an empty list does); 1: one holds (an
  // empty list does not); other modes: false.
  bool CheckCondList(const std::vector<cCond>& conds, int mode, cCharaBase* chara);
  bool CheckCond(const cCond& cond, cCharaBase* chara);

  // Sets both axes up for a stage of `width` x `height` cells without
  // scroll limits, the view at the stage's top-left: the part of the stage
  // set-up that the objects' own rules need.
  void SetUpAxes(int width, int height);
};

// The running play scene; null while no stage is played.
extern cGameScene* g_pGameScene;

// Stage physics as the objects use it: N sub-steps per frame (at least 1),
// gravity and the speed limit per sub-step, and the gravity setting itself.
int StageSubSteps();
double StageStepGravity();
double StageStepSpeedLimit();
double StageGravitySetting();

// Draws the areas of the distance conditions of every living chara on
// screen (those of appearance lists and flows that have not latched), for
// authors trying their stage.
void DrawEditorOnlyOverlays(DDSURFACEDATA* target);

// Rebuilds the limited-sight masks around the hero after a player-side
// chara's sight changed.
void CreateSightMask(cGameScene* scene);
