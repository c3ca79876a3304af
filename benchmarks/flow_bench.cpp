// The cost of the authors' scripts per chara: a run-code line, and one
// sub-step of a chara running a straight move beside a run-code flow.
#include <benchmark/benchmark.h>

#include "flow/flow_records.h"
#include "flow/run_code.h"
#include "objects/chara.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

namespace {

// A 40 x 20 stage with its play scene, enough for charas to run flows.
struct Stage {
  cGameScene scene;
  Stage() {
    g_Stage.m_nWidth = 40;
    g_Stage.m_nHeight = 20;
    g_Stage.SetHitLevel(2);
    scene.SetUpAxes(40, 20);
    g_pGameScene = &scene;
  }
  ~Stage() { g_pGameScene = nullptr; }
};

void RunCodeLine(benchmark::State& state) {
  Stage stage;
  cChara chara;
  cCharaData t;
  t.m_nMaxHp = 100;
  chara.Spawn(1, &t, nullptr, 400, 400, 0, 0);
  for (auto _ : state) {
    RunCode("C12 = C12 + rand(1, 6) * (2 + hp % 7) - v1", &chara);
    benchmark::DoNotOptimize(g_Progress.m_vecVar[12]);
  }
}
BENCHMARK(RunCodeLine);

void CharaFlowSubStep(benchmark::State& state) {
  Stage stage;
  cFlowCmd move;
  move.m_byKind = 2;
  CreateEdMove(move.m_pEdMove);
  move.m_pEdMove->m_byDirection = 3;
  move.m_sTime = 10000;
  cFlowCmd code;
  code.m_byKind = 37;
  code.m_sTime = 10000;
  code.m_strText = "v1 = v1 + 1";
  cFlow walk, count;
  walk.m_vecCmd = {move};
  count.m_vecCmd = {code};
  cCharaData t;
  t.m_nMaxHp = 100;
  t.m_byFlight = kFlightThrough;
  t.m_vecFlow = {walk, count};
  cChara chara;
  chara.Spawn(1, &t, nullptr, 400, 400, 0, 0);
  auto start = [&] {
    for (cFlowState& s : chara.m_vecFlowState) {
      stage.scene.m_pCurChara = &chara;
      s.Start();
    }
  };
  for (auto _ : state) {
    if (!chara.m_vecFlowState[1].m_bRunning) start();
    chara.Update(0);
    chara.MoveX();
    chara.MoveY();
    if (chara.m_dX > 1200) chara.m_dX = 400;
  }
}
BENCHMARK(CharaFlowSubStep);

}  // namespace

BENCHMARK_MAIN();
