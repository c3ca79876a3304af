// The flow-owning object base: placed and summoned charas (cChara) and the
// hero (cHero). A chara owns its own copy of its template, whose flow list is
// its flows, one run state per flow, switches, links to other charas, life
// and SP with their gauges, and the airborne and knockback state its physics
// works with.
#pragma once
#include <cstdint>
#include <list>
#include <vector>

#include "flow/flow_state.h"
#include "objects/game_object.h"
#include "records/chara_data.h"
#include "records/effect_state.h"
#include "services/input.h"

class cBlockCell;
class cCond;
class cFlowCmd;
struct DDSURFACEDATA;
class cCharaBase;
class cItem;
class cShot;

// A chara that links to another, and in which slot: 0..3 link slots 1..4,
// 4 the parent link.
struct LINKPAIR {
  cCharaBase* pChara = nullptr;
  int nSlot = 0;
  bool operator==(const LINKPAIR&) const = default;
};

// A shot that points at a chara: kind 0 as its target, 4 as its shooter.
struct SHOTLINK {
  cShot* pShot = nullptr;
  int nKind = 0;
  bool operator==(const SHOTLINK&) const = default;
};

// The animation of a life or SP change shown on the gauge.
struct GAUGEANIM {
  int nFrames = 0;        // frames left
  double dChange = 0.0;   // pixels, negative = loss
  double dStep = 0.0;     // shrink per frame
  int nWidth = 0;         // bar width in pixels
};

// A rectangle tested against charas or shots.
struct HITRECT {
  double dLeft = 0.0, dTop = 0.0, dRight = 0.0, dBottom = 0.0;  // map pixels
  int nOffX = 0, nOffY = 0, nW = 0, nH = 0;                     // scaled, from the box's top-left
  int nBaseOffX = 0, nBaseOffY = 0, nBaseW = 0, nBaseH = 0;     // at scale 1

  // Offsets and size at scale 1 (and as scaled).
  void Set(int offX, int offY, int w, int h) {
    nBaseOffX = nOffX = offX;
    nBaseOffY = nOffY = offY;
    nBaseW = nW = w;
    nBaseH = nH = h;
  }
  void Scale(int factor) {
    nOffX = factor * nBaseOffX;
    nOffY = factor * nBaseOffY;
    nW = factor * nBaseW;
    nH = factor * nBaseH;
  }
  // Places the rectangle on a box whose left (top) is at x (y), whole pixels.
  void PlaceX(double x);
  void PlaceY(double y);
};

// A hit cooldown against one attacker.
struct HITCOOLDOWN {
  int nAttackerId = 0;  // the attacker's m_nId: a chara made later at the same address is another
  int nFrames = 0;
};

// An animation started by a flow, running over the chara's own.
struct RUNNINGANIME {
  cAnimePattern Pattern;
  int bTimed = 0;
  int nFramesLeft = 0;
  int nHoldFrames = 0;
  int nFlowId = 0;
  int bPaused = 0;
};

// Block contacts of this sub-step.
struct LRUDFLAGS {
  int l = 0, r = 0, u = 0, d = 0;
};

