// The message boxes of window mode, drawn by the program's dialog kit with
// its own fonts in a small window of their own (centred on the game window,
// or on the screen before the game window is up), so their Japanese and
// English texts read the same on every desktop.
//
// A box holds its icon (error, question, warning, information), its text
// wrapped as the dialogs wrap it, and the buttons of its type, the default
// one focused and marked. Left and right (or up and down) move the focus
// between the buttons; Return and Space press the focused one; Escape and
// the window's close button take Cancel, or the default button of a box
// without one; a click presses the button under it. A close of the game (or
// a SIGTERM before the game window exists) ends the box without an answer.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "services/gui_dialog.h"

// Where the parts of a box lie, in pixels of its window.
struct sMessageBoxLayout {
  sDialogResource resource;  // the box as a dialog resource (dialog units)
  int windowW = 0, windowH = 0;
  int textX = 0, textY = 0;        // the first line's top left
  std::vector<std::string> lines;  // CP932, as wrapped
  int lineHeight = 0;
  struct Button {
    int id = 0;
    int x = 0, y = 0, w = 0, h = 0;
  };
  std::vector<Button> buttons;
  int defaultId = 0;
  std::shared_ptr<std::vector<std::string>> texts;  // what the resource points to
};

// The layout of a box of that text (CP932), caption (CP932) and type; the
// button labels in English when english is set. The strings the resource
// points to live in the layout.
sMessageBoxLayout LayOutMessageBox(std::string_view text, std::string_view caption, unsigned type, bool english);

// The icon of a box type (32 x 32 on the dialog face), drawn by our own
// code; empty for a type without an icon.
const sDialogBitmap& MessageBoxIcon(unsigned type);

// Shows the box in its own window and returns the button pressed (IDOK,
// IDCANCEL, IDYES, IDNO); any thread (the box runs on the window thread).
// 0 when no window could be shown or the game closed while it was up.
int ShowDrawnMessageBox(std::string_view text, std::string_view caption, unsigned type);

// The buttons' labels: Japanese, or English (the start option English).
void SetMessageBoxEnglish(bool english);

// Makes every message box of window mode a drawn one (plat::ShowMessageBox
// hands them here). Headless runs keep their scripted answers.
void InstallDrawnMessageBoxes();
