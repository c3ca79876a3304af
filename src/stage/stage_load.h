// Loading a stage for play: the stage file is found, checked for its end
// marker and read into g_Stage on the loading thread while the calling
// thread keeps serving messages; a stage without a hero is refused, and the
// settings go into the start copy that every (re)start restores.
#pragma once
#include <string>

class cStageData;

// 1 when g_Stage holds the stage and `target` (when given) its settings; 0
// otherwise (after the message the case calls for). With `numbered` set,
// `path` names the stage without its number and the highest-numbered file
// "<stem>.stg4_NNN" is read; when there is none, 0 without a message.
int LoadPlayStage(const std::string& path, int numbered, cStageData* target);

// The loading thread: reads g_Stage from its stored path and sets its loaded
// flag when the whole file was read.
unsigned LoadStageThreadProc(void* arg);

// 0 (after the damage message, with the main window asked to close) when a
// stage file of version 174 or later does not end with the end marker;
// 1 otherwise, also when the file cannot be read (the load then reports).
int CheckStageFileMarker(const std::string& path);
