// The demo's world map: a road from the start cell east past the three
// stage points, with a bend so the walk shows the map scrolling and turning.
#include <string>

#include "demo_game.h"
#include "records/worldmap_data.h"

namespace demo {

namespace {

// Chip kinds of the default chip list: below 5 blocked, 5 and up passable.
constexpr int kSea = 0, kGrass = 1, kForest = 2, kRoad = 5;

void SetCell(cWorldMapData& map, int x, int y, int kind) { map.m_vecCell.At(map.CellIndex(x, y)) = kind; }

void AddStagePoint(cWorldMapData& map, int x, int y, int n, const char* title) {
  cWorldNodeData node;
  node.m_nX = x;
  node.m_nY = y;
  node.m_strName = title;
  cWorldStageData& e = node.m_vecStage.At(0);
  e.m_nKind = kWorldStagePoint;
  e.m_nMarkRow = n - 1;
  e.m_nClearFlag = n;
  e.m_bReplayable = 1;
  e.m_nAfterClear = kAfterClearNothing;
  e.m_strTitle = title;
  e.m_strStageFile = "data\\stg4\\Stage" + std::to_string(n) + ".stg4";
  map.m_vecNode.push_back(node);
}

}  // namespace

// The map view keeps the hero 9 cells from its left edge and 7 from its
// top, 20 x 15 cells in all. The island lies 6 columns and 2 rows into a
// sea of 33 x 19 cells, so the view around any cell of the road stays on
// the map and the screen shows sea wherever the island ends.
constexpr int kLeft = 6, kTop = 2;

// The road (island cells, from the island's top left): start (3, 7), east
// to (9, 7), north to (9, 5), east to (16, 5). Stage 1 at (6, 7), stage 2
// at (9, 5), stage 3 at (14, 5). On the map each lies kLeft, kTop further.
bool WriteDemoWorldMap() {
  cWorldMapData map;
  map.m_strName = "デモワールド";
  map.SetSize(33, 19);
  for (int& cell : map.m_vecCell) cell = kSea;
  const auto set = [&map](int x, int y, int kind) { SetCell(map, kLeft + x, kTop + y, kind); };
  // An island around the road: grass beside it, woods a little further.
  for (int y = 2; y <= 10; ++y)
    for (int x = 1; x <= 18; ++x) set(x, y, (y == 2 || y == 10 || x == 1 || x == 18) ? kForest : kGrass);
  for (int x = 3; x <= 9; ++x) set(x, 7, kRoad);
  for (int y = 5; y <= 7; ++y) set(9, y, kRoad);
  for (int x = 9; x <= 16; ++x) set(x, 5, kRoad);
  map.m_nStartX = kLeft + 3;
  map.m_nStartY = kTop + 7;
  AddStagePoint(map, kLeft + 6, kTop + 7, 1, "草原");
  AddStagePoint(map, kLeft + 9, kTop + 5, 2, "空の道");
  AddStagePoint(map, kLeft + 14, kTop + 5, 3, "ボスの城");
  return map.SaveToFile("data\\WorldMap.dat");
}

}  // namespace demo
