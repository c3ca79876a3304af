#include "services/input.h"

#include <climits>

#include "services/keyconfig.h"

namespace {

constexpr uint32_t kAxisLow = 10000;
constexpr uint32_t kAxisHigh = 55535;

// Value and flag of each press history: flag 0 compares the whole value,
// flag 1 tests the bits.
struct PressState {
  int state, flag;
};
constexpr PressState kDirPressStates[cInput::kDirStates] = {
    {0, 0}, {1, 0}, {2, 0}, {4, 0}, {8, 0}, {5, 0}, {9, 0}, {6, 0}, {10, 0}, {15, 1}};
constexpr PressState kButtonPressStates[cInput::kButtonStates] = {
    {0, 0}, {1, 1}, {2, 1}, {4, 1}, {8, 1}, {16, 1}, {32, 1}, {64, 1}, {128, 1}};

constexpr int kDefaultButtonKeys[8] = {'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'};

void AddSaturating(int32_t& frames) {
  if (frames < INT_MAX) ++frames;
}

}  // namespace

int GetDirCode(int dirBits) {
  int code = (dirBits & 1) ? 4 : (dirBits & 2) ? 6 : 5;
  if (dirBits & 4)
    code -= 3;
  else if (dirBits & 8)
    code += 3;
  return code;
}

cInput::cInput() {
  ClearHistory();
  TrimPressHistory();
}

void cInput::InitJoyButtons() {
  for (int i = 0; i < 8; ++i) m_wJoyButtonMask[i] = static_cast<uint16_t>(1u << i);
}

bool cInput::ReadJoystick(int id, int retry, plat::JoyState* state) {
  if (id < 0 || id >= plat::kMaxJoysticks) return false;
  if (!m_bJoyOk[id] && m_nJoyRetry[id] >= 1) {
    --m_nJoyRetry[id];
    return false;
  }
  if (!plat::GetJoyState(id, state)) {
    m_bJoyOk[id] = 0;
    m_nJoyRetry[id] = retry * 2;
    return false;
  }
  m_bJoyOk[id] = 1;
  return true;
}

bool cInput::IsJoyAxis(const plat::JoyState& state, int code) {
  switch (code) {
    case JOYAXIS_LEFT: return state.x <= kAxisLow;
    case JOYAXIS_RIGHT: return state.x >= kAxisHigh;
    case JOYAXIS_UP: return state.y <= kAxisLow;
    case JOYAXIS_DOWN: return state.y >= kAxisHigh;
    default: return false;
  }
}

int cInput::Poll(int joystick, int sources, int retry) {
  if (g_KeyConfig.use) return 0;
  bool joyDir = false, joyButtons = false;
  plat::JoyState js;
  if ((sources & 1) && ReadJoystick(joystick, retry, &js)) {
    m_wDir = 0;
    m_nDirCode = 5;
    if (js.x <= kAxisLow) {
      m_wDir |= 1;
      m_nDirCode = 4;
    } else if (js.x >= kAxisHigh) {
      m_wDir |= 2;
      m_nDirCode = 6;
    }
    if (js.y <= kAxisLow) {
      m_wDir |= 4;
      m_nDirCode -= 3;
    } else if (js.y >= kAxisHigh) {
      m_wDir |= 8;
      m_nDirCode += 3;
    }
    m_wButton = 0;
    for (int i = 0; i < 8; ++i)
      if (js.buttons & m_wJoyButtonMask[i]) m_wButton |= static_cast<uint16_t>(1u << i);
    joyDir = m_nDirCode != 5;
    joyButtons = m_wButton != 0;
  }
  if (!(sources & 2)) return 1;
  if (!joyDir) {
    m_wDir = 0;
    m_nDirCode = 5;
    // Both keys of an axis may be held: the code then cancels to its middle.
    if (plat::IsKeyDown(VK_LEFT)) m_wDir |= 1, m_nDirCode -= 1;
    if (plat::IsKeyDown(VK_RIGHT)) m_wDir |= 2, m_nDirCode += 1;
    if (plat::IsKeyDown(VK_UP)) m_wDir |= 4, m_nDirCode -= 3;
    if (plat::IsKeyDown(VK_DOWN)) m_wDir |= 8, m_nDirCode += 3;
  }
  if (!joyButtons) {
    m_wButton = 0;
    for (int i = 0; i < 8; ++i)
      if (plat::IsKeyDown(kDefaultButtonKeys[i])) m_wButton |= static_cast<uint16_t>(1u << i);
  }
  return 1;
}

