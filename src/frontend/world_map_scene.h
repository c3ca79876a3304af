// The world map of story mode (scene type 1): the hero walks a grid of
// terrain chips from node to node; stepping on a stage that is not open yet
// asks whether to play it, confirm asks on an open one, and cancel opens
// the world-map menu. The remaining lives, the caption and best score of the
// stage under the hero and, on request, its ranking are shown over the map.
#pragma once
#include "stage/menu_cursor.h"
#include "stage/scene.h"

class cWorldNodeData;
class cWorldStageData;

class cWorldMapScene : public cScene {
 public:
  cWorldMapScene();
  ~cWorldMapScene() override;

  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;
  void StateMap();
  void StateConfirm();

  int m_nState = -1;    // -1 not entered, 0 fade-in, 1 map, 2 question, 3 fade-out
  int m_nSubState = 0;  // 0: the state has not set itself up yet
  using StateHandler = void (cWorldMapScene::*)();
  static const StateHandler m_StateTable[4];

  int m_nOriginX = 0;   // map cell shown at the screen's top left: cursor - (9, 7)
  int m_nOriginY = 0;
  cWorldNodeData* m_pNode = nullptr;    // node under the cursor
  cWorldStageData* m_pStage = nullptr;  // its entry available now
  int m_nStageIndex = -1;               // that entry's index in the node
  int m_nFacing = 0;                    // 0 down, 1 up, 2 left, 3 right
  MENUCURSOR m_SavedCursor;             // the cursor before the last move
  MENUCURSOR m_InfoCursor{-1, -1, 0, 0};  // where the stage information was loaded last
  int m_nBestScore = 0;                 // best score of the stage under the cursor
  int m_bStageLoaded = 0;               // the question's stage file was read

  // The origin the work surface was composed for; it outlives the scene so
  // the map is composed again only when the view moved.
  static int s_nDrawnOriginX, s_nDrawnOriginY;
  // The hero's walk: 1..80, the second picture past 40.
  static int s_nWalkCounter;

  // Looks the node and its available entry up under the cursor.
  void LookUpStage();
  // SetStageFile, the best score and, with rankings on, the ranking.
  void LoadStageInfo();
  // The progress record set for the entry under the cursor, whose stage
  // has just been loaded.
  void StartMapStage();
  // Tiles, the background picture and the node icons into the work surface.
  void ComposeMap();
  // The map, the hero and the lives; with `info`, the stage information.
  void DrawFrame(int info);
  void RedrawRanking();
  // Buttons 4 and 8: the ranking box on and off, and its kind.
  void HandleRankingKeys(uint16_t buttons);
  // The view follows the cursor; the map is composed again when it moved.
  void FollowCursor();

  bool IsPlayable() const;  // a stage entry (not a road or wall) under the cursor
  bool IsCleared() const;
  bool IsOpen() const;      // cleared, or passable before it is cleared
};

// The first entry of a node available now, by the flag, variable and total
// score it asks for; -1 when none is.
int FindAvailableStage(const cWorldNodeData& node);
// The progress record's world flag n; a number outside the list is unset.
int WorldFlagSet(int n);
