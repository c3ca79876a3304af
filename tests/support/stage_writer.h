// Stage files and the common palette for tests, written by the program's own
// Save, with helpers that place objects on a stage.
#pragma once
#include <string>

#include "records/palette_data.h"
#include "records/stage_data.h"

// A new stage (the program's defaults) of w x h cells, named `name`.
cStageData MakeTestStage(int w = 20, int h = 15, const char* name = "test");

// Placed objects at cell (x, y). The reference is valid until the next
// object of the same kind is placed.
cBlockData& PlaceBlock(cStageData& stage, int x, int y, int graphic = 1);
// A computer-controlled chara carrying nothing.
cCharaData& PlaceChara(cStageData& stage, int x, int y, int graphic = 1);
// A player-controlled chara with a graphic: the stage's hero.
cCharaData& PlaceHero(cStageData& stage, int x, int y);
cItemData& PlaceItem(cStageData& stage, int x, int y, int graphic = 1);

// Writes the stage through cStageData::Save (stored path; relative paths
// are taken from the current directory). False when it could not be written.
bool WriteStage(const std::string& storedPath, cStageData& stage);
// A playable stage (20 x 15, a floor of blocks along row 14, the hero at
// (1, 13)) written to storedPath.
bool WriteTestStage(const std::string& storedPath, const char* name = "test");

// The common palette, by default the constructed one, as
// data\CommonPalette.cplt4 of the current directory (or storedPath).
bool WriteCommonPalette(const std::string& storedPath = "data\\CommonPalette.cplt4");
bool WriteCommonPalette(cPaletteData& palette, const std::string& storedPath = "data\\CommonPalette.cplt4");
