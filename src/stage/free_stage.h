// Free play of one stage file, from the command line, the FreeStage option
// or the title's stage-file choice.
#pragma once

// 1 when the stage was loaded, 0 when loading failed. Resets the progress
// record for free play, loads the stage into g_Stage and g_StageStart
// (`numbered`: `path` names the stage without its number and the
// highest-numbered file is read), sets stage number 1 and the lives, and
// stores the stage path in the progress record. Does not change the scene.
int StartFreeStage(const char* path, int numbered);
