// Keyboard and text input for the modal dialogs drawn inside the game window.
// While a dialog is open the video layer hands every key event (presses and
// releases) and text input here instead of to the game's key table; the
// dialog's keyboard hook then decides what the dialog, its focused control
// and the game see (a release goes on to the game, a press never does).
// Tests inject the same events.
#pragma once
#include <string>
#include <vector>

namespace plat {

struct DialogInput {
  enum Kind { Key, Text, Click } kind = Key;
  int vk = 0;            // Key: Windows virtual-key code
  bool release = false;  // Key: the key went up
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
void InjectDialogKeyUp(int vk);
void InjectDialogText(const std::string& textCp932);
void InjectDialogClick(int x, int y);
// Main thread: takes every waiting event, oldest first.
std::vector<DialogInput> TakeDialogInput();
bool HasDialogInput();
void ClearDialogInput();

// Main thread: a key event the dialog passes on to the game's key table (the
// generic modifier follows its sides); nothing while an input script drives
// the keys.
void PassKeyToGame(int vk, bool down);

}  // namespace plat
