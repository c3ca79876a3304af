// The world-map menu (scene type 2), opened by cancel on the world map:
// save the story run into one of the 99 slots, switch autosave on or off,
// go back to the map, or return to the title.
#pragma once
#include "stage/scene.h"

class cWorldMenuScene : public cScene {
 public:
  cWorldMenuScene();
  ~cWorldMenuScene() override;

  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;
  void StateMenu();
  void StateSave();
  void StateAutoSave();
  void StateBackToMap();
  void StateToTitle();

  // -1 not entered, 0 fade-in, 1 menu, 2 save, 3 autosave, 4 back to the
  // map, 5 to the title, 6 fade-out.
  int m_nState = -1;
  int m_nSubState = 0;
  using StateHandler = void (cWorldMenuScene::*)();
  static const StateHandler m_StateTable[7];

  // Item kinds: the index in System.dat's world-menu list.
  enum : int { kItemSave = 0, kItemAutoSave = 1, kItemBack = 2, kItemTitle = 3 };
  int m_nItemCount = 0;
  int m_nItemKind[4] = {};
  int m_nListTop = 0;   // first slot shown
  int m_nListRows = 0;  // slots shown, at most 10

  // Saves the run into story slot `slot` as the slot in use: 1 on success;
  // on failure (reported by the slot writer, the old file kept) the slot in
  // use stays what it was.
  static int SaveRun(int slot);

 private:
  void DrawMenu();
  void DrawSlotList();
};
