// The surface containers of the running stage and the current scene: the
// stage's dedicated chara bitmaps, sword and effect images, the pictures of
// picture commands and the message text surfaces. Defined with the other
// global objects, in their fixed construction order.
#pragma once
#include "graphics/surface.h"
#include "records/checked.h"

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
