// Per-player input: direction and button bits from the keyboard and
// joysticks, key repeat, a one-shot trigger latch, run-length history rings
// and per-state press histories that the key triggers of flows match against.
// Replays record and restore m_wDir and m_wButton.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/input.h"

// Joystick axis codes of a KEYASSIGN.
enum : uint16_t { JOYAXIS_LEFT = 256, JOYAXIS_RIGHT = 512, JOYAXIS_UP = 1024, JOYAXIS_DOWN = 2048 };

// One entry of a history ring: a value and how many frames it was current.
struct INPUTHISTORY {
  uint16_t value;
  int32_t frames;
};

// One run of a press history: pressed (0 or 1) for that many frames.
struct PRESSRUN {
  int32_t pressed;
  int32_t frames;
};

// Keypad code of direction bits: 5 neutral, 4/6 left/right, -3 up, +3 down.
int GetDirCode(int dirBits);

class cInput {
 public:
  static constexpr int kHistoryLen = 32;
  static constexpr int kPressRuns = 32;
  // Press histories 0..9 are the direction states (neutral, left, right, up,
  // down, up-left, down-left, up-right, down-right, any direction), 10..18
  // no button and buttons 1 to 8.
  static constexpr int kDirStates = 10;
  static constexpr int kButtonStates = 9;

  cInput();

  void InitJoyButtons();
  // Default assignment; 0 and no change while the key configuration is in
  // use. Sources: 1 joystick, 2 keyboard.
  int Poll(int joystick, int sources, int retry);
  // Assignments of g_KeyConfig; 0 and no change while it is not in use.
  int PollKeyConfig(int players, int retry);
  static bool IsJoyAxis(const plat::JoyState& state, int code);

  void ClearDir();
  void ClearButtons();
  void SetRepeat(uint32_t delay, uint32_t interval);
  void ApplyRepeat();
  void ApplyTrigger(int mask);

  void ClearHistory();
  void RecordHistory();
  uint16_t GetHistory(int ring, int framesAgo) const;
  void RecordPressHistory();
  static void UpdatePressRun(std::vector<PRESSRUN>& history, int value, int state, int flag);
  void TrimPressHistory();

  const std::vector<PRESSRUN>& DirPressHistory(int state) const { return m_vecDirPress[state]; }
  const std::vector<PRESSRUN>& ButtonPressHistory(int state) const { return m_vecButtonPress[state]; }

  uint16_t m_wDir = 0;     // 1 left, 2 right, 4 up, 8 down
  uint16_t m_wButton = 0;  // bit i = button i+1
  uint16_t m_wDirTrail = 0;
  INPUTHISTORY m_History[2][kHistoryLen];  // ring 0 directions, ring 1 buttons
  int32_t m_nHistoryIndex[2] = {0, 0};
  std::vector<PRESSRUN> m_vecDirPress[kDirStates];
  std::vector<PRESSRUN> m_vecButtonPress[kButtonStates];
  int32_t m_nDirCode = 5;
  int32_t m_nRepeatH = 0;
  int32_t m_nRepeatV = 0;
  uint32_t m_dwRepeatDelay = 18;
  uint32_t m_dwRepeatInterval = 6;
  int32_t m_nTrigger = 0;
  uint16_t m_wJoyButtonMask[8] = {};
  // Kept per joystick, so one missing joystick does not silence the others.
  int32_t m_bJoyOk[plat::kMaxJoysticks] = {};
  int32_t m_nJoyRetry[plat::kMaxJoysticks] = {};

 private:
  bool ReadJoystick(int id, int retry, plat::JoyState* state);
};

extern std::vector<cInput> g_vecInput;
