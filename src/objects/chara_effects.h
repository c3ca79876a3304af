// The chara-effect renderers: every draw of a chara goes through the one
// that its effect state's kind selects (the plain draw for none). A renderer
// draws the sprite with its effect at the state's current value, advances
// the state and tells when the effect is over.
#pragma once
#include "objects/chara_base.h"

struct DDSURFACEDATA;
struct SPRITESRC;

// Runs the renderer of the chara's effect in play; with `draw` 0 (a hidden
// chara) nothing is drawn but the effect still advances. 1 when the effect
// has ended, 0 while it goes on (always 0 while paused).
int RunCharaEffectRenderer(cCharaBase& chara, DDSURFACEDATA* target, const SPRITESRC* src,
                           const cCharaBase::COLORPAIR& pair, int paused, int draw);

// sqrt 2, computed once at start-up: the renderers size the squares a
// turned or magnified sprite needs with it.
extern const double g_dSqrt2;
