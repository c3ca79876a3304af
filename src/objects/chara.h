// Every chara of a stage but the hero: placed by the stage or summoned at
// run time. It sets itself up from a chara template, moves with its
// velocity, acceleration and forced velocity, runs its flows once per
// physics sub-step and tells stage play when it must go.
#pragma once
#include <vector>

#include "objects/chara_base.h"
#include "objects/item.h"
#include "records/checked.h"

class cChara : public cCharaBase {
 public:
  int m_bAnimateInactive = 0;   // an inactive chara keeps animating
  cItem m_DropItem;             // present when the chara has one to drop
  int m_nBalloonCount = 0;      // 0..95: the icon of the drop item shows for 32 of 96 frames
  int m_bIgnoreX = 0;           // the screen test ignores this axis
  int m_bIgnoreY = 0;
  int m_bAppearedC = 0;
  int m_bRemoved = 0;           // off the stage once the walk over the charas ends

  // The on-screen flag of this sub-step (set by stage play's activation).
  int OnScreen() const { return m_bOnScreen; }

  cChara() = default;
  // Temporary copies (collision trials) are unlinked copies of the base.
  cChara(const cChara& other);
  cChara& operator=(const cChara&) = delete;
  ~cChara() override = default;

  // Sets the chara up from its template (a scale of 0 in the template
  // becomes 1, in the template itself) at home (hx, hy), with the item it
  // drops (copied) or none.
  void Spawn(int id, cCharaData* templ, const cItem* dropItem, double hx, double hy, int cloneValue, int spare);
  void PlaceAtCell(int x, int y);

  void OnScaleChanged(int factor) override;
  void UpdateHitRectX() override;
  void UpdateHitRectY() override;
  cItem* GetDropItem() override { return &m_DropItem; }
  int OnMovedX() override;
  int OnMovedY() override;
  // Edge codes of the clamped moves; 4: past the world's side, 7: a walking
  // chara fell below the stage or the world, 8: a flying one left the world
  // at the top or bottom.
  int MoveX() override;
  int MoveY() override;
  // One sub-step of the chara's own logic and flows; 1 when it must go.
  int Update(int dying) override;
  void Jump(cCmdState* state) override;

  // Activation by the screen test (setting the chara's activation switch in
  // `switches`); 1 when inside its area.
  int UpdateActiveFlag(std::vector<BYTE>& switches);
  // 1 when the chara comes into play this sub-step.
  int TryAppear(const std::vector<BYTE>& switches);
  void DrawBalloonMark(DDSURFACEDATA* target);
};

// Whether commands count `c` as on the screen: a chara's on-screen flag of
// the sub-step; the hero, whose flag stands set in play, by the test of its
// place in the view.
int OnScreenFlag(const cCharaBase& c);

// The charas of the running stage.
extern cCheckedList<cChara> g_lstChara;
