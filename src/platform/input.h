// Keyboard and joystick state as the game reads it: a table of virtual-key
// codes and per-joystick axes and buttons. Filled by the window thread from
// operating-system events, or per frame from an input script.
#pragma once
#include <cstdint>
#include <string>

enum : int {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_PAUSE = 0x13, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21,
  VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
  VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
  VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72, VK_F12 = 0x7B, VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1,
  VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3, VK_LMENU = 0xA4, VK_RMENU = 0xA5,
};

namespace plat {

constexpr int kMaxJoysticks = 16;

struct JoyState {
  bool present = false;
  uint32_t x = 32768, y = 32768;  // axis value + 32768
  uint32_t buttons = 0;           // button i = bit i
};

// 0x80 while held, else 0 (the high bit, as the game tests it).
uint8_t GetKeyState(int vk);
bool IsKeyDown(int vk);
void SetKeyDown(int vk, bool down);
void ClearKeys();
bool GetJoyState(int index, JoyState* out);
void SetJoyState(int index, const JoyState& state);
int JoystickCount();

// Scripted input. Lines: "FIRST[-LAST] TOKEN..." where tokens are key
// names (LEFT, Z, ESC, ...), "VK=0xNN", or "JOY[n]=X,Y,BUTTONS"; '#' starts
// a comment. Frames count from 1, the first presented frame.
bool LoadInputScript(const std::string& osPath, std::string* error);
bool HasInputScript();
// Sets the key table and joysticks to the script's state for this frame.
void ApplyInputScript(uint64_t frame);
// The virtual-key code of a key name of the script ("LEFT", "A", "F1"), or -1.
int VirtualKeyFromName(const std::string& name);

}  // namespace plat
