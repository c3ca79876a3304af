// A running stage for the object tests: the stage record's physics (hit
// level and gravity), a play scene with its two axes over a stage of the
// given size, and an empty block map into which single blocks can be put.
// Everything it sets is put back when it goes.
#pragma once
#include "records/stage_data.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

namespace t4test {

class StageFixture {
 public:
  // A stage of width x height cells at hit level `level` (its sub-steps N)
  // and gravity setting `gravity` (pixels per frame per frame).
  StageFixture(int width = 40, int height = 20, int level = 1, double gravity = 1.0)
      : savedStage_(g_Stage), savedScene_(g_pGameScene) {
    g_Stage.m_nWidth = width;
    g_Stage.m_nHeight = height;
    g_Stage.m_nPixelWidth = width * 32;
    g_Stage.m_nPixelHeight = height * 32;
    g_Stage.m_dGravity = gravity;
    g_Stage.SetHitLevel(level);
    scene_.SetUpAxes(width, height);
    g_pGameScene = &scene_;
    g_vecBlockMap.clear();
    cBlockCell empty;
    empty.m_sGraphic = 0;
    empty.m_byHitKind = kBlockHitNone;
    empty.m_bSummonProof = 0;
    g_vecBlockMap.assign(static_cast<size_t>(height + 20) << scene_.m_ScrollX.m_nRowShift, empty);
  }
  ~StageFixture() {
    g_vecBlockMap.clear();
    g_pGameScene = savedScene_;
    g_Stage = savedStage_;
  }
  StageFixture(const StageFixture&) = delete;
  StageFixture& operator=(const StageFixture&) = delete;

  cGameScene& Scene() { return scene_; }
  // The block-map cell of map cell (cx, cy) (stage cell + 10).
  cBlockCell& Cell(int cx, int cy) {
    return g_vecBlockMap[static_cast<size_t>(cx + (cy << scene_.m_ScrollX.m_nRowShift))];
  }
  // Puts a block of hit kind `hit` at map cell (cx, cy).
  cBlockCell& SetBlock(int cx, int cy, int hit = kBlockHitSolid) {
    cBlockCell& c = Cell(cx, cy);
    c.m_sGraphic = 1;
    c.m_byHitKind = static_cast<BYTE>(hit);
    return c;
  }

 private:
  cStageData savedStage_;
  cGameScene* savedScene_;
  cGameScene scene_;
};

}  // namespace t4test
