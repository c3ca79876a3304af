// The challenge stage select (scene type 3): the open challenge stages
// (data\stg4\c01-1.stg4 ...) ten rows a page, each with its clear mark and
// best score, the run's total score and, on request, the ranking of the
// stage under the cursor. The cursor and the page are kept in the scene
// manager, so they are the same after a stage.
#pragma once
#include <string>

#include "stage/scene.h"

class cChallengeScene : public cScene {
 public:
  cChallengeScene();
  ~cChallengeScene() override;

  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;
  void StateStageList();

  int m_nState = -1;  // -1 not entered, 0 fade-in, 1 list, 2 fade-out
  int m_nSubState = 0;
  using StateHandler = void (cChallengeScene::*)();
  static const StateHandler m_StateTable[3];

  int m_nListTop = 0;     // first stage shown
  int m_nStageCount = 0;  // stages listed
  int m_nListRows = 0;    // rows shown: at most 10

  // The file of challenge stage n (from 1): "data\stg4\cNN-1.stg4".
  static std::string StageFileName(int n);
  // The stages listed: all of System.dat's challenge stages when they are
  // all open, else those the run has opened; the rows from the list top.
  void CountStages();
  // SetStageFile for stage n and, with rankings on, its ranking.
  void LoadStageInfo(int n);
  // The whole list into the scene surface.
  void DrawList();
};
