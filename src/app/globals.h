// The program's global objects that have no other home: the surface
// containers of the running stage and scene, the text renderers and their
// digit strips, and the window-data object of the dialogs. Every global
// object is defined in globals.cpp, in one fixed construction order.
#pragma once
#include <list>

#include "graphics/font.h"
#include "graphics/surface.h"
#include "records/checked.h"

// The window-data object every dialog is given: the windows and dialogs that
// exist.
struct sWindowList {
  std::list<void*> windows;
  std::list<void*> dialogs;
};
extern sWindowList g_vecDialog;

extern cCheckedVector<DDSURFACEDATA> g_vecCharaExcSD;  // the stage's dedicated chara bitmaps
extern cCheckedVector<DDSURFACEDEF> g_vecCharaExcSDDef;
extern cCheckedVector<DDSURFACEDATA> g_vecSwordSD;     // the stage's sword-type images
extern cCheckedVector<DDSURFACEDEF> g_vecSwordSDDef;
extern cCheckedVector<DDSURFACEDATA> g_vecEffectSD;    // the stage's effect images
extern cCheckedVector<DDSURFACEDEF> g_vecEffectSDDef;
extern cCheckedVector<DDSURFACEDATA> g_vecSceneSD;     // the current scene's pictures
extern cCheckedVector<DDSURFACEDEF> g_vecSceneSDDef;
extern cCheckedList<DDSURFACEDATA> g_lstPictureSD;     // images of picture commands
extern cCheckedList<DDSURFACEDEF> g_lstPictureSDDef;
extern cCheckedList<DDSURFACEDATA> Off_Msg;            // message text surfaces
extern cCheckedList<DDSURFACEDEF> g_lstMsgSDDef;

extern cFont g_TextRenderer[3];        // the three built-in fonts
// Their digit strips; no destructor: the shutdown releases them.
extern DDSURFACEDATA (&g_NumberSD)[3];
