// A fired object: a shot flying on one of ten trajectories, or a sword swing
// that follows its owner frame by frame. Every shot carries its own copy of
// the settings it was fired with. Velocities are pixels per physics
// sub-step (N sub-steps a frame).
//
// What the contact rules read of a shot:
//   faction m_nBlockSide; in range m_bOnScreen; removed m_bRemoved;
//   hit box m_rcHit, collision box m_dX, m_dY, m_dRight, m_dBottom;
//   attack m_Settings.m_nAttack, impact m_Settings.m_byImpact;
//   item m_Settings.m_byHitItemSource (0 none) and m_Settings.m_nHitItem;
//   shooter m_pShooter with m_bCreditShooter and m_byCreditValue;
//   vanish on a hit m_bFree (a sword never vanishes on a hit);
//   passes charas m_Settings.m_bPierce, passes block charas m_Settings.m_bPierce2;
//   hit list m_lstHit (IsInHitList, AddToHitList);
//   cancelling m_Settings.m_bCancelShots with the signed m_Settings.m_byCancelPower.
#pragma once
#include <cstdint>
#include <list>
#include <vector>

#include "objects/ed_shot.h"
#include "objects/game_object.h"

class cCharaBase;
class cGameScene;
class cSwordFrameData;
struct DDSURFACEDATA;
struct SHOTLINK;

// The command kinds that fire: a shot, or a sword swing.
enum : int { kShotKindShot = 11, kShotKindSword = 12 };

// Where and how one object of a formation is launched; filled per formation
// call by the fire patterns.
struct SHOTLAUNCH {
  int nClone = 0;           // 0, 1, ... for the copies of a formation
  double dSpeed = 0.0;      // pixels per frame
  int nAngle = 0;           // degrees added to the direction's angle
  int nDistance = 0;        // half blocks
  int nLife = 0;            // tenths of a second
  double dVX = 0.0;         // velocity per frame
  double dVY = 0.0;
  int nX = 0, nY = 0;       // world position of the object being placed
  int nBaseX = 0, nBaseY = 0;
  int nStepX = 0, nStepY = 0;
  int nColStepX = 0, nColStepY = 0;
  int nW = 0, nH = 0;       // object size
  int nOffX = 0, nOffY = 0; // launch offset of this clone
  int nDir = 0;             // direction number
};

// The hit rectangle in world pixels, edges inclusive.
struct SHOTHITBOX {
  double dLeft = 0.0, dTop = 0.0, dRight = 0.0, dBottom = 0.0;
};

// The hit box against the collision box's top-left: scaled, and at scale 1.
struct SHOTHITOFFSET {
  int nOffX = 0, nOffY = 0, nW = 0, nH = 0;
  int nBaseOffX = 0, nBaseOffY = 0, nBaseW = 0, nBaseH = 0;
};

class cShot : public cGameObject {
 public:
  int m_nOwnerId = 0;        // m_nId of the shooter; a sword finds its owner by it
  int m_bFree = 1;           // 1 a shot; 0 a sword, which follows its owner
  int m_nRangeLeft = 0;      // sub-steps left to the end of the flight distance
  int m_nLifeLeft = 0;       // sub-steps of life left
  int m_nTick = 0;           // sword: calls in the current frame; wave: 1 once started
  int m_nStep = 0;           // trajectory sub-step counter; sword: its current frame
  double m_dAccel = 0.0;     // acceleration magnitude per sub-step
  double m_dSpeed = 0.0;     // trajectory speed per sub-step
  double m_dOwnVX = 0.0;     // the shot's own velocity; m_dVX/m_dVY are rebuilt from it
  double m_dOwnVY = 0.0;
  int m_bAccelOn = 0;
  int m_nSwitchStep = 0;     // sub-steps at which aiming or homing starts and ends
  int m_nEndStep = 0;
  int m_bTrajectoryDone = 0;
  double m_dWavePhase = 0.0;
  double m_dWaveDirX = 0.0;  // unit vector across the wave
  double m_dWaveDirY = 0.0;
  SHOTHITBOX m_rcHit;
  SHOTHITOFFSET m_rcHitOffset;
  std::list<cCharaBase*> m_lstHit;  // charas a piercing shot or a sword has hit already
  cEdShot m_Settings;               // the settings copy
  cCharaBase* m_pTarget = nullptr;  // the shooter's target link when fired, or none
  cCharaBase* m_pShooter = nullptr;
  int m_bFollowing = 0;
  int m_bCreditShooter = 0;         // hits start the shooter's attack triggers
  BYTE m_byCreditValue = 0;         // group passed with them

