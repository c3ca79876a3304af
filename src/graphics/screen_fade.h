// STAND-IN kept for the placeholder scenes until they are replaced: a fade
// by an angle from black (0) to the picture (90) that a scene steps once a
// frame. Scenes fade with DDFadeIn / DDFadeOut (palette_fx.h, included here).
#pragma once
#include "graphics/palette_fx.h"

// Fading in, the angle rises by `step` to 90 and completion comes on the
// call after it got there; fading out it falls to 0 the same way.
bool FadeStepStandIn(double* angle, double step, bool fadeIn);
// The frame as a fade at `angle` shows it: in 8-bit DirectDraw through the
// working palette, as the real fades do; elsewhere the drawn frame is
// darkened.
void ShadeFrame(double angle);
