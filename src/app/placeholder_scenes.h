// STAND-INS: the six scenes until the issues of the title, world map,
// world-map menu, challenge select, stage play and options screens replace
// them. Each draws its name on a plain screen and keeps the scene contract:
// fade-in, running, fade-out that hands over to m_nNextScene. Confirm
// (button 1) asks for the next type in order, cancel (button 2) for the
// title.
#pragma once
#include "app/scene.h"

// Stand-in for one scene type.
class cPlaceholderScene : public cScene {
 public:
  cPlaceholderScene(int type, const char* name) : m_nType(type), m_szName(name) {}
  void Update() override;
  void Enter() override;
  void FadeIn() override;
  void FadeOut() override;

  int m_nState = -1;  // -1 not entered, 0 fade-in, 1 running, 2 fade-out
  const int m_nType;
  const char* const m_szName;

 private:
  void Draw();
  void Run();
  double m_dAngle = 0;  // the stand-in fade's angle, 0 black .. 90 picture
};

// Stand-ins (see above) under the names the real scenes will have.
class cTitleScene : public cPlaceholderScene {
 public:
  cTitleScene() : cPlaceholderScene(SCENE_TITLE, "Title") {}
};
class cWorldMapScene : public cPlaceholderScene {
 public:
  cWorldMapScene() : cPlaceholderScene(SCENE_WORLDMAP, "World map") {}
};
class cWorldMenuScene : public cPlaceholderScene {
 public:
  cWorldMenuScene() : cPlaceholderScene(SCENE_WORLDMENU, "World-map menu") {}
};
class cChallengeScene : public cPlaceholderScene {
 public:
  cChallengeScene() : cPlaceholderScene(SCENE_CHALLENGE, "Challenge select") {}
};
class cGameScene : public cPlaceholderScene {
 public:
  cGameScene() : cPlaceholderScene(SCENE_GAME, "Stage play") {}
};
class cOptionScene : public cPlaceholderScene {
 public:
  cOptionScene() : cPlaceholderScene(SCENE_OPTION, "Options") {}
};