  // read by the vanish command
  // (its team is m_nBlockSide, its conditions m_bActive, on screen m_bOnScreen)
  int m_bRemoved = 0;    // leaves the stage once the walk over the shot list ends

  cShot();
  cShot(const cShot& other);
  cShot& operator=(const cShot&) = delete;
  ~cShot() override;

  // Fills a new shot (kind kShotKindShot) or sword (kShotKindSword) fired
  // by `shooter`. 0 when a sword's type has no frame to swing: no sword is
  // made (one report line says why) and the object ends at its first step.
  int Setup(int id, cCharaBase* shooter, int kind, const cEdShot& settings, const SHOTLAUNCH& launch);
  // Takes this shot out of its target's and shooter's shot links.
  void UnlinkOwner();

  void OnScaleChanged(int factor) override;
  void AdjustYForScale(int newFactor, int oldFactor) override;
  void UpdateHitRectX() override;
  void UpdateHitRectY() override;

  // Points the acceleration along (vx, vy).
  void SetVelocityToward(double vx, double vy);
  // Horizontal clamp to the world: 3 when an edge was passed, else 0.
  int ClampToStage();
  int MoveX();
  int MoveY();
  // One sub-step of the flight (or of the swing); 1 erases the shot.
  int ApplyTrajectory();
  // One sub-step of a sword; 1 when the swing has ended or its owner is gone.
  int FollowOwner();
  // 1 when the shot touches a block that stops it.
  int HitBlocks();
  // 1 when a shot (not a sword) has left the removal range of its side.
  int IsOutOfRange() const;
  void Draw(DDSURFACEDATA* target, int paused);
  // One homing step toward the chara.
  void AimAt(const cCharaBase* chara);

  int IsInHitList(const cCharaBase* chara) const;
  void AddToHitList(cCharaBase* chara);

  // The trajectory table, by m_byTrajectory.
  void TrajAimHero();
  void TrajAimNearest();
  void TrajAimTarget();
  void TrajHomeHero();
  void TrajHomeNearest();
  void TrajHomeTarget();
  void TrajWave();
  void TrajFall();

 private:
  // The speed of the trajectories and their switch step from parameter 1.
  void PrepareAim();
  // The aiming trajectories 1..3 toward `chara` (none: no change).
  void AimOnce(const cCharaBase* chara);
  // The homing trajectories 4..7; `pick` gives the chara of this sub-step.
  template <class Pick>
  void Home(Pick pick);
  // The frame of the sword's type at `step`, or null.
  const cSwordFrameData* SwordFrame(int step) const;
  // The speed limit of a sub-step applied to a velocity component.
  static void LimitSpeed(double& v);
};

// Appends a copy of the shot to the scene's shot list and to the list of
// its faction; the stored shot, which the links are to name.
cShot* AddShotToScene(cGameScene& scene, const cShot& shot);
// Takes the shot at `position` out of its faction list and the shot list and
// destroys it; the next position. While the shot list is walked the shot is
// only marked, and the walk's sweep takes it out.
std::list<cShot>::iterator EraseShot(cGameScene& scene, std::list<cShot>::iterator position);
// 1 when {shot, kind} is in the link list.
int HasShotLink(const std::vector<SHOTLINK>& links, const SHOTLINK& pair);