int cInput::PollKeyConfig(int players, int retry) {
  const KEYCONFIG& kc = g_KeyConfig;
  if (!kc.use) return 0;
  const int joysticks = kc.joysticks < 0 ? 0 : kc.joysticks > plat::kMaxJoysticks ? plat::kMaxJoysticks : kc.joysticks;
  plat::JoyState js[plat::kMaxJoysticks];
  bool read[plat::kMaxJoysticks] = {};
  for (int j = 0; j < joysticks; ++j) read[j] = ReadJoystick(j, retry, &js[j]);

  auto pressed = [&](int i) {
    const KEYASSIGN& a = kc.assign[i];
    if (a.device == KEYCONFIG_DEVICE_KEYBOARD) return a.code < 256 && plat::IsKeyDown(a.code);
    if (a.device < 0 || a.device >= joysticks || !read[a.device]) return false;
    return IsJoyAxis(js[a.device], a.code) || (js[a.device].buttons & a.code) != 0;
  };
  m_wDir = 0;
  m_wButton = 0;
  m_nDirCode = 5;
  if (pressed(0)) {
    m_wDir |= 1;
    m_nDirCode -= 1;
  } else if (pressed(1)) {
    m_wDir |= 2;
    m_nDirCode += 1;
  }
  if (pressed(2)) {
    m_wDir |= 4;
    m_nDirCode -= 3;
  } else if (pressed(3)) {
    m_wDir |= 8;
    m_nDirCode += 3;
  }
  const int count = kc.count > KEYCONFIG_ASSIGNS ? KEYCONFIG_ASSIGNS : kc.count;
  for (int j = 0; j + 4 < count; ++j)
    if (pressed(4 + j)) m_wButton |= static_cast<uint16_t>(1u << j);
  return 1;
}

void cInput::ClearDir() {
  m_wDir = 0;
  m_nDirCode = 5;
}

void cInput::ClearButtons() { m_wButton = 0; }

void cInput::SetRepeat(uint32_t delay, uint32_t interval) {
  m_dwRepeatDelay = delay;
  // The repeat test divides by the interval.
  m_dwRepeatInterval = interval < 1 ? 1 : interval;
}

void cInput::ApplyRepeat() {
  const uint16_t raw = m_wDir & 15;
  const uint16_t previous = m_wDirTrail & 15;
  m_wDirTrail = static_cast<uint16_t>((m_wDirTrail << 4) | raw);
  struct Axis {
    uint16_t mask;
    int32_t* counter;
  } axes[2] = {{3, &m_nRepeatH}, {12, &m_nRepeatV}};
  for (const Axis& a : axes) {
    if ((raw & a.mask) != (previous & a.mask)) {
      *a.counter = 0;
      continue;
    }
    if (*a.counter < INT_MAX) ++*a.counter;
    const uint32_t held = static_cast<uint32_t>(*a.counter);
    if (!(held >= m_dwRepeatDelay && held % m_dwRepeatInterval == 0))
      m_wDir = static_cast<uint16_t>(m_wDir & ~a.mask);
  }
}

void cInput::ApplyTrigger(int mask) {
  if (mask == 0) mask = 0xFF;
  const bool anyPressed = (m_wButton & mask) != 0;
  if (!m_nTrigger) {
    if (anyPressed) m_nTrigger = 1;
    return;
  }
  m_wButton = static_cast<uint16_t>(m_wButton & ~mask);
  if (!anyPressed) m_nTrigger = 0;
}

void cInput::ClearHistory() {
  for (auto& ring : m_History)
    for (auto& e : ring) e = INPUTHISTORY{0, 0};
  m_nHistoryIndex[0] = m_nHistoryIndex[1] = 0;
}

void cInput::RecordHistory() {
  const uint16_t values[2] = {m_wDir, m_wButton};
  for (int r = 0; r < 2; ++r) {
    INPUTHISTORY& newest = m_History[r][m_nHistoryIndex[r]];
    if (newest.value == values[r]) {
      AddSaturating(newest.frames);
    } else {
      m_nHistoryIndex[r] = (m_nHistoryIndex[r] + 1) % kHistoryLen;
      m_History[r][m_nHistoryIndex[r]] = INPUTHISTORY{values[r], 1};
    }
  }
}

uint16_t cInput::GetHistory(int ring, int framesAgo) const {
  if (ring < 0 || ring > 1) return 0;
  int index = m_nHistoryIndex[ring];
  int64_t remaining = static_cast<int64_t>(framesAgo) + 1;
  for (int i = 0; i < kHistoryLen; ++i) {
    const INPUTHISTORY& e = m_History[ring][index];
    if (e.frames >= remaining) break;
    remaining -= e.frames;
    index = (index + kHistoryLen - 1) % kHistoryLen;
  }
  return m_History[ring][index].value;
}

void cInput::UpdatePressRun(std::vector<PRESSRUN>& history, int value, int state, int flag) {
  const int active = flag == 1 ? (value & state) != 0 : value == state;
  if (history.empty() || (history.front().pressed == 0) == (active != 0)) {
    history.insert(history.begin(), PRESSRUN{active, 1});
    if (history.size() > static_cast<size_t>(kPressRuns)) history.pop_back();
  } else {
    AddSaturating(history.front().frames);
  }
}

void cInput::RecordPressHistory() {
  for (int i = 0; i < kDirStates; ++i)
    UpdatePressRun(m_vecDirPress[i], m_wDir, kDirPressStates[i].state, kDirPressStates[i].flag);
  for (int i = 0; i < kButtonStates; ++i)
    UpdatePressRun(m_vecButtonPress[i], m_wButton, kButtonPressStates[i].state, kButtonPressStates[i].flag);
}

void cInput::TrimPressHistory() {
  for (auto& h : m_vecDirPress) h.resize(kPressRuns, PRESSRUN{0, 0});
  for (auto& h : m_vecButtonPress) h.resize(kPressRuns, PRESSRUN{0, 0});
}
