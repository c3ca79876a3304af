// The ten start-up options: the project's defaults from data\System.dat,
// then the player's "System.ini" beside the program.
#pragma once
#include <string_view>

#include "records/checked.h"
#include "records/system_data.h"

inline constexpr int kFreeStageSize = 260;

struct STARTOPTION {
  int Direct3D = 0;         // 0 DirectDraw, 1 Direct3D, 2 or more: ask (Boot.dat / start-up dialog)
  int WindowMode = 0;       // 0 full screen, 1 window, 2 resizable window (Direct3D only)
  int Bpp = 0;              // 0 automatic, else 8, 16 or 32
  int VSync = 0;            // 0 off, 1 on, 2 automatic
  int D3D_FontCache = 0;
  int DD_FontCache = 0;
  int DD_VideoStretch = 0;
  int ShowFps = 0;          // 0 off, 1 and 2 the two overlay styles
  int English = 0;          // the program's own dialogs in English
  char FreeStage[kFreeStageSize] = {};  // stage file to play at start ("" none)
};

extern STARTOPTION g_StartOption;

// Direct3D .. ShowFps from the int values of option entries 0-7, FreeStage
// from the string of entry 8, English 0 (entry 9 is not taken). A project
// FreeStage that does not fit the field is refused (left "").
void SetStartOptionDefaults(STARTOPTION& option, const cCheckedVector<cSystemOptionData>& list);

// Reads "key=value" entries of a System.ini (Shift-JIS bytes). Keys are the
// names of the option list's entries, compared exactly. Blanks, tabs and CRs
// inside a key are dropped; a value ends at a blank, tab, "/", CR, LF or NUL,
// and the rest of the line is read as further keys (so "Bpp = 16" gives an
// empty value, 0). A line "Exit" (with or without a line end) or a NUL where
// a key starts ends the read with success, as do 10000 entries. A file that
// cannot be read, ends without "Exit", or holds a key or value of 2048 bytes
// or more fails: 1 on success, 0 on failure. The record changes only on
// success (the caller restores the project's defaults on failure anyway).
int ReadSystemIni(std::string_view path, STARTOPTION& option, const cCheckedVector<cSystemOptionData>& list);
// The same on bytes already in memory.
int ParseSystemIni(std::string_view text, STARTOPTION& option, const cCheckedVector<cSystemOptionData>& list);
