// STAND-INS: the five front-end scenes until the issues of the title, world
// map, world-map menu, challenge select and options screens replace them.
// Each draws its name on a plain screen and keeps the scene contract:
// fade-in, running, fade-out that hands over to m_nNextScene. Confirm
// (button 1) asks for the next type in order, cancel (button 2) for the
// title. The title stand-in also offers what the real title's menu items
// will do through the main window: button 3 opens a stage file (message
// 1026) and button 4 a replay (1027); a loaded one goes to stage play.
#pragma once
#include <cstdint>

#include "stage/scene.h"

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
  // The title's free-stage and replay items; true when a file was loaded.
  bool RequestFile(uint32_t msg, int gameMode, int titleChoice);
  double m_dAngle = 0;  // the stand-in fade's angle, 0 black .. 90 picture
  uint16_t m_wPrevButton = 0xFFFF;  // buttons of the last frame: a press is a change
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
class cOptionScene : public cPlaceholderScene {
 public:
  cOptionScene() : cPlaceholderScene(SCENE_OPTION, "Options") {}
};
