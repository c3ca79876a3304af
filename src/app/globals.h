// The program's global objects that have no other home: the text renderers
// and their digit strips, and the window-data object of the dialogs. Every global
// object is defined in globals.cpp, in one fixed construction order.
#pragma once
#include <list>

#include "graphics/font.h"
#include "graphics/surface.h"
#include "records/checked.h"
#include "stage/stage_surfaces.h"

// The window-data object every dialog is given: the windows and dialogs that
// exist.
struct sWindowList {
  std::list<void*> windows;
  std::list<void*> dialogs;
};
extern sWindowList g_vecDialog;