class cCharaBase : public cGameObject {
 public:
  int m_bUnlinked = 0;
  std::vector<cCharaBase*> m_vecLink;   // link slots 1..4; null = empty
  cCharaBase* m_pParent = nullptr;
  std::vector<LINKPAIR> m_vecBackRef;
  std::vector<SHOTLINK> m_vecShotLink;
  int m_bCreditParent = 0;
  BYTE m_byCreditValue = 0;
  cCharaData m_Data;                    // the chara's own template copy
  int m_nNextFlowId = 0;
  cCheckedVector<cFlowState> m_vecFlowState;
  std::vector<BYTE> m_vecSwitchLatch;   // 27 entries, by switch number
  std::vector<BYTE> m_vecSwitchSet;
  std::vector<BYTE> m_vecSwitchFrame;
  int m_bSwitchChanged = 0;
  int m_bFlowDeleted = 0;
  double m_dHomeX = 0.0;
  double m_dHomeY = 0.0;
  int m_bMoved = 0;
  double m_dForcedVX = 0.0;
  double m_dForcedVY = 0.0;
  int m_bKnockedBack = 0;
  double m_dPrevForcedVY = 0.0;
  int m_bGravityHold = 0;
  int m_nWallSide = -1;
  int m_bFalling = 0;
  int m_bRising = 0;
  int m_bJumping = 0;
  int m_bWorld1 = 0;
  int m_bJumpBlocked = 0;
  int m_bAirState2 = 0;
  cBlockCell* m_pFootBlock = nullptr;
  int m_nContact = 0;
  int m_nPrevContact = 0;
  int m_nFlowLockTimer = 0;
  int m_bFixedScreenX = 0;
  int m_nFixedScreenX = 0;
  int m_bFixedScreenY = 0;
  int m_nFixedScreenY = 0;
  int m_bDead = 0;
  int m_nDeathWait = 0;
  LRUDFLAGS LRUD;
  int m_bStopHit = 0;
  int m_bOnChara = 0;
  int m_nWorld2 = 0;
  int m_aWorld3[8] = {};
  double m_rcPrev[4] = {};              // x, y, right, bottom
  int m_nLife = 0;
  GAUGEANIM m_LifeGauge;
  int m_nSP = 0;
  GAUGEANIM m_SPGauge;
  std::vector<int> m_vecVar;            // 9 entries; 1..8 are "v1".."v8"
  int m_nInvincible = 0;
  std::list<HITCOOLDOWN> m_lstCooldown;
  std::list<RUNNINGANIME> m_lstAnime;
  cCharaEffectState m_EffectState;
  int m_bVanish = 0;
  int m_nSightRadius = 0;
  int m_bHidden2 = 0;
  HITRECT m_HitChara;
  HITRECT m_HitShot;

  cCharaBase();
  // A copy made for a test or a collision trial: it holds the same links as
  // the source but is marked unlinked, so destroying it touches no other
  // chara's links.
  cCharaBase(const cCharaBase& other);
  ~cCharaBase() override;

  // --- chara_base.cpp ---
  void AdjustYForScale(int newFactor, int oldFactor) override;
  void SetCenter(int x, int y) override;
  void SetCenterStopMove(int x, int y, cCmdState* state) override;
  void SetCenterX(int x) override;
  void SetCenterXStopMove(int x, cCmdState* state) override;
  void SetCenterY(int y) override;
  void SetCenterYStopMove(int y, cCmdState* state) override;
  virtual void CopyFrom(const cCharaBase& source);
  virtual cItem* GetDropItem() { return nullptr; }
  virtual int OnMovedX() { return 0; }
  virtual int OnMovedY() { return 0; }
  virtual int MoveX() { return 0; }
  virtual int MoveY() { return 0; }
  virtual int Update(int dying) { return 0; }
  virtual void Jump(cCmdState* state) {}

  void Reset(const cCharaData* templ, double homeX, double homeY, int cloneValue, int spare);
  void SetParentLink(cCharaBase* parent);
  void ClearLinks();
  void SetAnimeSet(int16_t id, int force);
  void SetHitBoxCentred(int footAligned, int width, int height);
  // What the anime set adds to the graphic number while the chara flies, is
  // a block chara or is invincible, when the project turns the offsets on.
  int GetGraphicOffset() const;

