// An item lying in the stage: placed by the stage, summoned by a command,
// dropped by a dying chara (each chara carries one) or built for a moment
// from a block that gives an item. It keeps its own copy of its item
// template, whose command list runs on the hero who takes it.
#pragma once
#include "objects/game_object.h"
#include "records/checked.h"
#include "records/item_data.h"

struct DDSURFACEDATA;

class cItem : public cGameObject {
 public:
  cItemData m_Data;   // the item's own template copy
  int m_bPresent = 0; // a carried item exists only when its chara has one to drop
  int m_bRemoved = 0; // off the stage once the walk over the items ends

  cItem() = default;
  cItem(const cItem& other);
  cItem& operator=(const cItem& other);
  ~cItem() override;

  // The size of an item changes only its drawing.
  void OnScaleChanged(int factor) override {}
  // Keeps the item standing on the same bottom line when its scale changes.
  void AdjustYForScale(int newFactor, int oldFactor) override;

  // Sets the item up from `templ` (a scale of 0 there becomes 1, in the
  // template itself). A present item (one a chara carries) has appeared
  // already and keeps scale 1. The result is that of the loop expansion of
  // the command list: 0 when it would not fit.
  int InitFromTemplate(int id, cItemData& templ, int present);
  // Puts the item on stage cell (x, y).
  void PlaceAtCell(int x, int y);
  // Draws the icon (stepping its blink first when `step` is set) and its
  // mark into the image rectangle, unless the template hides it.
  void Draw(DDSURFACEDATA* target, int step);
};

// The animation every item plays: its two icon frames in turn.
extern const int* const g_apItemBlinkPattern[];

// The items of the running stage.
extern cCheckedList<cItem> g_lstItem;
