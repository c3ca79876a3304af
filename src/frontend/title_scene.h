// The title menu (scene type 0), the first screen the player meets: new
// story, continue from a save slot, challenge, a stage file, a replay,
// options and quit. Like every front-end scene it is a state machine whose
// state 0 fades in from black and whose last state fades out and then hands
// over to the scene the menu asked for (frontend/menu_scene.h).
#pragma once
#include "stage/scene.h"

// ---- starting a run from the title -------------------------------------------

// A new story: the progress record reset, the hero at the world map's start,
// world 0, and the story's lives.
void StartNewStory();

// ---- the title scene ------------------------------------------------------------

// Title item kinds: the index of the entry in the project's title menu.
enum : int {
  TITLE_NEW_STORY = 0,
  TITLE_CONTINUE = 1,
  TITLE_CHALLENGE = 2,
  TITLE_FREE_STAGE = 3,
  TITLE_REPLAY = 4,
  TITLE_OPTIONS = 5,
  TITLE_QUIT = 6,
  TITLE_ITEM_KINDS = 7,
};

class cTitleScene : public cScene {
 public:
  cTitleScene() = default;
  ~cTitleScene() override;
  cTitleScene(const cTitleScene&) = delete;
  cTitleScene& operator=(const cTitleScene&) = delete;

  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;
  void StateMenu();
  void StateSaveList();

  // The stage-file chooser of the main window, which also starts the
  // chosen stage; true when a stage is ready to play.
  bool RequestStageFile();
  // The replay chooser; true when a replay is ready to play.
  bool RequestLoadReplay();

  int m_nState = -1;    // -1 not entered, 0 fade-in, 1 menu, 2 save list, 3 fade-out
  int m_nSubState = 0;  // 0: the state has not set itself up yet
  using StateHandler = void (cTitleScene::*)();
  static const StateHandler m_StateTable[4];

  int m_nItemCount = 1;                     // enabled items, at least 1
  int m_nItemKind[TITLE_ITEM_KINDS] = {};   // kind of each, in menu order
  int m_nListTop = 0;                       // first slot shown in the save list
  int m_nListRows = 0;                      // rows shown in the save list
  int m_nMenuX = 192, m_nMenuY = 240;       // where the menu is drawn

 private:
  bool PictureMenu() const;
  void BuildMenuSurface();
  void DrawMenuSurface();
  // The background, the menu and the colour cycling of one frame.
  void DrawTitlePicture();
  void DrawMenuFrame();
};
