// The stage-play scene: it runs one stage through its states (fade-in,
// ready banners, play, pause, results, retry, game over, fade-out) and holds
// the running stage's world state that the objects, their flows and the
// world rules share, reached through g_pGameScene.
#pragma once
#include <atomic>
#include <list>
#include <string>
#include <vector>

#include "objects/object_walk.h"
#include "records/checked.h"
#include "records/cmd_entry.h"
#include "records/effect_state.h"
#include "stage/scene.h"
#include "stage/scroll_axis.h"

class cInput;

class cCharaBase;
class cChara;
class cHero;
class cItem;
class cShot;
class cEdShot;
class cCharaData;
class cItemData;
class cBlockData;
class cMessage;
class cEffect;
class cPicture;
class cFlowState;
class cCmdState;
class cCond;
struct DDSURFACEDATA;

// The modal-wait record of the play scene: what PauseThreadProc waits for.
struct WAITINFO {
  int nMode = 0;      // 0 game wait, 1 message, 2 effect, 3 picture
  int nKeyDelay = 0;  // frames in which keys are ignored
  int bKeyWait = 0;   // end on a new press of the first button
  int nFrames = 0;    // without a key wait: frames to wait
  int nLast = 0;
  // Key delay 10 for a key wait in mode 1 that does not continue a message.
  void Set(int mode, int keyWait, int frames, int continuing) {
    nMode = mode;
    bKeyWait = keyWait;
    nFrames = frames;
    nLast = 0;
    nKeyDelay = (keyWait != 0 && mode == 1 && continuing == 0) ? 10 : 0;
  }
};

class cGameScene : public cScene {
 public:
  cGameScene();
  ~cGameScene() override;

  // ===== the scene and its states (game_scene.cpp, play_states.cpp) =====
  int m_nState = -1;       // 0..7; -1: the next update enters the scene
  int m_nSubState = 0;     // 0 the first frame of a state
  int m_nSavedState = 0;   // where the pause menu returns to
  int m_nSavedSubState = 0;
  WAITINFO m_Wait;
  // Set by the window thread when the window closes while thPause runs.
  std::atomic<int> m_bQuit{0};
  // Set when a modal key wait ended on a key.
  int m_bMesClosed = 0;
  int m_bFailed = 0;       // Enter or SetStage failed: the scene stays idle
  int m_nPlayFrames = 0;   // frames played
  int m_nPlayTime = 0;     // hundredths of a second, at most 599999
  int m_nBannerCount = 0;
  int m_nStartBannerCount = 0;
  int m_bButtonLock = 0;   // player 0's buttons cleared until all are up
  int m_nFrameCounter = 0; // raised once per play frame
  int m_bRankingPossible = 0;
  int m_bRankingEntered = 0;
  std::vector<int> m_vecRankPlace;  // per ranking kind, -1 none
  std::vector<int> m_vecResult;     // per ranking kind
  int m_bStatusBar = 1;
  int m_bResultHint = 0;
  // Per sub-step: 1 where shots are tested against charas.
  std::vector<int> m_vecShotTestStep;
  std::vector<BYTE> m_vecGroupFlag;  // appearance groups marked this sub-step
  int m_bRemoveRange[3] = {};        // charas, block charas, items
  int m_nHeroCount = 1;
  int m_nCharaId = 0, m_nItemId = 0, m_nShotId = 0;
  unsigned m_nSeed = 0;              // the attempt's random seed
  int m_nSubStepCount = 0;
  // The stage-clear command's choice of the next stage.
  int m_nNextStage = 0;
  std::string m_strNextStage;
  // Walks over g_lstChara and g_lstItem (see object_walk.h).
  WALKDEPTH m_CharaWalk;
  WALKDEPTH m_ItemWalk;
  // The charas of g_lstChara that act as blocks, gathered in list order at
  // the start of a sub-step, so the objects' contacts with block charas
  // visit only them (a chara is a block chara or not for its whole life).
  // Nothing is unlinked from the list while a sub-step runs: marked charas
  // stay in place and are skipped; appended ones follow itLast (the last
  // chara at the start; all of the list when it was empty) and are walked
  // in the list itself. Outside a sub-step the queries walk the whole list.
  struct BLOCKCHARAINDEX {
    bool bValid = false;
    std::vector<cChara*> vecBlock;
    bool bWasEmpty = true;
    std::list<cChara>::iterator itLast;
  };
  BLOCKCHARAINDEX m_BlockCharas;
  void GatherBlockCharas();
  int m_bContactRunning = 0;  // while StepCharas runs
  double m_dFadeAngle = 0.0;              // the fades' angle, 0 black .. 90 the picture
  cCheckedVector<cCmd> m_vecPauseMenu;    // quit, continue, retry, back to the map

  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;
  void StateReady();
  void StatePlay();
  // Live play: the hero's direction and button locks, then the scene's
  // button lock (released once every button is up) clear bits of the input.
  void ApplyInputLocks(cInput& in);
  void StatePause();
  void StateStageClear();
  void StateRetryQuery();
  void StateGameOver();
  void ResetPlayState();
  int UseLife();
  int CheckPauseKey();
  int CountDownTimeLimit(int delta);
  void CountPlayTime();
  // Runs PauseThreadProc on thPause with m_Wait as set, the game thread
  // waiting; `post` posts the thread message 0x8000 first. 1 when it ran.
  int RunModalWait(int post);
  // Draws a frame of the stage (play_step.cpp).
  void Draw(int live, int frozen, int timeWarning, int hint);
  void DrawHero(int frozen);
  // The on-screen items of one drawing layer (all of them when `layers` is
  // 1), in one sprite batch.
  void DrawItems(DDSURFACEDATA* target, int layer, int layers, int frozen);
  int DrawChara(cChara& chara, int frozen);
  void UpdateActiveObjects();
  // Takes a chara off the stage: its links cleared, out of its team list,
  // out of g_lstChara (only marked while the list is walked).
  void RemoveChara(cChara* chara);
  void RemoveItem(cItem* item);
  void SweepRemovedObjects();
  // The steps of a play frame (play_step.cpp): how a sub-step ended.
  enum { kSubStepGoOn = 0, kSubStepFrameEnd = 1, kSubStepStageEnd = 2 };
  int RunSubStep(int index);
  int RunSubStepWalks(int index, cHero& hero);
  int StepHero(cHero& hero);
  int StepChara(cChara& chara, int blockChara);
  // A chara whose update said it must go, and one dying in its moves.
  int SettleGoneChara(cChara& chara);
  int SettleDyingChara(cChara& chara);
  // The hero's death, with its debug-log text (none for some causes).
  int HeroDeath(const char* text);
  // A stage result of a contact rule (1 stage end, 2 the hero dies) as a
  // sub-step's end.
  int StageResult(int result);

