// The options screen (scene type 5, reached from the title): the player's
// own settings of user_data\Option.dat (the 8-bit colour set, music on or
// off, the sound-effect volume, the ranking registration mode and the
// ranking name). A change takes effect at once; the file is written when
// the screen fades out.
#pragma once
#include "stage/scene.h"

// Item kinds: the index of the entry in the project's option menu.
enum : int {
  OPTION_COLOR_SET = 0,
  OPTION_MUSIC = 1,
  OPTION_SE_VOLUME = 2,
  OPTION_ENTRY_MODE = 3,
  OPTION_PLAYER_NAME = 4,
  OPTION_EXIT = 5,
  OPTION_ITEM_KINDS = 6,
};

class cOptionScene : public cScene {
 public:
  cOptionScene() = default;
  ~cOptionScene() override;
  cOptionScene(const cOptionScene&) = delete;
  cOptionScene& operator=(const cOptionScene&) = delete;

  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;
  void StateMenu();

  // Puts a changed value of an item kind into effect: the colour set's
  // palette (8-bit display), the volume of every loaded sound effect.
  static void ApplyOption(int kind);

  int m_nState = -1;    // -1 not entered, 0 fade-in, 1 menu, 2 fade-out
  int m_nSubState = 0;  // in the menu: 0 set-up, 1 choosing an item, 2 editing its value
  using StateHandler = void (cOptionScene::*)();
  static const StateHandler m_StateTable[3];

  int m_nItemCount = 1;                      // enabled items, at least 1
  int m_nItemKind[OPTION_ITEM_KINDS] = {};   // kind of each, in menu order
  int m_nEditKind = 0;                       // kind of the item being edited
  int m_nEditOld = 0;                        // its value when editing began
  int* m_pEditValue = nullptr;               // the option value being edited
  int m_nEditMin = 0, m_nEditMax = 0;        // its range

 private:
  void DrawScreen();
  void ShowScreen();
  void ChooseItem();
  void EditValue();
  void DrawEditFrame();
};
