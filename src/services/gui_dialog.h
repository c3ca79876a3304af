// Modal dialogs drawn inside the game window over a frozen copy of the last
// frame. A dialog is laid out from a resource table of our own (sizes in
// dialog units), runs its modal loop on the main thread and takes keys and
// text from the dialog input of the platform layer.
//
// Keys: while a dialog runs, its embedded cHook is tied to the dialog's
// handle and every key event is put through cHook::HookProc, whose decision
// the dialog carries out (keyboard_hook.h has the table): a release goes on
// to the game's key table so no key stays down, a press never does; the
// focused control then takes the key unless an open composition does (Enter
// while composing); and the keys the hook re-posts (key-down, or the special
// key message 2024, which the dialog turns into a key-down) reach each bound
// control's OnKey. Tab is never re-posted.
// The focused control's handling: Tab and Shift+Tab move the focus in
// resource order (a radio group is one stop, at its checked button); arrows
// move within a radio group and the caret in an edit; Space presses the
// focused button, toggles a check box or picks a radio button; Enter presses
// the focused push button, else the default button (IDOK when none); Esc is
// IDCANCEL. A left click focuses the control under it and presses buttons,
// check boxes and radio buttons. Closing the program (plat::IsClosing) closes the dialog with 0.
//
// Without a window (headless, or no video) the dialog takes one line of the
// answers script (plat::NextAnswer):
//   BUTTON[;ID=VALUE]...
// BUTTON is a button's label (case-insensitive), "ok", "cancel" or a
// control id; empty means the default button. Each ID=VALUE sets control ID
// first: an edit's text (UTF-8 in the file), a check box's state (0 or 1),
// a radio button picked by 1. Without a line the default button is pressed.
// The dialog's title, texts and the answer go to the report log.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog_input.h"
#include "services/gui_controls.h"
#include "services/gui_window.h"
#include "services/keyboard_hook.h"

namespace plat {
class Font;
}

// Group: a frame with its caption set into the top edge, around the
// controls placed inside it. Picture: a bitmap (sDialogItemDesc::bitmap)
// at the control's top left, sized to the bitmap; nothing without one.
// Neither takes the focus or a click, so the controls they enclose do.
enum class eItemKind { Static, Button, DefButton, CheckBox, Radio, Edit, Group, Picture };

// An image of the program's own for a picture control.
struct sDialogBitmap {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;  // width * height, rows top down
};

struct sDialogItemDesc {
  eItemKind kind = eItemKind::Static;
  uint16_t id = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  const char* text = "";             // CP932
  bool group = false;                // starts a radio group
  const sDialogBitmap* bitmap = nullptr;  // a Picture's image, outliving the dialog
};

// The font every dialog is drawn with: the proportional Gothic of the
// dialog resources, 9 point (12 pixels).
const plat::Font& DialogFont();

// The lines a static text shows in a control `width` pixels wide, as the
// dialog lays it out: line feeds end lines; a line too long breaks after
// the last space that lets it fit (the spaces at the break vanish) or
// between two characters where one of them is double-byte (not before
// closing or after opening punctuation); a word wider than the control is
// broken between characters. A double-byte character is never split, and
// every line holds at least one character. measure gives a CP932 text's
// width in pixels.
using TextMeasure = std::function<int(std::string_view)>;
std::vector<std::string> WrapDialogText(std::string_view cp932, int width, const TextMeasure& measure);
// The same in the dialog font.
std::vector<std::string> WrapDialogText(std::string_view cp932, int width);

// The program's title picture (312 x 104), drawn by our own code.
const sDialogBitmap& ProgramTitleBitmap();

struct sDialogResource {
  uint16_t id = 0;
  int cx = 0, cy = 0;  // client size in dialog units
  const char* title = "";
  std::vector<sDialogItemDesc> items;
};

// The state of one control of an open dialog (what a control window holds).
struct cDialogItem {
  sDialogItemDesc desc;
  std::string text;  // CP932
  int check = 0;
  bool enabled = true;
  int selStart = 0, selEnd = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // pixels within the client area
};

class cDialog : public cWindow {
 public:
  cDialog();
  ~cDialog() override;

  void Init(const sDialogResource* resource, cDialog* owner, void* data);
  // The dialog result; 0 at once when the dialog is already open.
  int DoModal(int flags);
  int Close(int result);
  bool IsOpen() const { return m_bOpen; }
  int Result() const { return m_nResult; }

  // Derived dialogs call this first, then attach their controls and call
  // DataToControls.
  virtual void OnInitDialog(WPARAM, LPARAM);
  // Routes control notifications; derived dialogs handle their buttons and
  // call it for the rest.
  void OnCommand(WPARAM wParam, LPARAM lParam) override;
  int CanCommand(WPARAM) { return 1; }
  void DataToControls();
  void ControlsToData();
  int RefreshLists();

  void AddControl(cControl* control);
  size_t ControlCount() const { return m_Controls.size(); }
  cDialogItem* GetItem(uint16_t id);
  std::string GetItemText(uint16_t id);
  void SetItemText(uint16_t id, const std::string& textCp932);

  // Input as the modal loop hands it over; public for tests.
  void HandleInput(const plat::DialogInput& input);
  // The handle the keyboard hook ties the dialog by (only compared, never
  // dereferenced): the dialog object itself, as it has no system window.
  HWND Handle() const { return reinterpret_cast<HWND>(const_cast<cDialog*>(this)); }
  // The hook's special-key message (wParam = key): handled as a key-down.
  virtual void OnHookMessage(uint32_t message, WPARAM wParam, LPARAM lParam, bool ctrl);
  // A key-down re-posted by the hook: each bound control's OnKey.
  virtual void OnKeyDown(int vk, LPARAM lParam, bool ctrl);
  uint16_t FocusId() const;
  void SetFocusId(uint16_t id);

  // Draws the dialog over frame (ARGB, the game window's client area).
  void Render(uint32_t* argb, int width, int height, int pitch) const;

 protected:
  // Before DoModal: the dialog shows in a small window of its own, sized to
  // the dialog, instead of inside the game window (the message boxes of
  // window mode). Without such a window DoModal ends at once with 0. A
  // SIGTERM that comes before the game window exists closes it as well.
  void UseOwnWindow() { m_bOwnWindow = true; }

 private:
  void CreateItems();
  void MoveFocus(int step);
  void FocusedControlKey(int vk, bool shift);
  void Click(int x, int y);
  void Press(cDialogItem& item);
  void PickRadio(size_t index);
  void MoveInRadioGroup(size_t index, int step);
  bool EditKey(cDialogItem& item, int vk);
  void EditInsert(cDialogItem& item, const std::string& text);
  void NotifyEditChanged(cDialogItem& item);
  void SetFocusIndex(int index);
  bool IsTabStop(size_t index) const;
  size_t GroupStart(size_t index) const;
  size_t GroupEnd(size_t index) const;
  uint16_t DefaultButtonId() const;
  void AnswerWithoutWindow();
  void ShowFrame();

  const sDialogResource* m_pResource = nullptr;
  cDialog* m_pOwnerDialog = nullptr;
  bool m_bOpen = false;
  int m_nResult = 0;
  std::vector<cDialogItem> m_Items;
  std::vector<cControl*> m_Controls;
  cHook m_Hook;
  int m_nFocus = -1;
  bool m_bOwnWindow = false;
  std::vector<uint32_t> m_Frozen;
  int m_nFrozenW = 0, m_nFrozenH = 0;
};
