// The player's chara. Its moves drag the view along so that it stays
// centred, it jumps as high as its jump key is held, and item command lists
// run on it. Element 0 of Player is the hero of player 1.
#pragma once
#include <list>
#include <vector>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "records/checked.h"

class cInput;

// One hit-box display of a test play.
struct HITOVERLAY {
  int nKind = 0;     // 0 collision box, 1 chara rectangle, 2 item rectangle, 3 shot rectangle
  int nMode = 0;     // 0 none, 1 frame, 2 filled
  int nColor = 0;    // palette index
  int nX = 0, nY = 0;
  int nW = 0, nH = 0;
  int nCounter = 0;  // 0..31, cycles the colour
};

class cHero : public cCharaBase {
 public:
  const cInput* m_pInput = nullptr;  // the input record of the hero's player
  int m_nJumpHold = 0;               // sub-steps the jump key has been held in this jump
  int m_bJumpReady = 1;              // a new jump may start
  int m_bJumpKeyLock = 0;            // the jump key is ignored
  // While set, live play clears the direction or the button bits of the
  // player's input before the hero and the replay see them.
  int m_bDirInputLock = 0;
  int m_bButtonInputLock = 0;
  double m_dJumpDecelBase = 0.0;     // 4 / N: the extra braking on speed blocks
  int m_bJumpHandled = 0;            // the jump command ran in this sub-step
  int m_nWorldH1 = 0;
  int m_nWorldH2 = 0;
  int m_nPrevFacing = 0;
  std::list<cCharaBase*> m_lstContact;
  // The block under the feet: effect kind 1..5 (jump by height, no jump,
  // speed percent, move left, move right), its factor and argument.
  int m_nBlockEffect = 0;
  double m_dBlockFactor = 0.0;
  int m_nBlockArg = 0;
  int m_bOnEffectBlock = 0;
  int m_nBlockWord = 0;
  int m_nFrameCount = 0;
  HITRECT m_HitItem;
  std::vector<HITOVERLAY> m_vecOverlay;
  // Flow changes the hero's own flows asked for; applied after its flows ran.
  std::vector<cFlowCmd> m_vecPendingFlowCmd;
  // Parameter changes the arrange command of an item's command list
  // recorded for the next command of such a list.
  std::list<ARRANGEENTRY> m_lstArrange;

  cHero() = default;
  cHero(const cHero& other);
  cHero& operator=(const cHero& other);
  ~cHero() override = default;

  // Sets the hero up from its template (a scale of 0 in the template
  // becomes 1, in the template itself) at home (hx, hy).
  void InitFromTemplate(int id, cCharaData* templ, double hx, double hy, int spare);
  void SelectHitBoxSize(int& offX, int& offY, int& w, int& h) const;
  // Walking or flying, with the boxes that go with it; `scaleIt` applies
  // the template's scale to them.
  void ApplyCharaTemplate(int moveType, int scaleIt);
  void RebuildOverlayList();
  // The view follows the hero unless the axis scrolls by itself.
  int OnMovedX() override;
  int OnMovedY() override;
  // Hides the base's: the hero rounds its own way while an axis scrolls.
  void UpdateScreenRect();
  void OnScaleChanged(int factor) override;
  void UpdateHitRectX() override;
  void UpdateHitRectY() override;
  void SavePrevState() { m_nPrevContact = m_nContact; }
  void SavePrevDirection() { m_nPrevFacing = m_bRight; }
  int IsNotInContactList(const cCharaBase* chara) const;
  void RemoveFromContactList(const cCharaBase* chara);
  int MoveX() override;
  int MoveY() override;
  int Update(int dying) override;
  void Jump(cCmdState* state) override;
  // The hit-box overlays of a test play over the drawn hero.
  void DrawOverlays(DDSURFACEDATA* target);
  // The sprite as every chara draws, then the hit-box displays of a test play.
  void Draw(DDSURFACEDATA* target, int paused) override;
  // ===== hero_sight.cpp =====
  // Covers the screen outside the hero's limited sight (nothing without a
  // sight shape): the mask's hole lies on the hero, or ahead of it for the
  // shapes that look forward.
  void DrawSightPicture(DDSURFACEDATA* target);

 private:
  void CopyHeroFields(const cHero& other);
};

// The player heroes; element 0 is player 1.
extern cCheckedVector<cHero> Player;
