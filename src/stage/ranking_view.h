// The ranking displays: one ranking list of the stage (the world map, the
// challenge select and the results screen show it) and the results panel
// of the cleared stage with its place marks. Both draw with the game's
// 16 x 16 text renderer.
#pragma once
#include <vector>

#include "graphics/surface.h"
#include "records/ranking_data.h"

// List `kind` of `ranking` in a window at (x, y): the header with the kind's
// name, one row per place (number, name, value; clear times as mm:ss.hh),
// the hint to switch kinds when the game mode has two or more, and the mark
// at `cursorRow` (-1: none).
void DrawRanking(const cRankingData& ranking, DDSURFACEDATA* dst, int x, int y, int kind, int cursorRow);

// The cleared stage's results (the run's score, time left, clear time,
// remaining life and second gauge) for the kinds the stage and the game mode
// rank, one row each, and a mark for each kind whose result took a place
// (`positions`: per kind the place, -1 none). Nothing when no kind is shown.
void DrawModeTotals(DDSURFACEDATA* dst, int x, int y, const std::vector<int>& positions);