  // --- set_stage.cpp ---
  // 1 on success; 0 when the stage could not be built (the scene is failed).
  int SetStage(int restore, int restartMusic);
  void PlaceStageCharas(std::list<cChara>& list, int x, int y, int& counter, const cCharaData& r, const cItem* item);
  void PlaceStageItems(std::list<cItem>& list, int x, int y, int& counter, const cItemData& r);

  // ===== spawns.cpp =====
  // The summons of the fire patterns, at map pixel (x, y): the top-left of
  // the new object's 32x32 cell area. `callerFacing` is not read. A chara
  // copy or item outside the map, and a chara copy standing in a block, is
  // dropped without using an id.
  void SpawnChara(std::list<cChara>& list, double x, double y, BYTE faction, BYTE facing, int callerFacing,
                  const cEdShot& settings, const cCharaData& templ, int& counter, cCharaBase* summoner);
  void SpawnItem(std::list<cItem>& list, double x, double y, int callerFacing, const cEdShot& settings,
                 cItemData& templ, int& counter);
  // Places, erases or toggles the block of the cell holding the area's
  // centre; a cell index outside the map is ignored.
  void SummonBlock(double x, double y, int callerFacing, const cEdShot& settings, const cBlockData& block);
  // 1 when the block just put into the cell must be undone. Every living
  // hero and appeared chara the block lands on is spared the crush test,
  // refused or not.
  int CheckBlockSummonOverlap(int index, int cx, int cy, const cEdShot& settings);
  // The cells toggled in this attempt: a cell toggles once. SetStage empties
  // it, so that a restart plays as the first attempt did.
  std::vector<int> m_vecToggle;

