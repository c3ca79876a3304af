// The keyboard hook of the dialogs. Every dialog ties its embedded cHook to
// its handle (cDialog::Handle, for the time DoModal runs); while that dialog
// is the active one, each key event the window thread takes from the system
// is first put through cHook::HookProc, which says where the key goes (the
// dialog carries the decision out in cDialog::HandleInput):
//
//   key (while a dialog is active)       dialog receives       focused control  game
//   release of any key                   KeyUp (*)             yes              release only
//   Enter, composition open              nothing               the composition  no
//   Tab                                  nothing               yes (focus move) no
//   Space, arrows, Delete, F1-F8,        SpecialKey (2024)     yes              no
//     no composition open
//   any other press (Esc, Enter, letters, KeyDown (*)           yes              no
//     special keys while composing)
//
//   (*) not for a modeless dialog while Ctrl is held; Ctrl's own press and
//   release set and clear the Ctrl-held flag.
//
// "game" is the main window's own key handling and the game's key table: a
// press typed into a dialog never reaches them (so Esc cancels the dialog and
// does not close the program), while a release still clears the key table so
// a key held when the dialog opened is not left down. Keys typed while no
// hooked dialog is active pass untouched.
//
// The dialog turns SpecialKey (message 2024) into its own key-down handling;
// "focused control: the composition" means an open IME composition takes the
// key (Enter commits it) and the dialog must not treat it as its default
// button.
#pragma once
#include <cstdint>

#include "platform/messages.h"

// Posted to the dialog for the special keys; wParam = key, lParam = as given.
constexpr uint32_t kHookSpecialKeyMessage = 2024;

enum class eHookPost {
  None,
  KeyDown,     // re-posted as a key-down to the dialog
  KeyUp,       // re-posted as a key-up to the dialog
  SpecialKey,  // message 2024 to the dialog
};

struct cHookDecision {
  eHookPost post = eHookPost::None;
  HWND dialog = nullptr;       // the dialog the post goes to (null: none)
  bool toControl = true;       // the key goes on to the focused control
  bool toComposition = false;  // an open composition takes the key
  bool toGame = true;          // the main window and the game's key table see it
};

class cHook {
 public:
  cHook();
  virtual ~cHook();
  cHook(const cHook&) = delete;
  cHook& operator=(const cHook&) = delete;

  // Ties the hook to the dialog window (replacing an earlier tie of this
  // hook) and installs the thread's hook when none is installed yet. False
  // when it cannot be installed.
  bool Hook(HWND window, int modeless);
  HWND Window() const { return m_hWnd; }
  int Modeless() const { return m_bModeless; }

  // Space, the four arrows, Delete and F1 to F8.
  static bool IsSpecialKey(int vk);

  // The decision for one key event in a hooked dialog, given the Ctrl-held
  // flag (updated). Pure: no state beyond *ctrlHeld.
  static cHookDecision Decide(int vk, bool release, bool compositionOpen, bool modeless, bool* ctrlHeld);

  // The routing entry: the active window, the key and whether an IME
  // composition is open. Uses the hook tied to that very window and the
  // thread's Ctrl-held flag; without one (or with the hook removed) the key
  // passes untouched. Window thread only.
  static cHookDecision HookProc(HWND active, int vk, bool release, bool compositionOpen);

 private:
  HWND m_hWnd = nullptr;
  int m_bModeless = 0;
};

// Removes the thread's keyboard hook (shutdown): keys pass untouched again
// until a dialog hooks anew.
void UnhookKeyboard();
// Whether the thread's hook is installed (for tests and the report).
bool IsKeyboardHooked();
