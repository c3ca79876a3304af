// The message box of the full-screen game: drawn on the back buffer inside
// the game window (no system box can show over the full-screen display),
// answered from the keyboard or with a click, or in headless runs by the
// scripted answer or the box's default button. In window mode the ordinary
// box shows. While it is up its keys and clicks are its own: Escape answers
// it (Cancel, or the default button) and never reaches the game or the main
// window.
#pragma once
#include "graphics/surface.h"

// Full screen only (window mode returns 1 at once): on closes the open scene
// so the box can be drawn and shown; 0 when there is no display to switch.
int DDSetDialogBoxMode(int on);
// The button chosen (IDOK, IDCANCEL, IDYES, IDNO); 0 when the display could
// not switch to dialog mode (then nothing was shown).
int DDMesBox(const char* text, const char* caption, unsigned type);

// The drawn box's buttons in English (the start option English) instead of
// Japanese.
void DDSetMesBoxEnglish(int english);

// Installs DDMesBox as the display's full-screen box and the sheet-text
// overlay of the frame pacer. Done when this part of the program is linked;
// callable again after a test replaced either.
void DDInstallDrawnBoxes();
