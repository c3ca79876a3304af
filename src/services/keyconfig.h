// The key configuration: which keyboard key or joystick control stands for
// each direction and button. Stored as user_data\KeyConfig.dat, 108 bytes.
#pragma once
#include <cstdint>

constexpr int KEYCONFIG_ASSIGNS = 12;
constexpr int KEYCONFIG_DEVICE_KEYBOARD = 8;
constexpr int KEYCONFIG_FILE_SIZE = 108;

struct KEYASSIGN {
  int32_t device;     // 8 = keyboard, 0..n-1 = joystick id
  uint16_t code;      // virtual key; or joystick axis code 256/512/1024/2048, or button mask
  uint16_t reserved;  // not read
};

// The exact content of the file: left, right, up, down, then buttons 1 to 8.
struct KEYCONFIG {
  KEYASSIGN assign[KEYCONFIG_ASSIGNS];
  int32_t count;      // assignments used
  int32_t joysticks;  // joysticks polled (ids 0..joysticks-1)
  int32_t use;        // 0 = the fixed default assignment, else this one
};
static_assert(sizeof(KEYCONFIG) == KEYCONFIG_FILE_SIZE);

extern KEYCONFIG g_KeyConfig;

// 1 when the file was read into *config. 0 when it cannot be opened, and also
// when it ends before the use flag at byte 104 (a report line; *config is
// unchanged, so the caller falls back to the defaults). A file of 105 to 107
// bytes is read as far as it goes, the missing bytes of the use flag taken
// from the defaults, with a report line. A count outside 0..12 or a number
// of joysticks outside 0..16 is clamped, and an assignment on a device that
// cannot exist is kept but never pressed; each gets a report line.
int LoadKeyConfig(const char* path, KEYCONFIG* config);
// Writes the 108 bytes through the atomic writer; 1 on success.
int SaveKeyConfig(const char* path, const KEYCONFIG* config);
// Arrows, then Z X C V A S D F on the keyboard; count 12, one joystick,
// use flag 0. The reserved halves are left as they are.
void SetDefaultKeyConfig(KEYCONFIG* config);
