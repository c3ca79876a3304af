// The two Direct3D batches that collect many small draws of one drawing step
// and draw them at its end: the sprite batch (textured quads, optionally
// ordered by sheet) and the rectangle batch (filled rectangles). Both do
// nothing with DirectDraw.
#pragma once
#include "graphics/surface.h"

void DDBeginSpriteBatch(int order);
void DDSetSpriteOrder(DDSURFACEDATA* texture);
void DDEndSpriteBatch();
void DDBeginRectBatch();
void DDEndRectBatch();

// Used by the blits and fills while a batch is open.
bool DDSpriteBatchOpen();
void DDAppendSprite(DDSURFACEDATA* dst, DDSURFACEDATA* src, int x, int y, int w, int h, int sx, int sy, int sw,
                    int sh, int key);
bool DDRectBatchOpen();
void DDAppendRect(DDSURFACEDATA* target, int x, int y, int w, int h, D3DCOLOR color);

// What the last DDEndSpriteBatch / DDEndRectBatch drew: the number of runs
// (one vertex buffer, texture and state set each). For the tests.
int DDLastSpriteRunCount();
int DDLastRectRunCount();