  // --- chara_flows.cpp ---
  int InsertFlows(cCheckedVector<cFlow>& flows, int insert, int position);
  void RemoveFlow(int index);
  int RemoveFlowGroup(BYTE group);
  void AssignFlowStates(const cCheckedVector<cFlowState>& states);
  void RelinkFlowStates();
  void ApplyFlowAnimations();
  // The flow part of an update: each running flow steps once (only death
  // flows while dying); 1 as soon as the chara must go (a vanish request
  // when `vanishCheck`, or its life ran out outside a death flow).
  int StepFlows(int dying, int vanishCheck);
  // The frame of an update: this chara becomes the scene's current one
  // (its message flag cleared), and afterwards the scene points at no chara,
  // flow or command again whichever way the update ends.
  void BeginUpdate();
  // The per-sub-step words the flows start from, and the flows' animations.
  void PrepareFlowPass();
  int EndFlowPass(int result);
  // Standing still without acceleration shows the idle pose.
  void SettleIdlePose();
  // After the flows: flows marked for deletion removed, switches the flows
  // set released.
  void ApplyFlowEdits();

  // --- chara_physics.cpp ---
  double JumpSpeedForDots(double height) const;
  double JumpSpeedForHeight(int8_t halfBlocks) const;
  int JumpTime(double speed) const;
  int JumpHeightToFrames(int8_t halfBlocks) const;
  void PlaceAtCell(int x, int y);
  void PlaceAtCellX(int x);
  void PlaceAtCellY(int y);
  void ClearMoveRequests();
  void ApplyGravityIfFree();
  int IsOnGround() const;
  void OnLand();
  void OnHitCeiling();
  void OnHitStop(int setHit);
  void SavePrevPosition();
  void RestorePrevRect();
  int ChangeLife(int delta, int force, int showGauge);
  void StartLifeGaugeAnim(int delta);
  int ChangeGauge2(int delta, int showGauge);
  void StartGauge2Anim(int delta);
  void ApplyKnockback(int8_t strength, double dx, double dy);
  void KnockbackFromChara(const cCharaBase& attacker);
  void KnockbackFromShot(const cShot& shot);
  void ApplyForcedVelocity();
  void DecayForcedVX();
  void DecayForcedVY();

  // --- move_toward.cpp ---
  int ComputeMoveVelocityX(double& vx, double& vy, int& dir, const cCharaBase* mover, double ownX, double targetX,
                           double speed, int relative, int checkArrival) const;
  int ComputeMoveVelocityY(double& vx, double& vy, int& dir, const cCharaBase* mover, double ownY, double targetY,
                           double speed, int relative, int checkArrival) const;
  // The aim point plus the command's target offset, for the axes its move
  // settings leave free.
  void GetTargetPoint(double& x, double& y, const cCmdState& state) const;
  // Sets the command's velocity toward the point; on arrival, when the
  // command stops there, puts the chara onto it. 1 on arrival.
  int MoveToward(cCmdState& state, cCharaBase* mover, double targetX, double targetY, int relative, int checkArrival);
  int MoveTowardX(cCmdState& state, cCharaBase* mover, double targetX, int relative, int checkArrival);
  int MoveTowardY(cCmdState& state, cCharaBase* mover, double targetY, int relative, int checkArrival);

  // --- chara_conditions.cpp ---
  // Condition kinds 5 (flags against a constant), 6 (a linked chara's
  // state) and 7 (a chara within an area around this one).
  int TestVariableCondition(const cCond& cond);
  int TestLinkCondition(const cCond& cond);
  int TestPositionCondition(const cCond& cond);
  // The area of a distance condition drawn over the screen, when its
  // display mode and the chara's state let it show; `counter` 0..31 cycles
  // the colour.
  void DrawOverlayMark(DDSURFACEDATA* target, const cCond& cond, int counter);

