// The base of every positioned object of a running stage: charas, the hero,
// shots and swords, and items. Positions are map pixels (doubles) that
// include the margin of 10 cells around the stage; velocities are pixels per
// physics sub-step.
#pragma once
#include <cstdint>

#include "graphics/anime_pattern.h"
#include "graphics/pixel_buffer.h"
#include "records/checked.h"

class cCmdState;
class cStageQuad;

// Placement modes of SetParams / SetPlacementMode: how gravity and the block
// collision treat the object.
enum : int { kPlaceWalk = 0, kPlaceFree = 1, kPlaceFly = 2, kPlaceFlyThrough = 3 };

class cGameObject {
 public:
  int m_nId = 0;
  int m_nLifeTime = 0;      // frames left; INT_MAX unlimited
  int m_bRight = 0;         // facing: non-zero right
  int16_t m_nCloneValue = 0;
  int m_nGraphic = 0;
  int m_nGraphic2 = 0;
  cAnimePattern m_Anime;
  RECT m_rcScreen{0, 0, 0, 0};  // image rectangle on the screen, inclusive
  int m_nImgOffX = 0;       // image top-left to collision box top-left, scaled
  int m_nImgOffY = 0;
  int m_nImgW = 0;
  int m_nImgH = 0;
  int m_nBaseImgOffX = 0;   // the same four at scale 1
  int m_nBaseImgOffY = 0;
  int m_nBaseImgW = 0;
  int m_nBaseImgH = 0;
  int m_nParam1 = 0;
  int m_nTeam = 0;          // 0 the player's side, 1 the computer's
  int m_nPlayer = 0;
  int m_nBlockSide = 0;     // blocks of this side let the object pass
  double m_dX = 0.0;        // top-left of the collision box
  double m_dY = 0.0;
  double m_dRight = 0.0;    // m_dX + m_nW - 1, kept by the clamps
  double m_dBottom = 0.0;
  int m_nCellL = 0;         // 32-pixel cells of the four edges
  int m_nCellT = 0;
  int m_nCellR = 0;
  int m_nCellB = 0;
  double m_dVX = 0.0;
  double m_dVY = 0.0;
  double m_dAX = 0.0;
  double m_dAY = 0.0;
  double m_dDecel = 0.0;
  int m_nReserved1 = 0;
  int m_nReserved2 = 0;
  int m_bDecelX = 0;
  int m_bDecelY = 0;
  int m_bScrollLock = 0;    // rides the automatic scroll
  int m_nW = 0;             // collision box, scaled
  int m_nH = 0;
  int m_nBaseW = 0;
  int m_nBaseH = 0;
  int m_bNoGravity = 0;
  BYTE m_byBlockMode = 0;   // 0, 1 or 2: read by the stage's block collision
  int m_bAppeared = 0;
  int m_bActive = 0;         // its appearance conditions hold this sub-step
  int m_bOnScreen = 0;       // it lies on the screen (charas: in their activation area) this sub-step
  BYTE m_byCondLatch = 0;

  cGameObject() = default;
  cGameObject(const cGameObject& other);
  cGameObject& operator=(const cGameObject&) = delete;
  virtual ~cGameObject();

  virtual void Copy(const cGameObject& source);
  virtual void SetScale(int newFactor, int oldFactor);
  virtual void OnScaleChanged(int factor) {}
  virtual void AdjustYForScale(int newFactor, int oldFactor) {}
  virtual void UpdateHitRectX() {}
  virtual void UpdateHitRectY() {}
  virtual void SetCenter(int x, int y) {}
  virtual void SetCenterStopMove(int x, int y, cCmdState* state) {}
  virtual void SetCenterX(int x) {}
  virtual void SetCenterXStopMove(int x, cCmdState* state) {}
  virtual void SetCenterY(int y) {}
  virtual void SetCenterYStopMove(int y, cCmdState* state) {}

  // The one-call set-up of every kind. `patterns` may be null.
  void SetParams(int id, int team, int player, int blockSide, int graphic, const int* const* patterns,
                 int startPattern, int imgOffX, int imgOffY, int w, int h, int imgW, int imgH, int facing,
                 int placementMode, int cloneValue);
  void SetPlacementMode(int mode);
  // Synced to the view: the flight flag of the placement mode (no gravity),
  // which the block map, the block charas, the special blocks and the block
  // items all read as "synced", whatever the template's scroll byte says.
  bool IsSyncedToScroll() const { return m_bNoGravity != 0; }
  void ShiftXForScale(int newFactor, int oldFactor);
  void ShiftXToCentre(int newFactor, int oldFactor);

  // Clamp against the scroll bounds (mode 0), the stage (1) or report the
  // edge passed (2), refreshing the far edge, the hit rectangle and the
  // cells of the axis. Edge codes: x 0..3; y 0..6 (1/4 view top/bottom,
  // 2/5 stage top/bottom, 3/6 world top/bottom).
  int ClampX(int mode);
  int ClampY(int mode);
  int MoveXClamped(int mode);
  int MoveYClamped(int mode);

  void UpdateScreenRect();
  int IsOnScreen() const;
  int IsOnScreenAxes(int ignoreX, int ignoreY) const;
  int IsInsideBounds(int world) const;
  int OverlapsRect(double left, double top, double right, double bottom) const;

  // Whether `target` reaches into the area around an own extent (start,
  // size) on one axis; see SenseInterval. On the vertical axis a target
  // whose box stands on its image bottom is taken down to that bottom,
  // unless the project keeps the plain rule.
  int TestAreaOverlap(int start, int size, int targetStart, int targetEnd, int targetOffset, int back, int front,
                      int whole, int vertical, const cGameObject& target) const;

  void ApplyGravity();
  void ApplyDeceleration(double& component, int enable) const;
  int GetDirSign() const { return m_bRight ? 1 : -1; }
  int HitsBlockAtCorners() const;
  int HitsBlockAtCorners2(int ignored) const { return HitsBlockAtCorners(); }
  // 1 when the object has left its removal range and is to be removed;
  // never while its on-screen flag is set.
  int IsInActiveRange(const cStageQuad& range) const;

  // Forced velocity for a knockback of t half blocks along (dx, dy).
  void KnockbackVelocity(double& vx, double& vy, int8_t t, double dx, double dy) const;

 protected:
  void CopyFields(const cGameObject& source);
};

// The interval an area covers around [start, start + size): from the
// centre, or from the near edge when that side reaches, out by back (lower
// coordinates) and front (higher); `whole` with no reach is the extent.
void SenseInterval(int& lo, int& hi, int start, int size, int back, int front, int whole);
