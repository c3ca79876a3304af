// Keyboard and text input for the modal dialogs drawn inside the game window.
// While a dialog is open the video layer hands key presses and text input
// here instead of to the game's key table, so that Esc, Enter and typing
// reach the dialog and never the game. Tests inject the same events.
#pragma once
#include <string>
#include <vector>

namespace plat {

struct DialogInput {
  enum Kind { Key, Text, Click } kind = Key;
  int vk = 0;            // Key: Windows virtual-key code of a key press
  bool shift = false;    // Key: modifiers held with it
  bool ctrl = false;
  std::string textCp932; // Text: committed text, CP932
  int x = 0, y = 0;      // Click: left button pressed here (game-window pixels)
};

// Main thread. Opening a dialog starts routing (and SDL text input);
// closing the last one stops it. Calls nest.
void BeginDialogInput();
void EndDialogInput();
bool DialogInputActive();
// True while an input-method composition is open: Enter belongs to it.
bool DialogComposing();
void SetDialogComposing(bool composing);

// Any thread: appends an event for the open (or next) dialog.
void InjectDialogInput(const DialogInput& input);
void InjectDialogKey(int vk, bool shift = false, bool ctrl = false);
void InjectDialogText(const std::string& textCp932);
void InjectDialogClick(int x, int y);
// Main thread: takes every waiting event, oldest first.
std::vector<DialogInput> TakeDialogInput();
bool HasDialogInput();
void ClearDialogInput();

}  // namespace plat
