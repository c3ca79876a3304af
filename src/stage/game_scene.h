// The stage-play scene: the running stage's world state that the objects,
// their flows and the world rules share. The scene manager's stage-play slot
// still runs a stand-in; the objects and their tests work on a scene made
// for them and reached through g_pGameScene.
#pragma once
#include <list>
#include <vector>

#include "objects/object_walk.h"
#include "records/checked.h"
#include "stage/scene.h"
#include "stage/scroll_axis.h"

class cCharaBase;
class cShot;
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
  // The physics sub-step being run, 1..N.
  int m_nSubStepIndex = 1;

  // --- block_collision.cpp ---
  // An object's collision box against the block map and the view. Kinds
  // rank deadly (2) above solid (1) above empty (0); results are 0, or 2
  // when the object is killed. A flying object (m_bNoGravity) is treated by
  // its block mode: 0 passes every block, 1 collides, 2 dies on touching
  // one. Operator 1 (m_nTeam) lands on deadly blocks; any other dies.
  // A landing keeps the cell landed on in m_nContact as its map index + 1
  // (0: none yet); the air counter is m_bAirState2 and the grace counter
  // m_nFlowLockTimer.
  //
  // The cell of the strongest block along a vertical (x1 == x2, from y1
  // down) or horizontal (y1 == y2, from x1 right, ties to the sample nearer
  // the centre) edge, sampled at the unscaled size; 0 for other lines.
  int GetBlockOnLine(cCharaBase* chara, int x1, int y1, int x2, int y2);
  // The strongest cell under the box's bottom edge, sampled more finely.
  int GetFloorCell(cCharaBase* chara);
  // The strongest of the four corner cells of a cell rectangle.
  int GetBlockAtCorners(int left, int top, int right, int bottom, int faction);
  // One edge: stopped by a block, the box is pushed out to the cell line.
  int HitBlockLeft(cCharaBase* chara);
  int HitBlockRight(cCharaBase* chara);
  int HitBlockTop(cCharaBase* chara);
  // Also counts the sub-steps without floor, marking the object as falling.
  int HitBlockBottom(cCharaBase* chara);
  // Both edges of an axis, the one the object moves toward first.
  int HitBlocksX(cCharaBase* chara);
  int HitBlocksY(cCharaBase* chara);
  // Both edges in a fixed order (right then left; floor then ceiling), for
  // an object already stopped on that axis in this sub-step.
  int CheckBlocksX(cCharaBase* chara);
  int CheckBlocksY(cCharaBase* chara);
  // Keeps the box inside the view while the axis scrolls by itself or the
  // object flies; 2 when a walking object leaves it at the bottom.
  void CheckScreenEdgeX(cCharaBase* chara);
  int CheckScreenEdgeY(cCharaBase* chara);
  // The hero's moves of one sub-step against the map and the view, up to
  // the first crush test; then, given what the contacts with the charas
  // returned, the repeated block tests and the second crush test. Each
  // returns 0, or 2 with the death's debug-log text in `death`: the caller
  // writes it, plays the death sound and lets the hero die.
  int MoveHeroThroughMap(cCharaBase* hero, const char** death);
  int SettleHeroAfterContacts(cCharaBase* hero, int charaResult, const char** death);

  // --- block_chara.cpp ---
  // Objects against the charas that act as blocks (active, living and not
  // the object itself), visited in the order of `charas` (the team lists).
  // An object flying through blocks passes them all. The contact flags
  // collect what was touched; the pushed flag is m_bStopHit.
  //
  // The hero's solid collision of one sub-step, after its block tests:
  // landing, riding upkeep, ceilings, side pushes, squeezes. 2 when crushed.
  int HitCharas(cCharaBase* chara, const std::vector<std::list<cCharaBase*>>& charas);
  // Before a riding object's horizontal move: the carrier's displacement
  // since it was last seen goes into the object's speed.
  int CarryRiders(cCharaBase* rider, const std::vector<std::list<cCharaBase*>>& charas);
  int HitsBlockChara(const cCharaBase* chara, const std::vector<std::list<cCharaBase*>>& charas);
  int OverlapsBlockCharaExcept(const cCharaBase* chara, const std::vector<std::list<cCharaBase*>>& charas, int id);
  // Whether the 5 pixels under the feet reach the carrier (by id); the
  // first block chara there.
  int IsOnCarrier(const cCharaBase* chara);
  cCharaBase* FindCarrierBelow(const cCharaBase* chara);
  // Places the object against the block charas it overlaps on one axis
  // (0 horizontal, 1 vertical).
  void SettleOnBlockCharas(cCharaBase* chara, const std::vector<std::list<cCharaBase*>>& charas, int axis);
  // 1 when each corner of the box, now or as given (x, y, right, bottom),
  // lies in some block chara.
  int IsEnclosedByBlockCharas(const cCharaBase* chara, const double box[4]);

  // --- block_effects.cpp ---
  // The appearance lists of the stage's owners: an empty list holds; a
  // latched list that held once holds without being evaluated; otherwise
  // the list is evaluated (a block's and an item's for the first hero, a
  // chara's for itself) and holding sets the owner's latched state.
  bool CheckBlockCondList(class cBlockCell& cell);
  bool CheckCharaCondList(cCharaBase& chara);
  bool CheckItemCondList(class cItem& item);
  // The block appearance test the cells' hit kinds ask (install it with
  // SetBlockAppearanceTest while a stage plays). Data outside the block map
  // has no latch of its own and is only evaluated.
  static int BlockAppearanceTest(class cBlockData& block);
  // Once per sub-step, before the hero moves: the effect of the block the
  // hero stands on (jump pad, no jump, speed, conveyors). Always 0.
  int ApplyBlockEffect(class cHero& hero);
  // Once per sub-step: the item of the block the hero stands on, again
  // every 60 frames while it stays there. 0, or the item's stage result.
  int ApplyBlockItem(class cHero& hero);

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

  // Object lists by team
  static constexpr int kTeamCount = 8;
  // The charas (the hero in its team's list) and the shots of each team
  // 0..7, in the order they joined the stage.
  std::vector<std::list<cCharaBase*>> m_vecTeamChara = std::vector<std::list<cCharaBase*>>(kTeamCount);
  std::vector<std::list<cShot*>> m_vecTeamShot = std::vector<std::list<cShot*>>(kTeamCount);
  // Every shot of the stage. Node-based, so the team lists' pointers stay
  // valid while shots come and go.
  std::list<cShot> m_lstShot;
  // The walks running over m_lstShot: while one runs, a removed shot is
  // only marked, and the outermost walk's sweep takes it out.
  WALKDEPTH m_ShotWalk;
  // The team's list; null for a team outside 0..7.
  std::list<cCharaBase*>* TeamCharas(int team);
  std::list<cShot*>* TeamShots(int team);
  // Takes the shot out of the team lists and deletes it from the shot
  // list, or, while the shot list is walked, only marks it for removal.
  void RemoveShot(cShot* shot);
  // Takes every marked shot out, unless a walk over the shot list runs.
  void SweepRemovedShots();
  // 1 when the chara's cell rectangle touches a block that stops it, or
  // its box overlaps an active block chara; a rectangle outside the block
  // map counts as blocked.
  int IsBlockedAt(const cCharaBase* chara);
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