  // --- chara_triggers.cpp ---
  // Starts the flows of `trigger` whose conditions and keys hold, once per
  // frame each; `partner` goes into the flow's link slot when it asks for
  // it; a group above 0 starts only flows of that group.
  void StartFlowsByTrigger(int trigger, cCharaBase* partner, int group);
  void RunFlowsByTrigger(int trigger);
  // Once a frame, before the sub-steps.
  void ResetFlowTriggerFlags();
  // Link slot 0..3 (the targets 1..4) now names `target`; other slots are
  // empty ones and keep nothing.
  void SetTargetLink(int slot, cCharaBase* target);
  int TestFlowKeyInput(cFlowState& state);
  static constexpr int kKeyStates = 19;
  // Per press history (10 direction states, 9 button states): the run the
  // cursor is in (0 the newest) and its frames up to the cursor.
  struct KEYCURSORS {
    int pos[kKeyStates];
    int frames[kKeyStates];
  };
  int MatchKeySequence(cFlowState& state, const std::vector<cKeyTrigger*>& steps, int tolerance) const;
  int MatchKeyStep(const cKeyTrigger& k, const KEYCURSORS& c, const cInput& input, int& duration) const;
  int TestKeyHold(const PRESSRUN& run, int frames, const cKeyTrigger& k, int wanted) const;
  void TestKeyTiming(KEYCURSORS& c, const cInput& input, int frames) const;
  // The step against the current key states only, without times.
  int TestKeyFlags(const cInput& input, const cKeyTrigger& k) const;

  // --- command_list.cpp ---
  // Runs an item's command list on this chara (the hero) at once: 0, 1 when
  // a command cleared the stage, 2 when the hero's life ran out. The list is
  // the one that runs: parameter changes are written into it.
  int RunCommandList(cCheckedVector<cFlowCmd>& list);

  // --- move_executors.cpp ---
  // The block chara this chara rides (while m_bOnChara) and its box as last
  // seen (x, y, right, bottom), kept by the stage's riding rules: a turning
  // walker carries the platform's own step along.
  int m_nCarrierId = 0;
  double m_rcCarrier[4] = {};
  // The run angle: step x clone value + angle, mirrored for a chara whose
  // template faces right, reduced below 360 (a negative angle stays).
  void ComputeMoveAngle(cCmdState& state) const;
  // The target offset in dots, flipped for a chara whose template faces right.
  void ComputeMoveTargetOffset(cCmdState& state) const;
  // Front, back and the input direction turned into a plain direction code.
  int ResolveMoveDir(int dir, int useLiveInput, int flying) const;
  // The command's velocity and facing request for a direction code, without
  // and with the run angle, and toward the target point of the settings.
  void DirToVelocity(cCmdState& state, int dir) const;
  void DirAngleToVelocity(cCmdState& state, int dir) const;
  void TargetToVelocity(cCmdState& state) const;
  // Hands a wanted velocity to the chara: its displacement this sub-step, or
  // under inertia an acceleration of its kept velocity; turns it and starts
  // its walking pose.
  void ApplyMoveVelocity(const cCmdState& state, double vx, double vy, int facingReq, int force);
  // Walks on, turning back at walls and ledges.
  void GroundTurnStep(cCmdState& state);
  // Moves back inside the view when the chara is about to leave it.
  void AvoidOffscreenStep(cCmdState& state) const;
  // Toward the point on the axes the move settings leave free.
  int MoveTowardByLocks(cCmdState& state, double x, double y);

  // ===== chara_damage.cpp =====
  // Invincibility after a hit, for the stage's frames of this chara's side
  // counted in sub-steps; a new hit restarts it. Against one attacker the
  // cooldown of the side follows as well.
  void StartInvincibility();
  void StartInvincibilityAgainst(const cCharaBase* attacker);
  // Once per sub-step: the timers count down, ended cooldowns go.
  void UpdateInvincibility();
  bool IsInvincible() const;
  bool IsImmuneTo(const cCharaBase* attacker) const;
  // Damage, hit spark and knockback of a contact or a shot; 1 when the
  // chara has no life left.
  int TakeCharaDamage(const cCharaBase& attacker);
  int TakeShotDamage(const cShot& shot);
  // The hit triggers of both sides after a damage.
  void RunHitFlowsByChara(cCharaBase& attacker);
  void RunHitFlowsByShot(const cShot& shot);
  // Death flows, the final update, the score and the drop item; 1 when the
  // stage ends at this death (the chara then stays alive and linked).
  int Die();
  // The shots aiming at this chara or fired by it forget it.
  void ClearShotLinks();

