// Start-up and shutdown of the game: InitGame brings up everything the game
// needs in a fixed order, UnInitGame releases it, GameLoop runs the frames
// on the game thread.
#pragma once

// True when the program may run. `cmdLine` is the stage path given on the
// command line ("" when none); `showCmd` the window's show command.
bool InitGame(const char* cmdLine, int showCmd);
// Releases what InitGame set up; safe after a start-up that failed part-way.
void UnInitGame();
// The game thread's procedure; returns 1.
unsigned GameLoop(void* arg);

// Sizes and fills the sound-effect definitions: slots 0-16 the 17 system
// sounds of g_SystemData, slot 16 + k the file of Sound database entry k
// (entry 0 is never a slot); at least the 17 system slots whatever the
// database holds.
void FillSoundSlots();
