// Glyph masks composited onto surfaces: every ink pixel of a monochrome mask
// becomes the text colour in the surface's own format, every other pixel is
// left alone. No blending, so keyed copies of the result leave no fringes.
#pragma once
#include <string_view>

#include "graphics/surface.h"
#include "platform/fonts.h"

// The text colour a font keeps: Direct3D 0xFFRRGGBB; DirectDraw a GDI colour
// 0x00BBGGRR, at 16 bits made from the palette entry's field values.
DWORD TextColorOfPalNum(DWORD palNum);

// The raw pixel the text colour becomes in a buffer of `format`: the
// device's conversion in Direct3D, GDI's in DirectDraw (nearest palette
// entry at 8 bits, the top bits of each channel at 16).
uint32_t TextInkPixel(PixelFormat format, DWORD textColor);

// Writes the text colour wherever the mask has ink, with the mask's top left
// at (x, y) of the target; clipped to the target. Aliases and the virtual
// back buffer are resolved. False when the target has no pixels.
bool DrawInkMask(DDSURFACEDATA* target, const plat::TextMask& mask, int x, int y, DWORD textColor);

// Clears a rectangle of a keyed text surface to transparent: palette colour
// 0 in Direct3D (the clear key), the surface's own colour key in DirectDraw.
void ClearToTextKey(DDSURFACEDATA* sd, int x, int y, int w, int h);

// Text drawn with `font` at (x, y) in the text colour, rendering only the
// part that lands on the target, so a line of any length costs no more
// memory than the target holds.
bool DrawInkText(DDSURFACEDATA* target, const plat::Font& font, std::string_view text, int x, int y,
                 DWORD textColor);
