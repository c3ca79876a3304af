// Message boxes as the program knows them: a text, a caption and a type
// with the usual button sets. Texts are CP932.
#pragma once
#include <string_view>

enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

namespace plat {
// The answer a box gets when nobody is there to click: its default button.
int DefaultAnswer(unsigned type);
// Shows the box and returns the button pressed. Headless runs answer with
// the scripted answer, else the default, and write the text to stderr.
int ShowMessageBox(std::string_view text, std::string_view caption, unsigned type);
// A drawn replacement can take over the boxes: its 0 (no window to draw
// in) lets the system's box show instead, unless the game is closing.
using MessageBoxHandler = int (*)(std::string_view text, std::string_view caption, unsigned type);
void SetMessageBoxHandler(MessageBoxHandler handler);
}  // namespace plat
