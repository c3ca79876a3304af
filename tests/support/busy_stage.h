// A busy stage for the tests that compare whole runs (determinism, replays)
// and for the stage-play benchmark: charas walking by flows that draw random
// numbers, charas firing shots with a random spread, effects and messages,
// parallax backgrounds and, optionally, a block in every cell.
#pragma once
#include <string>

#include "records/stage_data.h"

namespace t4test {

struct BusyStageSpec {
  int width = 40;   // cells
  int height = 15;  // the floor is the last row, the hero stands on it
  // Every cell off the floor holds a block the objects pass through, in
  // both drawing layers.
  bool fullBlockMap = false;
  int backgrounds = 1;  // 0..8 layers, pictures of the built-in sheets
  int walkers = 8;      // charas pacing left and right, adding dice to a common variable
  int flyers = 0;       // charas flying up and down through everything
  int shooters = 2;     // charas firing a shot with a random spread every few frames
  int shotsPerVolley = 1;
  int effectCharas = 1;   // charas starting Effect database entry 1 now and then
  int messageCharas = 0;  // charas showing a timed message now and then
};

// The stage (its hero walks with the arrow keys and jumps with button 1).
cStageData MakeBusyStage(const BusyStageSpec& spec, const char* name = "busy");

// Gives Effect database entry 1 of the project under `root` (an OS path, a
// project WriteProject made) a picture and four frames, so the effect
// charas have something to draw. False when it could not be written.
bool WriteBusyEffect(const std::string& root);

}  // namespace t4test
