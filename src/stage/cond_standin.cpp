// STAND-IN until the condition kinds land with the world rules and the
// status conditions: no single condition holds yet, so flows and objects
// with conditions wait.
#include "stage/game_scene.h"

bool cGameScene::CheckCond(const cCond&, cCharaBase*) { return false; }
