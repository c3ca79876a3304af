// STAND-IN until stage play builds its stage resources: the sight masks do
// not exist yet, so there is nothing to rebuild.
#include "stage/game_scene.h"

void CreateSightMask(cGameScene*) {}