  // ===== stage_resources.cpp =====
  // The shot cell sheets (g_SD 63 and 64): every 16x16 shot cell centred in
  // a 32x32 cell of palette colour 0.
  void BuildTileSheets();
  // The surfaces that depend on the databases, made on entering the scene
  // and kept over its stages; each call releases the previous set first.
  void LoadStageCharaBmps();
  void LoadStageSwords();
  void LoadStageEffects();
  // The picture and message-text surfaces of the stage that ends.
  void ReleaseStageBmps();
  void ReleaseStageLists();
  // What entering the scene loaded, released when the scene is deleted:
  // the built-in surfaces it draws with, the stage surface vectors and
  // lists and the scene's pictures.
  void ReleaseEnteredSurfaces();
  int m_bSurfacesLoaded = 0;  // entering loaded the built-in surfaces
  // The limited-sight mask as CreateSightMask last built it: (1280 + 2r) x
  // (960 + 2r) pixels of colour 16 around a transparent hole of radius r at
  // its centre. Only the 640 x 480 part the screen shows is ever made (in
  // m_pSightMask), so a wide sight costs no more memory than a narrow one.
  DDSURFACEDATA* m_pSightMask = nullptr;
  int m_nSightMaskW = 0;      // 0 while there is no mask
  int m_nSightMaskH = 0;
  int m_nSightHoleR = 0;
  int m_bSightHoleRound = 0;  // a disc; otherwise a square of side 2r
  int m_nSightWindowX = -1;   // the part m_pSightMask holds; -1 none yet
  int m_nSightWindowY = -1;
  // Copies the 640 x 480 part of the mask at (x, y) over the target, keyed.
  void DrawSightWindow(DDSURFACEDATA* target, int x, int y);

  // ===== stage_end.cpp =====
  // The name a ranking entry registers under; the name-entry dialog edits it.
  std::string m_strRankingName;
  // A cleared stage: the results added to the run (with extra lives for
  // each score step passed), then the places the results would take in the
  // stage's rankings when this is the last stage of its series.
  void BeginStageEnd();
  void AwardExtraLives();
  // 1 and the newest numbered file of the next stage of the series (by
  // number, or by the next-stage name), or 0 and an empty name.
  int MakeStageFileName(std::string& out, int number) const;
  int IsFinalStage(int number) const;
  // Once per clear: the name, the entries, the ranking file, the display.
  void EnterRanking();
  // Where play goes after the clear screen (4 play, 3 challenge select,
  // 1 world map, 0 title), with the progress updated for it.
  int GoToNextStage();
  // Tests: the extra-life notice's modal wait runs `wait` instead of the
  // frame loop on thPause (null restores it).
  static void SetNoticeWaitForTest(int (*wait)(cGameScene& scene));

  // ===== contacts.cpp =====
  // The contact rules of a sub-step. Stage results: 0 nothing, 1 the stage
  // is cleared, 2 the hero dies (the caller ends the stage or lets the hero
  // die).
  //
  // The hero's death, removal requests and charas without life, when a
  // command asked for the check: 1 ends the frame's play step.
  int CheckHeroDeath();
  // Shots against charas, charas against charas, shots against shots.
  int StepCharas();
  int PickUpItems(cHero& hero);
  // 0 died (or was dead already), 1 its death cleared the stage, 2 it is
  // player-operated: the hero dies instead.
  int KillChara(cCharaBase* chara);
  // The same, acted on: 1 begins the stage end, 2 lets the hero die.
  int KillCharaAndSettle(cCharaBase* chara);
  // An item taken by the hero: its popup, sound and command list. 0 when
  // nothing was applied, else the command list's result.
  static int ApplyItem(cItem* item, cHero* hero);
  // The numbers of the items of kind "any number of times" the hero touched
  // in the previous sub-steps: such an item acts again only once the hero
  // has left it.
  std::list<int> m_lstItemContact;

  // ===== frame_draw.cpp =====
  // Drawing steps of the stage view, in the order Draw calls them. Targets
  // are 640x480 screens (the back buffer).
  //
  // Once per drawn frame: the auto-scrolling backgrounds move by their rate
  // and wrap once around their picture size.
  void ScrollBackgrounds();
  // Layer 0 (behind the map) or 1 (in front). Behind the map, palette
  // colour 16 shows where no background was drawn.
  void DrawBackgrounds(DDSURFACEDATA* target, int layer);
  // The visible cells of the block map's back (0) or front (1) half.
  void DrawBlockMap(DDSURFACEDATA* target, int part);
  // Scores, the hero's two gauges and the lives, spaced evenly across the
  // bar; nothing while the stage turns the status line off.
  void DrawStatusBar(DDSURFACEDATA* target);
  // The remaining seconds (999 without a limit); with `warn`, the warning
  // sound once a second under the stage's threshold.
  void DrawTimeLimit(DDSURFACEDATA* target, int warn);
  // The screen-colour command: R, G, B, percent, restore flag, time in
  // tenths of a second, flash flag, repeat count.
  void StartScreenTint(const class cFlowCmd& cmd);
  // `drawOnly` draws the tint as it stands without advancing it.
  void DrawScreenTint(int drawOnly);
  // One frame of the running screen effect; `frozen` draws it without
  // advancing it. Its end clears the number and leaves the virtual back
  // buffer.
  void RunScrEffect(int frozen);
  // No screen effect and no screen tint: the state of a new attempt.
  void InitDrawState();
  // The fourteen screen-effect kinds (screen_effects.cpp): each draws the
  // frame drawn so far again, transformed; 1 when the effect has ended.
  int ScrEffectNone(int frozen);
  int ScrEffectMove(int frozen);
  int ScrEffectShakeX(int frozen);
  int ScrEffectShakeY(int frozen);
  int ScrEffectSlideX(int frozen);
  int ScrEffectSlideY(int frozen);
  int ScrEffectWaveX(int frozen);
  int ScrEffectWaveY(int frozen);
  int ScrEffectBlink(int frozen);
  int ScrEffectRotate(int frozen);
  int ScrEffectCircle(int frozen);
  int ScrEffectZoom(int frozen);
  int ScrEffectLens(int frozen);
  int ScrEffectMosaic(int frozen);