  // ===== chara_draw.cpp =====
  // The Direct3D highlight an invincible chara's sprite is drawn with.
  struct COLORPAIR {
    int bOn = 0;
    D3DCOLOR dwDrawColor = 0;
    DWORD dwColorOp = 0;
  };
  // Steps the chara's own animation and its running animations (not while
  // paused) and gives the value to show: the running animation that wins the
  // choice, else the chara's own.
  int UpdateEffectInstances(int paused);
  // The cell of the current frame with the anime set's offsets; `pair` gets
  // the highlight of an invincible chara, or is turned off.
  int GetGraphicNumber(COLORPAIR& pair) const;
  // A living chara: its sprite through its chara effect, then its mark. A
  // hidden one only keeps its effect running.
  virtual void Draw(DDSURFACEDATA* target, int paused);
  // The effect of a hidden chara, advanced without drawing; 1 when it ended.
  int DrawEffectOnly(int paused);
  // The death drawing of a dead chara; 1 when it is over and the chara goes.
  int DrawEffectStep(DDSURFACEDATA* target, int paused);
  // The gauges over the chara for a while after a change: life (bar 0) and
  // the second gauge (bar 1, 4 pixels higher). Each draw ages the gauge.
  void DrawLifeGauge(DDSURFACEDATA* target);
  void DrawGauge2(DDSURFACEDATA* target);
  void DrawGaugeBar(DDSURFACEDATA* target, GAUGEANIM& gauge, int which);
  // Runs the renderer of the chara effect in play (with `draw` 0 nothing is
  // drawn, the effect still advances); 1 when the effect has ended. `src`
  // may be null when nothing is drawn.
  int RunEffectRenderer(DDSURFACEDATA* target, const struct SPRITESRC* src, const COLORPAIR& pair, int paused,
                        int draw);
  // The sprite as it is, at the chara's scale; never ends.
  int DrawPlain(DDSURFACEDATA* target, const SPRITESRC* src, const COLORPAIR& pair, int paused, int draw);
  // Pausing a flow drops its running animations whose time is up and holds
  // the others; resuming lets them run on.
  void RemoveFinishedEffectsOfFlow(int flowId);
  void ResumeEffectsOfFlow(int flowId);

  // ===== message.cpp =====
  // A value popup over this chara: a message of kind 2 with the three
  // values, anchored to the chara, for 30 frames.
  void ShowValuePopup(int value1, int value2, int value3);
};

// The hero or a chara of the running stage with that object id, skipping
// removed charas; null when there is none.
cCharaBase* FindCharaByObject(int id);

// The lowest direction state 0..9 whose newest run is pressed; 0 when none.
int GetFirstPressedKey(const cInput& input);

// Unit conversions of the stage's physics (N = the stage's sub-steps).
int BlockToHalfBlock(int8_t halfBlocks);
double PercentToFrameStep(int16_t percent);
double PerSecondToPerFrame(double v);
// The velocity and the acceleration of a x sin(h t) per sub-step; `angle`
// advances by `step` and wraps at 360 x N.
double WaveStep(int amplitude, int frequency, double& angle, double step, double phase);
double WaveStep2(int amplitude, int frequency, double& angle, double step, double phase);

// The built-in surfaces for the marks and the chara-effect work surfaces of
// the current display mode; the stage scene picks them when it is entered.
void SelectSpriteSurfaces();
DDSURFACEDATA* SelectedMarkSurface();
DDSURFACEDATA* SelectedWorkSurface1();
DDSURFACEDATA* SelectedWorkSurface2();
// entry or entry + 18 (the second set), as the shot drawing wants it.
int PickSheetSurface(int entry, int second);

// Plays the command's sound (a Sound database entry; 0 none), unless it is
// meant for a chara on screen and this one is not.
void PlayCmdSound(const cCharaBase& chara, const cFlowCmd& cmd);
