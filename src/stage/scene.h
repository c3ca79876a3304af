// The scene base. Every screen of the game (title, world map, world-map
// menu, challenge select, stage play, options) is a scene: the scene manager
// creates it when its type is requested, steps it once a frame and deletes it
// when another type takes over.
//
// The switching protocol every scene keeps: the running scene writes the
// requested type into the manager's m_nNextScene and enters its fade-out;
// when the fade-out finishes it sets m_nScene = m_nNextScene and
// m_nPrevScene = its own type, and returns to its entry state. The next
// frame then switches.
#pragma once

// Scene types.
enum : int {
  SCENE_TITLE = 0,
  SCENE_WORLDMAP = 1,
  SCENE_WORLDMENU = 2,
  SCENE_CHALLENGE = 3,
  SCENE_GAME = 4,  // stage play
  SCENE_OPTION = 5,
  SCENE_TYPES = 6,
};

class cScene {
 public:
  virtual ~cScene() = default;
  // One frame of the scene: its own state machine, drawing included. A
  // scene runs its own Enter from here on its first frame.
  virtual void Update() {}
  virtual void Enter() {}
  virtual void FadeIn() {}
  // Performs the switch request when the fade ends.
  virtual void FadeOut() {}
};