  // The running screen effect; number (m_nId) 0 while none runs. The
  // screen-effect command starts it.
  cScrEffectState m_ScrEffect;
  // The screen tint. A new tint keeps the colour, percent and weight of the
  // one before it, which a restore fades back to.
  int m_bTinted = 0;  // a tint was started since the attempt began
  BYTE m_byTintR = 0, m_byTintG = 0, m_byTintB = 0;
  int m_nTintPercent = 0;
  int m_bTintRestore = 0;
  int m_nTintDuration = 0;  // frames
  int m_bTintFlash = 0;
  int m_nTintRepeat = 0;
  int m_bTintActive = 0;
  int m_nTintFrame = 0;
  int m_nTintRepeatCount = 0;
  int m_nTintWeight = 0;  // of the untinted picture last drawn; 255 untouched
  BYTE m_byTintPrevR = 0, m_byTintPrevG = 0, m_byTintPrevB = 0;
  int m_nTintPrevPercent = 0;
  int m_nTintPrevWeight = 255;

  // ===== effects and messages =====
  // Node-based: an instance never moves while the frame works on it.
  std::list<cMessage> m_lstMessage;
  std::list<cEffect> m_lstEffect;
  // Parallel to g_lstPictureSD and g_lstPictureSDDef: picture n shows
  // surface n.
  std::list<cPicture> m_lstPicture;
  // --- effect.cpp ---
  // Draws every effect, deleting those that have ended.
  void DrawEffects(DDSURFACEDATA* target, int paused);
  // Draws the pictures of layer 0 (behind the map) or 1 (in front); a
  // picture whose time is over goes with its surface and definition.
  void DrawPictures(DDSURFACEDATA* target, int layer, int paused);
  // --- message.cpp ---
  // UpdateMessages for every message, deleting those that have ended.
  void UpdateMessageList(DDSURFACEDATA* target, int paused);
  // Every message gone, their text surfaces released.
  void ClearMessages();

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
  // the object itself), visited in the order of `charas` (g_lstChara: the
  // order the charas were placed in, which decides between equal
  // proposals).
  // An object flying through blocks passes them all. The contact flags
  // collect what was touched; the pushed flag is m_bStopHit.
  //
  // The hero's solid collision of one sub-step, after its block tests:
  // landing, riding upkeep, ceilings, side pushes, squeezes. 2 when crushed.
  int HitCharas(cCharaBase* chara, std::list<cChara>& charas);
  // Before a riding object's horizontal move: the carrier's displacement
  // since it was last seen goes into the object's speed.
  int CarryRiders(cCharaBase* rider, std::list<cChara>& charas);
  int HitsBlockChara(const cCharaBase* chara, std::list<cChara>& charas);
  int OverlapsBlockCharaExcept(const cCharaBase* chara, std::list<cChara>& charas, int id);
  // Whether the 5 pixels under the feet reach the carrier (by id); the
  // first block chara there.
  int IsOnCarrier(const cCharaBase* chara);
  cCharaBase* FindCarrierBelow(const cCharaBase* chara);
  // Places the object against the block charas it overlaps on one axis
  // (0 horizontal, 1 vertical).
  void SettleOnBlockCharas(cCharaBase* chara, std::list<cChara>& charas, int axis);
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

// The places of the scene's boxes: the pause menu, the retry query and the
// ranking display.
struct MENUANCHOR {
  int x = 0, y = 0, a = 0, b = 0;
};
extern MENUANCHOR g_ptMenuAnchor[3];
void InitMenuAnchors();

// Which of N sub-steps test shots against charas when K of them do (every
// one for K = 0); K is taken within 0..N.
std::vector<int> BuildShotTestSchedule(int n, int k);

// The modal frame loops run on thPause and thRanking.
unsigned PauseThreadProc(void* scene);
unsigned RankingThreadProc(void* scene);
// Stores the loop flag and asks the main window for stage music `bgm`.
void PlayStageBgm(int bgm, int loop);

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
